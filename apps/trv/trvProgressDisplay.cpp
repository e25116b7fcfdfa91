// SPDX-License-Identifier: MIT
#include "trvProgressDisplay.h"

#include <CtrvNotificator.h>

#include <algorithm>
#include <utility>

#include "trvTerminal.h"

namespace trvApp {

namespace {

// Clears from the cursor to the end of the line, so a shorter line leaves no
// remains of a longer one.
const char* const CLEAR_TO_END = "\x1b[K";

constexpr int TENTHS = 10;

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out, bool terminal, std::vector<StepItems> steps)
    : m_out(out),
      m_terminal(terminal),
      m_steps(std::move(steps)),
      m_stepPhases(m_steps.size()),
      m_stepStart(0.0),
      m_lastTenth(-1),
      m_lineDrawn(false) {}

ProgressDisplay::~ProgressDisplay() {
  if (m_notificator) m_notificator->unsubscribe(this);
  // A run cut short by an exception leaves the line unfinished.
  if (m_terminal && m_lineDrawn) std::fputc('\n', m_out);
}

void ProgressDisplay::observe(const boost::shared_ptr<CtrvNotifyingProgressDelegate>& delegate) {
  m_delegate = delegate;
  m_notificator = delegate->notificator();
  const boost::weak_ptr<void> sender = delegate;
  using Delegate = CtrvNotifyingProgressDelegate;
  m_notificator->subscribe(Delegate::DID_START, this, &ProgressDisplay::didStart, sender);
  m_notificator->subscribe(Delegate::DID_CHANGE_STEP, this, &ProgressDisplay::didChangeStep,
                           sender);
  m_notificator->subscribe(Delegate::DID_REPORT, this, &ProgressDisplay::didReport, sender);
  m_notificator->subscribe(Delegate::DID_FINISH, this, &ProgressDisplay::didFinish, sender);
}

void ProgressDisplay::didStart(const Notification&) {
  m_clock.stop();
  m_clock.start(0.0);
  m_stepStart = 0.0;
  m_lastTenth = -1;
  std::fill(m_stepPhases.begin(), m_stepPhases.end(), std::string());
}

void ProgressDisplay::didChangeStep(const Notification&) { m_stepStart = m_clock.elapsedTime(); }

void ProgressDisplay::didReport(const Notification& notification) { show(snapshot(notification)); }

void ProgressDisplay::didFinish(const Notification&) {
  if (m_terminal && m_lineDrawn) std::fputc('\n', m_out);
  m_lineDrawn = false;
  std::fflush(m_out);
}

// The time left comes from the whole progress and the time since the start;
// the rate from the share of the step under way and the time spent in it.
ProgressSnapshot ProgressDisplay::snapshot(const Notification& report) const {
  ProgressSnapshot shown;
  shown.progress = report->doubleValue(CtrvNotifyingProgressDelegate::PROGRESS_KEY);
  shown.phase = report->stringValue(CtrvNotifyingProgressDelegate::MESSAGE_KEY);
  const boost::shared_ptr<CtrvNotifyingProgressDelegate> delegate = m_delegate.lock();
  if (!delegate) return shown;
  const double now = m_clock.elapsedTime();
  const unsigned int step = delegate->step();
  if (step >= delegate->stepCount()) {
    shown.finished = true;
    shown.seconds = now;
    return shown;
  }
  if (shown.progress > 0.0) shown.seconds = now * (1.0 - shown.progress) / shown.progress;
  if (step < m_steps.size()) {
    double begin = 0.0;
    for (unsigned int k = 0; k < step; ++k) begin += m_steps[k].share;
    const double inStep = now - m_stepStart;
    const StepItems& items = m_steps[step];
    const double done =
        items.share > 0.0 ? std::clamp((shown.progress - begin) / items.share, 0.0, 1.0) : 0.0;
    if (done > 0.0 && inStep > 0.0) {
      shown.rate = done * items.count / inStep;
      shown.unit = items.unit;
    }
  }
  return shown;
}

void ProgressDisplay::show(const ProgressSnapshot& snapshot) {
  if (!m_terminal) {
    showTenths(snapshot);
    return;
  }
  const std::string line = terminalLine(snapshot, terminalWidth(m_out));
  std::fprintf(m_out, "\r%s%s", line.c_str(), CLEAR_TO_END);
  m_lineDrawn = true;
  std::fflush(m_out);
}

// A line for each tenth reached since the last report, showing the tenth
// itself: the tenths passed over name the phase they fell in, the last one
// also the rate and the time. The line of 100 % waits for the end.
void ProgressDisplay::showTenths(const ProgressSnapshot& snapshot) {
  if (const boost::shared_ptr<CtrvNotifyingProgressDelegate> delegate = m_delegate.lock()) {
    const unsigned int step = delegate->step();
    if (step < m_stepPhases.size()) m_stepPhases[step] = snapshot.phase;
  }
  // 100 % is the line of the end, whatever the progress says before it.
  const int passedTenths = wholePercent(snapshot.progress) / TENTHS;
  const int tenth = snapshot.finished ? TENTHS : std::min(passedTenths, TENTHS - 1);
  if (tenth <= m_lastTenth) return;
  for (int passed = m_lastTenth + 1; passed < tenth; ++passed) {
    ProgressSnapshot mark;
    mark.progress = static_cast<double>(passed) / TENTHS;
    mark.phase = phaseAt(mark.progress, snapshot.phase);
    std::fprintf(m_out, "%s\n", plainLine(mark).c_str());
  }
  ProgressSnapshot reached = snapshot;
  reached.progress = static_cast<double>(tenth) / TENTHS;
  std::fprintf(m_out, "%s\n", plainLine(reached).c_str());
  m_lastTenth = tenth;
  std::fflush(m_out);
}

// The phase last reported in the step whose part of the progress holds
// `progress`, or `otherwise` when that step reported nothing.
std::string ProgressDisplay::phaseAt(double progress, const std::string& otherwise) const {
  double end = 0.0;
  for (std::size_t k = 0; k < m_steps.size(); ++k) {
    end += m_steps[k].share;
    if (progress < end) return m_stepPhases[k].empty() ? otherwise : m_stepPhases[k];
  }
  return otherwise;
}

}  // namespace trvApp
