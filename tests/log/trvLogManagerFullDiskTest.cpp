#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include "support/trvTestSupport.h"

namespace {

using Log = CtrvLogManager;

// Writes that fail (a full disk) are ignored and the store stays complete.
TEST(LogManagerOnAFullDisk, FailedWritesLoseNothingInMemory) {
  Log::createInstance("/dev/full");
  for (int i = 0; i < 1000; ++i) Log::addInfo("message " + std::to_string(i));
  ASSERT_EQ(Log::countMessages(), 1000u);
  std::string text;
  Log::EtrvLogType type = Log::LOG_ERROR;
  double time = 0.0;
  Log::getMessage(999, text, type, time);
  EXPECT_EQ(text, "message 999");

  const trvTest::TempDir dir;
  Log::writeLog(dir.file("dump.log"));
  EXPECT_EQ(trvTest::splitLines(trvTest::readFile(dir.file("dump.log"))).size(), 1002u);
}

}  // namespace
