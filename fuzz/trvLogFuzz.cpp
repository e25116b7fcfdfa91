// SPDX-License-Identifier: MIT
// Fuzzes the stream form of CtrvLogManager::writeLog: the input's first byte
// picks the record type and the debug switch, the rest is the stream. The
// records the call adds are checked against the lines of the input, then the
// store is dumped and the dump must end with exactly those records.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "CtrvLogManager.h"
#include "trvFuzzCheck.h"

namespace {

constexpr std::size_t kLongestLine = 999;
constexpr unsigned int kFullCheckRecords = 4096;

// The lines the stream form records: every non-empty line, and of a line
// longer than kLongestLine only its beginning, after which reading stops.
std::vector<std::string> expectedRecords(const std::string& stream) {
  std::vector<std::string> records;
  std::size_t start = 0;
  while (start < stream.size()) {
    std::size_t end = stream.find('\n', start);
    if (end == std::string::npos) end = stream.size();
    const std::size_t length = end - start;
    if (length > kLongestLine) {
      records.push_back(stream.substr(start, kLongestLine));
      break;
    }
    if (length > 0) records.push_back(stream.substr(start, length));
    start = end + 1;
  }
  return records;
}

const char* typeName(int type) {
  static const char* const kNames[] = {"Error", "Warning", "Info", "DebugInfo"};
  return type >= 0 && type <= 3 ? kNames[type] : "unknownType";
}

std::string readWholeFile(const std::string& path) {
  std::string content;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return content;
  char block[65536];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) content.append(block, got);
  std::fclose(file);
  return content;
}

// The last `count` lines of `dump`, oldest first.
std::vector<std::string> lastLines(const std::string& dump, std::size_t count) {
  std::vector<std::string> lines;
  std::size_t end = dump.size();
  TRV_FUZZ_CHECK(end > 0 && dump[end - 1] == '\n');
  while (lines.size() < count && end > 0) {
    const std::size_t previous = dump.rfind('\n', end - 2);
    const std::size_t start = previous == std::string::npos ? 0 : previous + 1;
    lines.insert(lines.begin(), dump.substr(start, end - 1 - start));
    end = start;
  }
  return lines;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void checkStoreTail(const std::vector<std::string>& expected, int type) {
  const unsigned int count = CtrvLogManager::countMessages();
  TRV_FUZZ_CHECK(count >= expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    std::string text;
    CtrvLogManager::EtrvLogType recorded = CtrvLogManager::LOG_INFO;
    double time = -1.0;
    CtrvLogManager::getMessage(static_cast<int>(count - expected.size() + i), text, recorded, time);
    TRV_FUZZ_CHECK(text == expected[i]);
    TRV_FUZZ_CHECK(static_cast<int>(recorded) == type);
    TRV_FUZZ_CHECK(time >= 0.0);
  }
}

std::string dumpPath() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/trv-log-fuzz-" +
         std::to_string(::getpid()) + ".txt";
}

void checkDumpTail(const std::vector<std::string>& expected, int type) {
  static const std::string path = dumpPath();
  CtrvLogManager::writeLog(path);
  const std::string dump = readWholeFile(path);
  std::remove(path.c_str());
  TRV_FUZZ_CHECK(dump.compare(0, 14, "Tarvo log file") == 0);
  if (expected.empty()) return;
  const std::vector<std::string> lines = lastLines(dump, expected.size());
  TRV_FUZZ_CHECK(lines.size() == expected.size());
  const std::string typeField = std::string("\ttype: ") + typeName(type) + "\tmessage: ";
  for (std::size_t i = 0; i < expected.size(); ++i) {
    TRV_FUZZ_CHECK(lines[i].compare(0, 6, "time: ") == 0);
    TRV_FUZZ_CHECK(endsWith(lines[i], typeField + expected[i]));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CtrvLogManager::createInstance("");
  FuzzedDataProvider input(data, size);
  const std::uint8_t control = input.ConsumeIntegral<std::uint8_t>();
  const int type = static_cast<int>(control % 6);  // 4 and 5 lie outside the enumeration
  const bool debug = (control & 0x80) != 0;
  CtrvLogManager::logDebugMessages(debug);

  std::istringstream stream(input.ConsumeRemainingBytesAsString());
  const unsigned int before = CtrvLogManager::countMessages();
  CtrvLogManager::writeLog(stream, static_cast<CtrvLogManager::EtrvLogType>(type));

  std::vector<std::string> expected = expectedRecords(stream.str());
  if (type == CtrvLogManager::LOG_DEBUG_INFO && !debug) {
    TRV_FUZZ_CHECK(CtrvLogManager::countMessages() == before);
    expected.clear();
  }
  checkStoreTail(expected, type);
  // A dump costs as much as the whole store, which this process fills over
  // time: once it is large, only every 64th input is checked in a dump. An
  // input replayed alone is always checked.
  static unsigned int runs = 0;
  if (CtrvLogManager::countMessages() <= kFullCheckRecords || ++runs % 64 == 0) {
    checkDumpTail(expected, type);
  }
  return 0;
}
