// SPDX-License-Identifier: MIT
// Whether a segment touches a capsule, decided as a collision sweep decides
// it with the library (the part of the segment's line inside the capsule
// meets the segment), against the exact answer: the squared distance
// between the segment and the axis segment, computed without rounding from
// the double inputs, compared with r².
//
// The library rounds, so where the exact distance lies within a few units
// of its rounding of r the answer may go either way; such cases are only
// counted. Every other case must agree. For a long local run, set
// TRV_CAPSULE_ORACLE_CASES to the number of cases per family; each family
// then prints its tally.

// GCC 12 warns of a maybe-uninitialized limb inside Boost 1.74's rational
// normalisation, a false positive in Boost's own code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <boost/multiprecision/cpp_int.hpp>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <string>

#include "geometry/trvGeometryTestSupport.h"

namespace trvTest {
namespace {

using G = CtrvGeometry;
using P = CtrvPoint3;
using V = CtrvVect3;
using Rational = boost::multiprecision::cpp_rational;

struct CapsuleCase {
  P a, b, c1, c2;
  double r;
};

// ---- The exact oracle -----------------------------------------------------

// Wide enough for every product below when the inputs of a case span up to
// about 150 bits (a 53-bit significand and 97 binades between their
// exponents); a wider span throws instead of overflowing. Fixed, so that no
// product allocates.
using Integer = boost::multiprecision::number<boost::multiprecision::cpp_int_backend<
    2048, 2048, boost::multiprecision::signed_magnitude, boost::multiprecision::checked, void>>;
using BigInteger = boost::multiprecision::cpp_int;

struct ExactVector {
  Integer x, y, z;
  ExactVector operator+(const ExactVector& w) const { return {x + w.x, y + w.y, z + w.z}; }
  ExactVector operator-(const ExactVector& w) const { return {x - w.x, y - w.y, z - w.z}; }
  ExactVector operator*(const Integer& s) const { return {x * s, y * s, z * s}; }
  Integer dot(const ExactVector& w) const { return x * w.x + y * w.y + z * w.z; }
};

// A squared length num/den, den > 0.
struct Fraction {
  Integer num, den;
  bool operator<(const Fraction& other) const { return num * other.den < other.num * den; }
  double approximate() const {
    if (num == 0) return 0.0;
    const auto shift = [](const Integer& n) { return std::max(0, static_cast<int>(msb(n)) - 60); };
    return std::ldexp(
        static_cast<double>(num >> shift(num)) / static_cast<double>(den >> shift(den)),
        shift(num) - shift(den));
  }
};

// From `p` to the segment from `a` along `ab`.
Fraction pointToSegment(const ExactVector& p, const ExactVector& a, const ExactVector& ab) {
  const ExactVector ap = p - a;
  const Integer length = ab.dot(ab), along = ap.dot(ab);
  if (length == 0 || along <= 0) return {ap.dot(ap), 1};
  if (along >= length) {
    const ExactVector bp = ap - ab;
    return {bp.dot(bp), 1};
  }
  return {ap.dot(ap) * length - along * along, length};
}

// Between the segments from `a` along `u` and from `c` along `v`: the
// interior stationary point when the segments are not parallel and it lies
// within both, otherwise the nearest of the four end-to-segment distances.
Fraction segmentToSegment(const ExactVector& a, const ExactVector& u, const ExactVector& c,
                          const ExactVector& v) {
  Fraction best = pointToSegment(a, c, v);
  for (const Fraction& candidate :
       {pointToSegment(a + u, c, v), pointToSegment(c, a, u), pointToSegment(c + v, a, u)}) {
    if (candidate < best) best = candidate;
  }
  const ExactVector w = a - c;
  const Integer uu = u.dot(u), uv = u.dot(v), vv = v.dot(v), uw = u.dot(w), vw = v.dot(w);
  const Integer denominator = uu * vv - uv * uv;
  if (denominator > 0) {
    const Integer s = uv * vw - vv * uw;  // over the denominator
    const Integer t = uu * vw - uv * uw;
    if (s >= 0 && s <= denominator && t >= 0 && t <= denominator) {
      const ExactVector gap = w * denominator + u * s - v * t;
      const Fraction interior{gap.dot(gap), denominator * denominator};
      if (interior < best) best = interior;
    }
  }
  return best;
}

// A case without rounding: its inputs as integer multiples of the largest
// power of two they are all multiples of (every double is a multiple of its
// last bit), then the squared distance between the segment and the axis
// segment, in that unit squared.
class ExactCase {
 public:
  explicit ExactCase(const CapsuleCase& k) {
    for (const double value : {k.a[0], k.a[1], k.a[2], k.b[0], k.b[1], k.b[2], k.c1[0], k.c1[1],
                               k.c1[2], k.c2[0], k.c2[1], k.c2[2], k.r}) {
      if (value != 0.0) m_unit = std::min(m_unit, lastBitExponent(value));
    }
    if (m_unit == std::numeric_limits<int>::max()) m_unit = 0;  // all zero
    const ExactVector a = exact(k.a), c1 = exact(k.c1);
    m_distance2 = segmentToSegment(a, exact(k.b) - a, c1, exact(k.c2) - c1);
    const Integer r = exact(k.r);
    m_r2 = r * r;
  }

  bool contact() const { return !(Fraction{m_r2, 1} < m_distance2); }
  double distance() const { return std::ldexp(std::sqrt(m_distance2.approximate()), m_unit); }
  Rational squaredDistance() const {
    return Rational(BigInteger(m_distance2.num), BigInteger(m_distance2.den)) *
           (m_unit >= 0 ? Rational(BigInteger(1) << (2 * m_unit))
                        : Rational(BigInteger(1), BigInteger(1) << (-2 * m_unit)));
  }

 private:
  static int lastBitExponent(double value) {
    int exponent = 0;
    std::frexp(value, &exponent);
    return exponent - 53;
  }
  Integer exact(double value) const {
    if (value == 0.0) return 0;
    int exponent = 0;
    const auto significand =
        static_cast<std::int64_t>(std::ldexp(std::fabs(std::frexp(value, &exponent)), 53));
    const Integer magnitude = Integer(significand) << (exponent - 53 - m_unit);
    return value < 0 ? Integer(-magnitude) : magnitude;
  }
  ExactVector exact(const P& p) const { return {exact(p[0]), exact(p[1]), exact(p[2])}; }

  int m_unit = std::numeric_limits<int>::max();
  Fraction m_distance2;
  Integer m_r2;
};

// ---- The cases ------------------------------------------------------------

std::string describe(const CapsuleCase& k) {
  std::ostringstream text;
  text << std::hexfloat;
  for (const auto& [name, p] :
       {std::pair<const char*, const P*>{"a", &k.a}, {"b", &k.b}, {"c1", &k.c1}, {"c2", &k.c2}}) {
    text << name << ' ' << (*p)[0] << ' ' << (*p)[1] << ' ' << (*p)[2] << "  ";
  }
  text << "r " << k.r;
  return text.str();
}

// As a sweep decides: the part of the segment's line inside the capsule,
// from the smallest to the largest parameter the line form reports, meets
// the segment (0 <= t <= 1); a segment of zero length, which has no line,
// touches when its point lies within the radius of the axis segment.
bool libraryContact(const CapsuleCase& k, std::vector<double>& params) {
  if (k.a.isStrictlyEqual(k.b)) return G::distancePointSegment(k.a, k.c1, k.c2) <= k.r;
  if (G::intersectLineExtrudedSphere(k.a, k.b - k.a, k.c1, k.c2, k.r, params) == 0) return false;
  const auto [low, high] = std::minmax_element(params.begin(), params.end());
  return *low <= 1.0 && *high >= 0.0;
}

// One unit of the library's rounding near the surface: that of the
// differences it computes with (scale S), and that of the squared distances
// in its quadratics, which their discriminants turn into distances of S²/r.
double roundingUnit(const CapsuleCase& k) {
  const double scale =
      std::max({k.r, (k.b - k.a).norm(), (k.c2 - k.c1).norm(), (k.a - k.c1).norm()});
  return std::numeric_limits<double>::epsilon() * scale * (1.0 + scale / k.r);
}

// Disagreements stay below one unit (0.91 at most in 200,000 cases of each
// family); four leave room for another compiler's rounding.
constexpr double kBandUnits = 4;

struct Tally {
  int contacts = 0;
  int clear = 0;
  int nearBoundary = 0;
  double worstDisagreement = 0;  // in rounding units
};

void check(const CapsuleCase& k, Tally& tally, std::vector<double>& params) {
  const ExactCase exact(k);
  const bool agree = libraryContact(k, params) == exact.contact();
  // The band needs no exactness: the distance in double is far closer than it.
  const double off = std::fabs(exact.distance() - k.r) / roundingUnit(k);
  if (!agree) tally.worstDisagreement = std::max(tally.worstDisagreement, off);
  if (off <= kBandUnits) {
    ++tally.nearBoundary;
    return;
  }
  ++(exact.contact() ? tally.contacts : tally.clear);
  EXPECT_TRUE(agree) << (exact.contact() ? "missed" : "false") << " contact, " << off
                     << " rounding units from the surface: " << describe(k);
}

// Seeded random capsules and segments, in the sizes of a collision sweep:
// a world of 100, capsules 5 to 20 long with radii 1 to 3.
struct CaseMaker : RandomGeometry {
  explicit CaseMaker(unsigned int seed) { rng.seed(seed); }

  V direction() {
    V v;
    do v = fromEigen(fill(1.0));
    while (v.squareLength() > 1.0 || v.squareLength() < 1e-4);
    v.normalize();
    return v;
  }
  V perpendicularTo(const V& axis) {
    if (axis.isZero()) return direction();
    V n = axis * direction();
    n.normalize();
    return n;
  }
  P worldPoint() { return P(value(0, 100), value(0, 100), value(0, 100)); }
  CapsuleCase capsule() {
    CapsuleCase k;
    k.c1 = worldPoint();
    k.c2 = k.c1 + direction() * value(5, 20);
    k.r = value(1, 3);
    return k;
  }
  // A point at axial position s (0 at c1, 1 at c2) and distance rho from
  // the axis line.
  P around(const CapsuleCase& k, double s, double rho) {
    const V axis = k.c2 - k.c1;
    return k.c1 + axis * s + perpendicularTo(axis) * rho;
  }
  bool coin() { return value(0, 1) < 0.5; }
};

int caseCount() {
  const char* count = std::getenv("TRV_CAPSULE_ORACLE_CASES");
  return count != nullptr ? std::atoi(count) : 2000;
}

// Checks the cases of a family; a tenth of them at least must be contacts.
template <class Make>
void runFamily(const char* family, unsigned int seed, Make make) {
  SCOPED_TRACE(family);
  CaseMaker maker(seed);
  Tally tally;
  std::vector<double> params;
  const int count = caseCount();
  for (int n = 0; n < count; ++n) {
    SCOPED_TRACE(n);
    check(make(maker), tally, params);
  }
  EXPECT_GT(tally.contacts, count / 10);
  if (std::getenv("TRV_CAPSULE_ORACLE_CASES") != nullptr) {
    std::printf("%-36s contacts %8d  clear %8d  near %7d  worst disagreement %.3g units\n", family,
                tally.contacts, tally.clear, tally.nearBoundary, tally.worstDisagreement);
  }
}

// A segment grazing the surface at the angle `theta` to the axis, through
// a point of the side cylinder beyond a rim (`beyond` > 0, a length) or
// level with the body (`beyond` < 0), heading along the axis into the body
// (`inward`) or away from it.
CapsuleCase grazing(CaseMaker& m, double theta, double beyond, bool inward) {
  CapsuleCase k = m.capsule();
  V u = k.c2 - k.c1;
  const double length = u.norm();
  u.normalize();
  const V n = m.perpendicularTo(u);
  const bool atC1 = m.coin();
  const P touch = k.c1 + u * (atC1 ? -beyond : length + beyond) + n * k.r;
  const V d = (u * ((atC1 == inward) ? std::cos(theta) : -std::cos(theta)) - n * std::sin(theta)) *
              m.value(1, 10);
  k.a = touch - d * m.value(0, inward ? 1.0 : 1e-3);
  k.b = touch + d * m.value(0.01, 1);
  if (m.coin()) std::swap(k.a, k.b);
  return k;
}

// ---- The families -------------------------------------------------------

TEST(CapsuleContact, SegmentsAlongTheAxisEnterAndLeaveThroughTheCaps) {
  // Exactly parallel: the axis and the segment along one coordinate, so the
  // direction has no part across the axis at all.
  runFamily("parallel", 11, [](CaseMaker& m) {
    const int along = static_cast<int>(m.value(0, 3));
    CapsuleCase k = m.capsule();
    k.c2 = k.c1;
    k.c2[along] += m.value(-20, 20);
    k.a = k.c1;
    const double angle = m.value(0, 2 * G::PI), rho = m.value(0, 1.3) * k.r;
    k.a[(along + 1) % 3] += rho * std::cos(angle);
    k.a[(along + 2) % 3] += rho * std::sin(angle);
    k.a[along] = m.value(std::min(k.c1[along], k.c2[along]) - 2 * k.r,
                         std::max(k.c1[along], k.c2[along]) + 2 * k.r);
    k.b = k.a;
    k.b[along] += m.value(-25, 25);
    return k;
  });
  // Parallel up to the rounding of the direction.
  runFamily("parallel up to rounding", 12, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.a = m.around(k, m.value(-0.6, 1.6), m.value(0, 1.3) * k.r);
    k.b = k.a + (k.c2 - k.c1) * m.value(-2, 2);
    return k;
  });
}

TEST(CapsuleContact, EntriesOnACapRimLandOnTheSideOrTheCap) {
  // Through a point of a rim, from outside to a point inside, or on through.
  runFamily("rim", 21, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    const P rim = m.around(k, m.coin() ? 0.0 : 1.0, k.r);
    const P inside = m.around(k, m.value(-0.3, 1.3), m.value(0, 0.95) * k.r);
    k.a = rim + (rim - inside) * m.value(0.05, 2);
    k.b = m.coin() ? inside : P(rim + (inside - rim) * m.value(1, 3));
    if (m.coin()) std::swap(k.a, k.b);
    return k;
  });
  // Nearly along the axis, into the side just past a rim, where the
  // crossing's place along the axis is known only roughly; and into the
  // cylinder just beyond a rim, heading away from the body. The distance
  // from the rim shrinks with the angle.
  const auto nearRim = [](CaseMaker& m, double theta) {
    return std::min(1.0, std::pow(10.0, m.value(-17, -11)) / theta);
  };
  runFamily("grazing, in past a rim", 22, [&](CaseMaker& m) {
    const double theta = std::ldexp(1.0, -static_cast<int>(m.value(5, 45)));
    const double past = nearRim(m, theta);
    return grazing(m, theta, -m.value(-past, past), true);
  });
  runFamily("grazing, out beyond a rim", 23, [&](CaseMaker& m) {
    const double theta = std::ldexp(1.0, -static_cast<int>(m.value(5, 45)));
    return grazing(m, theta, m.value(0, nearRim(m, theta)), false);
  });
}

TEST(CapsuleContact, AZeroLengthAxisIsASphere) {
  runFamily("sphere", 31, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.c2 = k.c1;
    k.a = k.c1 + fromEigen(m.fill(3 * k.r));
    k.b = k.c1 + fromEigen(m.fill(3 * k.r));
    return k;
  });
}

TEST(CapsuleContact, OrdinaryInsideFromTheSurfaceAndZeroLengthSegments) {
  runFamily("ordinary", 41, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.a = m.around(k, m.value(-0.5, 1.5), m.value(0, 3) * k.r);
    k.b = k.a + fromEigen(m.fill(10));
    return k;
  });
  runFamily("inside", 42, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.a = m.around(k, m.value(0, 1), m.value(0, 0.99) * k.r);
    k.b = m.coin() ? m.around(k, m.value(0, 1), m.value(0, 0.99) * k.r) : m.worldPoint();
    if (m.coin()) std::swap(k.a, k.b);
    return k;
  });
  // From a point of the surface (to rounding), side or cap, into the body.
  runFamily("from the surface inward", 44, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    const V axis = k.c2 - k.c1;
    P start = m.around(k, m.value(0, 1), k.r);
    if (m.coin()) {
      const bool atC1 = m.coin();
      V outward = m.direction();
      if ((outward.scalarProduct(axis) > 0) == atC1) outward = outward * -1.0;
      start = (atC1 ? k.c1 : k.c2) + outward * k.r;
    }
    const P inside = m.around(k, m.value(0, 1), m.value(0, 0.9) * k.r);
    k.a = start;
    k.b = start + (inside - start) * m.value(0.1, 2);
    return k;
  });
  // Of zero length, or just a few units of rounding long.
  runFamily("zero-length segment", 43, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.a = k.b = m.around(k, m.value(-0.5, 1.5), m.value(0, 2) * k.r);
    if (m.coin()) k.b = k.a + m.direction() * 1e-13;
    return k;
  });
}

TEST(CapsuleContact, ThinAndTinyCapsulesAndHugeCoordinates) {
  // A radius far below the length and the distances.
  runFamily("thin capsule", 51, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.r = std::pow(10.0, m.value(-4, 0));
    const P near = m.around(k, m.value(-0.1, 1.1), m.value(0, 2) * k.r);
    const V d = m.direction() * m.value(1, 10);
    k.a = near - d * m.value(0, 1.2);
    k.b = k.a + d;
    return k;
  });
  // Radii down to about a hundred units of rounding of the coordinates,
  // with the length and the segments in proportion.
  runFamily("tiny capsule", 52, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    k.r = std::pow(10.0, m.value(-12, -6));
    k.c2 = k.c1 + m.direction() * (k.r * m.value(0, 20));
    const P near = m.around(k, m.value(-0.5, 1.5), m.value(0, 2) * k.r);
    const V d = m.direction() * (k.r * m.value(0.1, 10));
    k.a = near - d * m.value(0, 1.2);
    k.b = k.a + d;
    return k;
  });
  // Far from the origin, and scaled by a power of two.
  runFamily("huge coordinates", 53, [](CaseMaker& m) {
    CapsuleCase k = m.capsule();
    const V offset = fromEigen(m.fill(1.0)) * std::pow(2.0, m.value(30, 50));
    k.a = m.around(k, m.value(-0.5, 1.5), m.value(0, 2) * k.r);
    k.b = k.a + fromEigen(m.fill(10));
    const double scale = std::ldexp(1.0, static_cast<int>(m.value(0, 200)));
    for (P* p : {&k.a, &k.b, &k.c1, &k.c2}) *p = (*p + offset) * scale;
    k.r *= scale;
    return k;
  });
}

// Tangents built from small integers and Pythagorean triples, moved by
// exact transforms: every step of the library is then exact, so these
// contacts on the boundary itself must be found.
TEST(CapsuleContact, ExactTangentsAreContacts) {
  const int triples[][3] = {{3, 4, 5}, {5, 12, 13}, {8, 15, 17}, {7, 24, 25}, {20, 21, 29}};
  CaseMaker m(61);
  std::vector<double> params;
  const int count = caseCount();
  for (int n = 0; n < count; ++n) {
    SCOPED_TRACE(n);
    const int* triple = triples[static_cast<int>(m.value(0, 5))];
    const double unit = std::ldexp(1.0, static_cast<int>(m.value(-8, 8)));
    const double r = triple[2], length = std::ldexp(1.0, static_cast<int>(m.value(2, 6)));
    const int step = static_cast<int>(m.value(0, 4));
    // In a frame with the axis along x from the origin: a point of contact
    // and a direction along the surface there.
    V touch, along;
    if (m.coin()) {  // on the side, the rims included
      touch = V(std::floor(m.value(0, length + 1)), r, 0);
      along = V(std::floor(m.value(-4, 5)), 0, step == 0 ? 0.0 : step);
      if (along.isZero()) along = V(1, 0, 0);
    } else {  // on the cap beyond the origin
      touch = V(-triple[0], triple[1], 0);
      along = m.coin() ? V(0, 0, 1 + step) : V(triple[1], triple[0], 0);
    }
    const V a = touch - along * std::floor(m.value(0, 3)),
            b = touch + along * std::floor(m.value(0, 3));
    // Exact moves: permute and flip the coordinates, translate by integers, scale by 2^k.
    const int shift = static_cast<int>(m.value(0, 3));
    double sign[3];
    for (double& s : sign) s = m.coin() ? 1.0 : -1.0;
    const V offset(std::floor(m.value(-1000, 1000)), std::floor(m.value(-1000, 1000)),
                   std::floor(m.value(-1000, 1000)));
    const auto move = [&](const V& v) {
      P moved;
      for (int i = 0; i < 3; ++i) moved[(i + shift) % 3] = (v[i] * sign[i] + offset[i]) * unit;
      return moved;
    };
    CapsuleCase k{move(a), move(b), move(V()), move(V(length, 0, 0)), r * unit};
    if (m.coin()) std::swap(k.a, k.b);
    if (m.coin()) std::swap(k.c1, k.c2);
    ASSERT_EQ(ExactCase(k).squaredDistance(), Rational(k.r) * Rational(k.r)) << describe(k);
    EXPECT_TRUE(libraryContact(k, params)) << describe(k);
  }
}

// The three misses first reported: along the axis in through a cap, in
// exactly on a cap's rim, and a capsule of zero length.
TEST(CapsuleContact, ReportedMissesAreContacts) {
  const CapsuleCase reported[] = {
      {P(0x1.488b6da1a1b27p+6, 0x1.d480cc14778bcp+5, 0x1.5b9420bc5f2a1p+6),
       P(0x1.488b6da1a1b27p+6, 0x1.57f1cd0a8909fp+6, 0x1.5b9420bc5f2a1p+6),
       P(0x1.4692aee74cbe7p+6, 0x1.0053dcdc0a3cbp+6, 0x1.5d502db8f8d15p+6),
       P(0x1.4692aee74cbe7p+6, 0x1.4053dcdc0a3cbp+6, 0x1.5d502db8f8d15p+6), 0x1.d2e13487dedeep+0},
      {P(0x1.2fa82f6b52b94p+5, 0x1.366daceba676dp+5, 0x1.e959deadbcbcp+3),
       P(0x1.625ba16da3da2p+5, 0x1.2bbaf7c22d501p+5, 0x1.176eb9205d04bp+4),
       P(0x1.99183e25f5e28p+5, 0x1.0b899c53400c8p+5, 0x1.76a4ec1dd8cap+4),
       P(0x1.5c182c5087bc8p+5, 0x1.33ad01d35caa9p+5, 0x1.00a0cc2b22eb8p+4), 0x1.7d5b4fd5a7894p+0},
      {P(0x1.0c970d08c8e4fp+5, 0x1.07fd3216b33e9p+6, 0x1.b81e2746924c3p+4),
       P(0x1.5011d2bdd03f6p+5, 0x1.046d3d602f68fp+6, 0x1.10c09cdc04cf6p+5),
       P(0x1.37018a77fbf22p+5, 0x1.071d415ddb3fdp+6, 0x1.07124717895f2p+5),
       P(0x1.37018a77fbf22p+5, 0x1.071d415ddb3fdp+6, 0x1.07124717895f2p+5), 0x1.16784c596b6d3p+1},
  };
  std::vector<double> params;
  for (const CapsuleCase& k : reported) {
    SCOPED_TRACE(describe(k));
    const Rational r(k.r);
    EXPECT_LT(ExactCase(k).squaredDistance(), r * r / 4);           // deep inside
    EXPECT_FALSE(G::distancePointSegment(k.a, k.c1, k.c2) <= k.r);  // starting outside
    EXPECT_GE(G::intersectSegmentExtrudedSphere(k.a, k.b, k.c1, k.c2, k.r, params), 1u);
  }
}

}  // namespace
}  // namespace trvTest
