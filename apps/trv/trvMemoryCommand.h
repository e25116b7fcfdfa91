// SPDX-License-Identifier: MIT
#ifndef TRV_APP_MEMORY_COMMAND_H
#define TRV_APP_MEMORY_COMMAND_H

#include "trvCommandLine.h"

namespace trvApp {

/// Adds `trv memory`: the memory figures of the system and of the process.
void addMemoryCommand(CLI::App& program, Commands& commands);

}  // namespace trvApp

#endif
