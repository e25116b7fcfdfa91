// SPDX-License-Identifier: MIT
// A long operation reporting its progress through a chain of delegates:
//
//   operation -> forwarding -> memory guard -> timed -> notifying -> observer
//
// The operation only knows the CtrvProgressDelegate interface. Each phase
// reports 0..1 into its own forwarding delegate, which maps it into the
// phase's share of the whole; the memory guard cancels if the process grows
// too large; the timed delegate lets at most one report through every 20 ms;
// the notifying delegate posts each event to its observers. The observer
// prints the reports and cancels the job once it is three quarters done.
//
//   progress_example            (writes no file; runs for about 0.3 s)

#include <CtrvForwardingProgressDelegate.h>
#include <CtrvMemoryProgressDelegate.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvProgressHelper.h>
#include <CtrvTimedProgressDelegate.h>

#include <boost/shared_ptr.hpp>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>

// One phase of a long job: `passes` steps of simulated work. The operation
// asks shouldReport() before building a report, and polls cancelled() once
// per step. Returns false when it was cancelled.
bool runPhase(CtrvProgressDelegate& progress, const std::string& name, unsigned int passes) {
  const unsigned int slices = 20;
  progress.stepCount(passes);
  progress.cancellable(true);
  progress.start();
  for (unsigned int pass = 0; pass < passes; ++pass) {
    for (unsigned int slice = 0; slice < slices; ++slice) {
      std::this_thread::sleep_for(std::chrono::microseconds(500));  // the "work"
      if (progress.shouldReport()) {
        const float within = static_cast<float>(slice + 1) / slices;
        progress.report(CtrvProgressHelper::calculateProgress(pass, passes, within), name);
      }
    }
    if (progress.cancelled()) {
      progress.finish();
      return false;
    }
    progress.nextStep();
  }
  progress.finish();
  return true;
}

// Watches the notifying delegate and steers it through its flags.
class ProgressObserver {
 public:
  ProgressObserver(CtrvNotifyingProgressDelegate& delegate, double cancelAt)
      : m_delegate(delegate), m_cancelAt(cancelAt) {}

  void onReport(const boost::shared_ptr<const CtrvNotification>& notification) {
    const double progress = notification->doubleValue(CtrvNotifyingProgressDelegate::PROGRESS_KEY);
    const std::string message =
        notification->stringValue(CtrvNotifyingProgressDelegate::MESSAGE_KEY);
    std::cout << "  " << static_cast<int>(progress * 100.0 + 0.5) << "% " << message << '\n';
    // The operation sees this the next time it polls cancelled().
    if (progress >= m_cancelAt) m_delegate.cancelled(true);
  }
  void onStartOrFinish(const boost::shared_ptr<const CtrvNotification>& notification) {
    std::cout << (notification->type() == CtrvNotifyingProgressDelegate::DID_START ? "started"
                                                                                   : "finished")
              << '\n';
  }

 private:
  CtrvNotifyingProgressDelegate& m_delegate;
  double m_cancelAt;
};

int main() {
  // The end of the chain, and its observer.
  const boost::shared_ptr<CtrvNotifyingProgressDelegate> notifying =
      CtrvNotifyingProgressDelegate::create();
  ProgressObserver observer(*notifying, 0.75);
  const boost::shared_ptr<CtrvNotificator> events = notifying->notificator();
  events->subscribe(CtrvNotifyingProgressDelegate::DID_REPORT, &observer,
                    &ProgressObserver::onReport);
  events->subscribe(CtrvNotifyingProgressDelegate::DID_START, &observer,
                    &ProgressObserver::onStartOrFinish);
  events->subscribe(CtrvNotifyingProgressDelegate::DID_FINISH, &observer,
                    &ProgressObserver::onStartOrFinish);

  // At most one report per 20 ms reaches the observer (and every first
  // report after a start or a new step).
  const boost::shared_ptr<CtrvTimedProgressDelegate> timed =
      CtrvTimedProgressDelegate::create(notifying, 0.020);
  // Cancels once the resident set of the process exceeds 2 GiB (in bytes).
  const boost::shared_ptr<CtrvMemoryProgressDelegate> guarded =
      CtrvMemoryProgressDelegate::createWithMax(CtrvMemory::PROCESS_WORKING_SET_SIZE,
                                                2048UL * 1024 * 1024, timed);

  // Two phases: loading takes the first 30 % of the bar, solving the rest.
  // Their own start() and finish() are kept from the chain, so the observer
  // sees the whole job start and finish once.
  const boost::shared_ptr<CtrvForwardingProgressDelegate> loading =
      CtrvForwardingProgressDelegate::create(guarded);
  loading->min(0.0f);
  loading->max(0.3f);
  const boost::shared_ptr<CtrvForwardingProgressDelegate> solving =
      CtrvForwardingProgressDelegate::create(guarded);
  solving->min(0.3f);
  solving->max(1.0f);
  for (const auto& phase : {loading, solving}) {
    phase->preventStart(true);
    phase->preventFinish(true);
  }

  guarded->start();
  const bool completed = runPhase(*loading, "loading", 4) && runPhase(*solving, "solving", 8);
  guarded->finish();

  std::cout << (completed ? "completed" : "cancelled by the observer") << " at "
            << static_cast<int>(notifying->lastProgress() * 100.0 + 0.5) << "%\n";

  // The observer is held by plain pointer: unsubscribe it before it goes.
  events->unsubscribe(&observer);
  return 0;
}
