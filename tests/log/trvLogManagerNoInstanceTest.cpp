// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/trvTestSupport.h"

using Log = CtrvLogManager;

// One test, in this order: the operations before the log exists, then a log
// whose live file cannot be opened.
TEST(LogManagerWithoutInstance, EverythingIsANoOpUntilCreatedThenFileErrorsAreSilent) {
  Log::addError("alpha", 1, "lost");
  Log::logDebugMessages(true);
  std::string text = "untouched";
  Log::EtrvLogType type = Log::LOG_WARNING;
  double time = 42.0;
  Log::getMessage(0, text, type, time);
  EXPECT_EQ(std::make_tuple(text, type, time),
            std::make_tuple("untouched", Log::LOG_WARNING, 42.0));
  EXPECT_EQ(Log::liveLogStatus(), TR_ERROR);
  const trvTest::TempDir dir;
  EXPECT_EQ(Log::writeLog(dir.file("dump.log")), TR_ERROR);
  EXPECT_FALSE(std::filesystem::exists(dir.file("dump.log")));

  Log::createInstance(dir.file("missing/live.log"));
  EXPECT_EQ(Log::liveLogStatus(), TR_ERROR);
  EXPECT_FALSE(Log::logDebugMessages()) << "the switch set before creation must not stick";
  Log::addInfo("kept");
  EXPECT_EQ(Log::countMessages(), 1u);
  Log::writeLog(dir.file("dump.log"));
  EXPECT_NE(trvTest::readFile(dir.file("dump.log")).find("message: kept\n"), std::string::npos);
}
