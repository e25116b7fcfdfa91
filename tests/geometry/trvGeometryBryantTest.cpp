#include <CtrvGeometry.h>
#include <gtest/gtest.h>

#include <Eigen/Geometry>
#include <cmath>
#include <vector>

namespace {

using G = CtrvGeometry;
constexpr double kPi = G::PI;

// The rotation composed independently: about x, then y, then z.
Eigen::Matrix3d expectedRotation(double alpha, double beta, double gamma) {
  return (Eigen::AngleAxisd(alpha, Eigen::Vector3d::UnitX()) *
          Eigen::AngleAxisd(beta, Eigen::Vector3d::UnitY()) *
          Eigen::AngleAxisd(gamma, Eigen::Vector3d::UnitZ()))
      .toRotationMatrix();
}

Eigen::Matrix4d toEigen(const CtrvMat4& m) {
  return Eigen::Map<const Eigen::Matrix<double, 4, 4, Eigen::RowMajor>>(
      static_cast<const double*>(m.getAddress()));
}

CtrvVect3 anglesOf(const CtrvMat4& m) {
  CtrvVect3 t;
  CtrvVect3 r;
  G::matrixToBryant(m, t, r);
  return r;
}

CtrvMat4 poseOf(double alpha, double beta, double gamma) {
  CtrvMat4 m;
  G::bryantToMatrix(CtrvVect3(1.5, -2.5, 3.5), CtrvVect3(alpha, beta, gamma), m);
  return m;
}

TEST(CtrvGeometryBryant, AngleConversions) {
  EXPECT_EQ(kPi, std::acos(-1.0));
  EXPECT_EQ(G::radianToDegrees(kPi), 180.0);
  EXPECT_DOUBLE_EQ(G::degreesToRadian(90.0), kPi / 2.0);
  EXPECT_DOUBLE_EQ(G::radianToDegrees(G::degreesToRadian(33.0)), 33.0);
}

TEST(CtrvGeometryBryant, PosesRoundTripOverAGridOfAngles) {
  Eigen::Matrix4d expected = Eigen::Matrix4d::Identity();
  expected.col(3).head<3>() << 1.5, -2.5, 3.5;
  // Angles inside the ranges the conversion returns, beta clear of gimbal lock.
  for (double alpha = -3.0; alpha <= 3.0; alpha += 0.3) {
    for (double beta = -1.56; beta <= 1.56; beta += 0.12) {
      for (double gamma = -3.0; gamma <= 3.0; gamma += 0.3) {
        const CtrvMat4 m = poseOf(alpha, beta, gamma);
        expected.topLeftCorner<3, 3>() = expectedRotation(alpha, beta, gamma);
        EXPECT_LE((toEigen(m) - expected).cwiseAbs().maxCoeff(), 1e-14);
        CtrvVect3 t;
        CtrvVect3 r;
        G::matrixToBryant(m, t, r);
        EXPECT_TRUE(t.isStrictlyEqual(CtrvVect3(1.5, -2.5, 3.5)));
        EXPECT_NEAR(r[0], alpha, 1e-10);
        EXPECT_NEAR(r[1], beta, 1e-10);
        EXPECT_NEAR(r[2], gamma, 1e-10);
      }
    }
  }
  CtrvMat4 translation;
  EXPECT_EQ(toEigen(poseOf(0, 0, 0)), toEigen(translation.translate(1.5, -2.5, 3.5)));
}

TEST(CtrvGeometryBryant, GimbalLockGivesTheDeterminedAngleToGamma) {
  CtrvVect3 r = anglesOf(poseOf(0.3, kPi / 2, 0.2));
  EXPECT_TRUE(r[0] == 0.0 && r[1] == kPi / 2 && std::fabs(r[2] - 0.5) < 1e-12);  // alpha + gamma
  r = anglesOf(poseOf(0.3, -kPi / 2, 0.2));
  EXPECT_TRUE(r[0] == 0.0 && r[1] == -kPi / 2 && std::fabs(r[2] + 0.1) < 1e-12);  // gamma - alpha
  // Within the band |cos beta| <= 0.0005 alpha is dropped; just outside it
  // the angles come back.
  EXPECT_EQ(anglesOf(poseOf(0.3, kPi / 2 - 0.0004, 0.2))[0], 0.0);
  r = anglesOf(poseOf(0.3, -kPi / 2 + 0.0006, 0.2));
  EXPECT_NEAR(r[0], 0.3, 1e-9);
  EXPECT_NEAR(r[2], 0.2, 1e-9);
}

TEST(CtrvGeometryBryant, RotationElementsBeyondOneAreClamped) {
  CtrvMat4 m = poseOf(0, kPi / 2, 0);
  m(0, 2) = 1.0 + 1e-12;
  CtrvVect3 t;
  CtrvVect3 r;
  G::matrixToBryant(m, t, r);
  EXPECT_EQ(r[1], kPi / 2);
  EXPECT_FALSE(std::isnan(r[0]) || std::isnan(r[2]));
  // In 1.5 times rotateX(0.5) the diagonal becomes 1 and the other elements
  // stay; the translation is never clamped.
  CtrvMat4 scaled;
  scaled = scaled.rotateX(0.5) * 1.5;
  scaled.setColumnComponents(3, 5, -7, 100, 1);
  G::matrixToBryant(scaled, t, r);
  EXPECT_TRUE(r.isStrictlyEqual(CtrvVect3(std::atan2(1.5 * std::sin(0.5), 1.0), 0, 0)));
  EXPECT_TRUE(t.isStrictlyEqual(CtrvVect3(5, -7, 100)));
}

TEST(CtrvGeometryBryant, SixNumberAndVectorFormsAgree) {
  const Eigen::Matrix4d expected = toEigen(poseOf(0.1, 0.2, 0.3));
  CtrvMat4 m;
  G::bryantToMatrix(1.5, -2.5, 3.5, 0.1, 0.2, 0.3, m);
  EXPECT_EQ(toEigen(m), expected);
  G::bryantToMatrix(std::vector<double>{1.5, -2.5, 3.5, 0.1, 0.2, 0.3}, m);
  EXPECT_EQ(toEigen(m), expected);
  CtrvMat4 untouched(4.0);  // wrong sizes leave the matrix as it was
  G::bryantToMatrix(std::vector<double>(5, 0.0), untouched);
  G::bryantToMatrix(std::vector<double>(7, 0.0), untouched);
  EXPECT_EQ(toEigen(untouched), Eigen::Matrix4d::Constant(4.0));

  std::vector<double> six(6);
  G::matrixToBryant(m, six[0], six[1], six[2], six[3], six[4], six[5]);
  EXPECT_NEAR(six[3], 0.1, 1e-15);
  for (const std::size_t size : {0u, 10u}) {
    std::vector<double> v(size, 9.0);
    G::matrixToBryant(m, v);
    EXPECT_EQ(v, six);
  }
}

}  // namespace
