// SPDX-License-Identifier: MIT
#include "CtrvTime.h"

#include <array>

#include "platform/trvPlatformClock.h"

namespace {

// milliseconds / 1000.0 for every millisecond count of a second, worked out
// by the compiler: the log reads the clock for every message, and a table
// load is several times cheaper than the division it replaces. Constant
// evaluation rounds as the division at run time does, so the values are the
// same to the last bit.
constexpr std::array<double, 1000> kMillisecondFractions = [] {
  std::array<double, 1000> fractions{};
  for (unsigned int ms = 0; ms < fractions.size(); ++ms) fractions[ms] = ms / 1000.0;
  return fractions;
}();

}  // namespace

CtrvTime::CtrvTime()
    : m_started(false),
      m_startOffset(0.0),
      m_measuredInterval(0.0),
      m_paused(false),
      m_beginTime{0, 0, 0, 0},
      m_currentTime{0, 0, 0, 0} {}

void CtrvTime::readNow(TimeOfDay& instant) {
  const trvPlatform::WallClockInstant now = trvPlatform::wallClockNow();
  instant.seconds = now.seconds;
  instant.milliseconds = now.milliseconds;
}

double CtrvTime::toSeconds(const TimeOfDay& instant) {
  const unsigned int ms = instant.milliseconds;
  const double fraction =
      ms < kMillisecondFractions.size() ? kMillisecondFractions[ms] : ms / 1000.0;
  return static_cast<double>(instant.seconds) + fraction;
}

void CtrvTime::initializeBeginTime() { readNow(m_beginTime); }

trStatus CtrvTime::start(double initialValue) {
  if (m_started) return TR_ERROR;
  m_started = true;
  initializeBeginTime();
  m_startOffset = initialValue;
  return TR_OK;
}

int CtrvTime::ChronoStart(double initialValue) { return start(initialValue); }

double CtrvTime::elapsedTime() const {
  if (m_paused) return m_startOffset;
  if (m_started) {
    readNow(m_currentTime);
    m_measuredInterval = toSeconds(m_currentTime) - toSeconds(m_beginTime);
  }
  return m_measuredInterval + m_startOffset;
}

double CtrvTime::ChronoTime() const { return elapsedTime(); }

trStatus CtrvTime::pause() {
  if (!m_started || m_paused) return TR_ERROR;
  m_startOffset = elapsedTime();
  m_paused = true;
  return TR_OK;
}

void CtrvTime::resume() {
  if (!m_paused || !m_started) return;
  m_paused = false;
  initializeBeginTime();
}

double CtrvTime::stop() {
  const double elapsed = elapsedTime();
  m_started = false;
  return elapsed;
}

double CtrvTime::ChronoStop() { return stop(); }

double CtrvTime::isStarted() const { return m_started ? 1.0 : 0.0; }

bool CtrvTime::ChronoStatusIsStarted() const { return m_started; }

bool CtrvTime::isPaused() const { return m_paused; }
