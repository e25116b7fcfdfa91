// SPDX-License-Identifier: MIT
#ifndef CTRV_NOTIFYING_PROGRESS_DELEGATE_H
#define CTRV_NOTIFYING_PROGRESS_DELEGATE_H

/// @file CtrvNotifyingProgressDelegate.h
/// A progress delegate that publishes every event as a notification.

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <string>

#include "CtrvProgressDelegate.h"
#include "trStatus.h"
#include "trvExport.h"

class CtrvNotification;
class CtrvNotificator;

/// A progress delegate that posts every start, finish, step change, refresh
/// and report, synchronously, on a notificator of its own, with itself as the
/// sender. Observers subscribe to notificator() for the identifiers below and
/// steer the operation through two flags: shouldReport(bool) and
/// cancelled(bool). The delegate updates its state before posting, so an
/// observer querying it during delivery sees the new state. It keeps the
/// step state itself and is the usual end of a delegate chain.
///
/// The five event identifiers are 2 to 6, in the order declared below, in
/// every program, and hold their values before any code runs: they may be
/// used from static initialisers.
///
/// Copies are memberwise: a copy shares the notificator and posts with the
/// original delegate as sender.
class TRV_API CtrvNotifyingProgressDelegate : public CtrvProgressDelegate {
 public:
  /// Posted by start(); no attributes.
  static const unsigned int DID_START;
  /// Posted by finish(); no attributes.
  static const unsigned int DID_FINISH;
  /// Posted by nextStep(); the new step under STEP_KEY (unsigned int).
  static const unsigned int DID_CHANGE_STEP;
  /// Posted by refresh(); no attributes.
  static const unsigned int DID_REFRESH;
  /// Posted by report(); the progress under PROGRESS_KEY (double) and the
  /// message under MESSAGE_KEY (string).
  static const unsigned int DID_REPORT;
  /// "step": key of the step attribute.
  static const std::string STEP_KEY;
  /// "progress": key of the progress attribute.
  static const std::string PROGRESS_KEY;
  /// "message": key of the message attribute.
  static const std::string MESSAGE_KEY;

  /// A new delegate with a notificator of its own, naming itself as the
  /// sender of its notifications; reports welcome, not cancelled.
  static boost::shared_ptr<CtrvNotifyingProgressDelegate> create();

  /// Releases the notificator, the message and the self reference.
  ~CtrvNotifyingProgressDelegate() override;
  /// Memberwise: the copy shares the notificator and the sender.
  CtrvNotifyingProgressDelegate(const CtrvNotifyingProgressDelegate& other);
  /// Memberwise: this delegate then shares the notificator and the sender of `other`.
  CtrvNotifyingProgressDelegate& operator=(const CtrvNotifyingProgressDelegate& other);

  /// Advances the current step, then posts DID_CHANGE_STEP with the new step.
  /// @return true.
  bool nextStep() override;
  /// Stores the progress and the message, then posts DID_REPORT with both,
  /// whatever the flags say.
  void report(float progress, const std::string& message) override;
  /// Posts DID_REFRESH.
  void refresh() override;
  /// Marks the delegate started at step 0, then posts DID_START.
  void start() override;
  /// Marks the delegate not started, then posts DID_FINISH.
  void finish() override;
  /// The should-report flag (true until an observer clears it).
  bool shouldReport() override;
  /// The cancelled flag (false until an observer sets it).
  bool cancelled() override;

  /// Sets the should-report flag; only observers change it.
  virtual void shouldReport(bool welcome);
  /// Sets the cancelled flag; only observers change it, start() leaves it.
  virtual void cancelled(bool isCancelled);
  /// The notificator on which this delegate posts; observers subscribe there.
  virtual boost::shared_ptr<CtrvNotificator> notificator() const;
  /// The message of the last report; "" before any.
  virtual const std::string& lastMessage() const;
  /// The progress of the last report; 0.0 before any.
  virtual double lastProgress() const;

 protected:
  /// A delegate with a new notificator and no sender: its notifications
  /// name no sender until init() is called.
  CtrvNotifyingProgressDelegate();
  /// Stores the reference this delegate names as the sender of its
  /// notifications. Always returns TR_OK.
  trStatus init(const boost::weak_ptr<CtrvNotifyingProgressDelegate>& self);

 private:
  boost::shared_ptr<CtrvNotification> makeNotification(unsigned int type) const;
  void post(const boost::shared_ptr<CtrvNotification>& notification) const;

  boost::weak_ptr<CtrvNotifyingProgressDelegate> m_self;
  std::string m_lastMessage;
  double m_lastProgress;
  bool m_shouldReport;
  bool m_cancelled;
  boost::shared_ptr<CtrvNotificator> m_notificator;
};

#endif
