// SPDX-License-Identifier: MIT
#include "trvSweepWorkModel.h"

#include <algorithm>
#include <cmath>

namespace trvApp {

namespace {

// Nanoseconds of one thread, measured in Release on a 2-core machine
// (bench/trvBenchSweep.cpp and docs/sweep.md); only their ratios matter.
constexpr double PLACE_COST = 150.0;  // per obstacle
constexpr double INDEX_COST = 35.0;   // per obstacle and level (log2 of the obstacles)
// Per segment with the tree: 160 ns at 200 obstacles, growing as the
// obstacles^0.3 (deeper trees, then caches outgrown): 410 ns at 2,000,
// 790 at 20,000, 2,100 at 1,000,000.
constexpr double TREE_SEGMENT_COST = 160.0;
constexpr double TREE_REFERENCE_OBSTACLES = 200.0;
constexpr double TREE_GROWTH_EXPONENT = 0.3;
constexpr double DRAW_COST = 50.0;        // per segment, drawing it
constexpr double BRUTE_TEST_COST = 60.0;  // per exact test
// Expected contacts of a segment per obstacle in the world cube: 12 % of
// the segments touch one of 200 obstacles, 69 % one of 2,000.
constexpr double CONTACT_RATE = 6e-4;

double levels(std::uint64_t obstacles) { return std::log2(static_cast<double>(obstacles) + 1.0); }

}  // namespace

double SweepWorkModel::segmentCost(std::uint64_t obstacles, bool bruteForce) {
  const double n = static_cast<double>(obstacles);
  if (!bruteForce) {
    return std::max(DRAW_COST, TREE_SEGMENT_COST * std::pow((n + 1.0) / TREE_REFERENCE_OBSTACLES,
                                                            TREE_GROWTH_EXPONENT));
  }
  // With n obstacles in random order, a segment with Poisson(rate·n)
  // contacts stops after n·(1 - exp(-rate·n))/(rate·n) tests on average.
  const double expected = n * CONTACT_RATE;
  const double tests = expected > 1e-9 ? n * -std::expm1(-expected) / expected : n;
  return DRAW_COST + BRUTE_TEST_COST * tests;
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
