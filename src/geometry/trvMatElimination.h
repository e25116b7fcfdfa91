// SPDX-License-Identifier: MIT
#ifndef TRV_MAT_ELIMINATION_H
#define TRV_MAT_ELIMINATION_H

// The determinant of a general matrix by Gaussian elimination with partial
// pivoting, computed by blocks. Every element receives the same operations
// in the same order as in the textbook elimination (one column after the
// other, each row minus the pivot row times its factor), so the blocking
// changes the speed, not a bit of the result.

#include <cstddef>

namespace trvElimination {

/// The inner loops of the elimination, on a square working matrix reached
/// through its table of row pointers (`rows`).
struct Kernels {
  /// For every row i in [rowBegin, rowEnd) and column j in
  /// [columnBegin, columnEnd):
  ///   a(i, j) += a(m, j) * a(i, m)   for m from mBegin to mEnd - 1, in order,
  /// where a(i, m) holds the negated factor of row i for pivot row m. Row i
  /// is never one of the rows m and the columns m lie before columnBegin.
  void (*update)(double* const* rows, std::size_t rowBegin, std::size_t rowEnd, std::size_t mBegin,
                 std::size_t mEnd, std::size_t columnBegin, std::size_t columnEnd);
  /// a(i, k) = -(a(i, k) / pivot) for every row i in [rowBegin, rowEnd).
  void (*negatedFactors)(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                         std::size_t k, double pivot);
};

/// The kernels in portable C++.
extern const Kernels portableKernels;

/// The kernels with AVX2 instructions (no fused multiply-add, so they round
/// as the portable ones); null where the library is built without them.
/// Use them only when trvPlatform::cpuSupportsAvx2() says so.
extern const Kernels* const avx2Kernels;

/// The fastest kernels the processor supports.
const Kernels& fastestKernels();

/// dst[j] += src[j] * factor for j from 0 to count - 1; the two runs do not
/// overlap.
void addScaled(double* dst, const double* src, double factor, std::size_t count);

/// The determinant of the row-major square block `elements` of the given
/// order (at least 4): the product of the pivots with the sign of the row
/// exchanges, or 0.0 as soon as a column offers no pivot of magnitude above
/// 1e-5. `elements` is not changed.
double determinant(const double* elements, std::size_t order, const Kernels& kernels);

}  // namespace trvElimination

#endif
