// SPDX-License-Identifier: MIT
#ifndef TRV_APP_INTERRUPT_H
#define TRV_APP_INTERRUPT_H

// Ctrl-C as a request to stop: the handler only raises a flag, which the
// program reads at its own pace.

namespace trvApp {

/// Installs the SIGINT handler. A first Ctrl-C raises the flag and cuts
/// short a system call blocked at that moment (a write to a full pipe fails
/// instead of waiting on); the handler then gives way to the default action,
/// so a second one ends the program.
void catchInterrupt();

/// Whether Ctrl-C was pressed since catchInterrupt().
bool interruptRequested();

}  // namespace trvApp

#endif
