// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_RUNNER_H
#define TRV_APP_SWEEP_RUNNER_H

// Runs the chunks of a sweep on worker threads while the calling thread
// reports.

#include <cstdint>
#include <functional>

#include "trvContactFinder.h"
#include "trvSegmentChunks.h"
#include "trvTickClock.h"

namespace trvApp {

/// Segments checked and segments that touch an obstacle.
struct SweepCounts {
  std::uint64_t checked = 0;
  std::uint64_t hits = 0;
};

/// Called on the calling thread with the counts so far; returns true to stop
/// (it is not called again after that).
using SweepTick = std::function<bool(const SweepCounts&)>;

/// How a run ended.
struct SweepOutcome {
  SweepCounts counts;
  bool complete = false;  ///< every segment of the range was checked
};

/// Checks the segments of a range of chunks against a ContactFinder on
/// worker threads. Workers claim chunks one at a time through an atomic
/// counter, so the threads share the work whatever its spread, and publish
/// their counts through atomics after each small batch. The calling thread
/// alone calls the tick, every TickClock interval: the objects a tick
/// typically drives (progress delegates, the log, notificators) are made
/// for one thread, so the work is counted on many threads and reported on
/// one. When the tick asks to stop, each worker stops at its next batch
/// boundary. The pattern belongs to the program, not to the library: the
/// library starts no threads and uses no atomics besides reference counts.
///
/// Signals sent to the process (Ctrl-C, a termination request) reach the
/// calling thread, never a worker: the workers start with them blocked.
///
/// The answer depends only on the chunks, never on the number of threads:
/// each chunk draws its own segments, and a segment counts once as a hit
/// whichever of its contacts is found first.
class SweepRunner {
 public:
  /// Segments a worker checks between two looks at the stop request.
  static constexpr std::uint64_t BATCH = 256;

  SweepRunner(const ContactFinder& finder, const SegmentChunks& chunks);

  /// Checks every segment of `range` on `threads` workers (with 1, on the
  /// calling thread alone, starting no thread; 0 counts as 1), calling
  /// `tick` whenever `clock` is due. An exception thrown by a worker or by
  /// the tick stops every worker and is rethrown here.
  SweepOutcome run(const ChunkRange& range, unsigned int threads, TickClock& clock,
                   const SweepTick& tick) const;

 private:
  class Work;

  const ContactFinder& m_finder;
  const SegmentChunks& m_chunks;
};

}  // namespace trvApp

#endif
