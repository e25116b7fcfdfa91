// SPDX-License-Identifier: MIT
#include "CtrvNotificator.h"

#include <algorithm>
#include <boost/container/small_vector.hpp>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <memory>
#include <sstream>

#include "CtrvLogManager.h"
#include "notification/trvNotificationIdentifiers.h"
#include "notification/trvSanitizerBuild.h"
#include "platform/trvPlatformClassName.h"

#if TRV_ADDRESS_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

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

// The subscriptions of one table that a notification reaches: those that
// filter on its sender (when it has one: filtered subscriptions always name
// a sender), then those for any sender, in table order.
struct Reached {
  const FilteredCallback* filteredBegin = nullptr;
  const FilteredCallback* filteredEnd = nullptr;
  const Callback* anyBegin = nullptr;
  const Callback* anyEnd = nullptr;

  std::size_t size() const {
    return static_cast<std::size_t>((filteredEnd - filteredBegin) + (anyEnd - anyBegin));
  }
  CtrvBaseNotificationCallback** copyTo(CtrvBaseNotificationCallback** out) const {
    for (const FilteredCallback* entry = filteredBegin; entry != filteredEnd; ++entry) {
      *out++ = entry->second.get();
    }
    for (const Callback* entry = anyBegin; entry != anyEnd; ++entry) *out++ = entry->get();
    return out;
  }
};

template <class Table>
Reached reachedIn(const Table* table, const boost::shared_ptr<void>& sender) {
  Reached reached;
  if (table == nullptr) return reached;
  if (sender) {
    const auto range = subscriptionsFrom(table->oneSender, sender);
    const FilteredCallback* const first = table->oneSender.data();
    reached.filteredBegin = first + (range.first - table->oneSender.begin());
    reached.filteredEnd = first + (range.second - table->oneSender.begin());
  }
  reached.anyBegin = table->anySender.data();
  reached.anyEnd = reached.anyBegin + table->anySender.size();
  return reached;
}

template <class Table>
bool filtersOnSenders(const Table* table) {
  return table != nullptr && !table->oneSender.empty();
}

template <class Table>
bool isEmpty(const Table& table) {
  return table.anySender.empty() && table.oneSender.empty();
}

// The callbacks of one dispatch, gathered before the first delivery so that
// subscribers may change the tables meanwhile. They are counted first, so a
// dispatch to a handful of subscribers copies them to the stack without a
// check per callback and allocates nothing. They are not owned here (that
// would cost two atomic operations each): CtrvNotificator::UseScope keeps
// every callback that leaves the tables alive until the dispatch ends.
class GatheredCallbacks {
 public:
  using Pointer = CtrvBaseNotificationCallback*;

  // For a notification of type t: the subscriptions of table t, then those
  // of the every-type table.
  template <class Tables>
  GatheredCallbacks(const Tables& tables, unsigned int type, const CtrvNotification& notification) {
    const unsigned int anyType = CtrvNotificator::ANY_TYPE;
    const auto* ofType = type < tables.size() ? &tables[type] : nullptr;
    // A notification of the every-type identifier itself is matched against
    // that table once; doing it again would deliver it twice.
    const auto* ofAnyType = type != anyType && anyType < tables.size() ? &tables[anyType] : nullptr;
    // Only fetched when a subscription filters on senders: taking a shared
    // sender costs two atomic operations.
    boost::shared_ptr<void> sender;
    if (filtersOnSenders(ofType) || filtersOnSenders(ofAnyType)) sender = notification.sender();
    const Reached first = reachedIn(ofType, sender);
    const Reached second = reachedIn(ofAnyType, sender);
    const std::size_t count = first.size() + second.size();
    m_begin = m_inline;
    if (count > kInline) {
      m_heap.reset(new Pointer[count]);
      m_begin = m_heap.get();
    }
    m_end = second.copyTo(first.copyTo(m_begin));
  }
  GatheredCallbacks(const GatheredCallbacks&) = delete;
  GatheredCallbacks& operator=(const GatheredCallbacks&) = delete;

  const Pointer* begin() const { return m_begin; }
  const Pointer* end() const { return m_end; }

 private:
  static constexpr std::size_t kInline = 16;
  Pointer m_inline[kInline];
  std::unique_ptr<Pointer[]> m_heap;
  Pointer* m_begin;
  Pointer* m_end;
};

Callback& callbackOf(Callback& callback) { return callback; }
Callback& callbackOf(FilteredCallback& subscription) { return subscription.second; }

// The entries of a group that an unsubscribe examines: all of them, or, for
// the sender-filtered ones when a sender is given, those filtering on it.
auto examined(std::vector<Callback>& anySender, const boost::weak_ptr<void>* /*sender*/) {
  return std::make_pair(anySender.begin(), anySender.end());
}
auto examined(std::vector<FilteredCallback>& oneSender, const boost::weak_ptr<void>* sender) {
  if (sender == nullptr) return std::make_pair(oneSender.begin(), oneSender.end());
  return subscriptionsFrom(oneSender, *sender);
}

// A callback an unsubscribe will switch off and remove, and the group of its
// table it stands in. Owned: client code may remove it from the table first.
struct Selected {
  bool filtered;
  Callback callback;
};
using Selection = boost::container::small_vector<Selected, 4>;

// Appends the examined callbacks of `receiver` in `subscriptions`, in order.
template <class Subscriptions>
void selectEntries(Subscriptions& subscriptions, const boost::weak_ptr<void>* sender,
                   void* receiver, bool filtered, Selection& selection) {
  const auto range = examined(subscriptions, sender);
  for (auto entry = range.first; entry != range.second; ++entry) {
    if (callbackOf(*entry)->receiver() == receiver) {
      selection.push_back(Selected{filtered, callbackOf(*entry)});
    }
  }
}

// Applies `action` to the first examined entry of table `type` holding
// `callback` in the given group; false when there is none (any more).
template <class Tables, class Action>
bool atEntry(Tables& tables, std::size_t type, const boost::weak_ptr<void>* sender, bool filtered,
             const CtrvBaseNotificationCallback& callback, Action action) {
  if (type >= tables.size()) return false;
  const auto visit = [&](auto& subscriptions) {
    const auto range = examined(subscriptions, sender);
    const auto entry = std::find_if(range.first, range.second, [&callback](auto& subscription) {
      return callbackOf(subscription).get() == &callback;
    });
    if (entry == range.second) return false;
    action(subscriptions, entry);
    return true;
  };
  return filtered ? visit(tables[type].oneSender) : visit(tables[type].anySender);
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

// Marks a notify or unsubscribe call of a notificator in progress; both run
// client code, which may release the last owner of the notificator. When the
// outermost call ends, normally or by an exception, the callbacks retired
// meanwhile are released while it still counts as in progress: client code
// run by their destructors may post, subscribe, unsubscribe and let go of the
// notificator without ending the call a second time or deleting the
// notificator under it. Only then is an orphaned notificator deleted, once.
class CtrvNotificator::UseScope {
 public:
  explicit UseScope(const CtrvNotificator& notificator) : m_notificator(notificator) {
    ++m_notificator.m_useDepth;
  }
  ~UseScope() {
    if (__builtin_expect(m_notificator.m_useDepth > 1, 0)) {
      --m_notificator.m_useDepth;
      return;
    }
    if (__builtin_expect(!m_notificator.m_retired.empty(), 0)) m_notificator.releaseRetired();
    m_notificator.m_useDepth = 0;
    if (__builtin_expect(m_notificator.m_orphaned, 0)) delete &m_notificator;
  }
  UseScope(const UseScope&) = delete;
  UseScope& operator=(const UseScope&) = delete;

 private:
  const CtrvNotificator& m_notificator;
};

// Deletes a notificator when its last owner lets go, or, during one of its
// notify or unsubscribe calls, leaves that to the end of the outermost one.
// Holding an owning reference across each notify would do the same at the
// price of two atomic operations per dispatch.
struct CtrvNotificator::Deleter {
  void operator()(CtrvNotificator* notificator) const {
    if (notificator->m_useDepth > 0) {
      notificator->m_orphaned = true;
    } else {
      delete notificator;
    }
  }
};

const unsigned int CtrvNotificator::ANY_TYPE = trvAnyTypeIdentifier();
unsigned int CtrvNotificator::s_dispatchId = 0;
boost::shared_ptr<CtrvNotificator> CtrvNotificator::s_defaultNotificator;

CtrvNotificator::CtrvNotificator() : m_doesLog(false), m_useDepth(0), m_orphaned(false) {}

CtrvNotificator::CtrvNotificator(const CtrvNotificator& other)
    : m_self(other.m_self),
      m_tables(other.m_tables),
      m_delegate(other.m_delegate),
      m_doesLog(other.m_doesLog),
      m_useDepth(0),
      m_orphaned(false) {}

CtrvNotificator& CtrvNotificator::operator=(const CtrvNotificator& other) {
  if (this == &other) return *this;
  std::vector<Table> tables = other.m_tables;
  boost::shared_ptr<CtrvNotificator> delegate = m_delegate;
  if (!other.m_delegate || !other.m_delegate->hasInChain(this)) delegate = other.m_delegate;
  if (m_useDepth > 0) retireTables();
  m_self = other.m_self;
  m_doesLog = other.m_doesLog;
  m_tables.swap(tables);
  m_delegate.swap(delegate);
  // The former callbacks and delegate are released last, as the locals go:
  // their destructors may use either notificator, even let go of it.
  return *this;
}

namespace {

// A notificator not owned by create() destroyed inside its own notify or
// unsubscribe call: the call goes on with freed memory, which the library
// cannot prevent. Said where it happens in debug builds; builds with
// AddressSanitizer also stop there, since that sanitizer cannot see the fault
// when the notificator did not live on the heap.
void reportDestroyedInUse(const void* notificator) {
#if TRV_ADDRESS_SANITIZED || !defined(NDEBUG)
  std::fprintf(stderr,
               "trv: CtrvNotificator %p destroyed inside its own notify or unsubscribe call; "
               "only a notificator made by create() may lose its owner there\n",
               notificator);
#else
  static_cast<void>(notificator);
#endif
#if TRV_ADDRESS_SANITIZED
  __sanitizer_print_stack_trace();
  std::abort();
#endif
}

}  // namespace

CtrvNotificator::~CtrvNotificator() {
  if (m_useDepth > 0) reportDestroyedInUse(this);
  // The destructors of the callbacks and of the delegate released here may
  // post to this notificator, subscribe and unsubscribe: it is whole until
  // they have run, and counts as in use so that nothing is released under
  // them. What they add is released in turn.
  ++m_useDepth;
  while (!m_tables.empty() || !m_retired.empty() || m_delegate) {
    std::vector<Table>().swap(m_tables);
    releaseRetired();
    m_delegate.reset();
  }
}

void CtrvNotificator::releaseRetired() const {
  // Released from a local, as their destructors may retire more callbacks.
  while (!m_retired.empty()) std::vector<Callback>().swap(m_retired);
}

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
  dispatch(type, notification);
}

void CtrvNotificator::notify(const boost::shared_ptr<const CtrvNotification>& notification) const {
  if (!notification) return;
  dispatch(notification->m_type, notification);
}

void CtrvNotificator::dispatch(
    unsigned int type, const boost::shared_ptr<const CtrvNotification>& notification) const {
  // First in, last out: a subscriber may release the last reference to this
  // notificator, which is then deleted when the scope ends.
  const UseScope scope(*this);
  const unsigned int dispatchId = s_dispatchId++;
  CtrvBaseNotificationCallback* const sole =
      __builtin_expect(!m_doesLog, 1) && type < m_tables.size() ? m_tables[type].soleSubscriber
                                                                : nullptr;
  if (__builtin_expect(sole == nullptr, 0)) {
    const bool somebodyReceived = deliverToEach(type, dispatchId, notification);
    if (m_doesLog && !somebodyReceived) logNobody(dispatchId);
  } else {
    // The common dispatch, untraced to a single subscriber. Tracing switched
    // on meanwhile was switched on by the client code of that subscriber,
    // which an inactive callback does not run: the subscriber was active at
    // its turn, so no nobody line is ever due.
    sole->deliver(notification);
  }
  if (__builtin_expect(m_delegate != nullptr, 0)) forwardToDelegate(notification);
}

bool CtrvNotificator::deliverToEach(
    unsigned int type, unsigned int dispatchId,
    const boost::shared_ptr<const CtrvNotification>& notification) const {
  if (m_doesLog) logReceive(dispatchId, *notification);
  const GatheredCallbacks callbacks(m_tables, type, *notification);
  const auto deliverTo = [&](CtrvBaseNotificationCallback& callback) {
    if (m_doesLog) logDispatch(dispatchId, callback);
    callback.deliver(notification);
  };
  // Whether somebody received it is noted with tracing off too, as a
  // subscriber may switch it on. Only the nobody line needs to know, so the
  // noting stops at the first callback active at its turn.
  auto next = callbacks.begin();
  const auto end = callbacks.end();
  bool somebodyReceived = false;
  for (; next != end && !somebodyReceived; ++next) {
    somebodyReceived = (*next)->isActive();
    deliverTo(**next);
  }
  for (; next != end; ++next) deliverTo(**next);
  return somebodyReceived;
}

void CtrvNotificator::forwardToDelegate(
    const boost::shared_ptr<const CtrvNotification>& notification) const {
  // Held for the call: a subscriber of the delegate may replace it meanwhile.
  const boost::shared_ptr<CtrvNotificator> delegate = m_delegate;
  delegate->notify(notification);
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
  noteChanged(type);
  callback->setActive(true);
}

trStatus CtrvNotificator::unsubscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                                      void* receiver) {
  // Callbacks switched off and released run client code, which may let go
  // of this notificator: it is then deleted when the scope ends.
  const UseScope scope(*this);
  // A copy: the client code run meanwhile may change what the caller passed.
  const boost::weak_ptr<void> filter = sender;
  // An empty or vanished sender examines every entry, filtered or not.
  const boost::weak_ptr<void>* const onSender = filter.expired() ? nullptr : &filter;
  bool found = false;
  if (type != ANY_TYPE) {
    found = unsubscribeFrom(type, onSender, receiver);
  } else {
    // The size is read at each turn: client code may add tables.
    for (std::size_t index = 0; index < m_tables.size(); ++index) {
      found = unsubscribeFrom(index, onSender, receiver) || found;
    }
  }
  return found ? TR_OK : TR_ERROR;
}

bool CtrvNotificator::unsubscribeFrom(std::size_t type, const boost::weak_ptr<void>* sender,
                                      void* receiver) {
  if (type >= m_tables.size()) return false;
  Selection selection;
  if (sender == nullptr) {
    selectEntries(m_tables[type].anySender, sender, receiver, false, selection);
  }
  selectEntries(m_tables[type].oneSender, sender, receiver, true, selection);
  for (Selected& selected : selection) {
    switchOffAndRemove(type, sender, selected.filtered, *selected.callback);
    selected.callback.reset();
  }
  return !selection.empty();
}

// Switching a callback off runs client code, which may change the tables:
// the entry is looked for before and again after.
void CtrvNotificator::switchOffAndRemove(std::size_t type, const boost::weak_ptr<void>* sender,
                                         bool filtered, CtrvBaseNotificationCallback& callback) {
  const auto present = [](auto&, auto) {};
  if (!atEntry(m_tables, type, sender, filtered, callback, present)) return;
  callback.setActive(false);
  atEntry(m_tables, type, sender, filtered, callback, [this](auto& subscriptions, auto entry) {
    // Released when the outermost call ends: a dispatch of this notificator
    // refers to the callback without owning it.
    m_retired.push_back(callbackOf(*entry));
    subscriptions.erase(entry);
  });
  noteChanged(type);
}

// A notification of type t reaches a sole subscriber when table t holds a
// single subscription, for any sender, and (unless t is the every-type
// identifier itself) the every-type table holds none.
void CtrvNotificator::noteChanged(std::size_t type) {
  const std::size_t anyType = ANY_TYPE;
  const bool anyTypeEmpty = anyType >= m_tables.size() || isEmpty(m_tables[anyType]);
  const auto refresh = [&](std::size_t index) {
    Table& table = m_tables[index];
    const bool sole = table.anySender.size() == 1 && table.oneSender.empty() &&
                      (index == anyType || anyTypeEmpty);
    table.soleSubscriber = sole ? table.anySender.front().get() : nullptr;
  };
  if (type != anyType) {
    if (type < m_tables.size()) refresh(type);
    return;
  }
  for (std::size_t index = 0; index < m_tables.size(); ++index) refresh(index);
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
