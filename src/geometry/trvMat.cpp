#include "CtrvMat.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <utility>

namespace {

// Computed in size_t: a 32-bit product would wrap for large matrices and
// leave a block smaller than the row table claims.
std::size_t elementCount(std::uint32_t height, std::uint32_t width) {
  return static_cast<std::size_t>(height) * width;
}

// Below this magnitude no element is accepted as a pivot.
constexpr double kPivotThreshold = 1e-5;

// A square working copy of a matrix for the elimination: one block of rows
// reached through a table of row pointers, so that exchanging two rows
// exchanges two pointers.
class WorkingRows {
 public:
  WorkingRows(const double* source, std::size_t order)
      : m_block(new double[order * order]), m_rows(new double*[order]) {
    std::copy(source, source + order * order, m_block.get());
    for (std::size_t i = 0; i < order; ++i) m_rows[i] = m_block.get() + i * order;
  }
  double* row(std::size_t i) const { return m_rows[i]; }
  void exchange(std::size_t i, std::size_t k) { std::swap(m_rows[i], m_rows[k]); }

 private:
  std::unique_ptr<double[]> m_block;
  std::unique_ptr<double*[]> m_rows;
};

// GCC vectorises loops of unknown length only with its dynamic cost model
// (the default from -O3); the hot loop below asks for it.
#if defined(__GNUC__) && !defined(__clang__)
#define TRV_VECTORISE_LOOPS __attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic")))
#else
#define TRV_VECTORISE_LOOPS
#endif

// dst[j] += src[j] * factor over a contiguous run; the two runs never
// overlap, which lets the compiler vectorise the loop.
TRV_VECTORISE_LOOPS
void addScaled(double* __restrict dst, const double* __restrict src, double factor,
               std::size_t count) {
  for (std::size_t j = 0; j < count; ++j) dst[j] += src[j] * factor;
}

// The row from k on whose element in column k has the largest magnitude
// strictly above the threshold (the first one on ties), or `order` if none.
std::size_t findPivotRow(const WorkingRows& a, std::size_t k, std::size_t order) {
  double best = kPivotThreshold;
  std::size_t pivotRow = order;
  for (std::size_t i = k; i < order; ++i) {
    const double magnitude = std::fabs(a.row(i)[k]);
    if (magnitude > best) {
      best = magnitude;
      pivotRow = i;
    }
  }
  return pivotRow;
}

// Subtracts the pivot row k from every row below it so that column k
// becomes 0 under the pivot.
void eliminateBelow(const WorkingRows& a, std::size_t k, std::size_t order) {
  const double* pivotRow = a.row(k);
  const double pivot = pivotRow[k];
  const std::size_t rest = order - k - 1;
  for (std::size_t i = k + 1; i < order; ++i) {
    double* row = a.row(i);
    const double factor = row[k] / pivot;
    row[k] = 0.0;
    // Adding the negated product rounds exactly like subtracting it.
    addScaled(row + k + 1, pivotRow + k + 1, -factor, rest);
  }
}

double eliminationDeterminant(const double* elements, std::size_t order) {
  WorkingRows a(elements, order);
  double d = 1.0;
  for (std::size_t k = 0; k < order; ++k) {
    const std::size_t pivotRow = findPivotRow(a, k, order);
    if (pivotRow == order) return 0.0;
    if (pivotRow != k) {
      a.exchange(pivotRow, k);
      d = -d;
    }
    d *= a.row(k)[k];
    eliminateBelow(a, k, order);
  }
  return d;
}

}  // namespace

CtrvMat::CtrvMat(unsigned int height, unsigned int width)
    : m_height(height), m_width(width), data(nullptr), lines(nullptr) {
  std::unique_ptr<double[]> block(new double[elementCount(m_height, m_width)]);
  data = block.get();
  updateLines();
  block.release();
}

CtrvMat::CtrvMat(unsigned int height, unsigned int width, double value) : CtrvMat(height, width) {
  *this = value;
}

CtrvMat::CtrvMat(const CtrvMat& m) : CtrvMat(m.m_height, m.m_width) {
  std::copy(m.data, m.data + elementCount(m_height, m_width), data);
}

CtrvMat::~CtrvMat() {
  delete[] lines;
  delete[] data;
}

void CtrvMat::updateLines() {
  double** table = new double*[m_height];
  for (std::uint32_t i = 0; i < m_height; ++i) table[i] = data + elementCount(i, m_width);
  delete[] lines;
  lines = table;
}

void CtrvMat::swapWith(CtrvMat& m) {
  std::swap(m_height, m.m_height);
  std::swap(m_width, m.m_width);
  std::swap(data, m.data);
  std::swap(lines, m.lines);
}

CtrvMat& CtrvMat::operator=(const CtrvMat& m) {
  if (this == &m) return *this;
  if (m_height == m.m_height && m_width == m.m_width) {
    std::copy(m.data, m.data + elementCount(m_height, m_width), data);
  } else {
    // The new block is complete before the old one is released, so a failed
    // allocation leaves this matrix as it was.
    CtrvMat copy(m);
    swapWith(copy);
  }
  return *this;
}

CtrvMat& CtrvMat::operator=(double value) {
  std::fill(data, data + elementCount(m_height, m_width), value);
  return *this;
}

CtrvMat CtrvMat::t() const {
  CtrvMat result(m_width, m_height);
  for (std::uint32_t i = 0; i < m_height; ++i) {
    const double* row = lines[i];
    for (std::uint32_t j = 0; j < m_width; ++j) result.lines[j][i] = row[j];
  }
  return result;
}

CtrvMat CtrvMat::operator*(const CtrvMat& b) const {
  // Row i of the result accumulates this(i, k) times row k of b, k
  // ascending: each element sums its terms in the same order as the
  // textbook dot product, with a contiguous inner loop.
  CtrvMat result(m_height, b.m_width, 0.0);
  for (std::uint32_t i = 0; i < m_height; ++i) {
    double* out = result.lines[i];
    for (std::uint32_t k = 0; k < m_width; ++k) {
      addScaled(out, b.lines[k], lines[i][k], b.m_width);
    }
  }
  return result;
}

double CtrvMat::det() const {
  if (m_height != m_width || m_height == 0) return 0.0;
  double* const* a = lines;
  switch (m_height) {
    case 1:
      return a[0][0];
    case 2:
      return a[0][0] * a[1][1] - a[0][1] * a[1][0];
    case 3:
      return a[0][1] * a[1][2] * a[2][0] + a[0][0] * a[1][1] * a[2][2] +
             a[0][2] * a[1][0] * a[2][1] - a[0][0] * a[1][2] * a[2][1] -
             a[0][1] * a[1][0] * a[2][2] - a[0][2] * a[1][1] * a[2][0];
    default:
      return eliminationDeterminant(data, m_height);
  }
}
