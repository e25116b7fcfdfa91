// SPDX-License-Identifier: MIT
#include "trvSweepShard.h"

#include <algorithm>

namespace trvApp {

namespace {

// Where part `k` (from 0) of `n` starts: the first chunks % n parts get one
// chunk more. Written without chunks·k, which may not fit in 64 bits.
std::uint64_t startOf(std::uint64_t k, std::uint64_t n, std::uint64_t chunks) {
  return (chunks / n) * k + std::min(k, chunks % n);
}

}  // namespace

ChunkRange SweepShard::rangeOf(std::uint64_t chunks) const {
  if (!valid()) return {};
  return {startOf(index - 1, count, chunks), startOf(index, count, chunks)};
}

std::string SweepShard::text() const { return std::to_string(index) + "/" + std::to_string(count); }

}  // namespace trvApp
