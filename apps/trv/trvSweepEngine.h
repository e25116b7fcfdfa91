// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_ENGINE_H
#define TRV_APP_SWEEP_ENGINE_H

// The collision sweep at scale: obstacles placed from the seed, indexed in a
// bounding-volume hierarchy, and random segments checked against them in
// chunks on every core.

#include <functional>
#include <memory>

#include "trvContactFinder.h"
#include "trvSweepPlan.h"
#include "trvSweepResult.h"
#include "trvSweepRunner.h"
#include "trvSweepWorkModel.h"

namespace trvApp {

/// The phases of a sweep, in order.
enum class SweepPhase { placing, indexing, sweeping };

/// Where a sweep stands.
struct SweepProgress {
  SweepPhase phase = SweepPhase::placing;
  double fraction = 0.0;  ///< of the whole sweep, weighted by each phase's time
  SweepCounts counts;     ///< so far (while sweeping)
};

/// Called on the thread that runs the sweep; returns true to stop it.
using ProgressTick = std::function<bool(const SweepProgress&)>;

/// Runs a sweep. Everything the caller sees happens on the calling thread:
/// the tick is called there at the start of each phase and then every
/// TickClock interval, while worker threads check the segments. The answer
/// (checked, hits) depends only on seed, obstacles and segments (and the
/// shard), never on the threads or on the brute-force switch.
class SweepEngine {
 public:
  explicit SweepEngine(const SweepPlan& plan);

  /// Places the obstacles, indexes them (unless brute force) and checks the
  /// shard's segments. When the tick asks to stop, the sweep stops within a
  /// batch of segments per worker and the result is marked incomplete.
  /// Exceptions (std::bad_alloc, a tick that throws) reach the caller after
  /// every worker has stopped.
  SweepResult run(const ProgressTick& tick);

  /// The phases' shares of the time, as the progress fraction uses them.
  SweepWorkShares shares() const { return m_shares; }

  /// The workers the sweep uses: the plan's, or one per hardware thread.
  unsigned int threads() const { return m_threads; }

  /// The segments of the plan's shard (all of them for shard 1/1).
  std::uint64_t shardSegments() const { return m_chunks.segmentsIn(m_range); }

 private:
  bool reach(SweepPhase phase, double phaseFraction, const SweepCounts& counts,
             const ProgressTick& tick) const;
  std::unique_ptr<ContactFinder> prepare(TickClock& clock, const ProgressTick& tick) const;

  SweepPlan m_plan;
  SegmentChunks m_chunks;
  ChunkRange m_range;
  unsigned int m_threads;
  SweepWorkShares m_shares;
};

}  // namespace trvApp

#endif
