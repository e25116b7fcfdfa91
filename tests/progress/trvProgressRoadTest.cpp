// One long operation driving a timed delegate over a forwarding delegate over
// a notifying delegate, with an observer that cancels it part way.

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

constexpr double kMinUpdate = 0.05;
constexpr unsigned int kSteps = 2;
constexpr int kItemsPerStep = 100;
// The operation reports into the upper half of the parent's range.
constexpr float kRangeMin = 0.5f;
constexpr float kRangeMax = 1.0f;
constexpr double kCancelAt = 0.875;  // mapped progress at which the observer stops the operation

struct Received {
  double progress;
  std::string message;
  Clock::time_point when;
};

class CancellingObserver {
 public:
  explicit CancellingObserver(const boost::shared_ptr<CtrvNotifyingProgressDelegate>& target)
      : m_target(target) {
    m_target->notificator()->subscribe(CtrvNotifyingProgressDelegate::DID_REPORT, this,
                                       &CancellingObserver::onReport);
  }
  ~CancellingObserver() { m_target->notificator()->unsubscribe(this); }

  void onReport(const boost::shared_ptr<const CtrvNotification>& notification) {
    const double progress = notification->doubleValue(CtrvNotifyingProgressDelegate::PROGRESS_KEY);
    received.push_back({progress,
                        notification->stringValue(CtrvNotifyingProgressDelegate::MESSAGE_KEY),
                        Clock::now()});
    if (progress >= kCancelAt) m_target->cancelled(true);
  }

  std::vector<Received> received;

 private:
  boost::shared_ptr<CtrvNotifyingProgressDelegate> m_target;
};

std::string itemName(unsigned int step, int item) {
  return std::to_string(step) + ":" + std::to_string(item);
}

// The progress the parent's delegate should see for one item.
double mappedProgress(unsigned int step, int item) {
  const float own =
      CtrvProgressHelper::calculateProgress(step, kSteps, static_cast<float>(item) / kItemsPerStep);
  return static_cast<float>((double{kRangeMax} - double{kRangeMin}) * own + kRangeMin);
}

struct Operation {
  std::vector<std::string> polledAfter;  // the item after which each poll ran
  bool stopped = false;
  std::string stoppedAfter;
};

Operation runOperation(const boost::shared_ptr<CtrvProgressDelegate>& delegate) {
  Operation operation;
  delegate->stepCount(kSteps);
  delegate->start();
  for (unsigned int step = 0; step < kSteps && !operation.stopped; ++step) {
    for (int item = 0; item < kItemsPerStep; ++item) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (delegate->shouldReport()) {
        const float own = CtrvProgressHelper::calculateProgress(
            delegate->step(), kSteps, static_cast<float>(item) / kItemsPerStep);
        delegate->report(own, itemName(step, item));
      }
      operation.polledAfter.push_back(itemName(step, item));
      if (delegate->cancelled()) {
        operation.stopped = true;
        operation.stoppedAfter = itemName(step, item);
        break;
      }
    }
    delegate->nextStep();
  }
  delegate->finish();
  return operation;
}

TEST(ProgressRoad, ThrottledMappedReportsReachTheObserverWhichStopsTheOperation) {
  const boost::shared_ptr<CtrvNotifyingProgressDelegate> notifying =
      CtrvNotifyingProgressDelegate::create();
  const boost::shared_ptr<CtrvForwardingProgressDelegate> forwarding =
      CtrvForwardingProgressDelegate::create(notifying);
  forwarding->min(kRangeMin);
  forwarding->max(kRangeMax);
  const boost::shared_ptr<CtrvTimedProgressDelegate> timed =
      CtrvTimedProgressDelegate::create(forwarding, kMinUpdate);
  CancellingObserver observer(notifying);

  const Clock::time_point begin = Clock::now();
  const Operation operation = runOperation(timed);
  const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();

  // The step state lives in the innermost delegate.
  EXPECT_EQ(notifying->stepCount(), kSteps);
  EXPECT_FALSE(notifying->hasStarted());

  // The observer stopped the operation at the poll right after its report.
  ASSERT_TRUE(operation.stopped);
  const std::vector<Received>& received = observer.received;
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(operation.stoppedAfter, received.back().message);
  EXPECT_GE(received.back().progress, kCancelAt);
  EXPECT_LT(received[received.size() - 2].progress, kCancelAt);

  // Each report arrives mapped into the parent's range, with its own message.
  for (const Received& report : received) {
    const std::string::size_type colon = report.message.find(':');
    ASSERT_NE(colon, std::string::npos) << report.message;
    const unsigned int step = std::stoul(report.message.substr(0, colon));
    const int item = std::stoi(report.message.substr(colon + 1));
    EXPECT_EQ(report.progress, mappedProgress(step, item)) << report.message;
  }

  // The start and the step change each let the next report through at once.
  EXPECT_EQ(received.front().message, "0:0");
  bool sawSecondStepStart = false;
  for (const Received& report : received) sawSecondStepStart |= report.message == "1:0";
  EXPECT_TRUE(sawSecondStepStart);

  // Between the forced ones, reports are at least the minimum update time
  // apart (less a little for the millisecond clock), which bounds their number.
  const double leastGap = kMinUpdate - 0.005;
  for (std::size_t i = 1; i < received.size(); ++i) {
    if (received[i].message == "1:0") continue;
    const double gap =
        std::chrono::duration<double>(received[i].when - received[i - 1].when).count();
    EXPECT_GE(gap, leastGap) << received[i].message;
  }
  const std::size_t forced = 2;
  EXPECT_LE(received.size(), forced + static_cast<std::size_t>(elapsed / leastGap));
  EXPECT_EQ(operation.polledAfter.back(), operation.stoppedAfter);
}

}  // namespace
