// SPDX-License-Identifier: MIT
#ifndef CTRV_QUATF_H
#define CTRV_QUATF_H

/// @file CtrvQuatF.h
/// Single-precision quaternion for compact rotations.

#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CtrvMat4.h"
#include "CtrvVect3.h"
#include "trvExport.h"

/// A quaternion w + x*i + y*j + z*k of floats, representing a rotation when
/// its magnitude is 1. Its conventions follow CtrvMat4: the quaternion of
/// the angle a about z has the matrix of CtrvMat4::rotateZ(a), and the
/// matrix of a product is the product of the matrices. Nothing normalises
/// unless stated, and nothing reports a failure.
///
/// Values are computed in double precision from their double or float
/// operands and rounded to float where stated, each before further use.
class TRV_API CtrvQuatF {
 public:
  /// The identity rotation (w, x, y, z) = (1, 0, 0, 0).
  constexpr CtrvQuatF() : m_w(1.0f), m_x(0.0f), m_y(0.0f), m_z(0.0f) {}
  /// The rotation by angle radians about the axis (ax, ay, az):
  /// (cos h, sin h * axis) with h = angle / 2. The axis is used as given, so
  /// the result has magnitude 1 only for a unit axis.
  CtrvQuatF(float angle, float ax, float ay, float az) {
    const float h = angle * 0.5f;
    const float sn = toFloat(std::sin(static_cast<double>(h)));
    m_w = toFloat(std::cos(static_cast<double>(h)));
    m_x = sn * ax;
    m_y = sn * ay;
    m_z = sn * az;
  }
  /// The pure quaternion (0, v) with the components of v rounded to float.
  CtrvQuatF(const CtrvVect3& v)
      : m_w(0.0f), m_x(toFloat(v[0])), m_y(toFloat(v[1])), m_z(toFloat(v[2])) {}
  /// The normalised quaternion of the rotation block of m; the translation
  /// column and the bottom row are ignored.
  CtrvQuatF(const CtrvMat4& m) {
    setFromRotationBlock(m);
    normalize();
  }

  /// The scalar part.
  float w() const { return m_w; }
  /// The i component.
  float x() const { return m_x; }
  /// The j component.
  float y() const { return m_y; }
  /// The k component.
  float z() const { return m_z; }
  /// Sets the four fields; note that the scalar part w comes last.
  void setValues(float x, float y, float z, float w) {
    m_w = w;
    m_x = x;
    m_y = y;
    m_z = z;
  }
  /// v becomes the vector part (x, y, z).
  void getVector(CtrvVect3& v) const { v.setValue(m_x, m_y, m_z); }

  /// The magnitude sqrt(w^2 + x^2 + y^2 + z^2): the sum is rounded to float,
  /// then its square root.
  float magnitude() const {
    const double w = m_w, x = m_x, y = m_y, z = m_z;
    return std::sqrt(toFloat(w * w + x * x + y * y + z * z));
  }
  /// Divides the quaternion by its magnitude; a magnitude below 1e-6 is
  /// taken as 1, so a (nearly) zero quaternion is left unchanged.
  void normalize() {
    float mg = magnitude();
    // 1e-6f is the largest float below 1e-6: for a float, at most 1e-6f is
    // the same as below 1e-6, and compares without a conversion to double.
    if (mg <= 1e-6f) mg = 1.0f;
    const float r = 1.0f / mg;
    m_w *= r;
    m_x *= r;
    m_y *= r;
    m_z *= r;
  }

  /// Exact equality of the four fields; a NaN field is never equal.
  bool operator==(const CtrvQuatF& q) const {
    return m_x == q.m_x && m_y == q.m_y && m_z == q.m_z && m_w == q.m_w;
  }
  /// The Hamilton product (this quaternion)*q, whose rotation applies q
  /// first, in single precision:
  /// w = pw*qw - (px*qx + py*qy + pz*qz),
  /// x = pw*qx + px*qw + py*qz - pz*qy,
  /// y = pw*qy - px*qz + py*qw + pz*qx,
  /// z = pw*qz + px*qy - py*qx + pz*qw, each evaluated from left to right.
  CtrvQuatF operator*(const CtrvQuatF& q) const {
#if defined(__SSE2__)
    return productSse(q);
#else
    return CtrvQuatF(m_w * q.m_w - (m_x * q.m_x + m_y * q.m_y + m_z * q.m_z),
                     m_w * q.m_x + m_x * q.m_w + m_y * q.m_z - m_z * q.m_y,
                     m_w * q.m_y - m_x * q.m_z + m_y * q.m_w + m_z * q.m_x,
                     m_w * q.m_z + m_x * q.m_y - m_y * q.m_x + m_z * q.m_w, Fields{});
#endif
  }
  /// The conjugate (w, -x, -y, -z).
  CtrvQuatF conj() const { return CtrvQuatF(m_w, -m_x, -m_y, -m_z, Fields{}); }

  /// Writes the rotation matrix of this quaternion, assumed of magnitude 1,
  /// into all 16 elements of m (translation zero, bottom row (0, 0, 0, 1)).
  void toMatrix(CtrvMat4& m) const {
    const double w = m_w, x = m_x, y = m_y, z = m_z;
    m.setRowComponents(0, 1.0 - 2.0 * y * y - 2.0 * z * z, 2.0 * x * y - 2.0 * w * z,
                       2.0 * x * z + 2.0 * w * y, 0.0);
    m.setRowComponents(1, 2.0 * x * y + 2.0 * w * z, 1.0 - 2.0 * x * x - 2.0 * z * z,
                       2.0 * y * z - 2.0 * w * x, 0.0);
    m.setRowComponents(2, 2.0 * x * z - 2.0 * w * y, 2.0 * w * x + 2.0 * y * z,
                       1.0 - 2.0 * x * x - 2.0 * y * y, 0.0);
    m.setRowComponents(3, 0.0, 0.0, 0.0, 1.0);
  }

 private:
  struct Fields {};
  constexpr CtrvQuatF(float w, float x, float y, float z, Fields)
      : m_w(w), m_x(x), m_y(y), m_z(z) {}

  static float toFloat(double v) { return static_cast<float>(v); }

#if defined(__SSE2__)
  // The product of operator*() with the four components in the lanes
  // (w, x, y, z), bit for bit the same, signed zeros included: lane by lane
  // the terms are combined in the order of the scalar formulas, and a
  // subtracted term is added negated, which IEEE arithmetic defines as the
  // same operation. The w lane sums its three products first and takes the
  // sum from pw*qw in the last step, where the other lanes take their
  // fourth term.
  CtrvQuatF productSse(const CtrvQuatF& q) const {
    float pf[4];
    float qf[4];
    std::memcpy(pf, this, sizeof pf);
    std::memcpy(qf, &q, sizeof qf);
    const __m128 p4 = _mm_loadu_ps(pf);
    const __m128 q4 = _mm_loadu_ps(qf);
    const __m128 t1 = _mm_mul_ps(lanes<1, 0, 0, 0>(p4), lanes<1, 1, 2, 3>(q4));
    const __m128 t2 = _mm_mul_ps(lanes<2, 1, 1, 1>(p4), lanes<2, 0, 3, 2>(q4));
    const __m128 t3 = _mm_mul_ps(lanes<3, 2, 2, 2>(p4), lanes<3, 3, 0, 1>(q4));
    const __m128 t4 = _mm_mul_ps(lanes<0, 3, 3, 3>(p4), lanes<0, 2, 1, 0>(q4));
    __m128 sum = _mm_add_ps(t1, _mm_xor_ps(t2, signs(false, false, true, false)));
    sum = _mm_add_ps(sum, _mm_xor_ps(t3, signs(false, false, false, true)));
    const __m128 minuend = _mm_move_ss(sum, t4);
    const __m128 subtrahend = _mm_move_ss(_mm_xor_ps(t4, signs(false, false, true, true)), sum);
    const __m128 result = _mm_sub_ps(minuend, subtrahend);
    float r[4];
    _mm_storeu_ps(r, result);
    return CtrvQuatF(r[0], r[1], r[2], r[3], Fields{});
  }
  // Lanes (a, b, c, d) of v, lane 0 first.
  template <int a, int b, int c, int d>
  static __m128 lanes(__m128 v) {
    return _mm_castsi128_ps(_mm_shuffle_epi32(_mm_castps_si128(v), _MM_SHUFFLE(d, c, b, a)));
  }
  // A mask that flips the sign of the lanes marked true, lane 0 first.
  static __m128 signs(bool a, bool b, bool c, bool d) {
    const float m = -0.0f;
    return _mm_setr_ps(a ? m : 0.0f, b ? m : 0.0f, c ? m : 0.0f, d ? m : 0.0f);
  }
#endif

  // Arithmetic whose operands are floats is done in float: for one
  // operation that rounds exactly as computing in double and rounding to
  // float would. Sums involving double matrix elements are done in double
  // and rounded at each step.
  void setFromRotationBlock(const CtrvMat4& m) {
    const double m00 = m(0, 0), m11 = m(1, 1), m22 = m(2, 2);
    const float trace = toFloat(toFloat(toFloat(m00 + m11) + m22) + 1.0);
    if (trace > 0.001f) {
      const float sr = std::sqrt(trace);
      const float r = 0.5f / sr;
      m_w = 0.5f * sr;
      m_x = toFloat(m(2, 1) - m(1, 2)) * r;
      m_y = toFloat(m(0, 2) - m(2, 0)) * r;
      m_z = toFloat(m(1, 0) - m(0, 1)) * r;
    } else if (m00 > m11 && m00 > m22) {
      const float sr = std::sqrt(toFloat(toFloat(toFloat(1.0 + m00) - m11) - m22));
      const float r = 0.5f / sr;
      m_x = 0.5f * sr;
      m_y = toFloat(m(1, 0) + m(0, 1)) * r;
      m_z = toFloat(m(2, 0) + m(0, 2)) * r;
      m_w = toFloat(m(2, 1) - m(1, 2)) * r;
    } else if (m11 > m22) {
      const float sr = std::sqrt(toFloat(toFloat(toFloat(1.0 + m11) - m00) - m22));
      const float r = 0.5f / sr;
      m_x = toFloat(m(1, 0) + m(0, 1)) * r;
      m_y = 0.5f * sr;
      m_z = toFloat(m(2, 1) + m(1, 2)) * r;
      m_w = toFloat(m(0, 2) - m(2, 0)) * r;
    } else {
      const float sr = std::sqrt(toFloat(toFloat(toFloat(1.0 + m22) - m00) - m11));
      const float r = 0.5f / sr;
      m_x = toFloat(m(2, 0) + m(0, 2)) * r;
      m_y = toFloat(m(2, 1) + m(1, 2)) * r;
      m_z = 0.5f * sr;
      m_w = toFloat(m(1, 0) - m(0, 1)) * r;
    }
  }

  // Aligned as one 16-byte block, so the four fields load as one.
  alignas(16) float m_w;
  float m_x;
  float m_y;
  float m_z;
};

#endif
