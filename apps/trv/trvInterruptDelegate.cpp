// SPDX-License-Identifier: MIT
#include "trvInterruptDelegate.h"

#include "trvInterrupt.h"

namespace trvApp {

boost::shared_ptr<InterruptDelegate> InterruptDelegate::create(
    const boost::shared_ptr<CtrvProgressDelegate>& embedded,
    const boost::shared_ptr<CtrvNotifyingProgressDelegate>& notifying) {
  return boost::shared_ptr<InterruptDelegate>(new InterruptDelegate(embedded, notifying));
}

InterruptDelegate::InterruptDelegate(
    const boost::shared_ptr<CtrvProgressDelegate>& embedded,
    const boost::shared_ptr<CtrvNotifyingProgressDelegate>& notifying)
    : CtrvChainedProgressDelegate(embedded), m_notifying(notifying) {}

// Ctrl-C is asked first: it costs a load, while the chain below may read a
// memory figure from the system.
bool InterruptDelegate::cancelled() {
  if (interruptRequested()) {
    if (m_notifying) m_notifying->cancelled(true);
    return true;
  }
  return CtrvChainedProgressDelegate::cancelled();
}

}  // namespace trvApp
