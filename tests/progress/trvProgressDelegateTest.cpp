#include <CtrvProgressHelper.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "progress/trvProgressTestSupport.h"

namespace {

constexpr unsigned int kLargest = std::numeric_limits<unsigned int>::max();

TEST(CtrvProgressDelegate, StepClimbsFromStartToTheCountAndNoFurther) {
  trvTest::RecordingDelegate delegate;
  EXPECT_EQ(delegate.stepCount(), 1u);
  EXPECT_FALSE(delegate.hasStarted() || delegate.cancellable());
  EXPECT_TRUE(delegate.CtrvProgressDelegate::shouldReport());
  EXPECT_TRUE(delegate.nextStep() && delegate.nextStep());
  EXPECT_EQ(delegate.step(), 1u);

  delegate.stepCount(10);
  delegate.start();
  for (int i = 0; i < 5; ++i) delegate.nextStep();
  delegate.stepCount(3);  // the step stays beyond the count until the next step
  EXPECT_EQ(delegate.step(), 5u);
  delegate.nextStep();
  EXPECT_EQ(delegate.step(), 3u);
  delegate.finish();
  EXPECT_FALSE(delegate.hasStarted());
  EXPECT_EQ(delegate.step(), 3u);
  delegate.start();
  EXPECT_EQ(delegate.step(), 0u);

  delegate.stepCount(0);
  delegate.nextStep();
  EXPECT_EQ(delegate.step(), 0u);
}

// nextStep() must read the count and the step through the virtual getters.
class OverridingGetters : public trvTest::RecordingDelegate {
 public:
  unsigned int count = 7, current = 2;
  unsigned int stepCount() const override { return count; }
  unsigned int step() const override { return current; }
  unsigned int storedStep() const { return CtrvProgressDelegate::step(); }
};

TEST(CtrvProgressDelegate, NextStepUsesTheVirtualGettersAndNeverWrapsToZero) {
  OverridingGetters delegate;
  delegate.nextStep();
  EXPECT_EQ(delegate.storedStep(), 3u);
  delegate.current = delegate.count = kLargest;
  delegate.nextStep();
  EXPECT_EQ(delegate.storedStep(), kLargest);
  delegate.count = 7;
  delegate.nextStep();
  EXPECT_EQ(delegate.storedStep(), 7u);
}

TEST(CtrvProgressHelper, CalculateProgressDividesInDoubleAndRoundsOnce) {
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(0, 4, 0.5f), 0.125f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(3, 4, 1.0f), 1.0f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(5, 4, 0.0f), 1.25f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(0, 4, -1.0f), -0.25f);
  // In float arithmetic the step fraction would be lost next to 2^24.
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(16777216u, 5, 1.0f),
            static_cast<float>(16777217.0 / 5.0));
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(3000000000u, 4000000000u, 0.0f), 0.75f);
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(1, 0, 0.0f), INFINITY);
  EXPECT_TRUE(std::isnan(CtrvProgressHelper::calculateProgress(0, 0, 0.0f)));
}

}  // namespace
