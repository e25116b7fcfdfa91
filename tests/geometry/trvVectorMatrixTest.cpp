// SPDX-License-Identifier: MIT
#include "geometry/trvGeometryTestSupport.h"

namespace trvTest {
namespace {

Mat4 rotationAbout(double x, double y, double z, double angle) {
  return Eigen::Affine3d(Eigen::AngleAxisd(angle, Vec3(x, y, z).normalized())).matrix();
}

TEST(CtrvVect3Mat4, ArithmeticRotationsAndRigidFramesAgreeWithEigen) {
  RandomGeometry random{std::mt19937(42)};
  for (int n = 0; n < 500; ++n) {
    const Mat4 ea = random.fill<Mat4>(10), eb = random.fill<Mat4>(10), rigid = random.rigid();
    const Eigen::Matrix3d block = ea.topLeftCorner<3, 3>();
    const Vec3 v = random.fill(10), w = random.fill(10);
    const double s = random.value(-7, 7), tilt = random.value(0.01, 0.05);
    SCOPED_TRACE(::testing::Message() << "draw " << n << " of seed 42\na =\n"
                                      << ea << "\nb =\n"
                                      << eb << "\nrigid =\n"
                                      << rigid << "\nv = " << v.transpose() << ", w = "
                                      << w.transpose() << ", s = " << s << ", tilt = " << tilt);
    const CtrvVect3 cv = fromEigen(v), cw = fromEigen(w);
    CtrvVect3 c = cv;
    EXPECT_LT(maxDiff((c -= cw) += (cv + cw) * s - cw / s, v - w + (v + w) * s - w / s), 1e-10);
    EXPECT_LT(maxDiff(cv * cw, v.cross(w)), 1e-10);
    const CtrvMat4 a = fromEigen(ea);
    EXPECT_LT(maxDiff((a + fromEigen(eb) * 2.0) -= a / 4.0, ea * 0.75 + eb * 2.0), 1e-12);
    EXPECT_LT(maxDiff(a * fromEigen(eb), ea * eb), 1e-12);
    EXPECT_EQ(maxDiff(a.t(), ea.transpose()), 0.0);
    EXPECT_LT(maxDiff(a * cv, block * v), 1e-12);  // a vector: no translation
    EXPECT_LT(maxDiff(a * CtrvPoint3(cv), block * v + ea.topRightCorner<3, 1>()), 1e-12);
    // Sarrus with its terms in a fixed order, reproduced to the last bit
    // (the Eigen sweep of CtrvMat checks the 3x3 formula against LU).
    EXPECT_EQ(a.det(), a(2, 1) * a(1, 0) * a(0, 2) + a(0, 0) * a(1, 1) * a(2, 2) +
                           a(2, 0) * a(0, 1) * a(1, 2) - a(2, 0) * a(1, 1) * a(0, 2) -
                           a(1, 0) * a(0, 1) * a(2, 2) - a(2, 1) * a(0, 0) * a(1, 2));
    CtrvMat4 m = fromEigen(rigid);
    EXPECT_LT(maxDiff(m.inverse(), rigid.inverse()), 1e-10);
    EXPECT_TRUE(m.isTransRot() && m.isTransRotOrSym());
    m.setColumnComponents(1, -m(0, 1), -m(1, 1), -m(2, 1), 0.0);  // mirror image
    EXPECT_TRUE(!m.isTransRot() && m.isTransRotOrSym());
    // Each builder replaces all sixteen elements.
    EXPECT_LT(maxDiff(m.rotate(v[0], v[1], v[2], s), rotationAbout(v[0], v[1], v[2], s)), 1e-12);
    EXPECT_LT(maxDiff(CtrvMat4(a).rotateX(s), rotationAbout(1, 0, 0, s)), 1e-14);
    EXPECT_LT(maxDiff(CtrvMat4(a).rotateY(s), rotationAbout(0, 1, 0, s)), 1e-14);
    EXPECT_LT(maxDiff(CtrvMat4(a).rotateZ(s), rotationAbout(0, 0, 1, s)), 1e-14);
    // Repair: tilt y towards x, stretch x and y, scramble z and the bottom row;
    // y keeps only its part perpendicular to x, so y and z shrink by cos(tilt).
    Mat4 drifted = rigid;
    drifted.col(1) = 1.02 * (std::cos(tilt) * rigid.col(1) + std::sin(tilt) * rigid.col(0));
    drifted.col(0) *= 0.97;
    drifted.col(2).head<3>() = w;
    drifted.row(3).setConstant(9.0);
    (m = fromEigen(drifted)).repair();
    Mat4 expected = rigid;
    expected.block<3, 2>(0, 1) *= std::cos(tilt);
    EXPECT_LT(maxDiff(m, expected), 1e-12);
  }
}

TEST(CtrvVect3Mat4, TolerancesAreAbsoluteInclusiveAndSeparateAndNaNNeverRejects) {
  const CtrvVect3 v(1, 2, 3), nan(kNaN, 2, 3);
  EXPECT_TRUE(v == CtrvVect3(1.0009, 2, 3) && v != CtrvVect3(1, 2, 3.0011));
  EXPECT_TRUE(nan == v && v == nan && nan != CtrvVect3(1, 5, 3));
  // The order is exact and lexicographic; unordered components count as equal.
  EXPECT_TRUE(v < CtrvVect3(1, 2, 3.0001) && !(CtrvVect3(1, 3, 0) < v) && nan < CtrvVect3(0, 3, 0));
  const CtrvMat4 zero(0.0);
  // Both bounds are inclusive and a NaN never rejects.
  EXPECT_TRUE(zero == CtrvMat4(0.001) && zero == CtrvMat4(-0.001) && zero == CtrvMat4(kNaN));
  for (int k = 0; k < 16; ++k) {  // every element counts
    CtrvMat4 b = zero;
    b(k / 4, k % 4) = k % 2 ? 0.0011 : -0.0011;
    EXPECT_TRUE(b != zero) << k;
  }
  // Too short an axis gives the identity.
  for (double x : {0.0, 0.001, kNaN})
    EXPECT_TRUE(toEigen(CtrvMat4(4.0).rotate(x, 0, 0, 1)) == Mat4::Identity()) << x;
  const double tilt = 0.0015, upright = std::sqrt(1 - tilt * tilt);
  // Rigidity: changes to the identity giving rows of other lengths or not
  // perpendicular, determinants near -1, other bottom rows.
  using Changes = std::vector<std::tuple<int, int, double>>;
  const std::tuple<Changes, bool, bool> cases[] = {
      {{{0, 0, 1.002}, {1, 1, 1 / 1.002}}, false, false},
      {{{1, 0, tilt}, {1, 1, upright}}, false, false},
      {{{2, 0, tilt}, {2, 2, upright}}, false, false},
      {{{2, 1, tilt}, {2, 2, upright}}, false, false},
      {{{2, 2, -1.0009}}, false, true},
      {{{2, 2, -1.0011}}, false, false},
      {{{3, 0, kNaN}, {3, 1, 0.001}, {0, 3, INFINITY}}, true, true},  // translation not examined
      {{{3, 2, -0.0011}}, false, false},
      {{{3, 3, 0.9989}}, false, false},
  };
  for (const auto& [changes, rotation, mirror] : cases) {
    CtrvMat4 m;
    for (const auto& [i, j, value] : changes) m(i, j) = value;
    EXPECT_TRUE(m.isTransRot() == rotation && m.isTransRotOrSym() == mirror) << toEigen(m);
  }
  CtrvMat4::tolerance(0.0001), CtrvVect3::tolerance(0.5);
  EXPECT_TRUE(CtrvVect3() == CtrvPoint3(0.5, -0.5, 0));  // shared with points
  EXPECT_TRUE(CtrvMat4(0.0) != CtrvMat4(0.0005) && CtrvMat4().rotate(0.0005, 0, 0, 1)(1, 1) != 1);
  CtrvMat4::tolerance(0.001);
  CtrvVect3::tolerance(0.001);
  // A frame from an x axis: z perpendicular to the axis of the smallest
  // component, ties going to the lower index.
  const std::pair<CtrvVect3, int> smallest[] = {
      {{0, 0, 2}, 0}, {{1, 1, 0}, 2}, {{2, -1, 1}, 1}, {{-3, -3, -3}, 0}};
  for (const auto& [x, k] : smallest) {
    const Vec3 u = toEigen(x).normalized(), z = u.cross(Vec3::Unit(k)).normalized();
    Mat4 expected = Mat4::Constant(7.0);  // the translation and the bottom row are kept
    expected.topLeftCorner<3, 3>() << u, z.cross(u), z;
    EXPECT_LT(maxDiff(CtrvMat4(7.0).setAsFrameWithXAxis(x), expected), 1e-15) << k;
  }
}

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
  const CtrvMat& alias = m;
  m = copy;  // same size: copied in place
  m = alias;
  expectMatrix(m, e);
  copy = m = fromEigen(randomMatrix(7, 5, 2));  // other sizes, from temporaries
  expectMatrix(copy, randomMatrix(7, 5, 2));
}

TEST(CtrvMat, TransposeProductAndDeterminantAgreeWithEigen) {
  const Eigen::MatrixXd big = randomMatrix(17, 33, 5);
  expectMatrix(fromEigen(big) * fromEigen(big).t(), big * big.transpose(), 1e-12);
  expectMatrix(CtrvMat(2, 0) * CtrvMat(0, 3), Eigen::MatrixXd::Zero(2, 3));
  for (int order = 1; order <= 40; ++order) {
    SCOPED_TRACE(::testing::Message() << "order " << order << ", drawn from seed " << order);
    const Eigen::MatrixXd m = randomMatrix(order, order, order);
    const double expected = m.partialPivLu().determinant();
    EXPECT_NEAR(fromEigen(m).det(), expected, 1e-11 * std::fabs(expected));
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
