#include <CtrvMat.h>
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Uniform entries in [-1, 1] plus a dominant diagonal: well conditioned, so
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
    for (unsigned int j = 0; j < m.width(); ++j) e(i, j) = m.component(i, j);
  }
  return e;
}

// Same size and elements, and the row table agrees with the row-major block.
void expectMatrix(const CtrvMat& m, const Eigen::MatrixXd& expected, double tolerance = 0.0) {
  ASSERT_EQ(m.height(), expected.rows());
  ASSERT_EQ(m.width(), expected.cols());
  const Eigen::MatrixXd block = Eigen::Map<const Eigen::Matrix<double, -1, -1, Eigen::RowMajor>>(
      m.getAddress(), m.height(), m.width());
  EXPECT_EQ(toEigen(m), block);
  if (m.height() * m.width() > 0) {
    EXPECT_LE((block - expected).cwiseAbs().maxCoeff(), tolerance);
  }
}

CtrvMat diagonal(unsigned int order, double value) {
  CtrvMat m(order, order, 0.0);
  for (unsigned int i = 0; i < order; ++i) m(i, i) = value;
  return m;
}

TEST(CtrvMat, ConstructionCopiesAndAssignments) {
  CtrvMat m(2, 3, 1.5);
  expectMatrix(m, Eigen::MatrixXd::Constant(2, 3, 1.5));
  m(1, 2) = 4.0;
  EXPECT_EQ(m.getAddress()[5], 4.0);

  CtrvMat copy(m);  // deep: later changes to m do not reach it
  m = -2.0;
  EXPECT_EQ(copy(1, 2), 4.0);
  expectMatrix(m, Eigen::MatrixXd::Constant(2, 3, -2.0));

  const double* block = m.getAddress();
  const CtrvMat& alias = m;
  m = copy;  // same size: copied in place
  m = alias;
  EXPECT_EQ(m.getAddress(), block);
  expectMatrix(m, toEigen(copy));

  m = randomMatrix(4, 2, 1);  // another size, from a temporary
  expectMatrix(m, toEigen(randomMatrix(4, 2, 1)));
  copy = m = CtrvMat(0, 0);
  expectMatrix(copy, Eigen::MatrixXd(0, 0));
  copy = randomMatrix(7, 5, 2);
  expectMatrix(copy, toEigen(randomMatrix(7, 5, 2)));
}

TEST(CtrvMat, TransposeAndProductAgreeWithEigen) {
  const CtrvMat a = randomMatrix(2, 3, 3);
  const CtrvMat b = randomMatrix(3, 4, 4);
  expectMatrix(a.t(), toEigen(a).transpose());
  expectMatrix(a * b, toEigen(a) * toEigen(b), 1e-15);
  const CtrvMat big = randomMatrix(17, 33, 5);
  expectMatrix(big * big.t(), toEigen(big) * toEigen(big).transpose(), 1e-12);
  expectMatrix(CtrvMat(2, 0) * CtrvMat(0, 3), Eigen::MatrixXd::Zero(2, 3));
}

TEST(CtrvMat, DeterminantSpecialCases) {
  EXPECT_EQ(CtrvMat(2, 3, 1.0).det(), 0.0);
  EXPECT_EQ(CtrvMat(0, 0).det(), 0.0);
  CtrvMat three(3, 3);
  const double values[] = {2, -1, 0, 1, 3, 4, 5, 0, -2};
  std::copy(values, values + 9, three.getAddress());
  EXPECT_EQ(three.det(), -34.0);
  // Below order 4 there is no pivot threshold.
  EXPECT_DOUBLE_EQ(diagonal(3, 1e-6).det(), 1e-18);
  EXPECT_DOUBLE_EQ(diagonal(2, 1e-6).det(), 1e-12);

  EXPECT_EQ(diagonal(4, -1.0).det(), 1.0);
  CtrvMat swapped = diagonal(5, 1.0);  // two rows exchanged
  swapped(0, 0) = swapped(3, 3) = 0.0;
  swapped(0, 3) = swapped(3, 0) = 1.0;
  EXPECT_EQ(swapped.det(), -1.0);
  EXPECT_EQ(swapped(0, 3), 1.0);  // the elimination works on a copy

  // From order 4 a pivot must be strictly above 1e-5 in magnitude.
  swapped(0, 3) = -1e-5;
  EXPECT_EQ(swapped.det(), 0.0);
  swapped(0, 3) = -2e-5;
  EXPECT_DOUBLE_EQ(swapped.det(), 2e-5);
  CtrvMat dependent = randomMatrix(6, 6, 6);
  for (unsigned int i = 0; i < 6; ++i) dependent(i, 5) = dependent(i, 0) + dependent(i, 1);
  EXPECT_EQ(dependent.det(), 0.0);
}

TEST(CtrvMat, DeterminantAgreesWithEigen) {
  for (unsigned int order = 1; order <= 40; ++order) {
    const CtrvMat m = randomMatrix(order, order, order);
    const double expected = toEigen(m).partialPivLu().determinant();
    EXPECT_NEAR(m.det(), expected, 1e-11 * std::fabs(expected)) << "order " << order;
  }
}

}  // namespace
