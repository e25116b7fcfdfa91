// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SEGMENT_CHUNKS_H
#define TRV_APP_SEGMENT_CHUNKS_H

// How the segments of a sweep are cut into chunks, and where each chunk's
// random numbers come from.

#include <cstdint>

namespace trvApp {

/// A half-open range [begin, end) of chunk indices.
struct ChunkRange {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;

  std::uint64_t size() const { return end > begin ? end - begin : 0; }
};

/// The segments of a sweep in chunks of CHUNK_SIZE (the last one may be
/// shorter). Each chunk draws from a generator of its own, seeded from the
/// sweep's seed and the chunk's index, so any chunk can be drawn on any
/// thread or machine, in any order, with the same segments.
class SegmentChunks {
 public:
  /// Segments per chunk.
  static constexpr std::uint64_t CHUNK_SIZE = 4096;
  /// The most segments a sweep takes.
  static constexpr std::uint64_t MAX_SEGMENTS = 1000000000000;
  /// Version of the segment draw (chunking, seeding, distribution): sweeps
  /// can be compared or merged only when drawn with the same version.
  static constexpr int DRAW_VERSION = 1;

  SegmentChunks(unsigned int seed, std::uint64_t segments);

  /// How many chunks the segments fill.
  std::uint64_t count() const;
  /// Every chunk.
  ChunkRange all() const { return {0, count()}; }
  /// How many segments chunk `index` holds.
  std::uint64_t sizeOf(std::uint64_t index) const;
  /// How many segments the chunks of `range` hold.
  std::uint64_t segmentsIn(const ChunkRange& range) const;
  /// The seed of the generator of chunk `index`.
  unsigned int seedOf(std::uint64_t index) const;

  unsigned int seed() const { return m_seed; }
  std::uint64_t segments() const { return m_segments; }

 private:
  unsigned int m_seed;
  std::uint64_t m_segments;
};

}  // namespace trvApp

#endif
