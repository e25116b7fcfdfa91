// SPDX-License-Identifier: MIT
#include "geometry/trvMatElimination.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "geometry/trvMatEliminationTiles.h"
#include "platform/trvPlatformCpu.h"

namespace trvElimination {
namespace {

// Below this magnitude no element is accepted as a pivot.
constexpr double kPivotThreshold = 1e-5;

// Up to this order the working copy lives on the stack.
constexpr std::size_t kStackOrder = 16;

// Column blocks at most this wide are eliminated one column at a time.
constexpr std::size_t kBaseColumns = 8;

// Row blocks at most this tall bring themselves up to date one row at a
// time when the pivot rows of their own block are applied to them.
constexpr std::size_t kBaseRows = 4;

// Doubles in a cache line.
constexpr std::size_t kLineDoubles = 8;

// The distance between the starts of two rows of the working copy: whole
// cache lines, an odd number of them.
constexpr std::size_t rowPitch(std::size_t order) {
  const std::size_t lines = (order + kLineDoubles - 1) / kLineDoubles;
  return (lines % 2 == 0 ? lines + 1 : lines) * kLineDoubles;
}

double* alignedToLine(double* p) {
  const std::size_t offset = reinterpret_cast<std::uintptr_t>(p) % (kLineDoubles * sizeof(double));
  return offset == 0 ? p : p + (kLineDoubles * sizeof(double) - offset) / sizeof(double);
}

// A square working copy of a matrix: rows reached through a table of row
// pointers, so that exchanging two rows exchanges two pointers. Each row
// starts on a cache line and spans an odd number of lines: with rows a
// power of two apart, a column would fall in a few cache sets only.
class WorkingRows {
 public:
  WorkingRows(const double* source, std::size_t order) {
    const std::size_t pitch = rowPitch(order);
    double* block = alignedToLine(m_smallBlock);
    double** rows = m_smallRows;
    if (order > kStackOrder) {
      m_block.reset(new double[order * pitch + kLineDoubles]);
      m_rows.reset(new double*[order]);
      block = alignedToLine(m_block.get());
      rows = m_rows.get();
    }
    for (std::size_t i = 0; i < order; ++i) {
      rows[i] = block + i * pitch;
      std::copy(source + i * order, source + (i + 1) * order, rows[i]);
    }
    m_table = rows;
  }
  WorkingRows(const WorkingRows&) = delete;
  WorkingRows& operator=(const WorkingRows&) = delete;

  double* const* rows() const { return m_table; }
  double* row(std::size_t i) const { return m_table[i]; }
  void exchange(std::size_t i, std::size_t k) { std::swap(m_table[i], m_table[k]); }

 private:
  double m_smallBlock[kStackOrder * rowPitch(kStackOrder) + kLineDoubles];
  double* m_smallRows[kStackOrder];
  std::unique_ptr<double[]> m_block;
  std::unique_ptr<double*[]> m_rows;
  double** m_table = nullptr;
};

// GCC vectorises loops of unknown length only with its dynamic cost model
// (the default from -O3); the portable update asks for it.
#if defined(__GNUC__) && !defined(__clang__)
#define TRV_VECTORISE_LOOPS __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))
#else
#define TRV_VECTORISE_LOOPS
#endif

// The elimination of one matrix: column blocks are split in two until they
// are narrow; the left half is eliminated, the right half brought up to date
// with the left half's pivot rows (the pivot rows of the left half among
// themselves first, then every row below), then the right half is
// eliminated. Each element thus receives the updates of the pivot rows in
// ascending order, as in the column-by-column elimination.
class Elimination {
 public:
  Elimination(const double* elements, std::size_t order, const Kernels& kernels)
      : m_a(elements, order), m_order(order), m_kernels(kernels) {}

  double determinant() { return eliminateColumns(0, m_order) ? m_determinant : 0.0; }

 private:
  // Eliminates the columns [begin, end), which are up to date with the
  // pivot rows before `begin`; the columns from `end` on are left to the
  // caller. False when a column offers no pivot.
  bool eliminateColumns(std::size_t begin, std::size_t end) {
    if (end - begin <= kBaseColumns) return eliminateEachColumn(begin, end);
    const std::size_t middle = begin + (end - begin) / 2;
    if (!eliminateColumns(begin, middle)) return false;
    applyPivotRowsToPivotRows(begin, middle, middle, end);
    m_kernels.update(m_a.rows(), middle, m_order, begin, middle, middle, end);
    return eliminateColumns(middle, end);
  }

  // The pivot rows [begin, end) applied to each other in the columns
  // [columnBegin, columnEnd): row k receives the rows begin to k - 1.
  void applyPivotRowsToPivotRows(std::size_t begin, std::size_t end, std::size_t columnBegin,
                                 std::size_t columnEnd) {
    if (end - begin <= kBaseRows) {
      for (std::size_t k = begin + 1; k < end; ++k)
        m_kernels.update(m_a.rows(), k, k + 1, begin, k, columnBegin, columnEnd);
      return;
    }
    const std::size_t middle = begin + (end - begin) / 2;
    applyPivotRowsToPivotRows(begin, middle, columnBegin, columnEnd);
    m_kernels.update(m_a.rows(), middle, end, begin, middle, columnBegin, columnEnd);
    applyPivotRowsToPivotRows(middle, end, columnBegin, columnEnd);
  }

  bool eliminateEachColumn(std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      const std::size_t chosen = findPivotRow(k);
      if (chosen == m_order) return false;
      if (chosen != k) {
        m_a.exchange(chosen, k);
        m_determinant = -m_determinant;
      }
      const double* pivotRow = m_a.row(k);
      const double pivot = pivotRow[k];
      m_determinant *= pivot;
      m_kernels.negatedFactors(m_a.rows(), k + 1, m_order, k, pivot);
      // The rest of the block is narrow: one row at a time.
      for (std::size_t i = k + 1; i < m_order; ++i) {
        double* row = m_a.row(i);
        const double factor = row[k];
        for (std::size_t j = k + 1; j < end; ++j) row[j] += pivotRow[j] * factor;
      }
    }
    return true;
  }

  // The row from k on whose element in column k has the largest magnitude
  // strictly above the threshold (the first one on ties), or the order if
  // none.
  std::size_t findPivotRow(std::size_t k) const {
    double best = kPivotThreshold;
    std::size_t pivotRow = m_order;
    for (std::size_t i = k; i < m_order; ++i) {
      const double magnitude = std::fabs(m_a.row(i)[k]);
      if (magnitude > best) {
        best = magnitude;
        pivotRow = i;
      }
    }
    return pivotRow;
  }

  WorkingRows m_a;
  const std::size_t m_order;
  const Kernels& m_kernels;
  double m_determinant = 1.0;
};

}  // namespace

// The runs never overlap, which lets the compiler vectorise the loop.
TRV_VECTORISE_LOOPS
void addScaled(double* __restrict dst, const double* __restrict src, double factor,
               std::size_t count) {
  for (std::size_t j = 0; j < count; ++j) dst[j] += src[j] * factor;
}

namespace {

void updatePortable(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                    std::size_t mBegin, std::size_t mEnd, std::size_t columnBegin,
                    std::size_t columnEnd) {
  tiles::update<tiles::Pair>(rows, rowBegin, rowEnd, mBegin, mEnd, columnBegin, columnEnd);
}

void negatedFactorsPortable(double* const* rows, std::size_t rowBegin, std::size_t rowEnd,
                            std::size_t k, double pivot) {
  tiles::negatedFactors<tiles::Pair>(rows, rowBegin, rowEnd, k, pivot);
}

}  // namespace

const Kernels portableKernels = {updatePortable, negatedFactorsPortable};

const Kernels& fastestKernels() {
  return avx2Kernels != nullptr && trvPlatform::cpuSupportsAvx2() ? *avx2Kernels : portableKernels;
}

double determinant(const double* elements, std::size_t order, const Kernels& kernels) {
  return Elimination(elements, order, kernels).determinant();
}

}  // namespace trvElimination
