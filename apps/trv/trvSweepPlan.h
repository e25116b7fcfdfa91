// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_PLAN_H
#define TRV_APP_SWEEP_PLAN_H

// What a sweep is asked to do.

#include <cstdint>

#include "trvSweepShard.h"

namespace trvApp {

/// The inputs of a sweep (seed, obstacles, segments: they alone decide the
/// answer) and how to run it (shard, threads, search).
struct SweepPlan {
  unsigned int seed = 1;
  std::uint64_t obstacles = 2000;
  std::uint64_t segments = 1000000;
  SweepShard shard;          ///< the part of the segments to check
  unsigned int threads = 0;  ///< workers; 0: one per hardware thread
  bool bruteForce = false;   ///< every segment against every obstacle
};

}  // namespace trvApp

#endif
