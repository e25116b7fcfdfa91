// SPDX-License-Identifier: MIT
#include "CtrvTimedProgressDelegate.h"

boost::shared_ptr<CtrvTimedProgressDelegate> CtrvTimedProgressDelegate::create(
    const boost::shared_ptr<CtrvProgressDelegate>& embedded, double minUpdateTime) {
  return boost::shared_ptr<CtrvTimedProgressDelegate>(
      new CtrvTimedProgressDelegate(embedded, minUpdateTime));
}

CtrvTimedProgressDelegate::CtrvTimedProgressDelegate(
    const boost::shared_ptr<CtrvProgressDelegate>& embedded, double minUpdateTime)
    : CtrvChainedProgressDelegate(embedded),
      m_chronometer(),
      m_forceReport(true),
      m_minUpdateTime(minUpdateTime) {}

CtrvTimedProgressDelegate::~CtrvTimedProgressDelegate() = default;

CtrvTimedProgressDelegate::CtrvTimedProgressDelegate(const CtrvTimedProgressDelegate& other) =
    default;

CtrvTimedProgressDelegate& CtrvTimedProgressDelegate::operator=(
    const CtrvTimedProgressDelegate& other) = default;

bool CtrvTimedProgressDelegate::nextStep() {
  m_forceReport = true;
  return CtrvChainedProgressDelegate::nextStep();
}

void CtrvTimedProgressDelegate::report(float progress, const std::string& message) {
  if (!shouldReport()) return;
  CtrvChainedProgressDelegate::report(progress, message);
  restartThrottle();
}

void CtrvTimedProgressDelegate::refresh() {
  if (!shouldReport()) return;
  CtrvChainedProgressDelegate::refresh();
  restartThrottle();
}

void CtrvTimedProgressDelegate::start() {
  m_forceReport = true;
  m_chronometer.stop();
  CtrvChainedProgressDelegate::start();
}

bool CtrvTimedProgressDelegate::shouldReport() {
  if (!m_forceReport && !minUpdateTimeHasPassed()) return false;
  return CtrvChainedProgressDelegate::shouldReport();
}

void CtrvTimedProgressDelegate::minUpdateTime(double seconds) { m_minUpdateTime = seconds; }

double CtrvTimedProgressDelegate::minUpdateTime() const { return m_minUpdateTime; }

// An idle clock is started from 0 and lets the report through. A running
// clock is read by stopping it and starting it again from the reading, which
// costs exactly two clock readings and keeps it counting from the same total.
bool CtrvTimedProgressDelegate::minUpdateTimeHasPassed() {
  if (m_chronometer.isStarted() == 0.0) {
    m_chronometer.start(0.0);
    return true;
  }
  const double elapsed = m_chronometer.stop();
  m_chronometer.start(elapsed);
  return !(elapsed < m_minUpdateTime);
}

void CtrvTimedProgressDelegate::restartThrottle() {
  m_forceReport = false;
  if (m_chronometer.isStarted() != 0.0) m_chronometer.stop();
  m_chronometer.start(0.0);
}
