// SPDX-License-Identifier: MIT
#include "trvSegmentDraw.h"

namespace trvApp {

SegmentDraw::SegmentDraw(unsigned int chunkSeed) : m_random(CtrvPRNGGameRand::create()) {
  m_random->seed(chunkSeed);
}

SweepSegment SegmentDraw::next() {
  CtrvPRNG& random = *m_random;
  SweepSegment segment;
  for (double& x : segment.a) x = random.generate(0.0, WORLD_SIZE);
  for (int axis = 0; axis < 3; ++axis) {
    segment.b[axis] = segment.a[axis] + random.generate(-SEGMENT_REACH, SEGMENT_REACH);
  }
  return segment;
}

}  // namespace trvApp
