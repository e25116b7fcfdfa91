// SPDX-License-Identifier: MIT
// The log: recording a message with and without a live file, against spdlog
// and against the floor: the same line formatted, written and flushed.
#include <CtrvLogManager.h>

#include <time.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <string>

#include "trvBench.h"

#ifdef TRV_BENCH_HAVE_SPDLOG
#include <spdlog/logger.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/null_sink.h>
#endif

namespace {

const std::string kMessage = "sweep: 4096 segments checked against 64 obstacles";

void trvAddInfo(benchmark::State& state) {
  for (auto _ : state) CtrvLogManager::addInfo(kMessage);
}

// Adds messages until the store holds `records`.
void fillLogTo(unsigned int records) {
  while (CtrvLogManager::countMessages() < records) CtrvLogManager::addInfo(kMessage);
}

// Without a live file, a message costs little more than its insertion, so
// the store is filled to its bound first: every run, brief or long, then
// measures the steady state (a store still growing allocates each new
// record's text, which a brief run would measure alone).
void trvAddInfoToAFullLog(benchmark::State& state) {
  fillLogTo(CtrvLogManager::s_maxNbMessages + 1);
  trvAddInfo(state);
}

// One line as the live log file holds it, "time: %s\ttype: %s\tmessage: %s\n",
// the time in general notation with six significant digits padded with
// spaces to 15 characters: the least formatting any logger of this line does.
void formatLine(std::string& line, double time, const std::string& text) {
  char digits[32];
  const std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, time, std::chars_format::general, 6);
  const std::size_t length = static_cast<std::size_t>(written.ptr - digits);
  line.assign("time: ");
  line.append(digits, length);
  if (length < 15) line.append(15 - length, ' ');
  line.append("\ttype: Info\tmessage: ");
  line.append(text);
  line.push_back('\n');
}

double secondsSince(const timespec& start) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);  // the clock of trv's chronometer
  return static_cast<double>(now.tv_sec - start.tv_sec) +
         static_cast<double>(now.tv_nsec - start.tv_nsec) * 1e-9;
}

// Everything of the line but its time field, which differs from run to run.
std::string withoutTime(const std::string& line) {
  const std::size_t tab = line.find('\t');
  return tab == std::string::npos ? line : line.substr(tab);
}

std::string firstLineOf(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line + "\n";
}

// The floor: the line trv writes, formatted with the time read from the
// clock, written and flushed. It checks that its lines have the layout of
// the lines trv writes to its live file.
void formatWriteAndFlush(benchmark::State& state) {
  const std::string path = trvBench::scratchDirectory() + "/floor.log";
  std::FILE* file = std::fopen(path.c_str(), "w+");
  timespec start{};
  clock_gettime(CLOCK_REALTIME, &start);
  std::string line;
  for (auto _ : state) {
    formatLine(line, secondsSince(start), kMessage);
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
  }
  std::fclose(file);
  CtrvLogManager::addInfo(kMessage);  // at least one line in trv's live file
  const std::string trvLine = firstLineOf(trvBench::scratchDirectory() + "/trv-live.log");
  if (withoutTime(firstLineOf(path)) != withoutTime(trvLine) || trvLine.find("time: ") != 0)
    state.SkipWithError("the floor's line differs from the live log file's");
}

#ifdef TRV_BENCH_HAVE_SPDLOG
void spdlogFileFlushingEveryMessage(benchmark::State& state) {
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_st>(
      trvBench::scratchDirectory() + "/spdlog.log", true);
  spdlog::logger logger("bench-file", sink);
  logger.flush_on(spdlog::level::trace);
  for (auto _ : state) logger.info(kMessage);
}

void spdlogNullSink(benchmark::State& state) {
  spdlog::logger logger("bench-null", std::make_shared<spdlog::sinks::null_sink_st>());
  for (auto _ : state) logger.info(kMessage);
}
constexpr trvBench::Function kSpdlogFile = spdlogFileFlushingEveryMessage;
constexpr trvBench::Function kSpdlogNull = spdlogNullSink;
#else
constexpr trvBench::Function kSpdlogFile = nullptr;
constexpr trvBench::Function kSpdlogNull = nullptr;
#endif

// Insertion cost as the store fills: at about 1,000 records, and at the bound
// of 100,001 where every insertion also drops the oldest record. Insertions
// from `records` stored records on, with the allocations they make.
void logInsertFrom(benchmark::State& state, unsigned int records) {
  fillLogTo(records);
  const std::size_t before = trvBench::allocationCount();
  for (auto _ : state) CtrvLogManager::addInfo(kMessage);
  state.counters["allocs/op"] = benchmark::Counter(
      static_cast<double>(trvBench::allocationCount() - before) / state.iterations());
}

void logInsertAt1000(benchmark::State& state) { logInsertFrom(state, 1000); }
void logInsertAtBound(benchmark::State& state) {
  logInsertFrom(state, CtrvLogManager::s_maxNbMessages + 1);
}

const bool registered = [] {
  trvBench::registerPair("log_file_spdlog", "addInfo with a live log file", 1.0,
                         "spdlog file sink, flush every message", trvAddInfo, kSpdlogFile);
  trvBench::registerPair("log_file_floor", "addInfo with a live log file", 1.1,
                         "line formatted, fwrite + fflush (floor)", trvAddInfo,
                         formatWriteAndFlush);
  trvBench::registerPair("log_memory", "addInfo without a live file", 1.0, "spdlog null sink",
                         trvAddInfoToAFullLog, kSpdlogNull, trvBench::Process::noLiveFile);
  trvBench::registerScale("log_insert_at_1000_records", logInsertAt1000)->Iterations(1000);
  trvBench::registerScale("log_insert_at_100001_records", logInsertAtBound)->Iterations(100000);
  return true;
}();

}  // namespace
