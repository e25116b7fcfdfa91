// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_SHAPES_H
#define TRV_APP_SWEEP_SHAPES_H

// The two shapes of the sweep, as plain coordinates: the engine keeps
// millions of obstacles, so they carry no virtual table and no padding.

#include <array>

namespace trvApp {

/// Three coordinates x, y, z.
using Coordinates = std::array<double, 3>;

/// A straight segment from `a` to `b`.
struct SweepSegment {
  Coordinates a;
  Coordinates b;
};

/// A capsule: the points within `radius` of the segment from `c1` to `c2`.
struct SweepObstacle {
  Coordinates c1;
  Coordinates c2;
  double radius;
};

}  // namespace trvApp

#endif
