// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_MERGE_H
#define TRV_APP_SWEEP_MERGE_H

// Adding the summaries of a sweep's shards into the summary of the sweep.

#include <string>
#include <vector>

#include "trvSweepResult.h"

namespace trvApp {

/// Checks that summaries are the N shards of one sweep, each once, and adds
/// them into the summary of the whole sweep (shard 1/1).
class SweepMerge {
 public:
  /// Fills `whole` from `parts`: the counts added, complete when every part
  /// is, the elapsed time of the slowest part (the shards ran side by side).
  /// False, with `problem` saying why in one line, when the parts are empty,
  /// come from different sweeps (seed, obstacles, segments, number of
  /// shards, chunk size, draw version), cover other chunks than their shard
  /// does, or when a shard is missing or given twice.
  static bool merge(const std::vector<SweepResult>& parts, SweepResult& whole,
                    std::string& problem);
};

}  // namespace trvApp

#endif
