#include <CtrvMemoryProgressDelegate.h>
#include <gtest/gtest.h>

#include <string>

#include "progress/trvProgressTestSupport.h"
#include "trvMemoryTestLog.h"

namespace {

using Delegate = CtrvMemoryProgressDelegate;
using trvTest::makeRecorder;
using trvTest::RecordingDelegate;

constexpr unsigned long kUnbounded = 4294967295ul;
// Always 0 on Linux: a figure whose crossing is certain.
constexpr CtrvMemory::Indicator kZeroFigure = CtrvMemory::PROCESS_QUOTA_NON_PAGED_POOL_USAGE;
// Invalid: every memory query through it logs a failed assertion, so the log
// counts the queries.
const CtrvMemory::Indicator kCountedQuery = static_cast<CtrvMemory::Indicator>(17);
const char* const kQueryRecord = "[src/memory/trvMemory.cpp:184] Assertion failed: false";

class MemoryProgressDelegate : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { trvMemoryTest::createLog(); }
  void SetUp() override { m_count = CtrvLogManager::countMessages(); }

  unsigned int newRecords() const { return CtrvLogManager::countMessages() - m_count; }
  void expectOneNewError(const std::string& text) {
    EXPECT_EQ(newRecords(), 1u);
    const trvMemoryTest::LogRecord record = trvMemoryTest::lastLogRecord();
    EXPECT_EQ(record.text, text);
    EXPECT_EQ(record.type, CtrvLogManager::LOG_ERROR);
    m_count = CtrvLogManager::countMessages();
  }

  boost::shared_ptr<RecordingDelegate> m_inner = makeRecorder();

 private:
  unsigned int m_count = 0;
};

TEST_F(MemoryProgressDelegate, CreatorsLeaveTheOtherSideUnbounded) {
  const auto withMin = Delegate::createWithMin(CtrvMemory::GLOBAL_AVAIL_PHYS, 1000, m_inner);
  EXPECT_EQ(withMin->indicator(), CtrvMemory::GLOBAL_AVAIL_PHYS);
  EXPECT_EQ(withMin->minimum(), 1000ul);
  EXPECT_EQ(withMin->maximum(), kUnbounded);
  const auto withMax = Delegate::createWithMax(CtrvMemory::PROCESS_WORKING_SET_SIZE, 2000, m_inner);
  EXPECT_EQ(withMax->minimum(), 0ul);
  EXPECT_EQ(withMax->maximum(), 2000ul);
}

TEST_F(MemoryProgressDelegate, AMaximumBelowTheWorkingSetTripsOnceAndLatchesUntilStart) {
  const auto delegate =
      Delegate::createWithMax(CtrvMemory::PROCESS_WORKING_SET_SIZE, 4096, m_inner);
  const std::string message = "Hard maximum memory limit of 4096 reached. Stopping the process.";

  // Watching from construction, before any start().
  EXPECT_TRUE(delegate->cancelled());
  expectOneNewError(message);
  const int innerPolls = m_inner->cancelledCalls;
  for (int poll = 0; poll < 3; ++poll) EXPECT_TRUE(delegate->cancelled());
  EXPECT_EQ(newRecords(), 0u);
  EXPECT_EQ(m_inner->cancelledCalls, innerPolls) << "a latched poll asks nobody";

  // A copy takes the latch with it.
  Delegate copy(*delegate);
  EXPECT_TRUE(copy.cancelled());
  EXPECT_EQ(newRecords(), 0u);

  delegate->start();
  EXPECT_EQ(m_inner->starts, 1);
  EXPECT_TRUE(m_inner->hasStarted());
  EXPECT_TRUE(delegate->cancelled());
  expectOneNewError(message);

  delegate->maximum(kUnbounded);
  delegate->start();
  EXPECT_FALSE(delegate->cancelled());
  EXPECT_EQ(newRecords(), 0u);
}

TEST_F(MemoryProgressDelegate, LimitsAreCrossedOnlyStrictlyAndOneAtATime) {
  const auto delegate = Delegate::createWithMin(kZeroFigure, 0, m_inner);
  EXPECT_FALSE(delegate->cancelled());
  delegate->maximum(0);
  EXPECT_FALSE(delegate->cancelled());
  EXPECT_EQ(newRecords(), 0u);

  // Below a minimum that lies above the maximum: only the minimum is reported.
  delegate->minimum(7);
  EXPECT_TRUE(delegate->cancelled());
  expectOneNewError("Hard minimum memory limit of 7 reached. Stopping the process.");
}

TEST_F(MemoryProgressDelegate, ACancelledEmbeddedDelegateAnswersWithoutAQuery) {
  const auto delegate = Delegate::createWithMax(kCountedQuery, 0, m_inner);
  m_inner->isCancelled = true;
  EXPECT_TRUE(delegate->cancelled());
  EXPECT_TRUE(delegate->cancelled());
  EXPECT_EQ(newRecords(), 0u);

  // Nothing was latched: memory is watched again, and a failed query
  // answers false at every poll.
  m_inner->isCancelled = false;
  EXPECT_FALSE(delegate->cancelled());
  expectOneNewError(kQueryRecord);
  EXPECT_FALSE(delegate->cancelled());
  expectOneNewError(kQueryRecord);
}

TEST_F(MemoryProgressDelegate, OnlyCancelledReadsMemory) {
  const auto delegate = Delegate::createWithMax(kCountedQuery, 0, m_inner);
  delegate->stepCount(3);
  delegate->start();
  EXPECT_TRUE(delegate->shouldReport());
  delegate->report(0.5f, "half");
  EXPECT_TRUE(delegate->nextStep());
  delegate->refresh();
  delegate->finish();
  EXPECT_EQ(newRecords(), 0u);

  ASSERT_EQ(m_inner->reports.size(), 1u);
  EXPECT_EQ(m_inner->reports[0].second, "half");
  EXPECT_EQ(m_inner->step(), 1u);
  EXPECT_EQ(m_inner->finishes, 1);
}

TEST_F(MemoryProgressDelegate, AnEmptyEmbeddedDelegateStillWatchesMemory) {
  const auto delegate = Delegate::createWithMin(kZeroFigure, 1, nullptr);
  delegate->start();
  EXPECT_TRUE(delegate->cancelled());
  expectOneNewError("Hard minimum memory limit of 1 reached. Stopping the process.");
}

}  // namespace
