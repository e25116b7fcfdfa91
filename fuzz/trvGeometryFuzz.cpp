// SPDX-License-Identifier: MIT
// Fuzzes the geometry on arbitrary doubles (NaN, infinities, huge and tiny
// values come straight from the input bits): intersections, Bryant angles,
// quaternions and general matrices of small orders. Results of degenerate
// input are the caller's concern; what must hold for any input is checked:
// no undefined behaviour, consistent result sizes, segment parameters within
// the segment, and the degenerate shapes behaving as the shapes they are.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CtrvGeometry.h"
#include "CtrvMat.h"
#include "CtrvMat4.h"
#include "CtrvPoint3.h"
#include "CtrvQuatF.h"
#include "CtrvVect3.h"
#include "trvFuzzCheck.h"

namespace {

double anyDouble(FuzzedDataProvider& input) {
  const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

CtrvPoint3 anyPoint(FuzzedDataProvider& input) {
  const double x = anyDouble(input);
  const double y = anyDouble(input);
  return CtrvPoint3(x, y, anyDouble(input));
}

bool allFinite(const std::vector<double>& values) {
  for (double value : values) {
    if (!std::isfinite(value)) return false;
  }
  return true;
}

// Hits: at most two for every shape (an extruded sphere is convex). Those
// of a sphere or a cylinder come ascending; those of an extruded sphere come
// grouped by part (body, then each cap), each group ascending.
void checkCount(unsigned int count, const std::vector<double>& params) {
  TRV_FUZZ_CHECK(count == params.size());
  TRV_FUZZ_CHECK(count <= 2);
}

void checkAscending(unsigned int count, const std::vector<double>& params) {
  checkCount(count, params);
  if (count == 2 && allFinite(params)) TRV_FUZZ_CHECK(params[0] <= params[1]);
}

// A segment form reports parameters within [0, 1] only, never NaN.
void checkWithinSegment(unsigned int count, const std::vector<double>& params) {
  checkCount(count, params);
  for (double t : params) TRV_FUZZ_CHECK(t >= 0.0 && t <= 1.0);
}

bool sameBits(const std::vector<double>& x, const std::vector<double>& y) {
  return x.size() == y.size() &&
         (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0);
}

bool sameDistance(double x, double y) { return (std::isnan(x) && std::isnan(y)) || x == y; }

void fuzzIntersections(FuzzedDataProvider& input) {
  const CtrvPoint3 a = anyPoint(input);
  const CtrvPoint3 b = anyPoint(input);
  const CtrvPoint3 c = anyPoint(input);
  const CtrvPoint3 d = anyPoint(input);
  const double r = anyDouble(input);
  std::vector<double> params{42.0};
  checkAscending(CtrvGeometry::intersectLineSphere(a, b, c, r, params), params);
  const std::vector<double> sphere = params;
  checkWithinSegment(CtrvGeometry::intersectSegmentSphere(a, b, c, r, params), params);
  checkAscending(CtrvGeometry::intersectLineCylinder(a, b, c, d, r, params), params);
  checkWithinSegment(CtrvGeometry::intersectSegmentCylinder(a, b, c, d, r, params), params);
  checkCount(CtrvGeometry::intersectLineExtrudedSphere(a, b, c, d, r, params), params);
  checkWithinSegment(CtrvGeometry::intersectSegmentExtrudedSphere(a, b, c, d, r, params), params);
  // With both centres equal the extruded sphere is the sphere itself.
  if (allFinite({c[0], c[1], c[2]})) {
    CtrvGeometry::intersectLineExtrudedSphere(a, b, c, c, r, params);
    TRV_FUZZ_CHECK(sameBits(params, sphere));
  }

  const double distance = CtrvGeometry::distancePointSegment(a, b, c);
  TRV_FUZZ_CHECK(std::isnan(distance) || distance >= 0.0);
  // A segment whose ends coincide is its point.
  if (allFinite({b[0], b[1], b[2]})) {
    TRV_FUZZ_CHECK(sameDistance(CtrvGeometry::distancePointSegment(a, b, b), a.distanceFrom(b)));
  }
}

void fuzzRotations(FuzzedDataProvider& input) {
  std::vector<double> pose(6);
  for (double& value : pose) value = anyDouble(input);
  CtrvMat4 m;
  CtrvGeometry::bryantToMatrix(pose, m);
  std::vector<double> back{1.0, 2.0};
  CtrvGeometry::matrixToBryant(m, back);
  TRV_FUZZ_CHECK(back.size() == 6);

  CtrvMat4 any;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) any(i, j) = anyDouble(input);
  }
  CtrvGeometry::matrixToBryant(any, back);
  (void)any.det();
  (void)any.inverse();
  (void)(any * m);

  const auto toFloat = [](double v) { return static_cast<float>(std::isfinite(v) ? v : 0.0); };
  const CtrvQuatF q(static_cast<float>(std::fmod(pose[0], 1e30)), toFloat(pose[1]),
                    toFloat(pose[2]), toFloat(pose[3]));
  CtrvMat4 fromQ;
  q.toMatrix(fromQ);
  const CtrvQuatF again(fromQ);
  const CtrvQuatF fromAny(any);
  (void)(again * fromAny.conj());
  CtrvVect3 axis;
  fromAny.getVector(axis);
}

void fillMatrix(FuzzedDataProvider& input, CtrvMat& m) {
  for (unsigned int i = 0; i < m.height(); ++i) {
    for (unsigned int j = 0; j < m.width(); ++j) m(i, j) = anyDouble(input);
  }
}

void fuzzMatrices(FuzzedDataProvider& input) {
  const unsigned int n = input.ConsumeIntegralInRange(0u, 5u);
  const unsigned int k = input.ConsumeIntegralInRange(0u, 5u);
  const unsigned int p = input.ConsumeIntegralInRange(0u, 5u);
  CtrvMat a(n, k);
  CtrvMat b(k, p, 0.0);
  fillMatrix(input, a);
  fillMatrix(input, b);
  const CtrvMat product = a * b;
  TRV_FUZZ_CHECK(product.height() == n && product.width() == p);
  const CtrvMat transposed = product.t();
  TRV_FUZZ_CHECK(transposed.height() == p && transposed.width() == n);
  if (n != p) TRV_FUZZ_CHECK(product.det() == 0.0);
  (void)product.det();
  CtrvMat square(n, n, anyDouble(input));
  fillMatrix(input, square);
  (void)square.det();

  CtrvMat assigned(input.ConsumeIntegralInRange(0u, 5u), input.ConsumeIntegralInRange(0u, 5u));
  assigned = a;
  TRV_FUZZ_CHECK(assigned.height() == n && assigned.width() == k);
  for (unsigned int i = 0; i < n; ++i) {
    for (unsigned int j = 0; j < k; ++j) {
      TRV_FUZZ_CHECK(std::memcmp(&assigned(i, j), &a(i, j), sizeof(double)) == 0);
    }
  }
  assigned = anyDouble(input);
  assigned = square;
  TRV_FUZZ_CHECK(assigned.height() == n && assigned.width() == n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
      fuzzIntersections(input);
      break;
    case 1:
      fuzzRotations(input);
      break;
    default:
      fuzzMatrices(input);
      break;
  }
  return 0;
}
