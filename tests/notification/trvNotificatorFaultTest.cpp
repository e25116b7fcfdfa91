#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <stdexcept>
#include <string>

#include "notification/trvNotificationTestSupport.h"

namespace {

using trvTest::Notification;
using trvTest::PlainCallback;
using Notificator = boost::shared_ptr<CtrvNotificator>;

constexpr unsigned int kType = 7;

// A callback that journals its deliveries under a name and runs an action.
struct Acting : PlainCallback {
  Acting(std::string& journal, std::string name, bool* destroyed = nullptr)
      : PlainCallback(this, destroyed), journal(journal), name(std::move(name)) {}
  void deliver(const Notification& notification) override {
    if (!active) return;
    journal += name + " ";
    if (action) action(notification);
  }
  std::string& journal;
  std::string name;
  std::function<void(const Notification&)> action;
};

struct Failure : std::runtime_error {
  Failure() : std::runtime_error("subscriber failure") {}
};

class NotificatorFaultTest : public ::testing::Test {
 protected:
  boost::shared_ptr<Acting> listen(const Notificator& notificator, const std::string& name,
                                   bool* destroyed = nullptr) {
    auto callback = boost::make_shared<Acting>(journal, name, destroyed);
    notificator->subscribe(kType, callback);
    return callback;
  }
  std::string post(const Notificator& notificator) {
    journal.clear();
    notificator->notify(kType);
    return journal;
  }
  std::string journal;
};

// A throw from a nested dispatch unwinds both dispatches: callbacks retired
// meanwhile are released, and both notificators are back out of dispatch
// (an unsubscribed callback is released at once) and deliver as before.
TEST_F(NotificatorFaultTest, AThrowFromANestedDispatchLeavesBothUsable) {
  const Notificator outer = CtrvNotificator::create();
  const Notificator inner = CtrvNotificator::create();
  bool retiredDestroyed = false;
  const auto poster = listen(outer, "poster");
  boost::shared_ptr<Acting> retired = listen(outer, "retired", &retiredDestroyed);
  listen(outer, "late");
  const auto thrower = listen(inner, "thrower");
  poster->action = [&](const Notification&) {
    outer->unsubscribe(retired.get());
    retired.reset();
    inner->notify(kType);
  };
  thrower->action = [](const Notification&) { throw Failure(); };

  EXPECT_THROW(post(outer), Failure);
  EXPECT_EQ(journal, "poster thrower ") << "the retired callback was switched off first";
  EXPECT_TRUE(retiredDestroyed) << "released when the dispatch unwound";

  poster->action = nullptr;
  thrower->action = nullptr;
  EXPECT_EQ(post(outer), "poster late ");
  EXPECT_EQ(post(inner), "thrower ");
  bool destroyedAtOnce = false;
  auto idle = listen(inner, "idle", &destroyedAtOnce);
  inner->unsubscribe(idle.get());
  idle.reset();
  EXPECT_TRUE(destroyedAtOnce) << "no dispatch of the inner notificator was left open";
}

// A subscriber of a delegate that throws stops the dispatch there; the chain
// delivers in full afterwards.
TEST_F(NotificatorFaultTest, AThrowInADelegateLeavesTheChainWhole) {
  const Notificator delegate = CtrvNotificator::create();
  const Notificator first = CtrvNotificator::create(delegate);
  listen(first, "a");
  const auto thrower = listen(delegate, "b");
  listen(delegate, "c");
  thrower->action = [](const Notification&) { throw Failure(); };
  EXPECT_THROW(post(first), Failure);
  EXPECT_EQ(journal, "a b ");
  thrower->action = nullptr;
  EXPECT_EQ(post(first), "a b c ");
}

// The last owner lets go, then the same subscriber throws: the notificator is
// deleted as the exception leaves notify, with everything it held.
TEST_F(NotificatorFaultTest, AThrowAfterTheLastOwnerLetGoStillDeletesTheNotificator) {
  Notificator doomed = CtrvNotificator::create();
  bool heldDestroyed = false;
  const auto dropper = listen(doomed, "dropper");
  doomed->subscribe(kType + 1, boost::make_shared<PlainCallback>(nullptr, &heldDestroyed));
  CtrvNotificator* const raw = doomed.get();
  dropper->action = [&](const Notification&) {
    doomed.reset();
    EXPECT_FALSE(heldDestroyed) << "not while its dispatch runs";
    throw Failure();
  };
  EXPECT_THROW(raw->notify(kType), Failure);
  EXPECT_TRUE(heldDestroyed);
}

}  // namespace
