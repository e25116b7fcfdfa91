#include <CtrvLogManager.h>
#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <optional>
#include <sstream>

#include "notification/trvNotificationTestSupport.h"
#include "support/trvTestSupport.h"

// Classes whose names the trace lines must show.
struct TraceSender {
  virtual ~TraceSender() = default;
};
struct TraceDerivedSender : TraceSender {};

namespace {

using trvTest::Notification;
using trvTest::PlainCallback;
using trvTest::Recorder;

const trvTest::TempDir& logDir() {
  static const trvTest::TempDir dir;
  return dir;
}

std::string address(const void* pointer) {
  std::ostringstream text;
  text << pointer;
  return text.str();
}

// The log is process-wide: each test reads only the lines it added, and
// numbers dispatch ids from its first one, since every notify takes one.
class DispatchTrace : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CtrvLogManager::createInstance(logDir().file("live.log")); }
  void SetUp() override { notificator->doesLog(true, false); }

  // The lines added since the last call; "(<first id + n>)" becomes "#n".
  std::string newLines() {
    std::string lines;
    for (; m_read < CtrvLogManager::countMessages(); ++m_read) {
      std::string text;
      CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_ERROR;
      double time = 0.0;
      CtrvLogManager::getMessage(static_cast<int>(m_read), text, type, time);
      EXPECT_EQ(type, CtrvLogManager::LOG_INFO);
      if (text[0] == '(') {
        const unsigned long id = std::stoul(text.substr(1));
        if (!m_firstId) m_firstId = id;
        text = "#" + std::to_string(id - *m_firstId) + text.substr(text.find(')') + 1);
      }
      lines += text + "\n";
    }
    return lines;
  }
  static std::string receive(int id, const CtrvNotificator& by, const std::string& what) {
    return "#" + std::to_string(id) + " Notificator " + address(&by) + " will dispatch " + what +
           " to...\n";
  }
  static std::string dispatch(int id, const Recorder& to) {
    return "#" + std::to_string(id) + " ... trvTest::Recorder " + address(&to) + "\n";
  }
  static std::string nobody(int id) { return "#" + std::to_string(id) + " ... nobody.\n"; }

  const unsigned int t = CtrvNotification::makeID("CtrvTraced", "DID_TRACE");
  const std::string name = "CtrvTraced::DID_TRACE";
  const boost::shared_ptr<CtrvNotificator> notificator = CtrvNotificator::create();
  std::string journal;
  Recorder a{journal, "a"}, b{journal, "b"}, c{journal, "c"};

 private:
  unsigned int m_read = CtrvLogManager::countMessages();
  std::optional<unsigned long> m_firstId;
};

TEST_F(DispatchTrace, ReceiveLineNamesTheTypeAndShowsThePlainSenderFirst) {
  const boost::shared_ptr<TraceSender> sender = boost::make_shared<TraceDerivedSender>();
  TraceSender plain;
  const boost::shared_ptr<void> untyped = boost::make_shared<int>();
  notificator->notify(t);
  notificator->notify(t + 100000);  // never recorded
  notificator->notify(CtrvNotification::create(t, sender));
  notificator->notify(CtrvNotification::create(t, &plain));
  notificator->notify(CtrvNotification::create(t, untyped));
  const auto from = [](const std::string& what, const void* where) {
    return " (sender: " + what + " " + address(where) + ")";
  };
  EXPECT_EQ(newLines(),
            receive(0, *notificator, name) + nobody(0) + receive(1, *notificator, "") + nobody(1) +
                receive(2, *notificator, name + from("TraceDerivedSender", sender.get())) +
                nobody(2) + receive(3, *notificator, name + from("TraceSender", &plain)) +
                nobody(3) + receive(4, *notificator, name + from("?", untyped.get())) + nobody(4));
  EXPECT_NE(trvTest::readFile(logDir().file("live.log")).find("\tmessage: ("), std::string::npos);
}

TEST_F(DispatchTrace, OnlyCallbacksActiveAtTheirTurnGetADispatchLine) {
  a.listen(*notificator, t);
  b.listen(*notificator, t);
  c.listen(*notificator, t);
  a.action = [&](const Notification&) { notificator->unsubscribe(&b); };
  notificator->notify(t);
  EXPECT_EQ(newLines(), receive(0, *notificator, name) + dispatch(0, a) + dispatch(0, c));
  a.action = [&](const Notification&) { notificator->doesLog(false, false); };
  notificator->notify(t);
  EXPECT_EQ(newLines(), receive(1, *notificator, name) + dispatch(1, a))
      << "switched off: no more dispatch lines, no nobody line";

  const auto other = CtrvNotificator::create();
  other->doesLog(true, false);
  const auto anonymous = boost::make_shared<PlainCallback>(nullptr);
  const auto classless = boost::make_shared<PlainCallback>(&journal);
  other->subscribe(t, anonymous);
  other->subscribe(t, classless);
  other->notify(t);
  anonymous->setActive(false);
  classless->setActive(false);
  other->notify(t);
  EXPECT_EQ(newLines(), receive(2, *other, name) + "#2 ... \n#2 ... ? " + address(&journal) + "\n" +
                            receive(3, *other, name) + nobody(3));
}

TEST_F(DispatchTrace, NestedAndForwardedNotificationsAreTracedUnderIdsOfTheirOwn) {
  const auto delegate = CtrvNotificator::create();
  notificator->delegateNotificator(delegate);
  a.listen(*notificator, t);
  b.listen(*delegate, t);
  a.action = [&](const Notification&) {
    CtrvLogManager::addInfo("handling");
    notificator->notify(CtrvNotification::makeID("CtrvTraced", "DID_NEST"));
    a.action = nullptr;
  };
  notificator->notify(t);  // the delegate does not trace
  EXPECT_EQ(newLines(), receive(0, *notificator, name) + dispatch(0, a) + "handling\n" +
                            receive(1, *notificator, "CtrvTraced::DID_NEST") + nobody(1));
  notificator->doesLog(true, true);
  notificator->notify(t);  // ids 2 and 3 went to the untraced forwards
  EXPECT_EQ(newLines(), receive(4, *notificator, name) + dispatch(4, a) +
                            receive(5, *delegate, name) + dispatch(5, b));
  notificator->doesLog(false, true);
  notificator->notify(t);
  EXPECT_EQ(newLines(), "");
}

}  // namespace
