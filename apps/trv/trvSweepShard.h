// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_SHARD_H
#define TRV_APP_SWEEP_SHARD_H

// One of the parts a sweep is split into, to run on several machines.

#include <cstdint>
#include <string>

#include "trvSegmentChunks.h"

namespace trvApp {

/// The K-th of N parts of a sweep's chunks (1 <= K <= N): contiguous ranges
/// of equal size (to one chunk), which together hold every chunk once.
struct SweepShard {
  std::uint64_t index = 1;  ///< K, from 1
  std::uint64_t count = 1;  ///< N

  /// True when 1 <= K <= N.
  bool valid() const { return index >= 1 && index <= count; }

  /// The chunks of this part among `chunks` chunks (empty when not valid).
  ChunkRange rangeOf(std::uint64_t chunks) const;

  /// "K/N".
  std::string text() const;
};

}  // namespace trvApp

#endif
