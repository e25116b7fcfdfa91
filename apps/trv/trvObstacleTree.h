#ifndef TRV_APP_OBSTACLE_TREE_H
#define TRV_APP_OBSTACLE_TREE_H

// The broad phase of the sweep: a bounding-volume hierarchy over the
// obstacles' boxes.

#include <cstdint>
#include <vector>

#include "trvContactFinder.h"
#include "trvTickClock.h"

namespace trvApp {

/// A binary bounding-volume hierarchy over the obstacles' exact boxes (the
/// box of the axis grown by the radius), built top down by median splits
/// along the longest side of the centres' box. A segment is tested exactly
/// only against the obstacles whose boxes it crosses (a slab test along the
/// segment, not a box against a box), and each of those first goes through
/// ContactBound. Subtrees are visited nearest first, and the search stops at
/// the first contact.
///
/// Measured on the sweep's distribution, it answers a query several times
/// faster than Boost.Geometry's packed R-tree (see docs/sweep.md), mainly
/// because its search stops at the first contact and tests the segment
/// itself, not its box, against each box.
class ObstacleTree : public ContactFinder {
 public:
  /// Obstacles per leaf, at most.
  static constexpr std::uint32_t LEAF_SIZE = 4;

  /// An empty tree: no segment touches it.
  ObstacleTree() = default;

  /// Builds the tree over `obstacles` (their order is not kept), calling
  /// `tick` with the fraction of the work done whenever `clock` is due.
  /// False when the tick asked to stop: the tree is then left empty.
  bool build(std::vector<SweepObstacle> obstacles, TickClock& clock, const StepTick& tick);

  /// Builds the tree over `obstacles` without ticks.
  explicit ObstacleTree(std::vector<SweepObstacle> obstacles);

  bool touchesAny(const SweepSegment& segment, ExactContact& exact) const override;
  std::size_t size() const override { return m_entries.size(); }

  /// An obstacle with its slack for ContactBound, in leaf order.
  struct Entry {
    SweepObstacle shape;
    double slack;
  };

  /// A box with, for a leaf (count > 0), its entries [first, first + count)
  /// and, for an inner node (count == 0), its children first and first + 1.
  struct Node {
    Coordinates low;
    Coordinates high;
    std::uint32_t first;
    std::uint32_t count;
  };

 private:
  std::vector<Entry> m_entries;
  std::vector<Node> m_nodes;
};

}  // namespace trvApp

#endif
