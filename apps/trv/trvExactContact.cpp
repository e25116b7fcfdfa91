#include "trvExactContact.h"

#include <CtrvGeometry.h>

#include <cmath>

namespace trvApp {

namespace {

CtrvPoint3 point(const Coordinates& c) { return CtrvPoint3(c[0], c[1], c[2]); }

}  // namespace

// Room for the most parameters a segment can have with a capsule.
ExactContact::ExactContact() { m_params.reserve(4); }

// A parameter that is not finite marks degenerate input (a segment exactly
// parallel to the axis, an axis of zero length) and names no point of the
// segment, so it is not a crossing.
bool ExactContact::touches(const SweepSegment& segment, const SweepObstacle& obstacle) {
  const CtrvPoint3 a = point(segment.a);
  const CtrvPoint3 c1 = point(obstacle.c1);
  const CtrvPoint3 c2 = point(obstacle.c2);
  if (CtrvGeometry::distancePointSegment(a, c1, c2) <= obstacle.radius) return true;
  const unsigned int count = CtrvGeometry::intersectSegmentExtrudedSphere(
      a, point(segment.b), c1, c2, obstacle.radius, m_params);
  for (unsigned int k = 0; k < count; ++k) {
    if (std::isfinite(m_params[k])) return true;
  }
  return false;
}

}  // namespace trvApp
