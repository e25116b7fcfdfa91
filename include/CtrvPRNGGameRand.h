// SPDX-License-Identifier: MIT
#ifndef CTRV_PRNG_GAME_RAND_H
#define CTRV_PRNG_GAME_RAND_H

/// @file CtrvPRNGGameRand.h
/// A very small and fast pseudo-random generator.

#include <boost/shared_ptr.hpp>

#include "CtrvPRNG.h"
#include "trvExport.h"

/// A generator with two 32-bit words of state and only 32-bit unsigned
/// arithmetic, so a seed gives the same sequence on every platform. Each raw
/// value costs a rotation and two additions. Made only by create() and
/// clone().
class TRV_API CtrvPRNGGameRand : public CtrvPRNG {
 public:
  /// A new generator in the state of seed(1).
  static boost::shared_ptr<CtrvPRNGGameRand> create();

  /// Copies the state: both generators then give the same sequence.
  CtrvPRNGGameRand& operator=(const CtrvPRNGGameRand& other) = default;
  /// Does nothing.
  ~CtrvPRNGGameRand() override;

  /// A new generator with the same two state words.
  boost::shared_ptr<CtrvPRNG> clone() override;

  using CtrvPRNG::generate;
  /// The next raw value, from 0 to 4294967295.
  ///
  /// Defined here, so that a caller's compiler can inline it, also behind a
  /// call through CtrvPRNG* that it turns into a test of the function the
  /// object's virtual table holds. Exported even from the inline copies, so
  /// that the library and its clients agree on one address for it and that
  /// test succeeds.
  TRV_API unsigned int generate() override { return next(); }
  /// As CtrvPRNG::generate(int, int): an integer in [low, high] from one
  /// raw value (of a derived class's generate() if it has one). Inline and
  /// exported like generate(), for the same reason: a caller's compiler can
  /// then run both without a call.
  TRV_API int generate(int low, int high) override {
    return trvPRNGDetail::integerInRange(low, high, generate());
  }
  /// 4294967295.
  unsigned int max() const override;
  /// Sets the high word to `seed` and the low word to `seed` XOR 0x49616E42.
  void seed(unsigned int seed) override;

 protected:
  /// The state of seed(1).
  CtrvPRNGGameRand();
  /// Copies both state words.
  CtrvPRNGGameRand(CtrvPRNGGameRand& other);

  /// Sets both state words directly.
  void gameRandSeed(unsigned int high, unsigned int low);

 private:
  /// Advances the state; the next raw value. A 16-bit rotation plus the low
  /// word: the two shifted halves never overlap, so "|" gives the same value
  /// as "+" and lets the compiler emit a single rotate.
  unsigned int next() {
    m_high = ((m_high << 16) | (m_high >> 16)) + m_low;
    m_low += m_high;
    return m_high;
  }

  unsigned int m_high;
  unsigned int m_low;
};

#endif
