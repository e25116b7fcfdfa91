// SPDX-License-Identifier: MIT
#ifndef CTRV_MEMORY_H
#define CTRV_MEMORY_H

/// @file CtrvMemory.h
/// System-wide and per-process memory figures.

#include <cstdint>

#include "trStatus.h"
#include "trvExport.h"

/// Memory figures of the whole system and of the calling process, read from
/// the operating system at every call (nothing is cached). Figures are in
/// bytes, except the memory load (a percentage) and the page-fault count.
///
/// The figures come in three forms:
/// - getIndicatorValue() gives any one figure, exact, as an `unsigned long`
///   (64-bit on Linux), reading only what that figure needs;
/// - GlobalStatus64 and ProcessStatus64 give a whole record, exact, with one
///   read of each system source, so that its figures agree with each other;
/// - GlobalStatus and ProcessStatus keep the 32-bit layout of release 1.0:
///   a figure above 4294967295 (4 GiB − 1) reads 4294967295, which on
///   today's machines is most byte figures. Prefer the 64-bit forms.
///
/// Only static operations; the class is never instantiated. The operations
/// keep no state and take no lock.
class TRV_API CtrvMemory {
 public:
  /// System-wide figures, and the address space of the calling process, in
  /// 32 bits: each figure saturates at 4294967295.
  struct GlobalStatus {
    unsigned int memoryLoad;            ///< Share of physical memory in use, percent (0 to 100).
    unsigned int totalPhys;             ///< Physical memory installed, bytes.
    unsigned int availPhys;             ///< Physical memory available, bytes.
    unsigned int totalPageFile;         ///< System commit limit, bytes.
    unsigned int availPageFile;         ///< Memory that can still be committed, bytes.
    unsigned int totalVirtual;          ///< Size of the process's address space, bytes.
    unsigned int availVirtual;          ///< Unused part of that address space, bytes.
    unsigned int availExtendedVirtual;  ///< Extended virtual memory, bytes; always 0.
  };

  /// Counters of the calling process, in 32 bits: each figure saturates
  /// at 4294967295.
  struct ProcessStatus {
    unsigned int pageFaultCount;              ///< Page faults since the process started.
    unsigned int peakWorkingSetSize;          ///< Largest resident set so far, bytes.
    unsigned int workingSetSize;              ///< Current resident set, bytes.
    unsigned int quotaPeakPagedPoolUsage;     ///< Largest page-table size so far, bytes.
    unsigned int quotaPagedPoolUsage;         ///< Current page-table size, bytes.
    unsigned int quotaPeakNonPagedPoolUsage;  ///< Always 0.
    unsigned int quotaNonPagedPoolUsage;      ///< Always 0.
    unsigned int pagefileUsage;               ///< Virtual memory of the process, bytes.
    unsigned int peakPagefileUsage;           ///< Largest virtual memory so far, bytes.
  };

  /// The figures of GlobalStatus, same names and order, exact in 64 bits.
  struct GlobalStatus64 {
    std::uint64_t memoryLoad;            ///< Share of physical memory in use, percent (0 to 100).
    std::uint64_t totalPhys;             ///< Physical memory installed, bytes.
    std::uint64_t availPhys;             ///< Physical memory available, bytes.
    std::uint64_t totalPageFile;         ///< System commit limit, bytes.
    std::uint64_t availPageFile;         ///< Memory that can still be committed, bytes.
    std::uint64_t totalVirtual;          ///< Size of the process's address space, bytes.
    std::uint64_t availVirtual;          ///< Unused part of that address space, bytes.
    std::uint64_t availExtendedVirtual;  ///< Extended virtual memory, bytes; always 0.
  };

  /// The figures of ProcessStatus, same names and order, exact in 64 bits.
  struct ProcessStatus64 {
    std::uint64_t pageFaultCount;              ///< Page faults since the process started.
    std::uint64_t peakWorkingSetSize;          ///< Largest resident set so far, bytes.
    std::uint64_t workingSetSize;              ///< Current resident set, bytes.
    std::uint64_t quotaPeakPagedPoolUsage;     ///< Largest page-table size so far, bytes.
    std::uint64_t quotaPagedPoolUsage;         ///< Current page-table size, bytes.
    std::uint64_t quotaPeakNonPagedPoolUsage;  ///< Always 0.
    std::uint64_t quotaNonPagedPoolUsage;      ///< Always 0.
    std::uint64_t pagefileUsage;               ///< Virtual memory of the process, bytes.
    std::uint64_t peakPagefileUsage;           ///< Largest virtual memory so far, bytes.
  };

  /// One field of GlobalStatus (0 to 7) or of ProcessStatus (8 to 16), in
  /// the order of their declarations. Any other value is invalid.
  enum Indicator : int {
    GLOBAL_MEMORY_LOAD = 0,                    ///< GlobalStatus::memoryLoad, percent.
    GLOBAL_TOTAL_PHYS = 1,                     ///< GlobalStatus::totalPhys, bytes.
    GLOBAL_AVAIL_PHYS = 2,                     ///< GlobalStatus::availPhys, bytes.
    GLOBAL_TOTAL_PAGE_FILE = 3,                ///< GlobalStatus::totalPageFile, bytes.
    GLOBAL_AVAIL_PAGE_FILE = 4,                ///< GlobalStatus::availPageFile, bytes.
    GLOBAL_TOTAL_VIRTUAL = 5,                  ///< GlobalStatus::totalVirtual, bytes.
    GLOBAL_AVAIL_VIRTUAL = 6,                  ///< GlobalStatus::availVirtual, bytes.
    GLOBAL_AVAIL_EXTENDED_VIRTUAL = 7,         ///< GlobalStatus::availExtendedVirtual, always 0.
    PROCESS_PAGE_FAULT_COUNT = 8,              ///< ProcessStatus::pageFaultCount, a count.
    PROCESS_PEAK_WORKING_SET_SIZE = 9,         ///< ProcessStatus::peakWorkingSetSize, bytes.
    PROCESS_WORKING_SET_SIZE = 10,             ///< ProcessStatus::workingSetSize, bytes.
    PROCESS_QUOTA_PEAK_PAGED_POOL_USAGE = 11,  ///< ProcessStatus::quotaPeakPagedPoolUsage, bytes.
    PROCESS_QUOTA_PAGED_POOL_USAGE = 12,       ///< ProcessStatus::quotaPagedPoolUsage, bytes.
    /// ProcessStatus::quotaPeakNonPagedPoolUsage, always 0.
    PROCESS_QUOTA_PEAK_NON_PAGED_POOL_USAGE = 13,
    PROCESS_QUOTA_NON_PAGED_POOL_USAGE = 14,  ///< ProcessStatus::quotaNonPagedPoolUsage, always 0.
    PROCESS_PAGEFILE_USAGE = 15,              ///< ProcessStatus::pagefileUsage, bytes.
    PROCESS_PEAK_PAGEFILE_USAGE = 16,         ///< ProcessStatus::peakPagefileUsage, bytes.
  };

  /// Never instantiated: every operation is static.
  CtrvMemory() = delete;
  /// Does nothing: the class has no data.
  CtrvMemory& operator=(const CtrvMemory&) = default;

  /// Fills every field of `status` with the current system-wide figures,
  /// each saturated at 4294967295.
  /// @return TR_OK, or TR_ERROR if the system cannot be queried (`status`
  ///         is then left unchanged).
  static trStatus getGlobalStatus(GlobalStatus& status);

  /// Fills every field of `status` with the current system-wide figures,
  /// exact.
  /// @return TR_OK, or TR_ERROR if the system cannot be queried (`status`
  ///         is then left unchanged).
  static trStatus getGlobalStatus(GlobalStatus64& status);

  /// Fills every field of `status` with the current counters of the
  /// process, each saturated at 4294967295.
  /// @return TR_OK, or TR_ERROR if the system cannot be queried (`status`
  ///         is then left unchanged).
  static trStatus getProcessStatus(ProcessStatus& status);

  /// Fills every field of `status` with the current counters of the
  /// process, exact.
  /// @return TR_OK, or TR_ERROR if the system cannot be queried (`status`
  ///         is then left unchanged).
  static trStatus getProcessStatus(ProcessStatus64& status);

  /// Stores the current value of the figure selected by `indicator` in
  /// `value`, exact, with no cap at 4 GiB (where `unsigned long` has 32 bits
  /// only, a larger figure reads as its largest value), querying only what
  /// that figure needs.
  /// @return TR_OK, or TR_ERROR (with `value` unchanged) if the system cannot
  ///         be queried or the indicator is outside 0 to 16; an invalid
  ///         indicator is also logged as a failed assertion (LOG_ERROR).
  static trStatus getIndicatorValue(Indicator indicator, unsigned long& value);
};

#endif
