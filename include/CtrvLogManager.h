// SPDX-License-Identifier: MIT
#ifndef CTRV_LOG_MANAGER_H
#define CTRV_LOG_MANAGER_H

/// @file CtrvLogManager.h
/// The process-wide log of typed messages.

#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>

#include "CtrvTime.h"
#include "trStatus.h"
#include "trvExport.h"

class CtrvLogMessageStore;

/// The process-wide log: a bounded in-memory store of typed messages stamped
/// with the seconds elapsed since the log was created, an optional live log
/// file that receives every message at once (one flushed line each), and a
/// dump of the whole store to any file.
///
/// Every operation is static and acts on the single instance made by
/// createInstance(). Until it exists, every operation does nothing and
/// returns 0, -1, false, TR_ERROR or nothing. The instance is never
/// destroyed. Recording never fails: a file that cannot be opened or written
/// is silently absent, and only the callers who ask (liveLogStatus(), the
/// result of writeLog(path)) learn about it. A path holding a NUL byte names
/// no file: it is refused, never cut at the NUL. Not synchronised: use it
/// from one thread at a time.
///
/// Each line of a log file has the form
/// "time: <seconds padded to 15>\ttype: <type name>\tmessage: <text>\n".
class TRV_API CtrvLogManager {
 public:
  /// Type of a message. Values outside 0 to 3 are written as "unknownType".
  enum EtrvLogType : int {
    LOG_ERROR = 0,       ///< Written as "Error".
    LOG_WARNING = 1,     ///< Written as "Warning".
    LOG_INFO = 2,        ///< Written as "Info".
    LOG_DEBUG_INFO = 3,  ///< Written as "DebugInfo"; recorded only while the debug switch is on.
  };

  /// Bound of the store: once it holds more than this many records, each new
  /// message first drops the oldest one (so it stays at 100001 records).
  static constexpr unsigned int s_maxNbMessages = 100000;

  /// Closes the live log file. The library never destroys the instance.
  virtual ~CtrvLogManager();
  /// Not copyable: the single instance owns the live log file.
  CtrvLogManager(const CtrvLogManager&) = delete;
  /// Not assignable, for the same reason.
  CtrvLogManager& operator=(const CtrvLogManager&) = delete;

  /// Creates the log, with a live log file at `path` (created or truncated)
  /// unless `path` is empty. Does nothing if the log already exists. A file
  /// that cannot be opened, or a path holding a NUL byte, leaves the log
  /// working without a live file (see liveLogStatus()).
  static void createInstance(const std::string& path);

  /// Whether the live log file holds every message recorded so far.
  /// @return TR_OK while the live log file is open and every line has been
  ///         written and flushed; TR_ERROR when there is no log, no live file
  ///         (none asked for, or it could not be opened) or a write to it has
  ///         failed (a full disk, for instance). Once TR_ERROR because of a
  ///         failed write, it stays so.
  static trStatus liveLogStatus();

  /// Records `text` with the given type.
  static void addMessage(const std::string& text, EtrvLogType type);
  /// Records `text` as LOG_ERROR.
  static void addError(const std::string& text);
  /// Records "[<file>:<line>] <text>" as LOG_ERROR.
  static void addError(const std::string& file, int line, const std::string& text);
  /// Records `text` as LOG_WARNING.
  static void addWarning(const std::string& text);
  /// Records `text` as LOG_INFO.
  static void addInfo(const std::string& text);
  /// Records `text` as LOG_DEBUG_INFO if the debug switch is on.
  static void addDebugInfo(const std::string& text);

  /// The debug switch; false when there is no log.
  static bool logDebugMessages();
  /// Sets the debug switch (off at creation); ignored when there is no log.
  static void logDebugMessages(bool on);

  /// Number of records in the store; 0 when there is no log.
  static unsigned int countMessages();
  /// Copies the record at position `index` (0 is the oldest) into the
  /// out-arguments; leaves them unchanged when there is no such record.
  /// @param index position in the store, from 0 (oldest) to countMessages() - 1.
  /// @param text receives the message text.
  /// @param type receives the message type.
  /// @param time receives the record's time, in seconds since the log was created.
  static void getMessage(int index, std::string& text, EtrvLogType& type, double& time);
  /// Position of the most recent LOG_ERROR record, or -1 if there is none.
  static int getLastErrorMessageId();

  /// Writes the header "Tarvo log file" and every record, oldest first, to the
  /// file at `path` (created or truncated). Nothing happens if it cannot be
  /// opened. Callers that need the dump can check the result; ignoring it is
  /// fine.
  /// @return TR_OK when the whole dump was written and the file closed;
  ///         TR_ERROR when there is no log, `path` holds a NUL byte (no file
  ///         is touched then), the file cannot be opened, or a write or the
  ///         close fails (the file may then hold part of the dump). On
  ///         TR_ERROR, errno tells why as the system reported it (EINVAL for
  ///         a NUL byte; left unchanged when there is no log).
  static trStatus writeLog(const std::string& path);
  /// Records every non-empty line of `stream` with the given type. Reading
  /// stops at the end of the stream, or after recording the first 999
  /// characters of a longer line (the stream is then left failed). The stream
  /// is consumed even when there is no log.
  static void writeLog(std::istream& stream, EtrvLogType type);

 private:
  explicit CtrvLogManager(const std::string& path);

  void addLog(const std::string& text, EtrvLogType type);
  trStatus writeLogToFile(const std::string& path) const;
  double getTimeInSeconds() const;
  std::string lastLog(EtrvLogType type) const;
  std::string lastError() const;
  void writeLiveLine(double time, EtrvLogType type, const std::string& text);

  std::unique_ptr<CtrvLogMessageStore> m_messages;  ///< The records, oldest first.
  CtrvTime m_chronometer;
  std::FILE* m_logFile;
  bool m_logFileFailed;  ///< A write or flush to the live log file has failed.
  bool m_logDebugMessages;
  std::string m_lineBuffer;  ///< Reused for the live lines, to avoid an allocation per message.

  static CtrvLogManager* s_logManager;
};

#endif
