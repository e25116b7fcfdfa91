#ifndef TRV_MEMORY_TEST_LOG_H
#define TRV_MEMORY_TEST_LOG_H

// The log of the memory test process: one instance with a live file in a
// private temporary folder, shared by every suite of the process.

#include <CtrvLogManager.h>

#include <string>

#include "support/trvTestSupport.h"

namespace trvMemoryTest {

inline void createLog() {
  static const trvTest::TempDir dir;
  CtrvLogManager::createInstance(dir.file("live.log"));
}

struct LogRecord {
  std::string text;
  CtrvLogManager::EtrvLogType type;
};

inline LogRecord lastLogRecord() {
  LogRecord record{"<none>", static_cast<CtrvLogManager::EtrvLogType>(-1)};
  double time = 0.0;
  CtrvLogManager::getMessage(static_cast<int>(CtrvLogManager::countMessages()) - 1, record.text,
                             record.type, time);
  return record;
}

}  // namespace trvMemoryTest

#endif
