#include <cstring>

#include "geometry/trvGeometryTestSupport.h"

namespace trvTest {
namespace {

CtrvQuatF quat(float w, float x, float y, float z) {
  CtrvQuatF q;
  q.setValues(x, y, z, w);  // the scalar part comes last
  return q;
}

Eigen::Vector4d wxyz(const CtrvQuatF& q) { return Eigen::Vector4d(q.w(), q.x(), q.y(), q.z()); }

// Equal to the last bit, signed zeros included: the four float fields as stored.
bool identical(const CtrvQuatF& a, const CtrvQuatF& b) { return !std::memcmp(&a, &b, sizeof a); }

CtrvMat4 matrixOf(const CtrvQuatF& q) {
  CtrvMat4 m(5.0);
  q.toMatrix(m);
  return m;
}

float single(double v) { return static_cast<float>(v); }

TEST(CtrvQuatF, MatrixConversionsAgreeWithEigenAndWithTheProduct) {
  RandomGeometry random{std::mt19937(37)};
  for (int n = 0; n < 1000; ++n) {
    const Vec3 axis = random.fill(1).normalized();
    const float a = single(random.value(-3.1, 3.1));
    const CtrvQuatF q(a, axis[0], axis[1], axis[2]), aboutZ(a, 0, 0, 1);
    EXPECT_LT(maxDiff(matrixOf(q), Eigen::Affine3d(Eigen::AngleAxisd(a, axis)).matrix()), 2e-6);
    EXPECT_TRUE(matrixOf(aboutZ) == CtrvMat4().rotateZ(a));
    EXPECT_TRUE(matrixOf(q * aboutZ) == matrixOf(q) * matrixOf(aboutZ));  // q * p applies p first
    Mat4 e = random.rigid();
    const CtrvQuatF fromMatrix(fromEigen(e));
    e.col(3) << 0, 0, 0, 1;  // the translation is ignored
    // Near a half turn the trace, summed in single precision, loses digits.
    EXPECT_LT(maxDiff(matrixOf(fromMatrix), e), 5e-5);
  }
}

CtrvMat4 withBlock(double m00, double m01, double m11, double m22) {
  CtrvMat4 m;
  m(0, 0) = m00, m(0, 1) = m01, m(1, 1) = m11, m(2, 2) = m22;
  return m;
}

TEST(CtrvQuatF, AHalfTurnTiesAndTheTraceThresholdPickTheBranch) {
  const double n = std::sqrt(0.625), z = std::sqrt(1.5) / 2, w = -0.5 / std::sqrt(1.5);
  // trace + 1 is a multiple of 2^-24 near the threshold.
  const double step = std::ldexp(1.0, -24), below = std::floor(0.001 / step) * step;
  const std::pair<CtrvMat4, Eigen::Vector4d> cases[] = {
      {withBlock(1, 0, -1, -1), {0, 1, 0, 0}},
      // Each branch gives another answer here: a tie of the first two
      // diagonal elements takes the y branch, three equal ones the z branch.
      {withBlock(0, 1, 0, -1), {0, std::sqrt(0.125) / n, std::sqrt(0.5) / n, 0}},
      {withBlock(-0.5, 1, -0.5, -0.5), Eigen::Vector4d(w, 0, 0, z) / std::hypot(z, w)},
      {withBlock(0, 0, 0, below + step - 1), {1, 0, 0, 0}},  // the threshold is exclusive
      {withBlock(0, 0, 0, below - 1), {0, 0, 1, 0}},
  };
  for (const auto& [m, expected] : cases) {
    EXPECT_LT((wxyz(CtrvQuatF(m)) - expected).cwiseAbs().maxCoeff(), 1e-7) << toEigen(m);
  }
}

// The product and each stated intermediate are fixed to the last bit,
// whatever instructions compute them: float operations on floats, other
// values computed in double and stored as floats.
TEST(CtrvQuatF, ArithmeticIsRoundedToFloatStepByStep) {
  RandomGeometry random{std::mt19937(43)};
  const float exact[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 3.0f};  // cancel to signed zeros
  for (int n = 0; n < 2000; ++n) {
    const auto pick = [&] { return n % 2 ? single(random.value(-2, 2)) : exact[n % 12 / 2]; };
    const float pw = pick(), px = pick(), py = pick(), pz = pick(), qw = pick(), qx = pick(),
                qy = pick(), qz = pick();
    EXPECT_TRUE(identical(
        quat(pw, px, py, pz) * quat(qw, qx, qy, qz),
        quat(pw * qw - (px * qx + py * qy + pz * qz), pw * qx + px * qw + py * qz - pz * qy,
             pw * qy - px * qz + py * qw + pz * qx, pw * qz + px * qy - py * qx + pz * qw)));
    const double h = single(pw * 0.5f), sn = single(std::sin(h));
    const CtrvQuatF q(pw, px, qx, qy);
    EXPECT_TRUE(identical(q, quat(single(std::cos(h)), sn * px, sn * qx, sn * qy)));
    const double w = q.w(), x = q.x(), y = q.y(), z = q.z();
    EXPECT_EQ(q.magnitude(), std::sqrt(single(w * w + x * x + y * y + z * z)));
    // From a matrix: the first branch, then the normalisation.
    const Mat4 e = random.rigid();
    const float t = single(single(single(e(0, 0) + e(1, 1)) + e(2, 2)) + 1.0);
    if (t <= 0.001f) continue;
    const double sr = single(std::sqrt(static_cast<double>(t))), r = single(0.5 / sr);
    CtrvQuatF expected =
        quat(single(0.5 * sr), single(single(e(2, 1) - e(1, 2)) * r),
             single(single(e(0, 2) - e(2, 0)) * r), single(single(e(1, 0) - e(0, 1)) * r));
    const double inverse = single(1.0 / expected.magnitude());
    expected = quat(expected.w() * inverse, expected.x() * inverse, expected.y() * inverse,
                    expected.z() * inverse);
    EXPECT_TRUE(CtrvQuatF(fromEigen(e)) == expected);
  }
}

}  // namespace
}  // namespace trvTest
