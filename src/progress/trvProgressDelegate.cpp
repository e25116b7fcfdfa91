// SPDX-License-Identifier: MIT
#include "CtrvProgressDelegate.h"

CtrvProgressDelegate::CtrvProgressDelegate()
    : m_stepCount(1), m_cancellable(false), m_started(false), m_step(0) {}

CtrvProgressDelegate::~CtrvProgressDelegate() = default;

CtrvProgressDelegate::CtrvProgressDelegate(const CtrvProgressDelegate& other) = default;

CtrvProgressDelegate& CtrvProgressDelegate::operator=(const CtrvProgressDelegate& other) = default;

bool CtrvProgressDelegate::nextStep() {
  // Both read through the virtual getters. The step after the largest
  // unsigned value is the count, not 0: the step never climbs past the count
  // and never wraps back to the beginning.
  const unsigned int count = stepCount();
  const unsigned int current = step();
  m_step = current < count ? current + 1u : count;
  return true;
}

unsigned int CtrvProgressDelegate::step() const { return m_step; }

void CtrvProgressDelegate::report(float, const std::string&) {}

void CtrvProgressDelegate::refresh() {}

void CtrvProgressDelegate::start() {
  m_started = true;
  m_step = 0;
}

void CtrvProgressDelegate::finish() { m_started = false; }

bool CtrvProgressDelegate::shouldReport() { return true; }

bool CtrvProgressDelegate::cancelled() { return false; }

void CtrvProgressDelegate::cancellable(bool isCancellable) { m_cancellable = isCancellable; }

bool CtrvProgressDelegate::cancellable() const { return m_cancellable; }

void CtrvProgressDelegate::stepCount(unsigned int count) { m_stepCount = count; }

unsigned int CtrvProgressDelegate::stepCount() const { return m_stepCount; }

bool CtrvProgressDelegate::hasStarted() const { return m_started; }
