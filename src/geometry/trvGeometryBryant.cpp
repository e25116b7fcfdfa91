// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>

#include "CtrvGeometry.h"

namespace {

// At or below this |cos beta| the first and third rotation axes are taken
// as aligned (gimbal lock).
constexpr double kGimbalLockCosine = 0.0005;

// Keeps asin and the quotients below finite when rounding has pushed an
// element of a rotation just beyond ±1.
void clampRotationBlock(CtrvMat4& q) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) q(i, j) = std::clamp(q(i, j), -1.0, 1.0);
  }
}

}  // namespace

double CtrvGeometry::radianToDegrees(double a) { return a * 180.0 / PI; }

double CtrvGeometry::degreesToRadian(double a) { return a * PI / 180.0; }

void CtrvGeometry::bryantToMatrix(const CtrvVect3& t, const CtrvVect3& r, CtrvMat4& m) {
  CtrvMat4 rotation;
  m.identity();
  m = m * rotation.rotateX(r[0]);
  m = m * rotation.rotateY(r[1]);
  m = m * rotation.rotateZ(r[2]);
  m.setColumnComponents(3, t[0], t[1], t[2], 1.0);
}

void CtrvGeometry::bryantToMatrix(double x, double y, double z, double rx, double ry, double rz,
                                  CtrvMat4& m) {
  bryantToMatrix(CtrvVect3(x, y, z), CtrvVect3(rx, ry, rz), m);
}

void CtrvGeometry::bryantToMatrix(const std::vector<double>& v, CtrvMat4& m) {
  if (v.size() != 6) return;
  bryantToMatrix(v[0], v[1], v[2], v[3], v[4], v[5], m);
}

void CtrvGeometry::matrixToBryant(const CtrvMat4& m, CtrvVect3& t, CtrvVect3& r) {
  CtrvMat4 q(m);
  clampRotationBlock(q);
  const double beta = std::asin(q(0, 2));
  const double cosBeta = std::cos(beta);
  double alpha = 0.0;
  double gamma = 0.0;
  if (std::fabs(cosBeta) > kGimbalLockCosine) {
    alpha = std::atan2(-q(1, 2) / cosBeta, q(2, 2) / cosBeta);
    gamma = std::atan2(-q(0, 1) / cosBeta, q(0, 0) / cosBeta);
  } else {
    gamma = std::atan2(q(1, 0), q(1, 1));
  }
  t.setValue(q(0, 3), q(1, 3), q(2, 3));
  r.setValue(alpha, beta, gamma);
}

void CtrvGeometry::matrixToBryant(const CtrvMat4& m, double& x, double& y, double& z, double& rx,
                                  double& ry, double& rz) {
  CtrvVect3 t;
  CtrvVect3 r;
  matrixToBryant(m, t, r);
  x = t[0];
  y = t[1];
  z = t[2];
  rx = r[0];
  ry = r[1];
  rz = r[2];
}

void CtrvGeometry::matrixToBryant(const CtrvMat4& m, std::vector<double>& v) {
  v.resize(6);
  matrixToBryant(m, v[0], v[1], v[2], v[3], v[4], v[5]);
}
