// SPDX-License-Identifier: MIT
#ifndef TRV_PLATFORM_CPU_H
#define TRV_PLATFORM_CPU_H

namespace trvPlatform {

/// Whether the processor and the operating system support the AVX2
/// instructions (256-bit registers saved across context switches). Always
/// false where the library has no AVX2 code. Safe to call while the library
/// is being loaded, before any constructor has run: it takes no lock, keeps
/// no state of its own and is not instrumented by the sanitizers.
bool cpuSupportsAvx2();

}  // namespace trvPlatform

#endif
