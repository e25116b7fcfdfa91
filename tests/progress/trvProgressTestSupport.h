#ifndef TRV_PROGRESS_TEST_SUPPORT_H
#define TRV_PROGRESS_TEST_SUPPORT_H

// Delegates shared by the progress tests: a plain delegate, a recording one
// and a chained delegate that overrides nothing.

#include <CtrvChainedProgressDelegate.h>
#include <CtrvProgressDelegate.h>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <string>
#include <utility>
#include <vector>

namespace trvTest {

class PlainDelegate : public CtrvProgressDelegate {
 public:
  PlainDelegate() = default;
};

// Keeps the step state of the plain delegate, records what reaches it and
// answers shouldReport() / cancelled() as told.
class RecordingDelegate : public CtrvProgressDelegate {
 public:
  std::vector<std::pair<float, std::string>> reports;
  int refreshes = 0;
  int starts = 0;
  int finishes = 0;
  int shouldReportCalls = 0;
  int cancelledCalls = 0;
  bool welcomesReports = true;
  bool isCancelled = false;

  void report(float progress, const std::string& message) override {
    reports.emplace_back(progress, message);
  }
  void refresh() override { ++refreshes; }
  void start() override {
    ++starts;
    CtrvProgressDelegate::start();
  }
  void finish() override {
    ++finishes;
    CtrvProgressDelegate::finish();
  }
  bool shouldReport() override {
    ++shouldReportCalls;
    return welcomesReports;
  }
  bool cancelled() override {
    ++cancelledCalls;
    return isCancelled;
  }
};

class PlainChained : public CtrvChainedProgressDelegate {
 public:
  explicit PlainChained(const boost::shared_ptr<CtrvProgressDelegate>& embedded)
      : CtrvChainedProgressDelegate(embedded) {}
};

inline boost::shared_ptr<RecordingDelegate> makeRecorder() {
  return boost::make_shared<RecordingDelegate>();
}

}  // namespace trvTest

#endif
