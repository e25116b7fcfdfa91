#ifndef CTRV_MEMORY_H
#define CTRV_MEMORY_H

/// @file CtrvMemory.h
/// System-wide and per-process memory figures.

#include "trStatus.h"
#include "trvExport.h"

/// Memory figures of the whole system and of the calling process, read from
/// the operating system at every call (nothing is cached).
///
/// Every figure is an unsigned 32-bit number, in bytes except the memory load
/// (a percentage) and the page-fault count. A figure larger than 4294967295
/// is reported as 4294967295; smaller figures are exact.
///
/// Only static operations; the class is never instantiated. The operations
/// keep no state and take no lock.
class TRV_API CtrvMemory {
 public:
  /// System-wide figures, and the address space of the calling process.
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

  /// Counters of the calling process.
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

  /// Fills every field of `status` with the current system-wide figures.
  /// @return TR_OK, or TR_ERROR if the system cannot be queried (`status`
  ///         is then left unchanged).
  static trStatus getGlobalStatus(GlobalStatus& status);

  /// Fills every field of `status` with the current counters of the process.
  /// @return TR_OK, or TR_ERROR if the system cannot be queried (`status`
  ///         is then left unchanged).
  static trStatus getProcessStatus(ProcessStatus& status);

  /// Stores the current value of the figure selected by `indicator` in
  /// `value`, querying only what that figure needs.
  /// @return TR_OK, or TR_ERROR (with `value` unchanged) if the system cannot
  ///         be queried or the indicator is outside 0 to 16; an invalid
  ///         indicator is also logged as a failed assertion (LOG_ERROR).
  static trStatus getIndicatorValue(Indicator indicator, unsigned long& value);
};

#endif
