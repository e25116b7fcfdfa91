#include <CtrvLogManager.h>
#include <CtrvMemoryProgressDelegate.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <gtest/gtest.h>

namespace {

// An indicator that names no figure never cancels by itself (whatever the
// limits), still passes on the embedded delegate's cancellation and every
// other operation, and logs the failed query rather than crashing.
TEST(MemoryDelegateFault, AnInvalidIndicatorNeverCancelsOnItsOwn) {
  CtrvLogManager::createInstance("");
  const auto embedded = CtrvNotifyingProgressDelegate::create();
  for (int invalid : {-1, 17, 1 << 30}) {
    const auto indicator = static_cast<CtrvMemory::Indicator>(invalid);
    const auto tooLow = CtrvMemoryProgressDelegate::createWithMin(indicator, ~0ul, embedded);
    const auto tooHigh = CtrvMemoryProgressDelegate::createWithMax(indicator, 0ul, embedded);
    for (const auto& delegate : {tooLow, tooHigh}) {
      const unsigned int errors = CtrvLogManager::countMessages();
      delegate->start();
      EXPECT_FALSE(delegate->cancelled()) << invalid;
      EXPECT_GT(CtrvLogManager::countMessages(), errors) << "the failed query is logged";
      delegate->stepCount(3);
      EXPECT_TRUE(delegate->nextStep());
      EXPECT_EQ(embedded->step(), 1u);
      embedded->cancelled(true);
      EXPECT_TRUE(delegate->cancelled()) << "the embedded delegate still decides";
      embedded->cancelled(false);
      EXPECT_FALSE(delegate->cancelled());
      delegate->finish();
    }
  }
}

}  // namespace
