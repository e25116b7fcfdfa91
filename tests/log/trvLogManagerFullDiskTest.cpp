// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "support/trvTestSupport.h"

// Writes that fail (a full disk) lose nothing in the store; the live file
// and the dump tell whoever asks that they are incomplete.
TEST(LogManagerOnAFullDisk, FailedWritesLoseNothingInMemoryAndAreToldOnRequest) {
  CtrvLogManager::createInstance("/dev/full");
  EXPECT_EQ(CtrvLogManager::liveLogStatus(), TR_OK);
  for (int i = 0; i < 1000; ++i) CtrvLogManager::addInfo("message " + std::to_string(i));
  EXPECT_EQ(CtrvLogManager::liveLogStatus(), TR_ERROR);
  errno = 0;
  EXPECT_EQ(CtrvLogManager::writeLog("/dev/full"), TR_ERROR);
  EXPECT_EQ(errno, ENOSPC);
  const trvTest::TempDir dir;
  EXPECT_EQ(CtrvLogManager::writeLog(dir.file("dump.log")), TR_OK);
  const std::vector<std::string> lines =
      trvTest::splitLines(trvTest::readFile(dir.file("dump.log")));
  EXPECT_EQ(lines.size(), 1002u);
  EXPECT_NE(lines.back().find("message: message 999"), std::string::npos);
}
