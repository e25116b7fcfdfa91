// SPDX-License-Identifier: MIT
#ifndef TRV_PLATFORM_MEMORY_H
#define TRV_PLATFORM_MEMORY_H

#include <cstdint>

// Raw memory figures of the system and of the calling process, as 64-bit
// numbers (bytes unless stated). Each function makes one query of the system
// (one file read or one system call) and returns false when it fails, leaving
// its out-arguments unchanged.
namespace trvPlatform {

/// System-wide physical memory and commit figures.
struct SystemMemoryInfo {
  std::uint64_t totalPhysical;
  std::uint64_t availablePhysical;
  std::uint64_t commitLimit;
  std::uint64_t committed;  ///< Memory committed by every process together.
};

/// Virtual and resident sizes of the calling process.
struct ProcessMemoryInfo {
  std::uint64_t peakVirtual;
  std::uint64_t virtualSize;
  std::uint64_t peakResident;
  std::uint64_t resident;
  std::uint64_t pageTables;
};

bool readSystemMemoryInfo(SystemMemoryInfo& info);
bool readProcessMemoryInfo(ProcessMemoryInfo& info);

/// Virtual size of the calling process alone (cheaper than the whole
/// ProcessMemoryInfo).
bool readVirtualSize(std::uint64_t& bytes);

/// Size of the address space the calling process may use: its address-space
/// limit, or the whole user address space when it has none.
bool readAddressSpaceLimit(std::uint64_t& bytes);

/// Minor plus major page faults of the calling process so far.
bool readPageFaultCount(std::uint64_t& count);

}  // namespace trvPlatform

#endif
