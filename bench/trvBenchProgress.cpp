// SPDX-License-Identifier: MIT
// Progress: a report that the timed delegate drops (its minimum interval has
// not passed) against the two clock readings it cannot do without.
#include <CtrvProgressDelegate.h>
#include <CtrvTimedProgressDelegate.h>
#include <time.h>

#include <boost/shared_ptr.hpp>
#include <string>

#include "trvBench.h"

namespace {

// Counts the reports that get through.
class CountingDelegate : public CtrvProgressDelegate {
 public:
  void report(float /*progress*/, const std::string& /*message*/) override { ++m_reports; }
  unsigned int reports() const { return m_reports; }

 private:
  unsigned int m_reports = 0;
};

void trvDroppedReport(benchmark::State& state) {
  const boost::shared_ptr<CountingDelegate> sink(new CountingDelegate());
  const boost::shared_ptr<CtrvTimedProgressDelegate> timed =
      CtrvTimedProgressDelegate::create(sink, 3600.0);
  const std::string message = "meshing";
  timed->start();
  timed->report(0.0f, message);  // the first one goes through and starts the interval
  float progress = 0.0f;
  for (auto _ : state) {
    timed->report(progress, message);
    progress += 1e-6f;
  }
  if (sink->reports() != 1) state.SkipWithError("a report was not dropped");
}

void twoClockReadings(benchmark::State& state) {
  timespec first{}, second{};
  for (auto _ : state) {
    clock_gettime(CLOCK_REALTIME, &first);
    clock_gettime(CLOCK_REALTIME, &second);
    benchmark::DoNotOptimize(first);
    benchmark::DoNotOptimize(second);
  }
}

const bool registered = [] {
  trvBench::registerPair("progress_dropped_report", "CtrvTimedProgressDelegate::report, dropped",
                         3.0, "two clock_gettime calls", trvDroppedReport, twoClockReadings);
  return true;
}();

}  // namespace
