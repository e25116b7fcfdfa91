#include <CtrvLogManager.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "notification/trvNotificationTestSupport.h"
#include "support/trvTestSupport.h"

// Classes whose names the trace lines must show.
struct TraceSender {
  virtual ~TraceSender() = default;
};
struct TraceDerivedSender : TraceSender {};

namespace {

using trvTest::CountingCallback;
using trvTest::Journal;
using trvTest::Notification;
using trvTest::Recorder;
using Lines = std::vector<std::string>;

const trvTest::TempDir& logDir() {
  static const trvTest::TempDir dir;
  return dir;
}

std::string address(const void* pointer) {
  std::ostringstream text;
  text << pointer;
  return text.str();
}

// The log is process-wide: each test reads only the lines it added.
class DispatchTrace : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CtrvLogManager::createInstance(logDir().file("live.log")); }
  void SetUp() override {
    m_start = CtrvLogManager::countMessages();
    m_notificator->doesLog(true, false);
  }

  Lines newLines() const {
    Lines lines;
    for (unsigned int index = m_start; index < CtrvLogManager::countMessages(); ++index) {
      std::string text;
      CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_ERROR;
      double time = 0.0;
      CtrvLogManager::getMessage(static_cast<int>(index), text, type, time);
      EXPECT_EQ(type, CtrvLogManager::LOG_INFO);
      lines.push_back(text);
    }
    return lines;
  }

  // The dispatch id of the first new line; ids of the other lines are
  // checked relative to it, since every notify of the process takes one.
  unsigned int firstId() const {
    const Lines lines = newLines();
    return lines.empty() ? 0u : static_cast<unsigned int>(std::stoul(lines.front().substr(1)));
  }

  std::string receiveLine(unsigned int id, const CtrvNotificator& notificator,
                          const std::string& rest) const {
    return "(" + std::to_string(id) + ") Notificator " + address(&notificator) + " will dispatch " +
           rest + " to...";
  }
  static std::string dispatchLine(unsigned int id, const Recorder& receiver) {
    return "(" + std::to_string(id) + ") ... trvTest::Recorder " + address(&receiver);
  }
  static std::string nobodyLine(unsigned int id) {
    return "(" + std::to_string(id) + ") ... nobody.";
  }

  const unsigned int m_type = CtrvNotification::makeID("CtrvTraced", "DID_TRACE");
  const std::string m_typeName = "CtrvTraced::DID_TRACE";
  const boost::shared_ptr<CtrvNotificator> m_notificator = CtrvNotificator::create();
  Journal m_journal;
  unsigned int m_start = 0;
};

TEST_F(DispatchTrace, UnheardNotificationsAreTracedAsReceivedByNobody) {
  m_notificator->notify(m_type);
  const unsigned int id = firstId();
  m_notificator->notify(m_type + 100000);  // an identifier never recorded
  EXPECT_EQ(newLines(), (Lines{receiveLine(id, *m_notificator, m_typeName), nobodyLine(id),
                               receiveLine(id + 1, *m_notificator, ""), nobodyLine(id + 1)}));
  const std::string liveFile = trvTest::readFile(logDir().file("live.log"));
  EXPECT_NE(liveFile.find("\tmessage: " + nobodyLine(id + 1) + "\n"), std::string::npos);
}

TEST_F(DispatchTrace, ReceiveLineShowsThePlainSenderFirstThenTheMatchedOne) {
  const boost::shared_ptr<TraceSender> sender = boost::make_shared<TraceDerivedSender>();
  TraceSender plain;
  const auto untyped = boost::make_shared<int>();
  m_notificator->notify(CtrvNotification::create(m_type, sender));
  const unsigned int id = firstId();
  m_notificator->notify(CtrvNotification::create(m_type, boost::weak_ptr<TraceSender>(sender)));
  m_notificator->notify(CtrvNotification::create(m_type, &plain));
  m_notificator->notify(CtrvNotification::create(m_type, boost::shared_ptr<void>(untyped)));
  const std::string derived = " (sender: TraceDerivedSender " + address(sender.get()) + ")";
  EXPECT_EQ(newLines(),
            (Lines{receiveLine(id, *m_notificator, m_typeName + derived), nobodyLine(id),
                   receiveLine(id + 1, *m_notificator, m_typeName + derived), nobodyLine(id + 1),
                   receiveLine(id + 2, *m_notificator,
                               m_typeName + " (sender: TraceSender " + address(&plain) + ")"),
                   nobodyLine(id + 2),
                   receiveLine(id + 3, *m_notificator,
                               m_typeName + " (sender: ? " + address(untyped.get()) + ")"),
                   nobodyLine(id + 3)}));
}

TEST_F(DispatchTrace, OnlyActiveCallbacksGetADispatchLine) {
  Recorder first(m_journal, "first"), second(m_journal, "second"), third(m_journal, "third");
  first.subscribeTo(*m_notificator, m_type);
  second.subscribeTo(*m_notificator, m_type);
  third.subscribeTo(*m_notificator, m_type);
  first.action = [&](const Notification&) { m_notificator->unsubscribe(&second); };
  m_notificator->notify(m_type);
  const unsigned int id = firstId();
  EXPECT_EQ(newLines(), (Lines{receiveLine(id, *m_notificator, m_typeName), dispatchLine(id, first),
                               dispatchLine(id, third)}));

  // Callbacks without receiver or known class; then only inactive ones.
  const auto anonymous = boost::make_shared<CountingCallback>(nullptr);
  const auto classless = boost::make_shared<CountingCallback>(&m_journal);
  const auto other = CtrvNotificator::create();
  other->doesLog(true, false);
  other->subscribe(m_type, anonymous);
  other->subscribe(m_type, classless);
  other->notify(m_type);
  anonymous->setActive(false);
  classless->setActive(false);
  other->notify(m_type);
  const Lines lines = newLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(Lines(lines.begin() + 3, lines.end()),
            (Lines{receiveLine(id + 1, *other, m_typeName), "(" + std::to_string(id + 1) + ") ... ",
                   "(" + std::to_string(id + 1) + ") ... ? " + address(&m_journal),
                   receiveLine(id + 2, *other, m_typeName), nobodyLine(id + 2)}));
}

TEST_F(DispatchTrace, NestedAndForwardedNotificationsTakeIdsOfTheirOwn) {
  const unsigned int inner = CtrvNotification::makeID("CtrvTraced", "DID_NEST");
  const auto delegate = CtrvNotificator::create();
  ASSERT_EQ(m_notificator->delegateNotificator(delegate), TR_OK);
  Recorder poster(m_journal, "poster"), listener(m_journal, "listener");
  poster.subscribeTo(*m_notificator, m_type);
  listener.subscribeTo(*delegate, m_type);
  poster.action = [&](const Notification&) {
    CtrvLogManager::addInfo("handled");
    m_notificator->notify(inner);
  };

  m_notificator->notify(m_type);  // the delegate does not trace
  const unsigned int id = firstId();
  EXPECT_EQ(
      newLines(),
      (Lines{receiveLine(id, *m_notificator, m_typeName), dispatchLine(id, poster), "handled",
             receiveLine(id + 1, *m_notificator, "CtrvTraced::DID_NEST"), nobodyLine(id + 1)}));

  m_start = CtrvLogManager::countMessages();
  poster.action = nullptr;
  m_notificator->doesLog(true, true);
  m_notificator->notify(m_type);
  const unsigned int next = firstId();
  EXPECT_EQ(next, id + 4) << "the two untraced forwards took ids as well";
  EXPECT_EQ(
      newLines(),
      (Lines{receiveLine(next, *m_notificator, m_typeName), dispatchLine(next, poster),
             receiveLine(next + 1, *delegate, m_typeName), dispatchLine(next + 1, listener)}));

  m_start = CtrvLogManager::countMessages();
  m_notificator->doesLog(false, true);
  EXPECT_FALSE(delegate->doesLog());
  m_notificator->notify(m_type);
  EXPECT_TRUE(newLines().empty());
}

TEST_F(DispatchTrace, SwitchingTracingOffInsideASubscriberStopsTheRestOfTheDispatch) {
  Recorder quiet(m_journal, "quiet"), unseen(m_journal, "unseen");
  quiet.subscribeTo(*m_notificator, m_type);
  unseen.subscribeTo(*m_notificator, m_type);
  quiet.action = [&](const Notification&) {
    m_notificator->unsubscribe(&unseen);
    m_notificator->doesLog(false, false);
  };
  m_notificator->notify(m_type);
  const unsigned int id = firstId();
  EXPECT_EQ(newLines(),
            (Lines{receiveLine(id, *m_notificator, m_typeName), dispatchLine(id, quiet)}))
      << "neither the remaining dispatch lines nor the nobody line";
}

}  // namespace
