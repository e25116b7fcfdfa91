// SPDX-License-Identifier: MIT
#include <CtrvPRNGGameRand.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

constexpr unsigned int kLargestRaw = 0xFFFFFFFFu;

// Hands out the raw values it is given; taking one more is a test failure.
struct ScriptedPRNG : CtrvPRNG {
  std::vector<unsigned int> raws;
  std::size_t taken = 0;
  boost::shared_ptr<CtrvPRNG> clone() override { return {}; }
  using CtrvPRNG::generate;
  unsigned int generate() override { return raws.at(taken++); }
  unsigned int max() const override { return kLargestRaw; }
  void seed(unsigned int) override {}
};

TEST(CtrvPRNG, SeedsGiveFixedSequencesAndClonesRunIndependently) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  for (unsigned int raw : {1231187523u, 17245672u, 3115516789u})
    EXPECT_EQ(generator->generate(), raw);
  generator->seed(12345);
  const boost::shared_ptr<CtrvPRNG> copy = generator->clone();
  for (unsigned int raw : {2040159867u, 561460880u, 453186813u}) EXPECT_EQ(copy->generate(), raw);
  for (unsigned int raw : {2040159867u, 561460880u, 453186813u})
    EXPECT_EQ(generator->generate(), raw);
}

TEST(CtrvPRNG, BoundedDrawsStayInTheClosedIntervalInEitherOrder) {
  // From the first raw value of the default seed, 1231187523.
  const std::tuple<int, int, int> cases[] = {
      {0, 99, 23}, {99, 0, 23}, {INT_MAX, INT_MIN, -916296125}, {3, 3, 3}};
  for (const auto& [low, high, expected] : cases) {
    const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
    EXPECT_EQ(generator->generate(low, high), expected) << low << ", " << high;
    EXPECT_EQ(generator->generate(), 17245672u) << "exactly one raw value is consumed";
  }
  ScriptedPRNG scripted;
  scripted.raws = {0u, kLargestRaw, kLargestRaw, 0u, kLargestRaw, 0u, kLargestRaw / 2u, 0u};
  EXPECT_EQ(scripted.generate(4.0, 2.0), 4.0);
  EXPECT_EQ(scripted.generate(4.0, 2.0), 2.0);
  EXPECT_EQ(scripted.generate(-9.74, 6.75), 6.75) << "low + (high - low) rounds beyond it";
  // Bounds whose difference overflows a double.
  EXPECT_EQ(scripted.generate(-1e308, 1e308), -1e308);
  EXPECT_EQ(scripted.generate(-1e308, 1e308), 1e308);

  // A zero first uniform is drawn again; then u1 is about 1/2 and u2 = 0,
  // so the cosine branch gives sigma * sqrt(2 ln 2).
  EXPECT_NEAR(scripted.generateNormal(3.0), 3.0 * std::sqrt(2.0 * std::log(2.0)), 1e-6);
}

// A generator derived from the game generator with raw values of its own:
// the draws it inherits take them.
struct CountingGameRand : CtrvPRNGGameRand {
  unsigned int taken = 0;
  using CtrvPRNGGameRand::generate;
  unsigned int generate() override { return 1000u + taken++; }
};

TEST(CtrvPRNG, DrawsInARangeTakeTheRawValuesOfADerivedGenerator) {
  CountingGameRand counting;
  CtrvPRNG& prng = counting;
  EXPECT_EQ(prng.generate(0, 99), 0);  // 1000 % 100
  EXPECT_EQ(prng.generate(5, 1), 2);   // 1 + 1001 % 5
  // The game generator's raw step is inline; a call through the base class
  // still reaches the derived generator's own.
  EXPECT_EQ(prng.generate(), 1002u);
  EXPECT_EQ(counting.taken, 3u);
}
