// Notifications are built in storage recycled per thread; nothing of a
// released notification may show through in the next one.
#include <CtrvNotification.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <thread>
#include <vector>

namespace {

using Notification = boost::shared_ptr<CtrvNotification>;

// Fills every kind of value the last notification of `round` gets.
void fill(CtrvNotification& notification, int round) {
  notification.doubleValue("progress", 0.5 * round);
  notification.intValue("step", round);
  notification.stringValue("what", "round");
}

TEST(NotificationStorage, ReleasedNotificationsLeaveNothingBehindAndLetTheirSendersGo) {
  const unsigned int type = CtrvNotification::makeID("NotificationStorage", "Test");
  for (int round = 0; round < 6; ++round) {
    boost::weak_ptr<int> watched;
    {
      const auto sender = boost::make_shared<int>(round);
      watched = sender;
      const Notification kept = CtrvNotification::create(type, sender);
      if (round % 2 == 1) fill(*kept, round);  // with values and without
      const Notification fresh = CtrvNotification::create(type + 1);
      EXPECT_EQ(fresh->type(), type + 1);
      EXPECT_FALSE(fresh->sender());
      EXPECT_EQ(fresh->rawSender(), nullptr);
      EXPECT_EQ(fresh->doubleValue("progress"), 0.0);
      EXPECT_EQ(fresh->stringValue("what"), "");
      EXPECT_EQ(kept->sender().get(), sender.get());
      EXPECT_EQ(kept->intValue("step"), round % 2 == 1 ? round : 0);
    }
    EXPECT_TRUE(watched.expired()) << "round " << round;
  }
}

TEST(NotificationStorage, NotificationsMayBeReleasedOnAnotherThreadOrOutliveTheirs) {
  std::vector<Notification> handedOver;
  std::thread maker([&handedOver] {
    for (int round = 0; round < 10; ++round) {
      const Notification notification = CtrvNotification::create(7);
      fill(*notification, round);
      if (round % 3 == 0) handedOver.push_back(notification);
    }
  });
  maker.join();
  ASSERT_EQ(handedOver.size(), 4u);
  for (std::size_t i = 0; i < handedOver.size(); ++i) {
    EXPECT_EQ(handedOver[i]->intValue("step"), static_cast<int>(3 * i));
  }
  handedOver.clear();
  std::thread releaser([] { CtrvNotification::create(8); });
  releaser.join();
}

}  // namespace
