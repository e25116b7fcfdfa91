// SPDX-License-Identifier: MIT
// The sweep's engine: one thread against FCL's broad phase and narrow phase,
// the tree against brute force and against Boost.Geometry's R-tree, all
// threads against one, and the cost of a segment as obstacles grow.
// Boost 1.74's R-tree includes a header that Boost itself has deprecated;
// its build message asks nothing of this file.
#define BOOST_ALLOW_DEPRECATED_HEADERS
#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "trvBench.h"
#include "trvBruteForceFinder.h"
#include "trvContactBound.h"
#include "trvObstacleField.h"
#include "trvObstacleTree.h"
#include "trvSegmentChunks.h"
#include "trvSegmentDraw.h"
#include "trvSweepRunner.h"

#ifdef TRV_BENCH_HAVE_FCL
#include <fcl/broadphase/broadphase_dynamic_AABB_tree.h>
#include <fcl/geometry/shape/capsule.h>
#include <fcl/narrowphase/collision.h>
#include <fcl/narrowphase/collision_object.h>
#endif

namespace {

using trvApp::ContactBound;
using trvApp::Coordinates;
using trvApp::ExactContact;
using trvApp::SegmentChunks;
using trvApp::SegmentDraw;
using trvApp::SweepObstacle;
using trvApp::SweepSegment;

constexpr unsigned int SEED = 1;
// Segments per benchmark iteration, drawn as the sweep draws them.
constexpr std::uint64_t SEGMENTS_PER_ITERATION = 256;
// Segments on which FCL and trv must agree, one by one, before timing.
constexpr std::uint64_t CHECKED_SEGMENTS = 2 * SegmentChunks::CHUNK_SIZE;

// The segments of the sweep of SEED, chunk after chunk, from the first.
class SegmentStream {
 public:
  SweepSegment next() {
    if (m_left == 0) {
      m_draw = std::make_unique<SegmentDraw>(m_chunks.seedOf(m_chunk++));
      m_left = SegmentChunks::CHUNK_SIZE;
    }
    --m_left;
    return m_draw->next();
  }

 private:
  SegmentChunks m_chunks{SEED, 1ULL << 50};
  std::uint64_t m_chunk = 0;
  std::uint64_t m_left = 0;
  std::unique_ptr<SegmentDraw> m_draw;
};

// Times SEGMENTS_PER_ITERATION segments per iteration, drawn and then
// counted by `count` (segments, number) -> hits.
template <class Count>
void sweepBatches(benchmark::State& state, Count count) {
  SegmentStream stream;
  SweepSegment batch[SEGMENTS_PER_ITERATION];
  std::uint64_t hits = 0;
  for (auto _ : state) {
    for (SweepSegment& segment : batch) segment = stream.next();
    hits += count(batch, SEGMENTS_PER_ITERATION);
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * SEGMENTS_PER_ITERATION));
}

// The same, one segment at a time through `touches`.
template <class Touches>
void sweepSegments(benchmark::State& state, Touches touches) {
  sweepBatches(state, [&](const SweepSegment* segments, std::size_t count) {
    std::uint64_t hits = 0;
    for (std::size_t k = 0; k < count; ++k) hits += touches(segments[k]) ? 1 : 0;
    return hits;
  });
}

// The sweep's own path: batches through ContactFinder::countTouching.
void sweepFinder(benchmark::State& state, const trvApp::ContactFinder& finder) {
  ExactContact exact;
  sweepBatches(state, [&](const SweepSegment* segments, std::size_t count) {
    return finder.countTouching(segments, count, exact);
  });
}

// Counts the hits of the first `count` segments through `touches`.
template <class Touches>
std::vector<bool> answersOf(std::uint64_t count, Touches touches) {
  SegmentStream stream;
  std::vector<bool> answers;
  for (std::uint64_t k = 0; k < count; ++k) answers.push_back(touches(stream.next()));
  return answers;
}

// Stops the benchmark run when two sides disagree: their times would not
// measure the same work.
void requireSameAnswers(const std::vector<bool>& trv, const std::vector<bool>& peer,
                        const char* peerName, std::size_t obstacles) {
  std::size_t differing = 0;
  for (std::size_t k = 0; k < trv.size(); ++k) differing += trv[k] != peer[k] ? 1 : 0;
  if (differing == 0) return;
  std::fprintf(stderr,
               "trv sweep bench: %s and trv disagree on %zu of %zu segments (%zu obstacles)\n",
               peerName, differing, trv.size(), obstacles);
  std::exit(1);
}

const std::vector<SweepObstacle>& obstaclesOf(std::size_t count) {
  static std::map<std::size_t, std::vector<SweepObstacle>> fields;
  auto found = fields.find(count);
  if (found == fields.end()) {
    found = fields.emplace(count, trvApp::ObstacleField::draw(SEED, count)).first;
  }
  return found->second;
}

const trvApp::ObstacleTree& treeOf(std::size_t count) {
  static std::map<std::size_t, std::unique_ptr<trvApp::ObstacleTree>> trees;
  std::unique_ptr<trvApp::ObstacleTree>& tree = trees[count];
  if (!tree) tree = std::make_unique<trvApp::ObstacleTree>(obstaclesOf(count));
  return *tree;
}

template <std::size_t N>
void trvTree(benchmark::State& state) {
  sweepFinder(state, treeOf(N));
}

template <std::size_t N>
void trvBruteForce(benchmark::State& state) {
  const trvApp::BruteForceFinder brute(obstaclesOf(N));
  ExactContact exact;
  requireSameAnswers(
      answersOf(SegmentChunks::CHUNK_SIZE / 8,
                [&](const SweepSegment& s) { return treeOf(N).touchesAny(s, exact); }),
      answersOf(SegmentChunks::CHUNK_SIZE / 8,
                [&](const SweepSegment& s) { return brute.touchesAny(s, exact); }),
      "brute force", N);
  sweepFinder(state, brute);
}

// ---- Boost.Geometry's R-tree, packed by its bulk-loading constructor ----

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;
using RPoint = bg::model::point<double, 3, bg::cs::cartesian>;
using RBox = bg::model::box<RPoint>;
using RValue = std::pair<RBox, std::uint32_t>;

RPoint rpoint(const Coordinates& c) { return RPoint(c[0], c[1], c[2]); }

// The obstacles in an R-tree over the same grown boxes as trv's tree; the
// query stops the exact tests at the first contact (the traversal itself
// cannot be stopped) and goes through the same ContactBound.
class RTreeField {
 public:
  explicit RTreeField(const std::vector<SweepObstacle>& obstacles) : m_obstacles(obstacles) {
    std::vector<RValue> values;
    for (std::uint32_t k = 0; k < obstacles.size(); ++k) {
      const SweepObstacle& o = obstacles[k];
      const double grow = o.radius + ContactBound::slackOf(o);
      Coordinates low, high;
      for (int i = 0; i < 3; ++i) {
        low[i] = std::min(o.c1[i], o.c2[i]) - grow;
        high[i] = std::max(o.c1[i], o.c2[i]) + grow;
      }
      values.emplace_back(RBox(rpoint(low), rpoint(high)), k);
    }
    m_tree = Tree(values.begin(), values.end());
  }

  template <class Predicate>
  bool touchesAny(const SweepSegment& segment, ExactContact& exact, Predicate where) const {
    bool found = false;
    const double slack = ContactBound::slackOf(segment);
    auto firstContact = [&](const RValue& value) {
      if (found) return false;
      const SweepObstacle& o = m_obstacles[value.second];
      switch (ContactBound::judge(segment, o, slack + ContactBound::slackOf(o))) {
        case ContactBound::Verdict::APART:
          break;
        case ContactBound::Verdict::UNSURE:
          found = exact.touches(segment, o);
          break;
        case ContactBound::Verdict::TOUCHING:
          found = true;
          break;
      }
      return found;
    };
    m_tree.query(where && bgi::satisfies(firstContact),
                 boost::make_function_output_iterator([](const RValue&) {}));
    return found;
  }

 private:
  using Tree = bgi::rtree<RValue, bgi::rstar<16>>;
  const std::vector<SweepObstacle>& m_obstacles;
  Tree m_tree;
};

// The segment's box, grown by its slack.
RBox segmentBox(const SweepSegment& s) {
  const double slack = ContactBound::slackOf(s);
  Coordinates low, high;
  for (int i = 0; i < 3; ++i) {
    low[i] = std::min(s.a[i], s.b[i]) - slack;
    high[i] = std::max(s.a[i], s.b[i]) + slack;
  }
  return RBox(rpoint(low), rpoint(high));
}

template <std::size_t N>
void rtreeBySegmentBox(benchmark::State& state) {
  const RTreeField field(obstaclesOf(N));
  ExactContact exact;
  auto touches = [&](const SweepSegment& s) {
    return field.touchesAny(s, exact, bgi::intersects(segmentBox(s)));
  };
  requireSameAnswers(
      answersOf(CHECKED_SEGMENTS,
                [&](const SweepSegment& s) { return treeOf(N).touchesAny(s, exact); }),
      answersOf(CHECKED_SEGMENTS, touches), "Boost R-tree", N);
  sweepSegments(state, touches);
}

// ---- all threads against one ----

constexpr std::size_t THREADS_OBSTACLES = 2000;
// 32 chunks (131,072 segments, about 60 ms on one thread): a real sweep has
// thousands, so the threads' start and the wait for the last chunk count
// for little; with 8, a worker could wait up to an eighth of the run for the
// other one's last chunk.
constexpr trvApp::ChunkRange THREADS_CHUNKS{0, 32};

void sweepChunks(benchmark::State& state, unsigned int threads) {
  const trvApp::ObstacleTree& tree = treeOf(THREADS_OBSTACLES);
  const SegmentChunks chunks(SEED, 1ULL << 50);
  std::uint64_t hits = 0;
  for (auto _ : state) {
    trvApp::TickClock clock;
    hits += trvApp::SweepRunner(tree, chunks)
                .run(THREADS_CHUNKS, threads, clock, trvApp::SweepTick())
                .counts.hits;
  }
  benchmark::DoNotOptimize(hits);
}

unsigned int hardwareThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

void trvAllThreads(benchmark::State& state) { sweepChunks(state, hardwareThreads()); }
void trvOneThread(benchmark::State& state) { sweepChunks(state, 1); }

// What the machine offers to threads at the moment: the same arithmetic,
// shared by every hardware thread or done by one, sharing no memory. On an
// idle machine the ratio is 1 / threads; a ratio near 1 says the other cores
// are busy with other work, and no program can show a speedup then.
constexpr std::uint64_t ARITHMETIC_STEPS = 1 << 24;

std::uint64_t arithmetic(std::uint64_t steps) {
  std::uint64_t x = 88172645463325252ULL;
  for (std::uint64_t k = 0; k < steps; ++k) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
  }
  return x;
}

void arithmeticOn(benchmark::State& state, unsigned int threads) {
  for (auto _ : state) {
    std::vector<std::thread> pool;
    std::vector<std::uint64_t> results(threads);
    for (unsigned int k = 1; k < threads; ++k) {
      pool.emplace_back(
          [&results, k, threads] { results[k] = arithmetic(ARITHMETIC_STEPS / threads); });
    }
    results[0] = arithmetic(ARITHMETIC_STEPS / threads);
    for (std::thread& worker : pool) worker.join();
    benchmark::DoNotOptimize(results.data());
  }
}

void arithmeticAllThreads(benchmark::State& state) { arithmeticOn(state, hardwareThreads()); }
void arithmeticOneThread(benchmark::State& state) { arithmeticOn(state, 1); }

// ---- phase costs, for the progress weights ----

void placeObstacles(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(trvApp::ObstacleField::draw(SEED, state.range(0)).data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void buildTree(benchmark::State& state) {
  const std::vector<SweepObstacle>& obstacles = obstaclesOf(state.range(0));
  for (auto _ : state) {
    const trvApp::ObstacleTree tree(obstacles);
    benchmark::DoNotOptimize(tree.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

#ifdef TRV_BENCH_HAVE_FCL

// A collision object whose world box can be set: FCL's own box of a rotated
// capsule is the box of its rotated local box, about twice too large.
class BoxedObject : public fcl::CollisionObjectd {
 public:
  explicit BoxedObject(const std::shared_ptr<fcl::CollisionGeometryd>& shape)
      : fcl::CollisionObjectd(shape) {}

  // Places the object's z axis along a to b, centred between them, with the
  // exact box of the points within `radius` of that segment.
  void place(const Coordinates& a, const Coordinates& b, double radius) {
    const Eigen::Vector3d from(a[0], a[1], a[2]);
    const Eigen::Vector3d to(b[0], b[1], b[2]);
    fcl::Transform3d pose = fcl::Transform3d::Identity();
    pose.linear() =
        Eigen::Quaterniond::FromTwoVectors(Eigen::Vector3d::UnitZ(), to - from).toRotationMatrix();
    pose.translation() = 0.5 * (from + to);
    setTransform(pose);
    const Eigen::Vector3d grow(radius, radius, radius);
    aabb = fcl::AABBd(from.cwiseMin(to) - grow, from.cwiseMax(to) + grow);
  }
};

bool firstContact(fcl::CollisionObjectd* o1, fcl::CollisionObjectd* o2, void* data) {
  bool& found = *static_cast<bool*>(data);
  const fcl::CollisionRequestd request;
  fcl::CollisionResultd result;
  fcl::collide(o1, o2, request, result);
  found = result.isCollision();
  return found;
}

double lengthOf(const Coordinates& a, const Coordinates& b) {
  return std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                   (b[2] - a[2]) * (b[2] - a[2]));
}

// The obstacles as FCL capsules in its dynamic AABB tree; the segment is a
// capsule of radius 0, reused from query to query.
class FclField {
 public:
  explicit FclField(const std::vector<SweepObstacle>& obstacles)
      : m_segmentShape(std::make_shared<fcl::Capsuled>(0.0, 1.0)), m_segment(m_segmentShape) {
    std::vector<fcl::CollisionObjectd*> registered;
    for (const SweepObstacle& o : obstacles) {
      auto shape = std::make_shared<fcl::Capsuled>(o.radius, lengthOf(o.c1, o.c2));
      m_objects.push_back(std::make_unique<BoxedObject>(shape));
      m_objects.back()->place(o.c1, o.c2, o.radius);
      registered.push_back(m_objects.back().get());
    }
    m_manager.registerObjects(registered);
    m_manager.setup();
  }

  bool touchesAny(const SweepSegment& s) {
    m_segmentShape->lz = lengthOf(s.a, s.b);
    m_segment.place(s.a, s.b, 0.0);
    bool found = false;
    m_manager.collide(&m_segment, &found, firstContact);
    return found;
  }

 private:
  std::vector<std::unique_ptr<BoxedObject>> m_objects;
  fcl::DynamicAABBTreeCollisionManagerd m_manager;
  std::shared_ptr<fcl::Capsuled> m_segmentShape;
  BoxedObject m_segment;
};

template <std::size_t N>
void fclBest(benchmark::State& state) {
  FclField field(obstaclesOf(N));
  ExactContact exact;
  auto touches = [&](const SweepSegment& s) { return field.touchesAny(s); };
  requireSameAnswers(
      answersOf(CHECKED_SEGMENTS,
                [&](const SweepSegment& s) { return treeOf(N).touchesAny(s, exact); }),
      answersOf(CHECKED_SEGMENTS, touches), "FCL", N);
  sweepSegments(state, touches);
}

constexpr trvBench::Function kFcl200 = fclBest<200>;
constexpr trvBench::Function kFcl2000 = fclBest<2000>;
constexpr trvBench::Function kFcl20000 = fclBest<20000>;
#else
constexpr trvBench::Function kFcl200 = nullptr;
constexpr trvBench::Function kFcl2000 = nullptr;
constexpr trvBench::Function kFcl20000 = nullptr;
#endif

const bool registered = [] {
  const char* const fcl = "FCL 0.7 dynamic AABB tree, exact boxes";
  const char* const sweepOne = "sweep, 1 thread, ";
  trvBench::registerPair("sweep_fcl_200", std::string(sweepOne) + "200 obstacles", 0.5, fcl,
                         trvTree<200>, kFcl200);
  trvBench::registerPair("sweep_fcl_2000", std::string(sweepOne) + "2,000 obstacles", 0.5, fcl,
                         trvTree<2000>, kFcl2000);
  trvBench::registerPair("sweep_fcl_20000", std::string(sweepOne) + "20,000 obstacles", 0.5, fcl,
                         trvTree<20000>, kFcl20000);
  trvBench::registerPair("sweep_brute_2000", "sweep tree, 2,000 obstacles", 0.1,
                         "trv brute force (every obstacle)", trvTree<2000>, trvBruteForce<2000>);
  trvBench::registerPair("sweep_brute_20000", "sweep tree, 20,000 obstacles", 0.02,
                         "trv brute force (every obstacle)", trvTree<20000>, trvBruteForce<20000>);
  trvBench::registerPair("sweep_rtree_2000", "sweep tree, 2,000 obstacles", trvBench::kNoGoal,
                         "Boost.Geometry R-tree (packed, r*), segment box", trvTree<2000>,
                         rtreeBySegmentBox<2000>);
  trvBench::registerPair("sweep_rtree_20000", "sweep tree, 20,000 obstacles", trvBench::kNoGoal,
                         "Boost.Geometry R-tree (packed, r*), segment box", trvTree<20000>,
                         rtreeBySegmentBox<20000>);
  trvBench::registerPair("sweep_growth", "sweep segment at 20,000 obstacles", 4.0,
                         "trv, the same at 200 obstacles", trvTree<20000>, trvTree<200>);
  // A speedup of at least 0.85 per hardware thread, the ratio rounded down
  // to two decimals.
  const unsigned int cores = hardwareThreads();
  trvBench::registerWallPair(
      "sweep_threads", "sweep, all " + std::to_string(cores) + " threads (wall time)",
      std::floor(100.0 / (0.85 * cores)) / 100.0, "trv, 1 thread", trvAllThreads, trvOneThread);
  trvBench::registerWallPair(
      "machine_threads", "arithmetic on all " + std::to_string(cores) + " threads (wall time)",
      trvBench::kNoGoal, "the same on 1 thread", arithmeticAllThreads, arithmeticOneThread);
  trvBench::registerScale("sweep_place_obstacles", placeObstacles)->Arg(20000);
  trvBench::registerScale("sweep_build_tree", buildTree)->Arg(2000)->Arg(20000)->Arg(200000);
  return true;
}();

}  // namespace
