// SPDX-License-Identifier: MIT
#ifndef TRV_APP_INTERRUPT_DELEGATE_H
#define TRV_APP_INTERRUPT_DELEGATE_H

// The top of the sweep's delegate chain: Ctrl-C as a cancellation.

#include <CtrvChainedProgressDelegate.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <boost/shared_ptr.hpp>

namespace trvApp {

/// A chained delegate whose cancelled() answers true once Ctrl-C was pressed
/// (see catchInterrupt()), whatever the delegates below it say and however
/// they throttle reports; otherwise the chain's answer. On Ctrl-C it also
/// cancels `notifying`, the end of the chain, so that the chain's observers
/// and the caller can tell an interrupt from the other reasons to stop.
class InterruptDelegate : public CtrvChainedProgressDelegate {
 public:
  static boost::shared_ptr<InterruptDelegate> create(
      const boost::shared_ptr<CtrvProgressDelegate>& embedded,
      const boost::shared_ptr<CtrvNotifyingProgressDelegate>& notifying);

  /// True once Ctrl-C was pressed, without asking the chain; otherwise the
  /// chain's answer.
  bool cancelled() override;

 private:
  InterruptDelegate(const boost::shared_ptr<CtrvProgressDelegate>& embedded,
                    const boost::shared_ptr<CtrvNotifyingProgressDelegate>& notifying);

  boost::shared_ptr<CtrvNotifyingProgressDelegate> m_notifying;
};

}  // namespace trvApp

#endif
