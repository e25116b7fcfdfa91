// SPDX-License-Identifier: MIT
#ifndef CTRV_VECT3_H
#define CTRV_VECT3_H

/// @file CtrvVect3.h
/// Three-component double-precision vector.

#include <cmath>

#include "trvExport.h"

/// A three-component vector of doubles (x, y, z); index 0 is x, 1 is y and
/// 2 is z. A plain value class: copying copies the three components and no
/// operation allocates. Nothing reports a failure: degenerate input (a zero
/// vector to normalise, a division by 0) gives non-finite components.
///
/// The approximate comparison operator==() uses a process-wide tolerance
/// (initially 0.001), absolute and per component with inclusive bounds; it
/// is shared by every vector and point and is not synchronised.
class TRV_API CtrvVect3 {
 public:
  /// The zero vector (0, 0, 0).
  constexpr CtrvVect3() : m_components{0.0, 0.0, 0.0} {}
  /// The vector (x, y, z).
  constexpr CtrvVect3(double x, double y, double z) : m_components{x, y, z} {}
  /// Copies the three components.
  constexpr CtrvVect3(const CtrvVect3& other) = default;
  /// Copies the three components. @return this vector.
  CtrvVect3& operator=(const CtrvVect3& other) = default;
  /// Destroys the vector; nothing else to release.
  virtual ~CtrvVect3() = default;

  /// Sets the three components.
  void setValue(double x, double y, double z) {
    m_components[0] = x;
    m_components[1] = y;
    m_components[2] = z;
  }

  /// Component i (0 x, 1 y, 2 z); i is not validated.
  double& operator[](int i) { return m_components[i]; }
  /// Component i (0 x, 1 y, 2 z); i is not validated.
  const double& operator[](int i) const { return m_components[i]; }

  /// Component-wise sum.
  CtrvVect3 operator+(const CtrvVect3& w) const {
    return CtrvVect3(m_components[0] + w[0], m_components[1] + w[1], m_components[2] + w[2]);
  }
  /// Component-wise difference: this vector minus w.
  CtrvVect3 operator-(const CtrvVect3& w) const {
    return CtrvVect3(m_components[0] - w[0], m_components[1] - w[1], m_components[2] - w[2]);
  }
  /// Adds w in place. @return this vector.
  CtrvVect3& operator+=(const CtrvVect3& w) {
    m_components[0] += w[0];
    m_components[1] += w[1];
    m_components[2] += w[2];
    return *this;
  }
  /// Subtracts w in place. @return this vector.
  CtrvVect3& operator-=(const CtrvVect3& w) {
    m_components[0] -= w[0];
    m_components[1] -= w[1];
    m_components[2] -= w[2];
    return *this;
  }
  /// Each component times s.
  CtrvVect3 operator*(double s) const {
    return CtrvVect3(m_components[0] * s, m_components[1] * s, m_components[2] * s);
  }
  /// Each component divided by s (no test of s).
  CtrvVect3 operator/(double s) const {
    return CtrvVect3(m_components[0] / s, m_components[1] / s, m_components[2] / s);
  }
  /// The cross product (this vector) x w.
  CtrvVect3 operator*(const CtrvVect3& w) const {
    const double* v = m_components;
    return CtrvVect3(v[1] * w[2] - v[2] * w[1], v[2] * w[0] - v[0] * w[2],
                     v[0] * w[1] - v[1] * w[0]);
  }

  /// The dot product x*w.x + y*w.y + z*w.z.
  double scalarProduct(const CtrvVect3& w) const {
    return m_components[0] * w[0] + m_components[1] * w[1] + m_components[2] * w[2];
  }
  /// x^2 + y^2 + z^2.
  double squareLength() const { return scalarProduct(*this); }
  /// The Euclidean length.
  double norm() const { return std::sqrt(squareLength()); }
  /// Scales the vector to unit length by the reciprocal of its norm; the
  /// zero vector becomes non-finite.
  void normalize() {
    const double r = 1.0 / norm();
    m_components[0] *= r;
    m_components[1] *= r;
    m_components[2] *= r;
  }

  /// Whether every component equals 0.0 exactly (-0.0 included).
  bool isZero() const {
    return m_components[0] == 0.0 && m_components[1] == 0.0 && m_components[2] == 0.0;
  }
  /// Exact equality of the three components.
  bool isStrictlyEqual(const CtrvVect3& w) const {
    return m_components[0] == w[0] && m_components[1] == w[1] && m_components[2] == w[2];
  }
  /// Equality within the tolerance: each component of this vector lies in
  /// [w[i] - tolerance, w[i] + tolerance]. A NaN component never makes the
  /// vectors unequal.
  bool operator==(const CtrvVect3& w) const {
    const double tol = s_tolerance;
    for (int i = 0; i < 3; ++i) {
      if (w[i] - tol > m_components[i]) return false;
      if (w[i] + tol < m_components[i]) return false;
    }
    return true;
  }
  /// The negation of operator==().
  bool operator!=(const CtrvVect3& w) const { return !(*this == w); }
  /// Exact lexicographic order on (x, y, z); components that do not compare
  /// (NaN) count as equal. The tolerance plays no part.
  bool operator<(const CtrvVect3& w) const {
    for (int i = 0; i < 3; ++i) {
      if (w[i] < m_components[i]) return false;
      if (w[i] > m_components[i]) return true;
    }
    return false;
  }

  /// The tolerance of operator==() and operator!=() (initially 0.001).
  static double tolerance();
  /// Replaces the tolerance for all later comparisons of every vector and
  /// point in the process.
  static void tolerance(double value);

 private:
  double m_components[3];

  static double s_tolerance;
};

/// The unit x vector (1, 0, 0), valid before any code runs.
extern TRV_API CtrvVect3 trvDefaultVect3;

#endif
