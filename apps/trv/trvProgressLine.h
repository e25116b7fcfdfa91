// SPDX-License-Identifier: MIT
#ifndef TRV_APP_PROGRESS_LINE_H
#define TRV_APP_PROGRESS_LINE_H

// The text of one progress line, for a terminal or for a log.

#include <string>

namespace trvApp {

/// What a progress line shows.
struct ProgressSnapshot {
  double progress = 0.0;  ///< overall fraction, 0 to 1
  std::string phase;      ///< what is being done
  double rate = -1.0;     ///< items per second in this phase; negative: unknown
  std::string unit;       ///< what the items are ("segments")
  double seconds = -1.0;  ///< time left, or time taken once finished; negative: unknown
  bool finished = false;  ///< the work is done: `seconds` is the time it took
};

/// A line for a terminal, with a bar: "[####----]  45%  sweeping  41.2k
/// segments/s  ETA 3.0 s". It is shorter than `width` so that it never
/// wraps. The bar's width (10 to 40 cells) depends on `width` alone, so it
/// does not move from one drawing to the next; the rate, the time and the
/// phase are left out, in that order, when there is no room for them after
/// it, and only the percent is left when not even a bar of 10 cells fits.
std::string terminalLine(const ProgressSnapshot& snapshot, int width);

/// The same information without a bar, for output that is not a terminal.
std::string plainLine(const ProgressSnapshot& snapshot);

/// The whole percent of a fraction, clamped into 0 to 100.
int wholePercent(double progress);

}  // namespace trvApp

#endif
