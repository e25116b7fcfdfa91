// SPDX-License-Identifier: MIT
#include "trvBruteForceFinder.h"

#include <utility>

namespace trvApp {

BruteForceFinder::BruteForceFinder(std::vector<SweepObstacle> obstacles)
    : m_obstacles(std::move(obstacles)) {}

bool BruteForceFinder::touchesAny(const SweepSegment& segment, ExactContact& exact) const {
  for (const SweepObstacle& obstacle : m_obstacles) {
    if (exact.touches(segment, obstacle)) return true;
  }
  return false;
}

}  // namespace trvApp
