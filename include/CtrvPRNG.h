// SPDX-License-Identifier: MIT
#ifndef CTRV_PRNG_H
#define CTRV_PRNG_H

/// @file CtrvPRNG.h
/// Interface of the seeded pseudo-random number generators.

#include <boost/shared_ptr.hpp>

#include "trvExport.h"

/// Details of the inline operations of the generators; not an interface of
/// their own.
namespace trvPRNGDetail {

/// An integer in [low, high] (the arguments in either order) from the raw
/// value `raw`: the raw value modulo the span, plus the lower end. Over the
/// full int range (a span of 2^32) the raw value plus the lower end,
/// wrapping.
inline int integerInRange(int low, int high, unsigned int raw) {
  // The ends in order, without a branch.
  const int lower = low < high ? low : high;
  const int upper = low < high ? high : low;
  // Unsigned arithmetic: the span of the full int range wraps to 0, and then
  // every raw value is already an offset in range.
  const unsigned int base = static_cast<unsigned int>(lower);
  const unsigned int span = static_cast<unsigned int>(upper) - base + 1u;
  const unsigned int offset = span != 0u ? raw % span : raw;
  return static_cast<int>(offset + base);
}

}  // namespace trvPRNGDetail

/// A seeded pseudo-random number generator. A concrete generator supplies
/// raw 32-bit values, their maximum, seeding and cloning; this class derives
/// from them integers in a closed range, doubles in a closed interval and
/// normally distributed doubles. Not synchronised: use a generator from one
/// thread at a time (clone() gives each thread its own).
class TRV_API CtrvPRNG {
 public:
  /// Does nothing.
  CtrvPRNG();
  /// Does nothing.
  CtrvPRNG(const CtrvPRNG& other);
  /// Does nothing: the base holds no state.
  CtrvPRNG& operator=(const CtrvPRNG& other) = default;
  /// Does nothing.
  virtual ~CtrvPRNG();

  /// A new generator in the same state, which from then on gives the same
  /// sequence independently of this one.
  virtual boost::shared_ptr<CtrvPRNG> clone() = 0;

  /// An integer in [low, high], both ends included; the order of the
  /// arguments does not matter. Consumes one raw value, taken modulo the
  /// span (high - low + 1). Over the full int range the raw value plus
  /// `low` (wrapping) is returned.
  virtual int generate(int low, int high);

  /// A double in the closed interval between `low` and `high` (in either
  /// order): `low` for a raw value of 0, `high` for a raw value of max(),
  /// linear in between. Consumes one raw value.
  virtual double generate(double low, double high);

  /// The next raw value, in [0, max()].
  virtual unsigned int generate() = 0;

  /// The largest raw value generate() can give.
  virtual unsigned int max() const = 0;

  /// Restarts the sequence from `seed`: equal seeds give equal sequences.
  virtual void seed(unsigned int seed) = 0;

  /// One draw of a normal distribution with mean 0 and standard deviation
  /// `sigma` (Box-Muller, cosine branch). Consumes at least two raw values.
  virtual double generateNormal(double sigma);
};

#endif
