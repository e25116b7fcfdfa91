// SPDX-License-Identifier: MIT
#include <cmath>

#include "CtrvGeometry.h"

namespace {

// The parameters of one pass, in a fixed buffer so that no pass allocates.
// A sphere or a cylinder yields at most two, and so does the extruded
// sphere, a convex shape: each crossing of its side is either kept on the
// side or handed to one cap, and a cap keeps one crossing per crossing
// handed to it, or, when a tangency leaves nothing to match, its own one
// or two (see appendCapHits).
class ParameterList {
 public:
  void append(double t) { m_values[m_count++] = t; }
  void set(unsigned int k, double t) { m_values[k] = t; }
  unsigned int size() const { return m_count; }
  double operator[](unsigned int k) const { return m_values[k]; }
  const double* begin() const { return m_values; }
  const double* end() const { return m_values + m_count; }

 private:
  double m_values[2];
  unsigned int m_count = 0;
};

// qa·t² + qb·t + qc = 0, with qa >= 0 for every shape here.
struct Quadratic {
  double qa;
  double qb;
  double qc;

  // The real roots, ascending. A tangent root is recognised only when the
  // discriminant is exactly zero; a negative or NaN discriminant gives none.
  // qa is not tested: qa = 0 = qb gives the single root NaN.
  ParameterList roots() const {
    ParameterList found;
    const double discriminant = qb * qb - 4.0 * qa * qc;
    if (discriminant == 0.0) {
      found.append(-qb / (2.0 * qa));
    } else if (discriminant > 0.0) {
      const double s = std::sqrt(discriminant);
      found.append((-qb - s) / (2.0 * qa));
      found.append((-qb + s) / (2.0 * qa));
    }
    return found;
  }
};

Quadratic sphereQuadratic(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& o, double r) {
  const CtrvVect3 w = p - o;
  return {d.scalarProduct(d), 2.0 * d.scalarProduct(w), w.scalarProduct(w) - r * r};
}

ParameterList lineSphere(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& o, double r) {
  return sphereQuadratic(p, d, o, r).roots();
}

// The part of `x` perpendicular to the unit vector `u`.
CtrvVect3 perpendicularPart(const CtrvVect3& x, const CtrvVect3& u) {
  return x - u * u.scalarProduct(x);
}

// Its qa is 0 when the direction has no part across the axis.
Quadratic cylinderQuadratic(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& o,
                            const CtrvVect3& v, double r) {
  CtrvVect3 u = v;
  u.normalize();
  const CtrvVect3 w = perpendicularPart(p - o, u);
  const CtrvVect3 dw = perpendicularPart(d, u);
  return {dw.scalarProduct(dw), 2.0 * dw.scalarProduct(w), w.scalarProduct(w) - r * r};
}

ParameterList lineCylinder(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& o,
                           const CtrvVect3& v, double r) {
  return cylinderQuadratic(p, d, o, v, r).roots();
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

  // The parameter of the line's point at position `s`.
  double parameterAt(double s) const {
    return (s * m_length - m_offset.scalarProduct(m_unitAxis)) /
           m_direction.scalarProduct(m_unitAxis);
  }

 private:
  CtrvVect3 m_offset;
  CtrvVect3 m_direction;
  double m_length;
  CtrvVect3 m_unitAxis;
};

// The parts of an extruded sphere's surface.
enum class Part { body, c1Cap, c2Cap };

// The crossings of an extruded sphere's side cylinder, by rank along the
// line (entry first), each with the part of the surface it decides: itself
// when it lies level with the axis segment (a rim included), otherwise the
// cap beyond. A line along the axis has two crossings without parameters,
// one for each cap.
class SideCrossings {
 public:
  SideCrossings(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& c1,
                const CtrvVect3& axis, double r, const AxialPosition& axial) {
    const Quadratic cylinder = cylinderQuadratic(p, d, c1, axis, r);
    const double along = d.scalarProduct(axis);
    if (cylinder.qa == 0.0 && along != 0.0) {
      // Along the axis the line never crosses the side: it comes in through
      // one cap and goes out through the other. (A zero direction goes on
      // to the root rule, which gives it its one NaN.)
      m_parts[0] = along > 0.0 ? Part::c1Cap : Part::c2Cap;
      m_parts[1] = along > 0.0 ? Part::c2Cap : Part::c1Cap;
      m_count = 2;
      return;
    }
    m_parameters = cylinder.roots();
    for (const double t : m_parameters) {
      const double s = axial.at(t);
      m_parts[m_count++] = s < 0.0 ? Part::c1Cap : s > 1.0 ? Part::c2Cap : Part::body;
    }
  }

  unsigned int size() const { return m_count; }
  Part operator[](unsigned int rank) const { return m_parts[rank]; }
  bool sends(Part cap) const {
    for (unsigned int k = 0; k < m_count; ++k) {
      if (m_parts[k] == cap) return true;
    }
    return false;
  }

  // A line whose two crossings fall in different parts passes level with
  // each rim between them inside the cylinder, so it crosses that cap's
  // sphere. When the computed sphere is not crossed, the line passes the
  // rim within rounding: the crossing handed to the cap becomes the line's
  // point level with the rim (if the line is not level with it throughout),
  // a body hit, as a hit on a rim is.
  void settleOnRim(Part cap, const ParameterList& capSphere, const AxialPosition& axial) {
    if (m_parameters.size() != 2 || m_parts[0] == m_parts[1] || capSphere.size() != 0) return;
    const double onRim = axial.parameterAt(cap == Part::c1Cap ? 0.0 : 1.0);
    for (unsigned int k = 0; k < 2; ++k) {
      if (m_parts[k] != cap) continue;
      m_parts[k] = Part::body;
      if (std::isfinite(onRim)) m_parameters.set(k, onRim);
    }
  }

  void appendBodyHits(ParameterList& hits) const {
    for (unsigned int k = 0; k < m_parameters.size(); ++k) {
      if (m_parts[k] == Part::body) hits.append(m_parameters[k]);
    }
  }

 private:
  ParameterList m_parameters;
  Part m_parts[2] = {Part::body, Part::body};
  unsigned int m_count = 0;
};

// The crossings of a cap's sphere that belong to the extruded sphere. The
// sphere lies inside the side cylinder and touches it along the cap's rim,
// so the line enters (leaves) the extruded sphere through a cap exactly
// when it enters (leaves) the cylinder beyond that rim, and then through
// the sphere's entry (exit). Each crossing thus keeps the one decision the
// side made from its axial position, even on the rim, where recomputing
// that position from the sphere's parameter could fall on the other side.
// When the side or the sphere has a single, tangent crossing, ranks cannot
// be matched and every crossing of the sphere is kept.
void appendCapHits(const SideCrossings& side, Part cap, const ParameterList& capSphere,
                   ParameterList& hits) {
  if (!side.sends(cap)) return;
  const bool byRank = capSphere.size() == 2 && side.size() == 2;
  for (unsigned int k = 0; k < capSphere.size(); ++k) {
    if (!byRank || side[k] == cap) hits.append(capSphere[k]);
  }
}

ParameterList lineExtrudedSphere(const CtrvPoint3& p, const CtrvVect3& d, const CtrvPoint3& c1,
                                 const CtrvPoint3& c2, double r) {
  const CtrvVect3 axis = c2 - c1;
  if (axis.squareLength() == 0.0) return lineSphere(p, d, c1, r);  // no axis: the sphere itself
  const AxialPosition axial(p, d, c1, axis);
  SideCrossings side(p, d, c1, axis, r, axial);
  const ParameterList c1Sphere =
      side.sends(Part::c1Cap) ? lineSphere(p, d, c1, r) : ParameterList();
  const ParameterList c2Sphere =
      side.sends(Part::c2Cap) ? lineSphere(p, d, c2, r) : ParameterList();
  side.settleOnRim(Part::c1Cap, c1Sphere, axial);
  side.settleOnRim(Part::c2Cap, c2Sphere, axial);
  ParameterList hits;
  side.appendBodyHits(hits);
  appendCapHits(side, Part::c1Cap, c1Sphere, hits);
  appendCapHits(side, Part::c2Cap, c2Sphere, hits);
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
  const double lengthSquared = ab.scalarProduct(ab);
  // A segment whose ends coincide is its one point (the ratio would be 0/0).
  double t = lengthSquared == 0.0 ? 0.0 : (p - a).scalarProduct(ab) / lengthSquared;
  if (t < 0.0) {
    t = 0.0;
  } else if (t > 1.0) {
    t = 1.0;
  }
  return p.distanceFrom(a + ab * t);
}
