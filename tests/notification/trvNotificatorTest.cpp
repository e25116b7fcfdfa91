#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/make_shared.hpp>
#include <memory>
#include <stdexcept>
#include <string>

#include "notification/trvNotificationTestSupport.h"

namespace {

using trvTest::CountingCallback;
using trvTest::Journal;
using trvTest::Notification;
using trvTest::Recorder;

struct Sender {
  int unused = 0;
};

// Types of its own for each test, so that no table is shared by accident.
unsigned int freshType() { return CtrvNotification::makeID("NotificatorTest", "TYPE"); }

std::string entry(const std::string& name, unsigned int type) {
  return name + ":" + std::to_string(type);
}

const unsigned int kAny = CtrvNotificator::ANY_TYPE;

TEST(Notificator, DeliversByTypeThenFilterGroupsInSubscriptionOrder) {
  const unsigned int t = freshType();
  const auto notificator = CtrvNotificator::create();
  const auto sender = boost::make_shared<Sender>();
  const auto stranger = boost::make_shared<Sender>();
  Journal journal;
  Recorder anyUnfiltered(journal, "anyUnfiltered"), typeUnfiltered(journal, "typeUnfiltered"),
      anyFiltered(journal, "anyFiltered"), typeFiltered(journal, "typeFiltered"),
      typeFiltered2(journal, "typeFiltered2"), typeUnfiltered2(journal, "typeUnfiltered2"),
      typeOther(journal, "typeOther"), anyOther(journal, "anyOther"),
      emptyFilter(journal, "emptyFilter");
  anyUnfiltered.subscribeTo(*notificator, kAny);
  typeUnfiltered.subscribeTo(*notificator, t);
  anyFiltered.subscribeTo(*notificator, kAny, sender);
  typeFiltered.subscribeTo(*notificator, t, sender);
  typeOther.subscribeTo(*notificator, t, stranger);
  anyOther.subscribeTo(*notificator, kAny, stranger);
  typeFiltered2.subscribeTo(*notificator, t, sender);
  typeUnfiltered2.subscribeTo(*notificator, t);
  emptyFilter.subscribeTo(*notificator, t, boost::weak_ptr<void>());

  notificator->notify(CtrvNotification::create(t, sender));
  EXPECT_EQ(journal,
            (Journal{entry("typeFiltered", t), entry("typeFiltered2", t),
                     entry("typeUnfiltered", t), entry("typeUnfiltered2", t),
                     entry("emptyFilter", t), entry("anyFiltered", t), entry("anyUnfiltered", t)}));

  // A watched sender matches like an owned one.
  journal.clear();
  notificator->notify(CtrvNotification::create(t, boost::weak_ptr<Sender>(sender)));
  EXPECT_EQ(journal.size(), 7u);

  // Without a matchable sender (none, a plain pointer, or an expired one)
  // only the unfiltered subscriptions are reached.
  const Journal unfilteredOnly{entry("typeUnfiltered", t), entry("typeUnfiltered2", t),
                               entry("emptyFilter", t), entry("anyUnfiltered", t)};
  journal.clear();
  notificator->notify(t);
  EXPECT_EQ(journal, unfilteredOnly);
  journal.clear();
  notificator->notify(CtrvNotification::create(t, sender.get()));
  EXPECT_EQ(journal, unfilteredOnly);
  auto gone = boost::make_shared<Sender>();
  const auto fromGone = CtrvNotification::create(t, boost::weak_ptr<Sender>(gone));
  gone.reset();
  journal.clear();
  notificator->notify(fromGone);
  EXPECT_EQ(journal, unfilteredOnly);

  // A type beyond every table reaches only the unfiltered "every type" ones.
  journal.clear();
  notificator->notify(t + 100000);
  EXPECT_EQ(journal, (Journal{entry("anyUnfiltered", t + 100000)}));
}

TEST(Notificator, ManySubscribersAreAllDeliveredInOrder) {
  const unsigned int t = freshType();
  const auto notificator = CtrvNotificator::create();
  Journal journal, expected;
  std::vector<std::unique_ptr<Recorder>> recorders;
  for (int index = 0; index < 40; ++index) {
    recorders.push_back(std::make_unique<Recorder>(journal, std::to_string(index)));
    recorders.back()->subscribeTo(*notificator, t);
    expected.push_back(entry(std::to_string(index), t));
  }
  notificator->notify(t);
  EXPECT_EQ(journal, expected);
}

TEST(Notificator, UnsubscribeFormsRemoveWhatTheyNameAndTellWhetherTheyDid) {
  const unsigned int t = freshType();
  const unsigned int u = freshType();
  const auto notificator = CtrvNotificator::create();
  const auto sender = boost::make_shared<Sender>();
  Journal journal;
  Recorder r(journal, "r"), bystander(journal, "bystander");
  EXPECT_EQ(notificator->unsubscribe(&r), TR_ERROR) << "no tables at all";

  const auto subscribeAll = [&] {
    r.subscribeTo(*notificator, t);
    r.subscribeTo(*notificator, t, sender);
    r.subscribeTo(*notificator, kAny);
    r.subscribeTo(*notificator, u, sender);
  };
  const auto deliveriesToR = [&](unsigned int type) {
    journal.clear();
    notificator->notify(CtrvNotification::create(type, sender));
    return std::count(journal.begin(), journal.end(), entry("r", type));
  };
  subscribeAll();
  bystander.subscribeTo(*notificator, t);
  EXPECT_EQ(deliveriesToR(t), 3);
  EXPECT_EQ(deliveriesToR(u), 2);

  EXPECT_EQ(notificator->unsubscribe(&journal), TR_ERROR) << "not a receiver";
  EXPECT_EQ(notificator->unsubscribe(u + 1000, &r), TR_ERROR) << "type without a table";
  EXPECT_EQ(notificator->unsubscribe(sender, &r), TR_OK);  // the filtered ones, every table
  EXPECT_EQ(deliveriesToR(t), 2);
  EXPECT_EQ(deliveriesToR(u), 1);
  EXPECT_EQ(notificator->unsubscribe(t, &r), TR_OK);  // not the "every type" one
  EXPECT_EQ(deliveriesToR(t), 1);
  EXPECT_EQ(notificator->unsubscribe(t, &r), TR_ERROR);
  EXPECT_EQ(notificator->unsubscribe(&r), TR_OK);
  EXPECT_EQ(deliveriesToR(t), 0);
  EXPECT_EQ(notificator->unsubscribe(&r), TR_ERROR);
  EXPECT_EQ(journal, (Journal{entry("bystander", t)}));

  // ANY_TYPE as the type selects every table.
  subscribeAll();
  EXPECT_EQ(notificator->unsubscribe(kAny, &r), TR_OK);
  EXPECT_EQ(deliveriesToR(t) + deliveriesToR(u), 0);

  // A sender that no longer exists filters nothing: every subscription goes.
  subscribeAll();
  auto gone = boost::make_shared<Sender>();
  const boost::weak_ptr<Sender> goneWatch = gone;
  r.subscribeTo(*notificator, u, gone);
  gone.reset();
  EXPECT_EQ(notificator->unsubscribe(goneWatch, &r), TR_OK);
  EXPECT_EQ(deliveriesToR(t) + deliveriesToR(u), 0);
  EXPECT_EQ(notificator->unsubscribe(&r), TR_ERROR);
}

TEST(Notificator, SubscribersMayChangeSubscriptionsAndPostWhileBeingCalled) {
  const unsigned int t = freshType();
  const unsigned int inner = freshType();
  const auto notificator = CtrvNotificator::create();
  Journal journal;
  Recorder first(journal, "first"), second(journal, "second"), third(journal, "third"),
      late(journal, "late"), listener(journal, "listener");
  first.subscribeTo(*notificator, t);
  second.subscribeTo(*notificator, t);
  second.subscribeTo(*notificator, kAny);
  third.subscribeTo(*notificator, t);
  listener.subscribeTo(*notificator, inner);
  first.action = [&](const Notification&) {
    EXPECT_EQ(notificator->unsubscribe(&second), TR_OK);
    late.subscribeTo(*notificator, t);
    notificator->notify(inner);
    first.action = nullptr;
  };
  notificator->notify(t);
  EXPECT_EQ(journal, (Journal{entry("first", t), entry("listener", inner), entry("third", t)}));

  journal.clear();
  notificator->notify(t);
  EXPECT_EQ(journal, (Journal{entry("first", t), entry("third", t), entry("late", t)}));
}

TEST(Notificator, CallbackObjectsAreSwitchedOffOnRemovalAndOnAgainWhenSubscribed) {
  const unsigned int t = freshType();
  const auto notificator = CtrvNotificator::create();
  int receiver = 0;
  const auto callback = boost::make_shared<CountingCallback>(&receiver);
  notificator->subscribe(t, callback);
  notificator->notify(t);
  EXPECT_EQ(notificator->unsubscribe(&receiver), TR_OK);
  EXPECT_FALSE(callback->isActive());
  callback->deliver(CtrvNotification::create(t));
  notificator->subscribe(t, callback);
  EXPECT_TRUE(callback->isActive());
  notificator->notify(t);
  EXPECT_EQ(callback->deliveries, 2);

  // Input that cannot be called is refused rather than stored.
  notificator->subscribe(t, boost::shared_ptr<CtrvBaseNotificationCallback>());
  notificator->subscribe<Recorder>(t, nullptr, &Recorder::receive);
  Journal journal;
  Recorder recorder(journal, "r");
  notificator->subscribe<Recorder>(t, &recorder, nullptr);
  notificator->notify(t);
  notificator->notify(Notification());
  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(callback->deliveries, 3);
}

TEST(Notificator, DelegatesReceiveAfterTheirDelegatorAndCyclesAreRefused) {
  const unsigned int t = freshType();
  const auto last = CtrvNotificator::create();
  const auto middle = CtrvNotificator::create(last);
  const auto first = CtrvNotificator::create();
  EXPECT_EQ(first->delegateNotificator(middle), TR_OK);
  EXPECT_EQ(first->delegateNotificator(), middle);
  Journal journal;
  Recorder a(journal, "a"), b(journal, "b"), c(journal, "c");
  c.subscribeTo(*last, t);
  b.subscribeTo(*middle, kAny);
  a.subscribeTo(*first, t);
  a.subscribeTo(*first, kAny);

  first->notify(t);
  EXPECT_EQ(journal, (Journal{entry("a", t), entry("a", t), entry("b", t), entry("c", t)}));
  journal.clear();
  middle->notify(t);
  EXPECT_EQ(journal, (Journal{entry("b", t), entry("c", t)}));

  // A link that would close a loop is refused and the chain stays as it was.
  EXPECT_EQ(first->delegateNotificator(first), TR_ERROR);
  EXPECT_EQ(last->delegateNotificator(first), TR_ERROR);
  EXPECT_EQ(last->delegateNotificator(), nullptr);
  EXPECT_EQ(first->delegateNotificator(), middle);
  // Assignment would copy the loop in through the source's delegate.
  const auto looping = CtrvNotificator::create(first);
  *middle = *looping;
  EXPECT_EQ(middle->delegateNotificator(), last);
  journal.clear();
  first->notify(t);
  EXPECT_EQ(journal, (Journal{entry("a", t), entry("a", t), entry("c", t)}))
      << "the assigned notificator took the source's (empty) subscriptions";

  EXPECT_EQ(first->delegateNotificator(boost::shared_ptr<CtrvNotificator>()), TR_OK);
  journal.clear();
  first->notify(t);
  EXPECT_EQ(journal, (Journal{entry("a", t), entry("a", t)}));
}

TEST(Notificator, CopiesShareCallbacksDelegateAndTraceSwitch) {
  const unsigned int t = freshType();
  const auto delegate = CtrvNotificator::create();
  const auto source = CtrvNotificator::create(delegate);
  source->doesLog(true, false);
  Journal journal;
  Recorder r(journal, "r"), other(journal, "other");
  r.subscribeTo(*source, t);
  other.subscribeTo(*source, t);

  CtrvNotificator copy(*source);
  source->doesLog(false, false);
  EXPECT_TRUE(copy.doesLog());
  EXPECT_EQ(copy.delegateNotificator(), delegate);
  EXPECT_EQ(copy.unsubscribe(&r), TR_OK);
  source->notify(t);
  EXPECT_EQ(journal, (Journal{entry("other", t)})) << "the shared callback was switched off";
  EXPECT_EQ(source->unsubscribe(&r), TR_OK) << "the source's entry is still there";

  const auto assigned = CtrvNotificator::create();
  *assigned = *source;
  journal.clear();
  assigned->notify(t);
  EXPECT_EQ(journal, (Journal{entry("other", t)}));
}

TEST(Notificator, DefaultNotificatorIsOneObjectThatCreateNeverReturns) {
  const auto defaultOne = CtrvNotificator::defaultNotificator();
  ASSERT_TRUE(defaultOne);
  EXPECT_EQ(CtrvNotificator::defaultNotificator(), defaultOne);
  EXPECT_NE(CtrvNotificator::create(), defaultOne);
}

TEST(Notificator, StaysAliveUntilNotifyReturnsWhenASubscriberDropsIt) {
  const unsigned int t = freshType();
  const auto delegate = CtrvNotificator::create();
  auto notificator = CtrvNotificator::create(delegate);
  const boost::weak_ptr<CtrvNotificator> watch = notificator;
  CtrvNotificator* posting = notificator.get();
  Journal journal;
  Recorder dropper(journal, "dropper"), after(journal, "after"), downstream(journal, "downstream");
  dropper.subscribeTo(*notificator, t);
  after.subscribeTo(*notificator, t);
  downstream.subscribeTo(*delegate, t);
  dropper.action = [&](const Notification&) { notificator.reset(); };
  bool aliveAfterDrop = false;
  after.action = [&](const Notification&) { aliveAfterDrop = !watch.expired(); };

  posting->notify(t);
  EXPECT_TRUE(aliveAfterDrop);
  EXPECT_TRUE(watch.expired()) << "released once notify returned";
  EXPECT_EQ(journal, (Journal{entry("dropper", t), entry("after", t), entry("downstream", t)}));
}

TEST(Notificator, ExceptionFromASubscriberLeavesNotifyAndTheNotificatorUsable) {
  const unsigned int t = freshType();
  const auto delegate = CtrvNotificator::create();
  const auto notificator = CtrvNotificator::create(delegate);
  Journal journal;
  std::vector<std::unique_ptr<Recorder>> recorders;
  // Enough subscribers that the gathered list no longer fits inline.
  for (int index = 0; index < 20; ++index) {
    recorders.push_back(std::make_unique<Recorder>(journal, std::to_string(index)));
    recorders.back()->subscribeTo(*notificator, t);
  }
  Recorder downstream(journal, "downstream");
  downstream.subscribeTo(*delegate, t);
  recorders[1]->action = [](const Notification&) { throw std::runtime_error("subscriber"); };

  EXPECT_THROW(notificator->notify(t), std::runtime_error);
  EXPECT_EQ(journal, (Journal{entry("0", t), entry("1", t)}));

  recorders[1]->action = nullptr;
  journal.clear();
  notificator->notify(t);
  EXPECT_EQ(journal.size(), 21u);
  EXPECT_EQ(journal.back(), entry("downstream", t));
}

}  // namespace
