// SPDX-License-Identifier: MIT
#ifndef TRV_TESTS_GEOMETRY_TEST_SUPPORT_H
#define TRV_TESTS_GEOMETRY_TEST_SUPPORT_H

// Helpers of the geometry tests: Eigen as an independent reference and
// seeded random inputs.

#include <CtrvGeometry.h>
#include <CtrvMat.h>
#include <CtrvQuatF.h>
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <random>

namespace trvTest {

using Vec3 = Eigen::Vector3d;
using Mat4 = Eigen::Matrix4d;
const double kNaN = std::nan("");

inline Mat4 toEigen(const CtrvMat4& m) {
  return Eigen::Map<const Eigen::Matrix<double, 4, 4, Eigen::RowMajor>>(
      static_cast<const double*>(m.getAddress()));
}
inline Vec3 toEigen(const CtrvVect3& v) { return Vec3(v[0], v[1], v[2]); }
inline CtrvVect3 fromEigen(const Vec3& e) { return CtrvVect3(e[0], e[1], e[2]); }
inline CtrvMat4 fromEigen(const Mat4& e) {
  CtrvMat4 m;
  for (int k = 0; k < 16; ++k) m(k / 4, k % 4) = e(k / 4, k % 4);
  return m;
}

// Largest absolute difference between corresponding elements.
template <class T, class E>
double maxDiff(const T& value, const E& expected) {
  return (toEigen(value) - expected).cwiseAbs().maxCoeff();
}

// Seeded, so every run sees the same inputs.
struct RandomGeometry {
  std::mt19937 rng;
  double value(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }
  template <class M = Vec3>  // elements uniform in [-range, range]
  M fill(double range) {
    return M::NullaryExpr([&] { return value(-range, range); });
  }
  // A rotation and a translation, bottom row (0, 0, 0, 1).
  Mat4 rigid() {
    const Eigen::Quaterniond q(fill<Eigen::Vector4d>(1.0));
    return (Eigen::Translation3d(fill(50.0)) * q.normalized()).matrix();
  }
};

}  // namespace trvTest

#endif
