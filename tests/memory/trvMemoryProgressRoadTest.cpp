// One long operation driving a timed delegate over a memory delegate over a
// notifying delegate, stopped once by an observer and once by memory growth.

#include <CtrvMemoryProgressDelegate.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvTimedProgressDelegate.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "trvMemoryTestLog.h"

namespace {

constexpr int kItems = 256;
constexpr std::size_t kBlockSize = 1u << 20;
constexpr unsigned long kUnbounded = 4294967295ul;

// Records the reports that reach it and cancels the operation once the
// progress reaches a threshold (never, by default).
class Observer {
 public:
  explicit Observer(const boost::shared_ptr<CtrvNotifyingProgressDelegate>& target,
                    double cancelAt = 2.0)
      : m_target(target), m_cancelAt(cancelAt) {
    m_target->notificator()->subscribe(CtrvNotifyingProgressDelegate::DID_REPORT, this,
                                       &Observer::onReport);
  }
  ~Observer() { m_target->notificator()->unsubscribe(this); }

  void onReport(const boost::shared_ptr<const CtrvNotification>& notification) {
    const double progress = notification->doubleValue(CtrvNotifyingProgressDelegate::PROGRESS_KEY);
    messages.push_back(notification->stringValue(CtrvNotifyingProgressDelegate::MESSAGE_KEY));
    if (progress >= m_cancelAt) m_target->cancelled(true);
  }

  std::vector<std::string> messages;

 private:
  boost::shared_ptr<CtrvNotifyingProgressDelegate> m_target;
  double m_cancelAt;
};

struct Chain {
  boost::shared_ptr<CtrvNotifyingProgressDelegate> notifying;
  boost::shared_ptr<CtrvMemoryProgressDelegate> memory;
  boost::shared_ptr<CtrvTimedProgressDelegate> timed;
};

// No throttling, so that every report travels the whole chain.
Chain makeChain(unsigned long maximumWorkingSet) {
  Chain chain;
  chain.notifying = CtrvNotifyingProgressDelegate::create();
  chain.memory = CtrvMemoryProgressDelegate::createWithMax(CtrvMemory::PROCESS_WORKING_SET_SIZE,
                                                           maximumWorkingSet, chain.notifying);
  chain.timed = CtrvTimedProgressDelegate::create(chain.memory, 0.0);
  return chain;
}

// Processes items, each optionally holding one more touched block of memory,
// reporting each and stopping at the first poll that says cancelled. Returns
// the number of items processed.
int runOperation(CtrvProgressDelegate& delegate, bool growing) {
  std::vector<std::unique_ptr<char[]>> blocks;
  delegate.start();
  int item = 0;
  while (item < kItems) {
    if (growing) {
      blocks.emplace_back(new char[kBlockSize]);
      volatile char* pages = blocks.back().get();
      for (std::size_t offset = 0; offset < kBlockSize; offset += 4096) pages[offset] = 1;
    }
    ++item;
    if (delegate.shouldReport()) {
      delegate.report(static_cast<float>(item) / kItems, std::to_string(item));
    }
    if (delegate.cancelled()) break;
  }
  delegate.finish();
  return item;
}

class MemoryProgressRoad : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { trvMemoryTest::createLog(); }
};

TEST_F(MemoryProgressRoad, AnObserverStopsTheOperationThroughTheWholeChain) {
  const Chain chain = makeChain(kUnbounded);
  Observer observer(chain.notifying, 0.5);
  const unsigned int records = CtrvLogManager::countMessages();

  const int processed = runOperation(*chain.timed, false);

  EXPECT_EQ(processed, kItems / 2);
  ASSERT_EQ(observer.messages.size(), static_cast<std::size_t>(processed));
  EXPECT_EQ(observer.messages.back(), std::to_string(processed));
  EXPECT_EQ(CtrvLogManager::countMessages(), records);

  // The stop came from the observer: nothing is latched in the memory delegate.
  chain.notifying->cancelled(false);
  EXPECT_FALSE(chain.timed->cancelled());
}

TEST_F(MemoryProgressRoad, GrowingMemoryStopsTheOperationWithOneLoggedCrossing) {
  unsigned long limit = 0;
  ASSERT_EQ(CtrvMemory::getIndicatorValue(CtrvMemory::PROCESS_WORKING_SET_SIZE, limit), TR_OK);
  limit += 32 * kBlockSize;
  const Chain chain = makeChain(limit);
  Observer observer(chain.notifying);
  const unsigned int records = CtrvLogManager::countMessages();

  const int processed = runOperation(*chain.timed, true);

  EXPECT_LT(processed, kItems);
  EXPECT_GE(processed, 8);
  EXPECT_EQ(observer.messages.size(), static_cast<std::size_t>(processed));
  EXPECT_FALSE(chain.notifying->cancelled());

  ASSERT_EQ(CtrvLogManager::countMessages(), records + 1);
  const trvMemoryTest::LogRecord record = trvMemoryTest::lastLogRecord();
  EXPECT_EQ(record.text, "Hard maximum memory limit of " + std::to_string(limit) +
                             " reached. Stopping the process.");
  EXPECT_EQ(record.type, CtrvLogManager::LOG_ERROR);

  // The memory freed by the operation does not unlatch the chain; start() does.
  EXPECT_TRUE(chain.timed->cancelled());
  EXPECT_EQ(CtrvLogManager::countMessages(), records + 1);
  chain.memory->maximum(kUnbounded);
  chain.timed->start();
  EXPECT_FALSE(chain.timed->cancelled());
}

}  // namespace
