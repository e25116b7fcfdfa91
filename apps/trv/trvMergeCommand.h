// SPDX-License-Identifier: MIT
#ifndef TRV_APP_MERGE_COMMAND_H
#define TRV_APP_MERGE_COMMAND_H

#include "trvCommandLine.h"

namespace trvApp {

/// Adds `trv merge`: the JSON summaries of a sweep's shards added into the
/// summary of the whole sweep.
void addMergeCommand(CLI::App& program, Commands& commands);

}  // namespace trvApp

#endif
