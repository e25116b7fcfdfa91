#include "trvSweepWorkModel.h"

#include <algorithm>
#include <cmath>

namespace trvApp {

namespace {

// Nanoseconds on one thread, measured in Release on the reference machine.
constexpr double PLACE_COST = 150.0;         // per obstacle
constexpr double INDEX_COST = 20.0;          // per obstacle and tree level
constexpr double SEGMENT_BASE_COST = 100.0;  // per segment, drawing and a shallow search
constexpr double SEGMENT_LEVEL_COST = 20.0;  // per segment and tree level
constexpr double BRUTE_TEST_COST = 60.0;     // per exact test
// Expected contacts of a segment per obstacle in the world cube: the mean
// number of exact tests before the first contact is about 1/CONTACT_RATE.
constexpr double CONTACT_RATE = 8e-4;

double levels(std::uint64_t obstacles) { return std::log2(static_cast<double>(obstacles) + 1.0); }

}  // namespace

double SweepWorkModel::segmentCost(std::uint64_t obstacles, bool bruteForce) {
  if (!bruteForce) return SEGMENT_BASE_COST + SEGMENT_LEVEL_COST * levels(obstacles);
  const double n = static_cast<double>(obstacles);
  // With n obstacles in random order, a segment with Poisson(rate·n)
  // contacts stops after n·(1 - exp(-rate·n))/(rate·n) tests on average.
  const double expected = n * CONTACT_RATE;
  const double tests = expected > 1e-9 ? n * -std::expm1(-expected) / expected : n;
  return SEGMENT_BASE_COST + BRUTE_TEST_COST * tests;
}

SweepWorkShares SweepWorkModel::sharesOf(const SweepPlan& plan, unsigned int threads,
                                         std::uint64_t shardSegments) {
  const double n = static_cast<double>(plan.obstacles);
  const double placing = PLACE_COST * n;
  const double indexing = plan.bruteForce ? 0.0 : INDEX_COST * n * levels(plan.obstacles);
  const double sweeping = segmentCost(plan.obstacles, plan.bruteForce) *
                          static_cast<double>(shardSegments) / std::max(threads, 1u);
  const double total = placing + indexing + sweeping;
  if (!(total > 0.0)) return SweepWorkShares();
  return SweepWorkShares{placing / total, indexing / total, sweeping / total};
}

}  // namespace trvApp
