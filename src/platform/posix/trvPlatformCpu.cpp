// SPDX-License-Identifier: MIT
#include "platform/trvPlatformCpu.h"

namespace trvPlatform {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

// The sanitizers' shadow memory does not exist yet while the library is
// loaded, so this function must not be instrumented.
__attribute__((no_sanitize("address", "undefined"))) bool cpuSupportsAvx2() {
  // Reads the processor's identification once; later calls return at once.
  // The test of AVX2 includes the system's support of the 256-bit registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

#else

bool cpuSupportsAvx2() { return false; }

#endif

}  // namespace trvPlatform
