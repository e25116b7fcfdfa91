#include <CtrvUniqueIDDispenser.h>
#include <gtest/gtest.h>

namespace {

// Reads the protected self reference of any dispenser.
struct SelfReference : CtrvUniqueIDDispenser {
  static boost::shared_ptr<CtrvUniqueIDDispenser> of(const CtrvUniqueIDDispenser& dispenser) {
    return (dispenser.*(&SelfReference::m_self)).lock();
  }
};

TEST(CtrvUniqueIDDispenser, EachDispenserCountsFromOneOnItsOwn) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> first = CtrvUniqueIDDispenser::create();
  const boost::shared_ptr<CtrvUniqueIDDispenser> second = CtrvUniqueIDDispenser::create();
  EXPECT_EQ(first->dispense(), 1u);
  EXPECT_EQ(first->dispense(), 2u);
  EXPECT_EQ(second->dispense(), 1u);
  EXPECT_EQ(SelfReference::of(*first), first);

  // A copy is member-wise: it counts on from the same value, on its own,
  // and keeps the self reference.
  CtrvUniqueIDDispenser copy(*first);
  EXPECT_EQ(copy.dispense(), 3u);
  EXPECT_EQ(first->dispense(), 3u);
  EXPECT_EQ(SelfReference::of(copy), first);
}

TEST(CtrvUniqueIDDispenser, SharedDispenserIsOneSequenceForTheWholeProcess) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> first = CtrvUniqueIDDispenser::sharedDispenser();
  const boost::shared_ptr<CtrvUniqueIDDispenser> second = CtrvUniqueIDDispenser::sharedDispenser();
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  const unsigned int drawn = first->dispense();
  EXPECT_EQ(second->dispense(), drawn + 1u);
  EXPECT_EQ(SelfReference::of(*first), first);
}

}  // namespace
