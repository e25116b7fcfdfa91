// SPDX-License-Identifier: MIT
#include "trvTickClock.h"

namespace trvApp {

TickClock::TickClock(std::chrono::steady_clock::duration interval)
    : m_interval(interval), m_next(std::chrono::steady_clock::now() + interval) {}

bool TickClock::due() {
  const auto now = std::chrono::steady_clock::now();
  if (now < m_next) return false;
  m_next = now + m_interval;
  return true;
}

std::chrono::steady_clock::duration TickClock::remaining() const {
  const auto left = m_next - std::chrono::steady_clock::now();
  return left.count() > 0 ? left : std::chrono::steady_clock::duration::zero();
}

}  // namespace trvApp
