#include "trvProgressDisplay.h"

#include <CtrvNotificator.h>

#include <algorithm>
#include <utility>

#include "trvInterrupt.h"
#include "trvTerminal.h"

namespace trvApp {

namespace {

// Clears from the cursor to the end of the line, so a shorter line leaves no
// remains of a longer one.
const char* const CLEAR_TO_END = "\x1b[K";

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out, bool terminal, std::vector<StepItems> steps)
    : m_out(out),
      m_terminal(terminal),
      m_steps(std::move(steps)),
      m_stepStart(0.0),
      m_lastTenth(0),
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
  m_lastTenth = 0;
  passOnInterrupt();
}

void ProgressDisplay::didChangeStep(const Notification&) {
  m_stepStart = m_clock.elapsedTime();
  passOnInterrupt();
}

void ProgressDisplay::didReport(const Notification& notification) {
  show(snapshot(notification));
  passOnInterrupt();
}

void ProgressDisplay::didFinish(const Notification&) {
  if (m_terminal && m_lineDrawn) std::fputc('\n', m_out);
  m_lineDrawn = false;
  std::fflush(m_out);
}

void ProgressDisplay::passOnInterrupt() {
  if (!interruptRequested()) return;
  if (const boost::shared_ptr<CtrvNotifyingProgressDelegate> delegate = m_delegate.lock()) {
    delegate->cancelled(true);
  }
}

// The rate and the time left come from the step under way: its share done
// and the time spent in it. Later steps are assumed to take as long.
ProgressSnapshot ProgressDisplay::snapshot(const Notification& report) const {
  ProgressSnapshot shown;
  shown.progress = report->doubleValue(CtrvNotifyingProgressDelegate::PROGRESS_KEY);
  shown.phase = report->stringValue(CtrvNotifyingProgressDelegate::MESSAGE_KEY);
  const boost::shared_ptr<CtrvNotifyingProgressDelegate> delegate = m_delegate.lock();
  if (!delegate) return shown;
  const double now = m_clock.elapsedTime();
  const unsigned int step = delegate->step();
  const unsigned int stepCount = delegate->stepCount();
  if (step >= stepCount) {
    shown.finished = true;
    shown.seconds = now;
    return shown;
  }
  const double inStep = now - m_stepStart;
  const double share = std::clamp(shown.progress * stepCount - step, 0.0, 1.0);
  if (share <= 0.0 || inStep <= 0.0) return shown;
  shown.seconds = inStep * (1.0 - share) / share + (stepCount - step - 1) * inStep / share;
  if (step < m_steps.size()) {
    shown.rate = share * m_steps[step].count / inStep;
    shown.unit = m_steps[step].unit;
  }
  return shown;
}

void ProgressDisplay::show(const ProgressSnapshot& snapshot) {
  if (m_terminal) {
    const std::string line = terminalLine(snapshot, terminalWidth(m_out));
    std::fprintf(m_out, "\r%s%s", line.c_str(), CLEAR_TO_END);
    m_lineDrawn = true;
  } else {
    const int tenth = wholePercent(snapshot.progress) / 10;
    if (tenth <= m_lastTenth) return;
    m_lastTenth = tenth;
    std::fprintf(m_out, "%s\n", plainLine(snapshot).c_str());
  }
  std::fflush(m_out);
}

}  // namespace trvApp
