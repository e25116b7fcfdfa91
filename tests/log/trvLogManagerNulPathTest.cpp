// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/trvTestSupport.h"

using Log = CtrvLogManager;

// The system would cut a path at its NUL byte and write "<dir>/cut"; both the
// live file and a dump refuse such a path instead and make nothing.
TEST(LogManagerWithANulInAPath, RefusesThePathInsteadOfCuttingIt) {
  const trvTest::TempDir dir;
  const std::string cut = dir.file("cut");
  Log::createInstance(cut + std::string(1, '\0') + "/live.log");
  Log::addInfo("kept in memory");
  EXPECT_EQ(Log::countMessages(), 1u);
  EXPECT_EQ(Log::liveLogStatus(), TR_ERROR);

  errno = 0;
  EXPECT_EQ(Log::writeLog(cut + std::string(1, '\0') + ".log"), TR_ERROR);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a file was made at the cut path";

  EXPECT_EQ(Log::writeLog(dir.file("dump.log")), TR_OK);
  EXPECT_NE(trvTest::readFile(dir.file("dump.log")).find("message: kept in memory\n"),
            std::string::npos);
}
