// SPDX-License-Identifier: MIT
#ifndef CTRV_POINT3_H
#define CTRV_POINT3_H

/// @file CtrvPoint3.h
/// Three-component double-precision point.

#include <cmath>

#include "CtrvVect3.h"
#include "trvExport.h"

/// A point (x, y, z) of doubles. It has every operation of CtrvVect3; the
/// arithmetic operators it inherits return vectors. A matrix transforms a
/// point with its translation, a vector without.
class TRV_API CtrvPoint3 : public CtrvVect3 {
 public:
  /// The origin (0, 0, 0).
  constexpr CtrvPoint3() : CtrvVect3() {}
  /// The point (x, y, z).
  constexpr CtrvPoint3(double x, double y, double z) : CtrvVect3(x, y, z) {}
  /// Copies the three components.
  constexpr CtrvPoint3(const CtrvPoint3& other) = default;
  /// The point with the components of v.
  constexpr CtrvPoint3(const CtrvVect3& v) : CtrvVect3(v) {}
  /// Copies the three components. @return this point.
  CtrvPoint3& operator=(const CtrvPoint3& other) = default;
  /// Destroys the point; nothing else to release.
  ~CtrvPoint3() override = default;

  /// The Euclidean distance between this point and q.
  double distanceFrom(const CtrvPoint3& q) const {
    const double dx = (*this)[0] - q[0];
    const double dy = (*this)[1] - q[1];
    const double dz = (*this)[2] - q[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
  }
};

/// The origin (0, 0, 0), valid before any code runs.
extern TRV_API CtrvPoint3 trvDefaultPoint3;

#endif
