#include <CtrvForwardingProgressDelegate.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using Notifying = CtrvNotifyingProgressDelegate;

struct Failure : std::runtime_error {
  Failure() : std::runtime_error("observer failure") {}
};

// Records every notification of a delegate; throws once for the type armed.
struct ThrowingObserver {
  explicit ThrowingObserver(Notifying& delegate) {
    delegate.notificator()->subscribe(CtrvNotificator::ANY_TYPE, this, &ThrowingObserver::see);
  }
  void see(const boost::shared_ptr<const CtrvNotification>& notification) {
    seen.push_back(notification->type());
    if (notification->type() == armed) {
      armed = 0;
      throw Failure();
    }
  }
  unsigned int count(unsigned int type) const {
    unsigned int found = 0;
    for (unsigned int seenType : seen) found += seenType == type ? 1u : 0u;
    return found;
  }
  std::vector<unsigned int> seen;
  unsigned int armed = 0;
};

// An observer that throws under a forwarding and a throttling delegate: the
// step it interrupted still counts once, and the interrupted report does not
// count against the throttle, so the next one gets through; the throttle then
// works as before.
TEST(ProgressObserverFault, AThrowingObserverLosesNoStepAndNoReport) {
  const boost::shared_ptr<Notifying> leaf = Notifying::create();
  const auto timed = CtrvTimedProgressDelegate::create(leaf, 1e6);
  const auto top = CtrvForwardingProgressDelegate::create(timed);
  top->min(0.5f);
  ThrowingObserver observer(*leaf);
  top->stepCount(10);
  top->start();

  observer.armed = Notifying::DID_CHANGE_STEP;
  EXPECT_THROW(top->nextStep(), Failure);
  EXPECT_EQ(top->step(), 1u);
  EXPECT_TRUE(top->nextStep());
  EXPECT_EQ(top->step(), 2u);
  EXPECT_EQ(observer.count(Notifying::DID_CHANGE_STEP), 2u);

  observer.armed = Notifying::DID_REPORT;
  EXPECT_THROW(top->report(0.5f, "interrupted"), Failure);
  EXPECT_EQ(leaf->lastMessage(), "interrupted");
  EXPECT_DOUBLE_EQ(leaf->lastProgress(), 0.75);
  top->report(1.0f, "retried");
  EXPECT_EQ(leaf->lastMessage(), "retried");
  top->report(0.1f, "throttled");
  EXPECT_EQ(leaf->lastMessage(), "retried");
  EXPECT_EQ(observer.count(Notifying::DID_REPORT), 2u);

  top->finish();
  EXPECT_EQ(observer.count(Notifying::DID_FINISH), 1u);
}

}  // namespace

// A chain that would lead back to itself, through the setter or an
// assignment, is refused: every call would otherwise recurse without end.
TEST(ProgressChainFault, ALoopInTheChainIsRefused) {
  const auto notifying = Notifying::create();
  const auto inner = CtrvTimedProgressDelegate::create(notifying, 0.0);
  const auto outer = CtrvTimedProgressDelegate::create(inner, 0.0);
  outer->embeddedProgressDelegate(outer);
  inner->embeddedProgressDelegate(outer);
  *inner = *outer;
  EXPECT_EQ(outer->embeddedProgressDelegate(), inner);
  EXPECT_EQ(inner->embeddedProgressDelegate(), notifying);

  outer->stepCount(2);
  outer->start();
  EXPECT_TRUE(outer->nextStep());
  EXPECT_EQ(notifying->step(), 1u);
}
