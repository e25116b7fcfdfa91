#ifndef TRV_APP_CONTACT_BOUND_H
#define TRV_APP_CONTACT_BOUND_H

// A cheap test that rules out contacts before the exact test is made.

#include "trvSweepShapes.h"

namespace trvApp {

/// Lower bounds of the distance between a segment and a capsule's axis:
/// when one of them exceeds the radius by more than a slack, the segment
/// cannot touch the capsule, and the exact test is skipped. The test never
/// rules out a contact that ExactContact reports (see the .cpp for why), so
/// using it changes the time of a sweep, never its answer.
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

  /// False only when `segment` stays farther than the obstacle's radius
  /// plus `slack` (the sum of both slacks) from the obstacle's axis.
  static bool mayTouch(const SweepSegment& segment, const SweepObstacle& obstacle, double slack);

  /// The same bound on the segment from `start` along `direction` (b - a)
  /// and the axis from `c1` along `axis` (c2 - c1), with `reach` the radius
  /// plus every slack. With Real = float the slack must also cover the
  /// rounding of the coordinates to floats and of the float operations
  /// (about 1e-7 of the coordinates' size).
  template <class Real>
  static bool mayTouch(const Real* start, const Real* direction, const Real* c1, const Real* axis,
                       Real reach);
};

}  // namespace trvApp

#endif
