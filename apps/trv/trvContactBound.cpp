// SPDX-License-Identifier: MIT
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
//
// Why a contact ruled in is one the exact test reports.
//
// The point P of the segment at t* (a true point of it: t* is clamped to
// [0, 1]) is computed to lie within `inner` of the axis line and level with
// the axis. The same few ulps of the coordinates' size, e, separate those
// figures from P's true ones: P's true distance across the axis is below
// inner + e, and it lies at most e beyond the plane of an end, so its
// distance to the axis segment is below inner + 2e, short of the radius by
// about twice the slack. The exact test, whose own errors are of the order
// of e, finds a point that deep inside.

namespace trvApp {

namespace {

double largestMagnitude(const Coordinates& u) {
  return std::max({std::fabs(u[0]), std::fabs(u[1]), std::fabs(u[2])});
}

double slackFor(double size) { return ContactBound::RELATIVE_SLACK * (1.0 + size); }

}  // namespace

double ContactBound::slackOf(const SweepObstacle& obstacle) {
  return slackFor(std::max(largestMagnitude(obstacle.c1), largestMagnitude(obstacle.c2)) +
                  std::fabs(obstacle.radius));
}

double ContactBound::slackOf(const SweepSegment& segment) {
  return slackFor(std::max(largestMagnitude(segment.a), largestMagnitude(segment.b)));
}

ContactBound::Verdict ContactBound::judge(const SweepSegment& segment,
                                          const SweepObstacle& obstacle, double slack) {
  double direction[3];
  double axis[3];
  for (int i = 0; i < 3; ++i) {
    direction[i] = segment.b[i] - segment.a[i];
    axis[i] = obstacle.c2[i] - obstacle.c1[i];
  }
  return judge(segment.a.data(), direction, obstacle.c1.data(), axis, obstacle.radius + slack,
               obstacle.radius - 2.0 * slack);
}

}  // namespace trvApp
