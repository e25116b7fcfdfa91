// SPDX-License-Identifier: MIT
// Threads, shards, chunks and stopping: the answer depends only on the
// sweep's inputs.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <stdexcept>
#include <vector>

#include "trvObstacleField.h"
#include "trvObstacleTree.h"
#include "trvSegmentChunks.h"
#include "trvSegmentDraw.h"
#include "trvSweepEngine.h"
#include "trvSweepMerge.h"
#include "trvSweepRunner.h"

namespace trvApp {
namespace {

// Ten full chunks and a short one: small enough for the sanitizers and
// valgrind, enough chunks for seven threads.
SweepPlan smallPlan() {
  SweepPlan plan;
  plan.seed = 3;
  plan.obstacles = 300;
  plan.segments = 10 * SegmentChunks::CHUNK_SIZE + 123;
  plan.threads = 1;
  return plan;
}

SweepResult sweep(const SweepPlan& plan) { return SweepEngine(plan).run(ProgressTick()); }

TEST(SweepRunTest, ChunksCoverTheSegmentsWithTheirOwnSeeds) {
  const SegmentChunks chunks(9, 3 * SegmentChunks::CHUNK_SIZE + 1);
  EXPECT_EQ(chunks.count(), 4u);
  EXPECT_EQ(chunks.sizeOf(3), 1u);
  EXPECT_EQ(chunks.sizeOf(4), 0u);
  EXPECT_EQ(chunks.segmentsIn({1, 4}), 2 * SegmentChunks::CHUNK_SIZE + 1);
  EXPECT_EQ(chunks.segmentsIn({2, 99}), SegmentChunks::CHUNK_SIZE + 1);
  EXPECT_EQ(SegmentChunks(9, 0).count(), 0u);
  const std::uint64_t trillion = 1000000000000ULL;
  EXPECT_EQ(SegmentChunks(9, trillion).segmentsIn(SegmentChunks(9, trillion).all()), trillion);
  std::set<unsigned int> seeds;
  for (unsigned int seed = 0; seed < 4; ++seed) {
    for (std::uint64_t chunk = 0; chunk < 64; ++chunk) {
      seeds.insert(SegmentChunks(seed, trillion).seedOf(chunk));
    }
  }
  EXPECT_EQ(seeds.size(), 256u);
}

TEST(SweepRunTest, SameAnswerOnAnyNumberOfThreads) {
  SweepPlan plan = smallPlan();
  const SweepResult one = sweep(plan);
  EXPECT_TRUE(one.complete);
  EXPECT_EQ(one.checked, plan.segments);
  EXPECT_GT(one.hits, 0u);
  EXPECT_LT(one.hits, one.checked);
  for (const unsigned int threads : {2u, 3u, 7u}) {
    plan.threads = threads;
    const SweepResult many = sweep(plan);
    EXPECT_TRUE(many.complete);
    EXPECT_EQ(many.checked, one.checked) << threads << " threads";
    EXPECT_EQ(many.hits, one.hits) << threads << " threads";
  }
  // Brute force on fewer obstacles and segments, every obstacle for every
  // segment.
  plan.obstacles = 100;
  plan.segments = SegmentChunks::CHUNK_SIZE + 7;
  plan.threads = 1;
  const SweepResult tree = sweep(plan);
  plan.threads = 2;
  plan.bruteForce = true;
  EXPECT_EQ(sweep(plan).hits, tree.hits);
}

TEST(SweepRunTest, ShardsMergedEqualTheWholeSweep) {
  const SweepPlan plan = smallPlan();
  const SweepResult whole = sweep(plan);
  // More shards than chunks leaves some shards empty.
  for (const std::uint64_t count : {1u, 2u, 3u, 13u}) {
    std::vector<SweepResult> parts;
    std::uint64_t nextChunk = 0;
    for (std::uint64_t index = 1; index <= count; ++index) {
      SweepPlan part = plan;
      part.shard = {index, count};
      part.threads = 2;
      parts.push_back(sweep(part));
      EXPECT_EQ(parts.back().chunks.begin, nextChunk);
      nextChunk = parts.back().chunks.end;
    }
    EXPECT_EQ(nextChunk, whole.chunks.end);
    SweepResult merged;
    std::string problem;
    ASSERT_TRUE(SweepMerge::merge(parts, merged, problem)) << problem;
    EXPECT_EQ(merged.checked, whole.checked) << count << " shards";
    EXPECT_EQ(merged.hits, whole.hits) << count << " shards";
    EXPECT_TRUE(merged.complete);
    EXPECT_EQ(merged.shard.text(), "1/1");
  }
}

TEST(SweepRunTest, MergeRefusesPartsOfOtherSweepsMissingOrRepeated) {
  SweepPlan plan = smallPlan();
  plan.segments = 3 * SegmentChunks::CHUNK_SIZE;
  plan.obstacles = 20;
  std::vector<SweepResult> parts;
  for (std::uint64_t index = 1; index <= 3; ++index) {
    plan.shard = {index, 3};
    parts.push_back(sweep(plan));
  }
  SweepResult merged;
  std::string problem;
  ASSERT_TRUE(SweepMerge::merge(parts, merged, problem));

  std::vector<SweepResult> repeated = parts;
  repeated[2] = repeated[1];
  EXPECT_FALSE(SweepMerge::merge(repeated, merged, problem));
  EXPECT_EQ(problem, "shard 2/3 is given more than once");
  std::vector<SweepResult> missing(parts.begin(), parts.begin() + 2);
  EXPECT_FALSE(SweepMerge::merge(missing, merged, problem));
  EXPECT_EQ(problem, "shard 3/3 is missing");
  for (auto change :
       {+[](SweepResult& r) { r.seed += 1; }, +[](SweepResult& r) { r.obstacles += 1; },
        +[](SweepResult& r) { r.drawVersion += 1; }, +[](SweepResult& r) { r.shard.count = 4; }}) {
    std::vector<SweepResult> mixed = parts;
    change(mixed[1]);
    EXPECT_FALSE(SweepMerge::merge(mixed, merged, problem));
    EXPECT_EQ(problem, "the summaries come from different sweeps");
  }
  std::vector<SweepResult> shifted = parts;
  shifted[0].chunks.end += 1;
  EXPECT_FALSE(SweepMerge::merge(shifted, merged, problem));
  EXPECT_EQ(problem, "shard 1/3 does not cover the chunks of its shard");
  EXPECT_FALSE(SweepMerge::merge({}, merged, problem));
}

// A stop requested by the tick ends the run. Working alone, the worker runs
// the tick itself after each batch, so nothing is checked after the request.
// With several workers the others may finish a batch or more while the tick
// is deciding (its thread can be preempted at any time), so only the end of
// the run and the tick not being asked again are certain.
TEST(SweepRunTest, StopReachesEveryWorker) {
  const ObstacleTree tree(ObstacleField::draw(1, 100));
  const SegmentChunks chunks(1, 1000000000000ULL);
  for (const unsigned int threads : {1u, 3u}) {
    std::uint64_t checkedAtStop = 0;
    int ticks = 0;
    TickClock clock(std::chrono::milliseconds(1));
    const SweepOutcome outcome =
        SweepRunner(tree, chunks).run(chunks.all(), threads, clock, [&](const SweepCounts& counts) {
          checkedAtStop = counts.checked;
          return ++ticks == 3;
        });
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(ticks, 3);
    if (threads == 1) {
      EXPECT_EQ(outcome.counts.checked, checkedAtStop);
    }
    EXPECT_GE(outcome.counts.checked, checkedAtStop);
    EXPECT_LT(outcome.counts.checked, 1000000000000ULL);
    EXPECT_LE(outcome.counts.hits, outcome.counts.checked);
  }
}

TEST(SweepRunTest, ExceptionFromTheTickStopsWorkersAndReachesTheCaller) {
  const ObstacleTree tree(ObstacleField::draw(1, 10));
  const SegmentChunks chunks(1, 1000000000000ULL);
  TickClock clock(std::chrono::milliseconds(1));
  EXPECT_THROW(
      SweepRunner(tree, chunks)
          .run(chunks.all(), 2, clock,
               [](const SweepCounts&) -> bool { throw std::runtime_error("display gone"); }),
      std::runtime_error);
}

// Progress runs through the phases in order, from 0, without going back,
// and a stop requested while placing obstacles ends the sweep at once.
TEST(SweepRunTest, ProgressMovesForwardThroughThePhases) {
  SweepPlan plan = smallPlan();
  plan.threads = 2;
  std::vector<SweepProgress> seen;
  const SweepResult result = SweepEngine(plan).run([&](const SweepProgress& progress) {
    seen.push_back(progress);
    return false;
  });
  EXPECT_TRUE(result.complete);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front().fraction, 0.0);
  EXPECT_EQ(seen[0].phase, SweepPhase::placing);
  for (std::size_t k = 1; k < seen.size(); ++k) {
    EXPECT_GE(seen[k].fraction, seen[k - 1].fraction);
    EXPECT_GE(static_cast<int>(seen[k].phase), static_cast<int>(seen[k - 1].phase));
    EXPECT_LE(seen[k].fraction, 1.0);
  }
  EXPECT_EQ(seen.back().phase, SweepPhase::sweeping);

  const SweepWorkShares shares = SweepEngine(plan).shares();
  EXPECT_NEAR(shares.placing + shares.indexing + shares.sweeping, 1.0, 1e-12);
  plan.obstacles = 1000000;
  plan.segments = 1000;
  EXPECT_GT(SweepEngine(plan).shares().indexing, SweepEngine(plan).shares().sweeping);

  int calls = 0;
  const SweepResult stopped = SweepEngine(plan).run([&](const SweepProgress&) {
    ++calls;
    return true;
  });
  EXPECT_FALSE(stopped.complete);
  EXPECT_EQ(stopped.checked, 0u);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace trvApp
