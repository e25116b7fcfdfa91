// SPDX-License-Identifier: MIT
#include "CtrvNotification.h"

#include <cstddef>
#include <new>

#include "notification/trvNotificationBlocks.h"
#include "notification/trvNotificationIdentifiers.h"

namespace {

// A notification and its reference counts share one block. This allocator
// hands the counts their room in it; giving the counts back gives back the
// whole block, which the counts outlive.
template <class T>
struct CountsInBlock {
  using value_type = T;
  explicit CountsInBlock(CtrvNotificationBlock* b) : block(b) {}
  template <class U>
  CountsInBlock(const CountsInBlock<U>& other) : block(other.block) {}
  T* allocate(std::size_t /*one*/) {
    static_assert(sizeof(T) <= CtrvNotificationBlock::kCountsRoom, "counts outgrow their room");
    return reinterpret_cast<T*>(block->counts);
  }
  void deallocate(T* /*counts*/, std::size_t /*one*/) { trvGiveBackNotificationBlock(block); }
  CtrvNotificationBlock* block;
};
template <class T, class U>
bool operator==(const CountsInBlock<T>& a, const CountsInBlock<U>& b) {
  return a.block == b.block;
}
template <class T, class U>
bool operator!=(const CountsInBlock<T>& a, const CountsInBlock<U>& b) {
  return !(a == b);
}

// The value stored under `key`, or the type's zero; never inserts the key.
template <class Value>
Value valueOrZero(const std::map<std::string, Value>& table, const std::string& key) {
  const auto found = table.find(key);
  return found != table.end() ? found->second : Value();
}

}  // namespace

unsigned int CtrvNotification::s_lastId = 0;
CtrvNotification::Registry* CtrvNotification::s_typeInfoPt = nullptr;

CtrvNotification::Registry& CtrvNotification::typeInfo() {
  // Never deleted, so identifiers can be made and spelled from any static
  // initialiser or destructor, in whatever order statics come and go.
  if (s_typeInfoPt == nullptr) {
    s_typeInfoPt = new Registry();
    // The every-type identifier is always the first one handed out.
    (*s_typeInfoPt)[trvAnyTypeIdentifier()] = std::make_pair(std::string(), std::string());
    s_lastId = trvAnyTypeIdentifier();
  }
  return *s_typeInfoPt;
}

unsigned int CtrvNotification::makeID(const std::string& className,
                                      const std::string& notificationName) {
  Registry& registry = typeInfo();
  ++s_lastId;
  registry[s_lastId] = std::make_pair(className, notificationName);
  return s_lastId;
}

std::string CtrvNotification::nameFromType(unsigned int type) {
  const Registry& registry = typeInfo();
  const auto found = registry.find(type);
  if (found == registry.end()) return std::string();
  return found->second.first + "::" + found->second.second;
}

CtrvNotification::CtrvNotification(unsigned int type) noexcept
    : m_type(type), m_rawSender(nullptr), m_senderClass(nullptr) {}

CtrvNotification::~CtrvNotification() = default;

boost::shared_ptr<CtrvNotification> CtrvNotification::allocate(unsigned int type,
                                                               const std::type_info* senderClass) {
  CtrvNotificationBlock* block = trvTakeNotificationBlock();
  auto* object = reinterpret_cast<CtrvNotification*>(block->object);
  // Nothing below throws: the counts' room is already there.
  boost::shared_ptr<CtrvNotification> notification(object, &endLifeInBlock,
                                                   CountsInBlock<CtrvNotification>(block));
  // The self reference is taken first: the atomic count operation then waits
  // on a few pending stores only.
  boost::weak_ptr<CtrvNotification> self(notification);
  if (!block->holdsNotification) {
    ::new (block->object) CtrvNotification(type);
    block->holdsNotification = true;
  }
  // A block used before holds a notification as its constructor left it but
  // for the type (see endLifeInBlock()): only the type and the references
  // are set.
  object = std::launder(object);
  object->m_type = type;
  object->m_senderClass = senderClass;
  object->m_self.swap(self);
  return notification;
}

void CtrvNotification::endLifeInBlock(CtrvNotification* notification) {
  // Most notifications end with every table empty (one posted by type never
  // gets a value), and an empty table owns nothing: only the references are
  // let go, the self reference first (as in allocate(), its atomic count
  // operation waits on few stores). The notification is then as its
  // constructor leaves it but for the type, and the next one made in the
  // block reuses it instead of building eight tables again.
  if (notification->hasNoValues()) {
    notification->m_self.reset();
    notification->m_sender.reset();
    notification->m_weakSender.reset();
    notification->m_rawSender = nullptr;
    return;
  }
  // Built as exactly this class, so the destructor is called directly; an
  // empty notification takes its place.
  notification->CtrvNotification::~CtrvNotification();
  ::new (static_cast<void*>(notification)) CtrvNotification(0);
}

boost::shared_ptr<CtrvNotification> CtrvNotification::create(unsigned int type) {
  // allocate() has set the self reference init() would set.
  return allocate(type, nullptr);
}

trStatus CtrvNotification::init(const boost::weak_ptr<CtrvNotification>& self) {
  m_self = self;
  return TR_OK;
}

trStatus CtrvNotification::initWithShPtr(const boost::weak_ptr<CtrvNotification>& self,
                                         const boost::shared_ptr<void>& sender) {
  m_self = self;
  m_sender = sender;
  return TR_OK;
}

trStatus CtrvNotification::initWithWkPtr(const boost::weak_ptr<CtrvNotification>& self,
                                         const boost::weak_ptr<void>& sender) {
  m_self = self;
  m_weakSender = sender;
  return TR_OK;
}

trStatus CtrvNotification::initWithPtr(const boost::weak_ptr<CtrvNotification>& self,
                                       void* sender) {
  m_self = self;
  m_rawSender = sender;
  return TR_OK;
}

unsigned int CtrvNotification::type() const { return m_type; }

void CtrvNotification::doubleValue(const std::string& key, double value) { m_doubles[key] = value; }

double CtrvNotification::doubleValue(const std::string& key) const {
  return valueOrZero(m_doubles, key);
}

void CtrvNotification::boolValue(const std::string& key, bool value) { m_bools[key] = value; }

bool CtrvNotification::boolValue(const std::string& key) const { return valueOrZero(m_bools, key); }

void CtrvNotification::intValue(const std::string& key, int value) { m_ints[key] = value; }

int CtrvNotification::intValue(const std::string& key) const { return valueOrZero(m_ints, key); }

void CtrvNotification::unsignedIntValue(const std::string& key, unsigned int value) {
  m_unsignedInts[key] = value;
}

unsigned int CtrvNotification::unsignedIntValue(const std::string& key) const {
  return valueOrZero(m_unsignedInts, key);
}

void CtrvNotification::stringValue(const std::string& key, const std::string& value) {
  m_strings[key] = value;
}

std::string CtrvNotification::stringValue(const std::string& key) const {
  return valueOrZero(m_strings, key);
}

boost::shared_ptr<void> CtrvNotification::sender() const {
  if (m_sender) return m_sender;
  return m_weakSender.lock();
}

void* CtrvNotification::rawSender() const { return m_rawSender; }

const std::type_info* CtrvNotification::senderClass() const { return m_senderClass; }
