#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

namespace {

struct Sender {
  virtual ~Sender() = default;
};
struct DerivedSender : Sender {};

TEST(Notification, IdentifiersAreConsecutiveAfterTheEveryTypeOneAndSpelledFromTheRegistry) {
  EXPECT_EQ(CtrvNotificator::ANY_TYPE, 1u);
  EXPECT_EQ(CtrvNotification::nameFromType(CtrvNotificator::ANY_TYPE), "::");
  const unsigned int first = CtrvNotification::makeID("CtrvWidget", "DID_OPEN");
  EXPECT_EQ(CtrvNotification::makeID("CtrvWidget", "DID_OPEN"), first + 1);
  EXPECT_EQ(CtrvNotification::nameFromType(first + 1), "CtrvWidget::DID_OPEN");
  EXPECT_EQ(CtrvNotification::nameFromType(0) + CtrvNotification::nameFromType(first + 2), "");
  EXPECT_EQ(CtrvNotification::makeID("", ""), first + 2) << "spelling recorded nothing";
}

TEST(Notification, TablesAreIndependentAndCopiedWithTheNotification) {
  const auto notification = CtrvNotification::create(7);
  notification->doubleValue("progress", 0.5);
  notification->doubleValue("progress", 0.75);
  notification->intValue("progress", -3);
  CtrvNotification copy(*notification);
  copy.doubleValue("progress", 1.0);
  EXPECT_EQ(copy.type(), 7u);
  EXPECT_EQ(copy.intValue("progress"), -3);
  EXPECT_EQ(notification->doubleValue("progress"), 0.75);
  EXPECT_EQ(notification->unsignedIntValue("progress"), 0u) << "absent keys read as zero";
  EXPECT_EQ(notification->stringValue("progress"), "");
}

TEST(Notification, SendersAreOwnedWatchedOrPlainAndTheirDynamicClassIsRecorded) {
  boost::shared_ptr<Sender> owned = boost::make_shared<DerivedSender>();
  const boost::weak_ptr<Sender> ownedWatch = owned;
  const auto withOwned = CtrvNotification::create(2, owned);
  owned.reset();
  EXPECT_EQ(withOwned->sender(), boost::shared_ptr<void>(ownedWatch.lock()));
  EXPECT_EQ(*withOwned->senderClass(), typeid(DerivedSender));

  auto watched = boost::make_shared<Sender>();
  const auto withWatched = CtrvNotification::create(2, boost::weak_ptr<Sender>(watched));
  EXPECT_EQ(withWatched->sender(), boost::shared_ptr<void>(watched));
  watched.reset();
  EXPECT_FALSE(withWatched->sender());

  DerivedSender plain;
  const auto withPlain = CtrvNotification::create(2, static_cast<Sender*>(&plain));
  EXPECT_TRUE(withPlain->rawSender() == &plain && !withPlain->sender());
  EXPECT_EQ(*withPlain->senderClass(), typeid(DerivedSender));
}

}  // namespace
