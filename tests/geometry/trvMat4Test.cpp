#include <CtrvMat4.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::fromEigen;
using trvTest::maxDiff;
using trvTest::toEigen;

const Eigen::Matrix4d kIdentity = Eigen::Matrix4d::Identity();

TEST(CtrvMat4, ConstructionAccessAndElementWiseArithmetic) {
  EXPECT_EQ(maxDiff(CtrvMat4(), kIdentity) + maxDiff(trvDefaultMat4, kIdentity), 0.0);
  EXPECT_EQ(maxDiff(CtrvMat4(2.0), Eigen::Matrix4d::Constant(2.0)), 0.0);
  EXPECT_EQ(CtrvMat4(2.0).det(), 0.0);
  const double rows[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
  CtrvMat4 m;
  (m = 0.0) = rows;
  EXPECT_EQ(static_cast<const double*>(m.getAddress())[6], 7.0);  // row-major
  EXPECT_TRUE(m.yAxis().isStrictlyEqual(CtrvVect3(2, 6, 10)));
  CtrvMat4 a, b;  // the 1-based and 0-based setters agree
  a.setRow(1, 1, 2, 3, 4);
  a.setColumn(4, 7, 8, 9, 1);
  b.setRowComponents(0, 1, 2, 3, 4);
  b.setColumnComponents(3, 7, 8, 9, 1);
  EXPECT_EQ(maxDiff(a, toEigen(b)), 0.0);
  EXPECT_TRUE(a.translation().isStrictlyEqual(CtrvVect3(7, 8, 9)));

  const Eigen::Matrix4d ea = toEigen(CtrvMat4(rows)), eb = ea.transpose() * 0.5;
  (m += fromEigen(eb)) -= fromEigen(ea);  // over all sixteen elements
  EXPECT_EQ(maxDiff(m, eb), 0.0);
  EXPECT_EQ(maxDiff(m + m.t() / 4.0 * 3.0, eb + ea * 3.0 / 8), 0.0);
}

TEST(CtrvMat4, ProductsInverseAndDeterminantAgreeWithEigen) {
  trvTest::RandomGeometry random(42);
  for (int n = 0; n < 500; ++n) {
    const Eigen::Matrix4d ea = random.matrix(), eb = random.matrix(), rigid = random.rigid();
    const Eigen::Matrix3d block = ea.topLeftCorner<3, 3>();
    const Eigen::Vector3d v = random.vector(10.0), moved = block * v + ea.topRightCorner<3, 1>();
    const CtrvMat4 a = fromEigen(ea);
    EXPECT_LT(maxDiff(a * fromEigen(eb), ea * eb), 1e-12);
    EXPECT_NEAR(a.det(), block.determinant(), 1e-9);
    EXPECT_LT(maxDiff(a * fromEigen(v), block * v), 1e-12);  // a vector: no translation
    EXPECT_LT(maxDiff(a * CtrvPoint3(fromEigen(v)), moved), 1e-12);
    EXPECT_LT(maxDiff(fromEigen(rigid).inverse(), rigid.inverse()), 1e-10);
    EXPECT_TRUE(fromEigen(rigid) * fromEigen(rigid).inverse() == CtrvMat4());
    Eigen::Matrix4d asRigid = kIdentity;  // any matrix is inverted as if it were rigid
    asRigid.topLeftCorner<3, 3>() = block.transpose();
    asRigid.topRightCorner<3, 1>() = -block.transpose() * ea.topRightCorner<3, 1>();
    EXPECT_LT(maxDiff(a.inverse(), asRigid), 1e-12);
  }
}

TEST(CtrvMat4, BuildersReplaceTheMatrix) {
  CtrvMat4 m(5.0), back, a;
  m.translate(1, 2, 3);
  EXPECT_TRUE(m.isTransRot());
  EXPECT_TRUE((m * CtrvPoint3(1, 0, 0)).isStrictlyEqual(CtrvVect3(2, 2, 3)));
  EXPECT_TRUE(m.inverse() == back.translate(-1, -2, -3));
  a.rotateX(0.3);
  const CtrvPoint3 p(0.5, -4, 2);
  EXPECT_TRUE((a * m) * p == a * (m * p));
  const Eigen::Matrix4d aboutX =
      Eigen::Affine3d(Eigen::AngleAxisd(0.5, Eigen::Vector3d::UnitX())).matrix();
  EXPECT_LT(maxDiff(m.rotateX(0.5), aboutX), 1e-15);  // the translation is gone
  const double quarter = std::acos(0.0);
  EXPECT_LT(maxDiff(m.rotateZ(quarter).xAxis(), Eigen::Vector3d(0, 1, 0)), 1e-15);
  EXPECT_LT(maxDiff(m.rotateY(quarter).zAxis(), Eigen::Vector3d(1, 0, 0)), 1e-15);

  trvTest::RandomGeometry random(3);
  for (int n = 0; n < 500; ++n) {
    const Eigen::Vector3d axis = random.vector(5.0);
    const double angle = random.value(-7, 7);
    Eigen::Matrix4d expected = kIdentity;
    expected.topLeftCorner<3, 3>() = Eigen::AngleAxisd(angle, axis.normalized()).matrix();
    CtrvMat4 general(9.0), special;
    EXPECT_LT(maxDiff(general.rotate(axis[0], axis[1], axis[2], angle), expected), 1e-12);
    EXPECT_TRUE(general.rotate(0, 0, 2, angle) == special.rotateZ(angle));
    EXPECT_TRUE(general.rotate(0.5, 0, 0, angle) == special.rotateX(angle));
  }
}

TEST(CtrvMat4, ToleranceOfEqualityAndOfTheRotationAxis) {
  const trvTest::ToleranceGuard<CtrvMat4> guard;
  EXPECT_EQ(CtrvMat4::tolerance(), 0.001);
  for (double x : {0.0, 0.0005, 0.001, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(maxDiff(CtrvMat4(4.0).rotate(x, 0, 0, 1.0), kIdentity), 0.0) << x;
  }
  EXPECT_NE(CtrvMat4().rotate(0.0011, 0, 0, 1.0)(1, 1), 1.0);
  CtrvMat4 a;
  a.rotate(1, 2, 3, 0.7);
  for (int k = 0; k < 16; ++k) {
    CtrvMat4 b = a;
    b(k / 4, k % 4) += 0.0005;
    EXPECT_TRUE(a == b) << k;
    b(k / 4, k % 4) = a(k / 4, k % 4) - 0.002;
    EXPECT_TRUE(a != b) << k;
  }
  EXPECT_TRUE(CtrvMat4(0.0) == CtrvMat4(0.001) && CtrvMat4(0.0) == CtrvMat4(-0.001));
  EXPECT_FALSE(CtrvMat4(1e9) == CtrvMat4(1e9 + 1.0));
  CtrvMat4 b = a;
  b(2, 2) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(b == a);
  b(2, 2) = a(2, 2) + 0.0005;
  CtrvMat4::tolerance(0.0001);
  EXPECT_EQ(CtrvVect3::tolerance(), 0.001);  // a tolerance of its own
  EXPECT_FALSE(a == b);
  EXPECT_NE(CtrvMat4().rotate(0.0005, 0, 0, 1.0)(1, 1), 1.0);
}

TEST(CtrvMat4, FixedEvaluationOrdersAreReproducedExactly) {
  trvTest::RandomGeometry random(99);
  for (int n = 0; n < 200; ++n) {
    const CtrvMat4 m = fromEigen(random.matrix());
    EXPECT_EQ(m.det(), m(2, 1) * m(1, 0) * m(0, 2) + m(0, 0) * m(1, 1) * m(2, 2) +
                           m(2, 0) * m(0, 1) * m(1, 2) - m(2, 0) * m(1, 1) * m(0, 2) -
                           m(1, 0) * m(0, 1) * m(2, 2) - m(2, 1) * m(0, 0) * m(1, 2));
    const CtrvPoint3 p(random.value(-9, 9), random.value(-9, 9), random.value(-9, 9));
    EXPECT_EQ((m * p)[1], m(1, 0) * p[0] + m(1, 1) * p[1] + m(1, 2) * p[2] + m(1, 3));
  }
}

}  // namespace
