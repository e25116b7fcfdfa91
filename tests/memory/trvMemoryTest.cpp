#include <CtrvMemory.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "trvMemoryTestLog.h"

namespace {

using Memory = CtrvMemory;
constexpr unsigned long kLargest32 = 4294967295ul;

unsigned long indicatorValue(int indicator) {
  unsigned long value = 0;
  EXPECT_EQ(Memory::getIndicatorValue(static_cast<Memory::Indicator>(indicator), value), TR_OK)
      << "indicator " << indicator;
  return value;
}

Memory::GlobalStatus globalStatus() {
  Memory::GlobalStatus status{};
  EXPECT_EQ(Memory::getGlobalStatus(status), TR_OK);
  return status;
}

Memory::ProcessStatus processStatus() {
  Memory::ProcessStatus status{};
  EXPECT_EQ(Memory::getProcessStatus(status), TR_OK);
  return status;
}

// The field an indicator selects, looked up by hand from its record.
unsigned long fieldOf(int indicator, const Memory::GlobalStatus& global,
                      const Memory::ProcessStatus& process) {
  const unsigned int globalFields[] = {
      global.memoryLoad,    global.totalPhys,    global.availPhys,    global.totalPageFile,
      global.availPageFile, global.totalVirtual, global.availVirtual, global.availExtendedVirtual,
  };
  const unsigned int processFields[] = {
      process.pageFaultCount,         process.peakWorkingSetSize,
      process.workingSetSize,         process.quotaPeakPagedPoolUsage,
      process.quotaPagedPoolUsage,    process.quotaPeakNonPagedPoolUsage,
      process.quotaNonPagedPoolUsage, process.pagefileUsage,
      process.peakPagefileUsage,
  };
  return indicator < 8 ? globalFields[indicator] : processFields[indicator - 8];
}

// A figure of /proc/meminfo in bytes, read independently of the library.
std::uint64_t meminfoBytes(const std::string& key) {
  std::ifstream in("/proc/meminfo");
  for (std::string name; in >> name;) {
    std::uint64_t kibibytes = 0;
    in >> kibibytes;
    if (name == key + ":") return kibibytes * 1024;
    in.ignore(1 << 20, '\n');
  }
  ADD_FAILURE() << key << " missing from /proc/meminfo";
  return 0;
}

unsigned long saturated(std::uint64_t figure) {
  return static_cast<unsigned long>(std::min<std::uint64_t>(figure, kLargest32));
}

TEST(MemoryStatus, GlobalFiguresAreWithinTheirBounds) {
  const Memory::GlobalStatus status = globalStatus();
  EXPECT_LE(status.memoryLoad, 100u);
  EXPECT_LE(indicatorValue(Memory::GLOBAL_MEMORY_LOAD), 100ul);
  EXPECT_GT(status.totalPhys, 0u);
  EXPECT_LE(status.availPhys, status.totalPhys);
  EXPECT_LE(status.availPageFile, status.totalPageFile);
  EXPECT_LE(status.availVirtual, status.totalVirtual);
  EXPECT_EQ(status.availExtendedVirtual, 0u);
}

TEST(MemoryStatus, ProcessFiguresNeverExceedTheirPeaks) {
  const Memory::ProcessStatus status = processStatus();
  EXPECT_GT(status.workingSetSize, 0u);
  EXPECT_LE(status.workingSetSize, status.peakWorkingSetSize);
  EXPECT_LE(status.quotaPagedPoolUsage, status.quotaPeakPagedPoolUsage);
  EXPECT_LE(status.pagefileUsage, status.peakPagefileUsage);
  EXPECT_LE(status.workingSetSize, status.pagefileUsage);
  EXPECT_EQ(status.quotaPeakNonPagedPoolUsage, 0u);
  EXPECT_EQ(status.quotaNonPagedPoolUsage, 0u);
}

TEST(MemoryStatus, PageFaultsNeverDecrease) {
  const unsigned int recorded = processStatus().pageFaultCount;
  const unsigned long queried = indicatorValue(Memory::PROCESS_PAGE_FAULT_COUNT);
  EXPECT_GE(queried, recorded);
  EXPECT_GE(processStatus().pageFaultCount, queried);
}

TEST(MemoryStatus, TouchingALargeAllocationGrowsTheProcessFigures) {
  constexpr std::size_t kSize = 64u << 20;
  const Memory::ProcessStatus before = processStatus();
  std::unique_ptr<char[]> block(new char[kSize]);
  volatile char* pages = block.get();
  for (std::size_t offset = 0; offset < kSize; offset += 4096) pages[offset] = 1;
  const Memory::ProcessStatus after = processStatus();

  // Figures already saturated (the virtual size under a sanitizer) stay so.
  EXPECT_GE(after.workingSetSize, saturated(std::uint64_t{before.workingSetSize} + kSize / 2));
  EXPECT_GE(after.peakWorkingSetSize, after.workingSetSize);
  EXPECT_GE(after.pagefileUsage, saturated(std::uint64_t{before.pagefileUsage} + kSize / 2));
  EXPECT_GT(after.pageFaultCount, before.pageFaultCount);
}

// Every figure read alone equals its field in a whole record. Figures that
// move between reads are bracketed by a record read before and one read
// after; a quiet moment is waited for if the machine is busy.
TEST(MemoryStatus, EachIndicatorSelectsItsField) {
  for (int indicator = 0; indicator <= 16; ++indicator) {
    bool bracketed = false;
    unsigned long low = 0, value = 0, high = 0;
    for (int attempt = 0; attempt < 50 && !bracketed; ++attempt) {
      const unsigned long before = fieldOf(indicator, globalStatus(), processStatus());
      value = indicatorValue(indicator);
      const unsigned long after = fieldOf(indicator, globalStatus(), processStatus());
      low = std::min(before, after);
      high = std::max(before, after);
      bracketed = low <= value && value <= high;
    }
    EXPECT_TRUE(bracketed) << "indicator " << indicator << ": " << value << " outside [" << low
                           << ", " << high << "]";
  }
}

// Byte figures above 4 GiB are stored as the largest 32-bit value instead
// of wrapping around to a small number.
TEST(MemoryStatus, FiguresAbove4GiBSaturate) {
  const Memory::GlobalStatus status = globalStatus();
  EXPECT_EQ(status.totalPhys, saturated(meminfoBytes("MemTotal")));
  EXPECT_EQ(status.totalPageFile, saturated(meminfoBytes("CommitLimit")));

  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
  if (limit.rlim_cur == RLIM_INFINITY && sizeof(void*) == 8) {
    // The whole user address space of a 64-bit process is far above 4 GiB.
    EXPECT_EQ(status.totalVirtual, kLargest32);
    EXPECT_EQ(indicatorValue(Memory::GLOBAL_TOTAL_VIRTUAL), kLargest32);
  }
}

TEST(MemoryStatus, AnAddressSpaceLimitIsReportedExactly) {
  rlimit original{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &original), 0);
  const rlim_t wanted = (3ul << 30) + 12345ul * 4096ul;
  if (original.rlim_max != RLIM_INFINITY && original.rlim_max < wanted) GTEST_SKIP();

  // Nothing between the two setrlimit calls may map memory: only the
  // limit itself is queried.
  rlimit lowered = original;
  lowered.rlim_cur = wanted;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
  unsigned long value = 0;
  const trStatus status = Memory::getIndicatorValue(Memory::GLOBAL_TOTAL_VIRTUAL, value);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &original), 0);

  EXPECT_EQ(status, TR_OK);
  EXPECT_EQ(value, wanted);
}

class MemoryAssertion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { trvMemoryTest::createLog(); }

  // Queries an invalid indicator and checks the failure and its one record.
  static void expectFailedAssertion(int indicator, const std::string& expectedText) {
    const unsigned int count = CtrvLogManager::countMessages();
    unsigned long value = 12345;
    EXPECT_EQ(Memory::getIndicatorValue(static_cast<Memory::Indicator>(indicator), value), TR_ERROR)
        << "indicator " << indicator;
    EXPECT_EQ(value, 12345ul) << "indicator " << indicator;
    EXPECT_EQ(CtrvLogManager::countMessages(), count + 1) << "indicator " << indicator;
    const trvMemoryTest::LogRecord record = trvMemoryTest::lastLogRecord();
    EXPECT_EQ(record.text, expectedText) << "indicator " << indicator;
    EXPECT_EQ(record.type, CtrvLogManager::LOG_ERROR) << "indicator " << indicator;
  }
};

TEST_F(MemoryAssertion, IndicatorsAbove16FailInTheProcessBranch) {
  for (int indicator : {17, 18, 100, INT_MAX}) {
    expectFailedAssertion(indicator, "[src/memory/trvMemory.cpp:184] Assertion failed: false");
  }
}

TEST_F(MemoryAssertion, NegativeIndicatorsFailInTheSystemBranch) {
  for (int indicator : {-1, -2, INT_MIN}) {
    expectFailedAssertion(indicator, "[src/memory/trvMemory.cpp:134] Assertion failed: false");
  }
}

}  // namespace
