#include <cmath>

#include "CtrvGeometry.h"

namespace {

// The parameters of one pass, in a fixed buffer so that no pass allocates.
// A sphere or a cylinder yields at most two. The extruded sphere yields at
// most four: its caps are examined only for body hits that were not kept,
// and each cap is a sphere.
class ParameterList {
 public:
  void append(double t) { m_values[m_count++] = t; }
  const double* begin() const { return m_values; }
  const double* end() const { return m_values + m_count; }

 private:
  double m_values[4];
  unsigned int m_count = 0;
};

// Real roots of qa·t² + qb·t + qc = 0 with qa > 0, ascending. A tangent
// root is recognised only when the discriminant is exactly zero; a negative
// or NaN discriminant gives none.
ParameterList quadraticRoots(double qa, double qb, double qc) {
  ParameterList roots;
  const double discriminant = qb * qb - 4.0 * qa * qc;
  if (discriminant == 0.0) {
    roots.append(-qb / (2.0 * qa));
  } else if (discriminant > 0.0) {
    const double s = std::sqrt(discriminant);
    roots.append((-qb - s) / (2.0 * qa));
    roots.append((-qb + s) / (2.0 * qa));
  }
  return roots;
}

ParameterList lineSphere(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& o, double r) {
  const CtrvVect3 w = p - o;
  return quadraticRoots(d.scalarProduct(d), 2.0 * d.scalarProduct(w), w.scalarProduct(w) - r * r);
}

// The part of `x` perpendicular to the unit vector `u`.
CtrvVect3 perpendicularPart(const CtrvVect3& x, const CtrvVect3& u) {
  return x - u * u.scalarProduct(x);
}

ParameterList lineCylinder(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& o,
                           const CtrvVect3& v, double r) {
  CtrvVect3 u = v;
  u.normalize();
  const CtrvVect3 w = perpendicularPart(p - o, u);
  const CtrvVect3 dw = perpendicularPart(d, u);
  return quadraticRoots(dw.scalarProduct(dw), 2.0 * dw.scalarProduct(w),
                        w.scalarProduct(w) - r * r);
}

// Position along the axis from c1 to c2 of the points of a line: 0 level
// with c1, 1 level with c2.
class AxialPosition {
 public:
  AxialPosition(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& c1,
                const CtrvVect3& axis)
      : m_offset(p - c1), m_direction(d), m_length(axis.norm()), m_unitAxis(axis / m_length) {}

  double at(double t) const {
    return (m_offset + m_direction * t).scalarProduct(m_unitAxis) / m_length;
  }

 private:
  CtrvVect3 m_offset;
  CtrvVect3 m_direction;
  double m_length;
  CtrvVect3 m_unitAxis;
};

ParameterList lineExtrudedSphere(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& c1,
                                 const CtrvPoint3& c2, double r) {
  const CtrvVect3 axis = c2 - c1;
  const AxialPosition axial(p, d, c1, axis);
  ParameterList hits;
  bool examineC1Cap = false;
  bool examineC2Cap = false;
  for (const double t : lineCylinder(p, d, c1, axis, r)) {
    const double s = axial.at(t);
    if (s < 0.0) {
      examineC1Cap = true;
    } else if (s > 1.0) {
      examineC2Cap = true;
    } else {
      hits.append(t);
    }
  }
  if (examineC1Cap) {
    for (const double t : lineSphere(p, d, c1, r)) {
      if (axial.at(t) < 0.0) hits.append(t);
    }
  }
  if (examineC2Cap) {
    for (const double t : lineSphere(p, d, c2, r)) {
      if (axial.at(t) > 1.0) hits.append(t);
    }
  }
  return hits;
}

ParameterList withinSegment(const ParameterList& lineParameters) {
  ParameterList kept;
  for (const double t : lineParameters) {
    if (t >= 0.0 && t <= 1.0) kept.append(t);
  }
  return kept;
}

// Replaces the content of `params`; the vector keeps its capacity.
unsigned int store(const ParameterList& list, std::vector<double>& params) {
  params.assign(list.begin(), list.end());
  return static_cast<unsigned int>(params.size());
}

}  // namespace

unsigned int CtrvGeometry::intersectLineSphere(const CtrvPoint3& p, const CtrvVect3& d,
                                               const CtrvPoint3& o, double r,
                                               std::vector<double>& params) {
  return store(lineSphere(p, d, o, r), params);
}

unsigned int CtrvGeometry::intersectSegmentSphere(const CtrvPoint3& a, const CtrvPoint3& b,
                                                  const CtrvPoint3& o, double r,
                                                  std::vector<double>& params) {
  return store(withinSegment(lineSphere(a, b - a, o, r)), params);
}

unsigned int CtrvGeometry::intersectLineCylinder(const CtrvPoint3& p, const CtrvVect3& d,
                                                 const CtrvPoint3& o, const CtrvVect3& v, double r,
                                                 std::vector<double>& params) {
  return store(lineCylinder(p, d, o, v, r), params);
}

unsigned int CtrvGeometry::intersectSegmentCylinder(const CtrvPoint3& a, const CtrvPoint3& b,
                                                    const CtrvPoint3& o, const CtrvVect3& v,
                                                    double r, std::vector<double>& params) {
  return store(withinSegment(lineCylinder(a, b - a, o, v, r)), params);
}

unsigned int CtrvGeometry::intersectLineExtrudedSphere(const CtrvPoint3& p, const CtrvVect3& d,
                                                       const CtrvPoint3& c1, const CtrvPoint3& c2,
                                                       double r, std::vector<double>& params) {
  return store(lineExtrudedSphere(p, d, c1, c2, r), params);
}

unsigned int CtrvGeometry::intersectSegmentExtrudedSphere(const CtrvPoint3& a, const CtrvPoint3& b,
                                                          const CtrvPoint3& c1,
                                                          const CtrvPoint3& c2, double r,
                                                          std::vector<double>& params) {
  return store(withinSegment(lineExtrudedSphere(a, b - a, c1, c2, r)), params);
}

double CtrvGeometry::distancePointSegment(const CtrvPoint3& p, const CtrvPoint3& a,
                                          const CtrvPoint3& b) {
  const CtrvVect3 ab = b - a;
  double t = (p - a).scalarProduct(ab) / ab.scalarProduct(ab);
  if (t < 0.0) {
    t = 0.0;
  } else if (t > 1.0) {
    t = 1.0;
  }
  return p.distanceFrom(a + ab * t);
}
