// SPDX-License-Identifier: MIT
#include "geometry/trvMat4Kernels.h"

#include <cstddef>
#include <cstring>

namespace trvMat4Kernels {
namespace {

// The compilers' generic vectors: two doubles are one SSE2 register, four
// one AVX register.
typedef double Pair __attribute__((vector_size(16)));
typedef double Quad __attribute__((vector_size(32)));

// One vector of columns at a time: row i of r is the rows of b weighted by
// the elements of row i of a, the weighted rows added in order. Vectors are
// kept in variables, not passed: passed by value, a vector wider than the
// function's instruction set would change the ABI.
template <class V>
inline __attribute__((always_inline)) void load(V& v, const double* p) {
  std::memcpy(&v, p, sizeof v);
}

template <class V>
inline __attribute__((always_inline)) void productOf(const double* a, const double* b, double* r) {
  constexpr std::size_t kLanes = sizeof(V) / sizeof(double);
  for (std::size_t c = 0; c < 4; c += kLanes) {
    V row0, row1, row2, row3;
    load(row0, b + c);
    load(row1, b + 4 + c);
    load(row2, b + 8 + c);
    load(row3, b + 12 + c);
    for (std::size_t i = 0; i < 4; ++i) {
      const double* weights = a + 4 * i;
      V sum = row0 * weights[0];
      sum += row1 * weights[1];
      sum += row2 * weights[2];
      sum += row3 * weights[3];
      std::memcpy(r + 4 * i + c, &sum, sizeof sum);
    }
  }
}

}  // namespace

void productPortable(const double* a, const double* b, double* r) { productOf<Pair>(a, b, r); }

#if defined(TRV_MAT4_AVX2_KERNELS)
__attribute__((target("avx2"))) void productAvx2(const double* a, const double* b, double* r) {
  productOf<Quad>(a, b, r);
}
#endif

}  // namespace trvMat4Kernels
