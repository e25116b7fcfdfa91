// SPDX-License-Identifier: MIT
// Memory figures: one indicator read fresh from /proc against the bare
// reading of the /proc file it needs (the floor: no parsing at all).
#include <CtrvMemory.h>
#include <fcntl.h>
#include <unistd.h>

#include "trvBench.h"

namespace {

void trvIndicator(benchmark::State& state, CtrvMemory::Indicator indicator) {
  unsigned long value = 0;
  for (auto _ : state) {
    if (CtrvMemory::getIndicatorValue(indicator, value) != TR_OK) state.SkipWithError("failed");
    benchmark::DoNotOptimize(value);
  }
}

// Open, one read of a page (more than either file holds), close.
void bareRead(benchmark::State& state, const char* path) {
  char buffer[4096];
  for (auto _ : state) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
    ::close(fd);
    benchmark::DoNotOptimize(buffer);
  }
}

void trvProcessFigure(benchmark::State& state) {
  trvIndicator(state, CtrvMemory::PROCESS_WORKING_SET_SIZE);
}
void trvSystemFigure(benchmark::State& state) {
  trvIndicator(state, CtrvMemory::GLOBAL_AVAIL_PHYS);
}
void bareReadProcessStatus(benchmark::State& state) { bareRead(state, "/proc/self/status"); }
void bareReadMeminfo(benchmark::State& state) { bareRead(state, "/proc/meminfo"); }

const bool registered = [] {
  trvBench::registerPair("memory_process", "getIndicatorValue(PROCESS_WORKING_SET_SIZE)", 1.5,
                         "open-read-close /proc/self/status", trvProcessFigure,
                         bareReadProcessStatus);
  trvBench::registerPair("memory_system", "getIndicatorValue(GLOBAL_AVAIL_PHYS)", 1.5,
                         "open-read-close /proc/meminfo", trvSystemFigure, bareReadMeminfo);
  return true;
}();

}  // namespace
