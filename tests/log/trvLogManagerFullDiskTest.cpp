#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include "support/trvTestSupport.h"

// Writes that fail (a full disk) are ignored and the store stays complete.
TEST(LogManagerOnAFullDisk, FailedWritesLoseNothingInMemory) {
  CtrvLogManager::createInstance("/dev/full");
  for (int i = 0; i < 1000; ++i) CtrvLogManager::addInfo("message " + std::to_string(i));
  const trvTest::TempDir dir;
  CtrvLogManager::writeLog(dir.file("dump.log"));
  const std::vector<std::string> lines =
      trvTest::splitLines(trvTest::readFile(dir.file("dump.log")));
  EXPECT_EQ(lines.size(), 1002u);
  EXPECT_NE(lines.back().find("message: message 999"), std::string::npos);
}
