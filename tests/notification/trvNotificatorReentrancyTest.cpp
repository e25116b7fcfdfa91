// SPDX-License-Identifier: MIT
// Client code that reenters the notificator from callbacks' destructors,
// switches and deliveries, at the awkward moments: while a dispatch ends, while
// the notificator is deleted, while unsubscribe is at work.

#include <optional>

#include "notification/trvNotificationTestSupport.h"
#include "notification/trvSanitizerBuild.h"

namespace {

using trvTest::PlainCallback;
using NotificatorTest = trvTest::NotificatorTest;

// A subscriber lets go of a second callback, which it unsubscribes, and of the
// last owner of the notificator. The second callback, released when the
// dispatch ends, posts to the notificator; so does one released with it, which
// also subscribes and unsubscribes. Each finds it whole; it is deleted once.
TEST_F(NotificatorTest, CallbacksReleasedAsAnOrphanedDispatchEndsMayStillUseTheNotificator) {
  auto owner = CtrvNotificator::create();
  CtrvNotificator* const raw = owner.get();
  int firstTag = 0, secondTag = 0, lastTag = 0;
  const auto first = boost::make_shared<PlainCallback>(&firstTag);
  auto second = boost::make_shared<PlainCallback>(&secondTag);
  auto last = boost::make_shared<PlainCallback>(&lastTag);  // never gathered
  first->whenDelivered = [&](const auto&) {
    journal += "a ";
    if (!owner) return;
    raw->unsubscribe(&secondTag);
    second.reset();
    owner.reset();
  };
  second->whenDestroyed = [&] {
    journal += "~b ";
    raw->notify(t);
  };
  last->whenDestroyed = [&] {
    journal += "~c ";
    raw->notify(t);  // its subscriptions are already gone
    raw->subscribe(u, boost::make_shared<PlainCallback>(&lastTag));
    raw->unsubscribe(&firstTag);
  };
  raw->subscribe(t, first);
  raw->subscribe(t, second);
  raw->subscribe(u, last);
  last.reset();
  raw->notify(t);
  EXPECT_EQ(journal, "a ~b a ~c ");
  EXPECT_TRUE(first.unique()) << "released with the notificator";
}

// Client code run by unsubscribe (switching off) and by an assignment
// (releasing the former delegate) lets go of the last owner of the
// notificator at work: it is deleted once that call no longer needs it.
TEST_F(NotificatorTest, ANotificatorMayLoseItsLastOwnerInsideUnsubscribeOrAnAssignment) {
  auto owner = CtrvNotificator::create();
  int tag = 0;
  bool destroyed[2] = {false, false};
  for (bool& flag : destroyed) {
    const auto callback = boost::make_shared<PlainCallback>(&tag, &flag);
    callback->whenSwitched = [&](bool on) {
      if (!on) owner.reset();
    };
    owner->subscribe(t, callback);
  }
  CtrvNotificator* const raw = owner.get();
  EXPECT_EQ(raw->unsubscribe(&tag), TR_OK);
  EXPECT_TRUE(owner == nullptr && destroyed[0] && destroyed[1]);

  owner = CtrvNotificator::create(CtrvNotificator::create());
  auto callback = boost::make_shared<PlainCallback>(&tag);
  callback->whenDestroyed = [&] { owner.reset(); };
  owner->delegateNotificator()->subscribe(t, callback);
  callback.reset();
  *owner = *CtrvNotificator::create();  // the former delegate goes, and the callback with it
  EXPECT_EQ(owner, nullptr);
}

// The same callback object subscribed again during a dispatch is the one the
// dispatch gathered: switched on again, it receives the notification in
// progress, where a new callback (b) misses it.
TEST_F(NotificatorTest, ACallbackObjectSubscribedAgainDuringADispatchReceivesIt) {
  int tag = 0;
  const auto again = boost::make_shared<PlainCallback>(&tag);
  again->whenDelivered = [&](const auto&) { journal += "again "; };
  a.listen(*notificator, t);
  notificator->subscribe(t, again);
  a.action = [&](const auto&) {
    EXPECT_EQ(notificator->unsubscribe(&tag), TR_OK);
    notificator->subscribe(t, again);
    b.listen(*notificator, t);
  };
  EXPECT_EQ(post(t), "a again ");
  a.action = nullptr;
  EXPECT_EQ(post(t), "a again b ") << "subscribed once, after a";
}

// unsubscribe switches each callback off while it is still subscribed (a
// notification posted from setActive still gathers it, inactive), in table
// order: by type, then entries for any sender before sender-filtered ones.
TEST_F(NotificatorTest, UnsubscribeSwitchesEachCallbackOffBeforeRemovingItInTableOrder) {
  int tag = 0;
  const auto subscribe = [&](const std::string& name, unsigned int type,
                             const boost::weak_ptr<void>& from) {
    const auto callback = boost::make_shared<PlainCallback>(&tag);
    PlainCallback* const self = callback.get();
    callback->whenSwitched = [this, self, name, type](bool on) {
      if (on) return;
      const int calls = self->calls;
      notificator->notify(CtrvNotification::create(type, sender));
      journal += name + (self->calls > calls ? "+ " : "- ");
    };
    notificator->subscribe(type, from, callback);
  };
  subscribe("u", u, boost::weak_ptr<void>());
  subscribe("filtered", t, sender);
  subscribe("t", t, boost::weak_ptr<void>());
  EXPECT_EQ(notificator->unsubscribe(&tag), TR_OK);
  EXPECT_EQ(journal, "t+ filtered+ u+ ");
  EXPECT_EQ(postFromSender(t) + postFromSender(u), "") << "nothing left";
}

#if TRV_ADDRESS_SANITIZED
// A notificator not owned by create() cannot be kept alive by its dispatch:
// destroying it there is reported at once, before its memory is reused.
TEST(NotificatorDeathTest, ACopyDestroyedInsideItsOwnDispatchIsReported) {
  const unsigned int type = CtrvNotification::makeID("CtrvTraced", "DID_DIE");
  const auto destroyInOwnDispatch = [type] {
    std::optional<CtrvNotificator> copy(*CtrvNotificator::create());
    int tag = 0;
    const auto callback = boost::make_shared<PlainCallback>(&tag);
    callback->whenDelivered = [&copy](const auto&) { copy.reset(); };
    copy->subscribe(type, callback);
    copy->notify(type);
  };
  EXPECT_DEATH(destroyInOwnDispatch(), "destroyed inside its own notify or unsubscribe call");
}
#endif

}  // namespace
