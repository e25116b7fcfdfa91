// SPDX-License-Identifier: MIT
#ifndef CTRV_GEOMETRY_H
#define CTRV_GEOMETRY_H

/// @file CtrvGeometry.h
/// Angle conversions, poses as Bryant angles, and intersection and
/// distance tests with spheres, cylinders and capsules (extruded spheres).

#include <vector>

#include "CtrvMat4.h"
#include "CtrvPoint3.h"
#include "CtrvVect3.h"
#include "trvExport.h"

/// Static geometry operations; the class has no data and is never
/// instantiated. Angles are in radians unless a name says degrees.
///
/// A pose is a rigid transform given as a translation (x, y, z) and Bryant
/// angles (alpha, beta, gamma): the rotation Rx(alpha)·Ry(beta)·Rz(gamma),
/// that is about x, then about the new y, then about the newest z (moving
/// axes). In the six-number forms the order is x, y, z, alpha, beta, gamma.
///
/// Lines and segments are intersected with spheres, infinite cylinders and
/// capsules (called extruded spheres here: the volume a sphere sweeps along
/// a segment). Intersections are reported as parameters t along a line
/// P + t·d (t in units of d) or along a segment A + t·(B − A) restricted to
/// 0 <= t <= 1. Each intersection operation first empties the caller's
/// output vector, then appends the parameters and returns the number it
/// holds; it allocates nothing once that vector has room for the results.
/// No tolerance is involved: tangency is recognised only when the
/// discriminant of the quadratic is exactly zero. The segment forms only
/// ever report parameters in [0, 1], never NaN. What each operation returns
/// for degenerate input (a zero direction, a zero axis) is given with it.
///
/// The quadratics work with squared distances measured from P, so a line
/// passing within about 1e-16·S²/r of a surface (S the distance from P to
/// the centre or axis) may be reported either way; for a radius below about
/// 1e-8·S even a line through the centre may be missed. For thin shapes,
/// start the line near them. Inputs whose squares overflow give no or
/// non-finite parameters.
class TRV_API CtrvGeometry {
 public:
  /// Never instantiated: every operation is static.
  CtrvGeometry() = delete;

  /// The double nearest to pi.
  static constexpr double PI = 3.141592653589793;

  /// Radians to degrees: a · 180 / PI.
  static double radianToDegrees(double a);
  /// Degrees to radians: a · PI / 180.
  static double degreesToRadian(double a);

  /// Sets `m` to the pose with translation `t` and Bryant angles `r`.
  static void bryantToMatrix(const CtrvVect3& t, const CtrvVect3& r, CtrvMat4& m);
  /// Sets `m` to the pose with translation (x, y, z) and Bryant angles
  /// (rx, ry, rz).
  static void bryantToMatrix(double x, double y, double z, double rx, double ry, double rz,
                             CtrvMat4& m);
  /// Sets `m` to the pose (x, y, z, alpha, beta, gamma) held in `v`; leaves
  /// `m` unchanged unless `v` has exactly 6 elements.
  static void bryantToMatrix(const std::vector<double>& v, CtrvMat4& m);

  /// Reads the translation `t` and the Bryant angles `r` of the rigid
  /// transform `m`: beta in [-pi/2, pi/2], alpha and gamma in (-pi, pi].
  /// The elements of the rotation block are clamped into [-1, 1] first, so
  /// the result is finite even for a slightly drifted matrix. Within about
  /// 0.0005 of beta = ±pi/2 (|cos beta| <= 0.0005) only alpha + gamma (beta =
  /// pi/2) or gamma - alpha (beta = -pi/2) is determined: alpha is then 0 and
  /// gamma receives the whole of it.
  static void matrixToBryant(const CtrvMat4& m, CtrvVect3& t, CtrvVect3& r);
  /// As matrixToBryant(m, t, r), into six doubles.
  static void matrixToBryant(const CtrvMat4& m, double& x, double& y, double& z, double& rx,
                             double& ry, double& rz);
  /// As matrixToBryant(m, t, r); `v` is resized to exactly 6 elements
  /// holding x, y, z, alpha, beta, gamma.
  static void matrixToBryant(const CtrvMat4& m, std::vector<double>& v);

  /// Line P + t·d against the sphere of centre `o` and radius `r`.
  /// @return the number of parameters in `params`: 0, 1 (tangent) or 2, in
  ///         ascending order. A zero `d` is no line: it gives a single NaN.
  static unsigned int intersectLineSphere(const CtrvPoint3& p, const CtrvVect3& d,
                                          const CtrvPoint3& o, double r,
                                          std::vector<double>& params);
  /// Segment from `a` to `b` against the sphere of centre `o` and radius
  /// `r`: the line parameters within [0, 1], bounds included.
  /// @return the number of parameters in `params`; 0 when `a` equals `b`.
  static unsigned int intersectSegmentSphere(const CtrvPoint3& a, const CtrvPoint3& b,
                                             const CtrvPoint3& o, double r,
                                             std::vector<double>& params);

  /// Line P + t·d against the infinite cylinder of radius `r` whose axis
  /// passes through `o` with the direction `v` (of any non-zero length).
  /// @return the number of parameters in `params`: 0, 1 or 2, ascending. A
  ///         line along the axis (`d` without a part across it once rounded)
  ///         crosses no surface, and a zero `d` is no line: either gives a
  ///         single NaN. A zero `v` gives 0.
  static unsigned int intersectLineCylinder(const CtrvPoint3& p, const CtrvVect3& d,
                                            const CtrvPoint3& o, const CtrvVect3& v, double r,
                                            std::vector<double>& params);
  /// Segment from `a` to `b` against the same cylinder: the line parameters
  /// within [0, 1], bounds included.
  /// @return the number of parameters in `params`; 0 for a segment along
  ///         the axis or with `a` equal to `b`.
  static unsigned int intersectSegmentCylinder(const CtrvPoint3& a, const CtrvPoint3& b,
                                               const CtrvPoint3& o, const CtrvVect3& v, double r,
                                               std::vector<double>& params);

  /// Line P + t·d against the extruded sphere (a capsule) of radius `r`
  /// along `c1` to `c2`: the volume swept by a sphere of radius `r` whose
  /// centre runs from `c1` to `c2`, a cylinder closed by two hemispherical
  /// caps. The parameters come grouped, each group ascending: the hits on
  /// the body (the cylinder's side), then the hits on the cap around `c1`,
  /// then those on the cap around `c2`; at most two in all. A hit on the
  /// rim of a cap counts once, as a body hit: the side and the caps decide
  /// every crossing together, so each is reported by exactly one of them
  /// (where rounding leaves a cap's sphere uncrossed although the line
  /// passes its rim, by the line's point level with the rim).
  ///
  /// The capsule is convex: the line lies inside it from the smallest to
  /// the largest parameter. So a segment from P to P + d touches the
  /// capsule when the smallest is at most 1 and the largest at least 0, a
  /// test that stays consistent for a segment starting inside or on the
  /// surface.
  ///
  /// A line along the axis (`d` without a part across it once rounded)
  /// cannot cross the side: it gives its crossings of the two caps, for `d`
  /// pointing from `c1` towards `c2` the entry through the `c1` cap then the
  /// exit through the `c2` cap, for the opposite `d` the exit through the
  /// `c1` cap then the entry through the `c2` cap. When `c1` equals `c2` the
  /// capsule is the sphere around `c1`, and the result is that of
  /// intersectLineSphere. A zero `d` is no line: it gives a single NaN.
  /// @return the number of parameters in `params`.
  static unsigned int intersectLineExtrudedSphere(const CtrvPoint3& p, const CtrvVect3& d,
                                                  const CtrvPoint3& c1, const CtrvPoint3& c2,
                                                  double r, std::vector<double>& params);
  /// Segment from `a` to `b` against the same extruded sphere (capsule):
  /// the line parameters within [0, 1], bounds included, in the line's
  /// order. These are crossings of the surface only: a segment that starts
  /// inside reports nothing until it leaves. To tell whether a segment
  /// touches the capsule, use the line form as described there; testing
  /// the start with distancePointSegment instead can disagree with the
  /// crossings by rounding for a start on the surface.
  /// @return the number of parameters in `params`; 0 when `a` equals `b`.
  static unsigned int intersectSegmentExtrudedSphere(const CtrvPoint3& a, const CtrvPoint3& b,
                                                     const CtrvPoint3& c1, const CtrvPoint3& c2,
                                                     double r, std::vector<double>& params);

  /// Distance from `p` to the closest point of the segment from `a` to `b`;
  /// when `a` equals `b`, the distance from `p` to that point. The closest
  /// point is computed in the coordinates themselves, so the result is
  /// rounded at their scale.
  static double distancePointSegment(const CtrvPoint3& p, const CtrvPoint3& a, const CtrvPoint3& b);
};

#endif
