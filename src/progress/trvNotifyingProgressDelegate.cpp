#include "CtrvNotifyingProgressDelegate.h"

#include "CtrvNotification.h"
#include "CtrvNotificator.h"
#include "notification/trvNotificationIdentifiers.h"

// These identifiers come right after the "every type" identifier, in this
// order, whatever order the linker gives the translation units: the first
// initialiser makes sure that identifier exists before making its own.
const unsigned int CtrvNotifyingProgressDelegate::DID_START =
    (trvAnyTypeIdentifier(),
     CtrvNotification::makeID("CtrvNotifyingProgressDelegate", "DID_START"));
const unsigned int CtrvNotifyingProgressDelegate::DID_FINISH =
    CtrvNotification::makeID("CtrvNotifyingProgressDelegate", "DID_FINISH");
const unsigned int CtrvNotifyingProgressDelegate::DID_CHANGE_STEP =
    CtrvNotification::makeID("CtrvNotifyingProgressDelegate", "DID_CHANGE_STEP");
const unsigned int CtrvNotifyingProgressDelegate::DID_REFRESH =
    CtrvNotification::makeID("CtrvNotifyingProgressDelegate", "DID_REFRESH");
const unsigned int CtrvNotifyingProgressDelegate::DID_REPORT =
    CtrvNotification::makeID("CtrvNotifyingProgressDelegate", "DID_REPORT");
const std::string CtrvNotifyingProgressDelegate::STEP_KEY = "step";
const std::string CtrvNotifyingProgressDelegate::PROGRESS_KEY = "progress";
const std::string CtrvNotifyingProgressDelegate::MESSAGE_KEY = "message";

boost::shared_ptr<CtrvNotifyingProgressDelegate> CtrvNotifyingProgressDelegate::create() {
  const boost::shared_ptr<CtrvNotifyingProgressDelegate> delegate(
      new CtrvNotifyingProgressDelegate());
  delegate->init(delegate);
  return delegate;
}

CtrvNotifyingProgressDelegate::CtrvNotifyingProgressDelegate()
    : m_lastProgress(0.0),
      m_shouldReport(true),
      m_cancelled(false),
      m_notificator(CtrvNotificator::create()) {}

trStatus CtrvNotifyingProgressDelegate::init(
    const boost::weak_ptr<CtrvNotifyingProgressDelegate>& self) {
  m_self = self;
  return TR_OK;
}

CtrvNotifyingProgressDelegate::~CtrvNotifyingProgressDelegate() = default;

CtrvNotifyingProgressDelegate::CtrvNotifyingProgressDelegate(
    const CtrvNotifyingProgressDelegate& other) = default;

CtrvNotifyingProgressDelegate& CtrvNotifyingProgressDelegate::operator=(
    const CtrvNotifyingProgressDelegate& other) = default;

bool CtrvNotifyingProgressDelegate::nextStep() {
  const bool advanced = CtrvProgressDelegate::nextStep();
  if (advanced) {
    const boost::shared_ptr<CtrvNotification> notification = makeNotification(DID_CHANGE_STEP);
    notification->unsignedIntValue(STEP_KEY, step());
    post(notification);
  }
  return advanced;
}

void CtrvNotifyingProgressDelegate::report(float progress, const std::string& message) {
  m_lastProgress = progress;
  m_lastMessage = message;
  const boost::shared_ptr<CtrvNotification> notification = makeNotification(DID_REPORT);
  notification->doubleValue(PROGRESS_KEY, m_lastProgress);
  notification->stringValue(MESSAGE_KEY, message);
  post(notification);
}

void CtrvNotifyingProgressDelegate::refresh() { post(makeNotification(DID_REFRESH)); }

void CtrvNotifyingProgressDelegate::start() {
  CtrvProgressDelegate::start();
  post(makeNotification(DID_START));
}

void CtrvNotifyingProgressDelegate::finish() {
  CtrvProgressDelegate::finish();
  post(makeNotification(DID_FINISH));
}

bool CtrvNotifyingProgressDelegate::shouldReport() { return m_shouldReport; }

bool CtrvNotifyingProgressDelegate::cancelled() { return m_cancelled; }

void CtrvNotifyingProgressDelegate::shouldReport(bool welcome) { m_shouldReport = welcome; }

void CtrvNotifyingProgressDelegate::cancelled(bool isCancelled) { m_cancelled = isCancelled; }

boost::shared_ptr<CtrvNotificator> CtrvNotifyingProgressDelegate::notificator() const {
  return m_notificator;
}

const std::string& CtrvNotifyingProgressDelegate::lastMessage() const { return m_lastMessage; }

double CtrvNotifyingProgressDelegate::lastProgress() const { return m_lastProgress; }

// The notification owns its sender, so this delegate lives at least as long
// as any notification it posted. Without a self reference (a subclass that
// skipped init) the sender is empty.
boost::shared_ptr<CtrvNotification> CtrvNotifyingProgressDelegate::makeNotification(
    unsigned int type) const {
  return CtrvNotification::create(type, m_self.lock());
}

void CtrvNotifyingProgressDelegate::post(
    const boost::shared_ptr<CtrvNotification>& notification) const {
  const boost::shared_ptr<CtrvNotificator> target = notificator();
  if (target) target->notify(notification);
}
