// SPDX-License-Identifier: MIT
// Poses, quaternions and intersections. Angles are in radians; lengths in
// whatever unit the caller uses throughout (here metres).
//
//   geometry_example            (writes no file)

#include <CtrvGeometry.h>
#include <CtrvMat4.h>
#include <CtrvPoint3.h>
#include <CtrvQuatF.h>
#include <CtrvVect3.h>

#include <cmath>
#include <iostream>
#include <vector>

// Rounded to 1e-6, so that rounding noise such as 6e-17 prints as 0.
static double shown(double x) { return std::round(x * 1e6) / 1e6 + 0.0; }

static std::ostream& operator<<(std::ostream& out, const CtrvVect3& v) {
  return out << '(' << shown(v[0]) << ", " << shown(v[1]) << ", " << shown(v[2]) << ')';
}

static void poses() {
  std::cout << "poses\n";
  // A robot at (1, 2, 0), turned by 90 degrees about z: the six numbers are
  // x, y, z and the Bryant angles about x, then the new y, then the new z.
  CtrvMat4 robot;
  CtrvGeometry::bryantToMatrix(1.0, 2.0, 0.0, 0.0, 0.0, CtrvGeometry::degreesToRadian(90.0), robot);
  // A tool 0.5 m ahead of the robot, along the robot's own x axis.
  CtrvMat4 tool;
  tool.translate(0.5, 0.0, 0.0);

  // A*B applies B first: the tool's pose in the world.
  const CtrvMat4 toolInWorld = robot * tool;
  std::cout << "  tool tip in the world: " << toolInWorld * CtrvPoint3() << '\n';  // (1, 2.5, 0)
  // A point is moved by the translation, a vector is only turned.
  std::cout << "  tool x axis in the world: " << toolInWorld * CtrvVect3(1, 0, 0) << '\n';

  // Back to six numbers, and back into the tool's frame with the inverse.
  std::vector<double> pose;
  CtrvGeometry::matrixToBryant(toolInWorld, pose);
  std::cout << "  pose: x " << pose[0] << ", y " << pose[1] << ", gamma "
            << CtrvGeometry::radianToDegrees(pose[5]) << " degrees\n";
  const CtrvPoint3 target(1.0, 4.0, 0.0);
  std::cout << "  (1, 4, 0) seen from the tool: " << toolInWorld.inverse() * target << '\n';
  std::cout << "  rigid transform: " << std::boolalpha << toolInWorld.isTransRot() << '\n';
}

static void quaternions() {
  std::cout << "quaternions\n";
  // 45 degrees about the unit axis z, twice: 90 degrees about z.
  const CtrvQuatF eighth(static_cast<float>(CtrvGeometry::PI / 4.0), 0.0f, 0.0f, 1.0f);
  const CtrvQuatF quarter = eighth * eighth;

  // The same rotation as a matrix; == compares within the matrix tolerance.
  CtrvMat4 fromQuaternion;
  quarter.toMatrix(fromQuaternion);
  CtrvMat4 expected;
  expected.rotateZ(CtrvGeometry::PI / 2.0);
  std::cout << "  matches rotateZ(90 degrees): " << std::boolalpha << (fromQuaternion == expected)
            << '\n';

  // Rotating a vector: q * (0, v) * conj(q).
  const CtrvQuatF turned = quarter * CtrvQuatF(CtrvVect3(1, 0, 0)) * quarter.conj();
  CtrvVect3 image;
  turned.getVector(image);
  std::cout << "  x axis turned: " << image << '\n';  // about (0, 1, 0)

  // And back from the rotation block of any pose (normalised).
  const CtrvQuatF recovered(expected);
  std::cout << "  w " << recovered.w() << ", z " << recovered.z() << '\n';
}

static void intersections() {
  std::cout << "intersections\n";
  std::vector<double> t;  // reused: each call empties it first

  // The line P + t*d through a sphere of radius 1 at the origin.
  const CtrvPoint3 p(-3.0, 0.0, 0.0);
  const CtrvVect3 d(1.0, 0.0, 0.0);
  const unsigned int hits = CtrvGeometry::intersectLineSphere(p, d, CtrvPoint3(), 1.0, t);
  for (unsigned int i = 0; i < hits; ++i) {
    std::cout << "  sphere hit at t = " << t[i] << ": " << p + d * t[i] << '\n';
  }

  // A segment A..B against an infinite cylinder around the z axis: t is in
  // [0, 1] along the segment.
  const CtrvPoint3 a(0.0, 0.0, 0.0);
  const CtrvPoint3 b(4.0, 0.0, 1.0);
  CtrvGeometry::intersectSegmentCylinder(a, b, CtrvPoint3(), CtrvVect3(0, 0, 1), 2.0, t);
  for (double ti : t) std::cout << "  cylinder hit at t = " << ti << '\n';  // 0.5

  // A capsule (a sphere of radius 0.5 swept from c1 to c2), crossed twice.
  const CtrvPoint3 c1(0.0, 0.0, 0.0);
  const CtrvPoint3 c2(0.0, 0.0, 3.0);
  const unsigned int capsuleHits = CtrvGeometry::intersectSegmentExtrudedSphere(
      CtrvPoint3(-2.0, 0.0, 1.0), CtrvPoint3(2.0, 0.0, 1.0), c1, c2, 0.5, t);
  std::cout << "  capsule hits: " << capsuleHits << '\n';  // t = 0.375 and 0.625

  std::cout << "  distance from (1, 1, 1) to the capsule axis: "
            << CtrvGeometry::distancePointSegment(CtrvPoint3(1, 1, 1), c1, c2) << '\n';
}

int main() {
  poses();
  quaternions();
  intersections();
  return 0;
}
