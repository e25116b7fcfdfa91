// SPDX-License-Identifier: MIT
#ifndef CTRV_PROGRESS_HELPER_H
#define CTRV_PROGRESS_HELPER_H

/// @file CtrvProgressHelper.h
/// Arithmetic of progress fractions.

#include "trvExport.h"

/// Stateless helper that turns step counts into progress fractions. Never
/// instantiated.
class TRV_API CtrvProgressHelper {
 public:
  /// Never instantiated: the only operation is static.
  CtrvProgressHelper() = delete;

  /// The overall progress (step + stepProgress) / stepCount, computed in
  /// double precision and rounded to float once. Nothing is clamped; a step
  /// count of 0 gives +infinity, or NaN when the numerator is 0 as well.
  /// @param step number of completed steps.
  /// @param stepCount number of steps of the whole work.
  /// @param stepProgress fraction of the step under way.
  static float calculateProgress(unsigned int step, unsigned int stepCount, float stepProgress);
};

#endif
