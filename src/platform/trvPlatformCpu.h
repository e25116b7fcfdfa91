#ifndef TRV_PLATFORM_CPU_H
#define TRV_PLATFORM_CPU_H

namespace trvPlatform {

/// Whether the processor and the operating system support the AVX2
/// instructions (256-bit registers saved across context switches). Always
/// false where the library has no AVX2 code.
bool cpuSupportsAvx2();

}  // namespace trvPlatform

#endif
