// SPDX-License-Identifier: MIT
#ifndef CTRV_FORWARDING_PROGRESS_DELEGATE_H
#define CTRV_FORWARDING_PROGRESS_DELEGATE_H

/// @file CtrvForwardingProgressDelegate.h
/// A delegate that maps a sub-operation's progress into a part of its parent's range.

#include <boost/shared_ptr.hpp>
#include <string>

#include "CtrvChainedProgressDelegate.h"
#include "trvExport.h"

/// A chained delegate over a parent operation's delegate that lets a
/// sub-operation report into the interval [min, max] of the parent's
/// progress: a reported progress p reaches the parent as
/// min + (max - min) * p. Nothing is clamped; min may exceed max (the range
/// is then walked in reverse). Two switches, both off by default, keep the
/// sub-operation's start() and finish() from reaching the parent. Every other
/// operation, nextStep() and cancelled() included, is passed on unchanged.
class TRV_API CtrvForwardingProgressDelegate : public CtrvChainedProgressDelegate {
 public:
  /// A forwarding delegate over `embedded`, mapping onto [0, 1] with both
  /// switches off.
  /// @return the new delegate, or an empty pointer (nothing made) when
  /// `embedded` is empty.
  static boost::shared_ptr<CtrvForwardingProgressDelegate> create(
      boost::shared_ptr<CtrvProgressDelegate> embedded);

  /// Releases the embedded delegate.
  ~CtrvForwardingProgressDelegate() override;
  /// Memberwise: the copy shares the embedded delegate.
  CtrvForwardingProgressDelegate(const CtrvForwardingProgressDelegate& other);
  /// Memberwise: this delegate then shares the embedded delegate of `other`.
  CtrvForwardingProgressDelegate& operator=(const CtrvForwardingProgressDelegate& other);

  /// Passes min + (max - min) * progress, computed in double precision and
  /// rounded to float, and the unchanged message on.
  void report(float progress, const std::string& message) override;
  /// Passes start() on unless preventStart() is set.
  void start() override;
  /// Passes finish() on unless preventFinish() is set.
  void finish() override;

  /// Sets the progress that a report of 0 maps to; not checked.
  virtual void min(float value);
  /// The progress that a report of 0 maps to (0 by default).
  virtual float min() const;
  /// Sets the progress that a report of 1 maps to; not checked.
  virtual void max(float value);
  /// The progress that a report of 1 maps to (1 by default).
  virtual float max() const;
  /// Sets whether start() is kept from the embedded delegate.
  virtual void preventStart(bool prevent);
  /// Whether start() is kept from the embedded delegate (false by default).
  virtual bool preventStart() const;
  /// Sets whether finish() is kept from the embedded delegate.
  virtual void preventFinish(bool prevent);
  /// Whether finish() is kept from the embedded delegate (false by default).
  virtual bool preventFinish() const;

 protected:
  /// A forwarding delegate over `embedded`, mapping onto [0, 1] with both
  /// switches off.
  explicit CtrvForwardingProgressDelegate(boost::shared_ptr<CtrvProgressDelegate> embedded);

 private:
  float m_min;
  float m_max;
  bool m_preventStart;
  bool m_preventFinish;
};

#endif
