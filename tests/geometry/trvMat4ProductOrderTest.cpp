// SPDX-License-Identifier: MIT
#include <CtrvMat4.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <vector>

#include "geometry/trvGeometryTestSupport.h"
#include "geometry/trvMat4Kernels.h"
#include "platform/trvPlatformCpu.h"

namespace {

using trvTest::fromEigen;

// Bit for bit, so that a signed zero or a NaN counts too.
void expectSameBits(double actual, double expected) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual));
  } else {
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(std::signbit(actual), std::signbit(expected));
  }
}

const double* elements(const CtrvMat4& m) { return static_cast<const double*>(m.getAddress()); }

// The product by a kernel of the library: the one operator*() uses, which
// the library chooses when it is loaded, and each of the kernels it chooses
// from, so that every one is checked on this processor.
CtrvMat4 productBy(trvMat4Kernels::Product kernel, const CtrvMat4& a, const CtrvMat4& b) {
  CtrvMat4 r(0.0);
  double out[16];
  kernel(elements(a), elements(b), out);
  for (int k = 0; k < 16; ++k) r(k / 4, k % 4) = out[k];
  return r;
}

std::vector<trvMat4Kernels::Product> kernelsOfThisProcessor() {
  std::vector<trvMat4Kernels::Product> kernels{trvMat4Kernels::productPortable};
#if defined(TRV_MAT4_AVX2_KERNELS)
  if (trvPlatform::cpuSupportsAvx2()) kernels.push_back(trvMat4Kernels::productAvx2);
#endif
  return kernels;
}

// The images of p by a: through operator*() and through each inline kernel
// it may use, so that the one not chosen by this build is checked too.
std::vector<CtrvPoint3> imagesOf(const CtrvMat4& a, const CtrvPoint3& p) {
  std::vector<CtrvPoint3> images{a * p};
#if defined(__SSE2__)
  using Kernel = void (*)(const double*, const double*, __m128d&, __m128d&);
  const Kernel kernels[] = {
    trvMat4Detail::timesPointSse2,
#if defined(TRV_MAT4_POINT_ASM)
    trvMat4Detail::timesPointAsm,
#endif
  };
  for (Kernel kernel : kernels) {
    __m128d rows01, row2;
    kernel(elements(a), &p[0], rows01, row2);
    double first[2];
    _mm_storeu_pd(first, rows01);
    images.emplace_back(first[0], first[1], _mm_cvtsd_f64(row2));
  }
#endif
  return images;
}

// Element (i, j) of a*b is the row-by-column sum added left to right, and
// coordinate i of a*p the row times the point, then the translation.
void expectProductsInOrder(const CtrvMat4& a, const CtrvMat4& b, const CtrvPoint3& p) {
  std::vector<CtrvMat4> products{a * b};
  for (trvMat4Kernels::Product kernel : kernelsOfThisProcessor())
    products.push_back(productBy(kernel, a, b));
  const std::vector<CtrvPoint3> images = imagesOf(a, p);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (const CtrvMat4& product : products) {
        expectSameBits(product(i, j), a(i, 0) * b(0, j) + a(i, 1) * b(1, j) + a(i, 2) * b(2, j) +
                                          a(i, 3) * b(3, j));
      }
    }
    if (i == 3) continue;
    for (const CtrvPoint3& image : images)
      expectSameBits(image[i], a(i, 0) * p[0] + a(i, 1) * p[1] + a(i, 2) * p[2] + a(i, 3));
  }
}

TEST(CtrvMat4ProductOrder, EveryElementAndCoordinateIsTheLeftToRightSumAsInScalarArithmetic) {
  if (kernelsOfThisProcessor().size() == 1)
    std::cout << "[ SKIPPED  ] the AVX2 product: not supported by this processor\n";
  trvTest::RandomGeometry random{std::mt19937(7)};
  for (int n = 0; n < 200; ++n) {
    const trvTest::Mat4 a = random.fill<trvTest::Mat4>(10.0);
    const trvTest::Mat4 b = random.fill<trvTest::Mat4>(10.0);
    const trvTest::Vec3 p = random.fill(9.0);
    SCOPED_TRACE(::testing::Message() << "draw " << n << " of seed 7\na =\n"
                                      << a << "\nb =\n"
                                      << b << "\np = " << p.transpose());
    expectProductsInOrder(fromEigen(a), fromEigen(b), CtrvPoint3(p[0], p[1], p[2]));
  }
  // Rounding that depends on the order: 1e16 + 1 - 1e16 is 0, not 1.
  CtrvMat4 a(0.0);
  a.setRowComponents(0, 1e16, 1.0, -1e16, 0.5);
  a.setRowComponents(1, -1e16, 1e16, 1.0, -0.5);
  CtrvMat4 b;
  b.setRowComponents(3, 3.0, -2.0, 1.0, 1.0);
  expectProductsInOrder(a, b, CtrvPoint3(1.0, 1.0, 1.0));
  expectProductsInOrder(b, a, CtrvPoint3(1e16, 1.0, -1e16));
  // Signed zeros, infinities and NaN pass through as in scalar arithmetic.
  a = CtrvMat4(-0.0);
  a.setRowComponents(1, INFINITY, 0.0, 1.0, -0.0);
  a.setRowComponents(2, 1.0, NAN, 2.0, 3.0);
  b = CtrvMat4(-0.0);
  b.setRowComponents(0, 0.0, -INFINITY, 2.0, -0.0);
  expectProductsInOrder(a, b, CtrvPoint3(-0.0, 0.0, -0.0));
  expectProductsInOrder(b, a, CtrvPoint3(INFINITY, -1.0, 0.0));
}

}  // namespace
