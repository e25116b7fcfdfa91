// SPDX-License-Identifier: MIT
// The elimination kernels compiled for AVX2, chosen at run time on
// processors that have it. They are the portable loops of
// trvMatEliminationTiles.h, inlined here, where each vector operation
// becomes one AVX instruction; there is no fused multiply-add, so every
// element is rounded exactly as by the portable kernels.
#include "geometry/trvMatElimination.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "geometry/trvMatEliminationTiles.h"

#define TRV_AVX2 __attribute__((target("avx2")))

namespace trvElimination {
namespace {

TRV_AVX2 void update(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                     std::size_t mBegin, std::size_t mEnd, std::size_t columnBegin,
                     std::size_t columnEnd) {
  tiles::update<tiles::Quad>(rows, rowBegin, rowEnd, mBegin, mEnd, columnBegin, columnEnd);
}

TRV_AVX2 void negatedFactors(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                             std::size_t k, double pivot) {
  tiles::negatedFactors<tiles::Quad>(rows, rowBegin, rowEnd, k, pivot);
}

const Kernels kAvx2Kernels = {update, negatedFactors};

}  // namespace

const Kernels* const avx2Kernels = &kAvx2Kernels;

}  // namespace trvElimination

#else

namespace trvElimination {

const Kernels* const avx2Kernels = nullptr;

}  // namespace trvElimination

#endif
