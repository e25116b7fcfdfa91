#include "trvSweepJob.h"

#include <CtrvGeometry.h>
#include <CtrvProgressHelper.h>

#include <algorithm>

namespace trvApp {

const char* const PLACING_PHASE = "placing obstacles";
const char* const SWEEPING_PHASE = "sweeping";
const char* const DONE_PHASE = "done";

namespace {

constexpr double WORLD_SIZE = 100.0;
constexpr double MIN_CAPSULE_LENGTH = 5.0;
constexpr double MAX_CAPSULE_LENGTH = 20.0;
constexpr double MIN_CAPSULE_RADIUS = 1.0;
constexpr double MAX_CAPSULE_RADIUS = 3.0;
constexpr double SEGMENT_REACH = 10.0;  // largest offset of an end point along each axis
// Reading the memory figure behind cancelled() costs far more than checking a
// segment, so the delegate is consulted once per batch.
constexpr unsigned long POLL_INTERVAL = 256;

// Offers the delegate a report of `fraction` of the current step.
void offerReport(CtrvProgressDelegate& delegate, float fraction, const char* phase) {
  if (!delegate.shouldReport()) return;
  delegate.report(
      CtrvProgressHelper::calculateProgress(delegate.step(), delegate.stepCount(), fraction),
      phase);
}

// Runs `count` items as the current step of `delegate`; false when the
// delegate asked to stop.
template <class Item>
bool runStep(CtrvProgressDelegate& delegate, unsigned long count, const char* phase, Item item) {
  offerReport(delegate, 0.0f, phase);
  for (unsigned long done = 1; done <= count; ++done) {
    item();
    if (done % POLL_INTERVAL != 0 && done != count) continue;
    offerReport(delegate, static_cast<float>(static_cast<double>(done) / count), phase);
    if (delegate.cancelled()) return false;
  }
  return true;
}

}  // namespace

SweepJob::SweepJob(const SweepSettings& settings)
    : m_settings(settings), m_random(CtrvPRNGGameRand::create()) {
  m_random->seed(settings.seed);
  m_obstacles.reserve(settings.obstacles);
}

SweepTally SweepJob::run(CtrvProgressDelegate& delegate) {
  SweepTally tally;
  delegate.stepCount(2);
  delegate.cancellable(true);
  delegate.start();
  tally.completed =
      runStep(delegate, m_settings.obstacles, PLACING_PHASE, [&] { placeObstacle(); }) &&
      delegate.nextStep() &&
      runStep(delegate, m_settings.segments, SWEEPING_PHASE, [&] { checkSegment(tally); });
  if (tally.completed) {
    delegate.nextStep();
    offerReport(delegate, 0.0f, DONE_PHASE);
  }
  delegate.finish();
  return tally;
}

void SweepJob::placeObstacle() {
  const CtrvPoint3 start = randomPoint();
  CtrvVect3 axis(m_random->generateNormal(1.0), m_random->generateNormal(1.0),
                 m_random->generateNormal(1.0));
  if (axis.norm() < 1e-9) axis = trvDefaultVect3;
  axis.normalize();
  const double length = m_random->generate(MIN_CAPSULE_LENGTH, MAX_CAPSULE_LENGTH);
  const double radius = m_random->generate(MIN_CAPSULE_RADIUS, MAX_CAPSULE_RADIUS);
  m_obstacles.push_back(Capsule{start, start + axis * length, radius});
}

void SweepJob::checkSegment(SweepTally& tally) {
  const CtrvPoint3 a = randomPoint();
  const CtrvVect3 offset(m_random->generate(-SEGMENT_REACH, SEGMENT_REACH),
                         m_random->generate(-SEGMENT_REACH, SEGMENT_REACH),
                         m_random->generate(-SEGMENT_REACH, SEGMENT_REACH));
  const CtrvPoint3 b = a + offset;
  ++tally.checked;
  for (const Capsule& obstacle : m_obstacles) {
    if (touchesObstacle(a, b, obstacle)) {
      ++tally.hits;
      return;
    }
  }
}

// A segment touches a capsule when the part of its line inside the capsule,
// from the smallest to the largest crossing, meets the segment (0 <= t <= 1).
// That decides a segment starting on the surface consistently, whichever way
// the crossing there rounds. A segment of zero length has no line: its point
// is tested.
bool SweepJob::touchesObstacle(const CtrvPoint3& a, const CtrvPoint3& b, const Capsule& obstacle) {
  if (a.isStrictlyEqual(b)) {
    return CtrvGeometry::distancePointSegment(a, obstacle.c1, obstacle.c2) <= obstacle.radius;
  }
  if (CtrvGeometry::intersectLineExtrudedSphere(a, b - a, obstacle.c1, obstacle.c2, obstacle.radius,
                                                m_params) == 0) {
    return false;
  }
  const auto [low, high] = std::minmax_element(m_params.begin(), m_params.end());
  return *low <= 1.0 && *high >= 0.0;
}

CtrvPoint3 SweepJob::randomPoint() {
  return CtrvPoint3(m_random->generate(0.0, WORLD_SIZE), m_random->generate(0.0, WORLD_SIZE),
                    m_random->generate(0.0, WORLD_SIZE));
}

}  // namespace trvApp
