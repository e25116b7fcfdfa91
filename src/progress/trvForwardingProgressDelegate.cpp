// SPDX-License-Identifier: MIT
#include "CtrvForwardingProgressDelegate.h"

#include <utility>

boost::shared_ptr<CtrvForwardingProgressDelegate> CtrvForwardingProgressDelegate::create(
    boost::shared_ptr<CtrvProgressDelegate> embedded) {
  if (!embedded) return boost::shared_ptr<CtrvForwardingProgressDelegate>();
  return boost::shared_ptr<CtrvForwardingProgressDelegate>(
      new CtrvForwardingProgressDelegate(std::move(embedded)));
}

CtrvForwardingProgressDelegate::CtrvForwardingProgressDelegate(
    boost::shared_ptr<CtrvProgressDelegate> embedded)
    : CtrvChainedProgressDelegate(embedded),
      m_min(0.0f),
      m_max(1.0f),
      m_preventStart(false),
      m_preventFinish(false) {}

CtrvForwardingProgressDelegate::~CtrvForwardingProgressDelegate() = default;

CtrvForwardingProgressDelegate::CtrvForwardingProgressDelegate(
    const CtrvForwardingProgressDelegate& other) = default;

CtrvForwardingProgressDelegate& CtrvForwardingProgressDelegate::operator=(
    const CtrvForwardingProgressDelegate& other) = default;

void CtrvForwardingProgressDelegate::report(float progress, const std::string& message) {
  const double span = static_cast<double>(m_max) - static_cast<double>(m_min);
  const double mapped = span * static_cast<double>(progress) + static_cast<double>(m_min);
  CtrvChainedProgressDelegate::report(static_cast<float>(mapped), message);
}

void CtrvForwardingProgressDelegate::start() {
  if (!m_preventStart) CtrvChainedProgressDelegate::start();
}

void CtrvForwardingProgressDelegate::finish() {
  if (!m_preventFinish) CtrvChainedProgressDelegate::finish();
}

void CtrvForwardingProgressDelegate::min(float value) { m_min = value; }

float CtrvForwardingProgressDelegate::min() const { return m_min; }

void CtrvForwardingProgressDelegate::max(float value) { m_max = value; }

float CtrvForwardingProgressDelegate::max() const { return m_max; }

void CtrvForwardingProgressDelegate::preventStart(bool prevent) { m_preventStart = prevent; }

bool CtrvForwardingProgressDelegate::preventStart() const { return m_preventStart; }

void CtrvForwardingProgressDelegate::preventFinish(bool prevent) { m_preventFinish = prevent; }

bool CtrvForwardingProgressDelegate::preventFinish() const { return m_preventFinish; }
