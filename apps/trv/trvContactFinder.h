// SPDX-License-Identifier: MIT
#ifndef TRV_APP_CONTACT_FINDER_H
#define TRV_APP_CONTACT_FINDER_H

// What the sweep asks of its obstacles: does a segment touch any of them.

#include <cstddef>
#include <cstdint>

#include "trvExactContact.h"
#include "trvSweepShapes.h"

namespace trvApp {

/// A set of obstacles that answers whether a segment touches at least one of
/// them. Answering reads the finder only, so one finder serves every thread
/// at once, each thread passing its own ExactContact.
class ContactFinder {
 public:
  virtual ~ContactFinder() = default;

  /// True when `segment` touches at least one obstacle, as decided by
  /// `exact`; stops at the first contact found.
  virtual bool touchesAny(const SweepSegment& segment, ExactContact& exact) const = 0;

  /// How many of the `count` segments from `segments` touch at least one
  /// obstacle. A finder may search several segments at once here.
  virtual std::uint64_t countTouching(const SweepSegment* segments, std::size_t count,
                                      ExactContact& exact) const {
    std::uint64_t hits = 0;
    for (std::size_t k = 0; k < count; ++k) hits += touchesAny(segments[k], exact) ? 1 : 0;
    return hits;
  }

  /// How many obstacles the finder holds.
  virtual std::size_t size() const = 0;
};

}  // namespace trvApp

#endif
