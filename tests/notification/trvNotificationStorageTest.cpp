// SPDX-License-Identifier: MIT
// Notifications are built in storage recycled per thread: nothing of a
// released notification may show through in the next one, and a block may
// change threads.
#include <CtrvNotification.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <thread>

namespace {

using Notification = boost::shared_ptr<CtrvNotification>;

TEST(NotificationStorage, ReleasedNotificationsLeaveNothingBehindAndLetTheirSendersGo) {
  for (int round = 0; round < 6; ++round) {
    boost::weak_ptr<int> watched;
    {
      const auto sender = boost::make_shared<int>(round);
      watched = sender;
      const Notification kept = CtrvNotification::create(7, sender);
      if (round % 2 == 1) kept->intValue("step", round);  // released with and without values
      const Notification fresh = CtrvNotification::create(8);
      EXPECT_FALSE(fresh->sender());
      EXPECT_EQ(fresh->rawSender(), nullptr);
      EXPECT_EQ(fresh->intValue("step"), 0);
      EXPECT_EQ(kept->sender().get(), sender.get());
    }
    EXPECT_TRUE(watched.expired()) << "round " << round;
  }
}

// Whatever sender a released notification had, the next one built in its
// storage has none.
TEST(NotificationStorage, NoSenderOfAReleasedNotificationShowsThroughInTheNext) {
  int plain = 0;
  const auto shared = boost::make_shared<int>(0);
  for (int round = 0; round < 12; ++round) {
    if (round % 3 == 0) CtrvNotification::create(7, &plain);
    if (round % 3 == 1) CtrvNotification::create(7, boost::weak_ptr<int>(shared));
    if (round % 3 == 2) CtrvNotification::create(7, shared);
    const Notification next = CtrvNotification::create(8);
    EXPECT_EQ(next->type(), 8u);
    EXPECT_EQ(next->rawSender(), nullptr) << "round " << round;
    EXPECT_FALSE(next->sender()) << "round " << round;
    EXPECT_EQ(next->senderClass(), nullptr) << "round " << round;
  }
  EXPECT_TRUE(shared.unique());
}

TEST(NotificationStorage, ANotificationMayOutliveTheThreadThatMadeIt) {
  Notification handedOver;
  std::thread maker([&handedOver] {
    for (int round = 0; round < 10; ++round) {
      const Notification notification = CtrvNotification::create(7);
      notification->intValue("step", round);
      if (round == 6) handedOver = notification;
    }
  });
  maker.join();
  EXPECT_EQ(handedOver->intValue("step"), 6);
  std::thread([] { CtrvNotification::create(8); }).join();
}

}  // namespace
