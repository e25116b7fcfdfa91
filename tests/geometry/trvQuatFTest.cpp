#include <CtrvQuatF.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::fromEigen;
using trvTest::RandomGeometry;
using trvTest::toEigen;

// Single precision leaves about 1e-7 of relative error per operation.
constexpr double kFloatSlack = 2e-6;

void expectQuat(const CtrvQuatF& q, double w, double x, double y, double z, double tol = 0.0) {
  EXPECT_NEAR(q.w(), w, tol);
  EXPECT_NEAR(q.x(), x, tol);
  EXPECT_NEAR(q.y(), y, tol);
  EXPECT_NEAR(q.z(), z, tol);
}

CtrvQuatF quat(float w, float x, float y, float z) {
  CtrvQuatF q;
  q.setValues(x, y, z, w);
  return q;
}

CtrvMat4 matrixOf(const CtrvQuatF& q) {
  CtrvMat4 m(5.0);
  q.toMatrix(m);
  return m;
}

CtrvMat4 diagonal(double a, double b, double c) {
  CtrvMat4 m;
  m(0, 0) = a;
  m(1, 1) = b;
  m(2, 2) = c;
  return m;
}

// The same rotation whichever of the two signs it carries.
void expectSameRotation(const CtrvQuatF& q, const Eigen::Quaterniond& e) {
  const double dot = q.w() * e.w() + q.x() * e.x() + q.y() * e.y() + q.z() * e.z();
  EXPECT_NEAR(std::fabs(dot), 1.0, kFloatSlack);
}

TEST(CtrvQuatF, FieldsAccessorsAndEquality) {
  const CtrvQuatF identity;
  expectQuat(identity, 1, 0, 0, 0);
  const CtrvMat4 m = matrixOf(identity);
  EXPECT_TRUE(std::memcmp(m.getAddress(), CtrvMat4().getAddress(), 16 * sizeof(double)) == 0);

  CtrvQuatF q;
  q.setValues(1, 2, 3, 4);
  expectQuat(q, 4, 1, 2, 3);
  CtrvVect3 v(9, 9, 9);
  q.getVector(v);
  EXPECT_TRUE(v.isStrictlyEqual(CtrvVect3(1, 2, 3)));
  expectQuat(q.conj(), 4, -1, -2, -3);

  expectQuat(CtrvQuatF(CtrvVect3(0.1, -2, 3)), 0, 0.1f, -2, 3);
  CtrvQuatF copy;
  (copy = q).setValues(0, 0, 0, 0);
  expectQuat(q, 4, 1, 2, 3);

  EXPECT_TRUE(quat(1, 0, 0, 0) == CtrvQuatF());
  EXPECT_FALSE(quat(1, 1e-7f, 0, 0) == CtrvQuatF());  // no tolerance
  EXPECT_FALSE(quat(1, 0, 0, 0) == quat(1, 0, 0, 1e-30f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(quat(nan, 0, 0, 0) == quat(nan, 0, 0, 0));
}

TEST(CtrvQuatF, MagnitudeAndNormalisation) {
  EXPECT_EQ(quat(1, 2, 2, 4).magnitude(), 5.0f);
  CtrvQuatF q = quat(2, 0, 0, 0);
  q.normalize();
  expectQuat(q, 1, 0, 0, 0);
  q = quat(0, 0, 0, 0);
  q.normalize();
  expectQuat(q, 0, 0, 0, 0);
  q = quat(0, 5e-7f, 0, 0);  // below the threshold: left as it is
  q.normalize();
  expectQuat(q, 0, 5e-7f, 0, 0);
  q = quat(0, 0, 3, 4);
  q.normalize();
  expectQuat(q, 0, 0, 0.6f, 0.8f);
  // The axis is used as given: a long axis gives a long quaternion.
  EXPECT_NEAR(CtrvQuatF(1.0f, 0, 0, 2).magnitude(), std::sqrt(1 + 3 * std::pow(std::sin(0.5), 2)),
              kFloatSlack);
}

TEST(CtrvQuatF, ProductAppliesTheRightOperandFirst) {
  const CtrvQuatF q = quat(0.5f, -1, 2, 0.25f);
  const CtrvQuatF norm2 = q * q.conj();
  expectQuat(norm2, 0.25 + 1 + 4 + 0.0625, 0, 0, 0, 1e-6);

  // i*j = k, j*i = -k.
  expectQuat(quat(0, 1, 0, 0) * quat(0, 0, 1, 0), 0, 0, 0, 1);
  expectQuat(quat(0, 0, 1, 0) * quat(0, 1, 0, 0), 0, 0, 0, -1);

  RandomGeometry random(31);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Quaterniond ep = random.rotation();
    const Eigen::Quaterniond eq = random.rotation();
    const CtrvQuatF p = quat(ep.w(), ep.x(), ep.y(), ep.z());
    const CtrvQuatF q2 = quat(eq.w(), eq.x(), eq.y(), eq.z());
    const CtrvQuatF pq = p * q2;
    const Eigen::Quaterniond expected = ep * eq;
    expectQuat(pq, expected.w(), expected.x(), expected.y(), expected.z(), kFloatSlack);
    EXPECT_TRUE(matrixOf(pq) == matrixOf(p) * matrixOf(q2));
  }
}

TEST(CtrvQuatF, AngleAndAxisGiveTheMatrixRotations) {
  for (float a : {-3.0f, -1.0f, 0.0f, 0.4f, 2.5f}) {
    CtrvMat4 expected;
    EXPECT_TRUE(matrixOf(CtrvQuatF(a, 0, 0, 1)) == expected.rotateZ(a));
    EXPECT_TRUE(matrixOf(CtrvQuatF(a, 0, 1, 0)) == expected.rotateY(a));
    EXPECT_TRUE(matrixOf(CtrvQuatF(a, 1, 0, 0)) == expected.rotateX(a));
    expectQuat(CtrvQuatF(a, 0, 0, 1), std::cos(a / 2), 0, 0, std::sin(a / 2), 1e-7);
  }
  RandomGeometry random(37);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Vector3d axis = random.vector(1.0).normalized();
    const float angle = static_cast<float>(random.value(-3.1, 3.1));
    const CtrvQuatF q(angle, axis[0], axis[1], axis[2]);
    const Eigen::Matrix3d expected = Eigen::AngleAxisd(angle, axis).toRotationMatrix();
    const CtrvMat4 m = matrixOf(q);
    const Eigen::Matrix3d block = toEigen(m).topLeftCorner<3, 3>();
    EXPECT_TRUE(block.isApprox(expected, kFloatSlack));
    EXPECT_TRUE(m.translation().isZero());
    trvTest::expectBottomRowOfATransform(m);
  }
}

TEST(CtrvQuatF, FromMatrixAgreesWithEigenAndRoundTrips) {
  RandomGeometry random(41);
  for (int n = 0; n < 1000; ++n) {
    const Eigen::Matrix4d e = random.rigid();  // the translation is ignored
    const CtrvQuatF q(fromEigen(e));
    expectSameRotation(q, Eigen::Quaterniond(Eigen::Matrix3d(e.topLeftCorner<3, 3>())));
    EXPECT_NEAR(q.magnitude(), 1.0, 1e-6);
    Eigen::Matrix4d block = e;
    block.topRightCorner<3, 1>().setZero();
    EXPECT_TRUE(toEigen(matrixOf(q)).isApprox(block, kFloatSlack));
    // Near a half turn the trace, summed in single precision, loses digits.
    const CtrvQuatF back(matrixOf(q));
    expectQuat(back, q.w(), q.x(), q.y(), q.z(), 1e-5);
  }
  for (double a = -2.9; a < 3.0; a += 0.1) {
    CtrvMat4 m;
    expectQuat(CtrvQuatF(m.rotateZ(a)), std::cos(a / 2), 0, 0, std::sin(a / 2), 1e-6);
  }
}

TEST(CtrvQuatF, HalfTurnsTakeTheBranchOfTheLargestDiagonalElement) {
  expectQuat(CtrvQuatF(diagonal(1, -1, -1)), 0, 1, 0, 0);
  expectQuat(CtrvQuatF(diagonal(-1, 1, -1)), 0, 0, 1, 0);
  expectQuat(CtrvQuatF(diagonal(-1, -1, 1)), 0, 0, 0, 1);

  // Half turns about diagonal axes: ties between the diagonal elements.
  CtrvMat4 xy(0.0);
  xy.setRowComponents(0, 0, 1, 0, 0);
  xy.setRowComponents(1, 1, 0, 0, 0);
  xy.setRowComponents(2, 0, 0, -1, 0);
  const double h = std::sqrt(0.5);
  expectQuat(CtrvQuatF(xy), 0, h, h, 0, 1e-7);
  CtrvMat4 xyz(2.0 / 3);
  for (int i = 0; i < 3; ++i) xyz(i, i) = -1.0 / 3;
  const double t = 1 / std::sqrt(3.0);
  expectQuat(CtrvQuatF(xyz), 0, t, t, t, 1e-7);
}

TEST(CtrvQuatF, DiagonalTiesGoToTheLaterBranch) {
  // Non-rotation blocks where each branch gives a different answer.
  CtrvMat4 firstTwoEqual = diagonal(0, 0, -1);
  firstTwoEqual(0, 1) = 1;
  // The second branch would give x twice y; the third gives y twice x.
  const double n = std::sqrt(0.125 + 0.5);
  expectQuat(CtrvQuatF(firstTwoEqual), 0, std::sqrt(0.125) / n, std::sqrt(0.5) / n, 0, 1e-7);

  CtrvMat4 allEqual = diagonal(-0.5, -0.5, -0.5);
  allEqual(0, 1) = 1;
  // The last branch: z = sqrt(1.5) / 2, w = -1 / (2 sqrt(1.5)), before normalising.
  const double z = std::sqrt(1.5) / 2;
  const double w = -0.5 / std::sqrt(1.5);
  const double norm = std::hypot(z, w);
  expectQuat(CtrvQuatF(allEqual), w / norm, 0, 0, z / norm, 1e-7);
}

TEST(CtrvQuatF, TraceThresholdIsExclusive) {
  // T = m00 + m11 + m22 + 1, here exactly a multiple of 2^-24 near 0.001.
  const double step = std::ldexp(1.0, -24);
  const double below = std::floor(0.001 / step) * step;
  const double above = below + step;
  // Above the threshold the first branch sees a pure scaling: no rotation.
  expectQuat(CtrvQuatF(diagonal(0, 0, above - 1)), 1, 0, 0, 0);
  // Below it, the tie between the first two elements picks the y branch.
  expectQuat(CtrvQuatF(diagonal(0, 0, below - 1)), 0, 0, 1, 0);
}

}  // namespace

namespace {

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

// The product is fixed to the last bit, signed zeros included, whatever
// instructions compute it.
TEST(CtrvQuatF, ProductFollowsTheScalarFormulaBitForBit) {
  RandomGeometry random(43);
  const float choices[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 3.0f};
  for (int n = 0; n < 2000; ++n) {
    float c[8];
    for (float& v : c) {
      // Mix random values with small exact ones that cancel to signed zeros.
      v = n % 2 ? static_cast<float>(random.value(-2, 2))
                : choices[static_cast<int>(random.value(0, 5.99))];
    }
    const float pw = c[0], px = c[1], py = c[2], pz = c[3];
    const float qw = c[4], qx = c[5], qy = c[6], qz = c[7];
    const CtrvQuatF r = quat(pw, px, py, pz) * quat(qw, qx, qy, qz);
    EXPECT_EQ(bitsOf(r.w()), bitsOf(pw * qw - (px * qx + py * qy + pz * qz)));
    EXPECT_EQ(bitsOf(r.x()), bitsOf(pw * qx + px * qw + py * qz - pz * qy));
    EXPECT_EQ(bitsOf(r.y()), bitsOf(pw * qy - px * qz + py * qw + pz * qx));
    EXPECT_EQ(bitsOf(r.z()), bitsOf(pw * qz + px * qy - py * qx + pz * qw));
  }
}

}  // namespace

namespace {

float single(double v) { return static_cast<float>(v); }

// Each stated intermediate is computed in double and stored as a float, so
// the results are fixed to the last bit.
TEST(CtrvQuatF, IntermediatesAreRoundedToFloatOneByOne) {
  RandomGeometry random(47);
  for (int n = 0; n < 500; ++n) {
    const float a = single(random.value(-6, 6));
    const float ax = single(random.value(-1, 1));
    const CtrvQuatF q(a, ax, 0.5f, -2.0f);
    const float h = single(a * 0.5);
    const float sn = single(std::sin(static_cast<double>(h)));
    EXPECT_EQ(bitsOf(q.w()), bitsOf(single(std::cos(static_cast<double>(h)))));
    EXPECT_EQ(bitsOf(q.x()), bitsOf(single(static_cast<double>(sn) * ax)));
    EXPECT_EQ(bitsOf(q.z()), bitsOf(single(static_cast<double>(sn) * -2.0)));

    const double w = q.w(), x = q.x(), y = q.y(), z = q.z();
    const float sum = single(w * w + x * x + y * y + z * z);
    EXPECT_EQ(bitsOf(q.magnitude()), bitsOf(single(std::sqrt(static_cast<double>(sum)))));

    // The first branch, before normalising: the trace is summed step by step.
    const Eigen::Matrix4d e = random.rigid();
    const float t = single(single(single(e(0, 0) + e(1, 1)) + e(2, 2)) + 1.0);
    if (t <= 0.001f) continue;
    const float sr = single(std::sqrt(static_cast<double>(t)));
    const float r = single(0.5 / sr);
    CtrvQuatF expected;
    expected.setValues(single(single(e(2, 1) - e(1, 2)) * static_cast<double>(r)),
                       single(single(e(0, 2) - e(2, 0)) * static_cast<double>(r)),
                       single(single(e(1, 0) - e(0, 1)) * static_cast<double>(r)),
                       single(0.5 * sr));
    const float mg = expected.magnitude();
    const float inverse = single(1.0 / mg);
    expected.setValues(single(static_cast<double>(expected.x()) * inverse),
                       single(static_cast<double>(expected.y()) * inverse),
                       single(static_cast<double>(expected.z()) * inverse),
                       single(static_cast<double>(expected.w()) * inverse));
    EXPECT_TRUE(CtrvQuatF(fromEigen(e)) == expected);
  }
}

}  // namespace
