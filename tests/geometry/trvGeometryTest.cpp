// SPDX-License-Identifier: MIT
#include "geometry/trvGeometryTestSupport.h"

namespace trvTest {
namespace {

using G = CtrvGeometry;
using P = CtrvPoint3;
using V = CtrvVect3;
using Params = std::vector<double>;

CtrvVect3 anglesOf(double alpha, double beta, double gamma) {
  CtrvMat4 m;
  CtrvVect3 t, r;
  G::bryantToMatrix(V(1, 2, 3), V(alpha, beta, gamma), m);
  G::matrixToBryant(m, t, r);
  return r;
}

TEST(CtrvGeometry, PosesRotateAboutXThenYThenZRoundTripAndLockGimbals) {
  CtrvMat4 m(4.0);
  G::bryantToMatrix(Params(5, 0.0), m);  // a wrong size leaves the matrix as it was
  EXPECT_EQ(maxDiff(m, Mat4::Constant(4.0)), 0.0);
  // Angles inside the ranges the conversion returns, beta clear of gimbal lock.
  for (double alpha = -3.0; alpha <= 3.0; alpha += 0.3) {
    for (double beta = -1.56; beta <= 1.56; beta += 0.12) {
      for (double gamma = -3.0; gamma <= 3.0; gamma += 0.3) {
        SCOPED_TRACE(::testing::Message()
                     << "alpha " << alpha << ", beta " << beta << ", gamma " << gamma);
        const Params pose{1.5, -2.5, 3.5, alpha, beta, gamma};
        const Eigen::Affine3d expected =
            Eigen::Translation3d(1.5, -2.5, 3.5) * Eigen::AngleAxisd(alpha, Vec3::UnitX()) *
            Eigen::AngleAxisd(beta, Vec3::UnitY()) * Eigen::AngleAxisd(gamma, Vec3::UnitZ());
        G::bryantToMatrix(pose, m);
        EXPECT_LE(maxDiff(m, expected.matrix()), 1e-14);
        Params back(10, 9.0);
        G::matrixToBryant(m, back);
        for (int k = 0; k < 6; ++k) EXPECT_NEAR(back[k], pose[k], 1e-10) << "element " << k;
      }
    }
  }
  // Gimbal lock gives gamma the one angle determined.
  const double half = G::PI / 2;
  EXPECT_LT(maxDiff(anglesOf(0.3, half, 0.2), Vec3(0, half, 0.5)), 1e-12);     // alpha + gamma
  EXPECT_LT(maxDiff(anglesOf(0.3, -half, 0.2), Vec3(0, -half, -0.1)), 1e-12);  // gamma - alpha
  // Only within |cos beta| <= 0.0005.
  EXPECT_EQ(anglesOf(0.3, half - 0.0004, 0.2)[0], 0.0);
  EXPECT_NEAR(anglesOf(0.3, -half + 0.0006, 0.2)[0], 0.3, 1e-9);
  // A rotation element just beyond 1 is clamped rather than giving NaN.
  m.rotateY(half);
  m(0, 2) = 1.0 + 1e-12;
  CtrvVect3 t, r;
  G::matrixToBryant(m, t, r);
  EXPECT_TRUE(r.isStrictlyEqual(V(0, half, 0)));
}

// Checks that `out` holds `want` (to 1e-11) in storage it already had.
class ParameterCheck {
 public:
  explicit ParameterCheck(Params& out) : m_out(out), m_storage(out.data()) {}
  void operator()(unsigned int count, const Params& want) const {
    ASSERT_TRUE(count == want.size() && m_out.size() == count) << testing::PrintToString(want);
    for (std::size_t k = 0; k < count; ++k) EXPECT_NEAR(m_out[k], want[k], 1e-11) << k;
    EXPECT_EQ(m_out.data(), m_storage);
  }

 private:
  const Params& m_out;
  const double* m_storage;
};

TEST(CtrvGeometry, IntersectionsInClosedForm) {
  // A unit sphere at the origin, a unit cylinder along z through the origin,
  // and a unit extruded sphere from the origin (C1) to (0, 0, 10) (C2).
  const P o(0, 0, 0), c2(0, 0, 10), a(-5, 0, 0);
  const V x(1, 0, 0), z(0, 0, 5);
  // Every case reuses `out`: its old content is replaced without reallocating.
  Params out(4, 9.0);
  const ParameterCheck expect(out);
  const auto caps = [&](P p, V d) { return G::intersectLineExtrudedSphere(p, d, o, c2, 1, out); };
  expect(G::intersectLineSphere(a, V(2, 0, 0), o, 1, out), {2, 3});
  expect(G::intersectLineSphere(P(-5, 1, 0), x, o, 1, out), {5});  // tangent
  expect(G::intersectLineSphere(P(-5, 1 - 1e-9, 0), x, o, 1, out),
         {5 - std::sqrt(2e-9), 5 + std::sqrt(2e-9)});
  expect(G::intersectSegmentSphere(a, P(-1, 0, 0), o, 1, out), {1});  // both bounds included
  expect(G::intersectSegmentSphere(P(-1, 0, 0), a, o, 1, out), {0});
  expect(G::intersectLineCylinder(P(-5, 0, 7), x, o, z, 1, out), {4, 6});
  expect(caps(P(-5, 0, -0.5), x), {5 - std::sqrt(0.75), 5 + std::sqrt(0.75)});
  expect(caps(P(-5, 0, 0), x), {4, 6});  // a hit on a rim is a body hit
  expect(caps(P(-5, 0, 10), x), {4, 6});
  // In through the C2 cap, out through the body: the body hit comes first.
  const double capEntry = (16 - std::sqrt(52.0)) / 34;
  expect(caps(P(0, 0, 12), V(1, 0, -4)), {1, capEntry});
  expect(G::intersectSegmentExtrudedSphere(P(0, 0, 12), P(1, 0, 8), o, c2, 1, out), {1, capEntry});
  // Down through both caps, past the body: the C1 cap hit comes first.
  expect(caps(P(-0.6, 0, 10.8), V(1.2, 0, -11.6)), {1, 0});
  EXPECT_EQ(G::distancePointSegment(P(3, 4, 0), a, o), 5.0);  // the closest point is an end
}

TEST(CtrvGeometry, LinesAlongTheAxisZeroAxesAndZeroDirections) {
  const P o(0, 0, 0), c2(0, 0, 10);
  const V up(0, 0, 2);
  Params out(4, 9.0);
  const ParameterCheck expect(out);
  const auto caps = [&](P p, V d) { return G::intersectLineExtrudedSphere(p, d, o, c2, 1, out); };
  // Along the axis of the extruded sphere: in through one cap, out through
  // the other, the C1 cap's hit first whichever way the line runs.
  const double half = std::sqrt(0.75) / 2;
  expect(caps(P(0.5, 0, -4), up), {2 - half, 7 + half});
  expect(caps(P(0.5, 0, 14), up * -1.0), {7 + half, 2 - half});
  expect(G::intersectSegmentExtrudedSphere(P(0.5, 0, -4), P(0.5, 0, 6), o, c2, 1, out),
         {0.4 - half / 5});
  expect(caps(P(1, 0, -4), up), {2, 7});  // along the surface, touching each rim
  expect(caps(P(1.5, 0, -4), up), {});
  // A zero-length axis is the sphere around it; a zero-length segment is its point.
  expect(G::intersectLineExtrudedSphere(P(-5, 0, 0), V(1, 0, 0), o, o, 1, out), {4, 6});
  EXPECT_EQ(G::distancePointSegment(P(3, 4, 0), o, o), 5.0);
  // A zero direction is no line: one NaN for each line form, nothing for a
  // segment whose ends coincide. So does a line along a cylinder's axis.
  for (const unsigned int count :
       {G::intersectLineSphere(P(0.5, 0, 0), V(), o, 1, out),
        G::intersectLineCylinder(P(0.5, 0, 0), V(), o, up, 1, out),
        G::intersectLineCylinder(P(0.5, 0, 0), up, o, up, 1, out), caps(P(0.5, 0, 0), V())}) {
    EXPECT_TRUE(count == 1 && std::isnan(out[0])) << count;
  }
  const P inside(0.5, 0, 1);
  EXPECT_EQ(G::intersectSegmentSphere(inside, inside, o, 1, out), 0u);
  EXPECT_EQ(G::intersectSegmentCylinder(inside, P(0.5, 0, 3), o, up, 1, out), 0u);
  EXPECT_EQ(G::intersectSegmentExtrudedSphere(inside, inside, o, c2, 1, out), 0u);
}

}  // namespace
}  // namespace trvTest
