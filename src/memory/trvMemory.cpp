// SPDX-License-Identifier: MIT
#include "CtrvMemory.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>

#include "CtrvLogManager.h"
#include "platform/trvPlatformMemory.h"

static_assert(sizeof(unsigned int) == 4, "the status records are 32-bit");

namespace {

using GlobalStatus = CtrvMemory::GlobalStatus;
using ProcessStatus = CtrvMemory::ProcessStatus;
using GlobalStatus64 = CtrvMemory::GlobalStatus64;
using ProcessStatus64 = CtrvMemory::ProcessStatus64;

// Position of this module and of its two assertions, as the log shows them.
const char* const kSourceFile = "src/memory/trvMemory.cpp";
constexpr int kGlobalAssertionLine = 134;
constexpr int kProcessAssertionLine = 184;
const char* const kAssertionText = "Assertion failed: false";

constexpr int kFirstProcessIndicator = CtrvMemory::PROCESS_PAGE_FAULT_COUNT;
constexpr int kLastProcessIndicator = CtrvMemory::PROCESS_PEAK_PAGEFILE_USAGE;

// The fields of each record, exact and 32-bit, in the order of the
// indicators.
constexpr std::uint64_t GlobalStatus64::*kGlobalFigures[] = {
    &GlobalStatus64::memoryLoad,    &GlobalStatus64::totalPhys,
    &GlobalStatus64::availPhys,     &GlobalStatus64::totalPageFile,
    &GlobalStatus64::availPageFile, &GlobalStatus64::totalVirtual,
    &GlobalStatus64::availVirtual,  &GlobalStatus64::availExtendedVirtual,
};
constexpr unsigned int GlobalStatus::*kGlobalFields[] = {
    &GlobalStatus::memoryLoad,    &GlobalStatus::totalPhys,
    &GlobalStatus::availPhys,     &GlobalStatus::totalPageFile,
    &GlobalStatus::availPageFile, &GlobalStatus::totalVirtual,
    &GlobalStatus::availVirtual,  &GlobalStatus::availExtendedVirtual,
};
constexpr std::uint64_t ProcessStatus64::*kProcessFigures[] = {
    &ProcessStatus64::pageFaultCount,         &ProcessStatus64::peakWorkingSetSize,
    &ProcessStatus64::workingSetSize,         &ProcessStatus64::quotaPeakPagedPoolUsage,
    &ProcessStatus64::quotaPagedPoolUsage,    &ProcessStatus64::quotaPeakNonPagedPoolUsage,
    &ProcessStatus64::quotaNonPagedPoolUsage, &ProcessStatus64::pagefileUsage,
    &ProcessStatus64::peakPagefileUsage,
};
constexpr unsigned int ProcessStatus::*kProcessFields[] = {
    &ProcessStatus::pageFaultCount,         &ProcessStatus::peakWorkingSetSize,
    &ProcessStatus::workingSetSize,         &ProcessStatus::quotaPeakPagedPoolUsage,
    &ProcessStatus::quotaPagedPoolUsage,    &ProcessStatus::quotaPeakNonPagedPoolUsage,
    &ProcessStatus::quotaNonPagedPoolUsage, &ProcessStatus::pagefileUsage,
    &ProcessStatus::peakPagefileUsage,
};
static_assert(std::size(kGlobalFigures) == kFirstProcessIndicator &&
                  std::size(kGlobalFields) == kFirstProcessIndicator,
              "one global indicator per field");
static_assert(std::size(kProcessFigures) == kLastProcessIndicator - kFirstProcessIndicator + 1 &&
                  std::size(kProcessFields) == std::size(kProcessFigures),
              "one process indicator per field");

// A figure too large for `Narrow` is given as its largest value rather than
// wrapped around, so that a limit compared with it stays meaningful.
template <class Narrow>
Narrow saturated(std::uint64_t figure) {
  constexpr std::uint64_t kLargest = std::numeric_limits<Narrow>::max();
  return static_cast<Narrow>(figure > kLargest ? kLargest : figure);
}

// Copies every figure of `wide` into the matching field of `narrow`.
template <class Wide, class Narrow, std::size_t N>
void saturateInto(const Wide& wide, std::uint64_t Wide::*const (&figures)[N], Narrow& narrow,
                  unsigned int Narrow::*const (&fields)[N]) {
  for (std::size_t i = 0; i < N; ++i) narrow.*fields[i] = saturated<unsigned int>(wide.*figures[i]);
}

std::uint64_t differenceOrZero(std::uint64_t minuend, std::uint64_t subtrahend) {
  return minuend > subtrahend ? minuend - subtrahend : 0;
}

// Fills the physical memory and commit figures (indicators 0 to 4).
bool readPhysicalAndCommit(GlobalStatus64& status) {
  trvPlatform::SystemMemoryInfo info{};
  if (!trvPlatform::readSystemMemoryInfo(info)) return false;
  const std::uint64_t used = differenceOrZero(info.totalPhysical, info.availablePhysical);
  status.memoryLoad = info.totalPhysical == 0 ? 0 : used * 100 / info.totalPhysical;
  status.totalPhys = info.totalPhysical;
  status.availPhys = info.availablePhysical;
  status.totalPageFile = info.commitLimit;
  status.availPageFile = differenceOrZero(info.commitLimit, info.committed);
  return true;
}

// Fills totalVirtual, and availVirtual too when asked (which costs one more
// query, of the process's virtual size).
bool readAddressSpace(GlobalStatus64& status, bool withAvailable) {
  std::uint64_t limit = 0;
  if (!trvPlatform::readAddressSpaceLimit(limit)) return false;
  std::uint64_t used = 0;
  if (withAvailable && !trvPlatform::readVirtualSize(used)) return false;
  status.totalVirtual = limit;
  if (withAvailable) status.availVirtual = differenceOrZero(limit, used);
  return true;
}

bool readPageFaults(ProcessStatus64& status) {
  return trvPlatform::readPageFaultCount(status.pageFaultCount);
}

// Fills every process figure except the page-fault count.
bool readProcessSizes(ProcessStatus64& status) {
  trvPlatform::ProcessMemoryInfo info{};
  if (!trvPlatform::readProcessMemoryInfo(info)) return false;
  status.peakWorkingSetSize = info.peakResident;
  status.workingSetSize = info.resident;
  // No peak of the page tables is kept: the current size stands for both.
  status.quotaPeakPagedPoolUsage = info.pageTables;
  status.quotaPagedPoolUsage = info.pageTables;
  status.quotaPeakNonPagedPoolUsage = 0;
  status.quotaNonPagedPoolUsage = 0;
  status.pagefileUsage = info.virtualSize;
  status.peakPagefileUsage = info.peakVirtual;
  return true;
}

bool readWholeGlobalStatus(GlobalStatus64& status) {
  if (!readPhysicalAndCommit(status) || !readAddressSpace(status, true)) return false;
  status.availExtendedVirtual = 0;
  return true;
}

bool readWholeProcessStatus(ProcessStatus64& status) {
  return readPageFaults(status) && readProcessSizes(status);
}

// Reads what the global `indicator` needs into `status`; an invalid
// indicator reads the whole record.
bool readGlobalFigure(int indicator, GlobalStatus64& status) {
  switch (indicator) {
    case CtrvMemory::GLOBAL_MEMORY_LOAD:
    case CtrvMemory::GLOBAL_TOTAL_PHYS:
    case CtrvMemory::GLOBAL_AVAIL_PHYS:
    case CtrvMemory::GLOBAL_TOTAL_PAGE_FILE:
    case CtrvMemory::GLOBAL_AVAIL_PAGE_FILE:
      return readPhysicalAndCommit(status);
    case CtrvMemory::GLOBAL_TOTAL_VIRTUAL:
      return readAddressSpace(status, false);
    case CtrvMemory::GLOBAL_AVAIL_VIRTUAL:
      return readAddressSpace(status, true);
    case CtrvMemory::GLOBAL_AVAIL_EXTENDED_VIRTUAL:
      status.availExtendedVirtual = 0;
      return true;
    default:
      return readWholeGlobalStatus(status);
  }
}

// Reads what the process `indicator` needs into `status`; an invalid
// indicator reads the whole record.
bool readProcessFigure(int indicator, ProcessStatus64& status) {
  switch (indicator) {
    case CtrvMemory::PROCESS_PAGE_FAULT_COUNT:
      return readPageFaults(status);
    case CtrvMemory::PROCESS_QUOTA_PEAK_NON_PAGED_POOL_USAGE:
    case CtrvMemory::PROCESS_QUOTA_NON_PAGED_POOL_USAGE:
      status.quotaPeakNonPagedPoolUsage = 0;
      status.quotaNonPagedPoolUsage = 0;
      return true;
    case CtrvMemory::PROCESS_PEAK_WORKING_SET_SIZE:
    case CtrvMemory::PROCESS_WORKING_SET_SIZE:
    case CtrvMemory::PROCESS_QUOTA_PEAK_PAGED_POOL_USAGE:
    case CtrvMemory::PROCESS_QUOTA_PAGED_POOL_USAGE:
    case CtrvMemory::PROCESS_PAGEFILE_USAGE:
    case CtrvMemory::PROCESS_PEAK_PAGEFILE_USAGE:
      return readProcessSizes(status);
    default:
      return readWholeProcessStatus(status);
  }
}

trStatus failedAssertion(int line) {
  CtrvLogManager::addError(kSourceFile, line, kAssertionText);
  return TR_ERROR;
}

// The process branch: indicators from 8 upwards.
trStatus processIndicatorValue(int indicator, unsigned long& value) {
  ProcessStatus64 status{};
  if (!readProcessFigure(indicator, status)) return TR_ERROR;
  if (indicator > kLastProcessIndicator) return failedAssertion(kProcessAssertionLine);
  value = saturated<unsigned long>(status.*kProcessFigures[indicator - kFirstProcessIndicator]);
  return TR_OK;
}

// The system-wide branch: indicators below 8, negative ones included.
trStatus globalIndicatorValue(int indicator, unsigned long& value) {
  GlobalStatus64 status{};
  if (!readGlobalFigure(indicator, status)) return TR_ERROR;
  if (indicator < 0) return failedAssertion(kGlobalAssertionLine);
  value = saturated<unsigned long>(status.*kGlobalFigures[indicator]);
  return TR_OK;
}

}  // namespace

trStatus CtrvMemory::getGlobalStatus(GlobalStatus64& status) {
  GlobalStatus64 fresh{};
  if (!readWholeGlobalStatus(fresh)) return TR_ERROR;
  status = fresh;
  return TR_OK;
}

trStatus CtrvMemory::getGlobalStatus(GlobalStatus& status) {
  GlobalStatus64 exact{};
  if (getGlobalStatus(exact) != TR_OK) return TR_ERROR;
  saturateInto(exact, kGlobalFigures, status, kGlobalFields);
  return TR_OK;
}

trStatus CtrvMemory::getProcessStatus(ProcessStatus64& status) {
  ProcessStatus64 fresh{};
  if (!readWholeProcessStatus(fresh)) return TR_ERROR;
  status = fresh;
  return TR_OK;
}

trStatus CtrvMemory::getProcessStatus(ProcessStatus& status) {
  ProcessStatus64 exact{};
  if (getProcessStatus(exact) != TR_OK) return TR_ERROR;
  saturateInto(exact, kProcessFigures, status, kProcessFields);
  return TR_OK;
}

trStatus CtrvMemory::getIndicatorValue(Indicator indicator, unsigned long& value) {
  const int index = indicator;
  return index >= kFirstProcessIndicator ? processIndicatorValue(index, value)
                                         : globalIndicatorValue(index, value);
}
