// SPDX-License-Identifier: MIT
#ifndef TRV_APP_TICK_CLOCK_H
#define TRV_APP_TICK_CLOCK_H

// When the long loops of the sweep look up from their work.

#include <chrono>
#include <functional>

namespace trvApp {

/// Called on the thread that runs the sweep with the fraction of the
/// current step that is done; returns true to stop the step.
using StepTick = std::function<bool(double fraction)>;

/// A clock that is due once every interval: the loops of the sweep ask it
/// between small batches of work and call their tick only when it is due.
class TickClock {
 public:
  /// Between two ticks: short enough for a prompt stop and a smooth bar,
  /// long enough that the tick's own cost is lost in the work.
  static constexpr std::chrono::milliseconds DEFAULT_INTERVAL{25};

  explicit TickClock(std::chrono::steady_clock::duration interval = DEFAULT_INTERVAL);

  /// True once the interval has passed since the last time it was due (or
  /// since construction); restarts the interval then.
  bool due();

  /// The time left until the clock is due, or zero.
  std::chrono::steady_clock::duration remaining() const;

 private:
  std::chrono::steady_clock::duration m_interval;
  std::chrono::steady_clock::time_point m_next;
};

}  // namespace trvApp

#endif
