// SPDX-License-Identifier: MIT
#ifndef TRV_MAT4_KERNELS_H
#define TRV_MAT4_KERNELS_H

// The 4x4 product in two instruction sets, chosen when the library is
// loaded. Both give every element as the sum
// a(i, 0) * b(0, j) + a(i, 1) * b(1, j) + a(i, 2) * b(2, j) + a(i, 3) * b(3, j)
// added from left to right, each product and sum rounded on its own: bit for
// bit the result of the scalar formula.

namespace trvMat4Kernels {

/// r = a * b for row-major 4x4 blocks; r overlaps neither a nor b.
using Product = void (*)(const double* a, const double* b, double* r);

/// The product with the instructions every build targets (SSE2 on x86-64).
void productPortable(const double* a, const double* b, double* r);

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRV_MAT4_AVX2_KERNELS 1
/// The product with AVX2 instructions. Call it only when
/// trvPlatform::cpuSupportsAvx2() says so.
void productAvx2(const double* a, const double* b, double* r);
#endif

}  // namespace trvMat4Kernels

#endif
