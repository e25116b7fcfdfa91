#include "CtrvNotificator.h"

#include <boost/container/small_vector.hpp>
#include <locale>
#include <sstream>
#include <tuple>

#include "CtrvLogManager.h"
#include "notification/trvNotificationIdentifiers.h"
#include "platform/trvPlatformClassName.h"

// The callbacks of one dispatch, gathered before the first delivery so that
// subscribers may change the tables meanwhile. A few fit inline: a dispatch
// to a handful of subscribers allocates nothing.
class CtrvNotificator::GatheredCallbacks
    : public boost::container::small_vector<CtrvNotificator::Callback, 16> {};

namespace {

const boost::shared_ptr<void> kNoSender;

std::string classNameOf(const std::type_info* type) {
  return type != nullptr ? trvPlatform::className(*type) : std::string("?");
}

// A trace line starting with "(<dispatch id>) ", numbers and addresses
// written as the classic locale writes them.
std::ostringstream startTraceLine(unsigned int dispatchId) {
  std::ostringstream line;
  line.imbue(std::locale::classic());
  line << '(' << dispatchId << ") ";
  return line;
}

void writeTraceLine(const std::ostringstream& line) { CtrvLogManager::addInfo(line.str()); }

}  // namespace

const unsigned int CtrvNotificator::ANY_TYPE = trvAnyTypeIdentifier();
unsigned int CtrvNotificator::s_dispatchId = 0;
boost::shared_ptr<CtrvNotificator> CtrvNotificator::s_defaultNotificator;

CtrvNotificator::CtrvNotificator() : m_doesLog(false) {}

CtrvNotificator::CtrvNotificator(const CtrvNotificator& other) = default;

CtrvNotificator& CtrvNotificator::operator=(const CtrvNotificator& other) {
  if (this == &other) return *this;
  std::vector<Table> tables = other.m_tables;
  m_self = other.m_self;
  m_tables.swap(tables);
  if (!other.m_delegate || !other.m_delegate->hasInChain(this)) m_delegate = other.m_delegate;
  m_doesLog = other.m_doesLog;
  return *this;
}

CtrvNotificator::~CtrvNotificator() = default;

void CtrvNotificator::init(const boost::weak_ptr<CtrvNotificator>& self,
                           const boost::shared_ptr<CtrvNotificator>& delegate) {
  m_self = self;
  m_delegate = delegate;
}

boost::shared_ptr<CtrvNotificator> CtrvNotificator::create() {
  return create(boost::shared_ptr<CtrvNotificator>());
}

boost::shared_ptr<CtrvNotificator> CtrvNotificator::create(
    const boost::shared_ptr<CtrvNotificator>& delegate) {
  boost::shared_ptr<CtrvNotificator> notificator(new CtrvNotificator());
  notificator->init(notificator, delegate);
  return notificator;
}

boost::shared_ptr<CtrvNotificator> CtrvNotificator::defaultNotificator() {
  if (!s_defaultNotificator) s_defaultNotificator = create();
  return s_defaultNotificator;
}

void CtrvNotificator::notify(unsigned int type) const { notify(CtrvNotification::create(type)); }

void CtrvNotificator::notify(const boost::shared_ptr<const CtrvNotification>& notification) const {
  if (!notification) return;
  // A subscriber may release the last reference to this notificator.
  const boost::shared_ptr<CtrvNotificator> keepAlive = m_self.lock();
  const unsigned int dispatchId = s_dispatchId++;
  if (m_doesLog) logReceive(dispatchId, *notification);
  GatheredCallbacks callbacks;
  gatherSubscribers(*notification, callbacks);
  deliver(dispatchId, callbacks, notification);
  const boost::shared_ptr<CtrvNotificator> delegate = m_delegate;
  if (delegate) delegate->notify(notification);
}

void CtrvNotificator::gatherSubscribers(const CtrvNotification& notification,
                                        GatheredCallbacks& callbacks) const {
  const boost::shared_ptr<void> sender = notification.sender();
  const SenderProbe fromSender{true, sender};
  const SenderProbe fromAnySender{false, kNoSender};
  const unsigned int type = notification.type();
  // Filtered subscriptions always name a sender, so without one there is
  // nothing to find in the filtered passes.
  if (sender) gatherFilters(type, fromSender, callbacks);
  gatherFilters(type, fromAnySender, callbacks);
  if (sender) gatherFilters(ANY_TYPE, fromSender, callbacks);
  gatherFilters(ANY_TYPE, fromAnySender, callbacks);
}

void CtrvNotificator::gatherFilters(unsigned int type, const SenderProbe& filter,
                                    GatheredCallbacks& callbacks) const {
  if (type >= m_tables.size()) return;
  const auto range = m_tables[type].equal_range(filter);
  for (auto entry = range.first; entry != range.second; ++entry) callbacks.push_back(entry->second);
}

void CtrvNotificator::deliver(unsigned int dispatchId, const GatheredCallbacks& callbacks,
                              const boost::shared_ptr<const CtrvNotification>& notification) const {
  bool somebodyReceived = false;
  for (const Callback& callback : callbacks) {
    if (m_doesLog) logDispatch(dispatchId, *callback);
    if (callback->isActive()) somebodyReceived = true;
    callback->deliver(notification);
  }
  if (m_doesLog && !somebodyReceived) logNobody(dispatchId);
}

void CtrvNotificator::subscribe(unsigned int type,
                                const boost::shared_ptr<CtrvBaseNotificationCallback>& callback) {
  subscribe(type, boost::weak_ptr<void>(), callback);
}

void CtrvNotificator::subscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                                const boost::shared_ptr<CtrvBaseNotificationCallback>& callback) {
  if (!callback) return;
  if (m_tables.size() <= type) m_tables.resize(static_cast<std::size_t>(type) + 1);
  // A multimap inserts after the entries with an equal key.
  m_tables[type].emplace(SenderFilter(!sender.empty(), sender), callback);
  callback->setActive(true);
}

trStatus CtrvNotificator::unsubscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                                      void* receiver) {
  GatheredCallbacks removed;
  if (type == ANY_TYPE) {
    for (Table& table : m_tables) removeFrom(table, sender, receiver, removed);
  } else if (type < m_tables.size()) {
    removeFrom(m_tables[type], sender, receiver, removed);
  }
  // Switched off once out of the tables, so a callback reacting to it finds
  // the tables consistent.
  for (const Callback& callback : removed) callback->setActive(false);
  return removed.empty() ? TR_ERROR : TR_OK;
}

void CtrvNotificator::removeFrom(Table& table, const boost::weak_ptr<void>& sender, void* receiver,
                                 GatheredCallbacks& removed) {
  // Without a living sender every entry is examined, filtered or not.
  auto entry = table.begin();
  auto end = table.end();
  if (!sender.expired()) std::tie(entry, end) = table.equal_range(SenderFilter(true, sender));
  while (entry != end) {
    if (entry->second->receiver() == receiver) {
      removed.push_back(entry->second);
      entry = table.erase(entry);
    } else {
      ++entry;
    }
  }
}

trStatus CtrvNotificator::unsubscribe(unsigned int type, void* receiver) {
  return unsubscribe(type, boost::weak_ptr<void>(), receiver);
}

trStatus CtrvNotificator::unsubscribe(const boost::weak_ptr<void>& sender, void* receiver) {
  return unsubscribe(ANY_TYPE, sender, receiver);
}

trStatus CtrvNotificator::unsubscribe(void* receiver) {
  return unsubscribe(ANY_TYPE, boost::weak_ptr<void>(), receiver);
}

boost::shared_ptr<CtrvNotificator> CtrvNotificator::delegateNotificator() const {
  return m_delegate;
}

trStatus CtrvNotificator::delegateNotificator(const boost::shared_ptr<CtrvNotificator>& delegate) {
  if (delegate && delegate->hasInChain(this)) return TR_ERROR;
  m_delegate = delegate;
  return TR_OK;
}

bool CtrvNotificator::hasInChain(const CtrvNotificator* notificator) const {
  for (const CtrvNotificator* link = this; link != nullptr; link = link->m_delegate.get()) {
    if (link == notificator) return true;
  }
  return false;
}

bool CtrvNotificator::doesLog() const { return m_doesLog; }

void CtrvNotificator::doesLog(bool flag, bool propagate) {
  m_doesLog = flag;
  if (propagate && m_delegate) m_delegate->doesLog(flag, true);
}

void CtrvNotificator::logReceive(unsigned int dispatchId,
                                 const CtrvNotification& notification) const {
  std::ostringstream line = startTraceLine(dispatchId);
  line << "Notificator " << static_cast<const void*>(this) << " will dispatch "
       << CtrvNotification::nameFromType(notification.type());
  // The plain sender is shown in preference: it is the only trace of it.
  const boost::shared_ptr<void> sender = notification.sender();
  const void* shown = notification.rawSender() != nullptr ? notification.rawSender() : sender.get();
  if (shown != nullptr) {
    line << " (sender: " << classNameOf(notification.senderClass()) << ' ' << shown << ')';
  }
  line << " to...";
  writeTraceLine(line);
}

void CtrvNotificator::logDispatch(unsigned int dispatchId,
                                  const CtrvBaseNotificationCallback& callback) const {
  if (!callback.isActive()) return;
  std::ostringstream line = startTraceLine(dispatchId);
  line << "... ";
  const void* receiver = callback.receiver();
  if (receiver != nullptr) line << classNameOf(callback.receiverClass()) << ' ' << receiver;
  writeTraceLine(line);
}

void CtrvNotificator::logNobody(unsigned int dispatchId) {
  std::ostringstream line = startTraceLine(dispatchId);
  line << "... nobody.";
  writeTraceLine(line);
}
