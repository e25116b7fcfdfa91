// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_WORK_MODEL_H
#define TRV_APP_SWEEP_WORK_MODEL_H

// How the time of a sweep divides among its phases, for progress that moves
// evenly.

#include "trvSweepPlan.h"

namespace trvApp {

/// Each phase's share of the time of a sweep; the three add up to 1.
struct SweepWorkShares {
  double placing = 0.0;
  double indexing = 0.0;
  double sweeping = 1.0;
};

/// Estimates the time of each phase from costs measured on this program:
/// placing an obstacle, indexing it, and checking a segment against a field
/// of obstacles, with or without the tree, spread over the threads (placing
/// and indexing run on one thread).
class SweepWorkModel {
 public:
  /// The shares of the phases of `plan`, the sweep counting only its shard's
  /// segments.
  static SweepWorkShares sharesOf(const SweepPlan& plan, unsigned int threads,
                                  std::uint64_t shardSegments);

  /// Estimated nanoseconds of one thread to check one segment against
  /// `obstacles` obstacles.
  static double segmentCost(std::uint64_t obstacles, bool bruteForce);
};

}  // namespace trvApp

#endif
