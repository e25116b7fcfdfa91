// SPDX-License-Identifier: MIT
// The broad phase against brute force, and the cheap bound against the
// exact test: the fast path must never change an answer.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "trvBruteForceFinder.h"
#include "trvContactBound.h"
#include "trvObstacleField.h"
#include "trvObstacleTree.h"
#include "trvSegmentChunks.h"
#include "trvSegmentDraw.h"

namespace trvApp {
namespace {

std::vector<SweepSegment> drawnSegments(unsigned int seed, int count) {
  SegmentDraw draw(SegmentChunks(seed, 1).seedOf(0));
  std::vector<SweepSegment> segments;
  for (int k = 0; k < count; ++k) segments.push_back(draw.next());
  return segments;
}

// Segments a random draw never makes: along the axes, of zero length, and
// through the degenerate obstacles below.
std::vector<SweepSegment> awkwardSegments() {
  return {
      {{0, 50, 50}, {100, 50, 50}}, {{50, 0, 50}, {50, 100, 50}},    {{50, 50, 0}, {50, 50, 100}},
      {{20, 20, 20}, {20, 20, 20}}, {{10, 10, 10}, {10, 10, 20}},    {{9, 10, 10}, {9, 10, 20}},
      {{40, 40, 37}, {40, 40, 43}}, {{40, 41, 40}, {40, 41.5, 40}},  {{70, 70, 70}, {71, 71, 71}},
      {{60, 60, 60}, {60, 64, 60}}, {{-5, -5, -5}, {105, 105, 105}}, {{80, 20, 50}, {80, 20, 50}},
      {{30, 60, 10}, {30, 60, 30}}, {{55, 60, 10}, {55, 60, 30}},    {{0, 0, 0}, {0, 0, 0}},
  };
}

// Obstacles a random draw never makes: an axis of zero length, tiny, zero
// and huge radii, capsules laid on top of one another, axes along the
// coordinate axes (flat boxes before growing), a capsule lying on a segment.
std::vector<SweepObstacle> degenerateObstacles() {
  return {
      {{20, 20, 20}, {20, 20, 20}, 1.0}, {{10, 10, 5}, {10, 10, 15}, 1.0},
      {{10, 10, 5}, {10, 10, 15}, 1.0},  {{10, 10, 5}, {10, 10, 15}, 0.5},
      {{40, 40, 40}, {40, 40, 40}, 0.0}, {{70, 70, 70}, {72, 72, 72}, 1e-12},
      {{60, 60, 60}, {60, 60, 60}, 2.0}, {{80, 20, 50}, {80, 20, 50}, 0.0},
      {{30, 50, 20}, {30, 70, 20}, 0.0}, {{55, 50, 20}, {55, 70, 20}, 1e-9},
      {{50, 50, 50}, {51, 50, 50}, 1e4},
  };
}

bool mayTouch(const SweepSegment& segment, const SweepObstacle& obstacle, double slack) {
  return ContactBound::judge(segment, obstacle, slack) != ContactBound::Verdict::APART;
}

// Every finder answer for `segments`, tree against brute force.
void expectSameAnswers(const std::vector<SweepObstacle>& obstacles,
                       const std::vector<SweepSegment>& segments) {
  const ObstacleTree tree(obstacles);
  const BruteForceFinder brute(obstacles);
  ExactContact exact;
  int hits = 0;
  for (const SweepSegment& segment : segments) {
    const bool expected = brute.touchesAny(segment, exact);
    ASSERT_EQ(tree.touchesAny(segment, exact), expected)
        << "segment (" << segment.a[0] << ", " << segment.a[1] << ", " << segment.a[2] << ") to ("
        << segment.b[0] << ", " << segment.b[1] << ", " << segment.b[2] << ") among "
        << obstacles.size() << " obstacles";
    hits += expected ? 1 : 0;
  }
  // The batched search of the tree, several segments in turns, counts the
  // same.
  EXPECT_EQ(tree.countTouching(segments.data(), segments.size(), exact),
            static_cast<std::uint64_t>(hits));
  // Both paths ran with contacts and misses, not only one kind.
  if (obstacles.size() >= 50 && segments.size() >= 100) {
    EXPECT_GT(hits, 0);
    EXPECT_LT(hits, static_cast<int>(segments.size()));
  }
}

TEST(SweepFinderTest, TreeAndBruteForceAgreeOnDrawnFields) {
  for (const unsigned int seed : {1u, 12345u}) {
    for (const std::uint64_t count : {0u, 1u, 5u, 60u, 700u, 3000u}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << count << " obstacles");
      const std::vector<SweepObstacle> obstacles = ObstacleField::draw(seed, count);
      expectSameAnswers(obstacles, drawnSegments(seed, count > 700 ? 100 : 300));
      expectSameAnswers(obstacles, awkwardSegments());
    }
  }
}

TEST(SweepFinderTest, TreeAndBruteForceAgreeOnDegenerateObstacles) {
  std::vector<SweepObstacle> obstacles = degenerateObstacles();
  const std::vector<SweepObstacle> huge = {obstacles.back()};
  obstacles.pop_back();
  expectSameAnswers(obstacles, awkwardSegments());
  expectSameAnswers(obstacles, drawnSegments(3, 1000));
  // Among drawn obstacles, and alone (every segment inside it).
  std::vector<SweepObstacle> mixed = ObstacleField::draw(5, 400);
  mixed.insert(mixed.end(), obstacles.begin(), obstacles.end());
  expectSameAnswers(mixed, drawnSegments(5, 300));
  expectSameAnswers(mixed, awkwardSegments());
  expectSameAnswers(huge, awkwardSegments());
  const ObstacleTree tree(huge);
  ExactContact exact;
  EXPECT_TRUE(tree.touchesAny(drawnSegments(9, 1)[0], exact));
}

// Segments placed at distances from r·(1 ± 1e-9) down to r/2 from random
// capsules, at every angle down to parallel: the bounds must let through
// every segment the exact test finds in contact and rule in only segments
// it finds in contact, in double precision and in the tree's single
// precision alike.
TEST(SweepFinderTest, BoundsNeverChangeAnAnswer) {
  const std::vector<SweepObstacle> obstacles = ObstacleField::draw(11, 200);
  SegmentDraw draw(4);
  ExactContact exact;
  std::vector<SweepSegment> placed;
  int contacts = 0;
  int ruledIn = 0;
  const auto check = [&](const SweepSegment& segment, const SweepObstacle& obstacle) {
    const double slack = ContactBound::slackOf(obstacle) + ContactBound::slackOf(segment);
    const ContactBound::Verdict verdict = ContactBound::judge(segment, obstacle, slack);
    const bool touches = exact.touches(segment, obstacle);
    contacts += touches ? 1 : 0;
    ruledIn += verdict == ContactBound::Verdict::TOUCHING ? 1 : 0;
    if (touches) {
      ASSERT_NE(verdict, ContactBound::Verdict::APART);
    } else {
      ASSERT_NE(verdict, ContactBound::Verdict::TOUCHING);
    }
  };
  for (const SweepObstacle& obstacle : obstacles) {
    const Coordinates axis{obstacle.c2[0] - obstacle.c1[0], obstacle.c2[1] - obstacle.c1[1],
                           obstacle.c2[2] - obstacle.c1[2]};
    // A unit vector across the axis.
    Coordinates across{axis[1], -axis[0], 0.0};
    const double norm = std::hypot(across[0], across[1]);
    for (double& x : across) x /= norm;
    for (const double along : {-0.2, 0.0, 0.3, 1.0, 1.1}) {
      for (const double scale : {1.0 - 1e-9, 1.0, 1.0 + 1e-9, 0.999, 0.99, 0.5}) {
        for (const double tilt : {0.0, 1e-12, 1e-6, 0.3, 1.0}) {
          const double gap = obstacle.radius * scale;
          SweepSegment segment;
          for (int i = 0; i < 3; ++i) {
            const double centre = obstacle.c1[i] + along * axis[i] + gap * across[i];
            segment.a[i] = centre - 0.5 * axis[i] + tilt * across[i];
            segment.b[i] = centre + 0.5 * axis[i] - tilt * across[i];
          }
          check(segment, obstacle);
          placed.push_back(segment);
        }
      }
    }
    check(draw.next(), obstacle);
  }
  EXPECT_GT(contacts, 1000);
  EXPECT_GT(ruledIn, 1000);
  // The tree rules in and out in single precision, with its own slacks.
  for (const SweepObstacle& obstacle : obstacles) {
    const std::vector<SweepObstacle> alone = {obstacle};
    const std::size_t first = static_cast<std::size_t>(&obstacle - obstacles.data()) * 150;
    expectSameAnswers(
        alone, std::vector<SweepSegment>(placed.begin() + first, placed.begin() + first + 150));
  }
}

TEST(SweepFinderTest, BoundRulesOutFarSegments) {
  const SweepObstacle obstacle{{0, 0, 0}, {0, 0, 10}, 1.0};
  const double slack = ContactBound::slackOf(obstacle);
  // Beside the axis, past either end, and crossing the axis line beyond c2.
  EXPECT_FALSE(mayTouch({{3, -5, 5}, {3, 5, 5}}, obstacle, slack));
  EXPECT_FALSE(mayTouch({{-5, 0, -2}, {5, 0, -2}}, obstacle, slack));
  EXPECT_FALSE(mayTouch({{0, 0, 12}, {0, 0, 20}}, obstacle, slack));
  EXPECT_TRUE(mayTouch({{1, -5, 5}, {1, 5, 5}}, obstacle, slack));
  EXPECT_TRUE(mayTouch({{0, 0, 10.5}, {0, 0, 20}}, obstacle, slack));
  const SweepObstacle point{{0, 0, 0}, {0, 0, 0}, 1.0};
  EXPECT_FALSE(mayTouch({{2, -5, 0}, {2, 5, 0}}, point, slack));
  EXPECT_TRUE(mayTouch({{0.5, -5, 0}, {0.5, 5, 0}}, point, slack));
}

}  // namespace
}  // namespace trvApp
