#include <CtrvQuatF.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::fromEigen;
using trvTest::maxDiff;
using trvTest::RandomGeometry;
using trvTest::toEigen;

// Single precision leaves about 1e-7 of relative error per operation.
constexpr double kFloatSlack = 2e-6;

CtrvQuatF quat(float w, float x, float y, float z) {
  CtrvQuatF q;
  q.setValues(x, y, z, w);  // the scalar part comes last
  return q;
}

Eigen::Vector4d wxyz(const CtrvQuatF& q) { return Eigen::Vector4d(q.w(), q.x(), q.y(), q.z()); }

double maxDiff(const CtrvQuatF& q, double w, double x, double y, double z) {
  return (wxyz(q) - Eigen::Vector4d(w, x, y, z)).cwiseAbs().maxCoeff();
}

CtrvMat4 matrixOf(const CtrvQuatF& q) {
  CtrvMat4 m(5.0);
  q.toMatrix(m);
  return m;
}

CtrvMat4 withBlock(double m00, double m01, double m11, double m22) {
  CtrvMat4 m;
  m(0, 0) = m00, m(0, 1) = m01, m(1, 1) = m11, m(2, 2) = m22;
  return m;
}

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

float single(double v) { return static_cast<float>(v); }

TEST(CtrvQuatF, FieldsMagnitudeAndNormalisation) {
  EXPECT_EQ(maxDiff(CtrvQuatF(), 1, 0, 0, 0), 0.0);
  CtrvQuatF q = quat(4, 1, 2, 3);
  CtrvVect3 v;
  q.getVector(v);
  EXPECT_TRUE(v.isStrictlyEqual(CtrvVect3(1, 2, 3)));
  EXPECT_EQ(maxDiff(q.conj(), 4, -1, -2, -3), 0.0);
  EXPECT_EQ(maxDiff(CtrvQuatF(CtrvVect3(0.1, -2, 3)), 0, 0.1f, -2, 3), 0.0);
  EXPECT_TRUE(quat(1, 0, 0, 0) == CtrvQuatF());
  EXPECT_FALSE(quat(1, 1e-7f, 0, 0) == CtrvQuatF());  // no tolerance

  EXPECT_EQ(quat(1, 2, 2, 4).magnitude(), 5.0f);
  const auto normalized = [](CtrvQuatF q) {
    q.normalize();
    return q;
  };
  EXPECT_TRUE(normalized(quat(2, 0, 0, 0)) == CtrvQuatF());
  EXPECT_TRUE(normalized(quat(0, 0, 3, 4)) == quat(0, 0, 0.6f, 0.8f));
  EXPECT_TRUE(normalized(quat(0, 0, 0, 0)) == quat(0, 0, 0, 0));
  EXPECT_TRUE(normalized(quat(0, 5e-7f, 0, 0)) == quat(0, 5e-7f, 0, 0));  // too short: left alone
}

TEST(CtrvQuatF, ProductAgreesWithEigenAndWithTheMatrixProduct) {
  EXPECT_EQ(maxDiff(quat(0, 0, 1, 0) * quat(0, 1, 0, 0), 0, 0, 0, -1), 0.0);  // j*i = -k
  RandomGeometry random(31);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Quaterniond ep = random.rotation(), eq = random.rotation(), e = ep * eq;
    const CtrvQuatF p = quat(ep.w(), ep.x(), ep.y(), ep.z());
    const CtrvQuatF pq = p * quat(eq.w(), eq.x(), eq.y(), eq.z());
    EXPECT_LT(maxDiff(pq, e.w(), e.x(), e.y(), e.z()), kFloatSlack);
    EXPECT_TRUE(matrixOf(pq) == matrixOf(p) * matrixOf(quat(eq.w(), eq.x(), eq.y(), eq.z())));
  }
}

TEST(CtrvQuatF, AngleAndAxisGiveTheMatrixRotations) {
  RandomGeometry random(37);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Vector3d axis = random.vector(1.0).normalized();
    const float a = single(random.value(-3.1, 3.1));
    Eigen::Matrix4d expected = Eigen::Matrix4d::Identity();  // translation set to zero
    expected.topLeftCorner<3, 3>() = Eigen::AngleAxisd(a, axis).matrix();
    EXPECT_LT(maxDiff(matrixOf(CtrvQuatF(a, axis[0], axis[1], axis[2])), expected), kFloatSlack);
    CtrvMat4 m;
    EXPECT_TRUE(matrixOf(CtrvQuatF(a, 0, 0, 1)) == m.rotateZ(a));
  }
  // The axis is used as given: a long axis gives a long quaternion.
  EXPECT_NEAR(CtrvQuatF(1.0f, 0, 0, 2).magnitude(), std::sqrt(1 + 3 * std::pow(std::sin(0.5), 2)),
              kFloatSlack);
}

TEST(CtrvQuatF, FromMatrixAgreesWithEigenAndRoundTrips) {
  RandomGeometry random(41);
  for (int n = 0; n < 1000; ++n) {
    const Eigen::Matrix4d e = random.rigid();  // the translation is ignored
    const CtrvQuatF q(fromEigen(e));
    const Eigen::Quaterniond expected(Eigen::Matrix3d(e.topLeftCorner<3, 3>()));
    const Eigen::Vector4d ew(expected.w(), expected.x(), expected.y(), expected.z());
    EXPECT_NEAR(std::fabs(wxyz(q).dot(ew)), 1.0, kFloatSlack);  // either sign
    EXPECT_NEAR(q.magnitude(), 1.0, 1e-6);
    // Near a half turn the trace, summed in single precision, loses digits.
    const CtrvQuatF back(matrixOf(q));
    EXPECT_LT((wxyz(back) - wxyz(q)).cwiseAbs().maxCoeff(), 1e-5);
  }
  for (double a = -2.9; a < 3.0; a += 0.1) {
    CtrvMat4 m;
    EXPECT_LT(maxDiff(CtrvQuatF(m.rotateZ(a)), std::cos(a / 2), 0, 0, std::sin(a / 2)), 1e-6);
  }
}

TEST(CtrvQuatF, HalfTurnsAndDiagonalTiesPickTheBranch) {
  EXPECT_EQ(maxDiff(CtrvQuatF(withBlock(1, 0, -1, -1)), 0, 1, 0, 0), 0.0);
  EXPECT_EQ(maxDiff(CtrvQuatF(withBlock(-1, 0, 1, -1)), 0, 0, 1, 0), 0.0);
  EXPECT_EQ(maxDiff(CtrvQuatF(withBlock(-1, 0, -1, 1)), 0, 0, 0, 1), 0.0);

  // Blocks where each branch gives another answer: a tie of the first two
  // elements takes the y branch (y twice x), three equal ones the z branch.
  const double n = std::sqrt(0.625);
  EXPECT_LT(
      maxDiff(CtrvQuatF(withBlock(0, 1, 0, -1)), 0, std::sqrt(0.125) / n, std::sqrt(0.5) / n, 0),
      1e-7);
  const double z = std::sqrt(1.5) / 2, w = -0.5 / std::sqrt(1.5), norm = std::hypot(z, w);
  EXPECT_LT(maxDiff(CtrvQuatF(withBlock(-0.5, 1, -0.5, -0.5)), w / norm, 0, 0, z / norm), 1e-7);

  // The trace threshold is exclusive; T = trace + 1 is a multiple of 2^-24 here.
  const double step = std::ldexp(1.0, -24), below = std::floor(0.001 / step) * step;
  EXPECT_EQ(maxDiff(CtrvQuatF(withBlock(0, 0, 0, below + step - 1)), 1, 0, 0, 0), 0.0);
  EXPECT_EQ(maxDiff(CtrvQuatF(withBlock(0, 0, 0, below - 1)), 0, 0, 1, 0), 0.0);
}

// The product is fixed to the last bit, signed zeros included, whatever
// instructions compute it.
TEST(CtrvQuatF, ProductFollowsTheScalarFormulaBitForBit) {
  RandomGeometry random(43);
  const float exact[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 3.0f};  // cancel to signed zeros
  for (int n = 0; n < 2000; ++n) {
    float c[8];
    for (float& v : c) {
      v = n % 2 ? single(random.value(-2, 2)) : exact[static_cast<int>(random.value(0, 5.99))];
    }
    const float pw = c[0], px = c[1], py = c[2], pz = c[3], qw = c[4], qx = c[5], qy = c[6],
                qz = c[7];
    const CtrvQuatF r = quat(pw, px, py, pz) * quat(qw, qx, qy, qz);
    EXPECT_EQ(bitsOf(r.w()), bitsOf(pw * qw - (px * qx + py * qy + pz * qz)));
    EXPECT_EQ(bitsOf(r.x()), bitsOf(pw * qx + px * qw + py * qz - pz * qy));
    EXPECT_EQ(bitsOf(r.y()), bitsOf(pw * qy - px * qz + py * qw + pz * qx));
    EXPECT_EQ(bitsOf(r.z()), bitsOf(pw * qz + px * qy - py * qx + pz * qw));
  }
}

// Each stated intermediate is computed in double and stored as a float.
TEST(CtrvQuatF, IntermediatesAreRoundedToFloatOneByOne) {
  RandomGeometry random(47);
  for (int n = 0; n < 500; ++n) {
    const float a = single(random.value(-6, 6)), ax = single(random.value(-1, 1));
    const CtrvQuatF q(a, ax, 0.5f, -2.0f);
    const double h = single(a * 0.5), sn = single(std::sin(h));
    EXPECT_EQ(bitsOf(q.w()), bitsOf(single(std::cos(h))));
    EXPECT_EQ(bitsOf(q.x()), bitsOf(single(sn * ax)));
    const double w = q.w(), x = q.x(), y = q.y(), z = q.z();
    const double sum = single(w * w + x * x + y * y + z * z);
    EXPECT_EQ(bitsOf(q.magnitude()), bitsOf(single(std::sqrt(sum))));

    // The first branch, then the normalisation; the trace is summed step by step.
    const Eigen::Matrix4d e = random.rigid();
    const float t = single(single(single(e(0, 0) + e(1, 1)) + e(2, 2)) + 1.0);
    if (t <= 0.001f) continue;
    const double sr = single(std::sqrt(static_cast<double>(t))), r = single(0.5 / sr);
    CtrvQuatF expected =
        quat(single(0.5 * sr), single(single(e(2, 1) - e(1, 2)) * r),
             single(single(e(0, 2) - e(2, 0)) * r), single(single(e(1, 0) - e(0, 1)) * r));
    const double inverse = single(1.0 / expected.magnitude());
    expected = quat(single(expected.w() * inverse), single(expected.x() * inverse),
                    single(expected.y() * inverse), single(expected.z() * inverse));
    EXPECT_TRUE(CtrvQuatF(fromEigen(e)) == expected);
  }
}

}  // namespace
