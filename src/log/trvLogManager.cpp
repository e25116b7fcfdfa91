// SPDX-License-Identifier: MIT
#include "CtrvLogManager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>

#include "log/trvLogMessageStore.h"
#include "log/trvLogTimeText.h"
#include "platform/trvPlatformFiles.h"

namespace {

constexpr std::size_t kTimeFieldWidth = 15;
// The stream form reads lines into a buffer of this size: at most 999
// characters of text plus the terminator.
constexpr std::streamsize kStreamLineBuffer = 1000;

// A type's name as the log files write it, with room to be copied sixteen
// bytes at a time.
struct TypeName {
  char text[16];
  std::size_t length;
};

const TypeName& typeName(CtrvLogManager::EtrvLogType type) {
  static constexpr TypeName kNames[] = {
      {"Error", 5}, {"Warning", 7}, {"Info", 4}, {"DebugInfo", 9}, {"unknownType", 11}};
  switch (type) {
    case CtrvLogManager::LOG_ERROR:
      return kNames[0];
    case CtrvLogManager::LOG_WARNING:
      return kNames[1];
    case CtrvLogManager::LOG_INFO:
      return kNames[2];
    case CtrvLogManager::LOG_DEBUG_INFO:
      return kNames[3];
  }
  return kNames[4];
}

// Copies a fixed piece: the compiler turns it into a few moves.
template <std::size_t N>
char* put(char* out, const char (&piece)[N]) {
  std::memcpy(out, piece, N - 1);
  return out + N - 1;
}

// The most a line takes besides its text, with the slack of the sixteen-byte
// copy of the type name.
constexpr std::size_t kLineRoomBesideText =
    sizeof "time: " + kTrvLogTimeRoom + sizeof "\ttype: " + 16 + sizeof "\tmessage: " + 1;

// Writes "time: %s\ttype: %s\tmessage: %s\n" for one record at the start of
// `line`'s characters and returns its length; `line` is lengthened when too
// short, never shortened, and what follows the record's line is left as it
// was. The time is written as a default-configured output stream writes a
// double (general notation, six significant digits), padded with spaces to
// 15 characters. The text is data: copied whole, never interpreted.
std::size_t writeLogLine(std::string& line, double time, CtrvLogManager::EtrvLogType type,
                         const std::string& text) {
  if (line.size() < kLineRoomBesideText + text.size()) {
    line.resize(kLineRoomBesideText + text.size());
  }
  char* const start = line.data();
  char* out = put(start, "time: ");
  std::memset(out, ' ', kTimeFieldWidth);
  out += std::max(trvWriteLogTime(time, out), kTimeFieldWidth);
  out = put(out, "\ttype: ");
  const TypeName& name = typeName(type);
  std::memcpy(out, name.text, sizeof name.text);
  out += name.length;
  out = put(out, "\tmessage: ");
  std::memcpy(out, text.data(), text.size());
  out += text.size();
  *out++ = '\n';
  return static_cast<std::size_t>(out - start);
}

// The system cuts a path at its first NUL byte, which would name another
// file than the caller's; such a path names no file at all.
bool namesAFile(const std::string& path) { return path.find('\0') == std::string::npos; }

// Opens `path` as the log files are opened ("w+"), refusing a path that names
// no file with EINVAL.
std::FILE* openLogFile(const std::string& path) {
  if (!namesAFile(path)) {
    errno = EINVAL;
    return nullptr;
  }
  return std::fopen(path.c_str(), "w+");
}

// Writes `size` characters of `data`; false on a short write.
bool writeAll(std::FILE* file, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, file) == size;
}

}  // namespace

CtrvLogManager* CtrvLogManager::s_logManager = nullptr;

CtrvLogManager::CtrvLogManager(const std::string& path)
    : m_messages(new CtrvLogMessageStore),
      m_logFile(nullptr),
      m_logFileFailed(false),
      m_logDebugMessages(false) {
  m_chronometer.start(0.0);
  if (!path.empty()) m_logFile = openLogFile(path);
}

CtrvLogManager::~CtrvLogManager() {
  if (m_logFile != nullptr) std::fclose(m_logFile);
}

void CtrvLogManager::createInstance(const std::string& path) {
  if (s_logManager == nullptr) s_logManager = new CtrvLogManager(path);
}

trStatus CtrvLogManager::liveLogStatus() {
  const bool intact = s_logManager != nullptr && s_logManager->m_logFile != nullptr &&
                      !s_logManager->m_logFileFailed;
  return intact ? TR_OK : TR_ERROR;
}

void CtrvLogManager::addMessage(const std::string& text, EtrvLogType type) {
  if (s_logManager != nullptr) s_logManager->addLog(text, type);
}

void CtrvLogManager::addError(const std::string& text) { addMessage(text, LOG_ERROR); }

void CtrvLogManager::addError(const std::string& file, int line, const std::string& text) {
  if (s_logManager == nullptr) return;
  std::string composed;
  composed.reserve(file.size() + text.size() + 16);
  composed.append("[").append(file).append(":").append(std::to_string(line)).append("] ");
  composed.append(text);
  s_logManager->addLog(composed, LOG_ERROR);
}

void CtrvLogManager::addWarning(const std::string& text) { addMessage(text, LOG_WARNING); }

void CtrvLogManager::addInfo(const std::string& text) { addMessage(text, LOG_INFO); }

void CtrvLogManager::addDebugInfo(const std::string& text) { addMessage(text, LOG_DEBUG_INFO); }

bool CtrvLogManager::logDebugMessages() {
  return s_logManager != nullptr && s_logManager->m_logDebugMessages;
}

void CtrvLogManager::logDebugMessages(bool on) {
  if (s_logManager != nullptr) s_logManager->m_logDebugMessages = on;
}

unsigned int CtrvLogManager::countMessages() {
  return s_logManager == nullptr ? 0u : static_cast<unsigned int>(s_logManager->m_messages->size());
}

void CtrvLogManager::getMessage(int index, std::string& text, EtrvLogType& type, double& time) {
  if (s_logManager == nullptr || index < 0) return;
  const CtrvLogMessageStore& messages = *s_logManager->m_messages;
  const std::size_t position = static_cast<std::size_t>(index);
  if (position >= messages.size()) return;
  const CtrvLogMessageStore::Record& record = messages.at(position);
  time = record.time;
  type = record.type;
  text = record.text;
}

int CtrvLogManager::getLastErrorMessageId() {
  if (s_logManager == nullptr) return -1;
  const CtrvLogMessageStore& messages = *s_logManager->m_messages;
  for (std::size_t position = messages.size(); position-- > 0;) {
    if (messages.at(position).type == LOG_ERROR) return static_cast<int>(position);
  }
  return -1;
}

trStatus CtrvLogManager::writeLog(const std::string& path) {
  return s_logManager != nullptr ? s_logManager->writeLogToFile(path) : TR_ERROR;
}

void CtrvLogManager::writeLog(std::istream& stream, EtrvLogType type) {
  char buffer[kStreamLineBuffer];
  while (!stream.fail()) {
    stream.getline(buffer, kStreamLineBuffer);
    // gcount() counts an extracted line feed, which is not stored; a line
    // feed was extracted exactly when the read neither failed nor hit the end.
    std::streamsize stored = stream.gcount();
    if (stored > 0 && !stream.fail() && !stream.eof()) --stored;
    if (stored > 0 && s_logManager != nullptr) {
      s_logManager->addLog(std::string(buffer, static_cast<std::size_t>(stored)), type);
    }
  }
}

void CtrvLogManager::addLog(const std::string& text, EtrvLogType type) {
  if (type == LOG_DEBUG_INFO && !m_logDebugMessages) return;
  const double time = getTimeInSeconds();
  m_messages->add(time, type, text, s_maxNbMessages);
  if (m_logFile != nullptr) writeLiveLine(time, type, text);
}

// Each line goes to the file at once, in one system call: nothing else writes
// through the stream, so its buffer stays empty and is never copied into.
void CtrvLogManager::writeLiveLine(double time, EtrvLogType type, const std::string& text) {
  const std::size_t length = writeLogLine(m_lineBuffer, time, type, text);
  if (!trvPlatform::writeUnbuffered(m_logFile, m_lineBuffer.data(), length)) {
    m_logFileFailed = true;
  }
}

trStatus CtrvLogManager::writeLogToFile(const std::string& path) const {
  std::FILE* file = openLogFile(path);
  if (file == nullptr) return TR_ERROR;
  static constexpr char kHeader[] = "Tarvo log file \t\t\t\t\t\t\n\n";
  bool written = writeAll(file, kHeader, sizeof kHeader - 1);
  std::string line;
  for (std::size_t position = 0; written && position < m_messages->size(); ++position) {
    const CtrvLogMessageStore::Record& record = m_messages->at(position);
    const std::size_t length = writeLogLine(line, record.time, record.type, record.text);
    written = writeAll(file, line.data(), length);
  }
  // The reason of a failed write outlives a close that succeeds.
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written && closed) errno = writeError;
  return written && closed ? TR_OK : TR_ERROR;
}

double CtrvLogManager::getTimeInSeconds() const { return m_chronometer.elapsedTime(); }

std::string CtrvLogManager::lastLog(EtrvLogType type) const {
  for (std::size_t position = m_messages->size(); position-- > 0;) {
    if (m_messages->at(position).type == type) return m_messages->at(position).text;
  }
  return std::string();
}

std::string CtrvLogManager::lastError() const { return lastLog(LOG_ERROR); }
