// SPDX-License-Identifier: MIT
#include "CtrvChainedProgressDelegate.h"

// Each operation holds the reference returned by the virtual getter until it
// returns, and falls back on the plain delegate's behaviour when it is empty.

CtrvChainedProgressDelegate::CtrvChainedProgressDelegate(
    const boost::shared_ptr<CtrvProgressDelegate>& embedded)
    : m_embedded(embedded) {}

CtrvChainedProgressDelegate::~CtrvChainedProgressDelegate() = default;

CtrvChainedProgressDelegate::CtrvChainedProgressDelegate(const CtrvChainedProgressDelegate& other) =
    default;

CtrvChainedProgressDelegate& CtrvChainedProgressDelegate::operator=(
    const CtrvChainedProgressDelegate& other) {
  CtrvProgressDelegate::operator=(other);
  // Taking over a delegate that leads back here would make a loop: keep ours.
  if (!leadsTo(other.m_embedded.get(), this)) m_embedded = other.m_embedded;
  return *this;
}

bool CtrvChainedProgressDelegate::nextStep() {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->nextStep() : CtrvProgressDelegate::nextStep();
}

unsigned int CtrvChainedProgressDelegate::step() const {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->step() : CtrvProgressDelegate::step();
}

void CtrvChainedProgressDelegate::report(float progress, const std::string& message) {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  if (embedded) embedded->report(progress, message);
}

void CtrvChainedProgressDelegate::refresh() {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  if (embedded) embedded->refresh();
}

void CtrvChainedProgressDelegate::start() {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  embedded ? embedded->start() : CtrvProgressDelegate::start();
}

void CtrvChainedProgressDelegate::finish() {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  embedded ? embedded->finish() : CtrvProgressDelegate::finish();
}

bool CtrvChainedProgressDelegate::shouldReport() {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->shouldReport() : CtrvProgressDelegate::shouldReport();
}

bool CtrvChainedProgressDelegate::cancelled() {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->cancelled() : CtrvProgressDelegate::cancelled();
}

void CtrvChainedProgressDelegate::cancellable(bool isCancellable) {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  embedded ? embedded->cancellable(isCancellable)
           : CtrvProgressDelegate::cancellable(isCancellable);
}

bool CtrvChainedProgressDelegate::cancellable() const {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->cancellable() : CtrvProgressDelegate::cancellable();
}

void CtrvChainedProgressDelegate::stepCount(unsigned int count) {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  embedded ? embedded->stepCount(count) : CtrvProgressDelegate::stepCount(count);
}

unsigned int CtrvChainedProgressDelegate::stepCount() const {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->stepCount() : CtrvProgressDelegate::stepCount();
}

bool CtrvChainedProgressDelegate::hasStarted() const {
  const boost::shared_ptr<CtrvProgressDelegate> embedded = embeddedProgressDelegate();
  return embedded ? embedded->hasStarted() : CtrvProgressDelegate::hasStarted();
}

void CtrvChainedProgressDelegate::embeddedProgressDelegate(
    const boost::shared_ptr<CtrvProgressDelegate>& delegate) {
  // A chain that led back here would pass every call on without end.
  if (leadsTo(delegate.get(), this)) return;
  m_embedded = delegate;
}

bool CtrvChainedProgressDelegate::leadsTo(const CtrvProgressDelegate* link,
                                          const CtrvProgressDelegate* target) {
  while (link != nullptr) {
    if (link == target) return true;
    const auto* chained = dynamic_cast<const CtrvChainedProgressDelegate*>(link);
    link = chained != nullptr ? chained->embeddedProgressDelegate().get() : nullptr;
  }
  return false;
}

boost::shared_ptr<CtrvProgressDelegate> CtrvChainedProgressDelegate::embeddedProgressDelegate()
    const {
  return m_embedded;
}
