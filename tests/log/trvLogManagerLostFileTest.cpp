// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/trvTestSupport.h"

using Log = CtrvLogManager;

// The live file is deleted, then its folder, while messages keep coming: the
// store keeps every record, and dumps still work where a file can be made.
// A dump into a folder that does not exist makes nothing and changes nothing.
TEST(LogManagerLosingItsFile, KeepsRecordingAndDumpsOnlyWhereItCan) {
  const trvTest::TempDir dir;
  const std::string folder = dir.file("live"), live = folder + "/live.log";
  std::filesystem::create_directory(folder);
  Log::createInstance(live);
  for (int i = 0; i < 10; ++i) Log::addInfo("before " + std::to_string(i));
  ASSERT_EQ(trvTest::splitLines(trvTest::readFile(live)).size(), 10u);
  ASSERT_EQ(std::remove(live.c_str()), 0);
  for (int i = 0; i < 500; ++i) Log::addWarning("deleted " + std::to_string(i));
  ASSERT_TRUE(std::filesystem::remove(folder));
  for (int i = 0; i < 500; ++i) Log::addError("folder gone " + std::to_string(i));
  EXPECT_EQ(Log::getLastErrorMessageId(), 1009);

  Log::writeLog(dir.file("missing/dump.log"));
  Log::writeLog(live);  // its folder is gone too
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")) || std::filesystem::exists(folder));
  Log::writeLog(dir.file("dump.log"));
  const auto lines = trvTest::splitLines(trvTest::readFile(dir.file("dump.log")));
  ASSERT_EQ(lines.size(), 1012u);
  EXPECT_NE(lines[2].find("message: before 0"), std::string::npos);
  EXPECT_NE(lines[511].find("type: Warning\tmessage: deleted 499"), std::string::npos);
  EXPECT_NE(lines[1011].find("type: Error\tmessage: folder gone 499"), std::string::npos);
}
