// SPDX-License-Identifier: MIT
#ifndef TRV_APP_PROGRESS_DISPLAY_H
#define TRV_APP_PROGRESS_DISPLAY_H

// The observer that shows the progress of a notifying delegate.

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

/// One step of the delegate's work: its items, for the rate, and the part of
/// the whole progress it covers.
struct StepItems {
  double count;      ///< items in the step
  std::string unit;  ///< what they are, in the plural ("segments")
  double share;      ///< of the whole progress, 0 to 1; the steps' shares add up to 1
};

/// Subscribes to the notifications of one notifying delegate and draws its
/// progress on `out`: on a terminal, one line redrawn in place, its bar of a
/// fixed width; otherwise a plain line for each tenth of the progress, from
/// 0 % to 100 %, each once and in order (a report that skips tenths brings
/// the lines of the tenths skipped, with the phase each fell in). The message
/// of each report is shown as the phase. The time left comes from the whole
/// progress and the time since the start, so it holds when the steps' shares
/// are their shares of the time. The display only displays: it never
/// changes the delegate.
class ProgressDisplay {
 public:
  /// A display writing to `out`, redrawing one line in place (escape
  /// sequences included) when `terminal` is true.
  /// `steps` describes the delegate's steps in order (none: no rate shown,
  /// and skipped tenths are told with the phase of the report).
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
  ProgressSnapshot snapshot(const Notification& report) const;
  void show(const ProgressSnapshot& snapshot);
  void showTenths(const ProgressSnapshot& snapshot);
  std::string phaseAt(double progress, const std::string& otherwise) const;

  std::FILE* m_out;
  bool m_terminal;
  std::vector<StepItems> m_steps;
  std::vector<std::string> m_stepPhases;  ///< the message last reported in each step
  boost::weak_ptr<CtrvNotifyingProgressDelegate> m_delegate;
  boost::shared_ptr<CtrvNotificator> m_notificator;
  CtrvTime m_clock;
  double m_stepStart;
  int m_lastTenth;
  bool m_lineDrawn;
};

}  // namespace trvApp

#endif
