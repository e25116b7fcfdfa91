// SPDX-License-Identifier: MIT
#include "trvSegmentChunks.h"

#include <algorithm>

namespace trvApp {

namespace {

// The finaliser of the SplitMix64 generator: neighbouring inputs (chunk 7
// and chunk 8, seed 1 and seed 2) give unrelated outputs.
std::uint64_t mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

SegmentChunks::SegmentChunks(unsigned int seed, std::uint64_t segments)
    : m_seed(seed), m_segments(segments) {}

std::uint64_t SegmentChunks::count() const {
  return m_segments / CHUNK_SIZE + (m_segments % CHUNK_SIZE != 0 ? 1 : 0);
}

std::uint64_t SegmentChunks::sizeOf(std::uint64_t index) const {
  if (index >= count()) return 0;
  return std::min(CHUNK_SIZE, m_segments - index * CHUNK_SIZE);
}

std::uint64_t SegmentChunks::segmentsIn(const ChunkRange& range) const {
  const std::uint64_t end = std::min(range.end, count());
  if (range.begin >= end) return 0;
  const std::uint64_t first = range.begin * CHUNK_SIZE;
  const std::uint64_t last = std::min(end * CHUNK_SIZE, m_segments);
  return last > first ? last - first : 0;
}

// The seed is mixed, combined with the chunk index and mixed again, so
// neighbouring seeds or chunks get unrelated generators; the fold to the
// generator's 32 bits keeps bits from both halves of the mix.
unsigned int SegmentChunks::seedOf(std::uint64_t index) const {
  const std::uint64_t mixed = mix(mix(m_seed) ^ index);
  return static_cast<unsigned int>(mixed ^ (mixed >> 32));
}

}  // namespace trvApp
