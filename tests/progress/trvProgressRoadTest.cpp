// One long operation driving a timed delegate over a forwarding delegate over
// a notifying delegate, with an observer that stops it part way.

#include <CtrvForwardingProgressDelegate.h>
#include <CtrvProgressHelper.h>
#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <thread>

#include "progress/trvProgressTestSupport.h"

using Delegate = CtrvNotifyingProgressDelegate;

// Two steps of 100 items; the operation reports into the upper half of the
// parent's range.
float ownProgress(int item) {
  return CtrvProgressHelper::calculateProgress(item / 100, 2, item % 100 / 100.0f);
}

TEST(ProgressRoad, ThrottledMappedReportsReachTheObserverWhichStopsTheOperation) {
  const auto notifying = Delegate::create();
  const auto forwarding = CtrvForwardingProgressDelegate::create(notifying);
  forwarding->min(0.5f);
  const auto timed = CtrvTimedProgressDelegate::create(forwarding, 0.05);
  trvTest::Observer observer(*notifying, 0.875);
  timed->stepCount(2);
  timed->start();
  std::string stoppedAfter;
  for (int item = 0; item < 200 && stoppedAfter.empty(); ++item) {
    if (item == 100) timed->nextStep();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (timed->shouldReport()) timed->report(ownProgress(item), std::to_string(item));
    if (timed->cancelled()) stoppedAfter = std::to_string(item);
  }

  // Stopped at the poll right after the report that crossed the threshold.
  const auto& reports = observer.reports;
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.back()->stringValue(Delegate::MESSAGE_KEY), stoppedAfter);
  EXPECT_LT(reports[reports.size() - 2]->doubleValue(Delegate::PROGRESS_KEY), 0.875);
  // Mapped into the parent's range; but for those right after the start and
  // the step change, reports come at least the minimum update time apart
  // (less a little for the millisecond clock).
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const int item = std::stoi(reports[i]->stringValue(Delegate::MESSAGE_KEY));
    EXPECT_EQ(reports[i]->doubleValue(Delegate::PROGRESS_KEY),
              static_cast<float>(0.5 * ownProgress(item) + 0.5));
    const std::chrono::duration<double> gap = observer.times[i] - observer.times[i - (i > 0)];
    EXPECT_TRUE(item % 100 == 0 || gap.count() >= 0.045) << item << " came too early";
  }
}
