#include <CtrvPRNG.h>
#include <CtrvPRNGGameRand.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace {

using Raws = std::vector<unsigned int>;
constexpr unsigned int kLargestRaw = 0xFFFFFFFFu;

// Hands out a fixed list of raw values (then 0) and counts those taken.
class ScriptedPRNG : public CtrvPRNG {
 public:
  explicit ScriptedPRNG(Raws raws) : m_raws(std::move(raws)) {}
  boost::shared_ptr<CtrvPRNG> clone() override { return boost::shared_ptr<CtrvPRNG>(); }
  using CtrvPRNG::generate;
  unsigned int generate() override { return m_taken < m_raws.size() ? m_raws[m_taken++] : 0u; }
  unsigned int max() const override { return kLargestRaw; }
  void seed(unsigned int) override {}
  std::size_t m_taken = 0;

 private:
  Raws m_raws;
};

Raws draw(CtrvPRNG& generator, int count) {
  Raws raws;
  for (int i = 0; i < count; ++i) raws.push_back(generator.generate());
  return raws;
}

boost::shared_ptr<CtrvPRNGGameRand> seeded(unsigned int seed) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  generator->seed(seed);
  return generator;
}

TEST(CtrvPRNGGameRand, SeedsGiveFixedSequencesAndClonesRunIndependently) {
  const Raws seedOne{1231187523u, 17245672u, 3115516789u};
  EXPECT_EQ(draw(*CtrvPRNGGameRand::create(), 3), seedOne);
  EXPECT_EQ(draw(*seeded(1), 3), seedOne);
  EXPECT_EQ(draw(*seeded(0), 3), (Raws{1231121986u, 17114597u, 3115123566u}));
  EXPECT_EQ(draw(*seeded(12345), 3), (Raws{2040159867u, 561460880u, 453186813u}));

  const boost::shared_ptr<CtrvPRNGGameRand> generator = seeded(777);
  const Raws start = draw(*generator, 5);
  generator->seed(777);
  EXPECT_EQ(draw(*generator, 5), start) << "reseeding restarts";

  const boost::shared_ptr<CtrvPRNG> copy = generator->clone();
  const Raws next = draw(*copy, 4);
  draw(*copy, 10);
  EXPECT_EQ(draw(*generator, 4), next) << "a clone continues on its own";
}

TEST(CtrvPRNG, IntegersTakeOneRawValueModuloTheSpanInEitherOrder) {
  struct Case {
    int low, high, expected;  // from the first raw value of seed 1, 1231187523
  };
  // Over the full int range: the raw value plus low, wrapping.
  const Case cases[] = {{0, 99, 23},
                        {99, 0, 23},
                        {-5, 5, 0},
                        {3, 3, 3},
                        {INT_MIN, INT_MAX, -916296125},
                        {INT_MAX, INT_MIN, -916296125},
                        {INT_MIN, INT_MAX - 1, 1231187523 + INT_MIN},
                        {INT_MAX - 1, INT_MAX, INT_MAX}};
  for (const Case& c : cases) {
    const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
    EXPECT_EQ(generator->generate(c.low, c.high), c.expected) << c.low << ", " << c.high;
    EXPECT_EQ(generator->generate(), 17245672u) << "exactly one raw value is consumed";
  }
}

TEST(CtrvPRNG, DoublesStayInTheClosedIntervalAndReachBothEnds) {
  // Swapped bounds are not reordered: the first one is reached by a raw 0.
  ScriptedPRNG ends({0u, kLargestRaw, 0u, kLargestRaw});
  EXPECT_EQ(ends.generate(2.0, 4.0), 2.0);
  EXPECT_EQ(ends.generate(2.0, 4.0), 4.0);
  EXPECT_EQ(ends.generate(4.0, 2.0), 4.0);
  EXPECT_EQ(ends.generate(4.0, 2.0), 2.0);
  EXPECT_EQ(ends.m_taken, 4u);

  // low + (high - low) rounds to just above 6.75 here.
  ScriptedPRNG top({kLargestRaw, kLargestRaw});
  EXPECT_EQ(top.generate(-9.74, 6.75), 6.75);
  EXPECT_EQ(top.generate(6.75, -9.74), -9.74);

  // Bounds whose difference overflows a double.
  ScriptedPRNG wide({0u, kLargestRaw / 2u, kLargestRaw});
  EXPECT_EQ(wide.generate(-1e308, 1e308), -1e308);
  EXPECT_LT(std::fabs(wide.generate(-1e308, 1e308)), 1e300);
  EXPECT_EQ(wide.generate(-1e308, 1e308), 1e308);
}

TEST(CtrvPRNG, NormalDrawsHaveMeanZeroAndTheGivenSpread) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = seeded(4242);
  const double sigma = 2.5;
  const int draws = 100000;
  double sum = 0.0, sumOfSquares = 0.0;
  int withinOneSigma = 0;
  for (int i = 0; i < draws; ++i) {
    const double value = generator->generateNormal(sigma);
    sum += value;
    sumOfSquares += value * value;
    withinOneSigma += std::fabs(value) <= sigma;
  }
  // The standard error of the mean is sigma / sqrt(draws), about 0.008.
  EXPECT_NEAR(sum / draws, 0.0, 0.05);
  EXPECT_NEAR(std::sqrt(sumOfSquares / draws), sigma, 0.05);
  EXPECT_NEAR(static_cast<double>(withinOneSigma) / draws, 0.6827, 0.01);

  // A zero first uniform is drawn again; then u1 is about 1/2 and u2 = 0,
  // so the cosine branch gives sigma * sqrt(2 ln 2).
  ScriptedPRNG raws({0u, kLargestRaw / 2u, 0u});
  EXPECT_NEAR(raws.generateNormal(3.0), 3.0 * std::sqrt(2.0 * std::log(2.0)), 1e-6);
  EXPECT_EQ(raws.m_taken, 3u);
  const boost::shared_ptr<CtrvPRNGGameRand> fresh = CtrvPRNGGameRand::create();
  EXPECT_EQ(fresh->generateNormal(0.0), 0.0);
  EXPECT_EQ(fresh->generate(), 3115516789u) << "two raw values are consumed";
}

}  // namespace
