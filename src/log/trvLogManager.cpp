#include "CtrvLogManager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <string_view>

#include "log/trvLogMessageStore.h"
#include "log/trvLogTimeText.h"
#include "platform/trvPlatformFiles.h"

namespace {

constexpr std::size_t kTimeFieldWidth = 15;
// The stream form reads lines into a buffer of this size: at most 999
// characters of text plus the terminator.
constexpr std::streamsize kStreamLineBuffer = 1000;

const char* typeName(CtrvLogManager::EtrvLogType type) {
  switch (type) {
    case CtrvLogManager::LOG_ERROR:
      return "Error";
    case CtrvLogManager::LOG_WARNING:
      return "Warning";
    case CtrvLogManager::LOG_INFO:
      return "Info";
    case CtrvLogManager::LOG_DEBUG_INFO:
      return "DebugInfo";
  }
  return "unknownType";
}

// The pieces of "time: %s\ttype: %s\tmessage: %s\n" for one record. The time
// is written as a default-configured output stream writes a double (general
// notation, six significant digits), padded with spaces to 15 characters.
// The text is data: copied whole, never interpreted.
class LogLine {
 public:
  LogLine(double time, CtrvLogManager::EtrvLogType type, const std::string& text)
      : m_type(typeName(type)), m_typeLength(std::strlen(m_type)), m_text(text) {
    m_timeLength = trvWriteLogTime(time, m_time);
  }

  std::size_t size() const {
    return kTimeLabel.size() + std::max(m_timeLength, kTimeFieldWidth) + kTypeLabel.size() +
           m_typeLength + kMessageLabel.size() + m_text.size() + 1;
  }

  // Writes the line to `out`, which has room for size() characters.
  void writeTo(char* out) const {
    out = put(out, kTimeLabel.data(), kTimeLabel.size());
    out = put(out, m_time, m_timeLength);
    if (m_timeLength < kTimeFieldWidth) {
      std::memset(out, ' ', kTimeFieldWidth - m_timeLength);
      out += kTimeFieldWidth - m_timeLength;
    }
    out = put(out, kTypeLabel.data(), kTypeLabel.size());
    out = put(out, m_type, m_typeLength);
    out = put(out, kMessageLabel.data(), kMessageLabel.size());
    out = put(out, m_text.data(), m_text.size());
    *out = '\n';
  }

  // Replaces `line` with the line, in one allocation at most.
  void assignTo(std::string& line) const {
    line.resize(size());
    writeTo(line.data());
  }

 private:
  static constexpr std::string_view kTimeLabel = "time: ";
  static constexpr std::string_view kTypeLabel = "\ttype: ";
  static constexpr std::string_view kMessageLabel = "\tmessage: ";

  static char* put(char* out, const char* piece, std::size_t length) {
    std::memcpy(out, piece, length);
    return out + length;
  }

  char m_time[kTrvLogTimeRoom];
  std::size_t m_timeLength;
  const char* m_type;
  std::size_t m_typeLength;
  const std::string& m_text;
};

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

// Writes all of `data`; false on a short write.
bool writeAll(std::FILE* file, const std::string& data) {
  return std::fwrite(data.data(), 1, data.size(), file) == data.size();
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
  LogLine(time, type, text).assignTo(m_lineBuffer);
  if (!trvPlatform::writeUnbuffered(m_logFile, m_lineBuffer.data(), m_lineBuffer.size())) {
    m_logFileFailed = true;
  }
}

trStatus CtrvLogManager::writeLogToFile(const std::string& path) const {
  std::FILE* file = openLogFile(path);
  if (file == nullptr) return TR_ERROR;
  bool written = writeAll(file, "Tarvo log file \t\t\t\t\t\t\n\n");
  std::string line;
  for (std::size_t position = 0; written && position < m_messages->size(); ++position) {
    const CtrvLogMessageStore::Record& record = m_messages->at(position);
    LogLine(record.time, record.type, record.text).assignTo(line);
    written = writeAll(file, line);
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
