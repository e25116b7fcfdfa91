// SPDX-License-Identifier: MIT
#ifndef TRV_BENCH_H
#define TRV_BENCH_H

// Registration of paired benchmarks: a trv operation and the peer it is
// compared with, with the goal on their time ratio (trv / peer).

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

namespace trvBench {

using Function = void (*)(benchmark::State&);

/// The goal of a pair shown for information only.
constexpr double kNoGoal = 0.0;

/// Where a benchmark runs: the log instance is process-wide and never
/// destroyed, so the runs needing a log without a live file get a process
/// of their own.
enum class Process { liveLog, noLiveFile };

/// Registers "<group>/<key>/trv" and, when `peer` is not null,
/// "<group>/<key>/peer", and records the pair for the report. `peerNote`
/// says why a missing peer is missing.
bool registerPair(const std::string& key, const std::string& operation, double goal,
                  const std::string& peerName, Function trv, Function peer,
                  Process process = Process::liveLog, const char* peerNote = "peer not installed");

/// As registerPair, but both sides are timed by the wall clock, not by the
/// CPU time of the benchmark thread: for work spread over several threads.
bool registerWallPair(const std::string& key, const std::string& operation, double goal,
                      const std::string& peerName, Function trv, Function peer);

/// Registers a scaling measurement "scale/<key>", reported as it stands.
benchmark::internal::Benchmark* registerScale(const std::string& key, Function function);

/// Directory for the files the benchmarks write.
const std::string& scratchDirectory();

/// Heap allocations counted by the replaced global operator new.
std::size_t allocationCount();

}  // namespace trvBench

#endif
