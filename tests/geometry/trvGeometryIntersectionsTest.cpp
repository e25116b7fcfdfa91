#include <CtrvGeometry.h>
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Params = std::vector<double>;

const CtrvPoint3 kOrigin(0.0, 0.0, 0.0);
const CtrvVect3 kAlongX(1.0, 0.0, 0.0);

Eigen::Vector3d toEigen(const CtrvVect3& v) { return Eigen::Vector3d(v[0], v[1], v[2]); }

Eigen::Vector3d pointAt(const CtrvPoint3& p, const CtrvVect3& d, double t) {
  return toEigen(p) + t * toEigen(d);
}

// Distance from x to the segment from a to b, computed independently.
double distanceToSegment(const Eigen::Vector3d& x, const Eigen::Vector3d& a,
                         const Eigen::Vector3d& b) {
  const Eigen::Vector3d ab = b - a;
  const double t = std::clamp((x - a).dot(ab) / ab.squaredNorm(), 0.0, 1.0);
  return (x - (a + t * ab)).norm();
}

TEST(CtrvGeometryIntersections, LineAndSphere) {
  Params params;
  EXPECT_EQ(CtrvGeometry::intersectLineSphere(CtrvPoint3(-5, 0, 0), kAlongX, kOrigin, 1.0, params),
            2u);
  EXPECT_EQ(params, (Params{4.0, 6.0}));
  CtrvGeometry::intersectLineSphere(CtrvPoint3(-5, 0, 0), CtrvVect3(2, 0, 0), kOrigin, 1.0, params);
  EXPECT_EQ(params, (Params{2.0, 3.0}));

  // Tangent: the discriminant is exactly 0 and one parameter is reported.
  EXPECT_EQ(CtrvGeometry::intersectLineSphere(CtrvPoint3(-5, 1, 0), kAlongX, kOrigin, 1.0, params),
            1u);
  EXPECT_EQ(params, (Params{5.0}));
  EXPECT_EQ(CtrvGeometry::intersectLineSphere(CtrvPoint3(-5, 2, 0), kAlongX, kOrigin, 1.0, params),
            0u);
  EXPECT_TRUE(params.empty());

  // An oblique line: both points lie on the sphere, the smaller one first.
  const CtrvPoint3 p(3, -2, 1);
  const CtrvVect3 d(-2.5, 2.2, -1.3);
  const CtrvPoint3 centre(0.5, 0.5, -0.5);
  ASSERT_EQ(CtrvGeometry::intersectLineSphere(p, d, centre, 2.0, params), 2u);
  EXPECT_LT(params[0], params[1]);
  for (const double t : params)
    EXPECT_NEAR((pointAt(p, d, t) - toEigen(centre)).norm(), 2.0, 1e-12);
}

TEST(CtrvGeometryIntersections, SegmentKeepsParametersWithinBothBoundsInclusive) {
  Params params;
  CtrvGeometry::intersectSegmentSphere(CtrvPoint3(-5, 0, 0), CtrvPoint3(5, 0, 0), kOrigin, 1.0,
                                       params);
  EXPECT_EQ(params, (Params{0.4, 0.6}));
  EXPECT_EQ(
      CtrvGeometry::intersectSegmentSphere(CtrvPoint3(-5, 0, 0), kOrigin, kOrigin, 1.0, params),
      1u);
  EXPECT_EQ(params, (Params{0.8}));  // the root 1.2 lies beyond the end

  // Ending, then starting, exactly on the surface.
  CtrvGeometry::intersectSegmentSphere(CtrvPoint3(-5, 0, 0), CtrvPoint3(-1, 0, 0), kOrigin, 1.0,
                                       params);
  EXPECT_EQ(params, (Params{1.0}));
  CtrvGeometry::intersectSegmentSphere(CtrvPoint3(-1, 0, 0), CtrvPoint3(-5, 0, 0), kOrigin, 1.0,
                                       params);
  EXPECT_EQ(params, (Params{0.0}));

  // A segment wholly inside hits nothing.
  EXPECT_EQ(CtrvGeometry::intersectSegmentSphere(CtrvPoint3(-0.5, 0, 0), CtrvPoint3(0.5, 0, 0),
                                                 kOrigin, 1.0, params),
            0u);

  const CtrvVect3 axis(0, 0, 5);
  CtrvGeometry::intersectSegmentCylinder(CtrvPoint3(-5, 0, 3), CtrvPoint3(-1, 0, 3), kOrigin, axis,
                                         1.0, params);
  EXPECT_EQ(params, (Params{1.0}));
  CtrvGeometry::intersectSegmentCylinder(CtrvPoint3(-5, 0, 3), CtrvPoint3(5, 0, 3), kOrigin, axis,
                                         1.0, params);
  EXPECT_EQ(params, (Params{0.4, 0.6}));
}

TEST(CtrvGeometryIntersections, LineAndCylinder) {
  Params params;
  // Neither the axial offset of the line nor the length of the axis matters.
  CtrvGeometry::intersectLineCylinder(CtrvPoint3(-5, 0, 7), kAlongX, kOrigin, CtrvVect3(0, 0, 5),
                                      1.0, params);
  EXPECT_EQ(params, (Params{4.0, 6.0}));
  EXPECT_EQ(CtrvGeometry::intersectLineCylinder(CtrvPoint3(-5, 1, 7), kAlongX, kOrigin,
                                                CtrvVect3(0, 0, -0.5), 1.0, params),
            1u);
  EXPECT_EQ(params, (Params{5.0}));

  // Oblique axis and line: the points lie at distance r from the axis.
  const CtrvPoint3 p(4, -1, 2);
  const CtrvVect3 d(-1, 0.3, -0.2);
  const CtrvPoint3 o(1, 1, 1);
  const CtrvVect3 v(1, 1, 0.5);
  ASSERT_EQ(CtrvGeometry::intersectLineCylinder(p, d, o, v, 1.5, params), 2u);
  EXPECT_LT(params[0], params[1]);
  const Eigen::Vector3d unitAxis = toEigen(v).normalized();
  for (const double t : params) {
    EXPECT_NEAR((pointAt(p, d, t) - toEigen(o)).cross(unitAxis).norm(), 1.5, 1e-12);
  }
}

TEST(CtrvGeometryIntersections, ExtrudedSphereGroupsBodyThenC1CapThenC2Cap) {
  const CtrvPoint3 c1(0, 0, 0);
  const CtrvPoint3 c2(0, 0, 10);
  Params params;

  CtrvGeometry::intersectLineExtrudedSphere(CtrvPoint3(-5, 0, 5), kAlongX, c1, c2, 1.0, params);
  EXPECT_EQ(params, (Params{4.0, 6.0}));

  ASSERT_EQ(CtrvGeometry::intersectLineExtrudedSphere(CtrvPoint3(-5, 0, -0.5), kAlongX, c1, c2, 1.0,
                                                      params),
            2u);
  EXPECT_DOUBLE_EQ(params[0], 5.0 - std::sqrt(3.0) / 2.0);
  EXPECT_DOUBLE_EQ(params[1], 5.0 + std::sqrt(3.0) / 2.0);

  EXPECT_EQ(CtrvGeometry::intersectLineExtrudedSphere(CtrvPoint3(-5, 0, 12), kAlongX, c1, c2, 1.0,
                                                      params),
            0u);
  EXPECT_EQ(
      CtrvGeometry::intersectLineExtrudedSphere(CtrvPoint3(-5, 3, 5), kAlongX, c1, c2, 1.0, params),
      0u);

  // On the rims (level with C1, then with C2): body hits only, each once.
  CtrvGeometry::intersectLineExtrudedSphere(CtrvPoint3(-5, 0, 0), kAlongX, c1, c2, 1.0, params);
  EXPECT_EQ(params, (Params{4.0, 6.0}));
  CtrvGeometry::intersectLineExtrudedSphere(CtrvPoint3(-5, 0, 10), kAlongX, c1, c2, 1.0, params);
  EXPECT_EQ(params, (Params{4.0, 6.0}));

  // In through the C2 cap, out through the body: the body hit comes first
  // although the cap hit is the smaller parameter.
  const CtrvPoint3 p(0, 0, 12);
  const CtrvVect3 d(1, 0, -4);
  ASSERT_EQ(CtrvGeometry::intersectLineExtrudedSphere(p, d, c1, c2, 1.0, params), 2u);
  EXPECT_DOUBLE_EQ(params[0], 1.0);
  EXPECT_DOUBLE_EQ(params[1], (16.0 - std::sqrt(52.0)) / 34.0);

  // In through the C2 cap, out through the C1 cap, along a steep line: the
  // C1 cap hit (the larger parameter) comes before the C2 cap hit.
  const CtrvPoint3 top(0.3, 0.2, 20);
  const CtrvVect3 down(-0.01, 0.005, -1);
  ASSERT_EQ(CtrvGeometry::intersectLineExtrudedSphere(top, down, c1, c2, 1.0, params), 2u);
  EXPECT_GT(params[0], params[1]);
  EXPECT_LT(pointAt(top, down, params[0]).z(), 0.0);
  EXPECT_GT(pointAt(top, down, params[1]).z(), 10.0);
  for (const double t : params) {
    EXPECT_NEAR(distanceToSegment(pointAt(top, down, t), toEigen(c1), toEigen(c2)), 1.0, 1e-12);
  }

  // The segment form keeps the line's order and the bounds.
  CtrvGeometry::intersectSegmentExtrudedSphere(p, p + d, c1, c2, 1.0, params);
  EXPECT_EQ(params.size(), 2u);
  EXPECT_DOUBLE_EQ(params[0], 1.0);
  CtrvGeometry::intersectSegmentExtrudedSphere(CtrvPoint3(-5, 0, 5), c1 + CtrvVect3(0, 0, 5), c1,
                                               c2, 1.0, params);
  EXPECT_EQ(params, (Params{0.8}));
}

TEST(CtrvGeometryIntersections, OutputVectorIsEmptiedAndReused) {
  // Every shape is met twice by the line y = 1, z = 5 for the radius 3 and
  // missed for the radius 0.5.
  static const CtrvPoint3 a(-5, 1, 5);
  static const CtrvPoint3 b(5, 1, 5);
  static const CtrvVect3 d = b - a;
  static const CtrvPoint3 centre(0, 0, 5);
  static const CtrvPoint3 c2(0, 0, 10);
  static const CtrvVect3 axis(0, 0, 1);
  using Operation = unsigned int (*)(Params&, double);
  const Operation operations[] = {
      [](Params& out, double r) { return CtrvGeometry::intersectLineSphere(a, d, centre, r, out); },
      [](Params& out, double r) {
        return CtrvGeometry::intersectSegmentSphere(a, b, centre, r, out);
      },
      [](Params& out, double r) {
        return CtrvGeometry::intersectLineCylinder(a, d, kOrigin, axis, r, out);
      },
      [](Params& out, double r) {
        return CtrvGeometry::intersectSegmentCylinder(a, b, kOrigin, axis, r, out);
      },
      [](Params& out, double r) {
        return CtrvGeometry::intersectLineExtrudedSphere(a, d, kOrigin, c2, r, out);
      },
      [](Params& out, double r) {
        return CtrvGeometry::intersectSegmentExtrudedSphere(a, b, kOrigin, c2, r, out);
      },
  };
  const double expected = (5.0 - std::sqrt(8.0)) / 10.0;
  for (const Operation operation : operations) {
    Params params{9.0, 9.0, 9.0, 9.0, 9.0};
    const double* storage = params.data();
    EXPECT_EQ(operation(params, 0.5), 0u);
    EXPECT_TRUE(params.empty());
    params.assign(3, 9.0);
    ASSERT_EQ(operation(params, 3.0), 2u);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_DOUBLE_EQ(params[0], expected);
    EXPECT_DOUBLE_EQ(params[1], 1.0 - expected);
    EXPECT_EQ(params.data(), storage);  // the capacity was kept and sufficed
  }
}

TEST(CtrvGeometryIntersections, DistanceFromAPointToASegment) {
  const CtrvPoint3 a(-1, 0, 0);
  const CtrvPoint3 b(1, 0, 0);
  EXPECT_EQ(CtrvGeometry::distancePointSegment(CtrvPoint3(0, 1, 0), a, b), 1.0);
  EXPECT_EQ(CtrvGeometry::distancePointSegment(CtrvPoint3(3, 4, 0), a, kOrigin), 5.0);
  EXPECT_EQ(CtrvGeometry::distancePointSegment(CtrvPoint3(-4, 4, 0), a, b), 5.0);
  EXPECT_EQ(CtrvGeometry::distancePointSegment(b, a, b), 0.0);

  const CtrvPoint3 p(0.7, -2, 3);
  const CtrvPoint3 s(1, 2, 3);
  const CtrvPoint3 e(-2, 0.5, 4);
  EXPECT_NEAR(CtrvGeometry::distancePointSegment(p, s, e),
              distanceToSegment(toEigen(p), toEigen(s), toEigen(e)), 1e-14);
}

}  // namespace
