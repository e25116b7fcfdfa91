#include <CtrvPoint3.h>
#include <CtrvVect3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::fromEigen;
using trvTest::maxDiff;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CtrvVect3, DefaultsAndArithmeticAgreeWithEigen) {
  EXPECT_TRUE(CtrvVect3().isStrictlyEqual(CtrvVect3(0, 0, 0)));
  EXPECT_TRUE(trvDefaultVect3.isStrictlyEqual(CtrvVect3(1, 0, 0)));
  EXPECT_TRUE(trvDefaultPoint3.isStrictlyEqual(CtrvPoint3()));
  CtrvVect3 n(3, 0, 4);
  n.normalize();  // one reciprocal, three products
  EXPECT_TRUE(n.isStrictlyEqual(CtrvVect3(3 * (1.0 / 5), 0, 4 * (1.0 / 5))));
  n.setValue(0, 0, 0);
  n.normalize();
  EXPECT_TRUE(std::isnan(n[0]));

  trvTest::RandomGeometry random(20240611);
  for (int i = 0; i < 1000; ++i) {
    const Eigen::Vector3d ea = random.vector(100.0), eb = random.vector(100.0);
    const CtrvVect3 a = fromEigen(ea), b = fromEigen(eb);
    const double s = random.value(-5, 5);
    EXPECT_LT(maxDiff(a * b, ea.cross(eb)), 1e-10);
    EXPECT_LT(maxDiff((a + b) * s - b / s, (ea + eb) * s - eb / s), 1e-10);
    CtrvVect3 c = a;
    (c -= b) += b * 2.0;
    EXPECT_LT(maxDiff(c, ea + eb), 1e-12);
    EXPECT_NEAR(a.scalarProduct(b), ea.dot(eb), 1e-9);
    EXPECT_NEAR(CtrvPoint3(a).distanceFrom(CtrvPoint3(b)), (ea - eb).norm(), 1e-12);
    c = a;
    c.normalize();
    EXPECT_LT(maxDiff(c, ea.normalized()), 1e-15);
  }
}

TEST(CtrvVect3, ToleranceEqualityIsAbsoluteInclusiveAndPerComponent) {
  const trvTest::ToleranceGuard<CtrvVect3> guard;
  EXPECT_EQ(CtrvVect3::tolerance(), 0.001);
  const CtrvVect3 v(1, 2, 3);
  EXPECT_TRUE(v == CtrvVect3(1.0009, 2, 3) && !v.isStrictlyEqual(CtrvVect3(1.0009, 2, 3)));
  EXPECT_TRUE(v != CtrvVect3(1.0011, 2, 3));
  EXPECT_TRUE(v != CtrvVect3(1, 2, 2.998));                       // every component, both sides
  EXPECT_TRUE(CtrvVect3(1e9, 0, 0) != CtrvVect3(1e9 + 1, 0, 0));  // not relative
  EXPECT_TRUE(CtrvVect3() == CtrvVect3(0.0009, 0.0009, 0.0009));  // not a distance
  EXPECT_TRUE(CtrvVect3(kNaN, 2, 3) == v && v == CtrvVect3(1, kNaN, 3));  // a NaN never rejects
  EXPECT_FALSE(CtrvVect3(kNaN, 2, 3) == CtrvVect3(1, 5, 3));
  CtrvVect3::tolerance(0.5);
  EXPECT_TRUE(CtrvVect3() == CtrvVect3(0.5, -0.5, 0));  // both bounds inclusive
  EXPECT_TRUE(CtrvPoint3() == CtrvPoint3(0, 0.4, 0));   // shared with points
  CtrvVect3::tolerance(0.0);
  EXPECT_FALSE(v == CtrvVect3(1, 2, std::nextafter(3.0, 4.0)));
}

TEST(CtrvVect3, ExactComparisonsAndLexicographicOrder) {
  EXPECT_TRUE(CtrvVect3(-0.0, 0, 0).isZero());
  EXPECT_FALSE(CtrvVect3(0, 0, 1e-300).isZero());
  EXPECT_TRUE(CtrvVect3(1, 5, 5) < CtrvVect3(2, 0, 0));
  EXPECT_FALSE(CtrvVect3(2, 0, 0) < CtrvVect3(1, 5, 5));
  EXPECT_FALSE(CtrvVect3(1, 2, 3) < CtrvVect3(1, 2, 3));
  EXPECT_FALSE(CtrvVect3(1, 2, 4) < CtrvVect3(1, 2, 3));
  EXPECT_TRUE(CtrvVect3(1, 2, 9) < CtrvVect3(1, 3, 0));
  EXPECT_TRUE(CtrvVect3(1, 2, 3) < CtrvVect3(1.0001, 2, 3));  // within tolerance, still ordered
  EXPECT_TRUE(CtrvVect3(kNaN, 1, 0) < CtrvVect3(0, 2, 0));    // unordered components pass
}

}  // namespace
