// SPDX-License-Identifier: MIT
#ifndef TRV_MAT_ELIMINATION_TILES_H
#define TRV_MAT_ELIMINATION_TILES_H

// The inner loops of the elimination, written once with the compilers'
// generic vectors: of two doubles for the portable kernels (SSE2 on
// x86-64), of four doubles inlined into the functions compiled for AVX2
// (trvMatEliminationAvx2.cpp). Either way a multiplication and an addition
// stay two rounded operations, as in scalar code (the library is compiled
// with -ffp-contract=off).

#include <cstddef>
#include <cstring>

#define TRV_TILE_INLINE inline __attribute__((always_inline))

namespace trvElimination {
namespace tiles {

/// Two doubles: one SSE2 register.
typedef double Pair __attribute__((vector_size(16)));
/// Four doubles: one AVX register.
typedef double Quad __attribute__((vector_size(32)));

// `Vectors` vectors of type V (1 or 2) of consecutive elements of a row, in
// registers. Vectors are passed by reference only: passed by value, a
// vector wider than the function's instruction set would change the ABI.
template <class V, std::size_t Vectors>
struct Run {
  static constexpr std::size_t kLength = Vectors * sizeof(V) / sizeof(double);

  V low;
  V high;

  TRV_TILE_INLINE void loadFrom(const double* p) {
    std::memcpy(&low, p, sizeof low);
    if constexpr (Vectors == 2) std::memcpy(&high, p + kLength / 2, sizeof high);
  }
  TRV_TILE_INLINE void storeTo(double* p) const {
    std::memcpy(p, &low, sizeof low);
    if constexpr (Vectors == 2) std::memcpy(p + kLength / 2, &high, sizeof high);
  }
  // this += pivot * factor, element by element: a multiplication, then an
  // addition, each rounded.
  TRV_TILE_INLINE void addScaled(const Run& pivot, double factor) {
    low += pivot.low * factor;
    if constexpr (Vectors == 2) high += pivot.high * factor;
  }
};

// The pivot rows of an update are copied, the columns of one tile at a
// time, into a contiguous block before the tiles below use them: read
// straight from rows one power of two apart they would compete for the
// same few cache sets. At most this many pivot rows are copied at once.
constexpr std::size_t kPackedPivotRows = 128;

// A tile of `Rows` rows (1 to 4) by Run<V, Vectors>::kLength columns from
// column j is
// kept in registers while the pivot rows m0 to m1 - 1 (their columns of the
// tile, packed one after the other) are applied to it in order. Named
// variables rather than arrays, so that they stay in registers.
template <class V, std::size_t Rows, std::size_t Vectors>
TRV_TILE_INLINE void updateTile(double* const* rows, std::size_t i, std::size_t m0, std::size_t m1,
                                std::size_t j, const double* packed) {
  double* const out0 = rows[i];
  double* const out1 = Rows > 1 ? rows[i + 1] : nullptr;
  double* const out2 = Rows > 2 ? rows[i + 2] : nullptr;
  double* const out3 = Rows > 3 ? rows[i + 3] : nullptr;
  using Tile = Run<V, Vectors>;
  Tile sum0, sum1, sum2, sum3;
  sum0.loadFrom(out0 + j);
  if constexpr (Rows > 1) sum1.loadFrom(out1 + j);
  if constexpr (Rows > 2) sum2.loadFrom(out2 + j);
  if constexpr (Rows > 3) sum3.loadFrom(out3 + j);
  for (std::size_t m = m0; m < m1; ++m, packed += Tile::kLength) {
    Tile pivot;
    pivot.loadFrom(packed);
    sum0.addScaled(pivot, out0[m]);
    if constexpr (Rows > 1) sum1.addScaled(pivot, out1[m]);
    if constexpr (Rows > 2) sum2.addScaled(pivot, out2[m]);
    if constexpr (Rows > 3) sum3.addScaled(pivot, out3[m]);
  }
  sum0.storeTo(out0 + j);
  if constexpr (Rows > 1) sum1.storeTo(out1 + j);
  if constexpr (Rows > 2) sum2.storeTo(out2 + j);
  if constexpr (Rows > 3) sum3.storeTo(out3 + j);
}

// The tiles of Run<V, Vectors>::kLength columns from column j, for the
// pivot rows m0 to m1 - 1 (at most kPackedPivotRows of them).
template <class V, std::size_t Vectors>
TRV_TILE_INLINE void updateColumnTile(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                                      std::size_t m0, std::size_t m1, std::size_t j) {
  using Tile = Run<V, Vectors>;
  alignas(32) double packed[kPackedPivotRows * Tile::kLength];
  for (std::size_t m = m0; m < m1; ++m) {
    Tile pivot;
    pivot.loadFrom(rows[m] + j);
    pivot.storeTo(packed + (m - m0) * Tile::kLength);
  }
  std::size_t i = rowBegin;
  for (; i + 4 <= rowEnd; i += 4) updateTile<V, 4, Vectors>(rows, i, m0, m1, j, packed);
  switch (rowEnd - i) {
    case 3:
      updateTile<V, 3, Vectors>(rows, i, m0, m1, j, packed);
      break;
    case 2:
      updateTile<V, 2, Vectors>(rows, i, m0, m1, j, packed);
      break;
    case 1:
      updateTile<V, 1, Vectors>(rows, i, m0, m1, j, packed);
      break;
    default:
      break;
  }
}

// The last columns (fewer than four), one element at a time.
TRV_TILE_INLINE void updateLastColumns(double* const* rows, std::size_t rowBegin,
                                       std::size_t rowEnd, std::size_t m0, std::size_t m1,
                                       std::size_t j, std::size_t columnEnd) {
  for (std::size_t i = rowBegin; i < rowEnd; ++i) {
    double* out = rows[i];
    for (std::size_t column = j; column < columnEnd; ++column) {
      double sum = out[column];
      for (std::size_t m = m0; m < m1; ++m) sum += rows[m][column] * out[m];
      out[column] = sum;
    }
  }
}

// The update of trvMatElimination.h with vectors of type V, tiles of two
// of them where the columns allow, then of one, then single columns.
template <class V>
TRV_TILE_INLINE void update(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                            std::size_t mBegin, std::size_t mEnd, std::size_t columnBegin,
                            std::size_t columnEnd) {
  constexpr std::size_t kWide = Run<V, 2>::kLength;
  constexpr std::size_t kNarrow = Run<V, 1>::kLength;
  // Splitting the pivot rows into consecutive groups keeps their order for
  // every element.
  for (std::size_t m0 = mBegin; m0 < mEnd; m0 += kPackedPivotRows) {
    const std::size_t m1 = m0 + kPackedPivotRows < mEnd ? m0 + kPackedPivotRows : mEnd;
    std::size_t j = columnBegin;
    for (; j + kWide <= columnEnd; j += kWide)
      updateColumnTile<V, 2>(rows, rowBegin, rowEnd, m0, m1, j);
    for (; j + kNarrow <= columnEnd; j += kNarrow)
      updateColumnTile<V, 1>(rows, rowBegin, rowEnd, m0, m1, j);
    updateLastColumns(rows, rowBegin, rowEnd, m0, m1, j, columnEnd);
  }
}

// The negated factors of the rows [rowBegin, rowEnd) for the pivot p in
// column k: a(i, k) = -(a(i, k) / p), one vector of rows per division.
template <class V>
TRV_TILE_INLINE void negatedFactors(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                                    std::size_t k, double p) {
  constexpr std::size_t kLanes = sizeof(V) / sizeof(double);
  std::size_t i = rowBegin;
  for (; i + kLanes <= rowEnd; i += kLanes) {
    V column;
    for (std::size_t r = 0; r < kLanes; ++r) column[r] = rows[i + r][k];
    const V factors = -(column / p);
    for (std::size_t r = 0; r < kLanes; ++r) rows[i + r][k] = factors[r];
  }
  for (; i < rowEnd; ++i) rows[i][k] = -(rows[i][k] / p);
}

}  // namespace tiles
}  // namespace trvElimination

#endif
