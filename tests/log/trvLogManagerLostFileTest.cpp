#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/trvTestSupport.h"

namespace {

using Log = CtrvLogManager;

std::string lastRecordedText() {
  std::string text;
  Log::EtrvLogType type = Log::LOG_ERROR;
  double time = 0.0;
  Log::getMessage(static_cast<int>(Log::countMessages()) - 1, text, type, time);
  return text;
}

// The live file is deleted, then its folder, while messages keep coming: the
// store keeps every record, and dumps still work where a file can be made.
// A dump into a folder that does not exist makes nothing and changes nothing.
TEST(LogManagerLosingItsFile, KeepsRecordingAndDumpsOnlyWhereItCan) {
  const trvTest::TempDir dir;
  const std::string folder = dir.file("live");
  std::filesystem::create_directory(folder);
  const std::string live = folder + "/live.log";
  Log::createInstance(live);
  for (int i = 0; i < 10; ++i) Log::addInfo("before " + std::to_string(i));
  ASSERT_EQ(trvTest::splitLines(trvTest::readFile(live)).size(), 10u);

  ASSERT_EQ(std::remove(live.c_str()), 0);
  for (int i = 0; i < 500; ++i) Log::addWarning("deleted " + std::to_string(i));
  std::filesystem::remove(folder);
  ASSERT_FALSE(std::filesystem::exists(folder));
  for (int i = 0; i < 500; ++i) Log::addError("folder gone " + std::to_string(i));
  EXPECT_EQ(Log::countMessages(), 1010u);
  EXPECT_EQ(lastRecordedText(), "folder gone 499");
  EXPECT_EQ(Log::getLastErrorMessageId(), 1009);
  EXPECT_FALSE(std::filesystem::exists(live));

  Log::writeLog(dir.file("missing/dump.log"));
  Log::writeLog(live);  // its folder is gone too
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_EQ(Log::countMessages(), 1010u);

  Log::writeLog(dir.file("dump.log"));
  const auto lines = trvTest::splitLines(trvTest::readFile(dir.file("dump.log")));
  ASSERT_EQ(lines.size(), 1012u);
  EXPECT_NE(lines[2].find("message: before 0"), std::string::npos);
  EXPECT_NE(lines[511].find("type: Warning\tmessage: deleted 499"), std::string::npos);
  EXPECT_NE(lines[1011].find("type: Error\tmessage: folder gone 499"), std::string::npos);
}

}  // namespace
