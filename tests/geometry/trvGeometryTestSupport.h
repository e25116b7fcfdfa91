#ifndef TRV_TESTS_GEOMETRY_TEST_SUPPORT_H
#define TRV_TESTS_GEOMETRY_TEST_SUPPORT_H

// Helpers of the geometry tests: conversions to and from Eigen, which the
// tests use as an independent reference, seeded random inputs, and a guard
// for the process-wide tolerances.

#include <CtrvMat4.h>
#include <CtrvVect3.h>

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <random>

namespace trvTest {

// Restores the tolerance of T (CtrvVect3 or CtrvMat4) when a test that
// changes it ends.
template <class T>
class ToleranceGuard {
 public:
  ToleranceGuard() : m_saved(T::tolerance()) {}
  ~ToleranceGuard() { T::tolerance(m_saved); }
  ToleranceGuard(const ToleranceGuard&) = delete;
  ToleranceGuard& operator=(const ToleranceGuard&) = delete;

 private:
  double m_saved;
};

inline void expectBottomRowOfATransform(const CtrvMat4& m) {
  EXPECT_EQ(m(3, 0), 0.0);
  EXPECT_EQ(m(3, 1), 0.0);
  EXPECT_EQ(m(3, 2), 0.0);
  EXPECT_EQ(m(3, 3), 1.0);
}

inline Eigen::Matrix4d toEigen(const CtrvMat4& m) {
  Eigen::Matrix4d e;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) e(i, j) = m(i, j);
  }
  return e;
}

inline CtrvMat4 fromEigen(const Eigen::Matrix4d& e) {
  CtrvMat4 m;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) m(i, j) = e(i, j);
  }
  return m;
}

inline Eigen::Vector3d toEigen(const CtrvVect3& v) { return Eigen::Vector3d(v[0], v[1], v[2]); }

// Seeded source of random geometry, so that every run sees the same inputs.
class RandomGeometry {
 public:
  explicit RandomGeometry(unsigned seed) : m_rng(seed) {}

  double value(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(m_rng);
  }
  Eigen::Vector3d vector(double range) {
    return Eigen::Vector3d(value(-range, range), value(-range, range), value(-range, range));
  }
  Eigen::Matrix4d matrix() {
    Eigen::Matrix4d e;
    for (int i = 0; i < 16; ++i) e(i / 4, i % 4) = value(-10.0, 10.0);
    return e;
  }
  Eigen::Quaterniond rotation() {
    Eigen::Vector4d c(value(-1, 1), value(-1, 1), value(-1, 1), value(-1, 1));
    return Eigen::Quaterniond(c[0], c[1], c[2], c[3]).normalized();
  }
  // A rotation followed by a translation, bottom row (0, 0, 0, 1).
  Eigen::Matrix4d rigid() {
    Eigen::Matrix4d e = Eigen::Matrix4d::Identity();
    e.topLeftCorner<3, 3>() = rotation().toRotationMatrix();
    e.topRightCorner<3, 1>() = vector(50.0);
    return e;
  }

 private:
  std::mt19937 m_rng;
};

}  // namespace trvTest

#endif
