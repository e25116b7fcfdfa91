// SPDX-License-Identifier: MIT
#include "CtrvMat.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

#include "geometry/trvMatElimination.h"

namespace {

// Computed in size_t: a 32-bit product would wrap for large matrices and
// leave a block smaller than the row table claims.
std::size_t elementCount(std::uint32_t height, std::uint32_t width) {
  return static_cast<std::size_t>(height) * width;
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
      trvElimination::addScaled(out, b.lines[k], lines[i][k], b.m_width);
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
      return trvElimination::determinant(data, m_height, trvElimination::fastestKernels());
  }
}
