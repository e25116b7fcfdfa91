// SPDX-License-Identifier: MIT
#include <CtrvForwardingProgressDelegate.h>
#include <CtrvProgressHelper.h>
#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::RecordingDelegate;
using Notifying = CtrvNotifyingProgressDelegate;

// nextStep() reads the count and the step through the virtual getters.
struct OverridingGetters : RecordingDelegate {
  unsigned int count = 7, current = 2;
  unsigned int stepCount() const override { return count; }
  unsigned int step() const override { return current; }
};

TEST(CtrvProgressDelegate, NextStepGoesThroughTheGettersAndNeverWrapsToZero) {
  OverridingGetters delegate;
  delegate.nextStep();
  EXPECT_EQ(delegate.CtrvProgressDelegate::step(), 3u);
  delegate.current = delegate.count = std::numeric_limits<unsigned int>::max();
  delegate.nextStep();
  EXPECT_EQ(delegate.CtrvProgressDelegate::step(), delegate.count);
  // In float arithmetic the step fraction would be lost next to 2^24.
  EXPECT_EQ(CtrvProgressHelper::calculateProgress(16777216u, 5, 1.0f),
            static_cast<float>(16777217.0 / 5.0));
}

TEST(CtrvForwardingProgressDelegate, MapsReportsIntoItsRangeAndMayKeepStartAndFinishBack) {
  const auto parent = boost::make_shared<RecordingDelegate>();
  const auto forwarding = CtrvForwardingProgressDelegate::create(parent);
  forwarding->min(0.25f);
  forwarding->max(0.75f);
  for (float progress : {0.5f, 2.0f, -1.0f}) forwarding->report(progress, "");
  forwarding->min(0.1f);
  forwarding->max(0.7f);
  forwarding->report(1.0f / 3.0f, "");  // float arithmetic would land one unit lower
  const float exact = (double{0.7f} - double{0.1f}) * double{1.0f / 3.0f} + double{0.1f};
  EXPECT_EQ(parent->progresses, (std::vector<float>{0.5f, 1.25f, -0.25f, exact}));
  forwarding->preventStart(true);
  forwarding->preventFinish(true);
  forwarding->start();
  forwarding->finish();
  forwarding->preventStart(false);
  forwarding->start();
  EXPECT_EQ(parent->journal, "    start ") << "four reports, one start";
}

// Wide margins: a report passes only well beyond the minimum update time and
// is dropped well within it.
TEST(CtrvTimedProgressDelegate, ReportsAndRefreshesShareOneThrottleThatStartAndStepsReopen) {
  auto inner = boost::make_shared<RecordingDelegate>();
  const auto timed = CtrvTimedProgressDelegate::create(inner, 0.3);
  inner->stepCount(3);
  timed->report(0.0f, "new");
  timed->start();
  timed->report(0.1f, "started");
  timed->report(0.2f, "dropped");
  timed->nextStep();
  timed->report(0.3f, "step");
  timed->refresh();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  inner->welcomesReports = false;
  timed->refresh();
  inner->welcomesReports = true;
  timed->refresh();
  timed->report(0.4f, "right after a refresh");
  timed->minUpdateTime(0.0);
  timed->report(0.5f, "unthrottled");
  EXPECT_EQ(inner->journal,
            "asked new start asked started asked step asked asked refresh asked unthrottled ");

  // A chained delegate keeps its embedded one alive during a call: this one
  // drops itself while reporting, then records.
  const boost::weak_ptr<RecordingDelegate> watch = inner;
  inner->onReport = [&] { timed->embeddedProgressDelegate(nullptr); };
  inner.reset();
  timed->report(0.6f, "last words");
  EXPECT_TRUE(watch.expired());
}

TEST(CtrvNotifyingProgressDelegate, PostsEachEventAfterChangingTheStateAndOwnsItsNotifications) {
  auto delegate = Notifying::create();
  const boost::weak_ptr<Notifying> watch = delegate;
  trvTest::Observer observer(*delegate);
  delegate->stepCount(2);
  delegate->start();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(delegate->nextStep());
  delegate->shouldReport(false);
  delegate->cancelled(true);
  delegate->report(0.1f, "unwelcome but posted");
  delegate->refresh();
  delegate->finish();
  EXPECT_EQ(observer.journal,
            "DID_START:0+ DID_CHANGE_STEP:1+ DID_CHANGE_STEP:2+ DID_CHANGE_STEP:2+ "
            "DID_REPORT:2+ DID_REFRESH:2+ DID_FINISH:2 ");
  ASSERT_EQ(observer.reports.size(), 1u);
  EXPECT_EQ(observer.reports[0]->doubleValue(Notifying::PROGRESS_KEY), double{0.1f});
  EXPECT_EQ(observer.reports[0]->sender(), delegate);
  delegate.reset();
  EXPECT_FALSE(watch.expired()) << "kept by the notification the observer holds";
}

}  // namespace
