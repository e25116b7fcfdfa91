#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <memory>
#include <stdexcept>

#include "notification/trvNotificationTestSupport.h"

namespace {

using trvTest::Notification;
using trvTest::PlainCallback;
using trvTest::Recorder;
using Notificator = boost::shared_ptr<CtrvNotificator>;

const unsigned int kAny = CtrvNotificator::ANY_TYPE;

class NotificatorTest : public ::testing::Test {
 protected:
  // What the receivers wrote while `by` posted the notification.
  std::string post(const CtrvNotificator& by, const Notification& notification) {
    journal.clear();
    by.notify(notification);
    return journal;
  }
  std::string post(const CtrvNotificator& by, unsigned int type) {
    return post(by, CtrvNotification::create(type));
  }
  std::string postFromSender(unsigned int type) {
    return post(*notificator, CtrvNotification::create(type, sender));
  }

  // Types of each test's own, so that no table is shared by accident.
  const unsigned int t = CtrvNotification::makeID("NotificatorTest", "T");
  const unsigned int u = CtrvNotification::makeID("NotificatorTest", "U");
  const Notificator notificator = CtrvNotificator::create();
  const boost::shared_ptr<int> sender = boost::make_shared<int>();
  std::string journal;
  Recorder a{journal, "a"}, b{journal, "b"}, c{journal, "c"}, d{journal, "d"}, e{journal, "e"};
};

TEST_F(NotificatorTest, DeliversByTypeThenFilterGroupsEachInSubscriptionOrder) {
  const auto stranger = boost::make_shared<int>();
  auto gone = boost::make_shared<int>();
  const auto fromGone = CtrvNotification::create(t, boost::weak_ptr<int>(gone));
  gone.reset();
  a.listen(*notificator, kAny);
  b.listen(*notificator, t);
  c.listen(*notificator, kAny, sender);
  d.listen(*notificator, t, sender);
  e.listen(*notificator, t, stranger);
  e.listen(*notificator, kAny, stranger);
  a.listen(*notificator, t, sender);
  c.listen(*notificator, t, boost::weak_ptr<void>());  // an empty sender filters nothing
  EXPECT_EQ(postFromSender(t), "d a b c c a ");
  EXPECT_EQ(post(*notificator, CtrvNotification::create(t, boost::weak_ptr<int>(sender))),
            "d a b c c a ");
  // No sender, a plain one, or one that expired: only unfiltered subscriptions.
  EXPECT_EQ(post(*notificator, t), "b c a ");
  EXPECT_EQ(post(*notificator, CtrvNotification::create(t, sender.get())), "b c a ");
  EXPECT_EQ(post(*notificator, fromGone), "b c a ");
  EXPECT_EQ(post(*notificator, t + 100000), "a ") << "a type beyond every table";
  EXPECT_EQ(postFromSender(kAny), "c a ") << "ANY_TYPE itself reaches each subscription once";
}

TEST_F(NotificatorTest, UnsubscribeRemovesWhatItNamesAndTellsWhetherItDid) {
  EXPECT_EQ(notificator->unsubscribe(&a), TR_ERROR) << "no tables at all";
  const auto subscribeA = [&] {
    a.listen(*notificator, t);
    a.listen(*notificator, t, sender);
    a.listen(*notificator, kAny);
    a.listen(*notificator, u, sender);
  };
  const auto deliveries = [&] { return postFromSender(t) + "| " + postFromSender(u); };
  subscribeA();
  b.listen(*notificator, t);
  EXPECT_EQ(deliveries(), "a a b a | a a ");
  EXPECT_EQ(notificator->unsubscribe(&c), TR_ERROR);
  EXPECT_EQ(notificator->unsubscribe(u + 1000, &a), TR_ERROR) << "a type without a table";
  EXPECT_EQ(notificator->unsubscribe(sender, &a), TR_OK) << "the filtered ones, every table";
  EXPECT_EQ(deliveries(), "a b a | a ");
  EXPECT_EQ(notificator->unsubscribe(t, &a), TR_OK) << "not the every-type one";
  EXPECT_EQ(notificator->unsubscribe(t, &a), TR_ERROR);
  EXPECT_EQ(deliveries(), "b a | a ");
  EXPECT_EQ(notificator->unsubscribe(&a), TR_OK);
  EXPECT_EQ(deliveries(), "b | ");

  subscribeA();
  boost::weak_ptr<int> gone = boost::make_shared<int>();
  EXPECT_EQ(notificator->unsubscribe(gone, &a), TR_OK) << "an expired sender filters nothing";
  EXPECT_EQ(deliveries(), "b | ");
}

TEST_F(NotificatorTest, SubscribersMayChangeTheTablesAndPostWhileBeingCalled) {
  a.listen(*notificator, t);
  b.listen(*notificator, t);
  b.listen(*notificator, kAny);
  c.listen(*notificator, t);
  d.listen(*notificator, u);
  a.action = [&](const Notification&) {
    EXPECT_EQ(notificator->unsubscribe(&b), TR_OK);
    e.listen(*notificator, t);
    notificator->notify(u);
    a.action = nullptr;
  };
  EXPECT_EQ(post(*notificator, t), "a d c ");
  EXPECT_EQ(post(*notificator, t), "a c e ");
  // Assignment drops every subscription; the callbacks gathered still deliver.
  a.action = [&](const Notification&) { *notificator = *CtrvNotificator::create(); };
  EXPECT_EQ(post(*notificator, t), "a c e ");
  EXPECT_EQ(post(*notificator, t), "");
  // What cannot be called is neither stored nor posted.
  notificator->subscribe<Recorder>(t, &a, nullptr);
  EXPECT_EQ(post(*notificator, t) + post(*notificator, Notification()), "");
}

TEST_F(NotificatorTest, DelegatesReceiveAfterTheirDelegatorAndLoopsAreRefused) {
  const Notificator last = CtrvNotificator::create();
  const Notificator middle = CtrvNotificator::create(last);
  EXPECT_EQ(notificator->delegateNotificator(middle), TR_OK);
  a.listen(*notificator, t);
  b.listen(*middle, kAny);
  c.listen(*last, t);
  EXPECT_EQ(post(*notificator, t), "a b c ");
  EXPECT_EQ(post(*middle, t), "b c ");
  EXPECT_EQ(notificator->delegateNotificator(notificator), TR_ERROR);
  EXPECT_EQ(last->delegateNotificator(notificator), TR_ERROR);
  *middle = *CtrvNotificator::create(notificator);  // would close the loop too
  EXPECT_EQ(middle->delegateNotificator(), last);
  EXPECT_EQ(last->delegateNotificator(), nullptr);
  EXPECT_EQ(post(*notificator, t), "a c ") << "middle took the source's empty tables";
  EXPECT_EQ(CtrvNotificator::defaultNotificator(), CtrvNotificator::defaultNotificator());
}

TEST_F(NotificatorTest, CopiesShareCallbacks) {
  a.listen(*notificator, t);
  b.listen(*notificator, t);
  CtrvNotificator copy(*notificator);
  EXPECT_EQ(copy.unsubscribe(&a), TR_OK);
  EXPECT_EQ(post(*notificator, t), "b ") << "the shared callback was switched off";
  EXPECT_EQ(notificator->unsubscribe(&a), TR_OK) << "though the source's entry remains";
}

TEST_F(NotificatorTest, SubscriberErrorsAndDropsLeaveNotifyCleanly) {
  const Notificator delegate = CtrvNotificator::create();
  Notificator dropped = CtrvNotificator::create(delegate);
  std::vector<std::unique_ptr<Recorder>> many;  // more than gathered inline
  for (int index = 0; index < 20; ++index) {
    many.push_back(std::make_unique<Recorder>(journal, std::to_string(index)));
    many.back()->listen(*dropped, t);
  }
  a.listen(*delegate, t);
  many[0]->action = [&](const Notification&) { dropped->unsubscribe(many[5].get()); };
  many[1]->action = [](const Notification&) { throw std::runtime_error("subscriber"); };
  EXPECT_THROW(post(*dropped, t), std::runtime_error);
  EXPECT_EQ(journal, "0 1 ") << "neither the others nor the delegate";
  many[1]->action = nullptr;
  EXPECT_EQ(post(*dropped, t), "0 1 2 3 4 6 7 8 9 10 11 12 13 14 15 16 17 18 19 a ");

  // Dropping the last reference mid-dispatch destroys it only once notify
  // returns. The callback below, not gathered, goes exactly when it does.
  bool destroyed = false;
  dropped->subscribe(u, boost::make_shared<PlainCallback>(nullptr, &destroyed));
  many[0]->action = [&](const Notification&) { dropped.reset(); };
  many[1]->action = [&](const Notification&) { EXPECT_FALSE(destroyed); };
  EXPECT_EQ(post(*dropped, t).substr(0, 6), "0 1 2 ");
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(journal.substr(journal.size() - 2), "a ") << "the delegate was reached";
}

}  // namespace
