// SPDX-License-Identifier: MIT
#include "CtrvMemoryProgressDelegate.h"

#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <utility>

#include "CtrvLogManager.h"

namespace {

// Records "Hard <which> memory limit of <limit> reached. Stopping the
// process." as one error, through the stream form of the log. The limit is
// written in plain digits whatever global locale the program has set, as
// tools reading the log expect.
void logCrossedLimit(const char* which, unsigned long limit) {
  std::stringstream message;
  message.imbue(std::locale::classic());
  message << "Hard " << which << " memory limit of " << limit << " reached. Stopping the process.";
  CtrvLogManager::writeLog(message, CtrvLogManager::LOG_ERROR);
}

}  // namespace

boost::shared_ptr<CtrvMemoryProgressDelegate> CtrvMemoryProgressDelegate::createWithMin(
    CtrvMemory::Indicator indicator, unsigned long minimum,
    boost::shared_ptr<CtrvProgressDelegate> embedded) {
  return boost::shared_ptr<CtrvMemoryProgressDelegate>(
      new CtrvMemoryProgressDelegate(indicator, minimum, maxIndicatorValue(), std::move(embedded)));
}

boost::shared_ptr<CtrvMemoryProgressDelegate> CtrvMemoryProgressDelegate::createWithMax(
    CtrvMemory::Indicator indicator, unsigned long maximum,
    boost::shared_ptr<CtrvProgressDelegate> embedded) {
  return boost::shared_ptr<CtrvMemoryProgressDelegate>(
      new CtrvMemoryProgressDelegate(indicator, minIndicatorValue(), maximum, std::move(embedded)));
}

CtrvMemoryProgressDelegate::CtrvMemoryProgressDelegate(
    CtrvMemory::Indicator indicator, unsigned long minimum, unsigned long maximum,
    boost::shared_ptr<CtrvProgressDelegate> embedded)
    : CtrvChainedProgressDelegate(embedded),
      m_indicator(indicator),
      m_minimum(minimum),
      m_maximum(maximum),
      m_limitReached(false) {}

CtrvMemoryProgressDelegate::~CtrvMemoryProgressDelegate() = default;

CtrvMemoryProgressDelegate::CtrvMemoryProgressDelegate(const CtrvMemoryProgressDelegate& other) =
    default;

CtrvMemoryProgressDelegate& CtrvMemoryProgressDelegate::operator=(
    const CtrvMemoryProgressDelegate& other) = default;

void CtrvMemoryProgressDelegate::start() {
  m_limitReached = false;
  CtrvChainedProgressDelegate::start();
}

// Cheapest first: a latched crossing and a cancelled embedded delegate
// answer without reading memory.
bool CtrvMemoryProgressDelegate::cancelled() {
  if (m_limitReached) return true;
  if (CtrvChainedProgressDelegate::cancelled()) return true;
  unsigned long value = 0;
  if (CtrvMemory::getIndicatorValue(m_indicator, value) != TR_OK) return false;
  return crossesLimit(value);
}

// Only one limit is examined per crossing, so at most one message is logged.
bool CtrvMemoryProgressDelegate::crossesLimit(unsigned long value) {
  if (value < m_minimum) {
    m_limitReached = true;
    logCrossedLimit("minimum", m_minimum);
  } else if (value > m_maximum) {
    m_limitReached = true;
    logCrossedLimit("maximum", m_maximum);
  }
  return m_limitReached;
}

void CtrvMemoryProgressDelegate::indicator(CtrvMemory::Indicator indicator) {
  m_indicator = indicator;
}

CtrvMemory::Indicator CtrvMemoryProgressDelegate::indicator() const { return m_indicator; }

void CtrvMemoryProgressDelegate::minimum(unsigned long minimum) { m_minimum = minimum; }

unsigned long CtrvMemoryProgressDelegate::minimum() const { return m_minimum; }

void CtrvMemoryProgressDelegate::maximum(unsigned long maximum) { m_maximum = maximum; }

unsigned long CtrvMemoryProgressDelegate::maximum() const { return m_maximum; }

unsigned long CtrvMemoryProgressDelegate::minIndicatorValue() { return 0ul; }

unsigned long CtrvMemoryProgressDelegate::maxIndicatorValue() {
  return std::numeric_limits<unsigned long>::max();
}
