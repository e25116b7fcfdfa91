#include <CtrvMat4.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::fromEigen;
using trvTest::maxDiff;
using trvTest::toEigen;

const double kRootHalf = std::sqrt(0.5);

CtrvMat4 diagonal(double a, double b, double c, double d) {
  CtrvMat4 m;
  m(0, 0) = a, m(1, 1) = b, m(2, 2) = c, m(3, 3) = d;
  return m;
}

// Whether (isTransRot, isTransRotOrSym) is as expected.
void expectRigidity(const CtrvMat4& m, bool rotation, bool rotationOrMirror) {
  EXPECT_EQ(m.isTransRot(), rotation);
  EXPECT_EQ(m.isTransRotOrSym(), rotationOrMirror);
}

TEST(CtrvMat4Rigidity, RotationsPassMirrorsOnlyTheLooserTestWithinTheTolerance) {
  const trvTest::ToleranceGuard<CtrvMat4> guard;
  CtrvMat4 rotation, translation;
  rotation.rotateX(0.7);
  translation.translate(5, -2, std::numeric_limits<double>::infinity());  // never examined
  expectRigidity(rotation * translation, true, true);
  trvTest::RandomGeometry random(5);
  for (int n = 0; n < 300; ++n) {
    CtrvMat4 m = fromEigen(random.rigid());
    expectRigidity(m, true, true);
    m.setColumnComponents(1, -m(0, 1), -m(1, 1), -m(2, 1), 0.0);
    expectRigidity(m, false, true);
  }
  expectRigidity(diagonal(-1, -1, -1, 1), false, true);
  expectRigidity(diagonal(2, 2, 2, 1), false, false);
  CtrvMat4 sheared;  // unit rows that are not perpendicular
  sheared.setRowComponents(1, kRootHalf, kRootHalf, 0, 0);
  expectRigidity(sheared, false, false);

  for (int j = 0; j < 3; ++j) {
    CtrvMat4 m;
    m(3, j) = 0.001;  // equal to the tolerance
    expectRigidity(m, true, true);
    m(3, j) = -0.0011;
    expectRigidity(m, false, false);
    m(3, j) = std::numeric_limits<double>::quiet_NaN();  // a NaN deviation never rejects
    expectRigidity(m, true, true);
  }
  expectRigidity(diagonal(1, 1, 1, 0.9989), false, false);
  expectRigidity(diagonal(1, 1, -1.0009, 1), false, true);
  expectRigidity(diagonal(1, 1, -1.0011, 1), false, false);
  CtrvMat4::tolerance(0.01);
  expectRigidity(diagonal(1, 1, 1, 0.995), true, true);
}

TEST(CtrvMat4Rigidity, FrameFromAnXAxisUsesTheSmallestComponentAndKeepsTheRest) {
  CtrvMat4 m(7.0);
  Eigen::Matrix4d expected = toEigen(m);
  expected.topLeftCorner<3, 3>().setIdentity();
  EXPECT_EQ(maxDiff(m.setAsFrameWithXAxis(CtrvVect3(1, 0, 0)), expected), 0.0);  // k = 1
  expected.topLeftCorner<3, 3>() << 0, 1, 0, 0, 0, 1, 1, 0, 0;
  EXPECT_EQ(maxDiff(m.setAsFrameWithXAxis(CtrvVect3(0, 0, 2)), expected), 0.0);  // k = 0
  const double r5 = 1 / std::sqrt(5.0);
  EXPECT_LT(maxDiff(m.setAsFrameWithXAxis(CtrvVect3(1, 1, 0)).zAxis(),  // k = 2
                    Eigen::Vector3d(kRootHalf, -kRootHalf, 0)),
            1e-15);
  EXPECT_LT(maxDiff(m.setAsFrameWithXAxis(CtrvVect3(2, -1, 1)).zAxis(),  // tie: k = 1
                    Eigen::Vector3d(-r5, 0, 2 * r5)),
            1e-15);
  EXPECT_LT(maxDiff(m.setAsFrameWithXAxis(CtrvVect3(-3, -3, -3)).zAxis(),  // tie: k = 0
                    Eigen::Vector3d(0, -kRootHalf, kRootHalf)),
            1e-15);
  trvTest::RandomGeometry random(17);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Vector3d x = random.vector(100.0);
    const Eigen::Matrix3d frame =
        toEigen(m.setAsFrameWithXAxis(trvTest::fromEigen(x))).topLeftCorner<3, 3>();
    EXPECT_TRUE(frame.col(0).isApprox(x.normalized(), 1e-14));
    EXPECT_TRUE((frame.transpose() * frame).isApprox(Eigen::Matrix3d::Identity(), 1e-14));
    EXPECT_NEAR(frame.determinant(), 1.0, 1e-14);  // right-handed
  }
}

TEST(CtrvMat4Rigidity, RepairMakesTheAxesPerpendicularWithoutRescalingY) {
  CtrvMat4 m(7.0);
  m.setColumnComponents(0, 2, 0, 0, 9);
  m.setColumnComponents(1, 1, 1, 0, 9);
  m.repair();
  Eigen::Matrix4d expected = Eigen::Matrix4d::Identity();  // the bottom row is reset
  expected.diagonal().head<3>() << 1, kRootHalf, kRootHalf;
  expected.topRightCorner<3, 1>().setConstant(7.0);  // the translation is kept
  EXPECT_LT(maxDiff(m, expected), 1e-15);

  trvTest::RandomGeometry random(23);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Matrix4d rigid = random.rigid();
    CtrvMat4 same = fromEigen(rigid);
    same.repair();
    EXPECT_LT(maxDiff(same, rigid), 1e-14);
    // Tilt y towards x by a small angle, stretch x and y, scramble z.
    const double delta = random.value(-0.01, 0.01);
    Eigen::Matrix4d drifted = rigid;
    drifted.col(1).head<3>() = 1.02 * (std::cos(delta) * rigid.col(1).head<3>() +
                                       std::sin(delta) * rigid.col(0).head<3>());
    drifted.col(0).head<3>() *= 0.97;
    drifted.col(2).head<3>() = random.vector(1.0);
    CtrvMat4 repaired = fromEigen(drifted);
    repaired.repair();
    const Eigen::Matrix4d r = toEigen(repaired);
    EXPECT_LT(std::fabs(r.col(0).dot(r.col(1))) + std::fabs(r.col(0).dot(r.col(2))), 1e-15);
    EXPECT_NEAR(r.col(1).norm(), std::cos(delta), 1e-14);
    EXPECT_NEAR(r.col(2).norm(), std::cos(delta), 1e-14);
    EXPECT_LT((r.col(0) - rigid.col(0)).norm() + (r.col(3) - rigid.col(3)).norm(), 1e-12);
    EXPECT_TRUE(repaired.isTransRot());
  }
}

}  // namespace
