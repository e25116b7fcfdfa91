// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>

#include <sstream>

#include "notification/trvNotificationTestSupport.h"
#include "support/trvTestSupport.h"

// A class whose name the trace lines must show.
struct Sender {
  virtual ~Sender() = default;
};
struct DerivedSender : Sender {};

namespace {

const trvTest::TempDir kDir;

std::string address(const void* pointer) {
  std::ostringstream text;
  text << pointer;
  return text.str();
}

// The log is process-wide: each test reads only the lines it added, and
// numbers dispatch ids from its first one, since every notify takes one.
class DispatchTrace : public trvTest::NotificatorTest {
 protected:
  static void SetUpTestSuite() { CtrvLogManager::createInstance(kDir.file("live.log")); }
  void SetUp() override { notificator->doesLog(true, false); }

  // The lines added since the last call; "(<first id + n>)" becomes "#n".
  std::string newLines() {
    std::string lines, text;
    CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_ERROR;
    for (double time = 0.0; m_read < CtrvLogManager::countMessages(); ++m_read) {
      CtrvLogManager::getMessage(static_cast<int>(m_read), text, type, time);
      EXPECT_EQ(type, CtrvLogManager::LOG_INFO);
      const unsigned long id = std::stoul(text.substr(1));
      m_firstId = m_firstId < 0 ? static_cast<long>(id) : m_firstId;
      lines += "#" + std::to_string(static_cast<long>(id) - m_firstId) +
               text.substr(text.find(')') + 1) + "\n";
    }
    return lines;
  }
  std::string receive(int id, const std::string& what, const CtrvNotificator* by = nullptr) {
    return "#" + std::to_string(id) + " Notificator " + address(by ? by : notificator.get()) +
           " will dispatch " + what + " to...\n";
  }
  static std::string to(int id, const std::string& receiver) {
    return "#" + std::to_string(id) + " ... " + receiver + "\n";
  }
  const std::string name = "CtrvTraced::DID_TRACE";

 private:
  unsigned int m_read = CtrvLogManager::countMessages();
  long m_firstId = -1;
};

TEST_F(DispatchTrace, OneReceiveLineThenOneLinePerActiveReceiverUnderIdsOfTheirOwn) {
  const boost::shared_ptr<Sender> derived = boost::make_shared<DerivedSender>();
  notificator->notify(CtrvNotification::create(t, derived));
  notificator->notify(CtrvNotification::create(t + 100000, sender));  // a type never made
  // A receiver switched off before its turn gets no line; a nested
  // notification is traced apart.
  a.listen(*notificator, t);
  b.listen(*notificator, t);
  notificator->subscribe(t, boost::make_shared<trvTest::PlainCallback>(&journal));
  a.action = [&](const auto&) {
    notificator->unsubscribe(&b);
    notificator->notify(u);
  };
  notificator->notify(t);
  EXPECT_EQ(newLines(),
            receive(0, name + " (sender: DerivedSender " + address(derived.get()) + ")") +
                to(0, "nobody.") + receive(1, " (sender: ? " + address(sender.get()) + ")") +
                to(1, "nobody.") + receive(2, name) + to(2, "trvTest::Recorder " + address(&a)) +
                receive(3, "CtrvTraced::DID_NEST") + to(3, "nobody.") +
                to(2, "? " + address(&journal)));

  // Forwarded, a notification takes a new id at each notificator; nothing is
  // traced once the trace is switched off.
  const auto delegate = CtrvNotificator::create(notificator);
  b.listen(*delegate, t);
  notificator->doesLog(false, false);
  delegate->doesLog(true, true);  // switches the whole chain on
  a.action = [&](const auto&) { notificator->doesLog(false, false); };
  delegate->notify(t);
  EXPECT_EQ(newLines(), receive(4, name, delegate.get()) +
                            to(4, "trvTest::Recorder " + address(&b)) + receive(5, name) +
                            to(5, "trvTest::Recorder " + address(&a)));
}

// Whether a receiver was active is noted with tracing off too: switched on
// by the only receiver, tracing writes the lines of what that receiver posts
// (numbered from 0 here) and no nobody line for the notification it received.
TEST_F(DispatchTrace, TracingSwitchedOnMidDispatchWritesNoFalseNobodyLine) {
  notificator->doesLog(false, false);
  a.listen(*notificator, t);
  a.action = [&](const auto&) {
    notificator->doesLog(true, false);
    notificator->notify(u);
  };
  notificator->notify(t);
  EXPECT_EQ(newLines(), receive(0, "CtrvTraced::DID_NEST") + to(0, "nobody."));
}

}  // namespace
