// SPDX-License-Identifier: MIT
// Geometry: 4x4 transforms, quaternion conversions and determinants against
// Eigen, and the allocations of the intersection calls.
#include <CtrvGeometry.h>
#include <CtrvMat.h>
#include <CtrvMat4.h>
#include <CtrvPoint3.h>
#include <CtrvQuatF.h>
#include <CtrvVect3.h>

#include <random>
#include <string>
#include <vector>

#include "trvBench.h"

#ifdef TRV_BENCH_HAVE_EIGEN
#include <Eigen/Geometry>
#include <Eigen/LU>
#endif

namespace {

// Two rigid transforms and a point, the same values on both sides.
CtrvMat4 firstTransform() {
  CtrvMat4 m;
  CtrvGeometry::bryantToMatrix(1.5, -2.0, 0.25, 0.3, -0.7, 1.1, m);
  return m;
}
CtrvMat4 secondTransform() {
  CtrvMat4 m;
  CtrvGeometry::bryantToMatrix(-0.5, 4.0, 2.0, -1.2, 0.4, 2.5, m);
  return m;
}
const CtrvPoint3 kPoint(0.75, -3.5, 12.0);

// A square matrix of order n with elements uniform in [-1, 1], the same for
// a given n on both sides.
std::vector<double> squareElements(unsigned int n) {
  std::mt19937 engine(n);
  std::uniform_real_distribution<double> element(-1.0, 1.0);
  std::vector<double> elements(static_cast<std::size_t>(n) * n);
  for (double& e : elements) e = element(engine);
  return elements;
}

void trvMat4Product(benchmark::State& state) {
  CtrvMat4 a = firstTransform();
  CtrvMat4 b = secondTransform();
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    CtrvMat4 product = a * b;
    benchmark::DoNotOptimize(product);
  }
}

void trvMat4TimesPoint(benchmark::State& state) {
  CtrvMat4 a = firstTransform();
  CtrvPoint3 p = kPoint;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(p);
    CtrvPoint3 image = a * p;
    benchmark::DoNotOptimize(image);
  }
}

void trvMat4Inverse(benchmark::State& state) {
  CtrvMat4 a = firstTransform();
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    CtrvMat4 inverse = a.inverse();
    benchmark::DoNotOptimize(inverse);
  }
}

// From a rotation matrix to a (unit) quaternion and back to a matrix.
void trvQuatRoundTrip(benchmark::State& state) {
  CtrvMat4 rotation = firstTransform();
  CtrvMat4 back;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rotation);
    const CtrvQuatF q(rotation);
    q.toMatrix(back);
    benchmark::DoNotOptimize(back);
  }
}

void trvDeterminant(benchmark::State& state, unsigned int n) {
  const std::vector<double> elements = squareElements(n);
  CtrvMat m(n, n);
  for (unsigned int i = 0; i < n; ++i) {
    for (unsigned int j = 0; j < n; ++j) m(i, j) = elements[static_cast<std::size_t>(i) * n + j];
  }
  for (auto _ : state) benchmark::DoNotOptimize(m.det());
}

template <unsigned int order>
void trvDeterminantOf(benchmark::State& state) {
  trvDeterminant(state, order);
}

#ifdef TRV_BENCH_HAVE_EIGEN
Eigen::Matrix4d toEigen(const CtrvMat4& m) {
  Eigen::Matrix4d e;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) e(i, j) = m(i, j);
  }
  return e;
}

Eigen::Isometry3d isometryOf(const CtrvMat4& m) {
  Eigen::Isometry3d isometry;
  isometry.matrix() = toEigen(m);
  return isometry;
}

void eigenMatrix4dProduct(benchmark::State& state) {
  Eigen::Matrix4d a = toEigen(firstTransform());
  Eigen::Matrix4d b = toEigen(secondTransform());
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    Eigen::Matrix4d product = a * b;
    benchmark::DoNotOptimize(product);
  }
}

void eigenIsometryTimesVector(benchmark::State& state) {
  Eigen::Isometry3d a = isometryOf(firstTransform());
  Eigen::Vector3d p(kPoint[0], kPoint[1], kPoint[2]);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(p);
    Eigen::Vector3d image = a * p;
    benchmark::DoNotOptimize(image);
  }
}

void eigenIsometryInverse(benchmark::State& state) {
  Eigen::Isometry3d a = isometryOf(firstTransform());
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    Eigen::Isometry3d inverse = a.inverse();
    benchmark::DoNotOptimize(inverse);
  }
}

// Eigen's single-precision quaternion works with single-precision 3x3
// matrices; its conversion does not normalise, so the peer normalises to
// deliver the unit quaternion the trv constructor guarantees.
void eigenQuatRoundTrip(benchmark::State& state) {
  Eigen::Matrix3f rotation = toEigen(firstTransform()).topLeftCorner<3, 3>().cast<float>();
  Eigen::Matrix3f back;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rotation);
    const Eigen::Quaternionf q = Eigen::Quaternionf(rotation).normalized();
    back = q.toRotationMatrix();
    benchmark::DoNotOptimize(back);
  }
}

void eigenQuatRoundTripRaw(benchmark::State& state) {
  Eigen::Matrix3f rotation = toEigen(firstTransform()).topLeftCorner<3, 3>().cast<float>();
  Eigen::Matrix3f back;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rotation);
    const Eigen::Quaternionf q(rotation);
    back = q.toRotationMatrix();
    benchmark::DoNotOptimize(back);
  }
}

// The same input and output types as trv's: a double 4x4 transform in, its
// rotation block through a unit single-precision quaternion, a double 4x4
// rotation out.
void eigenQuatRoundTripMatrix4d(benchmark::State& state) {
  Eigen::Matrix4d transform = toEigen(firstTransform());
  Eigen::Matrix4d back = Eigen::Matrix4d::Identity();
  for (auto _ : state) {
    benchmark::DoNotOptimize(transform);
    const Eigen::Matrix3f rotation = transform.topLeftCorner<3, 3>().cast<float>();
    const Eigen::Quaternionf q = Eigen::Quaternionf(rotation).normalized();
    back.topLeftCorner<3, 3>() = q.toRotationMatrix().cast<double>();
    benchmark::DoNotOptimize(back);
  }
}

void eigenDeterminant(benchmark::State& state, unsigned int order) {
  const auto n = static_cast<Eigen::Index>(order);
  const std::vector<double> elements = squareElements(order);
  const Eigen::MatrixXd m =
      Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
          elements.data(), n, n);
  for (auto _ : state)
    benchmark::DoNotOptimize(Eigen::PartialPivLU<Eigen::MatrixXd>(m).determinant());
}

constexpr trvBench::Function kEigenProduct = eigenMatrix4dProduct;
constexpr trvBench::Function kEigenTimesVector = eigenIsometryTimesVector;
constexpr trvBench::Function kEigenInverse = eigenIsometryInverse;
constexpr trvBench::Function kEigenQuat = eigenQuatRoundTrip;
template <unsigned int order>
void eigenDeterminantOf(benchmark::State& state) {
  eigenDeterminant(state, order);
}
template <unsigned int order>
constexpr trvBench::Function kEigenDeterminant = eigenDeterminantOf<order>;
#else
constexpr trvBench::Function kEigenProduct = nullptr;
constexpr trvBench::Function kEigenTimesVector = nullptr;
constexpr trvBench::Function kEigenInverse = nullptr;
constexpr trvBench::Function kEigenQuat = nullptr;
template <unsigned int order>
constexpr trvBench::Function kEigenDeterminant = nullptr;
#endif

// Every intersection call, on data giving two parameters each, into one
// reused output vector: after the first round none of them should allocate.
void intersectionAllocations(benchmark::State& state) {
  const CtrvPoint3 a(-5.0, 0.1, 0.2), b(5.0, 0.1, 0.2), origin(0.0, 0.0, 0.0);
  const CtrvVect3 direction(1.0, 0.0, 0.0), axis(0.0, 0.0, 1.0);
  const CtrvPoint3 c1(0.0, 0.0, -1.0), c2(0.0, 0.0, 1.0);
  std::vector<double> params;
  unsigned int found = 0;
  const auto round = [&] {
    found += CtrvGeometry::intersectLineSphere(a, direction, origin, 1.0, params);
    found += CtrvGeometry::intersectSegmentSphere(a, b, origin, 1.0, params);
    found += CtrvGeometry::intersectLineCylinder(a, direction, origin, axis, 1.0, params);
    found += CtrvGeometry::intersectSegmentCylinder(a, b, origin, axis, 1.0, params);
    found += CtrvGeometry::intersectLineExtrudedSphere(a, direction, c1, c2, 1.0, params);
    found += CtrvGeometry::intersectSegmentExtrudedSphere(a, b, c1, c2, 1.0, params);
  };
  round();
  const std::size_t before = trvBench::allocationCount();
  for (auto _ : state) {
    round();
    benchmark::DoNotOptimize(params.data());
  }
  benchmark::DoNotOptimize(found);
  state.counters["allocs/op"] = benchmark::Counter(
      static_cast<double>(trvBench::allocationCount() - before) / (6.0 * state.iterations()));
}

const bool registered = [] {
  trvBench::registerPair("mat4_product", "CtrvMat4 * CtrvMat4", 0.9, "Eigen Matrix4d product",
                         trvMat4Product, kEigenProduct);
  trvBench::registerPair("mat4_point", "CtrvMat4 * CtrvPoint3", 0.9, "Eigen Isometry3d * Vector3d",
                         trvMat4TimesPoint, kEigenTimesVector);
  trvBench::registerPair("mat4_inverse", "CtrvMat4::inverse", 1.0, "Eigen Isometry3d::inverse",
                         trvMat4Inverse, kEigenInverse);
  trvBench::registerPair("quat_matrix", "CtrvQuatF from a matrix and back", 0.9,
                         "Eigen Quaternionf from/to Matrix3f", trvQuatRoundTrip, kEigenQuat);
#ifdef TRV_BENCH_HAVE_EIGEN
  trvBench::registerPair("quat_matrix4d", "CtrvQuatF from a matrix and back", trvBench::kNoGoal,
                         "Eigen Quaternionf, normalised, from/to Matrix4d", trvQuatRoundTrip,
                         eigenQuatRoundTripMatrix4d);
  trvBench::registerPair("quat_matrix_raw", "CtrvQuatF from a matrix and back", trvBench::kNoGoal,
                         "Eigen Quaternionf from/to Matrix3f, no normalisation", trvQuatRoundTrip,
                         eigenQuatRoundTripRaw);
#endif
  const char* const luPeer = "Eigen PartialPivLU<MatrixXd>::determinant";
  trvBench::registerPair("mat_det_8", "CtrvMat::det, order 8", 0.9, luPeer, trvDeterminantOf<8>,
                         kEigenDeterminant<8>);
  trvBench::registerPair("mat_det_64", "CtrvMat::det, order 64", 0.9, luPeer, trvDeterminantOf<64>,
                         kEigenDeterminant<64>);
  trvBench::registerPair("mat_det_256", "CtrvMat::det, order 256", 0.9, luPeer,
                         trvDeterminantOf<256>, kEigenDeterminant<256>);
  trvBench::registerScale("intersection_calls_steady_state", intersectionAllocations);
  return true;
}();

}  // namespace
