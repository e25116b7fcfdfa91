// SPDX-License-Identifier: MIT
#include "CtrvPRNG.h"

#include <cmath>
#include <utility>

namespace {

constexpr double kPi = 3.141592653589793;

// low + (high - low) * fraction, the interpolation callers rely on. Bounds so
// far apart that their difference overflows are weighted separately instead.
double interpolate(double low, double high, double fraction) {
  const double difference = high - low;
  if (std::isfinite(difference)) return low + difference * fraction;
  return low * (1.0 - fraction) + high * fraction;
}

// Rounding in interpolate() can overshoot an end by one unit in the last
// place; the result is kept within the interval it promises. NaN goes to the
// lower end.
double clampToInterval(double value, double low, double high) {
  if (high < low) std::swap(low, high);
  if (!(value >= low)) return low;
  if (!(value <= high)) return high;
  return value;
}

}  // namespace

CtrvPRNG::CtrvPRNG() = default;

CtrvPRNG::CtrvPRNG(const CtrvPRNG& /*other*/) {}

CtrvPRNG::~CtrvPRNG() = default;

int CtrvPRNG::generate(int low, int high) {
  return trvPRNGDetail::integerInRange(low, high, generate());
}

double CtrvPRNG::generate(double low, double high) {
  const double raw = static_cast<double>(generate());
  const double largest = static_cast<double>(max());
  return clampToInterval(interpolate(low, high, raw / largest), low, high);
}

double CtrvPRNG::generateNormal(double sigma) {
  double u1 = 0.0;
  do {
    u1 = generate(0.0, 1.0);
  } while (u1 == 0.0);
  const double u2 = generate(0.0, 1.0);
  return std::cos((kPi + kPi) * u2) * sigma * std::sqrt(-2.0 * std::log(u1));
}
