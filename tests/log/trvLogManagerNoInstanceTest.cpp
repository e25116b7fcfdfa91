#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/trvTestSupport.h"

namespace {

using Log = CtrvLogManager;

// One test, in this order: the operations before the log exists, then a log
// whose live file cannot be opened.
TEST(LogManagerWithoutInstance, EverythingIsANoOpUntilCreatedThenFileErrorsAreSilent) {
  Log::addInfo("lost");
  Log::addError("alpha", 1, "lost");
  Log::addMessage("lost", Log::LOG_WARNING);
  EXPECT_EQ(Log::countMessages(), 0u);
  EXPECT_EQ(Log::getLastErrorMessageId(), -1);
  EXPECT_FALSE(Log::logDebugMessages());
  Log::logDebugMessages(true);
  EXPECT_FALSE(Log::logDebugMessages());

  std::string text = "untouched";
  Log::EtrvLogType type = Log::LOG_WARNING;
  double time = 42.0;
  Log::getMessage(0, text, type, time);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(type, Log::LOG_WARNING);
  EXPECT_EQ(time, 42.0);

  const trvTest::TempDir dir;
  Log::writeLog(dir.file("dump.log"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("dump.log")));

  // The stream form still consumes its stream.
  std::istringstream stream("one\ntwo\n");
  Log::writeLog(stream, Log::LOG_INFO);
  EXPECT_TRUE(stream.eof());
  EXPECT_EQ(Log::countMessages(), 0u);

  // A live file in a missing directory: no file, no crash, memory only.
  Log::createInstance(dir.file("missing/live.log"));
  EXPECT_FALSE(Log::logDebugMessages()) << "the switch set before creation must not stick";
  Log::addInfo("kept");
  EXPECT_EQ(Log::countMessages(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
  Log::writeLog(dir.file("dump.log"));
  EXPECT_NE(trvTest::readFile(dir.file("dump.log")).find("message: kept\n"), std::string::npos);
}

}  // namespace
