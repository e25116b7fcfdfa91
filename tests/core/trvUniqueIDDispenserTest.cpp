// SPDX-License-Identifier: MIT
#include <CtrvUniqueIDDispenser.h>
#include <gtest/gtest.h>

TEST(CtrvUniqueIDDispenser, EachDispenserCountsFromOneOnItsOwn) {
  const boost::shared_ptr<CtrvUniqueIDDispenser> first = CtrvUniqueIDDispenser::create();
  EXPECT_EQ(first->dispense(), 1u);
  EXPECT_EQ(first->dispense(), 2u);
  EXPECT_EQ(CtrvUniqueIDDispenser::create()->dispense(), 1u);
  EXPECT_EQ(CtrvUniqueIDDispenser::sharedDispenser(), CtrvUniqueIDDispenser::sharedDispenser());
}
