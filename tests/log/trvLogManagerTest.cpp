#include <CtrvLogManager.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/trvTestSupport.h"

namespace {

using Log = CtrvLogManager;

// One log per process: every test appends to it and looks only at what it
// added, so the tests do not depend on each other's order.
const trvTest::TempDir& logDir() {
  static const trvTest::TempDir dir;
  return dir;
}

std::string livePath() { return logDir().file("live.log"); }

class LogManagerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Log::createInstance(livePath()); }
};

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

// The line the log must write, built independently with a default stream.
std::string expectedLine(double time, const std::string& typeName, const std::string& text) {
  std::ostringstream timeText;
  timeText << time;
  std::string padded = timeText.str();
  if (padded.size() < 15) padded.resize(15, ' ');
  return "time: " + padded + "\ttype: " + typeName + "\tmessage: " + text + "\n";
}

// The last `length` bytes of the live log file.
std::string liveTail(std::size_t length) {
  const std::string content = trvTest::readFile(livePath());
  return content.size() < length ? content : content.substr(content.size() - length);
}

TEST_F(LogManagerTest, EachMessageIsWrittenAndFlushedAtOnceInTheLineFormat) {
  Log::addInfo("abc");
  const Message info = lastMessage();
  EXPECT_EQ(info.text, "abc");
  EXPECT_EQ(info.type, Log::LOG_INFO);
  EXPECT_GE(info.time, 0.0);
  const std::string line = expectedLine(info.time, "Info", "abc");
  EXPECT_EQ(liveTail(line.size()), line);
  EXPECT_GE(line.find("\ttype"), std::string("time: ").size() + 15);
}

TEST_F(LogManagerTest, EveryTypeIsLabelledAndUnknownValuesToo) {
  Log::logDebugMessages(true);
  const std::vector<std::pair<Log::EtrvLogType, std::string>> cases = {
      {Log::LOG_ERROR, "Error"},
      {Log::LOG_WARNING, "Warning"},
      {Log::LOG_INFO, "Info"},
      {Log::LOG_DEBUG_INFO, "DebugInfo"},
      {static_cast<Log::EtrvLogType>(4), "unknownType"},
      {static_cast<Log::EtrvLogType>(-1), "unknownType"},
  };
  for (const auto& [type, name] : cases) {
    Log::addMessage("label " + name, type);
    const Message message = lastMessage();
    EXPECT_EQ(message.type, type);
    const std::string line = expectedLine(message.time, name, "label " + name);
    EXPECT_EQ(liveTail(line.size()), line) << name;
  }
  Log::logDebugMessages(false);
}

TEST_F(LogManagerTest, MessageTextIsWrittenWholeNeverAsAFormat) {
  const std::string texts[] = {"%s%n%d %%", std::string("nul\0inside", 10), "two\nlines"};
  for (const std::string& text : texts) {
    Log::addWarning(text);
    const Message message = lastMessage();
    EXPECT_EQ(message.text, text);
    const std::string line = expectedLine(message.time, "Warning", text);
    EXPECT_EQ(liveTail(line.size()), line);
  }
}

TEST_F(LogManagerTest, DebugMessagesAreFilteredOnEveryRecordingPath) {
  ASSERT_FALSE(Log::logDebugMessages());
  const unsigned int before = Log::countMessages();
  Log::addDebugInfo("hidden 1");
  Log::addMessage("hidden 2", Log::LOG_DEBUG_INFO);
  std::istringstream hidden("hidden 3\nhidden 4\n");
  Log::writeLog(hidden, Log::LOG_DEBUG_INFO);
  EXPECT_EQ(Log::countMessages(), before);
  EXPECT_EQ(liveTail(100).find("hidden"), std::string::npos);

  Log::logDebugMessages(true);
  EXPECT_TRUE(Log::logDebugMessages());
  Log::addDebugInfo("shown 1");
  Log::addMessage("shown 2", Log::LOG_DEBUG_INFO);
  std::istringstream shown("shown 3\nshown 4\n");
  Log::writeLog(shown, Log::LOG_DEBUG_INFO);
  Log::logDebugMessages(false);
  ASSERT_EQ(Log::countMessages(), before + 4);
  for (int i = 0; i < 4; ++i) {
    const Message message = messageAt(static_cast<int>(before) + i);
    EXPECT_EQ(message.text, "shown " + std::to_string(i + 1));
    EXPECT_EQ(message.type, Log::LOG_DEBUG_INFO);
  }
}

TEST_F(LogManagerTest, ErrorWithSourcePositionAndLastErrorPosition) {
  Log::addError("alpha", 12, "oops");
  EXPECT_EQ(lastMessage().text, "[alpha:12] oops");
  EXPECT_EQ(lastMessage().type, Log::LOG_ERROR);
  Log::addError("alpha", -3, "oops");
  EXPECT_EQ(lastMessage().text, "[alpha:-3] oops");

  Log::addError("the error");
  Log::addWarning("after 1");
  Log::addWarning("after 2");
  const int errorId = Log::getLastErrorMessageId();
  EXPECT_EQ(errorId, static_cast<int>(Log::countMessages()) - 3);
  EXPECT_EQ(messageAt(errorId).text, "the error");
}

TEST_F(LogManagerTest, OutOfRangeGetMessageLeavesTheOutArgumentsAlone) {
  Log::addInfo("something");
  for (int index : {-1, static_cast<int>(Log::countMessages()), 1 << 30}) {
    const Message message = messageAt(index);
    EXPECT_EQ(message.text, "<unset>");
    EXPECT_EQ(message.type, static_cast<Log::EtrvLogType>(99));
    EXPECT_EQ(message.time, -1.0);
  }
}

TEST_F(LogManagerTest, StreamFormSkipsEmptyLinesAndStopsAfterA999CharacterPiece) {
  const unsigned int before = Log::countMessages();
  std::istringstream lines("a\n\nb");
  Log::writeLog(lines, Log::LOG_INFO);
  ASSERT_EQ(Log::countMessages(), before + 2);
  EXPECT_EQ(messageAt(static_cast<int>(before)).text, "a");
  EXPECT_EQ(messageAt(static_cast<int>(before) + 1).text, "b");

  // Exactly 999 characters still fit; 1200 are cut and reading stops.
  const std::string fits(999, 'f');
  const std::string longLine(1200, 'x');
  std::istringstream stream(fits + "\n" + longLine + "\nnever read\n");
  Log::writeLog(stream, Log::LOG_WARNING);
  EXPECT_TRUE(stream.fail());
  ASSERT_EQ(Log::countMessages(), before + 4);
  EXPECT_EQ(messageAt(static_cast<int>(before) + 2).text, fits);
  EXPECT_EQ(lastMessage().text, std::string(999, 'x'));
  EXPECT_EQ(lastMessage().type, Log::LOG_WARNING);

  std::istringstream withNul(std::string("x\0y\n", 4));
  Log::writeLog(withNul, Log::LOG_INFO);
  EXPECT_EQ(lastMessage().text, std::string("x\0y", 3));
}

TEST_F(LogManagerTest, DumpHasTheHeaderThenEveryRecordInStoreOrder) {
  Log::logDebugMessages(true);
  Log::addDebugInfo("debug in dump");
  Log::logDebugMessages(false);
  const std::string dumpPath = logDir().file("dump.log");
  Log::writeLog(dumpPath);

  std::string expected = "Tarvo log file \t\t\t\t\t\t\n\n";
  for (int i = 0; i < static_cast<int>(Log::countMessages()); ++i) {
    const Message message = messageAt(i);
    static const char* const names[] = {"Error", "Warning", "Info", "DebugInfo"};
    const bool known = message.type >= 0 && message.type <= 3;
    expected +=
        expectedLine(message.time, known ? names[message.type] : "unknownType", message.text);
  }
  EXPECT_EQ(trvTest::readFile(dumpPath), expected);
  EXPECT_NE(expected.find("type: DebugInfo\tmessage: debug in dump\n"), std::string::npos);
  // The live file carries no header.
  EXPECT_EQ(trvTest::readFile(livePath()).rfind("time: ", 0), 0u);
}

TEST_F(LogManagerTest, DumpToAnUnopenablePathDoesNothing) {
  const unsigned int before = Log::countMessages();
  Log::writeLog(logDir().file("missing/dir/dump.log"));
  Log::writeLog(logDir().path());
  Log::writeLog(std::string());
  EXPECT_FALSE(std::filesystem::exists(logDir().file("missing")));
  EXPECT_EQ(Log::countMessages(), before);
}

TEST_F(LogManagerTest, ASecondCreateInstanceChangesNothing) {
  const std::string otherPath = logDir().file("other.log");
  Log::createInstance(otherPath);
  EXPECT_FALSE(std::filesystem::exists(otherPath));
  Log::addInfo("still the first file");
  EXPECT_NE(liveTail(30).find("still the first file"), std::string::npos);
}

TEST_F(LogManagerTest, TheStoreIsBoundedTo100001RecordsDroppingTheOldest) {
  while (Log::countMessages() < Log::s_maxNbMessages + 1) Log::addInfo("filler");
  Log::addInfo("marker before");
  ASSERT_EQ(Log::countMessages(), 100001u);
  const Message second = messageAt(1);
  const Message third = messageAt(2);

  Log::addInfo("pushes one out");
  EXPECT_EQ(Log::countMessages(), 100001u);
  const Message first = messageAt(0);
  EXPECT_EQ(first.text, second.text);
  EXPECT_EQ(first.time, second.time);
  EXPECT_EQ(messageAt(1).text, third.text);
  EXPECT_EQ(lastMessage().text, "pushes one out");
  EXPECT_EQ(messageAt(100000 - 1).text, "marker before");
}

}  // namespace
