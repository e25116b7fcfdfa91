// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

#include "support/trvTestSupport.h"

using Log = CtrvLogManager;

// One log per process, made before any test runs: every test looks only at
// what it added.
const trvTest::TempDir kDir;
const std::string kLive = kDir.file("live.log");
[[maybe_unused]] const bool kLogCreated = (Log::createInstance(kLive), true);

struct Message {
  std::string text;
  Log::EtrvLogType type;
  double time;
};

Message messageAt(int index) {
  Message message{"<unset>", static_cast<Log::EtrvLogType>(99), -1.0};
  Log::getMessage(index, message.text, message.type, message.time);
  return message;
}

Message lastMessage() { return messageAt(static_cast<int>(Log::countMessages()) - 1); }

// Every stored record as the log must write it, built independently.
std::string expectedRecords() {
  static const char* const names[] = {"Error", "Warning", "Info", "DebugInfo"};
  std::ostringstream lines;
  for (int i = 0; i < static_cast<int>(Log::countMessages()); ++i) {
    const Message message = messageAt(i);
    const bool known = message.type >= 0 && message.type <= 3;
    lines << "time: " << std::left << std::setw(15) << message.time
          << "\ttype: " << (known ? names[message.type] : "unknownType")
          << "\tmessage: " << message.text << "\n";
  }
  return lines.str();
}

// Read while the log is open: each record is flushed at once.
TEST(LogManager, EachRecordIsWrittenAtOnceInTheLineFormatAndDebugOnesOnlyWhenAsked) {
  Log::createInstance(kDir.file("other.log"));  // a second one changes nothing
  const std::pair<Log::EtrvLogType, std::string> cases[] = {
      {Log::LOG_ERROR, "%s%n%d %%"},           {Log::LOG_WARNING, std::string("nul\0in", 6)},
      {Log::LOG_INFO, "two\nlines"},           {Log::LOG_INFO, ""},
      {static_cast<Log::EtrvLogType>(4), "?"}, {static_cast<Log::EtrvLogType>(-1), "?"}};
  for (const auto& [type, text] : cases) {
    Log::addMessage(text, type);
    EXPECT_EQ(lastMessage().text + std::to_string(lastMessage().type), text + std::to_string(type));
  }
  Log::addError("alpha", -3, "oops");
  Log::addWarning("after");
  EXPECT_EQ(messageAt(Log::getLastErrorMessageId()).text, "[alpha:-3] oops");
  // Out of range, the out arguments are left alone.
  EXPECT_EQ(messageAt(Log::countMessages()).text + messageAt(-1).text, "<unset><unset>");

  for (const bool shown : {true, false}) {
    Log::logDebugMessages(shown);
    const unsigned int before = Log::countMessages();
    Log::addDebugInfo("debug 1");
    Log::addMessage("debug 2", Log::LOG_DEBUG_INFO);
    std::istringstream lines("debug 3\ndebug 4\n");
    Log::writeLog(lines, Log::LOG_DEBUG_INFO);
    EXPECT_EQ(Log::countMessages(), before + (shown ? 4u : 0u));
  }
  EXPECT_EQ(trvTest::readFile(kLive), expectedRecords());
  EXPECT_EQ(Log::liveLogStatus(), TR_OK);
  // The dump has a header, then every record in store order.
  EXPECT_EQ(Log::writeLog(kDir.file("dump.log")), TR_OK);
  EXPECT_EQ(Log::writeLog(kDir.file("missing/dump.log")), TR_ERROR);
  EXPECT_EQ(trvTest::readFile(kDir.file("dump.log")),
            "Tarvo log file \t\t\t\t\t\t\n\n" + expectedRecords());
}

TEST(LogManager, StreamFormSkipsEmptyLinesAndStopsAfterA999CharacterPiece) {
  const int before = static_cast<int>(Log::countMessages());
  const std::string fits(999, 'f');
  std::istringstream stream("a\n\n" + fits + "\n" + std::string(1200, 'x') + "\nnever read\n");
  Log::writeLog(stream, Log::LOG_WARNING);
  EXPECT_TRUE(stream.fail());
  ASSERT_EQ(Log::countMessages(), before + 3u);
  EXPECT_EQ(messageAt(before).text + messageAt(before + 1).text, "a" + fits);
  EXPECT_EQ(lastMessage().text, std::string(999, 'x'));
}

TEST(LogManager, TheStoreIsBoundedTo100001RecordsDroppingTheOldest) {
  for (int i = static_cast<int>(Log::countMessages()); i < 100001; ++i)
    Log::addInfo("filler " + std::to_string(i));
  ASSERT_EQ(Log::countMessages(), 100001u);
  const std::string second = messageAt(1).text;
  Log::addInfo("pushes one out");
  EXPECT_EQ(Log::countMessages(), 100001u);
  EXPECT_EQ(messageAt(0).text, second);
}
