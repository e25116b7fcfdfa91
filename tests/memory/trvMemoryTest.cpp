// SPDX-License-Identifier: MIT
#include <CtrvLogManager.h>
#include <CtrvMemoryProgressDelegate.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <locale>
#include <regex>
#include <string>

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

constexpr unsigned long k4GiB = 1ul << 32;
constexpr unsigned long kLargest32 = 4294967295ul;

unsigned long saturated32(unsigned long figure) { return std::min(figure, kLargest32); }

// The field an indicator selects, looked up by hand from fresh records:
// the exact ones, or the 32-bit ones.
template <class Global, class Process>
unsigned long fieldOf(int indicator) {
  Global g{};
  Process p{};
  EXPECT_EQ(Memory::getGlobalStatus(g), TR_OK);
  EXPECT_EQ(Memory::getProcessStatus(p), TR_OK);
  // clang-format off
  const unsigned long fields[] = {
      g.memoryLoad, g.totalPhys, g.availPhys, g.totalPageFile, g.availPageFile, g.totalVirtual,
      g.availVirtual, g.availExtendedVirtual, p.pageFaultCount, p.peakWorkingSetSize,
      p.workingSetSize, p.quotaPeakPagedPoolUsage, p.quotaPagedPoolUsage,
      p.quotaPeakNonPagedPoolUsage, p.quotaNonPagedPoolUsage, p.pagefileUsage, p.peakPagefileUsage};
  // clang-format on
  return fields[indicator];
}
const auto exactField = fieldOf<Memory::GlobalStatus64, Memory::ProcessStatus64>;
const auto field32 = fieldOf<Memory::GlobalStatus, Memory::ProcessStatus>;

bool between(unsigned long value, unsigned long bound, unsigned long otherBound) {
  return std::min(bound, otherBound) <= value && value <= std::max(bound, otherBound);
}

// The figure of the line "<key> <number> kB" of a /proc file, in bytes; 0
// if there is none.
unsigned long procFigure(const char* path, const std::string& key) {
  std::ifstream file(path);
  for (std::string word; file >> word;) {
    unsigned long kibibytes = 0;
    if (word == key && file >> kibibytes) return kibibytes * 1024;
  }
  return 0;
}

// Figures that move between reads are bracketed by an exact record read
// before and one read after; a quiet moment is waited for if the machine is
// busy. The indicator gives the exact figure, the 32-bit record the figure
// saturated.
TEST(MemoryStatus, EachIndicatorSelectsItsExactField) {
  for (int indicator = 0; indicator <= 16; ++indicator) {
    bool bracketed = false;
    for (int attempt = 0; attempt < 50 && !bracketed; ++attempt) {
      const unsigned long before = exactField(indicator), value = indicatorValue(indicator);
      const unsigned long narrow = field32(indicator), after = exactField(indicator);
      bracketed =
          between(value, before, after) && between(narrow, saturated32(before), saturated32(after));
    }
    EXPECT_TRUE(bracketed) << "indicator " << indicator;
  }
}

// Physical memory is reported to the byte, however large; the 32-bit record
// stops at the largest value it can hold.
TEST(MemoryStatus, TotalPhysicalMemoryIsMemTotalExactly) {
  const unsigned long total = procFigure("/proc/meminfo", "MemTotal:");
  ASSERT_GT(total, 0u);
  EXPECT_EQ(indicatorValue(Memory::GLOBAL_TOTAL_PHYS), total);
  EXPECT_EQ(exactField(Memory::GLOBAL_TOTAL_PHYS), total);
  EXPECT_EQ(field32(Memory::GLOBAL_TOTAL_PHYS), saturated32(total));
}

// The address space figure follows the process's limit exactly, below and
// above 4 GiB, where the 32-bit record saturates instead of wrapping around.
TEST(MemoryStatus, AddressSpaceFollowsTheLimitExactlyAndSaturatesIn32Bits) {
  rlimit original{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &original), 0);
  for (const rlim_t wanted : {(3ul << 30) + 12345ul * 4096ul, 6ul << 30}) {
    if (original.rlim_max != RLIM_INFINITY && original.rlim_max < wanted) GTEST_SKIP();
    rlimit lowered = original;
    lowered.rlim_cur = wanted;
    unsigned long value = 0;
    Memory::GlobalStatus64 exact{};
    Memory::GlobalStatus narrow{};
    // Nothing between the two setrlimit calls may map memory (sanitizers
    // and valgrind have reserved more than the limit already).
    ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
    const trStatus statuses[] = {Memory::getIndicatorValue(Memory::GLOBAL_TOTAL_VIRTUAL, value),
                                 Memory::getGlobalStatus(exact), Memory::getGlobalStatus(narrow)};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &original), 0);
    for (const trStatus status : statuses) EXPECT_EQ(status, TR_OK);
    EXPECT_EQ(value, wanted);
    EXPECT_EQ(exact.totalVirtual, wanted);
    EXPECT_EQ(narrow.totalVirtual, saturated32(wanted));
  }
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

std::string limitMessage(const char* which, unsigned long limit) {
  return "0 Hard " + std::string(which) + " memory limit of " + std::to_string(limit) +
         " reached. Stopping the process.\n";
}

// Limits above 4 GiB are compared with exact figures: a minimum above 4 GiB
// but below the free memory holds, one just above the physical memory is
// crossed and logged to the byte.
TEST(MemoryProgressDelegate, AMinimumAbove4GiBWorksAndIsLoggedExactly) {
  if (procFigure("/proc/meminfo", "MemAvailable:") < k4GiB + (256ul << 20)) {
    GTEST_SKIP() << "less than 4.25 GiB of physical memory available";
  }
  const unsigned long total = procFigure("/proc/meminfo", "MemTotal:");
  const auto available =
      CtrvMemoryProgressDelegate::createWithMin(Memory::GLOBAL_AVAIL_PHYS, k4GiB + 1, nullptr);
  const auto installed =
      CtrvMemoryProgressDelegate::createWithMin(Memory::GLOBAL_TOTAL_PHYS, total, nullptr);
  newRecords();
  EXPECT_FALSE(available->cancelled());
  EXPECT_FALSE(installed->cancelled());
  installed->minimum(total + 1);
  EXPECT_TRUE(installed->cancelled());
  EXPECT_EQ(newRecords(), limitMessage("minimum", total + 1));
}

// Reserved address space costs no memory but takes the virtual size above
// 4 GiB: a maximum just below it is crossed and logged to the byte, and the
// unbounded maximum of createWithMin is not.
TEST(MemoryProgressDelegate, AMaximumAbove4GiBIsCrossedAndLoggedExactly) {
  constexpr std::size_t kReserved = 5ul << 30;
  void* const reserved =
      mmap(nullptr, kReserved, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (reserved == MAP_FAILED) GTEST_SKIP() << "5 GiB of address space cannot be reserved";
  const auto unbounded =
      CtrvMemoryProgressDelegate::createWithMin(Memory::PROCESS_PAGEFILE_USAGE, 0, nullptr);
  const auto bounded =
      CtrvMemoryProgressDelegate::createWithMax(Memory::PROCESS_PAGEFILE_USAGE, 0, nullptr);
  // Far enough below for any allocation or release meanwhile.
  const unsigned long maximum = procFigure("/proc/self/status", "VmSize:") - (64ul << 20);
  bounded->maximum(maximum);
  newRecords();
  EXPECT_FALSE(unbounded->cancelled());
  EXPECT_TRUE(bounded->cancelled());
  munmap(reserved, kReserved);
  EXPECT_GT(maximum, kLargest32);
  EXPECT_EQ(newRecords(), limitMessage("maximum", maximum));
}

// A decimal comma and "." grouping, as several national locales write
// numbers.
struct CommaNumbers : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// Makes `locale` the global locale for the lifetime of the object.
class GlobalLocale {
 public:
  explicit GlobalLocale(const std::locale& locale) : m_previous(std::locale::global(locale)) {}
  ~GlobalLocale() { std::locale::global(m_previous); }
  GlobalLocale(const GlobalLocale&) = delete;
  GlobalLocale& operator=(const GlobalLocale&) = delete;

 private:
  std::locale m_previous;
};

// Log files are read by tools: a program's global locale changes none of
// the numbers the memory subsystem and the log write.
TEST(MemoryLog, AGlobalLocaleChangesNoNumberInTheLog) {
  const std::regex plainTime("time: [0-9]+(\\.[0-9]+)?(e[-+][0-9]+)? *\ttype: .*");
  {
    const GlobalLocale comma(std::locale(std::locale::classic(), new CommaNumbers));
    const auto zero = CtrvMemoryProgressDelegate::createWithMin(
        Memory::PROCESS_QUOTA_NON_PAGED_POOL_USAGE, 5000, nullptr);
    newRecords();
    EXPECT_TRUE(zero->cancelled());
    zero->start();
    zero->minimum(8589934592ul);
    EXPECT_TRUE(zero->cancelled());
    unsigned long value = 0;
    EXPECT_EQ(Memory::getIndicatorValue(static_cast<Memory::Indicator>(17), value), TR_ERROR);
    EXPECT_EQ(newRecords(), limitMessage("minimum", 5000) + limitMessage("minimum", 8589934592ul) +
                                "0 [src/memory/trvMemory.cpp:184] Assertion failed: false\n");
  }
  const std::vector<std::string> lines =
      trvTest::splitLines(trvTest::readFile(kDir.file("live.log")));
  ASSERT_GE(lines.size(), 3u);
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, plainTime)) << line;
}

}  // namespace
