#ifndef TRV_TESTS_GEOMETRY_TEST_SUPPORT_H
#define TRV_TESTS_GEOMETRY_TEST_SUPPORT_H

// Helpers of the geometry tests: conversions to Eigen, which serves as an
// independent reference, seeded random inputs, and a guard for the
// process-wide tolerances.

#include <CtrvMat4.h>
#include <CtrvVect3.h>

#include <Eigen/Geometry>
#include <random>

namespace trvTest {

// Restores the tolerance of T (CtrvVect3 or CtrvMat4) when a test ends.
template <class T>
class ToleranceGuard {
 public:
  ToleranceGuard() : m_saved(T::tolerance()) {}
  ~ToleranceGuard() { T::tolerance(m_saved); }

 private:
  double m_saved;
};

inline Eigen::Matrix4d toEigen(const CtrvMat4& m) {
  return Eigen::Map<const Eigen::Matrix<double, 4, 4, Eigen::RowMajor>>(
      static_cast<const double*>(m.getAddress()));
}
inline Eigen::Vector3d toEigen(const CtrvVect3& v) { return Eigen::Vector3d(v[0], v[1], v[2]); }

inline CtrvMat4 fromEigen(const Eigen::Matrix4d& e) {
  CtrvMat4 m;
  for (int k = 0; k < 16; ++k) m(k / 4, k % 4) = e(k / 4, k % 4);
  return m;
}
inline CtrvVect3 fromEigen(const Eigen::Vector3d& e) { return CtrvVect3(e[0], e[1], e[2]); }

// Largest absolute difference between corresponding elements.
template <class T, class E>
double maxDiff(const T& value, const E& expected) {
  return (toEigen(value) - expected).cwiseAbs().maxCoeff();
}

// Seeded source of random geometry: every run sees the same inputs.
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
    for (int k = 0; k < 16; ++k) e(k / 4, k % 4) = value(-10.0, 10.0);
    return e;
  }
  Eigen::Quaterniond rotation() {
    return Eigen::Quaterniond(value(-1, 1), value(-1, 1), value(-1, 1), value(-1, 1)).normalized();
  }
  // A rotation and a translation, bottom row (0, 0, 0, 1).
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
