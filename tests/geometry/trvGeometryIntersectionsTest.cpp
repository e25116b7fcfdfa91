#include <CtrvGeometry.h>
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <functional>
#include <vector>

namespace {

using Params = std::vector<double>;
using P = CtrvPoint3;
using V = CtrvVect3;
using G = CtrvGeometry;

using Run = std::function<unsigned int(Params&)>;

struct Case {
  const char* name;
  Run run;
  Params expected;
};

// A unit sphere at the origin, a unit cylinder along z through the origin,
// and a unit extruded sphere from the origin (C1) to (0, 0, 10) (C2).
const P kO(0, 0, 0);
const P kC2(0, 0, 10);
const V kX(1, 0, 0);
const V kZ(0, 0, 5);

Run lineSphere(P p, V d) {
  return [=](Params& out) { return G::intersectLineSphere(p, d, kO, 1, out); };
}
Run segmentSphere(P a, P b) {
  return [=](Params& out) { return G::intersectSegmentSphere(a, b, kO, 1, out); };
}
Run lineCylinder(P p, V d, V axis) {
  return [=](Params& out) { return G::intersectLineCylinder(p, d, kO, axis, 1, out); };
}
Run segmentCylinder(P a, P b) {
  return [=](Params& out) { return G::intersectSegmentCylinder(a, b, kO, kZ, 1, out); };
}
Run lineCapsule(P p, V d) {
  return [=](Params& out) { return G::intersectLineExtrudedSphere(p, d, kO, kC2, 1, out); };
}
Run segmentCapsule(P a, P b) {
  return [=](Params& out) { return G::intersectSegmentExtrudedSphere(a, b, kO, kC2, 1, out); };
}

const double kHalfRoot3 = std::sqrt(3.0) / 2.0;
// Where the line (0, 0, 12) + t·(1, 0, -4) enters the C2 cap.
const double kC2CapEntry = (16 - std::sqrt(52.0)) / 34;

const Case kCases[] = {
    {"sphere", lineSphere(P(-5, 0, 0), kX), {4, 6}},
    {"sphere, longer d", lineSphere(P(-5, 0, 0), V(2, 0, 0)), {2, 3}},
    {"sphere, tangent", lineSphere(P(-5, 1, 0), kX), {5}},
    {"sphere, miss", lineSphere(P(-5, 2, 0), kX), {}},
    {"segment through", segmentSphere(P(-5, 0, 0), P(5, 0, 0)), {0.4, 0.6}},
    {"segment to centre", segmentSphere(P(-5, 0, 0), kO), {0.8}},
    {"segment ends on it", segmentSphere(P(-5, 0, 0), P(-1, 0, 0)), {1}},
    {"segment starts on it", segmentSphere(P(-1, 0, 0), P(-5, 0, 0)), {0}},
    {"segment inside", segmentSphere(P(-0.5, 0, 0), P(0.5, 0, 0)), {}},
    {"cylinder", lineCylinder(P(-5, 0, 7), kX, kZ), {4, 6}},
    {"cylinder, tangent", lineCylinder(P(-5, 1, 7), kX, V(0, 0, -0.5)), {5}},
    {"cylinder segment", segmentCylinder(P(-5, 0, 3), P(-1, 0, 3)), {1}},
    {"body", lineCapsule(P(-5, 0, 5), kX), {4, 6}},
    {"C1 cap", lineCapsule(P(-5, 0, -0.5), kX), {5 - kHalfRoot3, 5 + kHalfRoot3}},
    {"beyond C2", lineCapsule(P(-5, 0, 12), kX), {}},
    {"C1 rim", lineCapsule(P(-5, 0, 0), kX), {4, 6}},
    {"C2 rim", lineCapsule(P(-5, 0, 10), kX), {4, 6}},
    // In through the C2 cap, out through the body: the body hit comes first.
    {"C2 cap then body", lineCapsule(P(0, 0, 12), V(1, 0, -4)), {1, kC2CapEntry}},
    {"segment, C2 cap then body", segmentCapsule(P(0, 0, 12), P(1, 0, 8)), {1, kC2CapEntry}},
    {"segment into body", segmentCapsule(P(-5, 0, 5), P(0, 0, 5)), {0.8}},
};

TEST(CtrvGeometryIntersections, ClosedFormCasesReplaceOldValuesWithoutReallocating) {
  for (const Case& c : kCases) {
    Params params(5, 9.0);
    const double* storage = params.data();
    EXPECT_EQ(c.run(params), c.expected.size()) << c.name;
    ASSERT_EQ(params.size(), c.expected.size()) << c.name;
    for (std::size_t k = 0; k < params.size(); ++k)
      EXPECT_DOUBLE_EQ(params[k], c.expected[k]) << c.name;
    EXPECT_EQ(params.data(), storage) << c.name;
  }
}

TEST(CtrvGeometryIntersections, ObliqueHitsLieOnTheSurface) {
  const P p(0.3, 0.2, 20);
  const V d(-0.01, 0.005, -1);
  const Eigen::Vector3d axis(0, 0, 1);
  auto at = [&](double t) {
    return Eigen::Vector3d(p[0] + t * d[0], p[1] + t * d[1], p[2] + t * d[2]);
  };
  Params params;
  // No tolerance: a line just inside the tangent one crosses twice.
  ASSERT_EQ(G::intersectLineSphere(P(-5, 1 - 1e-9, 0), kX, kO, 1, params), 2u);
  EXPECT_LT(params[0], params[1]);
  ASSERT_EQ(G::intersectLineSphere(p, d, P(0.5, 0, 19), 1.5, params), 2u);
  for (const double t : params)
    EXPECT_NEAR((at(t) - Eigen::Vector3d(0.5, 0, 19)).norm(), 1.5, 1e-12);
  ASSERT_EQ(G::intersectLineCylinder(p, d, kO, kZ, 1, params), 2u);
  for (const double t : params) EXPECT_NEAR(at(t).cross(axis).norm(), 1.0, 1e-12);

  // Down through both caps: the C1 cap hit (the larger parameter) first.
  ASSERT_EQ(G::intersectLineExtrudedSphere(p, d, kO, kC2, 1, params), 2u);
  EXPECT_NEAR(at(params[0]).norm(), 1.0, 1e-12);
  EXPECT_LT(at(params[0]).z(), 0.0);
  EXPECT_NEAR((at(params[1]) - Eigen::Vector3d(0, 0, 10)).norm(), 1.0, 1e-12);
  EXPECT_GT(at(params[1]).z(), 10.0);
}

TEST(CtrvGeometryIntersections, DistanceFromAPointToASegment) {
  const P a(-1, 0, 0);
  const P b(1, 0, 0);
  EXPECT_EQ(G::distancePointSegment(P(0, 1, 0), a, b), 1.0);
  EXPECT_EQ(G::distancePointSegment(P(3, 4, 0), a, kO), 5.0);  // clamped to B
  EXPECT_EQ(G::distancePointSegment(P(-4, 4, 0), a, b), 5.0);  // clamped to A
  EXPECT_NEAR(G::distancePointSegment(P(0.5, 1, -1), a, P(1, 1, 1)), std::sqrt(2.75), 1e-15);
}

}  // namespace
