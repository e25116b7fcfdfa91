#include <CtrvUniqueIDDispenser.h>
#include <gtest/gtest.h>

namespace {

// Reads the protected self reference of any dispenser.
struct SelfReference : CtrvUniqueIDDispenser {
  static boost::weak_ptr<CtrvUniqueIDDispenser> of(const CtrvUniqueIDDispenser& dispenser) {
    return dispenser.*(&SelfReference::m_self);
  }
};

TEST(CtrvUniqueIDDispenser, EachDispenserCountsFromOneOnItsOwn) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> first = CtrvUniqueIDDispenser::create();
  const boost::shared_ptr<CtrvUniqueIDDispenser> second = CtrvUniqueIDDispenser::create();
  EXPECT_EQ(first->dispense(), 1u);
  EXPECT_EQ(first->dispense(), 2u);
  EXPECT_EQ(second->dispense(), 1u);
  EXPECT_EQ(first->dispense(), 3u);
}

TEST(CtrvUniqueIDDispenser, ACopyContinuesTheCountOnItsOwn) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> dispenser = CtrvUniqueIDDispenser::create();
  dispenser->dispense();
  CtrvUniqueIDDispenser copy(*dispenser);
  EXPECT_EQ(copy.dispense(), 2u);
  EXPECT_EQ(copy.dispense(), 3u);
  EXPECT_EQ(dispenser->dispense(), 2u);
}

TEST(CtrvUniqueIDDispenser, SelfReferenceLocksToTheOwningPointer) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> dispenser = CtrvUniqueIDDispenser::create();
  EXPECT_EQ(SelfReference::of(*dispenser).lock(), dispenser);
  // A copy takes the self reference along, member-wise.
  const CtrvUniqueIDDispenser copy(*dispenser);
  EXPECT_EQ(SelfReference::of(copy).lock(), dispenser);
}

TEST(CtrvUniqueIDDispenser, SharedDispenserIsOneSequenceForTheWholeProcess) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> first = CtrvUniqueIDDispenser::sharedDispenser();
  const boost::shared_ptr<CtrvUniqueIDDispenser> second = CtrvUniqueIDDispenser::sharedDispenser();
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  const unsigned int drawn = first->dispense();
  EXPECT_EQ(second->dispense(), drawn + 1u);
  EXPECT_EQ(SelfReference::of(*first).lock(), first);
}

}  // namespace
