#include <CtrvMat4.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using ToleranceGuard = trvTest::ToleranceGuard<CtrvMat4>;

using trvTest::fromEigen;
using trvTest::RandomGeometry;
using trvTest::toEigen;

const double kHalfRoot = std::sqrt(0.5);

void expectVect(const CtrvVect3& v, double x, double y, double z, double tol = 1e-15) {
  EXPECT_NEAR(v[0], x, tol);
  EXPECT_NEAR(v[1], y, tol);
  EXPECT_NEAR(v[2], z, tol);
}

// A matrix with a recognisable translation column and bottom row, to see
// which operations leave them alone.
CtrvMat4 markedMatrix() {
  CtrvMat4 m(7.0);
  m.setColumnComponents(3, 10, 20, 30, 40);
  m.setRowComponents(3, 1, 2, 3, 40);
  return m;
}

TEST(CtrvMat4Rigidity, RotationsTranslationsAndTheirProductsAreRigid) {
  CtrvMat4 rotation;
  rotation.rotateX(0.7);
  CtrvMat4 translation;
  translation.translate(5, -2, 1);
  for (const CtrvMat4& m :
       {CtrvMat4(), rotation, translation, rotation * translation, translation * rotation}) {
    EXPECT_TRUE(m.isTransRot());
    EXPECT_TRUE(m.isTransRotOrSym());
  }
  // The translation column is never examined.
  CtrvMat4 far;
  far.translate(1e12, -1e12, std::numeric_limits<double>::infinity());
  EXPECT_TRUE(far.isTransRot());

  RandomGeometry random(5);
  for (int n = 0; n < 300; ++n) {
    const CtrvMat4 m = fromEigen(random.rigid());
    EXPECT_TRUE(m.isTransRot());
    CtrvMat4 mirrored = m;
    mirrored.setColumnComponents(1, -m(0, 1), -m(1, 1), -m(2, 1), 0.0);
    EXPECT_FALSE(mirrored.isTransRot());
    EXPECT_TRUE(mirrored.isTransRotOrSym());
  }
}

TEST(CtrvMat4Rigidity, ScalingShearingAndMirroring) {
  CtrvMat4 doubled = CtrvMat4() * 2.0;
  doubled(3, 3) = 1.0;
  EXPECT_FALSE(doubled.isTransRot());
  EXPECT_FALSE(doubled.isTransRotOrSym());

  // Unit rows that are not perpendicular.
  CtrvMat4 sheared;
  sheared.setRowComponents(1, kHalfRoot, kHalfRoot, 0, 0);
  EXPECT_FALSE(sheared.isTransRot());
  EXPECT_FALSE(sheared.isTransRotOrSym());

  CtrvMat4 mirror;
  mirror(0, 0) = -1.0;
  EXPECT_FALSE(mirror.isTransRot());
  EXPECT_TRUE(mirror.isTransRotOrSym());

  // Determinant -1 reached with three perpendicular unit rows: a point reflection.
  const CtrvMat4 inversion = CtrvMat4() * -1.0;
  CtrvMat4 pointReflection = inversion;
  pointReflection(3, 3) = 1.0;
  EXPECT_TRUE(pointReflection.isTransRotOrSym());
  EXPECT_FALSE(pointReflection.isTransRot());
  EXPECT_FALSE(inversion.isTransRotOrSym());  // its bottom corner is -1
}

TEST(CtrvMat4Rigidity, DeviationsUpToTheToleranceAreAccepted) {
  const ToleranceGuard guard;
  for (int j = 0; j < 3; ++j) {
    CtrvMat4 m;
    m(3, j) = 0.001;  // equal to the tolerance: inclusive
    EXPECT_TRUE(m.isTransRot()) << j;
    m(3, j) = -0.0011;
    EXPECT_FALSE(m.isTransRot()) << j;
    EXPECT_FALSE(m.isTransRotOrSym()) << j;
  }
  CtrvMat4 corner;
  corner(3, 3) = 1.0009;
  EXPECT_TRUE(corner.isTransRot());
  corner(3, 3) = 0.9989;
  EXPECT_FALSE(corner.isTransRot());

  CtrvMat4 longRow;
  longRow(2, 2) = 1.0009;
  EXPECT_TRUE(longRow.isTransRotOrSym());
  longRow(2, 2) = 1.0011;
  EXPECT_FALSE(longRow.isTransRotOrSym());

  CtrvMat4 loose;
  loose(3, 0) = 0.005;
  EXPECT_FALSE(loose.isTransRot());
  CtrvMat4::tolerance(0.01);
  EXPECT_TRUE(loose.isTransRot());
  CtrvMat4::tolerance(0.0);
  EXPECT_TRUE(CtrvMat4().isTransRot());
}

TEST(CtrvMat4Rigidity, ANaNDeviationDoesNotReject) {
  CtrvMat4 m;
  m(3, 1) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(m.isTransRot());
  EXPECT_TRUE(m.isTransRotOrSym());
  m(3, 2) = 0.5;  // a finite deviation still rejects
  EXPECT_FALSE(m.isTransRot());
}

TEST(CtrvMat4Rigidity, FrameFromAnXAxisChoosesTheSmallestComponent) {
  CtrvMat4 m = markedMatrix();
  const CtrvMat4& self = m.setAsFrameWithXAxis(CtrvVect3(1, 0, 0));
  EXPECT_EQ(&self, &m);
  expectVect(m.xAxis(), 1, 0, 0, 0.0);
  expectVect(m.yAxis(), 0, 1, 0, 0.0);
  expectVect(m.zAxis(), 0, 0, 1, 0.0);
  expectVect(m.translation(), 10, 20, 30, 0.0);
  for (int j = 0; j < 4; ++j) EXPECT_EQ(m(3, j), markedMatrix()(3, j));

  m.setAsFrameWithXAxis(CtrvVect3(0, 0, 2));  // k = 0
  expectVect(m.xAxis(), 0, 0, 1, 0.0);
  expectVect(m.yAxis(), 1, 0, 0, 0.0);
  expectVect(m.zAxis(), 0, 1, 0, 0.0);
  expectVect(m.translation(), 10, 20, 30, 0.0);

  m.setAsFrameWithXAxis(CtrvVect3(1, 1, 0));  // k = 2
  expectVect(m.xAxis(), kHalfRoot, kHalfRoot, 0);
  expectVect(m.yAxis(), 0, 0, 1);
  expectVect(m.zAxis(), kHalfRoot, -kHalfRoot, 0);

  m.setAsFrameWithXAxis(CtrvVect3(2, -1, 1));  // tie between 1 and 2 goes to 1
  const double r5 = 1.0 / std::sqrt(5.0);
  expectVect(m.zAxis(), -r5, 0, 2 * r5);

  m.setAsFrameWithXAxis(CtrvVect3(-3, -3, -3));  // three-way tie goes to 0
  expectVect(m.zAxis(), 0, -kHalfRoot, kHalfRoot);
}

TEST(CtrvMat4Rigidity, FrameFromAnyXAxisIsRightHandedAndOrthonormal) {
  RandomGeometry random(17);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Vector3d x = random.vector(100.0);
    CtrvMat4 m;
    m.setAsFrameWithXAxis(CtrvVect3(x[0], x[1], x[2]));
    const Eigen::Matrix3d frame = toEigen(m).topLeftCorner<3, 3>();
    EXPECT_TRUE(frame.col(0).isApprox(x.normalized(), 1e-14));
    EXPECT_TRUE((frame.transpose() * frame).isApprox(Eigen::Matrix3d::Identity(), 1e-14));
    EXPECT_NEAR(frame.determinant(), 1.0, 1e-14);
    // Only the direction counts.
    CtrvMat4 scaled;
    scaled.setAsFrameWithXAxis(CtrvVect3(x[0] * 3, x[1] * 3, x[2] * 3));
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(scaled(k / 4, k % 4), m(k / 4, k % 4), 1e-15);
  }
}

TEST(CtrvMat4Rigidity, RepairMakesTheAxesPerpendicularWithoutRescalingY) {
  CtrvMat4 m = markedMatrix();
  m.setColumnComponents(0, 2, 0, 0, 9);
  m.setColumnComponents(1, 1, 1, 0, 9);
  m.repair();
  expectVect(m.xAxis(), 1, 0, 0, 0.0);
  expectVect(m.yAxis(), 0, kHalfRoot, 0);
  expectVect(m.zAxis(), 0, 0, kHalfRoot);
  expectVect(m.translation(), 10, 20, 30, 0.0);
  trvTest::expectBottomRowOfATransform(m);
}

TEST(CtrvMat4Rigidity, RepairRestoresADriftedFrame) {
  RandomGeometry random(23);
  for (int n = 0; n < 300; ++n) {
    const Eigen::Matrix4d original = random.rigid();
    const CtrvMat4 rigid = fromEigen(original);
    CtrvMat4 same = rigid;
    same.repair();
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(same(k / 4, k % 4), rigid(k / 4, k % 4), 1e-14);

    // Tilt y towards x by a small angle and stretch the columns.
    const double delta = random.value(-0.01, 0.01);
    Eigen::Matrix4d drifted = original;
    drifted.col(1).head<3>() = (std::cos(delta) * original.col(1).head<3>() +
                                std::sin(delta) * original.col(0).head<3>()) *
                               1.02;
    drifted.col(0).head<3>() *= 0.97;
    drifted.col(2).head<3>() = random.vector(1.0);  // never read
    CtrvMat4 repaired = fromEigen(drifted);
    EXPECT_FALSE(repaired.isTransRot());
    repaired.repair();
    const Eigen::Matrix3d block = toEigen(repaired).topLeftCorner<3, 3>();
    EXPECT_NEAR(block.col(0).dot(block.col(1)), 0.0, 1e-15);
    EXPECT_NEAR(block.col(0).dot(block.col(2)), 0.0, 1e-15);
    EXPECT_NEAR(block.col(1).dot(block.col(2)), 0.0, 1e-15);
    EXPECT_NEAR(block.col(0).norm(), 1.0, 1e-15);
    EXPECT_NEAR(block.col(1).norm(), std::cos(delta), 1e-14);
    EXPECT_NEAR(block.col(2).norm(), std::cos(delta), 1e-14);
    EXPECT_TRUE(block.col(0).isApprox(original.col(0).head<3>(), 1e-12));
    EXPECT_TRUE(repaired.isTransRot());
    EXPECT_TRUE(repaired.translation() == rigid.translation());
  }
}

}  // namespace
