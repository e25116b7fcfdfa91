// SPDX-License-Identifier: MIT
#ifndef TRV_APP_RANDOM_COMMAND_H
#define TRV_APP_RANDOM_COMMAND_H

#include "trvCommandLine.h"

namespace trvApp {

/// Adds `trv random`: reproducible pseudo-random numbers from a seed.
void addRandomCommand(CLI::App& program, Commands& commands);

}  // namespace trvApp

#endif
