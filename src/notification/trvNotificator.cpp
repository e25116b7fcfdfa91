#include "CtrvNotificator.h"

#include <algorithm>
#include <boost/container/small_vector.hpp>
#include <locale>
#include <sstream>

#include "CtrvLogManager.h"
#include "notification/trvNotificationIdentifiers.h"
#include "platform/trvPlatformClassName.h"

namespace {

using Callback = boost::shared_ptr<CtrvBaseNotificationCallback>;
using FilteredCallback = std::pair<boost::weak_ptr<void>, Callback>;

// Filtered subscriptions are ordered by the identity of their sender's
// ownership, compared here with a plain or a shared sender.
struct SenderOrder {
  template <class Sender>
  bool operator()(const FilteredCallback& subscription, const Sender& sender) const {
    return subscription.first.owner_before(sender);
  }
  template <class Sender>
  bool operator()(const Sender& sender, const FilteredCallback& subscription) const {
    return sender.owner_before(subscription.first);
  }
};

template <class Subscriptions, class Sender>
auto subscriptionsFrom(Subscriptions& oneSender, const Sender& sender) {
  return std::equal_range(oneSender.begin(), oneSender.end(), sender, SenderOrder());
}

// The callbacks of one dispatch, gathered before the first delivery so that
// subscribers may change the tables meanwhile. A few fit inline: a dispatch
// to a handful of subscribers allocates nothing. They are not owned here (that
// would cost two atomic operations each): CtrvNotificator::DispatchScope keeps
// every callback that leaves the tables alive until the dispatch ends.
using GatheredCallbacks = boost::container::small_vector<CtrvBaseNotificationCallback*, 16>;

// Appends the callbacks of `table` that filter on `sender` (when there is
// one: filtered subscriptions always name a sender), then those for any sender.
template <class Table>
void gatherFrom(const Table& table, const boost::shared_ptr<void>& sender,
                GatheredCallbacks& callbacks) {
  if (sender) {
    const auto range = subscriptionsFrom(table.oneSender, sender);
    for (auto entry = range.first; entry != range.second; ++entry) {
      callbacks.push_back(entry->second.get());
    }
  }
  for (const Callback& callback : table.anySender) callbacks.push_back(callback.get());
}

template <class Table>
bool filtersOnSenders(const Table* table) {
  return table != nullptr && !table->oneSender.empty();
}

template <class Tables>
void gatherSubscribers(const Tables& tables, const CtrvNotification& notification,
                       GatheredCallbacks& callbacks) {
  const unsigned int type = notification.type();
  const unsigned int anyType = CtrvNotificator::ANY_TYPE;
  const auto* ofType = type < tables.size() ? &tables[type] : nullptr;
  // A notification of the every-type identifier itself is matched against
  // that table once; doing it again would deliver it twice.
  const auto* ofAnyType = type != anyType && anyType < tables.size() ? &tables[anyType] : nullptr;
  // Only fetched when a subscription filters on senders: taking a shared
  // sender costs two atomic operations.
  boost::shared_ptr<void> sender;
  if (filtersOnSenders(ofType) || filtersOnSenders(ofAnyType)) sender = notification.sender();
  if (ofType != nullptr) gatherFrom(*ofType, sender, callbacks);
  if (ofAnyType != nullptr) gatherFrom(*ofAnyType, sender, callbacks);
}

Callback& callbackOf(Callback& callback) { return callback; }
Callback& callbackOf(FilteredCallback& subscription) { return subscription.second; }

// Moves the callbacks of `receiver` in [first, last) of `subscriptions` into
// `removed`. Room is made first, so a failed allocation changes nothing.
template <class Subscription, class Position>
void moveOut(std::vector<Subscription>& subscriptions, Position first, Position last,
             void* receiver, std::vector<Callback>& removed) {
  const auto isKept = [receiver](Subscription& subscription) {
    return callbackOf(subscription)->receiver() != receiver;
  };
  const auto staying = static_cast<std::size_t>(std::count_if(first, last, isKept));
  const auto leaving = static_cast<std::size_t>(last - first) - staying;
  if (leaving == 0) return;
  removed.reserve(removed.size() + leaving);
  const auto kept = std::stable_partition(first, last, isKept);
  for (auto entry = kept; entry != last; ++entry) removed.push_back(std::move(callbackOf(*entry)));
  subscriptions.erase(kept, last);
}

// Moves the callbacks of `receiver` out of `table`: those filtering on
// `sender`, or all of them, filtered or not, when it no longer exists.
template <class Table>
void removeFrom(Table& table, const boost::weak_ptr<void>& sender, void* receiver,
                std::vector<Callback>& removed) {
  auto& oneSender = table.oneSender;
  if (!sender.expired()) {
    const auto range = subscriptionsFrom(oneSender, sender);
    moveOut(oneSender, range.first, range.second, receiver, removed);
    return;
  }
  moveOut(oneSender, oneSender.begin(), oneSender.end(), receiver, removed);
  moveOut(table.anySender, table.anySender.begin(), table.anySender.end(), receiver, removed);
}

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

// Marks a dispatch of a notificator in progress; when the outermost one ends,
// normally or by an exception, the callbacks retired meanwhile are released.
class CtrvNotificator::DispatchScope {
 public:
  explicit DispatchScope(const CtrvNotificator& notificator) : m_notificator(notificator) {
    ++m_notificator.m_dispatchDepth;
  }
  ~DispatchScope() {
    if (--m_notificator.m_dispatchDepth > 0) return;
    if (!m_notificator.m_retired.empty()) releaseRetired();
    if (m_notificator.m_orphaned) delete &m_notificator;
  }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

 private:
  void releaseRetired() {
    // Released from a local: their destructors may call back into the notificator.
    std::vector<Callback> released;
    released.swap(m_notificator.m_retired);
  }

  const CtrvNotificator& m_notificator;
};

// Deletes a notificator when its last owner lets go, or, during one of its
// dispatches, leaves that to the end of the outermost dispatch. Holding an
// owning reference across each notify would do the same at the price of two
// atomic operations per dispatch.
struct CtrvNotificator::Deleter {
  void operator()(CtrvNotificator* notificator) const {
    if (notificator->m_dispatchDepth > 0) {
      notificator->m_orphaned = true;
    } else {
      delete notificator;
    }
  }
};

const unsigned int CtrvNotificator::ANY_TYPE = trvAnyTypeIdentifier();
unsigned int CtrvNotificator::s_dispatchId = 0;
boost::shared_ptr<CtrvNotificator> CtrvNotificator::s_defaultNotificator;

CtrvNotificator::CtrvNotificator() : m_doesLog(false), m_dispatchDepth(0), m_orphaned(false) {}

CtrvNotificator::CtrvNotificator(const CtrvNotificator& other)
    : m_self(other.m_self),
      m_tables(other.m_tables),
      m_delegate(other.m_delegate),
      m_doesLog(other.m_doesLog),
      m_dispatchDepth(0),
      m_orphaned(false) {}

CtrvNotificator& CtrvNotificator::operator=(const CtrvNotificator& other) {
  if (this == &other) return *this;
  std::vector<Table> tables = other.m_tables;
  if (m_dispatchDepth > 0) retireTables();
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
  boost::shared_ptr<CtrvNotificator> notificator(new CtrvNotificator(), Deleter());
  notificator->init(notificator, delegate);
  return notificator;
}

boost::shared_ptr<CtrvNotificator> CtrvNotificator::defaultNotificator() {
  if (!s_defaultNotificator) s_defaultNotificator = create();
  return s_defaultNotificator;
}

void CtrvNotificator::notify(unsigned int type) const {
  // Moved into its const form: a converted copy would cost two atomic operations.
  const boost::shared_ptr<const CtrvNotification> notification(CtrvNotification::create(type));
  notify(notification);
}

void CtrvNotificator::notify(const boost::shared_ptr<const CtrvNotification>& notification) const {
  if (!notification) return;
  // First in, last out: a subscriber may release the last reference to this
  // notificator, which is then deleted when the scope ends.
  const DispatchScope scope(*this);
  const unsigned int dispatchId = s_dispatchId++;
  if (m_doesLog) logReceive(dispatchId, *notification);
  GatheredCallbacks callbacks;
  gatherSubscribers(m_tables, *notification, callbacks);
  bool somebodyReceived = false;
  for (CtrvBaseNotificationCallback* callback : callbacks) {
    if (m_doesLog) {
      logDispatch(dispatchId, *callback);
      // Only the nobody line needs to know, so one active callback is enough.
      if (!somebodyReceived) somebodyReceived = callback->isActive();
    }
    callback->deliver(notification);
  }
  if (m_doesLog && !somebodyReceived) logNobody(dispatchId);
  const boost::shared_ptr<CtrvNotificator> delegate = m_delegate;
  if (delegate) delegate->notify(notification);
}

void CtrvNotificator::subscribe(unsigned int type,
                                const boost::shared_ptr<CtrvBaseNotificationCallback>& callback) {
  subscribe(type, boost::weak_ptr<void>(), callback);
}

void CtrvNotificator::subscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                                const boost::shared_ptr<CtrvBaseNotificationCallback>& callback) {
  if (!callback) return;
  if (m_tables.size() <= type) m_tables.resize(static_cast<std::size_t>(type) + 1);
  Table& table = m_tables[type];
  if (sender.empty()) {
    table.anySender.push_back(callback);
  } else {
    auto& oneSender = table.oneSender;
    const auto after = std::upper_bound(oneSender.begin(), oneSender.end(), sender, SenderOrder());
    oneSender.emplace(after, sender, callback);
  }
  callback->setActive(true);
}

trStatus CtrvNotificator::unsubscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                                      void* receiver) {
  // During a dispatch the removed callbacks are retired, not released.
  std::vector<Callback> released;
  std::vector<Callback>& removed = m_dispatchDepth > 0 ? m_retired : released;
  const std::size_t before = removed.size();
  if (type == ANY_TYPE) {
    for (Table& table : m_tables) removeFrom(table, sender, receiver, removed);
  } else if (type < m_tables.size()) {
    removeFrom(m_tables[type], sender, receiver, removed);
  }
  const std::size_t after = removed.size();
  // Switched off once out of the tables, so a callback reacting to it finds
  // them consistent. Indices, since a reaction may retire more callbacks.
  for (std::size_t index = before; index < after; ++index) removed[index]->setActive(false);
  return after > before ? TR_OK : TR_ERROR;
}

void CtrvNotificator::retireTables() {
  std::size_t count = m_retired.size();
  for (const Table& table : m_tables) count += table.anySender.size() + table.oneSender.size();
  m_retired.reserve(count);
  for (const Table& table : m_tables) {
    m_retired.insert(m_retired.end(), table.anySender.begin(), table.anySender.end());
    for (const FilteredCallback& subscription : table.oneSender) {
      m_retired.push_back(subscription.second);
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
