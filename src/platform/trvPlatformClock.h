// SPDX-License-Identifier: MIT
#ifndef TRV_PLATFORM_CLOCK_H
#define TRV_PLATFORM_CLOCK_H

#include <cstdint>

namespace trvPlatform {

/// An instant of the wall clock, truncated to whole milliseconds.
struct WallClockInstant {
  std::int64_t seconds;        ///< Seconds since the epoch.
  std::uint16_t milliseconds;  ///< Milliseconds within the second, 0 to 999.
};

/// The wall clock now, with millisecond resolution.
WallClockInstant wallClockNow();

}  // namespace trvPlatform

#endif
