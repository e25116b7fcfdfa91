// SPDX-License-Identifier: MIT
#include "trvSweepEngine.h"

#include <chrono>
#include <thread>
#include <utility>

#include "trvBruteForceFinder.h"
#include "trvObstacleField.h"
#include "trvObstacleTree.h"

namespace trvApp {

namespace {

unsigned int workersFor(unsigned int requested) {
  if (requested > 0) return requested;
  const unsigned int hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? hardware : 1;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

SweepEngine::SweepEngine(const SweepPlan& plan)
    : m_plan(plan),
      m_chunks(plan.seed, plan.segments),
      m_range(plan.shard.rangeOf(m_chunks.count())),
      m_threads(workersFor(plan.threads)),
      m_shares(SweepWorkModel::sharesOf(plan, m_threads, m_chunks.segmentsIn(m_range))) {}

SweepResult SweepEngine::run(const ProgressTick& tick) {
  const auto start = std::chrono::steady_clock::now();
  SweepResult result;
  result.seed = m_plan.seed;
  result.obstacles = m_plan.obstacles;
  result.segments = m_plan.segments;
  result.shard = m_plan.shard;
  result.chunks = m_range;
  TickClock clock;
  const std::unique_ptr<ContactFinder> finder = prepare(clock, tick);
  if (finder && !reach(SweepPhase::sweeping, 0.0, SweepCounts(), tick)) {
    const double total = static_cast<double>(m_chunks.segmentsIn(m_range));
    const SweepTick sweepTick = [&](const SweepCounts& counts) {
      const double fraction = total > 0 ? static_cast<double>(counts.checked) / total : 1.0;
      return reach(SweepPhase::sweeping, fraction, counts, tick);
    };
    const SweepOutcome outcome =
        SweepRunner(*finder, m_chunks).run(m_range, m_threads, clock, sweepTick);
    result.checked = outcome.counts.checked;
    result.hits = outcome.counts.hits;
    result.complete = outcome.complete;
  }
  result.elapsedSeconds = secondsSince(start);
  return result;
}

// Places the obstacles and puts them in the finder the plan asks for; null
// when the tick asked to stop.
std::unique_ptr<ContactFinder> SweepEngine::prepare(TickClock& clock,
                                                    const ProgressTick& tick) const {
  if (reach(SweepPhase::placing, 0.0, SweepCounts(), tick)) return nullptr;
  std::vector<SweepObstacle> obstacles;
  if (!ObstacleField::place(m_plan.seed, m_plan.obstacles, obstacles, clock, [&](double fraction) {
        return reach(SweepPhase::placing, fraction, SweepCounts(), tick);
      })) {
    return nullptr;
  }
  if (m_plan.bruteForce) return std::make_unique<BruteForceFinder>(std::move(obstacles));
  if (reach(SweepPhase::indexing, 0.0, SweepCounts(), tick)) return nullptr;
  auto tree = std::make_unique<ObstacleTree>();
  if (!tree->build(std::move(obstacles), clock, [&](double fraction) {
        return reach(SweepPhase::indexing, fraction, SweepCounts(), tick);
      })) {
    return nullptr;
  }
  return tree;
}

// Calls the tick with the progress of the whole sweep for `phaseFraction` of
// `phase`; true when it asks to stop.
bool SweepEngine::reach(SweepPhase phase, double phaseFraction, const SweepCounts& counts,
                        const ProgressTick& tick) const {
  if (!tick) return false;
  double before = 0.0;
  double share = m_shares.placing;
  if (phase != SweepPhase::placing) {
    before = m_shares.placing;
    share = m_shares.indexing;
  }
  if (phase == SweepPhase::sweeping) {
    before += m_shares.indexing;
    share = m_shares.sweeping;
  }
  return tick(SweepProgress{phase, before + share * phaseFraction, counts});
}

}  // namespace trvApp
