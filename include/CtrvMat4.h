// SPDX-License-Identifier: MIT
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

#if defined(__SSE2__)
/// The image of the point p (3 doubles) under the row-major 4x4 block m (on
/// a 16-byte boundary): coordinates 0 and 1 in the lanes of rows01, 2 in the
/// low lane of row2. Coordinate i is ((m(i, 0)*p0 + m(i, 1)*p1) + m(i, 2)*p2)
/// + m(i, 3), as scalar arithmetic rounds it: each lane adds its products in
/// that order (a sum of two is the same in either order), and SSE2 rounds as
/// scalar double arithmetic does.
///
/// The products of a row are taken two at a time: (p0, p1) times the first
/// two elements, and p2 times the third with the translation kept beside it
/// in the same register (a multiplication of the low lane only). Rows 0 and
/// 1 then sum in the two lanes of a register, after their products are
/// regrouped by unpacking; row 2 sums its lanes one after the other.
inline void timesPointSse2(const double* m, const double* p, __m128d& rows01, __m128d& row2) {
  const __m128d xy = _mm_loadu_pd(p);
  const __m128d z = _mm_load_sd(p + 2);
  const __m128d row0Left = _mm_mul_pd(_mm_load_pd(m), xy);
  const __m128d row1Left = _mm_mul_pd(_mm_load_pd(m + 4), xy);
  const __m128d row0Right = _mm_mul_sd(_mm_load_pd(m + 2), z);
  const __m128d row1Right = _mm_mul_sd(_mm_load_pd(m + 6), z);
  const __m128d row2Left = _mm_mul_pd(_mm_load_pd(m + 8), xy);
  rows01 = _mm_add_pd(_mm_unpacklo_pd(row0Left, row1Left), _mm_unpackhi_pd(row0Left, row1Left));
  rows01 = _mm_add_pd(rows01, _mm_unpacklo_pd(row0Right, row1Right));
  rows01 = _mm_add_pd(rows01, _mm_unpackhi_pd(row0Right, row1Right));
  // The high lane moved to the low one by an integer shuffle, which, unlike
  // unpacking, needs no copy of its operand.
  const __m128d row2Second =
      _mm_castsi128_pd(_mm_shuffle_epi32(_mm_castpd_si128(row2Left), _MM_SHUFFLE(3, 2, 3, 2)));
  row2 = _mm_add_sd(row2Left, row2Second);
  row2 = _mm_add_sd(row2, _mm_mul_sd(z, _mm_load_sd(m + 10)));
  row2 = _mm_add_sd(row2, _mm_load_sd(m + 11));
}

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define TRV_MAT4_POINT_ASM 1
/// timesPointSse2() as a fixed sequence of instructions, bit for bit the
/// same. The compilers turn timesPointSse2() into 30 or more instructions,
/// with register copies and loads that an operand in memory can replace, in
/// orders that dispatch slower: on AMD Zen 4, where this was tuned, a loop
/// of products takes 5 cycles a point here against 5.5 to 6. Every product
/// comes first, then the sums; row2 holds (p0, p1) until the products of
/// row 2 replace them. Written for both assembler syntaxes {AT&T|Intel}.
inline void timesPointAsm(const double* m, const double* p, __m128d& rows01, __m128d& row2) {
  __m128d z, row1, row0Right, row1Right, low, right, second;
  __asm__(
      "{movupd (%[p]), %[row2]|movupd %[row2], [%[p]]}\n\t"
      "{movsd 16(%[p]), %[z]|movsd %[z], [%[p]+16]}\n\t"
      "{movapd (%[m]), %[rows01]|movapd %[rows01], [%[m]]}\n\t"
      "{mulpd %[row2], %[rows01]|mulpd %[rows01], %[row2]}\n\t"
      "{movapd 32(%[m]), %[row1]|movapd %[row1], [%[m]+32]}\n\t"
      "{mulpd %[row2], %[row1]|mulpd %[row1], %[row2]}\n\t"
      "{movapd 16(%[m]), %[row0Right]|movapd %[row0Right], [%[m]+16]}\n\t"
      "{mulsd %[z], %[row0Right]|mulsd %[row0Right], %[z]}\n\t"
      "{movapd 48(%[m]), %[row1Right]|movapd %[row1Right], [%[m]+48]}\n\t"
      "{mulsd %[z], %[row1Right]|mulsd %[row1Right], %[z]}\n\t"
      "{mulpd 64(%[m]), %[row2]|mulpd %[row2], [%[m]+64]}\n\t"
      "{mulsd 80(%[m]), %[z]|mulsd %[z], [%[m]+80]}\n\t"
      "{movapd %[rows01], %[low]|movapd %[low], %[rows01]}\n\t"
      "{unpcklpd %[row1], %[low]|unpcklpd %[low], %[row1]}\n\t"
      "{unpckhpd %[row1], %[rows01]|unpckhpd %[rows01], %[row1]}\n\t"
      "{addpd %[low], %[rows01]|addpd %[rows01], %[low]}\n\t"
      "{movapd %[row0Right], %[right]|movapd %[right], %[row0Right]}\n\t"
      "{unpcklpd %[row1Right], %[right]|unpcklpd %[right], %[row1Right]}\n\t"
      "{unpckhpd %[row1Right], %[row0Right]|unpckhpd %[row0Right], %[row1Right]}\n\t"
      "{addpd %[right], %[rows01]|addpd %[rows01], %[right]}\n\t"
      "{addpd %[row0Right], %[rows01]|addpd %[rows01], %[row0Right]}\n\t"
      "{pshufd $0xee, %[row2], %[second]|pshufd %[second], %[row2], 0xee}\n\t"
      "{addsd %[second], %[row2]|addsd %[row2], %[second]}\n\t"
      "{addsd %[z], %[row2]|addsd %[row2], %[z]}\n\t"
      "{addsd 88(%[m]), %[row2]|addsd %[row2], [%[m]+88]}"
      : [rows01] "=&x"(rows01), [row2] "=&x"(row2), [z] "=&x"(z), [row1] "=&x"(row1),
        [row0Right] "=&x"(row0Right), [row1Right] "=&x"(row1Right), [low] "=&x"(low),
        [right] "=&x"(right), [second] "=&x"(second)
      : [p] "r"(p), [m] "r"(m), "m"(*reinterpret_cast<const double(*)[3]>(p)),
        "m"(*reinterpret_cast<const double(*)[12]>(m)));
}
#endif
#endif

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
  CtrvPoint3 timesPointSse(const CtrvPoint3& p) const {
    __m128d rows01, row2;
#if defined(TRV_MAT4_POINT_ASM)
    trvMat4Detail::timesPointAsm(m_e, &p[0], rows01, row2);
#else
    trvMat4Detail::timesPointSse2(m_e, &p[0], rows01, row2);
#endif
    double first[2];
    _mm_storeu_pd(first, rows01);
    return CtrvPoint3(first[0], first[1], _mm_cvtsd_f64(row2));
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
