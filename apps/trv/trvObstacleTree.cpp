// SPDX-License-Identifier: MIT
#include "trvObstacleTree.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "trvContactBound.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Why single precision keeps the search conservative: each box is the exact
// box grown by ContactBound's slack and by FLOAT_SLACK of its size, then
// rounded outwards, and the segment is grown likewise; ContactBound's reach
// gets the same growth. Rounding the coordinates to floats and the few float
// operations of a slab test or a bound move their results by a few float
// ulps (about 1e-7) of the coordinates' size, well inside FLOAT_SLACK, so
// every segment within ContactBound's double-precision reach of an obstacle
// crosses its box and passes its single-precision bound.

namespace trvApp {

namespace {

using Node = ObstacleTree::Node;
using Proxy = ObstacleTree::Proxy;

constexpr double INFINITE = std::numeric_limits<double>::infinity();
constexpr double FLOAT_SLACK = 1e-5;
constexpr std::uint32_t WIDTH = 4;
// Nodes made between two looks at the clock while building.
constexpr std::uint32_t NODES_PER_LOOK = 64;
// Segments searched in turns by countTouching.
constexpr int INTERLEAVED = 8;
// Bins of the surface-area heuristic.
constexpr int SPLIT_BINS = 16;
// Room for the pending nodes of a search: at most three per level, and as
// every split leaves at least a quarter on each side, a tree over 2^31
// entries has fewer than 40 levels.
constexpr int STACK_SIZE = 128;

double largestMagnitude(const Coordinates& u) {
  return std::max({std::fabs(u[0]), std::fabs(u[1]), std::fabs(u[2])});
}

struct Box {
  Coordinates low{INFINITE, INFINITE, INFINITE};
  Coordinates high{-INFINITE, -INFINITE, -INFINITE};

  void add(const Box& other) {
    for (int i = 0; i < 3; ++i) {
      low[i] = std::min(low[i], other.low[i]);
      high[i] = std::max(high[i], other.high[i]);
    }
  }
  double area() const {
    const Coordinates side{high[0] - low[0], high[1] - low[1], high[2] - low[2]};
    if (!(side[0] >= 0.0)) return 0.0;
    return side[0] * side[1] + side[1] * side[2] + side[2] * side[0];
  }
  int longestSide() const {
    const Coordinates side{high[0] - low[0], high[1] - low[1], high[2] - low[2]};
    return static_cast<int>(std::max_element(side.begin(), side.end()) - side.begin());
  }
};

// How far beyond its radius a segment may pass an obstacle and still be
// found: ContactBound's slack and room for the single-precision search.
double growthOf(const SweepObstacle& o) {
  const double size =
      std::max(largestMagnitude(o.c1), largestMagnitude(o.c2)) + std::fabs(o.radius);
  return ContactBound::slackOf(o) + FLOAT_SLACK * (1.0 + size);
}

// The box every segment that may touch the obstacle crosses.
Box boxOf(const SweepObstacle& o) {
  const double grow = std::fabs(o.radius) + growthOf(o);
  Box box;
  for (int i = 0; i < 3; ++i) {
    box.low[i] = std::min(o.c1[i], o.c2[i]) - grow;
    box.high[i] = std::max(o.c1[i], o.c2[i]) + grow;
  }
  return box;
}

float roundedDown(double x) {
  const float f = static_cast<float>(x);
  return f > x ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
}

float roundedUp(double x) {
  const float f = static_cast<float>(x);
  return f < x ? std::nextafter(f, std::numeric_limits<float>::infinity()) : f;
}

Coordinates centreOf(const SweepObstacle& o) {
  return {0.5 * (o.c1[0] + o.c2[0]), 0.5 * (o.c1[1] + o.c2[1]), 0.5 * (o.c1[2] + o.c2[2])};
}

// SPLIT_BINS equal bins over [low, high].
class Bins {
 public:
  Bins(double low, double high) : m_low(low), m_scale(SPLIT_BINS / (high - low)) {}
  bool usable() const { return std::isfinite(m_scale) && m_scale > 0.0; }
  int of(double x) const {
    return std::clamp(static_cast<int>((x - m_low) * m_scale), 0, SPLIT_BINS - 1);
  }

 private:
  double m_low;
  double m_scale;
};

Proxy proxyOf(const SweepObstacle& o) {
  Proxy proxy{};
  for (int i = 0; i < 3; ++i) {
    proxy.c1[i] = static_cast<float>(o.c1[i]);
    proxy.axis[i] = static_cast<float>(o.c2[i] - o.c1[i]);
  }
  proxy.reach = roundedUp(std::fabs(o.radius) + growthOf(o));
  proxy.inner = std::max(0.0f, roundedDown(o.radius - 2.0 * growthOf(o)));
  return proxy;
}

// A half-open range of entries.
struct Range {
  std::uint32_t begin;
  std::uint32_t end;
  std::uint32_t size() const { return end - begin; }
};

// Builds the nodes top down, depth first, from a list of pending ranges;
// each node takes four ranges, from two median splits.
class TreeBuilder {
 public:
  TreeBuilder(std::vector<SweepObstacle>& entries, std::vector<Node>& nodes)
      : m_entries(entries), m_nodes(nodes) {}

  bool run(TickClock& clock, const StepTick& tick) {
    m_nodes.clear();
    if (m_entries.empty()) return true;
    m_nodes.reserve(m_entries.size() / 2 + 1);
    m_nodes.emplace_back();
    m_pending.push_back({0, {0, static_cast<std::uint32_t>(m_entries.size())}});
    while (!m_pending.empty()) {
      const Pending next = m_pending.back();
      m_pending.pop_back();
      fill(next.node, next.range);
      if (m_nodes.size() % NODES_PER_LOOK == 0 && clock.due() && tick && tick(fractionDone())) {
        return false;
      }
    }
    return true;
  }

 private:
  struct Pending {
    std::uint32_t node;
    Range range;
  };

  void fill(std::uint32_t index, const Range& range) {
    Range parts[WIDTH];
    std::uint32_t count = 0;
    if (range.size() <= WIDTH) {
      for (std::uint32_t k = range.begin; k < range.end; ++k) parts[count++] = {k, k + 1};
    } else {
      const auto halves = split(range);
      const auto first = split(halves.first);
      const auto second = split(halves.second);
      parts[0] = first.first, parts[1] = first.second;
      parts[2] = second.first, parts[3] = second.second;
      count = WIDTH;
    }
    Node node{};
    node.count = count;
    for (std::uint32_t lane = 0; lane < count; ++lane) {
      setLane(node, lane, boxOf(parts[lane]));
      if (parts[lane].size() == 1) {
        node.child[lane] = ~static_cast<std::int32_t>(parts[lane].begin);
      } else {
        node.child[lane] = static_cast<std::int32_t>(m_nodes.size());
        m_pending.push_back({static_cast<std::uint32_t>(m_nodes.size()), parts[lane]});
        m_nodes.emplace_back();
      }
    }
    m_nodes[index] = node;
  }

  Box boxOf(const Range& range) {
    Box box;
    for (std::uint32_t k = range.begin; k < range.end; ++k) box.add(trvApp::boxOf(m_entries[k]));
    m_done += range.size();
    return box;
  }

  // Splits `range` (of two entries or more) where the surface-area
  // heuristic puts it, among SPLIT_BINS bins of the centres along the
  // longest side of their box: the split that makes the cheapest expected
  // search. A split leaving less than a quarter on one side falls back to
  // the median, which bounds the depth.
  std::pair<Range, Range> split(const Range& range) {
    Box centres;
    for (std::uint32_t k = range.begin; k < range.end; ++k) {
      const Coordinates centre = centreOf(m_entries[k]);
      centres.add(Box{centre, centre});
    }
    const int axis = centres.longestSide();
    const Bins bins(centres.low[axis], centres.high[axis]);
    const auto first = m_entries.begin() + range.begin;
    const auto last = m_entries.begin() + range.end;
    if (bins.usable()) {
      const int lastLeft = cheapestSplit(range, axis, bins);
      const auto middle = std::partition(first, last, [&](const SweepObstacle& o) {
        return bins.of(centreOf(o)[axis]) <= lastLeft;
      });
      const auto left = static_cast<std::uint32_t>(middle - first);
      if (left >= range.size() / 4 && range.size() - left >= range.size() / 4) {
        return {{range.begin, range.begin + left}, {range.begin + left, range.end}};
      }
    }
    const std::uint32_t middle = range.begin + range.size() / 2;
    std::nth_element(first, m_entries.begin() + middle, last,
                     [axis](const SweepObstacle& x, const SweepObstacle& y) {
                       return centreOf(x)[axis] < centreOf(y)[axis];
                     });
    return {{range.begin, middle}, {middle, range.end}};
  }

  // The last bin of the left side of the cheapest split.
  int cheapestSplit(const Range& range, int axis, const Bins& bins) const {
    Box boxes[SPLIT_BINS];
    std::uint32_t counts[SPLIT_BINS] = {};
    for (std::uint32_t k = range.begin; k < range.end; ++k) {
      const int bin = bins.of(centreOf(m_entries[k])[axis]);
      boxes[bin].add(trvApp::boxOf(m_entries[k]));
      ++counts[bin];
    }
    double leftCost[SPLIT_BINS];
    Box side;
    std::uint32_t count = 0;
    for (int bin = 0; bin + 1 < SPLIT_BINS; ++bin) {
      side.add(boxes[bin]);
      count += counts[bin];
      leftCost[bin] = side.area() * count;
    }
    side = Box();
    count = 0;
    int best = 0;
    double bestCost = INFINITE;
    for (int bin = SPLIT_BINS - 1; bin > 0; --bin) {
      side.add(boxes[bin]);
      count += counts[bin];
      const double cost = leftCost[bin - 1] + side.area() * count;
      if (cost < bestCost) {
        bestCost = cost;
        best = bin - 1;
      }
    }
    return best;
  }

  static void setLane(Node& node, std::uint32_t lane, const Box& box) {
    for (int i = 0; i < 3; ++i) {
      node.low[i][lane] = roundedDown(box.low[i]);
      node.high[i][lane] = roundedUp(box.high[i]);
    }
  }

  // Each level of the tree takes every entry's box once.
  double fractionDone() const {
    const double n = static_cast<double>(m_entries.size());
    const double levels = std::max(1.0, std::ceil(std::log2(n) / 2.0));
    return std::min(1.0, static_cast<double>(m_done) / (n * levels));
  }

  std::vector<SweepObstacle>& m_entries;
  std::vector<Node>& m_nodes;
  std::vector<Pending> m_pending;
  std::uint64_t m_done = 0;
};

}  // namespace

// A segment ready for the single-precision search: its start grown by its
// slack towards each bound and its inverse direction for the slab tests, its
// start, direction and slack for ContactBound.
class ObstacleTree::Probe {
 public:
  Probe() = default;

  explicit Probe(const SweepSegment& segment) {
    const double size = std::max(largestMagnitude(segment.a), largestMagnitude(segment.b));
    const double grow = ContactBound::slackOf(segment) + FLOAT_SLACK * (1.0 + size);
    m_grow = roundedUp(grow);
    for (int i = 0; i < 3; ++i) {
      const double d = segment.b[i] - segment.a[i];
      m_start[i] = static_cast<float>(segment.a[i]);
      m_direction[i] = static_cast<float>(d);
      // A tiny stand-in for a zero component keeps every product finite or
      // infinite, never 0·inf = NaN.
      const float inverse = static_cast<float>(1.0 / (d != 0.0 ? d : 1e-30));
      const auto towardLow = static_cast<float>(segment.a[i] + grow);
      const auto towardHigh = static_cast<float>(segment.a[i] - grow);
      for (std::uint32_t lane = 0; lane < WIDTH; ++lane) {
        m_inverse[i][lane] = inverse;
        m_towardLow[i][lane] = towardLow;
        m_towardHigh[i][lane] = towardHigh;
      }
    }
  }

  // APART only when the segment cannot touch the obstacle of `proxy`,
  // TOUCHING only when it surely does.
  ContactBound::Verdict judge(const Proxy& proxy) const {
    return ContactBound::judge(m_start, m_direction, proxy.c1, proxy.axis, proxy.reach + m_grow,
                               proxy.inner - 2.0f * m_grow);
  }

  // Bit k set when the segment crosses the box of lane k of `node`;
  // `shortfall` receives, for each box, minus the length of parameter over
  // which the segment lies inside it.
  unsigned int crossings(const Node& node, float shortfall[WIDTH]) const {
#if defined(__SSE2__)
    __m128 near = _mm_setzero_ps();
    __m128 far = _mm_set1_ps(1.0f);
    for (int i = 0; i < 3; ++i) {
      const __m128 inverse = _mm_load_ps(m_inverse[i]);
      const __m128 t0 =
          _mm_mul_ps(_mm_sub_ps(_mm_load_ps(node.low[i]), _mm_load_ps(m_towardLow[i])), inverse);
      const __m128 t1 =
          _mm_mul_ps(_mm_sub_ps(_mm_load_ps(node.high[i]), _mm_load_ps(m_towardHigh[i])), inverse);
      near = _mm_max_ps(near, _mm_min_ps(t0, t1));
      far = _mm_min_ps(far, _mm_max_ps(t0, t1));
    }
    _mm_storeu_ps(shortfall, _mm_sub_ps(near, far));
    const unsigned int used = (1u << node.count) - 1;
    return static_cast<unsigned int>(_mm_movemask_ps(_mm_cmple_ps(near, far))) & used;
#else
    unsigned int mask = 0;
    for (std::uint32_t lane = 0; lane < node.count; ++lane) {
      float near = 0.0f;
      float far = 1.0f;
      for (int i = 0; i < 3; ++i) {
        const float t0 = (node.low[i][lane] - m_towardLow[i][lane]) * m_inverse[i][lane];
        const float t1 = (node.high[i][lane] - m_towardHigh[i][lane]) * m_inverse[i][lane];
        near = std::max(near, std::min(t0, t1));
        far = std::min(far, std::max(t0, t1));
      }
      shortfall[lane] = near - far;
      if (near <= far) mask |= 1u << lane;
    }
    return mask;
#endif
  }

 private:
  alignas(16) float m_inverse[3][WIDTH];
  alignas(16) float m_towardLow[3][WIDTH];
  alignas(16) float m_towardHigh[3][WIDTH];
  float m_start[3];
  float m_direction[3];
  float m_grow;
};

ObstacleTree::ObstacleTree(std::vector<SweepObstacle> obstacles) {
  TickClock clock;
  build(std::move(obstacles), clock, StepTick());
}

bool ObstacleTree::build(std::vector<SweepObstacle> obstacles, TickClock& clock,
                         const StepTick& tick) {
  if (obstacles.size() > static_cast<std::size_t>(INT32_MAX)) {
    throw std::length_error("an obstacle tree holds at most 2^31 - 1 obstacles");
  }
  m_obstacles = std::move(obstacles);
  m_proxies.clear();
  if (!TreeBuilder(m_obstacles, m_nodes).run(clock, tick)) {
    m_obstacles.clear();
    m_nodes.clear();
    return false;
  }
  m_proxies.reserve(m_obstacles.size());
  for (const SweepObstacle& obstacle : m_obstacles) m_proxies.push_back(proxyOf(obstacle));
  return true;
}

// The search of one segment, a step at a time: its probe, its stack of
// pending items (a node k as k, an obstacle k to bound as ~k) and the
// obstacle, if any, that passed its bound and awaits the exact test. Each
// step touches the memory the step before asked for in advance, so searches
// taken in turns overlap their waits for memory.
class ObstacleTree::Search {
 public:
  void start(const SweepSegment& segment) {
    m_segment = &segment;
    m_probe = Probe(segment);
    m_top = m_stack;
    *m_top++ = 0;
    m_exact = NONE;
  }

  bool done() const { return m_top == m_stack && m_exact == NONE; }

  // Takes the next step; true at a contact.
  bool step(const ObstacleTree& tree, ExactContact& exact) {
    if (m_exact != NONE) {
      const std::int32_t candidate = m_exact;
      m_exact = NONE;
      return exact.touches(*m_segment, tree.m_obstacles[static_cast<std::uint32_t>(candidate)]);
    }
    const std::int32_t item = *--m_top;
    if (item >= 0) {
      tree.pushCrossed(tree.m_nodes[static_cast<std::uint32_t>(item)], m_probe, m_top);
    } else {
      switch (m_probe.judge(tree.m_proxies[static_cast<std::uint32_t>(~item)])) {
        case ContactBound::Verdict::TOUCHING:
          return true;
        case ContactBound::Verdict::UNSURE:
          m_exact = ~item;
          __builtin_prefetch(&tree.m_obstacles[static_cast<std::uint32_t>(m_exact)]);
          break;
        case ContactBound::Verdict::APART:
          break;
      }
    }
    return false;
  }

 private:
  static constexpr std::int32_t NONE = -1;

  const SweepSegment* m_segment = nullptr;
  Probe m_probe;
  std::int32_t m_stack[STACK_SIZE];
  std::int32_t* m_top = m_stack;
  std::int32_t m_exact = NONE;
};

std::uint64_t ObstacleTree::countTouching(const SweepSegment* segments, std::size_t count,
                                          ExactContact& exact) const {
  if (m_nodes.empty()) return 0;
  Search searches[INTERLEAVED];
  bool live[INTERLEAVED] = {};
  std::size_t next = 0;
  int running = 0;
  for (int k = 0; k < INTERLEAVED && next < count; ++k, ++running) {
    searches[k].start(segments[next++]);
    live[k] = true;
  }
  std::uint64_t hits = 0;
  while (running > 0) {
    for (int k = 0; k < INTERLEAVED; ++k) {
      if (!live[k]) continue;
      const bool contact = searches[k].step(*this, exact);
      if (!contact && !searches[k].done()) continue;
      hits += contact ? 1 : 0;
      if (next < count) {
        searches[k].start(segments[next++]);
      } else {
        live[k] = false;
        --running;
      }
    }
  }
  return hits;
}

bool ObstacleTree::touchesAny(const SweepSegment& segment, ExactContact& exact) const {
  if (m_nodes.empty()) return false;
  Search search;
  search.start(segment);
  while (!search.done()) {
    if (search.step(*this, exact)) return true;
  }
  return false;
}

// Pushes the children of `node` whose boxes the segment crosses, asking for
// their memory in advance: the subtrees first, ordered so that the one the
// segment crosses longest comes out first, then the obstacles, which come
// out before them.
void ObstacleTree::pushCrossed(const Node& node, const Probe& probe, std::int32_t*& top) const {
  alignas(16) float shortfall[WIDTH];
  unsigned int crossed = probe.crossings(node, shortfall);
  std::int32_t subtrees[WIDTH];
  float order[WIDTH];
  int pending = 0;
  std::int32_t obstacles[WIDTH];
  int bounded = 0;
  for (; crossed != 0; crossed &= crossed - 1) {
    const int lane = __builtin_ctz(crossed);
    const std::int32_t child = node.child[lane];
    if (child < 0) {
      __builtin_prefetch(&m_proxies[static_cast<std::uint32_t>(~child)]);
      obstacles[bounded++] = child;
      continue;
    }
    __builtin_prefetch(&m_nodes[static_cast<std::uint32_t>(child)]);
    __builtin_prefetch(reinterpret_cast<const char*>(&m_nodes[static_cast<std::uint32_t>(child)]) +
                       64);
    int at = pending++;
    for (; at > 0 && order[at - 1] < shortfall[lane]; --at) {
      subtrees[at] = subtrees[at - 1];
      order[at] = order[at - 1];
    }
    subtrees[at] = child;
    order[at] = shortfall[lane];
  }
  for (int k = 0; k < pending; ++k) *top++ = subtrees[k];
  for (int k = 0; k < bounded; ++k) *top++ = obstacles[k];
}

}  // namespace trvApp
