// One long operation driving a timed delegate over a forwarding delegate over
// a notifying delegate, with an observer that stops it part way.

#include <CtrvForwardingProgressDelegate.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvProgressHelper.h>
#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Delegate = CtrvNotifyingProgressDelegate;

constexpr double kMinUpdate = 0.05;
constexpr unsigned int kSteps = 2;
constexpr int kItems = 100;          // per step
constexpr float kRangeMin = 0.5f;    // the operation reports into the
constexpr double kCancelAt = 0.875;  // upper half of the parent's range

struct Received {
  double progress;
  std::string message;
  Clock::time_point when;
};

// Records each report and, once progress reaches kCancelAt, stops the operation.
class CancellingObserver {
 public:
  explicit CancellingObserver(const boost::shared_ptr<Delegate>& target) : m_target(target) {
    m_target->notificator()->subscribe(Delegate::DID_REPORT, this, &CancellingObserver::onReport);
  }
  ~CancellingObserver() { m_target->notificator()->unsubscribe(this); }

  void onReport(const boost::shared_ptr<const CtrvNotification>& notification) {
    const double progress = notification->doubleValue(Delegate::PROGRESS_KEY);
    received.push_back({progress, notification->stringValue(Delegate::MESSAGE_KEY), Clock::now()});
    if (progress >= kCancelAt) m_target->cancelled(true);
  }

  std::vector<Received> received;

 private:
  boost::shared_ptr<Delegate> m_target;
};

float ownProgress(unsigned int step, int item) {
  return CtrvProgressHelper::calculateProgress(step, kSteps, static_cast<float>(item) / kItems);
}

std::string itemName(unsigned int step, int item) {
  return std::to_string(step) + ":" + std::to_string(item);
}

// Runs the operation; returns the item after which it saw cancelled() true.
std::string runOperation(CtrvProgressDelegate& delegate) {
  delegate.stepCount(kSteps);
  delegate.start();
  for (unsigned int step = 0; step < kSteps; ++step, delegate.nextStep()) {
    for (int item = 0; item < kItems; ++item) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (delegate.shouldReport()) {
        delegate.report(ownProgress(delegate.step(), item), itemName(step, item));
      }
      if (delegate.cancelled()) return itemName(step, item);
    }
  }
  return "never stopped";
}

TEST(ProgressRoad, ThrottledMappedReportsReachTheObserverWhichStopsTheOperation) {
  const boost::shared_ptr<Delegate> notifying = Delegate::create();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(notifying);
  forwarding->min(kRangeMin);
  const boost::shared_ptr<CtrvTimedProgressDelegate> timed =
      CtrvTimedProgressDelegate::create(forwarding, kMinUpdate);
  CancellingObserver observer(notifying);

  const Clock::time_point begin = Clock::now();
  const std::string stoppedAfter = runOperation(*timed);
  const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
  const std::vector<Received>& received = observer.received;

  // Stopped at the poll right after the report that crossed the threshold.
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(stoppedAfter, received.back().message);
  EXPECT_GE(received.back().progress, kCancelAt);
  EXPECT_LT(received[received.size() - 2].progress, kCancelAt);
  EXPECT_EQ(notifying->stepCount(), kSteps);

  // Mapped into the parent's range; the start and the step change are let
  // through at once; other reports come at least the minimum update time
  // apart (less a little for the millisecond clock), which bounds their number.
  const double leastGap = kMinUpdate - 0.005;
  int forced = 0;
  for (std::size_t i = 0; i < received.size(); ++i) {
    const std::string& message = received[i].message;
    const unsigned int step = std::stoul(message.substr(0, message.find(':')));
    const int item = std::stoi(message.substr(message.find(':') + 1));
    EXPECT_EQ(received[i].progress, static_cast<float>(0.5 * ownProgress(step, item) + 0.5));
    if (item == 0) {
      ++forced;
    } else if (i > 0) {
      EXPECT_GE(std::chrono::duration<double>(received[i].when - received[i - 1].when).count(),
                leastGap);
    }
  }
  EXPECT_EQ(forced, 2);
  EXPECT_LE(received.size(), forced + static_cast<std::size_t>(elapsed / leastGap));
}

}  // namespace
