#include <CtrvMat.h>
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>
#include <utility>

namespace {

// Well-conditioned: uniform entries in [-1, 1] plus a dominant diagonal, so
// Eigen's determinant is a trustworthy reference.
CtrvMat randomMatrix(unsigned int height, unsigned int width, unsigned int seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  CtrvMat m(height, width);
  for (unsigned int i = 0; i < height; ++i) {
    for (unsigned int j = 0; j < width; ++j) m(i, j) = uniform(generator) + (i == j ? 2.0 : 0.0);
  }
  return m;
}

Eigen::MatrixXd toEigen(const CtrvMat& m) {
  Eigen::MatrixXd e(m.height(), m.width());
  for (unsigned int i = 0; i < m.height(); ++i) {
    for (unsigned int j = 0; j < m.width(); ++j) e(i, j) = m(i, j);
  }
  return e;
}

void expectMatches(const CtrvMat& m, const Eigen::MatrixXd& expected, double tolerance) {
  ASSERT_EQ(m.height(), expected.rows());
  ASSERT_EQ(m.width(), expected.cols());
  for (unsigned int i = 0; i < m.height(); ++i) {
    for (unsigned int j = 0; j < m.width(); ++j) {
      EXPECT_NEAR(m(i, j), expected(i, j), tolerance) << "element (" << i << ", " << j << ")";
    }
  }
}

// Elements follow the row-major block and the row table agrees with it.
void expectConsistentLayout(const CtrvMat& m) {
  const double* block = m.getAddress();
  for (unsigned int i = 0; i < m.height(); ++i) {
    for (unsigned int j = 0; j < m.width(); ++j) {
      EXPECT_EQ(&block[i * m.width() + j], &const_cast<CtrvMat&>(m)(i, j));
      EXPECT_EQ(m.component(i, j), block[i * m.width() + j]);
    }
  }
}

CtrvMat fromValues(unsigned int height, unsigned int width, std::initializer_list<double> values) {
  CtrvMat m(height, width);
  std::copy(values.begin(), values.end(), m.getAddress());
  return m;
}

CtrvMat identity(unsigned int order, double scale = 1.0) {
  CtrvMat m(order, order, 0.0);
  for (unsigned int i = 0; i < order; ++i) m(i, i) = scale;
  return m;
}

TEST(CtrvMat, ConstructionFillsAndLaysOutRowMajor) {
  const CtrvMat filled(2, 3, 1.5);
  EXPECT_EQ(filled.height(), 2u);
  EXPECT_EQ(filled.width(), 3u);
  for (unsigned int k = 0; k < 6; ++k) EXPECT_EQ(filled.getAddress()[k], 1.5);

  CtrvMat m(3, 4);
  for (unsigned int i = 0; i < 3; ++i) {
    for (unsigned int j = 0; j < 4; ++j) m.component(i, j) = 10.0 * i + j;
  }
  EXPECT_EQ(m.getAddress()[1 * 4 + 2], 12.0);
  expectConsistentLayout(m);

  m = -2.0;
  for (unsigned int k = 0; k < 12; ++k) EXPECT_EQ(m.getAddress()[k], -2.0);

  const CtrvMat empty(0, 0);
  EXPECT_EQ(empty.height(), 0u);
  EXPECT_EQ(empty.width(), 0u);
  const CtrvMat noColumns(3, 0, 1.0);
  EXPECT_EQ(noColumns.height(), 3u);
}

TEST(CtrvMat, CopiesAreDeep) {
  CtrvMat original = randomMatrix(3, 5, 1);
  const CtrvMat copy(original);
  EXPECT_NE(copy.getAddress(), original.getAddress());
  expectConsistentLayout(copy);
  const double before = original(2, 4);
  original(2, 4) = 99.0;
  EXPECT_EQ(copy(2, 4), before);

  CtrvMat assigned(3, 5, 0.0);
  assigned = copy;
  original = 7.0;
  EXPECT_EQ(assigned(2, 4), before);
  expectMatches(assigned, toEigen(copy), 0.0);
}

TEST(CtrvMat, AssignmentOfTheSameSizeCopiesInPlace) {
  CtrvMat target(2, 3, 0.0);
  const double* block = target.getAddress();
  target = CtrvMat(2, 3, 4.0);  // from a temporary
  EXPECT_EQ(target.getAddress(), block);
  EXPECT_EQ(target(1, 2), 4.0);

  CtrvMat& self = target;
  target = self;
  EXPECT_EQ(target.getAddress(), block);
  EXPECT_EQ(target(0, 0), 4.0);
  expectConsistentLayout(target);
}

TEST(CtrvMat, AssignmentOfAnotherSizeTakesItsSizeAndRebuildsTheRowTable) {
  CtrvMat target(2, 5, 0.0);
  const CtrvMat source = randomMatrix(3, 3, 2);
  target = source;
  EXPECT_EQ(target.height(), 3u);
  EXPECT_EQ(target.width(), 3u);
  EXPECT_NE(target.getAddress(), source.getAddress());
  expectConsistentLayout(target);
  expectMatches(target, toEigen(source), 0.0);

  // Shrinking, growing, to and from empty, and chained, from temporaries.
  CtrvMat other(1, 1, 0.0);
  other = target = CtrvMat(4, 2, 3.0);
  EXPECT_EQ(other.height(), 4u);
  EXPECT_EQ(other.width(), 2u);
  EXPECT_EQ(other(3, 1), 3.0);
  expectConsistentLayout(other);
  other = CtrvMat(0, 0);
  EXPECT_EQ(other.height(), 0u);
  other = randomMatrix(6, 7, 3);
  expectConsistentLayout(other);
  expectMatches(other, toEigen(randomMatrix(6, 7, 3)), 0.0);
}

TEST(CtrvMat, TransposeAndProductAgreeWithEigen) {
  const CtrvMat a = randomMatrix(2, 3, 4);
  const CtrvMat b = randomMatrix(3, 4, 5);
  const CtrvMat product = a * b;
  EXPECT_EQ(product.height(), 2u);
  EXPECT_EQ(product.width(), 4u);
  expectMatches(product, toEigen(a) * toEigen(b), 1e-14);

  const CtrvMat at = a.t();
  EXPECT_EQ(at.height(), 3u);
  EXPECT_EQ(at.width(), 2u);
  expectMatches(at, toEigen(a).transpose(), 0.0);
  expectConsistentLayout(at);

  const CtrvMat big = randomMatrix(17, 33, 6);
  const CtrvMat other = randomMatrix(33, 9, 7);
  expectMatches(big * other, toEigen(big) * toEigen(other), 1e-12);
  expectMatches(big.t() * big, toEigen(big).transpose() * toEigen(big), 1e-12);

  // An inner dimension of 0 gives a zero matrix of the outer size.
  const CtrvMat zero = CtrvMat(2, 0) * CtrvMat(0, 3);
  EXPECT_EQ(zero.height(), 2u);
  EXPECT_EQ(zero.width(), 3u);
  for (unsigned int k = 0; k < 6; ++k) EXPECT_EQ(zero.getAddress()[k], 0.0);
}

TEST(CtrvMat, DeterminantOfSmallOrdersUsesClosedForms) {
  EXPECT_EQ(CtrvMat(2, 3, 1.0).det(), 0.0);
  EXPECT_EQ(CtrvMat(0, 0).det(), 0.0);
  EXPECT_EQ(CtrvMat(1, 1, -3.5).det(), -3.5);

  EXPECT_EQ(fromValues(2, 2, {1, 2, 3, 4}).det(), -2.0);
  EXPECT_EQ(fromValues(3, 3, {2, -1, 0, 1, 3, 4, 5, 0, -2}).det(), -34.0);

  // No pivot threshold below order 4: tiny elements still count.
  EXPECT_DOUBLE_EQ(identity(3, 1e-6).det(), 1e-18);
  EXPECT_DOUBLE_EQ(identity(2, 1e-6).det(), 1e-12);
}

TEST(CtrvMat, DeterminantByEliminationFromOrderFour) {
  EXPECT_EQ(identity(4).det(), 1.0);
  EXPECT_EQ(identity(4, -1.0).det(), 1.0);
  EXPECT_EQ(identity(5, -1.0).det(), -1.0);

  // Two exchanged rows flip the sign; a leading zero forces a pivot search.
  CtrvMat swapped = identity(5);
  swapped(0, 0) = swapped(3, 3) = 0.0;
  swapped(0, 3) = swapped(3, 0) = 1.0;
  EXPECT_EQ(swapped.det(), -1.0);
  const double before = swapped(0, 3);
  swapped.det();
  EXPECT_EQ(swapped(0, 3), before);  // the working copy is not the matrix

  // A pivot must be strictly above 1e-5 in magnitude.
  CtrvMat tinyColumn = identity(4);
  tinyColumn(0, 0) = 0.0;
  tinyColumn(3, 0) = 1e-6;
  EXPECT_EQ(tinyColumn.det(), 0.0);
  CtrvMat atThreshold = identity(4);
  atThreshold(2, 2) = -1e-5;
  EXPECT_EQ(atThreshold.det(), 0.0);
  atThreshold(2, 2) = -2e-5;
  EXPECT_DOUBLE_EQ(atThreshold.det(), -2e-5);

  // The last column meets the threshold too, and a singular matrix is 0.
  CtrvMat singular = randomMatrix(6, 6, 8);
  for (unsigned int i = 0; i < 6; ++i) singular(i, 5) = singular(i, 0) + singular(i, 1);
  EXPECT_EQ(singular.det(), 0.0);
}

TEST(CtrvMat, DeterminantAgreesWithEigenOnRandomMatrices) {
  for (unsigned int order = 1; order <= 40; ++order) {
    for (unsigned int seed = 0; seed < 3; ++seed) {
      const CtrvMat m = randomMatrix(order, order, 100 * order + seed);
      const double expected = toEigen(m).partialPivLu().determinant();
      EXPECT_NEAR(m.det(), expected, 1e-11 * std::fabs(expected)) << "order " << order;
    }
  }
}

}  // namespace
