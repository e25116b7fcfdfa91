// SPDX-License-Identifier: MIT
#ifndef CTRV_PROGRESS_DELEGATE_H
#define CTRV_PROGRESS_DELEGATE_H

/// @file CtrvProgressDelegate.h
/// The interface through which a long operation reports its progress.

#include <string>

#include "trvExport.h"

/// The interface through which a long-running operation reports how far it
/// has got and learns whether it should stop.
///
/// The operation announces its number of steps, starts, advances step by
/// step, reports an overall fraction (0.0 at the beginning, 1.0 at the end)
/// with a message whenever shouldReport() says a report is welcome, polls
/// cancelled() and finishes. This class itself is a complete but silent
/// delegate: it keeps the step state, ignores reports, always welcomes a
/// report and is never cancelled. Subclasses keep the order of the virtual
/// operations below and append their own after them.
///
/// Not synchronised: a delegate is driven by one thread at a time.
class TRV_API CtrvProgressDelegate {
 public:
  /// Destroys the delegate; subclasses are destroyed through this interface.
  virtual ~CtrvProgressDelegate();
  /// Copies the step count, the cancellable and started flags and the current step.
  CtrvProgressDelegate(const CtrvProgressDelegate& other);
  /// Copies the step count, the cancellable and started flags and the current step.
  CtrvProgressDelegate& operator=(const CtrvProgressDelegate& other);

  /// Advances the current step by one, up to stepCount() (it moves back to
  /// the count when the current step lies beyond it). Neither checks nor
  /// changes the started flag.
  /// @return true.
  virtual bool nextStep();
  /// The current step: 0 after start(), advanced by nextStep().
  virtual unsigned int step() const;
  /// Receives the overall progress (a fraction of the work this delegate
  /// represents) and a free-text message. Ignored here.
  virtual void report(float progress, const std::string& message);
  /// Lets the observers of the delegate bring themselves up to date. Ignored here.
  virtual void refresh();
  /// Sets the started flag and resets the current step to 0; the step count stays.
  virtual void start();
  /// Clears the started flag; the current step stays.
  virtual void finish();
  /// Whether a report would be welcome now; the operation asks before
  /// building one. Always true here.
  virtual bool shouldReport();
  /// Whether the operation is to stop. Always false here.
  virtual bool cancelled();
  /// Stores the cancellable flag, information for the operation only.
  virtual void cancellable(bool isCancellable);
  /// The cancellable flag (false by default).
  virtual bool cancellable() const;
  /// Stores the step count; the current step is left as it is.
  virtual void stepCount(unsigned int count);
  /// The step count (1 by default).
  virtual unsigned int stepCount() const;
  /// Whether start() has been called since construction or the last finish().
  virtual bool hasStarted() const;

 protected:
  /// A delegate with one step, at step 0, neither started nor cancellable.
  CtrvProgressDelegate();

 private:
  unsigned int m_stepCount;
  bool m_cancellable;
  bool m_started;
  unsigned int m_step;
};

#endif
