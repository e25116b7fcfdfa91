#include <CtrvLogManager.h>
#include <CtrvMemoryProgressDelegate.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <climits>

#include "progress/trvProgressTestSupport.h"
#include "support/trvTestSupport.h"

namespace {

using Memory = CtrvMemory;

// One log per process, made before any test runs.
const trvTest::TempDir kDir;
[[maybe_unused]] const bool kLogCreated =
    (CtrvLogManager::createInstance(kDir.file("live.log")), true);

// The records logged since the last call, each as "<type number> <text>"
// (errors are type 0).
std::string newRecords() {
  static unsigned int read = 0;
  std::string records, text;
  CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_INFO;
  for (double time = 0.0; read < CtrvLogManager::countMessages(); ++read) {
    CtrvLogManager::getMessage(static_cast<int>(read), text, type, time);
    records += std::to_string(type) + " " + text + "\n";
  }
  return records;
}

unsigned long indicatorValue(int indicator) {
  unsigned long value = 0;
  EXPECT_EQ(Memory::getIndicatorValue(static_cast<Memory::Indicator>(indicator), value), TR_OK);
  return value;
}

// The field an indicator selects, looked up by hand from fresh records.
unsigned long fieldOf(int indicator) {
  Memory::GlobalStatus g{};
  Memory::ProcessStatus p{};
  EXPECT_EQ(Memory::getGlobalStatus(g), TR_OK);
  EXPECT_EQ(Memory::getProcessStatus(p), TR_OK);
  // clang-format off
  const unsigned int fields[] = {
      g.memoryLoad, g.totalPhys, g.availPhys, g.totalPageFile, g.availPageFile, g.totalVirtual,
      g.availVirtual, g.availExtendedVirtual, p.pageFaultCount, p.peakWorkingSetSize,
      p.workingSetSize, p.quotaPeakPagedPoolUsage, p.quotaPagedPoolUsage,
      p.quotaPeakNonPagedPoolUsage, p.quotaNonPagedPoolUsage, p.pagefileUsage, p.peakPagefileUsage};
  // clang-format on
  return fields[indicator];
}

// Figures that move between reads are bracketed by a record read before and
// one read after; a quiet moment is waited for if the machine is busy.
TEST(MemoryStatus, EachIndicatorSelectsItsField) {
  for (int indicator = 0; indicator <= 16; ++indicator) {
    bool bracketed = false;
    for (int attempt = 0; attempt < 50 && !bracketed; ++attempt) {
      const unsigned long before = fieldOf(indicator), value = indicatorValue(indicator);
      const unsigned long after = fieldOf(indicator);
      bracketed = std::min(before, after) <= value && value <= std::max(before, after);
    }
    EXPECT_TRUE(bracketed) << "indicator " << indicator;
  }
}

// Byte figures above 4 GiB are stored as the largest 32-bit value instead of
// wrapping around to a small number; figures that fit are exact.
TEST(MemoryStatus, FiguresAbove4GiBSaturateAndSmallerOnesAreExact) {
  rlimit original{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &original), 0);
  if (original.rlim_cur == RLIM_INFINITY && sizeof(void*) == 8) {
    EXPECT_EQ(indicatorValue(Memory::GLOBAL_TOTAL_VIRTUAL), 4294967295ul);
  }
  const rlim_t wanted = (3ul << 30) + 12345ul * 4096ul;
  if (original.rlim_max != RLIM_INFINITY && original.rlim_max < wanted) GTEST_SKIP();
  // Nothing between the two setrlimit calls may map memory.
  rlimit lowered = original;
  lowered.rlim_cur = wanted;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
  unsigned long value = 0;
  const trStatus status = Memory::getIndicatorValue(Memory::GLOBAL_TOTAL_VIRTUAL, value);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &original), 0);
  EXPECT_EQ(status, TR_OK);
  EXPECT_EQ(value, wanted);
}

// An invalid indicator fails, leaves the value alone and logs one error
// naming the branch that refused it.
TEST(MemoryAssertion, InvalidIndicatorsFailWithOneLoggedAssertion) {
  const std::pair<int, std::string> cases[] = {
      {17, "184"}, {INT_MAX, "184"}, {-1, "134"}, {INT_MIN, "134"}};
  newRecords();
  for (const auto& [indicator, line] : cases) {
    unsigned long value = 12345;
    EXPECT_EQ(Memory::getIndicatorValue(static_cast<Memory::Indicator>(indicator), value) + value,
              TR_ERROR + 12345ul);
    EXPECT_EQ(newRecords(), "0 [src/memory/trvMemory.cpp:" + line + "] Assertion failed: false\n")
        << indicator;
  }
}

// Through a figure that is always 0 on Linux a crossing is certain: limits
// are crossed strictly, a crossing is logged once and holds until start(),
// and the rest passes on to the embedded delegate.
TEST(MemoryProgressDelegate, ACrossingIsStrictLoggedOnceAndHoldsUntilStart) {
  const auto inner = boost::make_shared<trvTest::RecordingDelegate>();
  const auto zero = CtrvMemoryProgressDelegate::createWithMin(
      Memory::PROCESS_QUOTA_NON_PAGED_POOL_USAGE, 0, inner);
  zero->maximum(0);
  newRecords();
  EXPECT_FALSE(zero->cancelled());
  zero->minimum(7);
  EXPECT_TRUE(zero->cancelled());
  EXPECT_EQ(newRecords(), "0 Hard minimum memory limit of 7 reached. Stopping the process.\n");
  zero->minimum(0);
  EXPECT_TRUE(zero->cancelled());
  EXPECT_EQ(newRecords(), "") << "a crossing is logged once";
  zero->start();
  zero->report(0.5f, "passed on");
  EXPECT_FALSE(zero->cancelled());
  EXPECT_EQ(inner->journal, "start passed on ");
  const auto large =
      CtrvMemoryProgressDelegate::createWithMax(Memory::PROCESS_WORKING_SET_SIZE, 4096, nullptr);
  EXPECT_TRUE(large->cancelled());
  EXPECT_EQ(newRecords(), "0 Hard maximum memory limit of 4096 reached. Stopping the process.\n");
}

// An indicator that names no figure logs each failed query and never cancels
// by itself; the embedded delegate still decides, and once it has cancelled
// no memory is asked.
TEST(MemoryProgressDelegate, AnInvalidIndicatorNeverCancelsOnItsOwn) {
  const auto inner = boost::make_shared<trvTest::RecordingDelegate>();
  for (int invalid : {-1, 17}) {
    const auto indicator = static_cast<Memory::Indicator>(invalid);
    for (const auto& delegate : {CtrvMemoryProgressDelegate::createWithMin(indicator, ~0ul, inner),
                                 CtrvMemoryProgressDelegate::createWithMax(indicator, 0, inner)}) {
      delegate->start();
      EXPECT_FALSE(delegate->cancelled()) << invalid;
      EXPECT_NE(newRecords(), "") << "the failed query is logged";
      inner->isCancelled = true;
      EXPECT_TRUE(delegate->cancelled());
      EXPECT_EQ(newRecords(), "");
      inner->isCancelled = false;
    }
  }
}

}  // namespace
