// SPDX-License-Identifier: MIT
#include "CtrvNotifyingProgressDelegate.h"

#include "CtrvNotification.h"
#include "CtrvNotificator.h"

// CtrvNotification::makeID numbers identifiers in the order of its calls:
// 1 is CtrvNotificator::ANY_TYPE, which the identifier registry records when
// it comes into being, and the progress events are the next five, 2 to 6,
// because their names are the first ones recorded (below). The numbers are
// written out, so they hold from the start, even for a client's static
// initialisers that run before the library's.
const unsigned int CtrvNotifyingProgressDelegate::DID_START = 2;
const unsigned int CtrvNotifyingProgressDelegate::DID_FINISH = 3;
const unsigned int CtrvNotifyingProgressDelegate::DID_CHANGE_STEP = 4;
const unsigned int CtrvNotifyingProgressDelegate::DID_REFRESH = 5;
const unsigned int CtrvNotifyingProgressDelegate::DID_REPORT = 6;

// Initialised before every initialiser without a priority (101 is the first
// priority left to programs). A shared library is initialised before the
// program that uses it anyway; linked statically, the library's files and the
// program's are initialised in an order C++ leaves open, in practice the
// program's first, and a client identifier made there would take 2.
#define TRV_INITIALISED_FIRST __attribute__((init_priority(101)))

namespace {

// Records the names of the five identifiers above, in their order, as the
// first identifiers made after ANY_TYPE.
struct ProgressIdentifierNames {
  ProgressIdentifierNames() {
    for (const char* name :
         {"DID_START", "DID_FINISH", "DID_CHANGE_STEP", "DID_REFRESH", "DID_REPORT"}) {
      CtrvNotification::makeID("CtrvNotifyingProgressDelegate", name);
    }
  }
};

TRV_INITIALISED_FIRST const ProgressIdentifierNames g_progressIdentifierNames;

}  // namespace

TRV_INITIALISED_FIRST const std::string CtrvNotifyingProgressDelegate::STEP_KEY = "step";
TRV_INITIALISED_FIRST const std::string CtrvNotifyingProgressDelegate::PROGRESS_KEY = "progress";
TRV_INITIALISED_FIRST const std::string CtrvNotifyingProgressDelegate::MESSAGE_KEY = "message";

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
