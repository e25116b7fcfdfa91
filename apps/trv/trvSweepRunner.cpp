// SPDX-License-Identifier: MIT
#include "trvSweepRunner.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "trvSegmentDraw.h"

namespace trvApp {

// What the workers of one run share: the next chunk to claim, the counts,
// the stop request, the first exception, and how many workers finished.
class SweepRunner::Work {
 public:
  Work(const SweepRunner& runner, const ChunkRange& range) : m_runner(runner), m_range(range) {}

  // Claims and checks chunks until none is left or a stop is requested.
  // `look` runs after each batch (on the calling thread when it works
  // alone); it may request the stop.
  template <class Look>
  void claimChunks(Look look) {
    try {
      ExactContact exact;
      while (!stopRequested()) {
        const std::uint64_t claimed = m_nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (claimed >= m_range.size()) return;
        checkChunk(m_range.begin + claimed, exact, look);
      }
    } catch (...) {
      fail(std::current_exception());
    }
  }

  void fail(std::exception_ptr error) {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_error) m_error = error;
    }
    requestStop();
  }

  // Runs the tick if the clock is due, turning a stop answer or an
  // exception into a stop request. Once a stop is requested, the tick is
  // not called again.
  void lookUp(TickClock& clock, const SweepTick& tick) {
    if (stopRequested() || !clock.due() || !tick) return;
    try {
      if (tick(counts())) requestStop();
    } catch (...) {
      fail(std::current_exception());
    }
  }

  void requestStop() { m_stop.store(true, std::memory_order_relaxed); }
  bool stopRequested() const { return m_stop.load(std::memory_order_relaxed); }

  SweepCounts counts() const {
    return {m_checked.load(std::memory_order_relaxed), m_hits.load(std::memory_order_relaxed)};
  }

  void finishWorker() {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      ++m_finished;
    }
    m_finishedChanged.notify_one();
  }

  // Waits until `workers` have finished or `timeout` has passed; true when
  // they have finished.
  bool waitForWorkers(unsigned int workers, std::chrono::steady_clock::duration timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_finishedChanged.wait_for(lock, timeout, [&] { return m_finished == workers; });
  }

  void rethrowFailure() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error) std::rethrow_exception(m_error);
  }

 private:
  template <class Look>
  void checkChunk(std::uint64_t chunk, ExactContact& exact, Look& look) {
    SegmentDraw draw(m_runner.m_chunks.seedOf(chunk));
    std::uint64_t left = m_runner.m_chunks.sizeOf(chunk);
    SweepSegment segments[BATCH];
    while (left > 0) {
      const std::uint64_t batch = std::min(left, BATCH);
      for (std::uint64_t k = 0; k < batch; ++k) segments[k] = draw.next();
      const std::uint64_t hits = m_runner.m_finder.countTouching(segments, batch, exact);
      left -= batch;
      m_checked.fetch_add(batch, std::memory_order_relaxed);
      m_hits.fetch_add(hits, std::memory_order_relaxed);
      look();
      if (stopRequested()) return;
    }
  }

  const SweepRunner& m_runner;
  const ChunkRange m_range;
  std::atomic<std::uint64_t> m_nextChunk{0};
  std::atomic<std::uint64_t> m_checked{0};
  std::atomic<std::uint64_t> m_hits{0};
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::condition_variable m_finishedChanged;
  unsigned int m_finished = 0;
  std::exception_ptr m_error;
};

namespace {

// Blocks, on the calling thread, the signals a user or another process sends
// (Ctrl-C and the like) while it lives: threads started meanwhile inherit the
// mask, so such signals go to the calling thread, where the program handles
// them (and where a system call they cut short is the program's own).
class ExternalSignalsBlocked {
 public:
  ExternalSignalsBlocked() {
    sigset_t external;
    sigemptyset(&external);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGUSR1, SIGUSR2, SIGALRM,
                       SIGWINCH, SIGCHLD, SIGCONT}) {
      sigaddset(&external, signal);
    }
    pthread_sigmask(SIG_BLOCK, &external, &m_previous);
  }
  ~ExternalSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
  ExternalSignalsBlocked(const ExternalSignalsBlocked&) = delete;
  ExternalSignalsBlocked& operator=(const ExternalSignalsBlocked&) = delete;

 private:
  sigset_t m_previous;
};

}  // namespace

SweepRunner::SweepRunner(const ContactFinder& finder, const SegmentChunks& chunks)
    : m_finder(finder), m_chunks(chunks) {}

SweepOutcome SweepRunner::run(const ChunkRange& range, unsigned int threads, TickClock& clock,
                              const SweepTick& tick) const {
  Work work(*this, range);
  const std::uint64_t chunks = std::max<std::uint64_t>(range.size(), 1);
  const unsigned int workers =
      static_cast<unsigned int>(std::min<std::uint64_t>(std::max(threads, 1u), chunks));
  if (workers == 1) {
    work.claimChunks([&] { work.lookUp(clock, tick); });
  } else {
    std::vector<std::thread> pool;
    try {
      const ExternalSignalsBlocked blocked;
      for (unsigned int k = 0; k < workers; ++k) {
        pool.emplace_back([&work] {
          work.claimChunks([] {});
          work.finishWorker();
        });
      }
    } catch (...) {
      work.fail(std::current_exception());
    }
    const auto started = static_cast<unsigned int>(pool.size());
    while (!work.waitForWorkers(started, clock.remaining())) work.lookUp(clock, tick);
    for (std::thread& worker : pool) worker.join();
  }
  work.rethrowFailure();
  const SweepCounts counts = work.counts();
  return {counts, counts.checked == m_chunks.segmentsIn(range)};
}

}  // namespace trvApp
