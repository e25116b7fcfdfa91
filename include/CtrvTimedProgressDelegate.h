// SPDX-License-Identifier: MIT
#ifndef CTRV_TIMED_PROGRESS_DELEGATE_H
#define CTRV_TIMED_PROGRESS_DELEGATE_H

/// @file CtrvTimedProgressDelegate.h
/// A delegate that limits how often reports reach the delegate it wraps.

#include <boost/shared_ptr.hpp>
#include <string>

#include "CtrvChainedProgressDelegate.h"
#include "CtrvTime.h"
#include "trvExport.h"

/// A chained delegate that throttles reports by wall-clock time: it measures
/// the time since the last report or refresh it let through and answers
/// shouldReport() with false until at least minUpdateTime() seconds have
/// passed. A start() or nextStep() lets the next report through whatever the
/// time. Reports that come too early are dropped at the cost of two clock
/// readings; the embedded delegate always has the last word, so this delegate
/// never welcomes a report the embedded one refuses. Every other operation is
/// passed on unchanged.
class TRV_API CtrvTimedProgressDelegate : public CtrvChainedProgressDelegate {
 public:
  /// A timed delegate over `embedded` (not checked; an empty one makes a
  /// silent delegate) letting through at most one report per
  /// `minUpdateTime` seconds. Its first report goes through.
  static boost::shared_ptr<CtrvTimedProgressDelegate> create(
      const boost::shared_ptr<CtrvProgressDelegate>& embedded, double minUpdateTime);

  /// Releases the embedded delegate.
  ~CtrvTimedProgressDelegate() override;
  /// Memberwise: the chronometer is copied with its state, the embedded
  /// delegate is shared.
  CtrvTimedProgressDelegate(const CtrvTimedProgressDelegate& other);
  /// Memberwise: the chronometer is copied with its state, the embedded
  /// delegate is shared.
  CtrvTimedProgressDelegate& operator=(const CtrvTimedProgressDelegate& other);

  /// Lets the next report through whatever the time, then passes nextStep() on.
  /// @return the embedded delegate's answer.
  bool nextStep() override;
  /// Passes the report on, unchanged, if shouldReport() says true, and then
  /// measures the minimum update time afresh; otherwise drops it.
  void report(float progress, const std::string& message) override;
  /// Throttled exactly like report(), on the same clock.
  void refresh() override;
  /// Lets the next report through whatever the time, stops the clock and
  /// passes start() on.
  void start() override;
  /// False while less than minUpdateTime() seconds have passed since the last
  /// report or refresh let through (unless start() or nextStep() came since);
  /// otherwise the embedded delegate's answer.
  bool shouldReport() override;

  /// Sets the least time between two reports let through, in seconds; 0 or a
  /// negative value disables the throttling.
  virtual void minUpdateTime(double seconds);
  /// The least time between two reports let through, in seconds.
  virtual double minUpdateTime() const;

 protected:
  /// A timed delegate over `embedded` with an idle clock, letting its first
  /// report through.
  CtrvTimedProgressDelegate(const boost::shared_ptr<CtrvProgressDelegate>& embedded,
                            double minUpdateTime);

 private:
  bool minUpdateTimeHasPassed();
  void restartThrottle();

  CtrvTime m_chronometer;
  bool m_forceReport;
  double m_minUpdateTime;
};

#endif
