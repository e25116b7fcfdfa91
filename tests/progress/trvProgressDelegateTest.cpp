#include <CtrvProgressHelper.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::PlainDelegate;

TEST(CtrvProgressDelegate, FreshDelegateIsSilentAndWelcomesReports) {
  PlainDelegate delegate;
  EXPECT_EQ(delegate.stepCount(), 1u);
  EXPECT_EQ(delegate.step(), 0u);
  EXPECT_FALSE(delegate.hasStarted());
  EXPECT_FALSE(delegate.cancellable());
  EXPECT_TRUE(delegate.shouldReport());
  EXPECT_FALSE(delegate.cancelled());

  // The cancellable flag is information only: cancelled() ignores it.
  delegate.cancellable(true);
  EXPECT_TRUE(delegate.cancellable());
  EXPECT_FALSE(delegate.cancelled());
  delegate.report(0.5f, "ignored");
  delegate.refresh();
  EXPECT_EQ(delegate.step(), 0u);
}

TEST(CtrvProgressDelegate, NextStepClimbsToTheStepCountAndStopsThere) {
  PlainDelegate delegate;
  EXPECT_TRUE(delegate.nextStep());
  EXPECT_EQ(delegate.step(), 1u);
  EXPECT_TRUE(delegate.nextStep());
  EXPECT_EQ(delegate.step(), 1u);

  PlainDelegate empty;
  empty.stepCount(0);
  EXPECT_TRUE(empty.nextStep());
  EXPECT_EQ(empty.step(), 0u);

  // Lowering the count leaves the step alone; the next step moves back to the count.
  PlainDelegate lowered;
  lowered.stepCount(10);
  for (int i = 0; i < 5; ++i) lowered.nextStep();
  lowered.stepCount(3);
  EXPECT_EQ(lowered.step(), 5u);
  lowered.nextStep();
  EXPECT_EQ(lowered.step(), 3u);
}

TEST(CtrvProgressDelegate, StartAndFinishDriveTheStartedFlagAndTheStep) {
  PlainDelegate delegate;
  delegate.stepCount(4);
  delegate.start();
  EXPECT_TRUE(delegate.hasStarted());
  delegate.nextStep();
  delegate.nextStep();
  delegate.finish();
  EXPECT_FALSE(delegate.hasStarted());
  EXPECT_EQ(delegate.step(), 2u);
  EXPECT_EQ(delegate.stepCount(), 4u);

  // A copy takes the whole step state; a restart numbers from 0 again.
  PlainDelegate copy(delegate);
  copy.start();
  copy.start();
  EXPECT_EQ(copy.step(), 0u);
  EXPECT_TRUE(copy.hasStarted());
  EXPECT_EQ(copy.stepCount(), 4u);
  EXPECT_EQ(delegate.step(), 2u);
  delegate = copy;
  EXPECT_EQ(delegate.step(), 0u);
  EXPECT_TRUE(delegate.hasStarted());
}

// nextStep() reads the count and the step through the virtual getters.
class OverridingGetters : public CtrvProgressDelegate {
 public:
  unsigned int count = 7;
  unsigned int current = 2;
  unsigned int stepCount() const override { return count; }
  unsigned int step() const override { return current; }
  unsigned int storedStep() const { return CtrvProgressDelegate::step(); }
};

TEST(CtrvProgressDelegate, NextStepGoesThroughTheVirtualGettersAndNeverWraps) {
  OverridingGetters delegate;
  delegate.nextStep();
  EXPECT_EQ(delegate.storedStep(), 3u);

  // At the largest step the next one stays at the count instead of wrapping to 0.
  delegate.current = std::numeric_limits<unsigned int>::max();
  delegate.count = std::numeric_limits<unsigned int>::max();
  delegate.nextStep();
  EXPECT_EQ(delegate.storedStep(), std::numeric_limits<unsigned int>::max());
  delegate.count = 7;
  delegate.nextStep();
  EXPECT_EQ(delegate.storedStep(), 7u);
}

TEST(CtrvProgressHelper, CalculateProgressDividesInDoubleAndRoundsOnce) {
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(0, 4, 0.5f), 0.125f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(3, 4, 1.0f), 1.0f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(4, 4, 0.0f), 1.0f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(5, 4, 0.0f), 1.25f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(0, 4, -1.0f), -0.25f);

  // In float arithmetic the added step fraction would be lost (2^24 + 1).
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(16777216u, 5, 1.0f),
            static_cast<float>(16777217.0 / 5.0));
  // Counts at or above 2^31 stay positive.
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(3000000000u, 4000000000u, 0.0f), 0.75f);

  const float infinite = CtrvProgressHelper::calculateProgress(1, 0, 0.0f);
  EXPECT_TRUE(std::isinf(infinite) && infinite > 0.0f);
  EXPECT_TRUE(std::isnan(CtrvProgressHelper::calculateProgress(0, 0, 0.0f)));
}

}  // namespace
