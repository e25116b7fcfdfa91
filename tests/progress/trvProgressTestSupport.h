#ifndef TRV_PROGRESS_TEST_SUPPORT_H
#define TRV_PROGRESS_TEST_SUPPORT_H

// Delegates shared by the progress tests.

#include <CtrvChainedProgressDelegate.h>
#include <CtrvProgressDelegate.h>

#include <boost/make_shared.hpp>
#include <string>
#include <utility>
#include <vector>

namespace trvTest {

// Keeps the plain delegate's step state, records what reaches it and answers
// shouldReport() / cancelled() as told.
class RecordingDelegate : public CtrvProgressDelegate {
 public:
  std::vector<std::pair<float, std::string>> reports;
  int refreshes = 0, starts = 0, finishes = 0, shouldReportCalls = 0, cancelledCalls = 0;
  bool welcomesReports = true, isCancelled = false;

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

  std::vector<float> progresses() const {
    std::vector<float> result;
    for (const auto& one : reports) result.push_back(one.first);
    return result;
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
