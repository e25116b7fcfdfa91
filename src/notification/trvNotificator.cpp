#include "CtrvNotificator.h"

#include <algorithm>
#include <boost/container/small_vector.hpp>
#include <locale>
#include <sstream>
#include <tuple>

#include "CtrvLogManager.h"
#include "notification/trvNotificationIdentifiers.h"
#include "platform/trvPlatformClassName.h"

namespace {

using Callback = boost::shared_ptr<CtrvBaseNotificationCallback>;
using SenderFilter = std::pair<bool, boost::weak_ptr<void>>;
using Subscription = std::pair<SenderFilter, Callback>;

// The filter of a posted notification's sender, looked up without copying it.
struct SenderProbe {
  bool filtered;
  const boost::shared_ptr<void>& sender;
};

bool isFiltered(const SenderFilter& filter) { return filter.first; }
bool isFiltered(const Subscription& subscription) { return subscription.first.first; }
bool isFiltered(const SenderProbe& probe) { return probe.filtered; }
const boost::weak_ptr<void>& senderOf(const SenderFilter& filter) { return filter.second; }
const boost::weak_ptr<void>& senderOf(const Subscription& subscription) {
  return subscription.first.second;
}
const boost::shared_ptr<void>& senderOf(const SenderProbe& probe) { return probe.sender; }

// The order of a subscription table: unfiltered before filtered, then by the
// identity of the sender's ownership (an expired sender keeps its place).
struct FilterOrder {
  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    if (isFiltered(a) != isFiltered(b)) return isFiltered(b);
    return senderOf(a).owner_before(senderOf(b));
  }
};

const boost::shared_ptr<void> kNoSender;

// The callbacks of one dispatch, gathered before the first delivery so that
// subscribers may change the tables meanwhile. A few fit inline: a dispatch
// to a handful of subscribers allocates nothing. They are not owned here (that
// would cost two atomic operations each): CtrvNotificator::DispatchScope keeps
// every callback that leaves the tables alive until the dispatch ends.
using GatheredCallbacks = boost::container::small_vector<CtrvBaseNotificationCallback*, 16>;

// Appends the callbacks of table `type` whose filter equals `filter`.
template <class Tables>
void gatherFilters(const Tables& tables, unsigned int type, const SenderProbe& filter,
                   GatheredCallbacks& callbacks) {
  if (type >= tables.size()) return;
  const auto& table = tables[type];
  const auto range = std::equal_range(table.begin(), table.end(), filter, FilterOrder());
  for (auto entry = range.first; entry != range.second; ++entry) {
    callbacks.push_back(entry->second.get());
  }
}

template <class Tables>
void gatherSubscribers(const Tables& tables, const CtrvNotification& notification,
                       GatheredCallbacks& callbacks) {
  const boost::shared_ptr<void> sender = notification.sender();
  const SenderProbe fromSender{true, sender};
  const SenderProbe fromAnySender{false, kNoSender};
  const unsigned int type = notification.type();
  // Filtered subscriptions always name a sender, so without one there is
  // nothing to find in the filtered passes.
  if (sender) gatherFilters(tables, type, fromSender, callbacks);
  gatherFilters(tables, type, fromAnySender, callbacks);
  // A notification of the every-type identifier itself has just been matched
  // against that table; doing it again would deliver it twice.
  if (type == CtrvNotificator::ANY_TYPE) return;
  if (sender) gatherFilters(tables, CtrvNotificator::ANY_TYPE, fromSender, callbacks);
  gatherFilters(tables, CtrvNotificator::ANY_TYPE, fromAnySender, callbacks);
}

// Moves the subscriptions of `receiver` out of `table` into `removed`: those
// filtering on `sender`, or all of them when it no longer exists.
template <class Table>
void removeFrom(Table& table, const boost::weak_ptr<void>& sender, void* receiver,
                std::vector<Callback>& removed) {
  auto first = table.begin();
  auto last = table.end();
  if (!sender.expired()) {
    std::tie(first, last) =
        std::equal_range(first, last, SenderFilter(true, sender), FilterOrder());
  }
  const auto kept = std::stable_partition(first, last, [&](const Subscription& subscription) {
    return subscription.second->receiver() != receiver;
  });
  for (auto entry = kept; entry != last; ++entry) removed.push_back(std::move(entry->second));
  table.erase(kept, last);
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
    releaseRetired();
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
  m_self = other.m_self;
  m_tables.swap(tables);
  if (m_dispatchDepth > 0) {
    std::vector<Callback> previous;
    for (const Table& table : tables) {
      for (const Subscription& subscription : table) previous.push_back(subscription.second);
    }
    retire(previous);
  }
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

void CtrvNotificator::notify(unsigned int type) const { notify(CtrvNotification::create(type)); }

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
    if (m_doesLog) logDispatch(dispatchId, *callback);
    // Only the nobody line needs to know, so one active callback is enough.
    if (!somebodyReceived) somebodyReceived = callback->isActive();
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
  SenderFilter filter(!sender.empty(), sender);
  const auto after = std::upper_bound(table.begin(), table.end(), filter, FilterOrder());
  table.emplace(after, std::move(filter), callback);
  callback->setActive(true);
}

trStatus CtrvNotificator::unsubscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                                      void* receiver) {
  std::vector<Callback> removed;
  if (type == ANY_TYPE) {
    for (Table& table : m_tables) removeFrom(table, sender, receiver, removed);
  } else if (type < m_tables.size()) {
    removeFrom(m_tables[type], sender, receiver, removed);
  }
  // Switched off once out of the tables, so a callback reacting to it finds
  // the tables consistent.
  for (const Callback& callback : removed) callback->setActive(false);
  const trStatus result = removed.empty() ? TR_ERROR : TR_OK;
  retire(removed);
  return result;
}

void CtrvNotificator::retire(std::vector<Callback>& callbacks) {
  if (m_dispatchDepth == 0) return;
  m_retired.insert(m_retired.end(), callbacks.begin(), callbacks.end());
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
