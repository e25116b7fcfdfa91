#include <CtrvMat4.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using ToleranceGuard = trvTest::ToleranceGuard<CtrvMat4>;

using trvTest::fromEigen;
using trvTest::RandomGeometry;
using trvTest::toEigen;

constexpr double kPi = 3.14159265358979323846;

void expectIdentity(const CtrvMat4& m) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(m(i, j), i == j ? 1.0 : 0.0) << i << "," << j;
  }
}

void expectNear(const CtrvMat4& m, const Eigen::Matrix4d& expected, double tol) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(m(i, j), expected(i, j), tol) << i << "," << j;
  }
}

void expectVect(const CtrvVect3& v, double x, double y, double z, double tol = 0.0) {
  EXPECT_NEAR(v[0], x, tol);
  EXPECT_NEAR(v[1], y, tol);
  EXPECT_NEAR(v[2], z, tol);
}

TEST(CtrvMat4, ConstructionAndWholeMatrixAssignment) {
  expectIdentity(CtrvMat4());
  expectIdentity(trvDefaultMat4);
  EXPECT_EQ(CtrvMat4::tolerance(), 0.001);

  const CtrvMat4 twos(2.0);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(twos(k / 4, k % 4), 2.0);
  EXPECT_EQ(twos.det(), 0.0);

  const double rows[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
  CtrvMat4 m(rows);
  double stored[16];
  std::memcpy(stored, m.getAddress(), sizeof stored);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(stored[k], k + 1.0);  // row-major

  m.zero();
  for (int k = 0; k < 16; ++k) EXPECT_EQ(m(k / 4, k % 4), 0.0);
  m.one();
  for (int k = 0; k < 16; ++k) EXPECT_EQ(m.getComponent(k / 4, k % 4), 1.0);
  m.identity();
  expectIdentity(m);
  (m = 3.0) = rows;
  EXPECT_EQ(m(2, 1), 10.0);
  CtrvMat4 copy;
  (copy = m).setComponent(0, 0, -1.0);
  EXPECT_EQ(copy(0, 0), -1.0);
  EXPECT_EQ(m(0, 0), 1.0);
}

TEST(CtrvMat4, RowsAndColumnsCountFromZeroOrFromOne) {
  CtrvMat4 a;
  CtrvMat4 b;
  a.setRow(1, 1, 2, 3, 4);
  b.setRowComponents(0, 1, 2, 3, 4);
  EXPECT_TRUE(std::memcmp(a.getAddress(), b.getAddress(), 16 * sizeof(double)) == 0);
  a.setColumn(4, 7, 8, 9, 1);
  b.setColumnComponents(3, 7, 8, 9, 1);
  EXPECT_TRUE(std::memcmp(a.getAddress(), b.getAddress(), 16 * sizeof(double)) == 0);
  expectVect(a.translation(), 7, 8, 9);
  EXPECT_EQ(a(0, 0), 1.0);
  EXPECT_EQ(a(0, 3), 7.0);  // the column write comes last
  a.setColumn(1, -1, -2, -3, -4);
  expectVect(a.xAxis(), -1, -2, -3);
  EXPECT_EQ(a(3, 0), -4.0);
  a.setRow(4, 5, 6, 7, 8);
  EXPECT_EQ(a(3, 3), 8.0);
  expectVect(a.yAxis(), 2, 1, 0);
  expectVect(a.zAxis(), 3, 0, 1);
}

TEST(CtrvMat4, ElementWiseArithmeticCoversAllSixteen) {
  RandomGeometry random(11);
  const Eigen::Matrix4d ea = random.matrix();
  const Eigen::Matrix4d eb = random.matrix();
  const CtrvMat4 a = fromEigen(ea);
  const CtrvMat4 b = fromEigen(eb);
  expectNear(a + b, ea + eb, 0.0);
  expectNear(a * 2.5, ea * 2.5, 0.0);
  expectNear(a / 4.0, ea / 4.0, 0.0);
  CtrvMat4 c = a;
  (c += b) -= a;
  expectNear(c, eb, 1e-12);
  const CtrvMat4 inf = CtrvMat4(1.0) / 0.0;
  EXPECT_EQ(inf(3, 3), std::numeric_limits<double>::infinity());
}

TEST(CtrvMat4, ProductsAndTransposeAgreeWithEigen) {
  RandomGeometry random(42);
  for (int n = 0; n < 500; ++n) {
    const Eigen::Matrix4d ea = random.matrix();
    const Eigen::Matrix4d eb = random.matrix();
    const CtrvMat4 a = fromEigen(ea);
    const CtrvMat4 b = fromEigen(eb);
    expectNear(a * b, ea * eb, 1e-12);
    expectNear(a.t(), ea.transpose(), 0.0);
    const Eigen::Matrix3d block = ea.topLeftCorner<3, 3>();
    EXPECT_NEAR(a.det(), block.determinant(), 1e-9);

    const Eigen::Vector3d ev = random.vector(10.0);
    const CtrvVect3 v(ev[0], ev[1], ev[2]);
    const Eigen::Vector3d rotated = ea.topLeftCorner<3, 3>() * ev;
    const Eigen::Vector4d moved = ea * Eigen::Vector4d(ev[0], ev[1], ev[2], 1.0);
    expectVect(a * v, rotated[0], rotated[1], rotated[2], 1e-12);
    // A point takes the translation; the bottom row plays no part.
    expectVect(a * CtrvPoint3(v), moved[0], moved[1], moved[2], 1e-12);
  }
}

TEST(CtrvMat4, RigidInverseAgreesWithEigenAndIgnoresTheBottomRow) {
  RandomGeometry random(7);
  for (int n = 0; n < 500; ++n) {
    const Eigen::Matrix4d e = random.rigid();
    const CtrvMat4 m = fromEigen(e);
    expectNear(m.inverse(), e.inverse(), 1e-10);
    EXPECT_TRUE(m * m.inverse() == CtrvMat4());
    EXPECT_TRUE(m.inverse() * m == CtrvMat4());
  }
  CtrvMat4 skewed = fromEigen(random.matrix());
  const CtrvMat4 inv = skewed.inverse();
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_EQ(inv(i, j), skewed(j, i));
  }
  trvTest::expectBottomRowOfATransform(inv);
}

TEST(CtrvMat4, TranslationTransformsPointsButNotVectors) {
  CtrvMat4 m;
  m.translate(1, 2, 3);
  expectVect(m * CtrvVect3(1, 0, 0), 1, 0, 0);
  expectVect(m * CtrvPoint3(1, 0, 0), 2, 2, 3);
  expectVect(m.translation(), 1, 2, 3);
  CtrvMat4 back;
  back.translate(-1, -2, -3);
  EXPECT_TRUE(m.inverse() == back);
  expectVect(m.inverse().translation(), -1, -2, -3);

  CtrvMat4 a;
  a.rotateX(0.3);
  const CtrvPoint3 p(0.5, -4, 2);
  EXPECT_TRUE((a * m) * p == a * (m * p));
}

TEST(CtrvMat4, BuildersReplaceRatherThanAccumulate) {
  CtrvMat4 m(5.0);
  m.translate(1, 2, 3);
  EXPECT_EQ(m(3, 0), 0.0);
  EXPECT_EQ(m(3, 3), 1.0);
  const CtrvMat4& self = m.rotateX(0.5);
  EXPECT_EQ(&self, &m);
  expectVect(m.translation(), 0, 0, 0);
  EXPECT_EQ(m(1, 1), std::cos(0.5));
  EXPECT_EQ(m(1, 2), -std::sin(0.5));
  EXPECT_EQ(m(0, 0), 1.0);
  m.rotate(1, 1, 1, 2.0);
  m.rotateZ(kPi / 2);
  expectVect(m * CtrvPoint3(1, 0, 0), 0, 1, 0, 1e-15);
  expectVect(m.xAxis(), 0, 1, 0, 1e-15);
  m.rotateY(kPi / 2);
  expectVect(m * CtrvPoint3(0, 0, 1), 1, 0, 0, 1e-15);
  m.rotateX(kPi / 2);
  expectVect(m * CtrvPoint3(0, 1, 0), 0, 0, 1, 1e-15);
}

TEST(CtrvMat4, RotationAboutAnAxisAgreesWithEigen) {
  RandomGeometry random(3);
  for (int n = 0; n < 500; ++n) {
    const Eigen::Vector3d axis = random.vector(5.0);
    const double angle = random.value(-2 * kPi, 2 * kPi);
    CtrvMat4 m(9.0);
    m.rotate(axis[0], axis[1], axis[2], angle);
    Eigen::Matrix4d expected = Eigen::Matrix4d::Identity();
    expected.topLeftCorner<3, 3>() = Eigen::AngleAxisd(angle, axis.normalized()).toRotationMatrix();
    expectNear(m, expected, 1e-12);
  }
  // The axis rotations are special cases, whatever the axis length.
  for (double a : {-2.0, 0.25, 1.0, 3.0}) {
    CtrvMat4 general;
    CtrvMat4 special;
    EXPECT_TRUE(general.rotate(0, 0, 2, a) == special.rotateZ(a));
    EXPECT_TRUE(general.rotate(0, 3, 0, a) == special.rotateY(a));
    EXPECT_TRUE(general.rotate(0.5, 0, 0, a) == special.rotateX(a));
  }
}

TEST(CtrvMat4, RotationAboutATooShortAxisIsTheIdentity) {
  const ToleranceGuard guard;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  CtrvMat4 m(4.0);
  expectIdentity(m.rotate(0, 0, 0, 1.0));
  expectIdentity(CtrvMat4(4.0).rotate(0.0005, 0, 0, 1.0));
  expectIdentity(CtrvMat4(4.0).rotate(0.001, 0, 0, 1.0));  // equal to the tolerance
  expectIdentity(CtrvMat4(4.0).rotate(nan, 0, 0, 1.0));
  EXPECT_NE(CtrvMat4().rotate(0.0011, 0, 0, 1.0)(1, 1), 1.0);
  CtrvMat4::tolerance(0.0001);
  EXPECT_NE(CtrvMat4().rotate(0.0005, 0, 0, 1.0)(1, 1), 1.0);
}

TEST(CtrvMat4, ToleranceEqualityIsPerElementAndInclusive) {
  const ToleranceGuard guard;
  CtrvMat4 a;
  a.rotate(1, 2, 3, 0.7);
  for (int k = 0; k < 16; ++k) {
    CtrvMat4 b = a;
    b(k / 4, k % 4) += 0.0005;
    EXPECT_TRUE(a == b) << k;
    b(k / 4, k % 4) = a(k / 4, k % 4) - 0.002;
    EXPECT_FALSE(a == b) << k;
    EXPECT_TRUE(a != b) << k;
  }
  EXPECT_TRUE(CtrvMat4(0.0) == CtrvMat4(0.001));
  EXPECT_TRUE(CtrvMat4(0.0) == CtrvMat4(-0.001));
  EXPECT_FALSE(CtrvMat4(1e9) == CtrvMat4(1e9 + 1.0));  // absolute, not relative
  CtrvMat4 withNaN = a;
  withNaN(2, 2) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(withNaN == a);
  // The matrix tolerance is its own: the vector tolerance leaves it alone.
  CtrvMat4 b = a;
  b(0, 0) += 0.0005;
  CtrvMat4::tolerance(0.0001);
  EXPECT_EQ(CtrvVect3::tolerance(), 0.001);
  EXPECT_FALSE(a == b);
}

TEST(CtrvMat4, FixedArithmeticOrderIsReproducedExactly) {
  RandomGeometry random(99);
  for (int n = 0; n < 200; ++n) {
    const CtrvMat4 m = fromEigen(random.matrix());
    const double sarrus = m(2, 1) * m(1, 0) * m(0, 2) + m(0, 0) * m(1, 1) * m(2, 2) +
                          m(2, 0) * m(0, 1) * m(1, 2) - m(2, 0) * m(1, 1) * m(0, 2) -
                          m(1, 0) * m(0, 1) * m(2, 2) - m(2, 1) * m(0, 0) * m(1, 2);
    EXPECT_EQ(m.det(), sarrus);

    const CtrvPoint3 p(random.value(-9, 9), random.value(-9, 9), random.value(-9, 9));
    const CtrvPoint3 q = m * p;
    EXPECT_EQ(q[1], m(1, 0) * p[0] + m(1, 1) * p[1] + m(1, 2) * p[2] + m(1, 3));

    const CtrvMat4 product = m * m.t();
    EXPECT_EQ(product(2, 3),
              m(2, 0) * m(3, 0) + m(2, 1) * m(3, 1) + m(2, 2) * m(3, 2) + m(2, 3) * m(3, 3));
  }
}

}  // namespace
