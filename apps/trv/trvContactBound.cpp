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

double dot(const Coordinates& u, const Coordinates& v) {
  return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

Coordinates difference(const Coordinates& u, const Coordinates& v) {
  return {u[0] - v[0], u[1] - v[1], u[2] - v[2]};
}

// u - v·k
Coordinates minusScaled(const Coordinates& u, const Coordinates& v, double k) {
  return {u[0] - v[0] * k, u[1] - v[1] * k, u[2] - v[2] * k};
}

double largestMagnitude(const Coordinates& u) {
  return std::max({std::fabs(u[0]), std::fabs(u[1]), std::fabs(u[2])});
}

double slackFor(double size) { return ContactBound::RELATIVE_SLACK * (1.0 + size); }

// The least squared length of w + t·d for t in [0, 1].
double leastSquaredDistance(const Coordinates& w, const Coordinates& d) {
  const double dd = dot(d, d);
  const double t = dd > 0.0 ? std::clamp(-dot(w, d) / dd, 0.0, 1.0) : 0.0;
  const Coordinates closest = minusScaled(w, d, -t);
  return dot(closest, closest);
}

// True when `offset`, how far a point lies past one end of the axis
// measured along the axis times |v|, exceeds reach·|v|; without a square
// root: offset² > reach²·|v|².
bool beyond(double offset, double reach, double vv) {
  return offset > 0.0 && offset * offset > reach * reach * vv;
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
  const double reach = obstacle.radius + slack;
  const Coordinates axis = difference(obstacle.c2, obstacle.c1);
  const Coordinates w = difference(segment.a, obstacle.c1);
  const Coordinates d = difference(segment.b, segment.a);
  const double vv = dot(axis, axis);
  // The comparisons are written so that a NaN (from absurd input) never
  // rules a contact out.
  if (!(vv > 0.0)) return !(leastSquaredDistance(w, d) > reach * reach);

  // Axial coordinates of both ends, times |v|: 0 level with c1, vv with c2.
  const double ha = dot(w, axis);
  const double hb = ha + dot(d, axis);
  if (beyond(-ha, reach, vv) && beyond(-hb, reach, vv)) return false;
  if (beyond(ha - vv, reach, vv) && beyond(hb - vv, reach, vv)) return false;

  const Coordinates wAcross = minusScaled(w, axis, ha / vv);
  const Coordinates dAcross = minusScaled(d, axis, (hb - ha) / vv);
  return !(leastSquaredDistance(wAcross, dAcross) > reach * reach);
}

}  // namespace trvApp
