#ifndef CTRV_GEOMETRY_H
#define CTRV_GEOMETRY_H

/// @file CtrvGeometry.h
/// Angle conversions and intersection and distance tests.

#include <vector>

#include "CtrvPoint3.h"
#include "CtrvVect3.h"
#include "trvExport.h"

/// Static geometry operations; the class has no data and is never
/// instantiated. Angles are in radians unless a name says degrees.
///
/// Intersections are reported as parameters t along a line P + t·d (t in
/// units of d) or along a segment A + t·(B − A) restricted to 0 <= t <= 1.
/// Each intersection operation first empties the caller's output vector,
/// then appends the parameters and returns the number it holds; it
/// allocates nothing once that vector has room for the results. No tolerance
/// is involved: tangency is recognised only when the discriminant of the
/// quadratic is exactly zero. Degenerate input (a zero direction, a
/// direction along a cylinder's axis, a zero axis, an extruded sphere with
/// both centres equal) yields non-finite parameters or no parameter; callers
/// exclude it.
class TRV_API CtrvGeometry {
 public:
  CtrvGeometry() = delete;

  /// The double nearest to pi.
  static constexpr double PI = 3.141592653589793;

  /// Radians to degrees: a · 180 / PI.
  static double radianToDegrees(double a);
  /// Degrees to radians: a · PI / 180.
  static double degreesToRadian(double a);

  /// Line P + t·d against the sphere of centre `o` and radius `r`.
  /// @return the number of parameters in `params`: 0, 1 (tangent) or 2, in
  ///         ascending order.
  static unsigned int intersectLineSphere(const CtrvPoint3& p, const CtrvVect3& d,
                                          const CtrvPoint3& o, double r,
                                          std::vector<double>& params);
  /// Segment from `a` to `b` against the sphere of centre `o` and radius
  /// `r`: the line parameters within [0, 1], bounds included.
  /// @return the number of parameters in `params`.
  static unsigned int intersectSegmentSphere(const CtrvPoint3& a, const CtrvPoint3& b,
                                             const CtrvPoint3& o, double r,
                                             std::vector<double>& params);

  /// Line P + t·d against the infinite cylinder of radius `r` whose axis
  /// passes through `o` with the direction `v` (of any non-zero length).
  /// @return the number of parameters in `params`: 0, 1 or 2, ascending.
  static unsigned int intersectLineCylinder(const CtrvPoint3& p, const CtrvVect3& d,
                                            const CtrvPoint3& o, const CtrvVect3& v, double r,
                                            std::vector<double>& params);
  /// Segment from `a` to `b` against the same cylinder: the line parameters
  /// within [0, 1], bounds included.
  /// @return the number of parameters in `params`.
  static unsigned int intersectSegmentCylinder(const CtrvPoint3& a, const CtrvPoint3& b,
                                               const CtrvPoint3& o, const CtrvVect3& v, double r,
                                               std::vector<double>& params);

  /// Line P + t·d against the extruded sphere of radius `r` along `c1` to
  /// `c2` (a cylinder closed by two hemispherical caps). The parameters come
  /// grouped, each group ascending: the body hits, then the hits on the cap
  /// around `c1`, then those on the cap around `c2`. A hit on the rim of a
  /// cap counts once, as a body hit.
  /// @return the number of parameters in `params`.
  static unsigned int intersectLineExtrudedSphere(const CtrvPoint3& p, const CtrvVect3& d,
                                                  const CtrvPoint3& c1, const CtrvPoint3& c2,
                                                  double r, std::vector<double>& params);
  /// Segment from `a` to `b` against the same extruded sphere: the line
  /// parameters within [0, 1], bounds included, in the line's order.
  /// @return the number of parameters in `params`.
  static unsigned int intersectSegmentExtrudedSphere(const CtrvPoint3& a, const CtrvPoint3& b,
                                                     const CtrvPoint3& c1, const CtrvPoint3& c2,
                                                     double r, std::vector<double>& params);

  /// Distance from `p` to the closest point of the segment from `a` to `b`
  /// (NaN when `a` equals `b`).
  static double distancePointSegment(const CtrvPoint3& p, const CtrvPoint3& a, const CtrvPoint3& b);
};

#endif
