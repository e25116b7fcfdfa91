#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "progress/trvProgressTestSupport.h"

namespace {

using trvTest::makeRecorder;
using trvTest::RecordingDelegate;

// Wide margins: a report is expected to pass only after twice the minimum
// update time and to be dropped well within it.
constexpr double kMinUpdate = 0.3;
constexpr int kWellWithinMs = 20;
constexpr int kWellBeyondMs = 600;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct TimedOverRecorder {
  boost::shared_ptr<RecordingDelegate> inner = makeRecorder();
  boost::shared_ptr<CtrvTimedProgressDelegate> timed =
      CtrvTimedProgressDelegate::create(inner, kMinUpdate);
};

TEST(CtrvTimedProgressDelegate, DropsReportsWithinTheMinimumUpdateTime) {
  TimedOverRecorder chain;
  EXPECT_EQ(chain.timed->minUpdateTime(), kMinUpdate);
  chain.timed->start();
  chain.timed->report(0.1f, "first");
  sleepMs(kWellWithinMs);
  EXPECT_FALSE(chain.timed->shouldReport());
  chain.timed->report(0.2f, "too early");
  sleepMs(kWellBeyondMs);
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.3f, "later");
  chain.timed->report(0.4f, "too early again");

  ASSERT_EQ(chain.inner->reports.size(), 2u);
  EXPECT_EQ(chain.inner->reports[0].second, "first");
  EXPECT_EQ(chain.inner->reports[1].first, 0.3f);
  EXPECT_EQ(chain.inner->reports[1].second, "later");
}

TEST(CtrvTimedProgressDelegate, RefreshIsThrottledOnTheSameClockAsReports) {
  TimedOverRecorder chain;
  chain.timed->start();
  chain.timed->report(0.1f, "first");
  chain.timed->refresh();
  EXPECT_EQ(chain.inner->refreshes, 0);

  sleepMs(kWellBeyondMs);
  chain.timed->refresh();
  EXPECT_EQ(chain.inner->refreshes, 1);
  chain.timed->report(0.2f, "just after the refresh");  // the refresh restarted the clock
  EXPECT_EQ(chain.inner->reports.size(), 1u);
}

TEST(CtrvTimedProgressDelegate, StartAndNextStepLetTheNextReportThrough) {
  TimedOverRecorder chain;
  chain.inner->stepCount(3);

  // A new delegate welcomes its first report, even when asked first.
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.0f, "before start");
  chain.timed->start();
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.0f, "started");
  chain.timed->report(0.1f, "dropped");

  EXPECT_TRUE(chain.timed->nextStep());
  EXPECT_EQ(chain.inner->step(), 1u);
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.4f, "step 1");
  chain.timed->report(0.5f, "dropped");

  ASSERT_EQ(chain.inner->reports.size(), 3u);
  EXPECT_EQ(chain.inner->reports[0].second, "before start");
  EXPECT_EQ(chain.inner->reports[1].second, "started");
  EXPECT_EQ(chain.inner->reports[2].second, "step 1");
}

TEST(CtrvTimedProgressDelegate, TheEmbeddedDelegateHasTheLastWordButIsAskedOnlyInTime) {
  TimedOverRecorder chain;
  chain.timed->start();
  chain.inner->welcomesReports = false;
  EXPECT_FALSE(chain.timed->shouldReport());
  chain.timed->report(0.1f, "refused");
  chain.timed->refresh();
  EXPECT_TRUE(chain.inner->reports.empty());
  EXPECT_EQ(chain.inner->refreshes, 0);

  // Nothing went through, so the throttle was not restarted.
  chain.inner->welcomesReports = true;
  chain.timed->report(0.2f, "welcome");
  ASSERT_EQ(chain.inner->reports.size(), 1u);

  // A throttled check and a dropped report leave the embedded delegate alone.
  const int askedBefore = chain.inner->shouldReportCalls;
  EXPECT_FALSE(chain.timed->shouldReport());
  chain.timed->report(0.3f, "dropped");
  EXPECT_EQ(chain.inner->shouldReportCalls, askedBefore);

  // Cancellation and finishing are never throttled; finishing changes nothing here.
  chain.inner->isCancelled = true;
  EXPECT_TRUE(chain.timed->cancelled());
  chain.timed->finish();
  EXPECT_EQ(chain.inner->finishes, 1);
  chain.timed->report(0.4f, "dropped after finish");
  EXPECT_EQ(chain.inner->reports.size(), 1u);
}

TEST(CtrvTimedProgressDelegate, ZeroOrNegativeMinimumDisablesTheThrottle) {
  TimedOverRecorder chain;
  chain.timed->minUpdateTime(0.0);
  chain.timed->start();
  for (int i = 0; i < 50; ++i) chain.timed->report(i / 50.0f, "");
  chain.timed->minUpdateTime(-1.0);
  for (int i = 0; i < 50; ++i) chain.timed->report(i / 50.0f, "");
  EXPECT_EQ(chain.inner->reports.size(), 100u);
}

TEST(CtrvTimedProgressDelegate, CopiesKeepTheThrottleStateAndAnEmptyDelegateStaysSilent) {
  TimedOverRecorder chain;
  chain.timed->start();
  chain.timed->report(0.1f, "first");
  CtrvTimedProgressDelegate copy(*chain.timed);
  copy.report(0.2f, "dropped by the copy");
  EXPECT_EQ(chain.inner->reports.size(), 1u);
  copy.nextStep();
  copy.report(0.3f, "forced by the copy");
  chain.timed->report(0.4f, "still throttled");
  EXPECT_EQ(chain.inner->reports.size(), 2u);

  const boost::shared_ptr<CtrvTimedProgressDelegate> silent =
      CtrvTimedProgressDelegate::create(boost::shared_ptr<CtrvProgressDelegate>(), kMinUpdate);
  silent->start();
  EXPECT_TRUE(silent->shouldReport());
  silent->report(0.5f, "nobody listens");
  silent->refresh();
  EXPECT_FALSE(silent->cancelled());
  EXPECT_TRUE(silent->hasStarted());
}

}  // namespace
