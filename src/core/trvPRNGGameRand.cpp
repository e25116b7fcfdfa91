// SPDX-License-Identifier: MIT
#include "CtrvPRNGGameRand.h"

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

unsigned int CtrvPRNGGameRand::max() const { return 0xFFFFFFFFu; }

void CtrvPRNGGameRand::seed(unsigned int seed) { gameRandSeed(seed, seed ^ kLowWordMask); }

void CtrvPRNGGameRand::gameRandSeed(unsigned int high, unsigned int low) {
  m_high = high;
  m_low = low;
}
