// SPDX-License-Identifier: MIT
#ifndef TRV_APP_EXACT_CONTACT_H
#define TRV_APP_EXACT_CONTACT_H

// The exact contact test of a segment with a capsule, made with the
// library's distance and intersection operations.

#include <vector>

#include "trvSweepShapes.h"

namespace trvApp {

/// Decides whether a segment touches an obstacle: some point of it lies in
/// the capsule or on its surface. Owns the output buffer of
/// the intersection operation, so each thread uses an instance of its own;
/// after the first calls nothing is allocated.
class ExactContact {
 public:
  ExactContact();

  /// True when `segment` touches `obstacle`.
  bool touches(const SweepSegment& segment, const SweepObstacle& obstacle);

 private:
  std::vector<double> m_params;
};

}  // namespace trvApp

#endif
