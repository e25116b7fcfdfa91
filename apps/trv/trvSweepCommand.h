// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_COMMAND_H
#define TRV_APP_SWEEP_COMMAND_H

#include "trvCommandLine.h"

namespace trvApp {

/// Adds `trv sweep`: the collision sweep with a live progress display.
void addSweepCommand(CLI::App& program, Commands& commands);

}  // namespace trvApp

#endif
