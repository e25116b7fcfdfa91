// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SEGMENT_DRAW_H
#define TRV_APP_SEGMENT_DRAW_H

// The random segments of one chunk.

#include <CtrvPRNGGameRand.h>
#include <boost/shared_ptr.hpp>

#include "trvSweepShapes.h"

namespace trvApp {

/// Draws the segments of one chunk from a generator seeded with the chunk's
/// seed: each start point uniform in the 100-unit box, each end point at an
/// offset uniform in [-10, 10] along each axis from its start.
class SegmentDraw {
 public:
  /// Side of the cube [0, WORLD_SIZE]^3 that obstacles and segments start in.
  static constexpr double WORLD_SIZE = 100.0;
  /// Largest offset of an end point from its start along each axis.
  static constexpr double SEGMENT_REACH = 10.0;

  explicit SegmentDraw(unsigned int chunkSeed);

  /// The next segment of the chunk.
  SweepSegment next();

 private:
  boost::shared_ptr<CtrvPRNGGameRand> m_random;
};

}  // namespace trvApp

#endif
