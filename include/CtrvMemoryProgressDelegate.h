// SPDX-License-Identifier: MIT
#ifndef CTRV_MEMORY_PROGRESS_DELEGATE_H
#define CTRV_MEMORY_PROGRESS_DELEGATE_H

/// @file CtrvMemoryProgressDelegate.h
/// A delegate that cancels an operation when a memory figure crosses a limit.

#include <boost/shared_ptr.hpp>

#include "CtrvChainedProgressDelegate.h"
#include "CtrvMemory.h"
#include "trvExport.h"

/// A chained delegate that watches one memory figure (a CtrvMemory::Indicator)
/// each time the operation polls cancelled(), and answers true once the
/// figure has fallen below a hard minimum or risen above a hard maximum.
///
/// The first crossing records one LOG_ERROR message in the log and latches:
/// cancelled() then answers true, without reading memory, until the next
/// start(). The delegate stops nothing by itself; stopping is the polling
/// operation's answer to cancelled(). Only cancelled() reads memory: every
/// other operation is passed on unchanged.
///
/// Limits are any `unsigned long`, in the unit of the indicator: bytes,
/// except the memory load (a percentage) and the page-fault count. They are
/// compared with the exact figure of CtrvMemory::getIndicatorValue(), so a
/// limit above 4 GiB works like any other. A value equal to a limit does not
/// cross it. The log message names the crossed limit in plain decimal digits
/// ("Hard maximum memory limit of 8589934592 reached. Stopping the
/// process."), whatever global locale the program has set.
class TRV_API CtrvMemoryProgressDelegate : public CtrvChainedProgressDelegate {
 public:
  /// A delegate over `embedded` (not checked) that cancels when the figure
  /// falls below `minimum`; its maximum is maxIndicatorValue(). Suits figures
  /// that shrink as memory is used up, such as GLOBAL_AVAIL_PHYS.
  static boost::shared_ptr<CtrvMemoryProgressDelegate> createWithMin(
      CtrvMemory::Indicator indicator, unsigned long minimum,
      boost::shared_ptr<CtrvProgressDelegate> embedded);
  /// A delegate over `embedded` (not checked) that cancels when the figure
  /// rises above `maximum`; its minimum is minIndicatorValue(). Suits figures
  /// that grow, such as PROCESS_WORKING_SET_SIZE.
  static boost::shared_ptr<CtrvMemoryProgressDelegate> createWithMax(
      CtrvMemory::Indicator indicator, unsigned long maximum,
      boost::shared_ptr<CtrvProgressDelegate> embedded);

  /// Releases the embedded delegate.
  ~CtrvMemoryProgressDelegate() override;
  /// Memberwise: the limits and the latch are copied, the embedded delegate
  /// is shared.
  CtrvMemoryProgressDelegate(const CtrvMemoryProgressDelegate& other);
  /// Memberwise: the limits and the latch are copied, the embedded delegate
  /// is shared.
  CtrvMemoryProgressDelegate& operator=(const CtrvMemoryProgressDelegate& other);

  /// Clears the latch, then passes start() on.
  void start() override;
  /// True if a limit crossing is latched, or if the embedded delegate is
  /// cancelled (memory is then not read). Otherwise reads the figure once:
  /// below the minimum or above the maximum, latches, logs the crossed limit
  /// and answers true. A failed read (an invalid indicator) answers false.
  bool cancelled() override;

  /// Sets the watched figure.
  virtual void indicator(CtrvMemory::Indicator indicator);
  /// The watched figure.
  virtual CtrvMemory::Indicator indicator() const;
  /// Sets the hard minimum, without any check against the maximum.
  virtual void minimum(unsigned long minimum);
  /// The hard minimum; the figure must not fall below it.
  virtual unsigned long minimum() const;
  /// Sets the hard maximum, without any check against the minimum.
  virtual void maximum(unsigned long maximum);
  /// The hard maximum; the figure must not rise above it.
  virtual unsigned long maximum() const;

 protected:
  /// A watching delegate (latch clear) with the given figure and limits.
  CtrvMemoryProgressDelegate(CtrvMemory::Indicator indicator, unsigned long minimum,
                             unsigned long maximum,
                             boost::shared_ptr<CtrvProgressDelegate> embedded);

  /// The minimum that leaves the lower side unbounded: 0.
  static unsigned long minIndicatorValue();
  /// The maximum that leaves the upper side unbounded: the largest
  /// `unsigned long`, which no figure exceeds.
  static unsigned long maxIndicatorValue();

 private:
  bool crossesLimit(unsigned long value);

  CtrvMemory::Indicator m_indicator;
  unsigned long m_minimum;
  unsigned long m_maximum;
  bool m_limitReached;
};

#endif
