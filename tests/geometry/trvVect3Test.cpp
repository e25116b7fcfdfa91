#include <CtrvPoint3.h>
#include <CtrvVect3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using ToleranceGuard = trvTest::ToleranceGuard<CtrvVect3>;
using trvTest::toEigen;

void expectComponents(const CtrvVect3& v, double x, double y, double z) {
  EXPECT_EQ(v[0], x);
  EXPECT_EQ(v[1], y);
  EXPECT_EQ(v[2], z);
}

TEST(CtrvVect3, DefaultsAndGlobals) {
  expectComponents(CtrvVect3(), 0, 0, 0);
  expectComponents(CtrvPoint3(), 0, 0, 0);
  expectComponents(trvDefaultVect3, 1, 0, 0);
  expectComponents(trvDefaultPoint3, 0, 0, 0);
  EXPECT_EQ(CtrvVect3::tolerance(), 0.001);
}

TEST(CtrvVect3, ComponentAccessAndAssignment) {
  CtrvVect3 v(1, 2, 3);
  v[1] = 7;
  v.setValue(v[0], v[1], 9);
  expectComponents(v, 1, 7, 9);

  CtrvVect3 copy;
  (copy = v)[0] = 4;  // assignment yields the vector itself
  expectComponents(copy, 4, 7, 9);
  expectComponents(v, 1, 7, 9);

  CtrvPoint3 fromVector(v);
  CtrvPoint3 point(5, 6, 7);
  point = fromVector;
  expectComponents(point, 1, 7, 9);
}

TEST(CtrvVect3, ArithmeticInPlaceAndScaled) {
  CtrvVect3 a(1, 2, 3);
  const CtrvVect3 b(0.5, -1, 4);
  expectComponents(a + b, 1.5, 1, 7);
  expectComponents(a - b, 0.5, 3, -1);
  expectComponents(a * 2.0, 2, 4, 6);
  expectComponents(a / 4.0, 0.25, 0.5, 0.75);
  (a += b) -= CtrvVect3(1, 1, 1);
  expectComponents(a, 0.5, 0, 6);

  const CtrvVect3 divided = CtrvVect3(1, -1, 0) / 0.0;
  EXPECT_EQ(divided[0], std::numeric_limits<double>::infinity());
  EXPECT_EQ(divided[1], -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(divided[2]));

  // The inherited operators of a point give vectors.
  const CtrvVect3 sum = CtrvPoint3(1, 1, 1) + CtrvPoint3(1, 2, 3);
  expectComponents(sum, 2, 3, 4);
}

TEST(CtrvVect3, CrossProductLengthsAndNormalisation) {
  expectComponents(CtrvVect3(1, 0, 0) * CtrvVect3(0, 1, 0), 0, 0, 1);
  expectComponents(CtrvVect3(0, 1, 0) * CtrvVect3(1, 0, 0), 0, 0, -1);
  EXPECT_TRUE((CtrvVect3(2, -3, 5) * CtrvVect3(2, -3, 5)).isZero());

  CtrvVect3 v(3, 0, 4);
  EXPECT_EQ(v.squareLength(), 25.0);
  EXPECT_EQ(v.norm(), 5.0);
  v.normalize();
  EXPECT_DOUBLE_EQ(v[0], 0.6);
  EXPECT_EQ(v[1], 0.0);
  EXPECT_DOUBLE_EQ(v[2], 0.8);

  CtrvVect3 zero;
  zero.normalize();
  EXPECT_FALSE(std::isfinite(zero[0]));

  EXPECT_EQ(CtrvPoint3(0, 0, 0).distanceFrom(CtrvPoint3(1, 2, 2)), 3.0);
  EXPECT_EQ(CtrvPoint3(1, 2, 2).distanceFrom(CtrvPoint3(0, 0, 0)), 3.0);
}

TEST(CtrvVect3, AgreesWithEigenOnRandomInput) {
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<double> value(-100.0, 100.0);
  for (int n = 0; n < 1000; ++n) {
    const CtrvVect3 a(value(rng), value(rng), value(rng));
    const CtrvVect3 b(value(rng), value(rng), value(rng));
    const Eigen::Vector3d cross = toEigen(a).cross(toEigen(b));
    const CtrvVect3 mine = a * b;
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(mine[i], cross[i], 1e-9);
    EXPECT_NEAR(a.scalarProduct(b), toEigen(a).dot(toEigen(b)), 1e-9);
    EXPECT_NEAR(a.norm(), toEigen(a).norm(), 1e-12);
    EXPECT_NEAR(CtrvPoint3(a).distanceFrom(CtrvPoint3(b)), (toEigen(a) - toEigen(b)).norm(), 1e-12);
    CtrvVect3 unit = a;
    unit.normalize();
    const Eigen::Vector3d eigenUnit = toEigen(a).normalized();
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(unit[i], eigenUnit[i], 1e-15);
    // The cross product is perpendicular to both operands.
    EXPECT_NEAR(mine.scalarProduct(a) / (a.norm() * mine.norm()), 0.0, 1e-12);
  }
}

TEST(CtrvVect3, ExactComparisons) {
  EXPECT_TRUE(CtrvVect3(-0.0, 0, 0).isZero());
  EXPECT_FALSE(CtrvVect3(1e-300, 0, 0).isZero());
  EXPECT_FALSE(CtrvVect3(0, 0, 1e-300).isZero());
  EXPECT_TRUE(CtrvVect3(1, 2, 3).isStrictlyEqual(CtrvVect3(1, 2, 3)));
  EXPECT_FALSE(CtrvVect3(1, 2, 3).isStrictlyEqual(CtrvVect3(1, 2, 3.0000001)));
}

TEST(CtrvVect3, ToleranceEqualityIsAbsoluteInclusiveAndPerComponent) {
  const ToleranceGuard guard;
  const CtrvVect3 v(1, 2, 3);
  EXPECT_TRUE(v == CtrvVect3(1.0009, 2, 3));
  EXPECT_FALSE(v == CtrvVect3(1.0011, 2, 3));
  EXPECT_TRUE(v != CtrvVect3(1.0011, 2, 3));
  EXPECT_FALSE(v.isStrictlyEqual(CtrvVect3(1.0009, 2, 3)));
  // Every component is checked, in both directions.
  EXPECT_FALSE(v == CtrvVect3(1, 2, 2.998));
  EXPECT_FALSE(v == CtrvVect3(1, 2.002, 3));
  // Absolute: large magnitudes get no relative slack.
  EXPECT_FALSE(CtrvVect3(1e9, 0, 0) == CtrvVect3(1e9 + 1, 0, 0));
  // Per component, not a distance: each within 0.0009, though the distance is larger.
  EXPECT_TRUE(CtrvVect3(0, 0, 0) == CtrvVect3(0.0009, 0.0009, 0.0009));

  CtrvVect3::tolerance(0.5);
  EXPECT_EQ(CtrvVect3::tolerance(), 0.5);
  EXPECT_TRUE(CtrvVect3(0, 0, 0) == CtrvVect3(0.5, -0.5, 0));  // both bounds inclusive
  EXPECT_FALSE(CtrvVect3(0, 0, 0) == CtrvVect3(0.5000001, 0, 0));
  // The tolerance is shared with points.
  EXPECT_TRUE(CtrvPoint3(0, 0, 0) == CtrvPoint3(0, 0.4, 0));

  CtrvVect3::tolerance(0.0);
  EXPECT_TRUE(v == CtrvVect3(1, 2, 3));
  EXPECT_FALSE(v == CtrvVect3(1, 2, std::nextafter(3.0, 4.0)));
}

TEST(CtrvVect3, NaNNeverRejectsUnderTolerance) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(CtrvVect3(nan, 2, 3) == CtrvVect3(1, 2, 3));
  EXPECT_TRUE(CtrvVect3(1, 2, 3) == CtrvVect3(1, nan, 3));
  EXPECT_FALSE(CtrvVect3(nan, 2, 3) != CtrvVect3(1, 2, 3));
  EXPECT_FALSE(CtrvVect3(nan, 2, 3) == CtrvVect3(1, 5, 3));  // other components still count
  EXPECT_FALSE(CtrvVect3(nan, 2, 3).isStrictlyEqual(CtrvVect3(nan, 2, 3)));
}

TEST(CtrvVect3, LexicographicOrderIsExact) {
  EXPECT_TRUE(CtrvVect3(1, 5, 5) < CtrvVect3(2, 0, 0));
  EXPECT_FALSE(CtrvVect3(2, 0, 0) < CtrvVect3(1, 5, 5));
  EXPECT_FALSE(CtrvVect3(1, 2, 3) < CtrvVect3(1, 2, 3));
  EXPECT_FALSE(CtrvVect3(1, 2, 4) < CtrvVect3(1, 2, 3));
  EXPECT_TRUE(CtrvVect3(1, 2, 3) < CtrvVect3(1, 2, 4));
  EXPECT_TRUE(CtrvVect3(1, 2, 9) < CtrvVect3(1, 3, 0));
  // Within the tolerance yet still ordered.
  EXPECT_TRUE(CtrvVect3(1, 2, 3) == CtrvVect3(1.0001, 2, 3));
  EXPECT_TRUE(CtrvVect3(1, 2, 3) < CtrvVect3(1.0001, 2, 3));
  // A component that does not compare is passed over.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(CtrvVect3(nan, 1, 0) < CtrvVect3(0, 2, 0));
  EXPECT_FALSE(CtrvVect3(0, 2, 0) < CtrvVect3(nan, 1, 0));
}

}  // namespace
