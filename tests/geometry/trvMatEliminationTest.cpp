// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "geometry/trvMatElimination.h"
#include "platform/trvPlatformCpu.h"

namespace {

using Matrix = std::vector<double>;

// The elimination as taught, one column after the other on separately
// allocated rows: the order of operations the blocked elimination keeps.
double textbookDeterminant(const Matrix& elements, std::size_t n) {
  std::vector<std::vector<double>> a(n);
  for (std::size_t i = 0; i < n; ++i) a[i].assign(&elements[i * n], &elements[i * n] + n);
  double d = 1.0;
  for (std::size_t k = 0; k < n; ++k) {
    double best = 1e-5;
    std::size_t pivot = n;
    for (std::size_t i = k; i < n; ++i) {
      if (std::fabs(a[i][k]) > best) best = std::fabs(a[i][k]), pivot = i;
    }
    if (pivot == n) return 0.0;
    if (pivot != k) std::swap(a[pivot], a[k]), d = -d;
    const double p = a[k][k];
    d *= p;
    for (std::size_t i = k + 1; i < n; ++i) {
      const double f = a[i][k] / p;
      a[i][k] = 0.0;
      for (std::size_t j = k + 1; j < n; ++j) a[i][j] = a[i][j] - a[k][j] * f;
    }
  }
  return d;
}

// Uniform elements in [-1, 1], or small integers, which tie on pivots and
// cancel to exact zeros; every third of those repeats its first row last,
// so the elimination ends without a pivot.
Matrix randomMatrix(std::size_t n, bool integers, std::mt19937& random) {
  std::uniform_real_distribution<double> real(-1.0, 1.0);
  std::uniform_int_distribution<int> integer(-2, 2);
  Matrix m(n * n);
  for (double& e : m) e = integers ? integer(random) : real(random);
  if (integers && n % 3 == 0) std::copy(m.begin(), m.begin() + n, m.end() - n);
  return m;
}

void expectSameBits(double actual, double expected) {
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(std::signbit(actual), std::signbit(expected));
}

// The matrix itself when it is small enough to read.
std::string describe(const Matrix& m, std::size_t n) {
  if (n > 8) return "(order " + std::to_string(n) + ", not shown)";
  ::testing::Message text;
  for (std::size_t i = 0; i < n; ++i) {
    text << "\n";
    for (std::size_t j = 0; j < n; ++j) text << ' ' << m[i * n + j];
  }
  return text.GetString();
}

// Orders around the block sizes and the tile widths, and one large enough
// for several levels of blocking.
TEST(CtrvMatElimination, EveryKernelGivesTheTextbookResultBitForBit) {
  std::mt19937 random(11);
  std::vector<std::size_t> orders;
  for (std::size_t n = 4; n <= 40; ++n) orders.push_back(n);
  for (std::size_t n : {63, 64, 65, 100, 131}) orders.push_back(n);
  const bool avx2 = trvElimination::avx2Kernels != nullptr && trvPlatform::cpuSupportsAvx2();
  if (!avx2) std::cout << "[ SKIPPED  ] AVX2 half: not supported by this processor\n";
  int singular = 0;
  int drawn = 0;
  for (std::size_t n : orders) {
    for (bool integers : {false, true}) {
      const Matrix m = randomMatrix(n, integers, random);
      SCOPED_TRACE(::testing::Message() << "matrix " << drawn++ << " of seed 11, order " << n
                                        << (integers ? ", integers" : ", reals") << describe(m, n));
      const double expected = textbookDeterminant(m, n);
      singular += expected == 0.0;
      expectSameBits(trvElimination::determinant(m.data(), n, trvElimination::portableKernels),
                     expected);
      if (avx2)
        expectSameBits(trvElimination::determinant(m.data(), n, *trvElimination::avx2Kernels),
                       expected);
    }
  }
  EXPECT_GT(singular, 0) << "the integer matrices should include singular ones";
}

}  // namespace
