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

// What an observer saw of one notification, and of the delegate while
// handling it.
struct Seen {
  unsigned int type;
  Notification notification;
  bool startedDuring;
  unsigned int stepDuring;
  double lastProgressDuring;
  std::string lastMessageDuring;
};

class Observer {
 public:
  // Subscribes on the delegate's notificator; the delegate must outlive its
  // last notification to this observer.
  explicit Observer(const Delegate& delegate)
      : m_delegate(&delegate), m_notificator(delegate.notificator()) {}
  ~Observer() { m_notificator->unsubscribe(this); }

  void subscribe(unsigned int type) {
    m_notificator->subscribe(type, this, &Observer::onNotification);
  }
  void onNotification(const Notification& notification) {
    seen.push_back({notification->type(), notification, m_delegate->hasStarted(),
                    m_delegate->step(), m_delegate->lastProgress(), m_delegate->lastMessage()});
    if (throwOnReport && notification->type() == Delegate::DID_REPORT) {
      throw std::runtime_error("observer failure");
    }
  }
  std::vector<unsigned int> types() const {
    std::vector<unsigned int> result;
    for (const Seen& one : seen) result.push_back(one.type);
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
  EXPECT_EQ(Delegate::DID_START, 2u);
  EXPECT_EQ(Delegate::DID_FINISH, 3u);
  EXPECT_EQ(Delegate::DID_CHANGE_STEP, 4u);
  EXPECT_EQ(Delegate::DID_REFRESH, 5u);
  EXPECT_EQ(Delegate::DID_REPORT, 6u);
  EXPECT_EQ(CtrvNotification::nameFromType(Delegate::DID_START),
            "CtrvNotifyingProgressDelegate::DID_START");
  EXPECT_EQ(CtrvNotification::nameFromType(Delegate::DID_REPORT),
            "CtrvNotifyingProgressDelegate::DID_REPORT");
  EXPECT_EQ(Delegate::STEP_KEY, "step");
  EXPECT_EQ(Delegate::PROGRESS_KEY, "progress");
  EXPECT_EQ(Delegate::MESSAGE_KEY, "message");
}

TEST(CtrvNotifyingProgressDelegate, NewDelegateWelcomesReportsAndWorksWithoutObservers) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  EXPECT_EQ(delegate->stepCount(), 1u);
  EXPECT_EQ(delegate->step(), 0u);
  EXPECT_FALSE(delegate->hasStarted());
  EXPECT_TRUE(delegate->shouldReport());
  EXPECT_FALSE(delegate->cancelled());
  EXPECT_EQ(delegate->lastMessage(), "");
  EXPECT_EQ(delegate->lastProgress(), 0.0);
  ASSERT_TRUE(delegate->notificator());
  EXPECT_NE(delegate->notificator(), CtrvNotificator::defaultNotificator());
  EXPECT_NE(delegate->notificator(), Delegate::create()->notificator());

  delegate->start();
  EXPECT_TRUE(delegate->nextStep());
  delegate->report(0.5f, "alone");
  delegate->refresh();
  delegate->finish();
  EXPECT_EQ(delegate->step(), 1u);
  EXPECT_EQ(delegate->lastMessage(), "alone");
}

TEST(CtrvNotifyingProgressDelegate, PostsStepEventsAfterChangingTheState) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  Observer observer(*delegate);
  observer.subscribe(CtrvNotificator::ANY_TYPE);
  delegate->stepCount(3);

  delegate->start();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(delegate->nextStep());
  delegate->finish();

  const unsigned int change = Delegate::DID_CHANGE_STEP;
  ASSERT_EQ(observer.types(), (std::vector<unsigned int>{Delegate::DID_START, change, change,
                                                         change, change, Delegate::DID_FINISH}));
  EXPECT_TRUE(observer.seen[0].startedDuring);
  EXPECT_EQ(observer.seen[0].stepDuring, 0u);
  const unsigned int expectedSteps[] = {1, 2, 3, 3};
  for (int i = 0; i < 4; ++i) {
    const Seen& step = observer.seen[1 + i];
    EXPECT_EQ(step.notification->unsignedIntValue(Delegate::STEP_KEY), expectedSteps[i]);
    EXPECT_EQ(step.stepDuring, expectedSteps[i]);
  }
  EXPECT_FALSE(observer.seen[5].startedDuring);
}

TEST(CtrvNotifyingProgressDelegate, ReportsCarryProgressAndMessageWhateverTheFlags) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  Observer reportsOnly(*delegate);
  reportsOnly.subscribe(Delegate::DID_REPORT);
  Observer refreshesOnly(*delegate);
  refreshesOnly.subscribe(Delegate::DID_REFRESH);

  delegate->start();
  delegate->nextStep();
  delegate->refresh();
  delegate->finish();
  EXPECT_TRUE(reportsOnly.seen.empty());
  ASSERT_EQ(refreshesOnly.seen.size(), 1u);
  EXPECT_EQ(refreshesOnly.seen[0].lastMessageDuring, "");

  delegate->report(0.25f, "a quarter");
  delegate->shouldReport(false);
  EXPECT_FALSE(delegate->shouldReport());
  delegate->report(0.1f, "unwelcome but posted");

  ASSERT_EQ(reportsOnly.seen.size(), 2u);
  const Seen& quarter = reportsOnly.seen[0];
  EXPECT_EQ(quarter.notification->doubleValue(Delegate::PROGRESS_KEY), 0.25);
  EXPECT_EQ(quarter.notification->stringValue(Delegate::MESSAGE_KEY), "a quarter");
  EXPECT_EQ(quarter.lastProgressDuring, 0.25);
  EXPECT_EQ(quarter.lastMessageDuring, "a quarter");
  // The float is widened exactly, not re-rounded through a decimal.
  EXPECT_EQ(reportsOnly.seen[1].notification->doubleValue(Delegate::PROGRESS_KEY),
            static_cast<double>(0.1f));
  EXPECT_EQ(delegate->lastProgress(), static_cast<double>(0.1f));
  EXPECT_EQ(delegate->lastMessage(), "unwelcome but posted");
  EXPECT_EQ(refreshesOnly.seen.size(), 1u);
}

TEST(CtrvNotifyingProgressDelegate, FlagsChangeOnlyThroughTheirSetters) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  delegate->cancelled(true);
  delegate->shouldReport(false);
  delegate->start();
  delegate->finish();
  delegate->start();
  EXPECT_TRUE(delegate->cancelled());
  EXPECT_FALSE(delegate->shouldReport());
  delegate->cancelled(false);
  delegate->shouldReport(true);
  EXPECT_FALSE(delegate->cancelled());
  EXPECT_TRUE(delegate->shouldReport());
}

class UninitialisedDelegate : public Delegate {
 public:
  UninitialisedDelegate() = default;
};

TEST(CtrvNotifyingProgressDelegate, NamesItselfAsOwningSender) {
  boost::shared_ptr<Delegate> delegate = Delegate::create();
  const boost::weak_ptr<Delegate> watch = delegate;
  CtrvNotifyingProgressDelegate copy(*delegate);
  EXPECT_EQ(copy.notificator(), delegate->notificator());
  Observer observer(copy);
  observer.subscribe(CtrvNotificator::ANY_TYPE);

  delegate->start();
  copy.refresh();
  ASSERT_EQ(observer.seen.size(), 2u);
  EXPECT_EQ(observer.seen[0].notification->sender(), delegate);
  EXPECT_EQ(observer.seen[1].notification->sender(), delegate);

  // A notification kept by an observer keeps its sender alive.
  delegate.reset();
  EXPECT_FALSE(watch.expired());
  observer.seen.clear();
  EXPECT_TRUE(watch.expired());

  UninitialisedDelegate anonymous;
  Observer anonymousObserver(anonymous);
  anonymousObserver.subscribe(Delegate::DID_START);
  anonymous.start();
  ASSERT_EQ(anonymousObserver.seen.size(), 1u);
  EXPECT_FALSE(anonymousObserver.seen[0].notification->sender());
}

TEST(CtrvNotifyingProgressDelegate, AnObserverExceptionLeavesTheReportAfterTheStateChange) {
  const boost::shared_ptr<Delegate> delegate = Delegate::create();
  Observer observer(*delegate);
  observer.subscribe(Delegate::DID_REPORT);
  observer.throwOnReport = true;

  EXPECT_THROW(delegate->report(0.5f, "thrown"), std::runtime_error);
  EXPECT_EQ(delegate->lastProgress(), 0.5);
  EXPECT_EQ(delegate->lastMessage(), "thrown");

  observer.throwOnReport = false;
  delegate->report(0.75f, "fine");
  EXPECT_EQ(observer.seen.size(), 2u);
}

}  // namespace
