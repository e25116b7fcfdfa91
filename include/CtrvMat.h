// SPDX-License-Identifier: MIT
#ifndef CTRV_MAT_H
#define CTRV_MAT_H

/// @file CtrvMat.h
/// Dense matrix of doubles whose size is fixed at construction.

#include <cstdint>

#include "trvExport.h"

/// A dense matrix of doubles of any size, stored row-major in one owned block
/// and reached through an owned table of row pointers (so that an element
/// access is a table lookup plus an offset). Copies are deep.
///
/// Indices are not validated: 0 <= i < height() and 0 <= j < width() are the
/// caller's obligation, and so is the agreement of the sizes in a product.
/// Allocation failures propagate as std::bad_alloc.
class TRV_API CtrvMat {
 public:
  /// A height x width matrix whose elements are not initialised: the caller
  /// assigns them before reading them.
  CtrvMat(unsigned int height, unsigned int width);
  /// A height x width matrix whose every element is `value`.
  CtrvMat(unsigned int height, unsigned int width, double value);
  /// A deep copy of `m`.
  CtrvMat(const CtrvMat& m);
  /// Releases the element block and the row table.
  virtual ~CtrvMat();

  /// Copies `m` into this matrix. When both have the same size the elements
  /// are copied into the existing block (its address does not change);
  /// otherwise this matrix takes the size of `m` with a new block and a new
  /// row table. Self-assignment does nothing.
  /// @return this matrix.
  CtrvMat& operator=(const CtrvMat& m);
  /// Sets every element to `value`.
  /// @return this matrix.
  CtrvMat& operator=(double value);

  /// The number of rows.
  unsigned int height() const { return m_height; }
  /// The number of columns.
  unsigned int width() const { return m_width; }

  /// Reference to element (i, j), row i and column j counted from 0.
  double& operator()(unsigned int i, unsigned int j) { return lines[i][j]; }
  /// Value of element (i, j), row i and column j counted from 0.
  double operator()(unsigned int i, unsigned int j) const { return lines[i][j]; }
  /// Same as operator()(i, j).
  double& component(unsigned int i, unsigned int j) { return lines[i][j]; }
  /// Same as operator()(i, j) const.
  double component(unsigned int i, unsigned int j) const { return lines[i][j]; }

  /// The element block: height() x width() doubles in row-major order. It
  /// stays valid until the matrix is destroyed or assigned a matrix of
  /// another size.
  double* getAddress() { return data; }
  /// The element block, read-only.
  const double* getAddress() const { return data; }

  /// The transpose: a width() x height() matrix with element (j, i) equal to
  /// element (i, j) of this one.
  CtrvMat t() const;
  /// The product of this matrix (h x n) by `b` (n x w): an h x w matrix.
  CtrvMat operator*(const CtrvMat& b) const;

  /// The determinant: 0.0 for a non-square or empty matrix; closed forms up
  /// to order 3; from order 4 Gaussian elimination with partial pivoting on a
  /// working copy, which treats the matrix as singular (0.0) as soon as a
  /// column offers no pivot of magnitude above 1e-5.
  double det() const;

 private:
  /// Rebuilds the row table: one entry per row, entry i pointing at element
  /// (i, 0) of the current block.
  void updateLines();
  /// Exchanges the sizes, blocks and row tables of two matrices.
  void swapWith(CtrvMat& m);

  std::uint32_t m_height;
  std::uint32_t m_width;
  double* data;
  double** lines;
};

#endif
