#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "progress/trvProgressTestSupport.h"

namespace {

// Wide margins: a report passes only well beyond the minimum update time and
// is dropped well within it.
constexpr double kMinUpdate = 0.3;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct TimedOverRecorder {
  boost::shared_ptr<trvTest::RecordingDelegate> inner = trvTest::makeRecorder();
  boost::shared_ptr<CtrvTimedProgressDelegate> timed =
      CtrvTimedProgressDelegate::create(inner, kMinUpdate);
};

TEST(CtrvTimedProgressDelegate, ReportsAndRefreshesShareOneThrottle) {
  TimedOverRecorder chain;
  chain.timed->start();
  chain.timed->report(0.1f, "first");
  sleepMs(20);
  EXPECT_FALSE(chain.timed->shouldReport());
  chain.timed->report(0.2f, "too early");
  chain.timed->refresh();
  sleepMs(600);
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.3f, "later");
  chain.timed->refresh();
  sleepMs(600);
  chain.timed->refresh();
  chain.timed->report(0.4f, "right after a refresh");

  EXPECT_EQ(chain.inner->progresses(), (std::vector<float>{0.1f, 0.3f}));
  EXPECT_EQ(chain.inner->reports[1].second, "later");
  EXPECT_EQ(chain.inner->refreshes, 1);
}

TEST(CtrvTimedProgressDelegate, StartAndNextStepLetTheNextReportThrough) {
  TimedOverRecorder chain;
  chain.inner->stepCount(3);
  // A new delegate welcomes its first report, even when asked before it.
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.0f, "new");
  chain.timed->start();
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.0f, "started");
  chain.timed->report(0.1f, "dropped");
  EXPECT_TRUE(chain.timed->nextStep());
  EXPECT_EQ(chain.inner->step(), 1u);
  EXPECT_TRUE(chain.timed->shouldReport());
  chain.timed->report(0.4f, "next step");
  chain.timed->report(0.5f, "dropped");
  EXPECT_EQ(chain.inner->progresses(), (std::vector<float>{0.0f, 0.0f, 0.4f}));
}

TEST(CtrvTimedProgressDelegate, TheEmbeddedDelegateHasTheLastWordButIsAskedOnlyInTime) {
  TimedOverRecorder chain;
  chain.timed->start();
  chain.inner->welcomesReports = false;
  chain.timed->report(0.1f, "refused");
  chain.timed->refresh();
  // Nothing went through, so the throttle was not restarted.
  chain.inner->welcomesReports = true;
  chain.timed->report(0.2f, "welcome");
  EXPECT_EQ(chain.inner->progresses(), (std::vector<float>{0.2f}));
  EXPECT_EQ(chain.inner->refreshes, 0);

  const int askedBefore = chain.inner->shouldReportCalls;
  EXPECT_FALSE(chain.timed->shouldReport());
  chain.timed->report(0.3f, "dropped");
  EXPECT_EQ(chain.inner->shouldReportCalls, askedBefore);

  // Cancellation and finishing are never throttled.
  chain.inner->isCancelled = true;
  EXPECT_TRUE(chain.timed->cancelled());
  chain.timed->finish();
  EXPECT_EQ(chain.inner->finishes, 1);
}

TEST(CtrvTimedProgressDelegate, ZeroOrNegativeMinimumDisablesTheThrottle) {
  TimedOverRecorder chain;
  chain.timed->minUpdateTime(0.0);
  chain.timed->start();
  for (int i = 0; i < 20; ++i) chain.timed->report(0.5f, "");
  chain.timed->minUpdateTime(-1.0);
  EXPECT_EQ(chain.timed->minUpdateTime(), -1.0);
  for (int i = 0; i < 20; ++i) chain.timed->report(0.5f, "");
  EXPECT_EQ(chain.inner->reports.size(), 40u);
}

}  // namespace
