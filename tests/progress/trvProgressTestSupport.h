// SPDX-License-Identifier: MIT
#ifndef TRV_PROGRESS_TEST_SUPPORT_H
#define TRV_PROGRESS_TEST_SUPPORT_H

// Delegates and an observer shared by the progress and memory tests.

#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace trvTest {

// Keeps the plain delegate's step state, writes what reaches it to a journal
// ("start", "refresh", "asked" or the reported message) and answers
// shouldReport() / cancelled() as told.
struct RecordingDelegate : CtrvProgressDelegate {
  void report(float progress, const std::string& message) override {
    if (onReport) onReport();
    progresses.push_back(progress);
    journal += message + " ";
  }
  void refresh() override { journal += "refresh "; }
  void start() override {
    journal += "start ";
    CtrvProgressDelegate::start();
  }
  bool shouldReport() override {
    journal += "asked ";
    return welcomesReports;
  }
  bool cancelled() override {
    ++cancelledCalls;
    return isCancelled;
  }
  std::function<void()> onReport;
  std::vector<float> progresses;
  std::string journal;
  int cancelledCalls = 0;
  bool welcomesReports = true, isCancelled = false;
};

// The name an event was made with, without its class ("DID_START"), or the
// number of an identifier without a name.
inline std::string eventName(unsigned int type) {
  const std::string name = CtrvNotification::nameFromType(type);
  const std::size_t separator = name.rfind("::");
  return separator == std::string::npos ? std::to_string(type) : name.substr(separator + 2);
}

// Receives every notification of a notifying delegate: writes
// "<event name>:<step><+ if started> " to a journal and keeps the reports;
// throws once when a notification of the type `throwOn` comes.
struct Observer {
  using Delegate = CtrvNotifyingProgressDelegate;
  explicit Observer(Delegate& delegate) : delegate(delegate) {
    delegate.notificator()->subscribe(CtrvNotificator::ANY_TYPE, this, &Observer::receive);
  }
  ~Observer() { delegate.notificator()->unsubscribe(this); }
  void receive(const boost::shared_ptr<const CtrvNotification>& notification) {
    journal += eventName(notification->type()) + ":" + std::to_string(delegate.step()) +
               (delegate.hasStarted() ? "+ " : " ");
    if (notification->type() == Delegate::DID_REPORT) reports.push_back(notification);
    if (notification->type() != throwOn) return;
    throwOn = 0;
    throw std::runtime_error("observer failure");
  }
  Delegate& delegate;
  unsigned int throwOn = 0;
  std::string journal;
  std::vector<boost::shared_ptr<const CtrvNotification>> reports;
};

}  // namespace trvTest

#endif
