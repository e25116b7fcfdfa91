// SPDX-License-Identifier: MIT
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

TEST(CtrvQuatF, AHalfTurnTiesAndTheTraceThresholdPickTheBranch) {
  const double n = std::sqrt(0.625), z = std::sqrt(1.5) / 2, w = -0.5 / std::sqrt(1.5);
  // trace + 1 is a multiple of 2^-24 near the threshold.
  const double step = std::ldexp(1.0, -24), below = std::floor(0.001 / step) * step;
  // Elements (0, 0), (0, 1), (1, 1) and (2, 2) of the block, and the quaternion (w, x, y, z).
  const std::pair<Eigen::Vector4d, Eigen::Vector4d> cases[] = {
      {{1, 0, -1, -1}, {0, 1, 0, 0}},
      // Each branch gives another answer here: a tie of the first two
      // diagonal elements takes the y branch, three equal ones the z branch.
      {{0, 1, 0, -1}, {0, std::sqrt(0.125) / n, std::sqrt(0.5) / n, 0}},
      {{-0.5, 1, -0.5, -0.5}, Eigen::Vector4d(w, 0, 0, z) / std::hypot(z, w)},
      {{0, 0, 0, below + step - 1}, {1, 0, 0, 0}},  // the threshold is exclusive
      {{0, 0, 0, below - 1}, {0, 0, 1, 0}},
  };
  for (const auto& [block, expected] : cases) {
    CtrvMat4 m;
    m(0, 0) = block[0], m(0, 1) = block[1], m(1, 1) = block[2], m(2, 2) = block[3];
    EXPECT_LT((wxyz(CtrvQuatF(m)) - expected).cwiseAbs().maxCoeff(), 1e-7) << block;
  }
}

// The product and each stated intermediate are fixed to the last bit,
// whatever instructions compute them: float operations on floats, other
// values computed in double and stored as floats.
TEST(CtrvQuatF, ArithmeticIsRoundedStepByStepAndAgreesWithEigen) {
  RandomGeometry random{std::mt19937(43)};
  const float exact[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 3.0f};  // cancel to signed zeros
  for (int n = 0; n < 2000; ++n) {
    const auto pick = [&] { return n % 2 ? single(random.value(-2, 2)) : exact[random.rng() % 6]; };
    const float pw = pick(), px = pick(), py = pick(), pz = pick(), qw = pick(), qx = pick(),
                qy = pick(), qz = pick();
    const Vec3 axis = random.fill(1).normalized();
    const Mat4 e = random.rigid();
    SCOPED_TRACE(::testing::Message()
                 << "draw " << n << " of seed 43: p = (" << pw << ", " << px << ", " << py << ", "
                 << pz << "), q = (" << qw << ", " << qx << ", " << qy << ", " << qz
                 << "), axis = " << axis.transpose() << ", rigid =\n"
                 << e);
    EXPECT_TRUE(identical(
        quat(pw, px, py, pz) * quat(qw, qx, qy, qz),
        quat(pw * qw - (px * qx + py * qy + pz * qz), pw * qx + px * qw + py * qz - pz * qy,
             pw * qy - px * qz + py * qw + pz * qx, pw * qz + px * qy - py * qx + pz * qw)));
    const double h = single(pw * 0.5f), sn = single(std::sin(h));
    const CtrvQuatF q(pw, px, qx, qy), aboutZ(pw, 0, 0, 1);
    EXPECT_TRUE(identical(q, quat(single(std::cos(h)), sn * px, sn * qx, sn * qy)));
    const double w = q.w(), x = q.x(), y = q.y(), z = q.z();
    EXPECT_EQ(q.magnitude(), std::sqrt(single(w * w + x * x + y * y + z * z)));
    // The matrices agree with Eigen's; the matrix of p * q is P * Q, applying q first.
    const CtrvQuatF unit(pw, axis[0], axis[1], axis[2]);
    EXPECT_LT(maxDiff(matrixOf(unit), Eigen::Affine3d(Eigen::AngleAxisd(pw, axis)).matrix()), 2e-6);
    EXPECT_TRUE(matrixOf(unit * aboutZ) == matrixOf(unit) * matrixOf(aboutZ));
    Mat4 rotation = e;
    rotation.col(3) << 0, 0, 0, 1;  // the translation is ignored
    // Near a half turn the trace, summed in single precision, loses digits.
    EXPECT_LT(maxDiff(matrixOf(CtrvQuatF(fromEigen(e))), rotation), 5e-5);
    // From a matrix: the first branch, then the normalisation.
    const float t = single(single(single(e(0, 0) + e(1, 1)) + e(2, 2)) + 1.0);
    if (t <= 0.001f) continue;
    const float sr = std::sqrt(t), r = 0.5f / sr;
    CtrvQuatF expected = quat(0.5f * sr, single(e(2, 1) - e(1, 2)) * r,
                              single(e(0, 2) - e(2, 0)) * r, single(e(1, 0) - e(0, 1)) * r);
    expected.normalize();
    EXPECT_TRUE(CtrvQuatF(fromEigen(e)) == expected);
  }
}

TEST(CtrvQuatF, NormalisationLeavesAQuaternionBelowAMagnitudeOf1eMinus6Unchanged) {
  // The floats on either side of 1e-6 (which no float equals).
  for (const float w : {1e-6f, std::nextafter(1e-6f, 1.0f), 2e-6f}) {
    CtrvQuatF q = quat(w, 0.0f, 0.0f, 0.0f);
    const float mg = q.magnitude();
    q.normalize();
    const float r = mg < 1e-6 ? 1.0f : 1.0f / mg;
    EXPECT_TRUE(identical(q, quat(w * r, 0.0f, 0.0f, 0.0f))) << w;
    EXPECT_EQ(q.w() == w, mg < 1e-6) << w;
  }
}

}  // namespace
}  // namespace trvTest
