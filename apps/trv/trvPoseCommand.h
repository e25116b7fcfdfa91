// SPDX-License-Identifier: MIT
#ifndef TRV_APP_POSE_COMMAND_H
#define TRV_APP_POSE_COMMAND_H

#include "trvCommandLine.h"

namespace trvApp {

/// Adds `trv pose`: a translation with Bryant angles to a 4x4 matrix, and back.
void addPoseCommand(CLI::App& program, Commands& commands);

}  // namespace trvApp

#endif
