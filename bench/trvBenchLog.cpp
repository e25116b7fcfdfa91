// The log: recording a message with and without a live file, against spdlog
// and against a bare write + flush of the same line.
#include <CtrvLogManager.h>

#include <cstdio>
#include <string>

#include "trvBench.h"

#ifdef TRV_BENCH_HAVE_SPDLOG
#include <spdlog/logger.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/null_sink.h>
#endif

namespace {

const std::string kMessage = "sweep: 4096 segments checked against 64 obstacles";

void trvAddInfo(benchmark::State& state) {
  for (auto _ : state) CtrvLogManager::addInfo(kMessage);
}

// The floor: the same line, already formatted, written and flushed.
void bareWriteAndFlush(benchmark::State& state) {
  const std::string line = "time: 12.345         \ttype: Info\tmessage: " + kMessage + "\n";
  std::FILE* file = std::fopen((trvBench::scratchDirectory() + "/floor.log").c_str(), "w+");
  for (auto _ : state) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
  }
  std::fclose(file);
}

#ifdef TRV_BENCH_HAVE_SPDLOG
void spdlogFileFlushingEveryMessage(benchmark::State& state) {
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_st>(
      trvBench::scratchDirectory() + "/spdlog.log", true);
  spdlog::logger logger("bench-file", sink);
  logger.flush_on(spdlog::level::trace);
  for (auto _ : state) logger.info(kMessage);
}

void spdlogNullSink(benchmark::State& state) {
  spdlog::logger logger("bench-null", std::make_shared<spdlog::sinks::null_sink_st>());
  for (auto _ : state) logger.info(kMessage);
}
constexpr trvBench::Function kSpdlogFile = spdlogFileFlushingEveryMessage;
constexpr trvBench::Function kSpdlogNull = spdlogNullSink;
#else
constexpr trvBench::Function kSpdlogFile = nullptr;
constexpr trvBench::Function kSpdlogNull = nullptr;
#endif

// Insertion cost as the store fills: at about 1,000 records, and at the bound
// of 100,001 where every insertion also drops the oldest record.
void fillLogTo(unsigned int records) {
  while (CtrvLogManager::countMessages() < records) CtrvLogManager::addInfo(kMessage);
}

// Insertions from `records` stored records on, with the allocations they make.
void logInsertFrom(benchmark::State& state, unsigned int records) {
  fillLogTo(records);
  const std::size_t before = trvBench::allocationCount();
  for (auto _ : state) CtrvLogManager::addInfo(kMessage);
  state.counters["allocs/op"] = benchmark::Counter(
      static_cast<double>(trvBench::allocationCount() - before) / state.iterations());
}

void logInsertAt1000(benchmark::State& state) { logInsertFrom(state, 1000); }
void logInsertAtBound(benchmark::State& state) {
  logInsertFrom(state, CtrvLogManager::s_maxNbMessages + 1);
}

const bool registered = [] {
  trvBench::registerPair("log_file_spdlog", "addInfo with a live log file", 1.0,
                         "spdlog file sink, flush every message", trvAddInfo, kSpdlogFile);
  trvBench::registerPair("log_file_floor", "addInfo with a live log file", 1.5,
                         "bare fwrite + fflush (floor)", trvAddInfo, bareWriteAndFlush);
  trvBench::registerPair("log_memory", "addInfo without a live file", 1.0, "spdlog null sink",
                         trvAddInfo, kSpdlogNull, trvBench::Process::noLiveFile);
  trvBench::registerScale("log_insert_at_1000_records", logInsertAt1000)->Iterations(1000);
  trvBench::registerScale("log_insert_at_100001_records", logInsertAtBound)->Iterations(100000);
  return true;
}();

}  // namespace
