#include <CtrvGeometry.h>
#include <gtest/gtest.h>

#include <Eigen/Geometry>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = CtrvGeometry::PI;

// The rotation composed independently: about x, then y, then z.
Eigen::Matrix3d expectedRotation(double alpha, double beta, double gamma) {
  return (Eigen::AngleAxisd(alpha, Eigen::Vector3d::UnitX()) *
          Eigen::AngleAxisd(beta, Eigen::Vector3d::UnitY()) *
          Eigen::AngleAxisd(gamma, Eigen::Vector3d::UnitZ()))
      .toRotationMatrix();
}

void expectPose(const CtrvMat4& m, const Eigen::Matrix3d& rotation, const CtrvVect3& t,
                double tolerance) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(m(i, j), rotation(i, j), tolerance) << i << ", " << j;
    EXPECT_EQ(m(i, 3), t[i]);
    EXPECT_EQ(m(3, i), 0.0);
  }
  EXPECT_EQ(m(3, 3), 1.0);
}

void expectSameElements(const CtrvMat4& a, const CtrvMat4& b) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(a(i, j), b(i, j)) << i << ", " << j;
  }
}

CtrvVect3 anglesOf(const CtrvMat4& m) {
  CtrvVect3 t;
  CtrvVect3 r;
  CtrvGeometry::matrixToBryant(m, t, r);
  return r;
}

CtrvMat4 poseOf(double alpha, double beta, double gamma) {
  CtrvMat4 m;
  CtrvGeometry::bryantToMatrix(CtrvVect3(), CtrvVect3(alpha, beta, gamma), m);
  return m;
}

TEST(CtrvGeometryBryant, AngleConversions) {
  EXPECT_EQ(kPi, std::acos(-1.0));
  EXPECT_EQ(CtrvGeometry::radianToDegrees(kPi), 180.0);
  EXPECT_DOUBLE_EQ(CtrvGeometry::degreesToRadian(90.0), kPi / 2.0);
  EXPECT_DOUBLE_EQ(CtrvGeometry::radianToDegrees(CtrvGeometry::degreesToRadian(33.0)), 33.0);
  EXPECT_DOUBLE_EQ(CtrvGeometry::degreesToRadian(-45.0), -kPi / 4.0);
}

TEST(CtrvGeometryBryant, PoseToMatrixComposesAboutXThenYThenZ) {
  CtrvMat4 m(7.0);
  CtrvGeometry::bryantToMatrix(CtrvVect3(1, 2, 3), CtrvVect3(0, 0, 0), m);
  CtrvMat4 translation;
  expectSameElements(m, translation.translate(1, 2, 3));

  CtrvMat4 rotation;
  CtrvGeometry::bryantToMatrix(CtrvVect3(), CtrvVect3(0, 0, 0.7), m);
  expectSameElements(m, rotation.rotateZ(0.7));
  CtrvGeometry::bryantToMatrix(CtrvVect3(), CtrvVect3(0, -0.4, 0), m);
  EXPECT_EQ(m(0, 2), std::sin(-0.4));

  const CtrvVect3 t(-4, 0.5, 9);
  for (double alpha = -3.0; alpha <= 3.0; alpha += 0.75) {
    for (double beta = -1.5; beta <= 1.5; beta += 0.5) {
      for (double gamma = -3.0; gamma <= 3.0; gamma += 0.75) {
        CtrvGeometry::bryantToMatrix(t, CtrvVect3(alpha, beta, gamma), m);
        expectPose(m, expectedRotation(alpha, beta, gamma), t, 1e-14);
      }
    }
  }
}

TEST(CtrvGeometryBryant, MatrixToPoseRoundTripsOverAGridOfAngles) {
  // Angles strictly inside the ranges the conversion returns, and beta
  // clear of the gimbal-lock band.
  const double step = 0.3;
  for (double alpha = -3.0; alpha <= 3.0; alpha += step) {
    for (double beta = -1.56; beta <= 1.56; beta += 0.12) {
      for (double gamma = -3.0; gamma <= 3.0; gamma += step) {
        CtrvMat4 m;
        const Eigen::Matrix3d rotation = expectedRotation(alpha, beta, gamma);
        for (int i = 0; i < 3; ++i) {
          for (int j = 0; j < 3; ++j) m(i, j) = rotation(i, j);
        }
        m.setColumnComponents(3, 1.5, -2.5, 3.5, 1.0);
        CtrvVect3 t;
        CtrvVect3 r;
        CtrvGeometry::matrixToBryant(m, t, r);
        EXPECT_TRUE(t.isStrictlyEqual(CtrvVect3(1.5, -2.5, 3.5)));
        EXPECT_NEAR(r[0], alpha, 1e-10);
        EXPECT_NEAR(r[1], beta, 1e-10);
        EXPECT_NEAR(r[2], gamma, 1e-10);
      }
    }
  }
}

TEST(CtrvGeometryBryant, GimbalLockGivesTheDeterminedAngleToGamma) {
  CtrvVect3 r = anglesOf(poseOf(0.3, kPi / 2.0, 0.2));
  EXPECT_EQ(r[0], 0.0);
  EXPECT_DOUBLE_EQ(r[1], kPi / 2.0);
  EXPECT_NEAR(r[2], 0.5, 1e-12);  // alpha + gamma
  r = anglesOf(poseOf(0.3, -kPi / 2.0, 0.2));
  EXPECT_EQ(r[0], 0.0);
  EXPECT_DOUBLE_EQ(r[1], -kPi / 2.0);
  EXPECT_NEAR(r[2], -0.1, 1e-12);  // gamma - alpha

  // The band is |cos beta| <= 0.0005: just inside it alpha is dropped, just
  // outside it the angles come back.
  r = anglesOf(poseOf(0.3, kPi / 2.0 - 0.0004, 0.2));
  EXPECT_EQ(r[0], 0.0);
  EXPECT_NEAR(r[2], 0.5, 1e-6);
  r = anglesOf(poseOf(0.3, -kPi / 2.0 + 0.0006, 0.2));
  EXPECT_NEAR(r[0], 0.3, 1e-9);
  EXPECT_NEAR(r[2], 0.2, 1e-9);
}

TEST(CtrvGeometryBryant, ElementsBeyondOneAreClamped) {
  CtrvMat4 m = poseOf(0.0, kPi / 2.0, 0.0);
  m(0, 2) = 1.0 + 1e-12;
  m.setColumnComponents(3, 5.0, -7.0, 100.0, 1.0);  // the translation is not clamped
  CtrvVect3 t;
  CtrvVect3 r;
  CtrvGeometry::matrixToBryant(m, t, r);
  EXPECT_EQ(r[1], kPi / 2.0);
  EXPECT_FALSE(std::isnan(r[0]) || std::isnan(r[2]));
  EXPECT_TRUE(t.isStrictlyEqual(CtrvVect3(5.0, -7.0, 100.0)));

  // Every element of the block is clamped: in 1.5 times rotateX(0.5) the
  // diagonal elements become 1 and the others stay.
  CtrvMat4 rotation;
  const CtrvVect3 angles = anglesOf(rotation.rotateX(0.5) * 1.5);
  EXPECT_EQ(angles[1], 0.0);
  EXPECT_DOUBLE_EQ(angles[0], std::atan2(1.5 * std::sin(0.5), 1.0));
  EXPECT_EQ(angles[2], 0.0);
}

TEST(CtrvGeometryBryant, SixNumberAndVectorFormsAgree) {
  CtrvMat4 expected;
  CtrvGeometry::bryantToMatrix(CtrvVect3(1, 2, 3), CtrvVect3(0.1, 0.2, 0.3), expected);
  CtrvMat4 fromNumbers;
  CtrvGeometry::bryantToMatrix(1, 2, 3, 0.1, 0.2, 0.3, fromNumbers);
  expectSameElements(fromNumbers, expected);
  CtrvMat4 fromVector;
  CtrvGeometry::bryantToMatrix(std::vector<double>{1, 2, 3, 0.1, 0.2, 0.3}, fromVector);
  expectSameElements(fromVector, expected);

  // Wrong sizes leave the matrix as it was.
  CtrvMat4 untouched(4.0);
  CtrvGeometry::bryantToMatrix(std::vector<double>{1, 2, 3, 0.1, 0.2}, untouched);
  CtrvGeometry::bryantToMatrix(std::vector<double>{1, 2, 3, 0.1, 0.2, 0.3, 0.4}, untouched);
  expectSameElements(untouched, CtrvMat4(4.0));

  double x, y, z, rx, ry, rz;
  CtrvGeometry::matrixToBryant(expected, x, y, z, rx, ry, rz);
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, 2.0);
  EXPECT_EQ(z, 3.0);
  EXPECT_NEAR(rx, 0.1, 1e-15);
  EXPECT_NEAR(ry, 0.2, 1e-15);
  EXPECT_NEAR(rz, 0.3, 1e-15);
  for (const std::size_t size : {0u, 10u}) {
    std::vector<double> v(size, 9.0);
    CtrvGeometry::matrixToBryant(expected, v);
    EXPECT_EQ(v, (std::vector<double>{x, y, z, rx, ry, rz}));
  }
}

}  // namespace
