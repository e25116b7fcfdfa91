// SPDX-License-Identifier: MIT
#ifndef TRV_APP_BRUTE_FORCE_FINDER_H
#define TRV_APP_BRUTE_FORCE_FINDER_H

// Every segment against every obstacle: the reference the fast path is
// checked and measured against.

#include <vector>

#include "trvContactFinder.h"

namespace trvApp {

/// Tests a segment against each obstacle in turn with the exact test alone,
/// stopping at the first contact.
class BruteForceFinder : public ContactFinder {
 public:
  explicit BruteForceFinder(std::vector<SweepObstacle> obstacles);

  bool touchesAny(const SweepSegment& segment, ExactContact& exact) const override;
  std::size_t size() const override { return m_obstacles.size(); }

 private:
  std::vector<SweepObstacle> m_obstacles;
};

}  // namespace trvApp

#endif
