#ifndef CTRV_MAT4_H
#define CTRV_MAT4_H

/// @file CtrvMat4.h
/// 4x4 double-precision homogeneous transformation matrix.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CtrvPoint3.h"
#include "CtrvVect3.h"
#include "trvExport.h"

/// Details of the inline operations of CtrvMat4; not an interface of their own.
namespace trvMat4Detail {

/// r = a * b for two row-major 4x4 blocks of doubles, r overlapping neither:
/// element (i, j) is a(i, 0)*b(0, j) + a(i, 1)*b(1, j) + a(i, 2)*b(2, j) +
/// a(i, 3)*b(3, j), added from left to right. The library picks the fastest
/// instructions of the processor when it is loaded; all give the same bits.
TRV_API void product(const double* a, const double* b, double* r);

}  // namespace trvMat4Detail

/// A 4x4 homogeneous transformation of doubles, applied to column vectors
/// on the right: M*p. For a rigid transform the upper-left 3x3 block is the
/// rotation (its columns are the images of the x, y and z axes), column 3
/// holds the translation and the bottom row is (0, 0, 0, 1); A*B applies B
/// first, then A. Angles are in radians.
///
/// The 16 elements are stored inline in row-major order: element (i, j) is
/// at position 4*i + j. No operation allocates, none validates an index and
/// none reports a failure: degenerate input gives non-finite elements.
///
/// operator==(), rotate() and the rigidity tests read a process-wide
/// tolerance (initially 0.001), separate from the vector tolerance and not
/// synchronised.
class TRV_API CtrvMat4 {
 public:
  /// The identity.
  constexpr CtrvMat4() : m_e{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
  /// Every element equal to v.
  CtrvMat4(double v) { fill(v); }
  /// Element (i, j) = m[i][j].
  CtrvMat4(const double m[4][4]) { assign(m); }
  /// Copies the 16 elements.
  constexpr CtrvMat4(const CtrvMat4& other) = default;
  /// Copies the 16 elements. @return this matrix.
  CtrvMat4& operator=(const CtrvMat4& other) = default;
  /// Sets every element to v. @return this matrix.
  CtrvMat4& operator=(double v) {
    fill(v);
    return *this;
  }
  /// Element (i, j) = m[i][j]. @return this matrix.
  CtrvMat4& operator=(const double m[4][4]) {
    assign(m);
    return *this;
  }
  /// Destroys the matrix; nothing else to release.
  virtual ~CtrvMat4() = default;

  /// Becomes the identity.
  void identity() { *this = CtrvMat4(); }
  /// Sets every element to 0.0.
  void zero() { fill(0.0); }
  /// Sets every element to 1.0.
  void one() { fill(1.0); }

  /// Value of element (i, j), both counted from 0.
  double operator()(int i, int j) const { return m_e[4 * i + j]; }
  /// Element (i, j), both counted from 0.
  double& operator()(int i, int j) { return m_e[4 * i + j]; }
  /// Value of element (i, j), both counted from 0.
  double getComponent(int i, int j) const { return m_e[4 * i + j]; }
  /// Sets element (i, j), both counted from 0, to v.
  void setComponent(int i, int j, double v) { m_e[4 * i + j] = v; }
  /// Row i, counted from 0, becomes (a, b, c, d).
  void setRowComponents(int i, double a, double b, double c, double d) {
    double* row = m_e + 4 * i;
    row[0] = a;
    row[1] = b;
    row[2] = c;
    row[3] = d;
  }
  /// Column j, counted from 0, becomes (a, b, c, d) from top to bottom.
  void setColumnComponents(int j, double a, double b, double c, double d) {
    m_e[j] = a;
    m_e[4 + j] = b;
    m_e[8 + j] = c;
    m_e[12 + j] = d;
  }
  /// Row i, counted from 1 (1 to 4), becomes (a, b, c, d).
  void setRow(int i, double a, double b, double c, double d) {
    setRowComponents(i - 1, a, b, c, d);
  }
  /// Column j, counted from 1 (1 to 4), becomes (a, b, c, d); setColumn(4, ...)
  /// sets the translation column.
  void setColumn(int j, double a, double b, double c, double d) {
    setColumnComponents(j - 1, a, b, c, d);
  }
  /// The 16 elements in row-major order.
  const void* getAddress() const { return m_e; }

  /// Element-wise sum.
  CtrvMat4 operator+(const CtrvMat4& b) const {
    CtrvMat4 r(*this);
    return r += b;
  }
  /// Adds b element-wise. @return this matrix.
  CtrvMat4& operator+=(const CtrvMat4& b) {
    for (int k = 0; k < 16; ++k) m_e[k] += b.m_e[k];
    return *this;
  }
  /// Subtracts b element-wise. @return this matrix.
  CtrvMat4& operator-=(const CtrvMat4& b) {
    for (int k = 0; k < 16; ++k) m_e[k] -= b.m_e[k];
    return *this;
  }
  /// Every element, the bottom row included, times s.
  CtrvMat4 operator*(double s) const {
    CtrvMat4 r(Uninitialized{});
    for (int k = 0; k < 16; ++k) r.m_e[k] = m_e[k] * s;
    return r;
  }
  /// Every element, the bottom row included, divided by s.
  CtrvMat4 operator/(double s) const {
    CtrvMat4 r(Uninitialized{});
    for (int k = 0; k < 16; ++k) r.m_e[k] = m_e[k] / s;
    return r;
  }
  /// The full 4x4 product (this matrix)*b: element (i, j) is the sum over k
  /// of this(i, k)*b(k, j), added in ascending k.
  CtrvMat4 operator*(const CtrvMat4& b) const {
    CtrvMat4 r(Uninitialized{});
    trvMat4Detail::product(m_e, b.m_e, r.m_e);
    return r;
  }
  /// v transformed by the 3x3 block only (no translation).
  CtrvVect3 operator*(const CtrvVect3& v) const {
    return CtrvVect3(rowTimes(0, v), rowTimes(1, v), rowTimes(2, v));
  }
  /// p transformed by the 3x3 block plus the translation; the bottom row is
  /// not used and there is no homogeneous division.
  CtrvPoint3 operator*(const CtrvPoint3& p) const {
#if defined(__SSE2__)
    return timesPointSse(p);
#else
    return CtrvPoint3(rowTimes(0, p) + m_e[3], rowTimes(1, p) + m_e[7], rowTimes(2, p) + m_e[11]);
#endif
  }
  /// The transpose.
  CtrvMat4 t() const {
    CtrvMat4 r(Uninitialized{});
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) r.m_e[4 * j + i] = m_e[4 * i + j];
    }
    return r;
  }
  /// The inverse of a rigid transform: rotation block transposed, translation
  /// -R^T*t, bottom row (0, 0, 0, 1). Computed this way for any matrix, so it
  /// is the true inverse only when the 3x3 block is orthonormal.
  CtrvMat4 inverse() const {
    CtrvMat4 r;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) r.m_e[4 * i + j] = m_e[4 * j + i];
    }
    const double t0 = m_e[3], t1 = m_e[7], t2 = m_e[11];
    for (int i = 0; i < 3; ++i) {
      r.m_e[4 * i + 3] = -(m_e[i] * t0 + m_e[4 + i] * t1 + m_e[8 + i] * t2);
    }
    return r;
  }
  /// The determinant of the upper-left 3x3 block (rule of Sarrus).
  double det() const {
    const double* m = m_e;
    // m[4*i + j] is element (i, j).
    return m[9] * m[4] * m[2] + m[0] * m[5] * m[10] + m[8] * m[1] * m[6] - m[8] * m[5] * m[2] -
           m[4] * m[1] * m[10] - m[9] * m[0] * m[6];
  }
  /// Equality within the matrix tolerance, element by element with
  /// inclusive absolute bounds; a NaN element never makes them unequal.
  bool operator==(const CtrvMat4& b) const;
  /// The negation of operator==().
  bool operator!=(const CtrvMat4& b) const { return !(*this == b); }

  /// The translation column (elements (0, 3), (1, 3), (2, 3)).
  CtrvVect3 translation() const { return column(3); }
  /// Column 0 of the 3x3 block: the image of the x axis.
  CtrvVect3 xAxis() const { return column(0); }
  /// Column 1 of the 3x3 block: the image of the y axis.
  CtrvVect3 yAxis() const { return column(1); }
  /// Column 2 of the 3x3 block: the image of the z axis.
  CtrvVect3 zAxis() const { return column(2); }

  /// Becomes the translation by (x, y, z). Like every builder, it replaces
  /// all 16 elements rather than multiplying the matrix. @return this matrix.
  const CtrvMat4& translate(double x, double y, double z);
  /// Becomes the rotation by a radians about the x axis. @return this matrix.
  const CtrvMat4& rotateX(double a);
  /// Becomes the rotation by a radians about the y axis. @return this matrix.
  const CtrvMat4& rotateY(double a);
  /// Becomes the rotation by a radians about the z axis. @return this matrix.
  const CtrvMat4& rotateZ(double a);
  /// Becomes the rotation by angle radians, counter-clockwise about the axis
  /// (x, y, z), which need not be of unit length. An axis no longer than the
  /// matrix tolerance (or with a NaN length) gives the identity.
  /// @return this matrix.
  const CtrvMat4& rotate(double x, double y, double z, double angle);

  /// Whether the matrix is a proper rotation plus a translation within the
  /// tolerance: bottom row (0, 0, 0, 1), rows of the 3x3 block of unit
  /// length and perpendicular, determinant 1. The translation is not examined.
  bool isTransRot() const;
  /// As isTransRot(), but a mirror image (determinant -1) also passes.
  bool isTransRotOrSym() const;
  /// Rebuilds the 3x3 block from its x and y columns after numerical drift:
  /// x normalised, y made perpendicular to it, z = x cross y; the translation
  /// is kept and the bottom row becomes (0, 0, 0, 1). y is not normalised
  /// after being made perpendicular, so its length is the sine of the angle
  /// the two columns had.
  void repair();
  /// Replaces the 3x3 block by a right-handed orthonormal frame whose x axis
  /// is the direction of x; the translation column and bottom row are kept.
  /// A zero x gives non-finite elements. @return this matrix.
  const CtrvMat4& setAsFrameWithXAxis(const CtrvVect3& x);

  /// The matrix tolerance (initially 0.001).
  static double tolerance();
  /// Replaces the matrix tolerance for all later uses in the process.
  static void tolerance(double value);

 private:
  struct Uninitialized {};
  /// Leaves the elements for the caller to write.
  explicit CtrvMat4(Uninitialized) {}

  void fill(double v) {
    for (double& e : m_e) e = v;
  }
  void assign(const double m[4][4]) {
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) m_e[4 * i + j] = m[i][j];
    }
  }
#if defined(__SSE2__)
  // The vector form below gives bit for bit the scalar result: each lane
  // adds its products in the order of the scalar formula, and SSE2 double
  // arithmetic rounds as scalar double arithmetic does.

  // The products of each row are taken two at a time: (x, y) times the
  // first two elements, and z times the third with the translation kept
  // beside it (a multiplication of the low lane only). The first two rows
  // then sum in the two lanes of a register, after their products are
  // regrouped by unpacking; the third row sums its lanes one after the
  // other. The aligned loads and the operand order let the compiler use
  // memory operands and spare register copies.
  CtrvPoint3 timesPointSse(const CtrvPoint3& p) const {
    const __m128d xy = _mm_loadu_pd(&p[0]);
    const __m128d z = _mm_load_sd(&p[2]);
    const __m128d row0Left = _mm_mul_pd(_mm_load_pd(m_e), xy);
    const __m128d row1Left = _mm_mul_pd(_mm_load_pd(m_e + 4), xy);
    const __m128d row2Left = _mm_mul_pd(xy, _mm_load_pd(m_e + 8));
    const __m128d row0Right = _mm_mul_sd(_mm_load_pd(m_e + 2), z);
    const __m128d row1Right = _mm_mul_sd(_mm_load_pd(m_e + 6), z);
    const __m128d row2Third = _mm_mul_sd(z, _mm_load_sd(m_e + 10));
    __m128d sum =
        _mm_add_pd(_mm_unpacklo_pd(row0Left, row1Left), _mm_unpackhi_pd(row0Left, row1Left));
    sum = _mm_add_pd(sum, _mm_unpacklo_pd(row0Right, row1Right));
    sum = _mm_add_pd(sum, _mm_unpackhi_pd(row0Right, row1Right));
    // The high lane of row2Left moved to the low one by an integer shuffle,
    // which, unlike unpacking, needs no copy of its operand.
    const __m128d row2Second =
        _mm_castsi128_pd(_mm_shuffle_epi32(_mm_castpd_si128(row2Left), _MM_SHUFFLE(3, 2, 3, 2)));
    __m128d third = _mm_add_sd(row2Left, row2Second);
    third = _mm_add_sd(third, row2Third);
    double first[2];
    _mm_storeu_pd(first, sum);
    return CtrvPoint3(first[0], first[1], _mm_cvtsd_f64(third) + m_e[11]);
  }
#endif
  double rowTimes(int i, const CtrvVect3& v) const {
    const double* row = m_e + 4 * i;
    return row[0] * v[0] + row[1] * v[1] + row[2] * v[2];
  }
  CtrvVect3 column(int j) const { return CtrvVect3(m_e[j], m_e[4 + j], m_e[8 + j]); }
  void setColumn3(int j, const CtrvVect3& v) {
    m_e[j] = v[0];
    m_e[4 + j] = v[1];
    m_e[8 + j] = v[2];
  }

  // On a 16-byte boundary (after the vtable pointer and 8 bytes of padding),
  // so no pair of elements loaded together straddles two cache lines.
  alignas(16) double m_e[16];

  static double s_tolerance;
};

/// The identity, valid before any code runs.
extern TRV_API CtrvMat4 trvDefaultMat4;

#endif
