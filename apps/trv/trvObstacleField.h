// SPDX-License-Identifier: MIT
#ifndef TRV_APP_OBSTACLE_FIELD_H
#define TRV_APP_OBSTACLE_FIELD_H

// The obstacles of a sweep, drawn from its seed.

#include <cstdint>
#include <vector>

#include "trvSweepShapes.h"
#include "trvTickClock.h"

namespace trvApp {

/// Places capsule obstacles in the world cube from one generator seeded
/// with the sweep's seed: start point uniform in the cube, axis direction
/// from three normal draws, length uniform in [5, 20], radius in [1, 3].
class ObstacleField {
 public:
  /// The largest number of obstacles a sweep takes.
  static constexpr std::uint64_t MAX_OBSTACLES = 1000000;

  /// Draws `count` obstacles from `seed` into `obstacles` (replacing its
  /// content), calling `tick` with the fraction placed whenever `clock` is
  /// due. False when the tick asked to stop (the field is then partial).
  static bool place(unsigned int seed, std::uint64_t count, std::vector<SweepObstacle>& obstacles,
                    TickClock& clock, const StepTick& tick);

  /// The `count` obstacles of `seed`, drawn without ticks.
  static std::vector<SweepObstacle> draw(unsigned int seed, std::uint64_t count);
};

}  // namespace trvApp

#endif
