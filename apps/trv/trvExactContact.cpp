// SPDX-License-Identifier: MIT
#include "trvExactContact.h"

#include <CtrvGeometry.h>

#include <algorithm>

namespace trvApp {

namespace {

CtrvPoint3 point(const Coordinates& c) { return CtrvPoint3(c[0], c[1], c[2]); }

}  // namespace

// Room for the most parameters a line can have with a capsule.
ExactContact::ExactContact() { m_params.reserve(4); }

// A segment touches a capsule when the part of its line inside the capsule,
// from the first crossing to the last, overlaps the segment's own parameters
// 0 to 1. Deciding from the line's crossings rather than from the distance of
// the start point keeps a segment starting on the surface: its entry may round
// to just before 0 while the distance rounds to just above the radius.
bool ExactContact::touches(const SweepSegment& segment, const SweepObstacle& obstacle) {
  const CtrvPoint3 a = point(segment.a);
  const CtrvPoint3 b = point(segment.b);
  const CtrvPoint3 c1 = point(obstacle.c1);
  const CtrvPoint3 c2 = point(obstacle.c2);
  if (a.isStrictlyEqual(b)) {
    return CtrvGeometry::distancePointSegment(a, c1, c2) <= obstacle.radius;
  }
  if (CtrvGeometry::intersectLineExtrudedSphere(a, b - a, c1, c2, obstacle.radius, m_params) == 0) {
    return false;
  }
  const auto [low, high] = std::minmax_element(m_params.begin(), m_params.end());
  return *low <= 1.0 && *high >= 0.0;
}

}  // namespace trvApp
