#include <CtrvPRNG.h>
#include <CtrvPRNGGameRand.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <vector>

namespace {

constexpr unsigned int kLargestRaw = 0xFFFFFFFFu;

// Hands out a fixed list of raw values (0 once it is used up) and counts how
// many were taken, to check what the derived operations make of them.
class ScriptedPRNG : public CtrvPRNG {
 public:
  explicit ScriptedPRNG(std::vector<unsigned int> raws) : m_raws(std::move(raws)) {}
  boost::shared_ptr<CtrvPRNG> clone() override { return boost::shared_ptr<CtrvPRNG>(); }
  using CtrvPRNG::generate;
  unsigned int generate() override { return m_taken < m_raws.size() ? m_raws[m_taken++] : 0u; }
  unsigned int max() const override { return kLargestRaw; }
  void seed(unsigned int) override {}
  std::size_t taken() const { return m_taken; }

 private:
  std::vector<unsigned int> m_raws;
  std::size_t m_taken = 0;
};

std::vector<unsigned int> firstRaws(CtrvPRNG& generator, int count) {
  std::vector<unsigned int> raws;
  for (int i = 0; i < count; ++i) raws.push_back(generator.generate());
  return raws;
}

std::vector<unsigned int> seededRaws(unsigned int seed) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  generator->seed(seed);
  return firstRaws(*generator, 3);
}

TEST(CtrvPRNGGameRand, GivesTheSameRawSequenceForASeedEverywhere) {
  const std::vector<unsigned int> seedOne{1231187523u, 17245672u, 3115516789u};
  const boost::shared_ptr<CtrvPRNGGameRand> fresh = CtrvPRNGGameRand::create();
  EXPECT_EQ(firstRaws(*fresh, 3), seedOne);
  EXPECT_EQ(seededRaws(1), seedOne);
  EXPECT_EQ(seededRaws(0), (std::vector<unsigned int>{1231121986u, 17114597u, 3115123566u}));
  EXPECT_EQ(seededRaws(12345), (std::vector<unsigned int>{2040159867u, 561460880u, 453186813u}));
  EXPECT_EQ(fresh->max(), kLargestRaw);
}

TEST(CtrvPRNGGameRand, ReseedingRestartsAndClonesRunIndependently) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  generator->seed(777);
  const std::vector<unsigned int> start = firstRaws(*generator, 5);
  generator->seed(777);
  EXPECT_EQ(firstRaws(*generator, 5), start);

  // A clone continues where its original stands; drawing from either one
  // leaves the other where it was.
  const std::vector<unsigned int> expectedNext = firstRaws(*generator->clone(), 4);
  const boost::shared_ptr<CtrvPRNG> copy = generator->clone();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), generator.get());
  EXPECT_EQ(firstRaws(*copy, 4), expectedNext);
  firstRaws(*copy, 10);
  EXPECT_EQ(firstRaws(*generator, 4), expectedNext);

  // Assignment copies the state as well.
  const boost::shared_ptr<CtrvPRNGGameRand> other = CtrvPRNGGameRand::create();
  *other = *generator;
  EXPECT_EQ(firstRaws(*other, 3), firstRaws(*generator, 3));
}

TEST(CtrvPRNG, IntegersTakeOneRawValueModuloTheSpan) {
  struct Case {
    int low;
    int high;
    int expected;  // from the first raw value of seed 1, 1231187523
  };
  const Case cases[] = {
      {0, 99, 23},
      {99, 0, 23},
      {-5, 5, 0},
      {5, -5, 0},
      {3, 3, 3},
      {INT_MIN, INT_MAX, -916296125},
      {INT_MAX, INT_MIN, -916296125},
      {INT_MIN, INT_MAX - 1, 1231187523 + INT_MIN},
      {INT_MAX - 1, INT_MAX, INT_MAX},
      {INT_MIN, INT_MIN + 1, INT_MIN + 1},
  };
  for (const Case& c : cases) {
    const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
    EXPECT_EQ(generator->generate(c.low, c.high), c.expected) << c.low << ", " << c.high;
    EXPECT_EQ(generator->generate(), 17245672u) << "exactly one raw value is consumed";
  }
}

TEST(CtrvPRNG, IntegersCoverTheWholeRangeAndNothingElse) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  generator->seed(2024);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    const int value = generator->generate(-5, 5);
    ASSERT_GE(value, -5);
    ASSERT_LE(value, 5);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 11u);

  // Near the ends of the int type nothing may overflow or leave the range.
  for (int i = 0; i < 2000; ++i) {
    const int top = generator->generate(INT_MAX, INT_MAX - 2);
    ASSERT_GE(top, INT_MAX - 2);
    const int bottom = generator->generate(INT_MIN + 2, INT_MIN);
    ASSERT_LE(bottom, INT_MIN + 2);
  }
}

TEST(CtrvPRNG, DoublesStayInTheClosedIntervalAndReachBothEnds) {
  ScriptedPRNG ends({0u, kLargestRaw, 0u, kLargestRaw});
  EXPECT_EQ(ends.generate(2.0, 4.0), 2.0);
  EXPECT_EQ(ends.generate(2.0, 4.0), 4.0);
  // Swapped bounds are not reordered: the first argument is still the end
  // reached by a raw 0.
  EXPECT_EQ(ends.generate(4.0, 2.0), 4.0);
  EXPECT_EQ(ends.generate(4.0, 2.0), 2.0);
  EXPECT_EQ(ends.taken(), 4u);

  // low + (high - low) rounds to just above 6.75 here; the interval holds.
  ScriptedPRNG top({kLargestRaw, kLargestRaw - 1u, kLargestRaw});
  EXPECT_EQ(top.generate(-9.74, 6.75), 6.75);
  EXPECT_LE(top.generate(-9.74, 6.75), 6.75);
  EXPECT_EQ(top.generate(6.75, -9.74), -9.74);

  // Bounds whose difference overflows a double.
  ScriptedPRNG wide({0u, kLargestRaw / 2u, kLargestRaw});
  EXPECT_EQ(wide.generate(-1e308, 1e308), -1e308);
  const double middle = wide.generate(-1e308, 1e308);
  EXPECT_TRUE(std::isfinite(middle));
  EXPECT_LT(std::fabs(middle), 1e300);
  EXPECT_EQ(wide.generate(-1e308, 1e308), 1e308);

  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  double smallest = 4.0;
  double largest = 2.0;
  for (int i = 0; i < 10000; ++i) {
    const double value = generator->generate(2.0, 4.0);
    ASSERT_GE(value, 2.0);
    ASSERT_LE(value, 4.0);
    smallest = std::min(smallest, value);
    largest = std::max(largest, value);
  }
  EXPECT_LT(smallest, 2.01);
  EXPECT_GT(largest, 3.99);
}

TEST(CtrvPRNG, NormalDrawsHaveMeanZeroAndTheGivenSpread) {
  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  generator->seed(4242);
  const double sigma = 2.5;
  const int draws = 100000;
  double sum = 0.0;
  double sumOfSquares = 0.0;
  int withinOneSigma = 0;
  for (int i = 0; i < draws; ++i) {
    const double value = generator->generateNormal(sigma);
    ASSERT_TRUE(std::isfinite(value));
    sum += value;
    sumOfSquares += value * value;
    if (std::fabs(value) <= sigma) ++withinOneSigma;
  }
  const double mean = sum / draws;
  const double spread = std::sqrt(sumOfSquares / draws - mean * mean);
  // Standard error of the mean is sigma / sqrt(draws), about 0.008 here.
  EXPECT_NEAR(mean, 0.0, 0.05);
  EXPECT_NEAR(spread, sigma, 0.05);
  EXPECT_NEAR(static_cast<double>(withinOneSigma) / draws, 0.6827, 0.01);
}

TEST(CtrvPRNG, NormalDrawSkipsAZeroFirstUniformAndUsesTheCosineBranch) {
  // u1 = 0 is drawn again; then u1 is about 1/2 and u2 = 0, so the value is
  // sigma * sqrt(2 ln 2) with a positive sign.
  ScriptedPRNG raws({0u, kLargestRaw / 2u, 0u});
  EXPECT_NEAR(raws.generateNormal(3.0), 3.0 * std::sqrt(2.0 * std::log(2.0)), 1e-6);
  EXPECT_EQ(raws.taken(), 3u);

  const boost::shared_ptr<CtrvPRNGGameRand> generator = CtrvPRNGGameRand::create();
  EXPECT_EQ(generator->generateNormal(0.0), 0.0);
  EXPECT_EQ(generator->generate(), 3115516789u) << "two raw values are consumed";
}

}  // namespace
