#include <CtrvPoint3.h>
#include <CtrvVect3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::maxDiff;
using trvTest::toEigen;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CtrvVect3, DefaultsGlobalsAndInPlaceOperations) {
  EXPECT_TRUE(CtrvVect3().isStrictlyEqual(CtrvVect3(0, 0, 0)));
  EXPECT_TRUE(trvDefaultVect3.isStrictlyEqual(CtrvVect3(1, 0, 0)));
  EXPECT_TRUE(trvDefaultPoint3.isStrictlyEqual(CtrvPoint3()));
  EXPECT_EQ(CtrvVect3::tolerance(), 0.001);

  CtrvVect3 v(1, 2, 3);
  (v += CtrvVect3(1, 1, 1)) -= CtrvVect3(0, 0, 4);
  v[0] = 7;
  EXPECT_TRUE(v.isStrictlyEqual(CtrvVect3(7, 3, 0)));
  CtrvPoint3 p;
  p = CtrvPoint3(v);  // a point from a vector, then point assignment
  EXPECT_TRUE(p.isStrictlyEqual(CtrvVect3(7, 3, 0)));
  EXPECT_EQ(CtrvPoint3(0, 0, 0).distanceFrom(CtrvPoint3(1, 2, 2)), 3.0);

  CtrvVect3 n(3, 0, 4);
  EXPECT_EQ(n.squareLength(), 25.0);
  n.normalize();
  EXPECT_TRUE(n.isStrictlyEqual(CtrvVect3(3 * (1.0 / 5), 0, 4 * (1.0 / 5))));  // one reciprocal
  CtrvVect3 zero;
  zero.normalize();
  EXPECT_TRUE(std::isnan(zero[0]));
  EXPECT_TRUE((CtrvVect3(1, 0, 0) * CtrvVect3(0, 1, 0)).isStrictlyEqual(CtrvVect3(0, 0, 1)));
}

TEST(CtrvVect3, ArithmeticAgreesWithEigen) {
  trvTest::RandomGeometry random(20240611);
  for (int n = 0; n < 1000; ++n) {
    const Eigen::Vector3d ea = random.vector(100.0), eb = random.vector(100.0);
    const CtrvVect3 a(ea[0], ea[1], ea[2]), b(eb[0], eb[1], eb[2]);
    const double s = random.value(-5, 5);
    EXPECT_LT(maxDiff(a * b, ea.cross(eb)), 1e-10);
    EXPECT_LT(maxDiff(a + b, ea + eb) + maxDiff(a - b, ea - eb), 1e-12);
    EXPECT_LT(maxDiff(a * s, ea * s) + maxDiff(a / s, ea / s), 1e-12);
    EXPECT_NEAR(a.scalarProduct(b), ea.dot(eb), 1e-9);
    EXPECT_NEAR(a.norm(), ea.norm(), 1e-12);
    EXPECT_NEAR(CtrvPoint3(a).distanceFrom(CtrvPoint3(b)), (ea - eb).norm(), 1e-12);
    CtrvVect3 unit = a;
    unit.normalize();
    EXPECT_LT(maxDiff(unit, ea.normalized()), 1e-15);
  }
}

TEST(CtrvVect3, ToleranceEqualityIsAbsoluteInclusiveAndPerComponent) {
  const trvTest::ToleranceGuard<CtrvVect3> guard;
  const CtrvVect3 v(1, 2, 3);
  EXPECT_TRUE(v == CtrvVect3(1.0009, 2, 3));
  EXPECT_FALSE(v.isStrictlyEqual(CtrvVect3(1.0009, 2, 3)));
  EXPECT_TRUE(v != CtrvVect3(1.0011, 2, 3));
  EXPECT_TRUE(v != CtrvVect3(1, 2, 2.998));                       // every component, both sides
  EXPECT_TRUE(CtrvVect3(1e9, 0, 0) != CtrvVect3(1e9 + 1, 0, 0));  // not relative
  EXPECT_TRUE(CtrvVect3() == CtrvVect3(0.0009, 0.0009, 0.0009));  // not a distance
  EXPECT_TRUE(CtrvVect3(kNaN, 2, 3) == v);                        // a NaN never rejects
  EXPECT_TRUE(v == CtrvVect3(1, kNaN, 3));
  EXPECT_FALSE(CtrvVect3(kNaN, 2, 3) == CtrvVect3(1, 5, 3));

  CtrvVect3::tolerance(0.5);
  EXPECT_TRUE(CtrvVect3() == CtrvVect3(0.5, -0.5, 0));  // both bounds inclusive
  EXPECT_TRUE(CtrvPoint3() == CtrvPoint3(0, 0.4, 0));   // shared with points
  EXPECT_FALSE(CtrvVect3() == CtrvVect3(0.5000001, 0, 0));
  CtrvVect3::tolerance(0.0);
  EXPECT_TRUE(v == CtrvVect3(1, 2, 3));
  EXPECT_FALSE(v == CtrvVect3(1, 2, std::nextafter(3.0, 4.0)));
}

TEST(CtrvVect3, ExactComparisonsAndLexicographicOrder) {
  EXPECT_TRUE(CtrvVect3(-0.0, 0, 0).isZero());
  EXPECT_FALSE(CtrvVect3(0, 0, 1e-300).isZero());
  EXPECT_FALSE(CtrvVect3(kNaN, 2, 3).isStrictlyEqual(CtrvVect3(kNaN, 2, 3)));
  EXPECT_TRUE(CtrvVect3(1, 5, 5) < CtrvVect3(2, 0, 0));
  EXPECT_FALSE(CtrvVect3(2, 0, 0) < CtrvVect3(1, 5, 5));
  EXPECT_FALSE(CtrvVect3(1, 2, 3) < CtrvVect3(1, 2, 3));
  EXPECT_FALSE(CtrvVect3(1, 2, 4) < CtrvVect3(1, 2, 3));
  EXPECT_TRUE(CtrvVect3(1, 2, 9) < CtrvVect3(1, 3, 0));
  EXPECT_TRUE(CtrvVect3(1, 2, 3) < CtrvVect3(1.0001, 2, 3));  // equal within tolerance, ordered
  EXPECT_TRUE(CtrvVect3(kNaN, 1, 0) < CtrvVect3(0, 2, 0));    // unordered components pass
}

}  // namespace
