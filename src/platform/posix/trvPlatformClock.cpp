// SPDX-License-Identifier: MIT
#include "platform/trvPlatformClock.h"

#include <time.h>

namespace trvPlatform {

WallClockInstant wallClockNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return {static_cast<std::int64_t>(now.tv_sec),
          static_cast<std::uint16_t>(now.tv_nsec / 1000000)};
}

}  // namespace trvPlatform
