#include "platform/trvPlatformCpu.h"

namespace trvPlatform {

bool cpuSupportsAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  // Also checks that the system saves the 256-bit registers.
  static const bool supported = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return supported;
#else
  return false;
#endif
}

}  // namespace trvPlatform
