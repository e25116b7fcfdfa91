#ifndef TRV_APP_SWEEP_JOB_H
#define TRV_APP_SWEEP_JOB_H

// The collision sweep: capsule obstacles in a box, random segments checked
// against them, driven through a progress delegate.

#include <CtrvPRNGGameRand.h>
#include <CtrvPoint3.h>
#include <CtrvProgressDelegate.h>
#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

namespace trvApp {

/// What to sweep: how many obstacles and segments, and the seed all of them
/// are drawn from.
struct SweepSettings {
  unsigned int obstacles = 200;
  unsigned long segments = 400000;
  unsigned int seed = 1;
};

/// How far a sweep got.
struct SweepTally {
  unsigned long checked = 0;  ///< segments checked
  unsigned long hits = 0;     ///< segments that touch at least one obstacle
  bool completed = false;     ///< false when the delegate stopped the sweep
};

/// A sphere swept along the segment from c1 to c2.
struct Capsule {
  CtrvPoint3 c1;
  CtrvPoint3 c2;
  double radius;
};

/// The phase names the sweep reports as its messages.
extern const char* const PLACING_PHASE;
extern const char* const SWEEPING_PHASE;
extern const char* const DONE_PHASE;

/// The sweep in two steps, placing the obstacles then sweeping the
/// segments. Everything is drawn from one generator, in a fixed order, so a
/// seed always gives the same tally.
class SweepJob {
 public:
  explicit SweepJob(const SweepSettings& settings);

  /// Runs both steps through `delegate` (two steps, cancellable), reporting
  /// the progress and polling cancelled() every few items; stops at the first
  /// poll that answers true.
  SweepTally run(CtrvProgressDelegate& delegate);

 private:
  void placeObstacle();
  void checkSegment(SweepTally& tally);
  bool touchesObstacle(const CtrvPoint3& a, const CtrvPoint3& b, const Capsule& obstacle);
  CtrvPoint3 randomPoint();

  SweepSettings m_settings;
  boost::shared_ptr<CtrvPRNGGameRand> m_random;
  std::vector<Capsule> m_obstacles;
  std::vector<double> m_params;
};

}  // namespace trvApp

#endif
