#include "trvObstacleTree.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "trvContactBound.h"

namespace trvApp {

namespace {

using Entry = ObstacleTree::Entry;
using Node = ObstacleTree::Node;

constexpr double INFINITE = std::numeric_limits<double>::infinity();
// Leaves made between two looks at the clock while building.
constexpr std::uint32_t LEAVES_PER_LOOK = 256;
// The deepest a median-split tree over 2^32 entries can be, with room.
constexpr int MAX_DEPTH = 64;

struct Box {
  Coordinates low{INFINITE, INFINITE, INFINITE};
  Coordinates high{-INFINITE, -INFINITE, -INFINITE};

  void add(const Coordinates& lowPoint, const Coordinates& highPoint) {
    for (int i = 0; i < 3; ++i) {
      low[i] = std::min(low[i], lowPoint[i]);
      high[i] = std::max(high[i], highPoint[i]);
    }
  }
  int longestSide() const {
    const Coordinates side{high[0] - low[0], high[1] - low[1], high[2] - low[2]};
    return static_cast<int>(std::max_element(side.begin(), side.end()) - side.begin());
  }
};

// The box of every point within the radius plus the slack of the axis: a
// segment that may touch the obstacle crosses it.
Box boxOf(const Entry& entry) {
  const double grow = std::fabs(entry.shape.radius) + entry.slack;
  Box box;
  for (int i = 0; i < 3; ++i) {
    box.low[i] = std::min(entry.shape.c1[i], entry.shape.c2[i]) - grow;
    box.high[i] = std::max(entry.shape.c1[i], entry.shape.c2[i]) + grow;
  }
  return box;
}

double centreOf(const Entry& entry, int axis) {
  return 0.5 * (entry.shape.c1[axis] + entry.shape.c2[axis]);
}

// Builds the nodes top down, depth first, from an explicit list of pending
// ranges; the work done is the number of entries partitioned so far.
class TreeBuilder {
 public:
  TreeBuilder(std::vector<Entry>& entries, std::vector<Node>& nodes)
      : m_entries(entries), m_nodes(nodes) {}

  bool run(TickClock& clock, const StepTick& tick) {
    m_nodes.clear();
    if (m_entries.empty()) return true;
    m_nodes.reserve(2 * (m_entries.size() / ObstacleTree::LEAF_SIZE + 1));
    m_nodes.push_back(Node{});
    m_pending.push_back({0, 0, static_cast<std::uint32_t>(m_entries.size())});
    std::uint32_t leaves = 0;
    while (!m_pending.empty()) {
      const Pending range = m_pending.back();
      m_pending.pop_back();
      if (!split(range)) continue;
      if (++leaves % LEAVES_PER_LOOK == 0 && clock.due() && tick && tick(fractionDone())) {
        return false;
      }
    }
    return true;
  }

 private:
  struct Pending {
    std::uint32_t node;
    std::uint32_t begin;
    std::uint32_t end;
  };

  // Fills the node of `range`; true when it became a leaf.
  bool split(const Pending& range) {
    Box box;
    Box centres;
    for (std::uint32_t k = range.begin; k < range.end; ++k) {
      const Box entryBox = boxOf(m_entries[k]);
      box.add(entryBox.low, entryBox.high);
      const Coordinates centre{centreOf(m_entries[k], 0), centreOf(m_entries[k], 1),
                               centreOf(m_entries[k], 2)};
      centres.add(centre, centre);
    }
    const std::uint32_t count = range.end - range.begin;
    m_done += count;
    if (count <= ObstacleTree::LEAF_SIZE) {
      m_nodes[range.node] = Node{box.low, box.high, range.begin, count};
      return true;
    }
    const std::uint32_t children = static_cast<std::uint32_t>(m_nodes.size());
    m_nodes[range.node] = Node{box.low, box.high, children, 0};
    m_nodes.push_back(Node{});
    m_nodes.push_back(Node{});
    const int axis = centres.longestSide();
    const std::uint32_t middle = range.begin + count / 2;
    std::nth_element(
        m_entries.begin() + range.begin, m_entries.begin() + middle, m_entries.begin() + range.end,
        [axis](const Entry& x, const Entry& y) { return centreOf(x, axis) < centreOf(y, axis); });
    m_pending.push_back({children + 1, middle, range.end});
    m_pending.push_back({children, range.begin, middle});
    return false;
  }

  // Each level of the tree partitions every entry once.
  double fractionDone() const {
    const double n = static_cast<double>(m_entries.size());
    const double levels = 1.0 + std::ceil(std::log2(n / ObstacleTree::LEAF_SIZE + 1.0));
    return std::min(1.0, static_cast<double>(m_done) / (n * levels));
  }

  std::vector<Entry>& m_entries;
  std::vector<Node>& m_nodes;
  std::vector<Pending> m_pending;
  std::uint64_t m_done = 0;
};

// A segment ready for slab tests: its start, its inverse direction, and its
// slack folded into the start (the box is grown by the slack on both sides).
class SegmentProbe {
 public:
  explicit SegmentProbe(const SweepSegment& segment) {
    const double slack = ContactBound::slackOf(segment);
    for (int i = 0; i < 3; ++i) {
      const double d = segment.b[i] - segment.a[i];
      // A tiny stand-in for a zero component keeps every product finite or
      // infinite, never 0·inf = NaN.
      m_inverse[i] = 1.0 / (d != 0.0 ? d : 1e-300);
      m_towardLow[i] = segment.a[i] + slack;
      m_towardHigh[i] = segment.a[i] - slack;
    }
    m_slack = slack;
  }

  // The parameter at which the segment enters `node`'s box grown by the
  // slack, or infinity when it misses it.
  double entry(const Node& node) const {
    double near = 0.0;
    double far = 1.0;
    for (int i = 0; i < 3; ++i) {
      const double t0 = (node.low[i] - m_towardLow[i]) * m_inverse[i];
      const double t1 = (node.high[i] - m_towardHigh[i]) * m_inverse[i];
      near = std::max(near, std::min(t0, t1));
      far = std::min(far, std::max(t0, t1));
    }
    return near <= far ? near : INFINITE;
  }

  double slack() const { return m_slack; }

 private:
  Coordinates m_inverse;
  Coordinates m_towardLow;
  Coordinates m_towardHigh;
  double m_slack;
};

}  // namespace

ObstacleTree::ObstacleTree(std::vector<SweepObstacle> obstacles) {
  TickClock clock;
  build(std::move(obstacles), clock, StepTick());
}

bool ObstacleTree::build(std::vector<SweepObstacle> obstacles, TickClock& clock,
                         const StepTick& tick) {
  m_entries.clear();
  m_entries.reserve(obstacles.size());
  for (const SweepObstacle& obstacle : obstacles) {
    m_entries.push_back(Entry{obstacle, ContactBound::slackOf(obstacle)});
  }
  obstacles = std::vector<SweepObstacle>();
  if (TreeBuilder(m_entries, m_nodes).run(clock, tick)) return true;
  m_entries.clear();
  m_nodes.clear();
  return false;
}

bool ObstacleTree::touchesAny(const SweepSegment& segment, ExactContact& exact) const {
  if (m_nodes.empty()) return false;
  const SegmentProbe probe(segment);
  if (probe.entry(m_nodes[0]) == INFINITE) return false;
  std::uint32_t stack[MAX_DEPTH];
  int depth = 0;
  std::uint32_t current = 0;
  for (;;) {
    const Node& node = m_nodes[current];
    if (node.count > 0) {
      for (std::uint32_t k = node.first; k < node.first + node.count; ++k) {
        const Entry& entry = m_entries[k];
        if (ContactBound::mayTouch(segment, entry.shape, entry.slack + probe.slack()) &&
            exact.touches(segment, entry.shape)) {
          return true;
        }
      }
    } else {
      const double left = probe.entry(m_nodes[node.first]);
      const double right = probe.entry(m_nodes[node.first + 1]);
      if (left != INFINITE || right != INFINITE) {
        const bool leftFirst = left <= right;
        if (left != INFINITE && right != INFINITE) {
          stack[depth++] = leftFirst ? node.first + 1 : node.first;
        }
        current = leftFirst ? node.first : node.first + 1;
        continue;
      }
    }
    if (depth == 0) return false;
    current = stack[--depth];
  }
}

}  // namespace trvApp
