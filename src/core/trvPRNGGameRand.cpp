#include "CtrvPRNGGameRand.h"

#include <typeinfo>

#include "core/trvPRNGRange.h"

namespace {

// XOR-ed with the seed to make the low word.
constexpr unsigned int kLowWordMask = 0x49616E42u;

}  // namespace

boost::shared_ptr<CtrvPRNGGameRand> CtrvPRNGGameRand::create() {
  return boost::shared_ptr<CtrvPRNGGameRand>(new CtrvPRNGGameRand());
}

CtrvPRNGGameRand::CtrvPRNGGameRand() : m_high(1u), m_low(1u ^ kLowWordMask) {}

CtrvPRNGGameRand::CtrvPRNGGameRand(CtrvPRNGGameRand& other)
    : CtrvPRNG(other), m_high(other.m_high), m_low(other.m_low) {}

CtrvPRNGGameRand::~CtrvPRNGGameRand() = default;

boost::shared_ptr<CtrvPRNG> CtrvPRNGGameRand::clone() {
  return boost::shared_ptr<CtrvPRNG>(new CtrvPRNGGameRand(*this));
}

int CtrvPRNGGameRand::generate(int low, int high) {
  // The inherited algorithm, with the raw value computed here rather than
  // through a second virtual call when this is a generator of this very
  // class (its type information is emitted once, with the library); a
  // derived class may have raw values of its own.
  if (__builtin_expect(&typeid(*this) == &typeid(CtrvPRNGGameRand), 1))
    return trvPRNG::integerInRange(low, high, [this] { return next(); });
  return CtrvPRNG::generate(low, high);
}

unsigned int CtrvPRNGGameRand::max() const { return 0xFFFFFFFFu; }

void CtrvPRNGGameRand::seed(unsigned int seed) { gameRandSeed(seed, seed ^ kLowWordMask); }

void CtrvPRNGGameRand::gameRandSeed(unsigned int high, unsigned int low) {
  m_high = high;
  m_low = low;
}
