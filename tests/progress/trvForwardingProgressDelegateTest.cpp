#include <CtrvForwardingProgressDelegate.h>
#include <gtest/gtest.h>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::makeRecorder;
using trvTest::RecordingDelegate;

std::vector<float> progressesOf(const RecordingDelegate& recorder) {
  std::vector<float> progresses;
  for (const auto& report : recorder.reports) progresses.push_back(report.first);
  return progresses;
}

TEST(CtrvForwardingProgressDelegate, CreateRefusesAnEmptyDelegateAndDefaultsToTheWholeRange) {
  EXPECT_FALSE(CtrvForwardingProgressDelegate::create(boost::shared_ptr<CtrvProgressDelegate>()));

  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(parent);
  ASSERT_TRUE(forwarding);
  EXPECT_EQ(forwarding->embeddedProgressDelegate(), parent);
  EXPECT_EQ(forwarding->min(), 0.0f);
  EXPECT_EQ(forwarding->max(), 1.0f);
  EXPECT_FALSE(forwarding->preventStart());
  EXPECT_FALSE(forwarding->preventFinish());

  forwarding->report(0.0f, "a");
  forwarding->report(0.3f, "b");
  forwarding->report(1.0f, "c");
  EXPECT_EQ(progressesOf(*parent), (std::vector<float>{0.0f, 0.3f, 1.0f}));
  EXPECT_EQ(parent->reports[1].second, "b");
}

// The progresses that reach the parent when a delegate mapping onto
// [min, max] is given `reported`.
std::vector<float> mapped(float min, float max, const std::vector<float>& reported) {
  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(parent);
  forwarding->min(min);
  forwarding->max(max);
  for (const float progress : reported) forwarding->report(progress, "");
  return progressesOf(*parent);
}

TEST(CtrvForwardingProgressDelegate, MapsReportsLinearlyIntoTheRangeWithoutClamping) {
  EXPECT_EQ(mapped(0.25f, 0.75f, {0.0f, 0.5f, 1.0f, 2.0f, -1.0f}),
            (std::vector<float>{0.25f, 0.5f, 0.75f, 1.25f, -0.25f}));
  EXPECT_EQ(mapped(1.0f, 0.0f, {0.25f}), (std::vector<float>{0.75f}));

  // Float arithmetic would round three times and land one unit lower.
  const double exact = (double{0.7f} - double{0.1f}) * double{1.0f / 3.0f} + double{0.1f};
  EXPECT_EQ(mapped(0.1f, 0.7f, {1.0f / 3.0f}), (std::vector<float>{static_cast<float>(exact)}));
}

TEST(CtrvForwardingProgressDelegate, NestedSubRangesCompose) {
  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> firstHalf =
      CtrvForwardingProgressDelegate::create(parent);
  firstHalf->max(0.5f);
  const boost::shared_ptr<CtrvForwardingProgressDelegate> secondQuarter =
      CtrvForwardingProgressDelegate::create(firstHalf);
  secondQuarter->min(0.5f);
  secondQuarter->max(1.0f);

  secondQuarter->report(0.5f, "nested");
  EXPECT_EQ(progressesOf(*parent), (std::vector<float>{0.375f}));
  EXPECT_EQ(parent->reports[0].second, "nested");
}

TEST(CtrvForwardingProgressDelegate, PreventFlagsKeepStartAndFinishFromTheParent) {
  const boost::shared_ptr<RecordingDelegate> parent = makeRecorder();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(parent);
  parent->stepCount(3);

  forwarding->preventStart(true);
  forwarding->start();
  EXPECT_EQ(parent->starts, 0);
  EXPECT_FALSE(forwarding->hasStarted());
  forwarding->preventStart(false);
  forwarding->start();
  EXPECT_EQ(parent->starts, 1);
  EXPECT_TRUE(forwarding->hasStarted());

  // Steps, refreshes and cancellation always reach the parent.
  EXPECT_TRUE(forwarding->nextStep());
  EXPECT_EQ(parent->step(), 1u);
  forwarding->refresh();
  EXPECT_EQ(parent->refreshes, 1);
  parent->isCancelled = true;
  EXPECT_TRUE(forwarding->cancelled());

  forwarding->preventFinish(true);
  forwarding->finish();
  EXPECT_EQ(parent->finishes, 0);
  EXPECT_TRUE(parent->hasStarted());
  forwarding->preventFinish(false);
  forwarding->finish();
  EXPECT_FALSE(parent->hasStarted());
}

}  // namespace
