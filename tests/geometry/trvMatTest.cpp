#include "geometry/trvGeometryTestSupport.h"

namespace trvTest {
namespace {

using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Uniform elements in [-1, 1] plus 2 on the diagonal: well conditioned, so
// Eigen's determinant is a trustworthy reference.
Eigen::MatrixXd randomMatrix(Eigen::Index rows, Eigen::Index cols, unsigned int seed) {
  RandomGeometry random{std::mt19937(seed)};
  return Eigen::MatrixXd::NullaryExpr(rows, cols, [&] { return random.value(-1, 1); }) +
         2 * Eigen::MatrixXd::Identity(rows, cols);
}

CtrvMat fromEigen(const Eigen::MatrixXd& e) {
  CtrvMat m(e.rows(), e.cols());
  Eigen::Map<RowMajor>(m.getAddress(), e.rows(), e.cols()) = e;
  return m;
}

// Same size and elements, reached both through the row table and through
// the element block.
void expectMatrix(const CtrvMat& m, const Eigen::MatrixXd& expected, double tolerance = 0.0) {
  ASSERT_TRUE(m.height() == expected.rows() && m.width() == expected.cols());
  const RowMajor block = Eigen::Map<const RowMajor>(m.getAddress(), m.height(), m.width());
  const RowMajor rows =
      RowMajor::NullaryExpr(m.height(), m.width(), [&](int i, int j) { return m(i, j); });
  EXPECT_TRUE(rows == block && ((block - expected).array().abs() <= tolerance).all());
}

TEST(CtrvMat, CopiesAreDeepAndAssignmentsSafe) {
  const Eigen::MatrixXd e = randomMatrix(2, 3, 1);
  CtrvMat m = fromEigen(e), copy(m);
  const double* block = m.getAddress();
  const CtrvMat& alias = m;
  m = copy;  // same size: copied in place
  m = alias;
  EXPECT_EQ(m.getAddress(), block);
  expectMatrix(m, e);
  copy = m = fromEigen(randomMatrix(7, 5, 2));  // other sizes, from temporaries
  expectMatrix(copy, randomMatrix(7, 5, 2));
}

TEST(CtrvMat, TransposeProductAndDeterminantAgreeWithEigen) {
  const Eigen::MatrixXd big = randomMatrix(17, 33, 5);
  expectMatrix(fromEigen(big).t(), big.transpose());
  expectMatrix(fromEigen(big) * fromEigen(big).t(), big * big.transpose(), 1e-12);
  expectMatrix(CtrvMat(2, 0) * CtrvMat(0, 3), Eigen::MatrixXd::Zero(2, 3));
  for (int order = 1; order <= 40; ++order) {
    const Eigen::MatrixXd m = randomMatrix(order, order, order);
    const double expected = m.partialPivLu().determinant();
    EXPECT_NEAR(fromEigen(m).det(), expected, 1e-11 * std::fabs(expected)) << order;
  }
  EXPECT_TRUE(CtrvMat(2, 3, 1.0).det() == 0.0 && CtrvMat(0, 0).det() == 0.0);
  Eigen::MatrixXd exchanged = Eigen::MatrixXd::Identity(5, 5);
  exchanged.row(0).swap(exchanged.row(3));
  CtrvMat swapped = fromEigen(exchanged);
  EXPECT_EQ(swapped.det(), -1.0);
  EXPECT_EQ(swapped(0, 3), 1.0);  // the elimination works on a copy
  swapped(0, 3) = -1e-5;          // a pivot must be strictly above 1e-5 in magnitude
  EXPECT_EQ(swapped.det(), 0.0);
  swapped(0, 3) = -2e-5;
  EXPECT_DOUBLE_EQ(swapped.det(), 2e-5);
}

}  // namespace
}  // namespace trvTest
