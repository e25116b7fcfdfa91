#include <CtrvForwardingProgressDelegate.h>
#include <gtest/gtest.h>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::makeRecorder;
using trvTest::RecordingDelegate;

// The progresses that reach the parent when a delegate mapping onto
// [min, max] is given `reported`.
std::vector<float> mapped(float min, float max, const std::vector<float>& reported) {
  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(parent);
  forwarding->min(min);
  forwarding->max(max);
  for (const float progress : reported) forwarding->report(progress, "");
  return parent->progresses();
}

TEST(CtrvForwardingProgressDelegate, MapsReportsLinearlyIntoTheRangeWithoutClamping) {
  EXPECT_EQ(mapped(0.0f, 1.0f, {0.0f, 0.3f, 1.0f}), (std::vector<float>{0.0f, 0.3f, 1.0f}));
  EXPECT_EQ(mapped(0.25f, 0.75f, {0.0f, 0.5f, 1.0f, 2.0f, -1.0f}),
            (std::vector<float>{0.25f, 0.5f, 0.75f, 1.25f, -0.25f}));
  EXPECT_EQ(mapped(1.0f, 0.0f, {0.25f}), (std::vector<float>{0.75f}));
  // Float arithmetic would round three times and land one unit lower.
  const double exact = (double{0.7f} - double{0.1f}) * double{1.0f / 3.0f} + double{0.1f};
  EXPECT_EQ(mapped(0.1f, 0.7f, {1.0f / 3.0f}), (std::vector<float>{static_cast<float>(exact)}));
}

TEST(CtrvForwardingProgressDelegate, CreateRefusesAnEmptyDelegateAndDefaultsToTheWholeRange) {
  EXPECT_FALSE(CtrvForwardingProgressDelegate::create(boost::shared_ptr<CtrvProgressDelegate>()));
  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(parent);
  ASSERT_TRUE(forwarding);
  EXPECT_EQ(forwarding->min(), 0.0f);
  EXPECT_EQ(forwarding->max(), 1.0f);
  forwarding->report(0.5f, "message");
  EXPECT_EQ(parent->reports.at(0).second, "message");
}

TEST(CtrvForwardingProgressDelegate, PreventFlagsKeepStartAndFinishFromTheParent) {
  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(parent);
  EXPECT_FALSE(forwarding->preventStart() || forwarding->preventFinish());
  parent->stepCount(3);

  forwarding->preventStart(true);
  forwarding->start();
  EXPECT_FALSE(forwarding->hasStarted());
  forwarding->preventStart(false);
  forwarding->start();
  EXPECT_TRUE(parent->hasStarted());

  // Steps and cancellation always reach the parent.
  EXPECT_TRUE(forwarding->nextStep());
  EXPECT_EQ(parent->step(), 1u);
  parent->isCancelled = true;
  EXPECT_TRUE(forwarding->cancelled());

  forwarding->preventFinish(true);
  forwarding->finish();
  EXPECT_TRUE(parent->hasStarted());
  forwarding->preventFinish(false);
  forwarding->finish();
  EXPECT_FALSE(parent->hasStarted());
}

}  // namespace
