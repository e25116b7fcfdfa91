#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Delegate = CtrvNotifyingProgressDelegate;
using Notification = boost::shared_ptr<const CtrvNotification>;

// A notification and what the delegate said while it was being delivered.
struct Seen {
  Notification notification;
  bool started;
  unsigned int step;
  double lastProgress;
  std::string lastMessage;
};

class Observer {
 public:
  // Subscribes on the delegate's notificator; the delegate must outlive the
  // last notification delivered here.
  Observer(const Delegate& delegate, unsigned int type)
      : m_delegate(&delegate), m_notificator(delegate.notificator()) {
    m_notificator->subscribe(type, this, &Observer::onNotification);
  }
  ~Observer() { m_notificator->unsubscribe(this); }

  void onNotification(const Notification& notification) {
    seen.push_back({notification, m_delegate->hasStarted(), m_delegate->step(),
                    m_delegate->lastProgress(), m_delegate->lastMessage()});
    if (throwOnReport && notification->type() == Delegate::DID_REPORT) {
      throw std::runtime_error("observer failure");
    }
  }
  std::vector<unsigned int> types() const {
    std::vector<unsigned int> result;
    for (const Seen& one : seen) result.push_back(one.notification->type());
    return result;
  }

  std::vector<Seen> seen;
  bool throwOnReport = false;

 private:
  const Delegate* m_delegate;
  boost::shared_ptr<CtrvNotificator> m_notificator;
};

TEST(CtrvNotifyingProgressDelegate, IdentifiersFollowAnyTypeAndSpellTheirNames) {
  EXPECT_EQ(CtrvNotificator::ANY_TYPE, 1u);
  EXPECT_EQ((std::vector<unsigned int>{Delegate::DID_START, Delegate::DID_FINISH,
                                       Delegate::DID_CHANGE_STEP, Delegate::DID_REFRESH,
                                       Delegate::DID_REPORT}),
            (std::vector<unsigned int>{2, 3, 4, 5, 6}));
  EXPECT_EQ(CtrvNotification::nameFromType(Delegate::DID_CHANGE_STEP),
            "CtrvNotifyingProgressDelegate::DID_CHANGE_STEP");
  EXPECT_EQ(Delegate::STEP_KEY + Delegate::PROGRESS_KEY + Delegate::MESSAGE_KEY,
            "stepprogressmessage");
}

TEST(CtrvNotifyingProgressDelegate, PostsStepEventsAfterChangingTheState) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  EXPECT_NE(delegate->notificator(), CtrvNotificator::defaultNotificator());
  Observer observer(*delegate, CtrvNotificator::ANY_TYPE);
  delegate->stepCount(3);
  delegate->start();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(delegate->nextStep());
  delegate->finish();

  const unsigned int change = Delegate::DID_CHANGE_STEP;
  ASSERT_EQ(observer.types(), (std::vector<unsigned int>{Delegate::DID_START, change, change,
                                                         change, change, Delegate::DID_FINISH}));
  EXPECT_TRUE(observer.seen[0].started);
  const unsigned int expectedSteps[] = {1, 2, 3, 3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(observer.seen[1 + i].notification->unsignedIntValue(Delegate::STEP_KEY),
              expectedSteps[i]);
    EXPECT_EQ(observer.seen[1 + i].step, expectedSteps[i]);
  }
  EXPECT_FALSE(observer.seen[5].started);
}

TEST(CtrvNotifyingProgressDelegate, PostsReportsWhateverTheFlagsAndLeavesTheFlagsToObservers) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  EXPECT_TRUE(delegate->shouldReport());
  EXPECT_FALSE(delegate->cancelled());
  EXPECT_EQ(delegate->lastMessage(), "");
  EXPECT_EQ(delegate->lastProgress(), 0.0);
  Observer reports(*delegate, Delegate::DID_REPORT);
  Observer refreshes(*delegate, Delegate::DID_REFRESH);

  delegate->start();
  delegate->nextStep();
  delegate->refresh();
  delegate->finish();
  EXPECT_TRUE(reports.seen.empty());
  EXPECT_EQ(refreshes.seen.size(), 1u);

  delegate->report(0.25f, "a quarter");
  delegate->shouldReport(false);
  delegate->cancelled(true);
  delegate->start();
  delegate->report(0.1f, "unwelcome but posted");
  EXPECT_FALSE(delegate->shouldReport());
  EXPECT_TRUE(delegate->cancelled());

  ASSERT_EQ(reports.seen.size(), 2u);
  EXPECT_EQ(reports.seen[0].notification->doubleValue(Delegate::PROGRESS_KEY), 0.25);
  EXPECT_EQ(reports.seen[0].notification->stringValue(Delegate::MESSAGE_KEY), "a quarter");
  EXPECT_EQ(reports.seen[0].lastProgress, 0.25);
  EXPECT_EQ(reports.seen[0].lastMessage, "a quarter");
  // The float is widened exactly.
  EXPECT_EQ(reports.seen[1].notification->doubleValue(Delegate::PROGRESS_KEY), double{0.1f});
  EXPECT_EQ(delegate->lastMessage(), "unwelcome but posted");
}

class UninitialisedDelegate : public Delegate {};

TEST(CtrvNotifyingProgressDelegate, NamesItselfAsTheOwningSender) {
  boost::shared_ptr<Delegate> delegate = Delegate::create();
  const boost::weak_ptr<Delegate> watch = delegate;
  CtrvNotifyingProgressDelegate copy(*delegate);
  Observer observer(copy, CtrvNotificator::ANY_TYPE);  // the copy shares the notificator
  delegate->start();
  copy.refresh();
  ASSERT_EQ(observer.seen.size(), 2u);
  EXPECT_EQ(observer.seen[0].notification->sender(), delegate);
  EXPECT_EQ(observer.seen[1].notification->sender(), delegate);

  delegate.reset();
  EXPECT_FALSE(watch.expired());  // kept by the notifications the observer holds
  observer.seen.clear();
  EXPECT_TRUE(watch.expired());

  UninitialisedDelegate anonymous;
  Observer anonymousObserver(anonymous, Delegate::DID_START);
  anonymous.start();
  ASSERT_EQ(anonymousObserver.seen.size(), 1u);
  EXPECT_FALSE(anonymousObserver.seen[0].notification->sender());
}

TEST(CtrvNotifyingProgressDelegate, AnObserverExceptionLeavesTheReportAfterTheStateChange) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  Observer observer(*delegate, Delegate::DID_REPORT);
  observer.throwOnReport = true;
  EXPECT_THROW(delegate->report(0.5f, "thrown"), std::runtime_error);
  EXPECT_EQ(delegate->lastProgress(), 0.5);
  EXPECT_EQ(delegate->lastMessage(), "thrown");
}

}  // namespace
