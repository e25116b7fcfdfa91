#include "trvContactBound.h"

#include <algorithm>
#include <cmath>

// Why the bounds never rule out a reported contact.
//
// ExactContact reports a contact only at a point P of the segment (its start,
// or a point at a parameter t in [0, 1]) that it computed to lie within r of
// the axis segment C1C2. Rounding in those operations moves P, or its
// computed distance, by a few units of 1e-16 of the coordinates' size; where
// the quadratic is ill-conditioned (a segment nearly parallel to the axis)
// the parameter itself may be off, but P then moves almost along the axis
// and its distance from the axis line stays within about 1e-8 of the
// coordinates' size of r. So a reported contact always has a point within
// r + e of C1C2, with e far below the slack.
//
// Both bounds below are distances to a superset of C1C2, hence never larger
// than the distance to C1C2: the slab between the planes through C1 and C2
// across the axis, and the infinite axis line. The slab bound compares the
// axial coordinates of both ends, each computed to a few ulps. The line
// bound takes the distance to the line at one parameter t* of the segment,
// the clamped minimiser of a convex quadratic. A rounded t* overestimates the
// minimum by at most |d⊥|·|Δt|, where d⊥ is the part of the segment across
// the axis and Δt the error of t*, itself at most a few ulps of
// |W⊥|/|d⊥|: again a few ulps of the coordinates' size. The slack (1e-6 of
// the size) covers these errors many times over.

namespace trvApp {

namespace {

template <class Real>
Real dot(const Real* u, const Real* v) {
  return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

double largestMagnitude(const Coordinates& u) {
  return std::max({std::fabs(u[0]), std::fabs(u[1]), std::fabs(u[2])});
}

double slackFor(double size) { return ContactBound::RELATIVE_SLACK * (1.0 + size); }

// The least squared length of w + t·d for t in [0, 1].
template <class Real>
Real leastSquaredDistance(const Real* w, const Real* d) {
  const Real dd = dot(d, d);
  const Real t = dd > 0 ? std::clamp(-dot(w, d) / dd, Real(0), Real(1)) : Real(0);
  const Real closest[3] = {w[0] + d[0] * t, w[1] + d[1] * t, w[2] + d[2] * t};
  return dot(closest, closest);
}

// True when `offset`, how far a point lies past one end of the axis
// measured along the axis times |v|, exceeds reach·|v|; without a square
// root: offset² > reach²·|v|².
template <class Real>
bool beyond(Real offset, Real reach, Real vv) {
  return offset > 0 && offset * offset > reach * reach * vv;
}

}  // namespace

double ContactBound::slackOf(const SweepObstacle& obstacle) {
  return slackFor(std::max(largestMagnitude(obstacle.c1), largestMagnitude(obstacle.c2)) +
                  std::fabs(obstacle.radius));
}

double ContactBound::slackOf(const SweepSegment& segment) {
  return slackFor(std::max(largestMagnitude(segment.a), largestMagnitude(segment.b)));
}

bool ContactBound::mayTouch(const SweepSegment& segment, const SweepObstacle& obstacle,
                            double slack) {
  double direction[3];
  double axis[3];
  for (int i = 0; i < 3; ++i) {
    direction[i] = segment.b[i] - segment.a[i];
    axis[i] = obstacle.c2[i] - obstacle.c1[i];
  }
  return mayTouch(segment.a.data(), direction, obstacle.c1.data(), axis, obstacle.radius + slack);
}

template <class Real>
bool ContactBound::mayTouch(const Real* start, const Real* direction, const Real* c1,
                            const Real* axis, Real reach) {
  const Real w[3] = {start[0] - c1[0], start[1] - c1[1], start[2] - c1[2]};
  const Real vv = dot(axis, axis);
  // The comparisons are written so that a NaN (from absurd input) never
  // rules a contact out.
  if (!(vv > 0)) return !(leastSquaredDistance(w, direction) > reach * reach);

  // Axial coordinates of both ends, times |v|: 0 level with c1, vv with c2.
  const Real ha = dot(w, axis);
  const Real hb = ha + dot(direction, axis);
  if (beyond(-ha, reach, vv) && beyond(-hb, reach, vv)) return false;
  if (beyond(ha - vv, reach, vv) && beyond(hb - vv, reach, vv)) return false;

  const Real wScale = ha / vv;
  const Real dScale = (hb - ha) / vv;
  const Real wAcross[3] = {w[0] - axis[0] * wScale, w[1] - axis[1] * wScale,
                           w[2] - axis[2] * wScale};
  const Real dAcross[3] = {direction[0] - axis[0] * dScale, direction[1] - axis[1] * dScale,
                           direction[2] - axis[2] * dScale};
  return !(leastSquaredDistance(wAcross, dAcross) > reach * reach);
}

template bool ContactBound::mayTouch<float>(const float*, const float*, const float*, const float*,
                                            float);
template bool ContactBound::mayTouch<double>(const double*, const double*, const double*,
                                             const double*, double);

}  // namespace trvApp
