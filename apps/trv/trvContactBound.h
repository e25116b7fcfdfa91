// SPDX-License-Identifier: MIT
#ifndef TRV_APP_CONTACT_BOUND_H
#define TRV_APP_CONTACT_BOUND_H

// Cheap tests that rule contacts out, or in, before the exact test is made.

#include <algorithm>

#include "trvSweepShapes.h"

namespace trvApp {

/// Bounds of the distance between a segment and a capsule's axis: when a
/// lower bound exceeds the radius by more than a slack, the segment cannot
/// touch the capsule; when an upper bound falls short of it by twice the
/// slack, it surely does. Either way the exact test is skipped. The bounds
/// never rule out a contact that ExactContact reports, nor rule in one it
/// does not (see the .cpp for why), so using them changes the time of a
/// sweep, never its answer.
class ContactBound {
 public:
  /// Relative width of the slack: far above the rounding of the exact test
  /// and of these bounds (a few units of 1e-16 of the coordinates' size),
  /// far below any distance that matters to the answer.
  static constexpr double RELATIVE_SLACK = 1e-6;

  /// The slack an obstacle brings: RELATIVE_SLACK of its size (its largest
  /// coordinate plus its radius), plus as much again in absolute units.
  static double slackOf(const SweepObstacle& obstacle);

  /// The slack a segment brings, likewise from its largest coordinate.
  static double slackOf(const SweepSegment& segment);

  /// What the bounds tell of a segment and an obstacle.
  enum class Verdict {
    APART,     ///< no contact: the exact test would find none
    UNSURE,    ///< only the exact test can tell
    TOUCHING,  ///< a contact, deep enough that the exact test would find it
  };

  /// APART when `segment` stays farther than the obstacle's radius plus
  /// `slack` (the sum of both slacks) from the obstacle's axis; TOUCHING
  /// when the point of the segment nearest the axis line lies level with
  /// the axis (between the planes through c1 and c2 across it) and closer
  /// to it than the radius less twice `slack`.
  static Verdict judge(const SweepSegment& segment, const SweepObstacle& obstacle, double slack);

  /// The same on the segment from `start` along `direction` (b - a) and the
  /// axis from `c1` along `axis` (c2 - c1), with `reach` the radius plus
  /// every slack and `inner` the radius less twice every slack (no contact
  /// is ruled in when it is not positive). With Real = float the slacks
  /// must also cover the rounding of the coordinates to floats and of the
  /// float operations (about 1e-7 of the coordinates' size).
  template <class Real>
  static Verdict judge(const Real* start, const Real* direction, const Real* c1, const Real* axis,
                       Real reach, Real inner);
};

// Helpers of ContactBound::judge.
namespace contactBoundDetail {

template <class Real>
Real dot(const Real* u, const Real* v) {
  return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

// The t in [0, 1] that minimises the length of w + t·d.
template <class Real>
Real nearestParameter(const Real* w, const Real* d) {
  const Real dd = dot(d, d);
  return dd > 0 ? std::clamp(-dot(w, d) / dd, Real(0), Real(1)) : Real(0);
}

// The least squared length of w + t·d for t in [0, 1].
template <class Real>
Real leastSquaredDistance(const Real* w, const Real* d) {
  const Real t = nearestParameter(w, d);
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

}  // namespace contactBoundDetail

template <class Real>
inline ContactBound::Verdict ContactBound::judge(const Real* start, const Real* direction,
                                                 const Real* c1, const Real* axis, Real reach,
                                                 Real inner) {
  const Real w[3] = {start[0] - c1[0], start[1] - c1[1], start[2] - c1[2]};
  const Real vv = contactBoundDetail::dot(axis, axis);
  // The comparisons are written so that a NaN (from absurd input) never
  // rules a contact out, nor in.
  if (!(vv > 0)) {
    const bool apart = contactBoundDetail::leastSquaredDistance(w, direction) > reach * reach;
    return apart ? Verdict::APART : Verdict::UNSURE;
  }

  // Axial coordinates of both ends, times |v|: 0 level with c1, vv with c2.
  const Real ha = contactBoundDetail::dot(w, axis);
  const Real hb = ha + contactBoundDetail::dot(direction, axis);
  if (contactBoundDetail::beyond(-ha, reach, vv) && contactBoundDetail::beyond(-hb, reach, vv))
    return Verdict::APART;
  if (contactBoundDetail::beyond(ha - vv, reach, vv) &&
      contactBoundDetail::beyond(hb - vv, reach, vv))
    return Verdict::APART;

  const Real wScale = ha / vv;
  const Real dScale = (hb - ha) / vv;
  const Real wAcross[3] = {w[0] - axis[0] * wScale, w[1] - axis[1] * wScale,
                           w[2] - axis[2] * wScale};
  const Real dAcross[3] = {direction[0] - axis[0] * dScale, direction[1] - axis[1] * dScale,
                           direction[2] - axis[2] * dScale};
  const Real t = contactBoundDetail::nearestParameter(wAcross, dAcross);
  const Real closest[3] = {wAcross[0] + dAcross[0] * t, wAcross[1] + dAcross[1] * t,
                           wAcross[2] + dAcross[2] * t};
  const Real across = contactBoundDetail::dot(closest, closest);
  if (across > reach * reach) return Verdict::APART;
  const Real level = ha + (hb - ha) * t;
  const bool inside = inner > 0 && across < inner * inner && level >= 0 && level <= vv;
  return inside ? Verdict::TOUCHING : Verdict::UNSURE;
}

}  // namespace trvApp

#endif
