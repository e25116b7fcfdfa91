// SPDX-License-Identifier: MIT
#include <stdexcept>

#include "notification/trvNotificationTestSupport.h"

namespace {

using trvTest::PlainCallback;
using trvTest::Recorder;
using NotificatorTest = trvTest::NotificatorTest;

const unsigned int kAny = CtrvNotificator::ANY_TYPE;

const auto throwFailure = [](const trvTest::Notification&) {
  throw std::runtime_error("subscriber failure");
};

// Type and sender first, then type only, then every type with the sender,
// then every type alone; each group in subscription order.
TEST_F(NotificatorTest, DeliversByTypeThenFilterGroupsEachInSubscriptionOrder) {
  a.listen(*notificator, kAny);
  b.listen(*notificator, t);
  c.listen(*notificator, kAny, sender);
  d.listen(*notificator, t, sender);
  d.listen(*notificator, t, notificator);  // another sender
  a.listen(*notificator, t, sender);
  EXPECT_EQ(postFromSender(t), "d a b c a ");
  EXPECT_EQ(post(*notificator, CtrvNotification::create(t, boost::weak_ptr<void>(sender))),
            "d a b c a ")
      << "a watched sender matches too";
  // A plain sender: only unfiltered subscriptions.
  EXPECT_EQ(post(*notificator, CtrvNotification::create(t, sender.get())), "b a ");
  EXPECT_EQ(post(t + 100000), "a ") << "a type beyond every table";
  EXPECT_EQ(postFromSender(kAny), "c a ") << "ANY_TYPE itself reaches each subscription once";
}

// A lone subscriber of a type is reached straight away; every change of the
// tables around it (every-type and sender-filtered subscriptions coming and
// going, the lone one leaving from inside its own delivery, an assignment)
// must end that shortcut or start it again.
TEST_F(NotificatorTest, ALoneSubscriberIsReachedWhateverChangesAroundIt) {
  a.listen(*notificator, t);
  EXPECT_EQ(post(t), "a ");
  b.listen(*notificator, kAny);
  EXPECT_EQ(post(t), "a b ");
  EXPECT_EQ(notificator->unsubscribe(&b), TR_OK);
  c.listen(*notificator, kAny, sender);
  EXPECT_EQ(postFromSender(t), "a c ");
  EXPECT_EQ(post(t), "a ");
  EXPECT_EQ(notificator->unsubscribe(&c), TR_OK);
  d.listen(*notificator, t, sender);
  EXPECT_EQ(postFromSender(t), "d a ");
  EXPECT_EQ(post(t), "a ");
  EXPECT_EQ(notificator->unsubscribe(&d), TR_OK);
  b.listen(*notificator, kAny);
  EXPECT_EQ(post(kAny), "b ") << "the every-type identifier's own lone subscriber";
  EXPECT_EQ(notificator->unsubscribe(&b), TR_OK);
  a.action = [&](const auto&) {
    notificator->unsubscribe(&a);
    b.listen(*notificator, t);
  };
  EXPECT_EQ(post(t), "a ");
  EXPECT_EQ(post(t), "b ");
  const auto other = CtrvNotificator::create();
  c.listen(*other, t);
  c.listen(*other, t);
  *notificator = *other;
  EXPECT_EQ(post(t), "c c ");
  *other = *CtrvNotificator::create();
  d.listen(*other, t);
  *notificator = *other;
  EXPECT_EQ(post(t), "d ");
  // Unsubscribed, the lone callback is not even called (inactive) again.
  int tag = 0;
  const auto lone = boost::make_shared<PlainCallback>(&tag);
  const auto alone = CtrvNotificator::create();
  alone->subscribe(t, lone);
  alone->notify(t);
  EXPECT_EQ(alone->unsubscribe(&tag), TR_OK);
  alone->notify(t);
  EXPECT_EQ(lone->calls, 1);
}

TEST_F(NotificatorTest, UnsubscribeRemovesWhatItNamesAndTellsWhetherItDid) {
  for (unsigned int type : {t, kAny}) a.listen(*notificator, type);
  for (unsigned int type : {t, u}) a.listen(*notificator, type, sender);
  b.listen(*notificator, t);
  const auto deliveries = [&] { return postFromSender(t) + "| " + postFromSender(u); };
  EXPECT_EQ(deliveries(), "a a b a | a a ");
  EXPECT_EQ(notificator->unsubscribe(sender, &a), TR_OK) << "the filtered ones, every table";
  EXPECT_EQ(deliveries(), "a b a | a ");
  EXPECT_EQ(notificator->unsubscribe(t, &a), TR_OK) << "not the every-type one";
  EXPECT_EQ(notificator->unsubscribe(t, &a), TR_ERROR);
  EXPECT_EQ(notificator->unsubscribe(&a), TR_OK);
  EXPECT_EQ(deliveries(), "b | ");
}

TEST_F(NotificatorTest, SubscribersMayChangeTheTablesPostAndThrowWhileBeingCalled) {
  for (Recorder* recorder : {&a, &b, &c}) recorder->listen(*notificator, t);
  d.listen(*notificator, u);
  a.action = [&](const auto&) {
    EXPECT_EQ(notificator->unsubscribe(&b), TR_OK);
    b.listen(*notificator, t);
    notificator->notify(u);
  };
  EXPECT_EQ(post(t), "a d c ");
  a.action = nullptr;
  c.action = throwFailure;
  EXPECT_THROW(post(t), std::runtime_error);
  EXPECT_EQ(journal, "a c ") << "the remaining subscriber is not called";
}

TEST_F(NotificatorTest, DelegatesReceiveAfterTheirDelegatorUnlessOneThrowsAndLoopsAreRefused) {
  const auto last = CtrvNotificator::create();
  const auto middle = CtrvNotificator::create(last);
  EXPECT_EQ(notificator->delegateNotificator(middle), TR_OK);
  a.listen(*notificator, t);
  b.listen(*middle, kAny);
  c.listen(*last, t);
  EXPECT_EQ(post(t), "a b c ");
  b.action = throwFailure;  // stops the dispatch there; the chain stays whole
  EXPECT_THROW(post(t), std::runtime_error);
  EXPECT_EQ(journal, "a b ");
  b.action = nullptr;
  EXPECT_EQ(post(t), "a b c ");
  EXPECT_EQ(last->delegateNotificator(notificator), TR_ERROR);
  *last = *CtrvNotificator::create(notificator);  // takes the callbacks, not the delegate
  EXPECT_EQ(last->delegateNotificator(), nullptr);
  EXPECT_EQ(post(t), "a b ");
  EXPECT_EQ(post(*notificator, trvTest::Notification()), "") << "a null notification is ignored";
}

// A throw from a nested dispatch unwinds both dispatches: a callback retired
// meanwhile is released, and both notificators are back out of dispatch (an
// unsubscribed callback is released at once) and deliver as before.
TEST_F(NotificatorTest, AThrowFromANestedDispatchLeavesBothUsable) {
  const auto inner = CtrvNotificator::create();
  int retiredTag = 0, idleTag = 0;
  bool retiredDestroyed = false, idleDestroyed = false;
  a.listen(*notificator, t);
  notificator->subscribe(t, boost::make_shared<PlainCallback>(&retiredTag, &retiredDestroyed));
  b.listen(*notificator, t);
  c.listen(*inner, t);
  a.action = [&](const auto&) {
    notificator->unsubscribe(&retiredTag);
    inner->notify(t);
  };
  c.action = throwFailure;
  EXPECT_THROW(post(t), std::runtime_error);
  EXPECT_EQ(journal, "a c ");
  EXPECT_TRUE(retiredDestroyed) << "released when the dispatch unwound";
  a.action = c.action = nullptr;
  EXPECT_EQ(post(t), "a b ");
  EXPECT_EQ(post(*inner, CtrvNotification::create(t)), "c ");
  inner->subscribe(t, boost::make_shared<PlainCallback>(&idleTag, &idleDestroyed));
  inner->unsubscribe(&idleTag);
  EXPECT_TRUE(idleDestroyed) << "no dispatch of the inner notificator was left open";
}

// A subscriber drops the last reference to the notificator, which must live
// until notify returns. The callback subscribed to `u`, never gathered, goes
// exactly when it does.
TEST_F(NotificatorTest, NotifyKeepsItsNotificatorAliveUntilItReturns) {
  auto dropped = CtrvNotificator::create(notificator);
  b.listen(*dropped, t);
  c.listen(*dropped, t);
  a.listen(*notificator, t);
  bool destroyed = false;
  dropped->subscribe(u, boost::make_shared<PlainCallback>(nullptr, &destroyed));
  b.action = [&](const auto&) { dropped.reset(); };
  c.action = [&](const auto&) { EXPECT_FALSE(destroyed); };
  EXPECT_EQ(post(*dropped, CtrvNotification::create(t)), "b c a ") << "the delegate was reached";
  EXPECT_TRUE(destroyed);

  // Likewise when the subscriber throws after letting go.
  dropped = CtrvNotificator::create();
  destroyed = false;
  b.listen(*dropped, t);
  dropped->subscribe(u, boost::make_shared<PlainCallback>(nullptr, &destroyed));
  b.action = [&](const auto&) {
    dropped.reset();
    EXPECT_FALSE(destroyed) << "not while its dispatch runs";
    throw std::runtime_error("after letting go");
  };
  CtrvNotificator* const raw = dropped.get();
  EXPECT_THROW(raw->notify(t), std::runtime_error);
  EXPECT_TRUE(destroyed);
}

}  // namespace
