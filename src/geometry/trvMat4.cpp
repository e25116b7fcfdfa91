// SPDX-License-Identifier: MIT
#include "CtrvMat4.h"

#include <cmath>
#include <cstddef>

#include "geometry/trvConstantInit.h"
#include "geometry/trvMat4Kernels.h"
#include "platform/trvPlatformCpu.h"

// The product kernel is chosen once, when the library is loaded: where the
// system resolves indirect functions (GNU ifunc), the exported product is
// bound to the chosen kernel itself, so a call costs no more than a call to
// any function of the library. The resolver runs before the library's
// relocations are all done: it reaches the kernels directly, not through
// variables.
#if defined(TRV_MAT4_AVX2_KERNELS) && defined(__GLIBC__)

extern "C" __attribute__((visibility("hidden"), no_sanitize("address", "undefined")))
trvMat4Kernels::Product
trvMat4ResolveProduct() {
  return trvPlatform::cpuSupportsAvx2() ? trvMat4Kernels::productAvx2
                                        : trvMat4Kernels::productPortable;
}

void trvMat4Detail::product(const double* a, const double* b, double* r)
    __attribute__((ifunc("trvMat4ResolveProduct")));

#else

void trvMat4Detail::product(const double* a, const double* b, double* r) {
  trvMat4Kernels::productPortable(a, b, r);
}

#endif

TRV_CONSTANT_INIT double CtrvMat4::s_tolerance = 0.001;

TRV_CONSTANT_INIT CtrvMat4 trvDefaultMat4;

double CtrvMat4::tolerance() { return s_tolerance; }

void CtrvMat4::tolerance(double value) { s_tolerance = value; }

bool CtrvMat4::operator==(const CtrvMat4& b) const {
  const double tol = s_tolerance;
  // Written in the rejecting form so that a NaN element never rejects.
  for (int k = 0; k < 16; ++k) {
    if (b.m_e[k] - tol > m_e[k]) return false;
    if (b.m_e[k] + tol < m_e[k]) return false;
  }
  return true;
}

const CtrvMat4& CtrvMat4::translate(double x, double y, double z) {
  identity();
  setColumnComponents(3, x, y, z, 1.0);
  return *this;
}

const CtrvMat4& CtrvMat4::rotateX(double a) {
  const double cs = std::cos(a);
  const double sn = std::sin(a);
  identity();
  setRowComponents(1, 0.0, cs, -sn, 0.0);
  setRowComponents(2, 0.0, sn, cs, 0.0);
  return *this;
}

const CtrvMat4& CtrvMat4::rotateY(double a) {
  const double cs = std::cos(a);
  const double sn = std::sin(a);
  identity();
  setRowComponents(0, cs, 0.0, sn, 0.0);
  setRowComponents(2, -sn, 0.0, cs, 0.0);
  return *this;
}

const CtrvMat4& CtrvMat4::rotateZ(double a) {
  const double cs = std::cos(a);
  const double sn = std::sin(a);
  identity();
  setRowComponents(0, cs, -sn, 0.0, 0.0);
  setRowComponents(1, sn, cs, 0.0, 0.0);
  return *this;
}

const CtrvMat4& CtrvMat4::rotate(double x, double y, double z, double angle) {
  zero();
  const double n = std::sqrt(x * x + y * y + z * z);
  // Negated so that a NaN length also falls back to the identity.
  if (!(n > s_tolerance)) {
    identity();
    return *this;
  }
  const double r = 1.0 / n;
  const double ux = x * r;
  const double uy = y * r;
  const double uz = z * r;
  const double sn = std::sin(angle);
  const double cs = std::cos(angle);
  const double k = 1.0 - cs;
  setRowComponents(0, ux * ux * k + cs, ux * uy * k - uz * sn, ux * uz * k + uy * sn, 0.0);
  setRowComponents(1, ux * uy * k + uz * sn, uy * uy * k + cs, uy * uz * k - ux * sn, 0.0);
  setRowComponents(2, ux * uz * k - uy * sn, uy * uz * k + ux * sn, uz * uz * k + cs, 0.0);
  m_e[15] = 1.0;
  return *this;
}

namespace {

// A deviation rejects only when strictly above the tolerance, so a deviation
// equal to it passes and a NaN never rejects.
bool rejects(double deviation) { return deviation > CtrvMat4::tolerance(); }

CtrvVect3 blockRow(const CtrvMat4& m, int r) { return CtrvVect3(m(r, 0), m(r, 1), m(r, 2)); }

// Everything the two rigidity tests share: the bottom row, then rows of the
// 3x3 block of unit length and pairwise perpendicular.
bool hasRigidShape(const CtrvMat4& m) {
  for (int j = 0; j < 3; ++j) {
    if (rejects(std::fabs(m(3, j)))) return false;
  }
  if (rejects(std::fabs(m(3, 3) - 1.0))) return false;
  const CtrvVect3 rows[3] = {blockRow(m, 0), blockRow(m, 1), blockRow(m, 2)};
  for (const CtrvVect3& row : rows) {
    if (rejects(std::fabs(row.norm() - 1.0))) return false;
  }
  return !rejects(std::fabs(rows[1].scalarProduct(rows[0]))) &&
         !rejects(std::fabs(rows[2].scalarProduct(rows[0]))) &&
         !rejects(std::fabs(rows[1].scalarProduct(rows[2])));
}

// Index of the component of smallest magnitude, ties to the lower index;
// only NaN components leave none chosen, and then 0 is taken.
int smallestComponent(const CtrvVect3& v) {
  const double a0 = std::fabs(v[0]);
  const double a1 = std::fabs(v[1]);
  const double a2 = std::fabs(v[2]);
  if (a1 >= a0 && a2 >= a0) return 0;
  if (a0 >= a1 && a2 >= a1) return 1;
  if (a0 >= a2 && a1 >= a2) return 2;
  return 0;
}

}  // namespace

bool CtrvMat4::isTransRot() const {
  return hasRigidShape(*this) && !rejects(std::fabs(det() - 1.0));
}

bool CtrvMat4::isTransRotOrSym() const {
  return hasRigidShape(*this) && !rejects(std::fabs(std::fabs(det()) - 1.0));
}

void CtrvMat4::repair() {
  CtrvVect3 x = xAxis();
  CtrvVect3 y = yAxis();
  x.normalize();
  y.normalize();
  y = x * (y * x);
  setColumn3(0, x);
  setColumn3(1, y);
  setColumn3(2, x * y);
  setRowComponents(3, 0.0, 0.0, 0.0, 1.0);
}

const CtrvMat4& CtrvMat4::setAsFrameWithXAxis(const CtrvVect3& x) {
  CtrvVect3 xUnit = x;
  xUnit.normalize();
  CtrvVect3 helper;
  helper[smallestComponent(xUnit)] = 1.0;
  CtrvVect3 zUnit = xUnit * helper;
  zUnit.normalize();
  setColumn3(0, xUnit);
  setColumn3(1, zUnit * xUnit);
  setColumn3(2, zUnit);
  return *this;
}
