// SPDX-License-Identifier: MIT
#include "CtrvProgressHelper.h"

float CtrvProgressHelper::calculateProgress(unsigned int step, unsigned int stepCount,
                                            float stepProgress) {
  const double numerator = static_cast<double>(step) + static_cast<double>(stepProgress);
  return static_cast<float>(numerator / static_cast<double>(stepCount));
}
