#include "CtrvMemory.h"

#include <cstdint>

#include "CtrvLogManager.h"
#include "platform/trvPlatformMemory.h"

static_assert(sizeof(unsigned int) == 4, "memory figures are 32-bit");

namespace {

using GlobalStatus = CtrvMemory::GlobalStatus;
using ProcessStatus = CtrvMemory::ProcessStatus;

// Position of this module and of its two assertions, as the log shows them.
const char* const kSourceFile = "src/memory/trvMemory.cpp";
constexpr int kGlobalAssertionLine = 134;
constexpr int kProcessAssertionLine = 184;
const char* const kAssertionText = "Assertion failed: false";

constexpr int kFirstProcessIndicator = CtrvMemory::PROCESS_PAGE_FAULT_COUNT;
constexpr int kLastProcessIndicator = CtrvMemory::PROCESS_PEAK_PAGEFILE_USAGE;

// The fields in the order of the indicators.
constexpr unsigned int GlobalStatus::*kGlobalFields[] = {
    &GlobalStatus::memoryLoad,    &GlobalStatus::totalPhys,
    &GlobalStatus::availPhys,     &GlobalStatus::totalPageFile,
    &GlobalStatus::availPageFile, &GlobalStatus::totalVirtual,
    &GlobalStatus::availVirtual,  &GlobalStatus::availExtendedVirtual,
};
constexpr unsigned int ProcessStatus::*kProcessFields[] = {
    &ProcessStatus::pageFaultCount,         &ProcessStatus::peakWorkingSetSize,
    &ProcessStatus::workingSetSize,         &ProcessStatus::quotaPeakPagedPoolUsage,
    &ProcessStatus::quotaPagedPoolUsage,    &ProcessStatus::quotaPeakNonPagedPoolUsage,
    &ProcessStatus::quotaNonPagedPoolUsage, &ProcessStatus::pagefileUsage,
    &ProcessStatus::peakPagefileUsage,
};
static_assert(sizeof kGlobalFields / sizeof kGlobalFields[0] == kFirstProcessIndicator,
              "one global indicator per field");
static_assert(sizeof kProcessFields / sizeof kProcessFields[0] ==
                  kLastProcessIndicator - kFirstProcessIndicator + 1,
              "one process indicator per field");

// Figures above the 32-bit range are reported as its largest value rather
// than wrapped around, so that a limit compared with them stays meaningful.
unsigned int saturated(std::uint64_t figure) {
  constexpr std::uint64_t kLargest = 0xffffffffu;
  return static_cast<unsigned int>(figure > kLargest ? kLargest : figure);
}

std::uint64_t differenceOrZero(std::uint64_t minuend, std::uint64_t subtrahend) {
  return minuend > subtrahend ? minuend - subtrahend : 0;
}

// Fills the physical memory and commit figures (indicators 0 to 4).
bool readPhysicalAndCommit(GlobalStatus& status) {
  trvPlatform::SystemMemoryInfo info{};
  if (!trvPlatform::readSystemMemoryInfo(info)) return false;
  const std::uint64_t used = differenceOrZero(info.totalPhysical, info.availablePhysical);
  status.memoryLoad = info.totalPhysical == 0 ? 0u : saturated(used * 100 / info.totalPhysical);
  status.totalPhys = saturated(info.totalPhysical);
  status.availPhys = saturated(info.availablePhysical);
  status.totalPageFile = saturated(info.commitLimit);
  status.availPageFile = saturated(differenceOrZero(info.commitLimit, info.committed));
  return true;
}

// Fills totalVirtual, and availVirtual too when asked (which costs one more
// query, of the process's virtual size).
bool readAddressSpace(GlobalStatus& status, bool withAvailable) {
  std::uint64_t limit = 0;
  if (!trvPlatform::readAddressSpaceLimit(limit)) return false;
  std::uint64_t used = 0;
  if (withAvailable && !trvPlatform::readVirtualSize(used)) return false;
  status.totalVirtual = saturated(limit);
  if (withAvailable) status.availVirtual = saturated(differenceOrZero(limit, used));
  return true;
}

bool readPageFaults(ProcessStatus& status) {
  std::uint64_t count = 0;
  if (!trvPlatform::readPageFaultCount(count)) return false;
  status.pageFaultCount = saturated(count);
  return true;
}

// Fills every process figure except the page-fault count.
bool readProcessSizes(ProcessStatus& status) {
  trvPlatform::ProcessMemoryInfo info{};
  if (!trvPlatform::readProcessMemoryInfo(info)) return false;
  status.peakWorkingSetSize = saturated(info.peakResident);
  status.workingSetSize = saturated(info.resident);
  // No peak of the page tables is kept: the current size stands for both.
  status.quotaPeakPagedPoolUsage = saturated(info.pageTables);
  status.quotaPagedPoolUsage = saturated(info.pageTables);
  status.quotaPeakNonPagedPoolUsage = 0;
  status.quotaNonPagedPoolUsage = 0;
  status.pagefileUsage = saturated(info.virtualSize);
  status.peakPagefileUsage = saturated(info.peakVirtual);
  return true;
}

bool readWholeGlobalStatus(GlobalStatus& status) {
  if (!readPhysicalAndCommit(status) || !readAddressSpace(status, true)) return false;
  status.availExtendedVirtual = 0;
  return true;
}

bool readWholeProcessStatus(ProcessStatus& status) {
  return readPageFaults(status) && readProcessSizes(status);
}

// Reads what the global `indicator` needs into `status`; an invalid
// indicator reads the whole record.
bool readGlobalFigure(int indicator, GlobalStatus& status) {
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
bool readProcessFigure(int indicator, ProcessStatus& status) {
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
  ProcessStatus status{};
  if (!readProcessFigure(indicator, status)) return TR_ERROR;
  if (indicator > kLastProcessIndicator) return failedAssertion(kProcessAssertionLine);
  value = status.*kProcessFields[indicator - kFirstProcessIndicator];
  return TR_OK;
}

// The system-wide branch: indicators below 8, negative ones included.
trStatus globalIndicatorValue(int indicator, unsigned long& value) {
  GlobalStatus status{};
  if (!readGlobalFigure(indicator, status)) return TR_ERROR;
  if (indicator < 0) return failedAssertion(kGlobalAssertionLine);
  value = status.*kGlobalFields[indicator];
  return TR_OK;
}

}  // namespace

trStatus CtrvMemory::getGlobalStatus(GlobalStatus& status) {
  GlobalStatus fresh{};
  if (!readWholeGlobalStatus(fresh)) return TR_ERROR;
  status = fresh;
  return TR_OK;
}

trStatus CtrvMemory::getProcessStatus(ProcessStatus& status) {
  ProcessStatus fresh{};
  if (!readWholeProcessStatus(fresh)) return TR_ERROR;
  status = fresh;
  return TR_OK;
}

trStatus CtrvMemory::getIndicatorValue(Indicator indicator, unsigned long& value) {
  const int index = indicator;
  return index >= kFirstProcessIndicator ? processIndicatorValue(index, value)
                                         : globalIndicatorValue(index, value);
}
