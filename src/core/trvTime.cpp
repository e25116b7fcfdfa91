#include "CtrvTime.h"

#include "platform/trvPlatformClock.h"

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
  return static_cast<double>(instant.seconds) + instant.milliseconds / 1000.0;
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
