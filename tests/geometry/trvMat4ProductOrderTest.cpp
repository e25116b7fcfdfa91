#include <CtrvMat4.h>
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/trvGeometryTestSupport.h"

namespace {

using trvTest::fromEigen;

// Element (i, j) of a*b as the row-by-column sum, added left to right.
double productElement(const CtrvMat4& a, const CtrvMat4& b, int i, int j) {
  return a(i, 0) * b(0, j) + a(i, 1) * b(1, j) + a(i, 2) * b(2, j) + a(i, 3) * b(3, j);
}

// Coordinate i of m*p: the row times the point, then the translation.
double imageCoordinate(const CtrvMat4& m, const CtrvPoint3& p, int i) {
  return m(i, 0) * p[0] + m(i, 1) * p[1] + m(i, 2) * p[2] + m(i, 3);
}

// Bit for bit, so that a signed zero or a NaN counts too.
void expectSameBits(double actual, double expected) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual));
  } else {
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(std::signbit(actual), std::signbit(expected));
  }
}

void expectProductsInOrder(const CtrvMat4& a, const CtrvMat4& b, const CtrvPoint3& p) {
  const CtrvMat4 product = a * b;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) expectSameBits(product(i, j), productElement(a, b, i, j));
  }
  const CtrvPoint3 image = a * p;
  for (int i = 0; i < 3; ++i) expectSameBits(image[i], imageCoordinate(a, p, i));
}

TEST(CtrvMat4ProductOrder, EveryElementAndCoordinateIsTheLeftToRightSum) {
  trvTest::RandomGeometry random{std::mt19937(7)};
  for (int n = 0; n < 200; ++n) {
    const CtrvPoint3 p(random.value(-9, 9), random.value(-9, 9), random.value(-9, 9));
    expectProductsInOrder(fromEigen(random.fill<trvTest::Mat4>(10.0)),
                          fromEigen(random.fill<trvTest::Mat4>(10.0)), p);
  }
  // Rounding that depends on the order: 1e16 + 1 - 1e16 is 0, not 1.
  CtrvMat4 a(0.0);
  a.setRowComponents(0, 1e16, 1.0, -1e16, 0.5);
  a.setRowComponents(1, -1e16, 1e16, 1.0, -0.5);
  CtrvMat4 b;
  b.setRowComponents(3, 3.0, -2.0, 1.0, 1.0);
  expectProductsInOrder(a, b, CtrvPoint3(1.0, 1.0, 1.0));
  expectProductsInOrder(b, a, CtrvPoint3(1e16, 1.0, -1e16));
}

TEST(CtrvMat4ProductOrder, SignedZerosInfinitiesAndNaNPassThroughAsInScalarArithmetic) {
  const double inf = INFINITY;
  CtrvMat4 a(-0.0);
  a.setRowComponents(1, inf, 0.0, 1.0, -0.0);
  a.setRowComponents(2, 1.0, NAN, 2.0, 3.0);
  CtrvMat4 b(-0.0);
  b.setRowComponents(0, 0.0, -inf, 2.0, -0.0);
  expectProductsInOrder(a, b, CtrvPoint3(-0.0, 0.0, -0.0));
  expectProductsInOrder(b, a, CtrvPoint3(inf, -1.0, 0.0));
}

}  // namespace
