#ifndef TRV_APP_PROGRESS_DISPLAY_H
#define TRV_APP_PROGRESS_DISPLAY_H

// The observer that shows the progress of a notifying delegate and passes
// Ctrl-C on to it as a cancellation.

#include <CtrvNotification.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvTime.h>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "trvProgressLine.h"

namespace trvApp {

/// How the items of one step are counted, for the rate.
struct StepItems {
  double count;      ///< items in the step
  std::string unit;  ///< what they are, in the plural ("segments")
};

/// Subscribes to the notifications of one notifying delegate and draws its
/// progress on `out`: on a terminal, one line redrawn in place; otherwise a
/// plain line each time the progress reaches a further tenth. The message of
/// each report is shown as the phase. At every notification it also checks
/// for Ctrl-C and, once pressed, cancels the delegate.
class ProgressDisplay {
 public:
  /// A display writing to `out`, redrawing one line in place (escape
  /// sequences included) when `terminal` is true.
  /// `steps` describes the delegate's steps in order (none: no rate shown).
  ProgressDisplay(std::FILE* out, bool terminal, std::vector<StepItems> steps);
  /// Unsubscribes, and ends the line drawn on a terminal if a run left it
  /// unfinished.
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  /// Starts observing `delegate`. The delegate is watched, not kept alive;
  /// its notificator is kept until the display unsubscribes.
  void observe(const boost::shared_ptr<CtrvNotifyingProgressDelegate>& delegate);

 private:
  using Notification = boost::shared_ptr<const CtrvNotification>;
  void didStart(const Notification& notification);
  void didChangeStep(const Notification& notification);
  void didReport(const Notification& notification);
  void didFinish(const Notification& notification);
  void passOnInterrupt();
  ProgressSnapshot snapshot(const Notification& report) const;
  void show(const ProgressSnapshot& snapshot);

  std::FILE* m_out;
  bool m_terminal;
  std::vector<StepItems> m_steps;
  boost::weak_ptr<CtrvNotifyingProgressDelegate> m_delegate;
  boost::shared_ptr<CtrvNotificator> m_notificator;
  CtrvTime m_clock;
  double m_stepStart;
  int m_lastTenth;
  bool m_lineDrawn;
};

}  // namespace trvApp

#endif
