// SPDX-License-Identifier: MIT
#include "trvObstacleField.h"

#include <CtrvPRNGGameRand.h>
#include <CtrvPoint3.h>

#include "trvSegmentDraw.h"

namespace trvApp {

namespace {

constexpr double MIN_CAPSULE_LENGTH = 5.0;
constexpr double MAX_CAPSULE_LENGTH = 20.0;
constexpr double MIN_CAPSULE_RADIUS = 1.0;
constexpr double MAX_CAPSULE_RADIUS = 3.0;
// Obstacles placed between two looks at the clock.
constexpr std::uint64_t BATCH = 1024;

Coordinates coordinatesOf(const CtrvPoint3& p) { return {p[0], p[1], p[2]}; }

SweepObstacle drawObstacle(CtrvPRNG& random) {
  const double size = SegmentDraw::WORLD_SIZE;
  const CtrvPoint3 start(random.generate(0.0, size), random.generate(0.0, size),
                         random.generate(0.0, size));
  CtrvVect3 axis(random.generateNormal(1.0), random.generateNormal(1.0),
                 random.generateNormal(1.0));
  if (axis.norm() < 1e-9) axis = trvDefaultVect3;
  axis.normalize();
  const double length = random.generate(MIN_CAPSULE_LENGTH, MAX_CAPSULE_LENGTH);
  const double radius = random.generate(MIN_CAPSULE_RADIUS, MAX_CAPSULE_RADIUS);
  const CtrvPoint3 end = start + axis * length;
  return SweepObstacle{coordinatesOf(start), coordinatesOf(end), radius};
}

}  // namespace

bool ObstacleField::place(unsigned int seed, std::uint64_t count,
                          std::vector<SweepObstacle>& obstacles, TickClock& clock,
                          const StepTick& tick) {
  const boost::shared_ptr<CtrvPRNGGameRand> random = CtrvPRNGGameRand::create();
  random->seed(seed);
  obstacles.clear();
  obstacles.reserve(count);
  while (obstacles.size() < count) {
    obstacles.push_back(drawObstacle(*random));
    if (obstacles.size() % BATCH == 0 && clock.due() && tick &&
        tick(static_cast<double>(obstacles.size()) / static_cast<double>(count))) {
      return false;
    }
  }
  return true;
}

std::vector<SweepObstacle> ObstacleField::draw(unsigned int seed, std::uint64_t count) {
  std::vector<SweepObstacle> obstacles;
  TickClock clock;
  place(seed, count, obstacles, clock, StepTick());
  return obstacles;
}

}  // namespace trvApp
