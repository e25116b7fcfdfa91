#ifndef TRV_PRNG_RANGE_H
#define TRV_PRNG_RANGE_H

#include <algorithm>

namespace trvPRNG {

/// An integer in [low, high] (the arguments in either order) from one raw
/// value given by `nextRaw()`: the raw value modulo the span, plus the lower
/// end. Over the full int range (a span of 2^32) the raw value plus the
/// lower end, wrapping.
template <class NextRaw>
int integerInRange(int low, int high, NextRaw nextRaw) {
  // The ends in order, without a branch.
  const int lower = std::min(low, high);
  const int upper = std::max(low, high);
  // Unsigned arithmetic: the span of the full int range wraps to 0, and then
  // every raw value is already an offset in range.
  const unsigned int base = static_cast<unsigned int>(lower);
  const unsigned int span = static_cast<unsigned int>(upper) - base + 1u;
  const unsigned int raw = nextRaw();
  const unsigned int offset = span != 0u ? raw % span : raw;
  return static_cast<int>(offset + base);
}

}  // namespace trvPRNG

#endif
