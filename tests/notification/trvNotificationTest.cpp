#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <string>

namespace {

struct Sender {
  virtual ~Sender() = default;
};
struct DerivedSender : Sender {};

TEST(NotificationIdentifiers, EveryTypeIdentifierComesFirstAndIsSpelledWithEmptyNames) {
  EXPECT_EQ(CtrvNotificator::ANY_TYPE, 1u);
  EXPECT_EQ(CtrvNotification::nameFromType(CtrvNotificator::ANY_TYPE), "::");
}

TEST(NotificationIdentifiers, MakeIdNumbersConsecutivelyAndRecordsEveryPair) {
  const unsigned int first = CtrvNotification::makeID("CtrvWidget", "DID_OPEN");
  const unsigned int second = CtrvNotification::makeID("CtrvWidget", "DID_OPEN");
  const unsigned int third = CtrvNotification::makeID("", "");
  EXPECT_GT(first, CtrvNotificator::ANY_TYPE);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(third, second + 1);
  EXPECT_EQ(CtrvNotification::nameFromType(first), "CtrvWidget::DID_OPEN");
  EXPECT_EQ(CtrvNotification::nameFromType(second), "CtrvWidget::DID_OPEN");
  EXPECT_EQ(CtrvNotification::nameFromType(third), "::");
  EXPECT_EQ(CtrvNotification::nameFromType(0), "");
  EXPECT_EQ(CtrvNotification::nameFromType(third + 1), "");
  EXPECT_EQ(CtrvNotification::makeID("a", "b"), third + 1) << "spelling must not record anything";
}

TEST(Notification, StartsWithTypeOnlyAndAbsentKeysReadAsZero) {
  const auto notification = CtrvNotification::create(7);
  EXPECT_EQ(notification->type(), 7u);
  EXPECT_FALSE(notification->sender());
  EXPECT_EQ(notification->rawSender(), nullptr);
  EXPECT_EQ(notification->senderClass(), nullptr);
  EXPECT_EQ(notification->doubleValue("x"), 0.0);
  EXPECT_FALSE(notification->boolValue("x"));
  EXPECT_EQ(notification->intValue("x"), 0);
  EXPECT_EQ(notification->unsignedIntValue("x"), 0u);
  EXPECT_EQ(notification->stringValue("x"), "");
}

TEST(Notification, TablesAreIndependentAndSettersOverwrite) {
  const auto notification = CtrvNotification::create(3);
  notification->doubleValue("progress", 0.5);
  notification->doubleValue("progress", 0.75);
  notification->intValue("progress", 42);
  notification->unsignedIntValue("progress", 4000000000u);
  notification->boolValue("progress", true);
  notification->stringValue("progress", "half");
  notification->stringValue("Progress", "case matters");
  EXPECT_EQ(notification->doubleValue("progress"), 0.75);
  EXPECT_EQ(notification->intValue("progress"), 42);
  EXPECT_EQ(notification->unsignedIntValue("progress"), 4000000000u);
  EXPECT_TRUE(notification->boolValue("progress"));
  EXPECT_EQ(notification->stringValue("progress"), "half");
  EXPECT_EQ(notification->stringValue("Progress"), "case matters");
}

TEST(Notification, SharedSenderIsKeptAliveWeakSenderIsOnlyWatched) {
  auto owned = boost::make_shared<DerivedSender>();
  boost::weak_ptr<DerivedSender> watchOwned = owned;
  const auto withShared = CtrvNotification::create(2, boost::shared_ptr<Sender>(owned));
  owned.reset();
  ASSERT_FALSE(watchOwned.expired());
  EXPECT_EQ(withShared->sender().get(), static_cast<void*>(watchOwned.lock().get()));
  EXPECT_EQ(withShared->rawSender(), nullptr);
  EXPECT_EQ(*withShared->senderClass(), typeid(DerivedSender)) << "the dynamic class is recorded";

  auto watched = boost::make_shared<Sender>();
  const auto withWeak = CtrvNotification::create(2, boost::weak_ptr<Sender>(watched));
  EXPECT_EQ(withWeak->sender(), boost::shared_ptr<void>(watched));
  watched.reset();
  EXPECT_FALSE(withWeak->sender());

  DerivedSender plain;
  const auto withRaw = CtrvNotification::create(2, &plain);
  EXPECT_EQ(withRaw->rawSender(), static_cast<void*>(&plain));
  EXPECT_FALSE(withRaw->sender());
  EXPECT_EQ(*withRaw->senderClass(), typeid(DerivedSender));

  const auto untyped =
      CtrvNotification::create(2, boost::shared_ptr<void>(boost::make_shared<int>()));
  EXPECT_TRUE(untyped->sender());
  EXPECT_EQ(untyped->senderClass(), nullptr) << "an untyped sender has no known class";
}

TEST(Notification, CopiesAreMemberWiseAndIndependent) {
  auto sender = boost::make_shared<Sender>();
  const auto source = CtrvNotification::create(5, sender);
  source->doubleValue("d", 1.5);
  source->stringValue("s", "text");
  CtrvNotification copy(*source);
  copy.doubleValue("d", 2.5);
  copy.stringValue("t", "more");
  EXPECT_EQ(copy.type(), 5u);
  EXPECT_EQ(copy.sender(), source->sender()) << "the owning sender is shared, not cloned";
  EXPECT_EQ(copy.stringValue("s"), "text");
  EXPECT_EQ(source->doubleValue("d"), 1.5);
  EXPECT_EQ(source->stringValue("t"), "");

  const auto other = CtrvNotification::create(9);
  *other = copy;
  EXPECT_EQ(other->type(), 5u);
  EXPECT_EQ(other->doubleValue("d"), 2.5);
  EXPECT_EQ(other->sender(), source->sender());
}

}  // namespace
