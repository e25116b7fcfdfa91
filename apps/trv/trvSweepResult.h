// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_RESULT_H
#define TRV_APP_SWEEP_RESULT_H

// The summary of a sweep, or of one shard of it.

#include <cstdint>

#include "trvSegmentChunks.h"
#include "trvSweepShard.h"

namespace trvApp {

/// What a sweep (or a shard of one) found, with everything needed to tell
/// whether summaries belong to one sweep and add up to all of it.
struct SweepResult {
  unsigned int seed = 1;
  std::uint64_t obstacles = 0;
  std::uint64_t segments = 0;  ///< of the whole sweep, not of this shard
  SweepShard shard;
  ChunkRange chunks;  ///< the chunks this summary covers
  std::uint64_t chunkSize = SegmentChunks::CHUNK_SIZE;
  int drawVersion = SegmentChunks::DRAW_VERSION;
  std::uint64_t checked = 0;  ///< segments checked
  std::uint64_t hits = 0;     ///< segments that touch at least one obstacle
  bool complete = false;      ///< every segment of `chunks` was checked
  double elapsedSeconds = 0.0;
};

}  // namespace trvApp

#endif
