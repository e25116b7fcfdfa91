// SPDX-License-Identifier: MIT
#ifndef CTRV_CHAINED_PROGRESS_DELEGATE_H
#define CTRV_CHAINED_PROGRESS_DELEGATE_H

/// @file CtrvChainedProgressDelegate.h
/// Base of the delegates that decorate another progress delegate.

#include <boost/shared_ptr.hpp>
#include <string>

#include "CtrvProgressDelegate.h"
#include "trvExport.h"

/// A progress delegate that holds another one, the embedded delegate, and
/// passes every operation on to it unchanged. Decorators derive from it and
/// override only what they alter; they can be stacked, so the step state and
/// the cancellation of a chain are those of its innermost delegate.
///
/// Every passed-on operation obtains the embedded delegate through the
/// virtual embeddedProgressDelegate() getter (a subclass overriding it
/// redirects them all) and holds that reference for the whole call, so the
/// embedded delegate stays alive even if it is replaced during the call.
/// While the embedded delegate is empty, every operation answers as the
/// plain CtrvProgressDelegate would, from this object's own step state.
class TRV_API CtrvChainedProgressDelegate : public CtrvProgressDelegate {
 public:
  /// Releases the embedded delegate.
  ~CtrvChainedProgressDelegate() override;
  /// Memberwise: the copy shares the embedded delegate.
  CtrvChainedProgressDelegate(const CtrvChainedProgressDelegate& other);
  /// Memberwise: this delegate then shares the embedded delegate of `other`,
  /// unless that delegate leads back to this one (its own is then kept).
  CtrvChainedProgressDelegate& operator=(const CtrvChainedProgressDelegate& other);

  /// Passes nextStep() on. @return the embedded delegate's answer.
  bool nextStep() override;
  /// The embedded delegate's current step.
  unsigned int step() const override;
  /// Passes the progress and the message on untouched.
  void report(float progress, const std::string& message) override;
  /// Passes refresh() on.
  void refresh() override;
  /// Passes start() on.
  void start() override;
  /// Passes finish() on.
  void finish() override;
  /// The embedded delegate's answer.
  bool shouldReport() override;
  /// The embedded delegate's answer.
  bool cancelled() override;
  /// Sets the embedded delegate's cancellable flag.
  void cancellable(bool isCancellable) override;
  /// The embedded delegate's cancellable flag.
  bool cancellable() const override;
  /// Sets the embedded delegate's step count.
  void stepCount(unsigned int count) override;
  /// The embedded delegate's step count.
  unsigned int stepCount() const override;
  /// Whether the embedded delegate has started.
  bool hasStarted() const override;

  /// Replaces the embedded delegate, releasing the previous one. An empty
  /// pointer is accepted. A delegate whose chain leads back to this one
  /// (this one included) is refused and the chain is left unchanged, since
  /// every call would then be passed on without end.
  virtual void embeddedProgressDelegate(const boost::shared_ptr<CtrvProgressDelegate>& delegate);
  /// A new shared reference to the embedded delegate (empty if none).
  virtual boost::shared_ptr<CtrvProgressDelegate> embeddedProgressDelegate() const;

 protected:
  /// A chained delegate over `embedded`, which may be empty.
  explicit CtrvChainedProgressDelegate(const boost::shared_ptr<CtrvProgressDelegate>& embedded);

 private:
  /// Whether following embedded delegates from `link` reaches `target`.
  static bool leadsTo(const CtrvProgressDelegate* link, const CtrvProgressDelegate* target);

  boost::shared_ptr<CtrvProgressDelegate> m_embedded;
};

#endif
