// SPDX-License-Identifier: MIT
#ifndef CTRV_NOTIFICATION_H
#define CTRV_NOTIFICATION_H

/// @file CtrvNotification.h
/// A typed message carried from a poster to subscribers, and the process-wide
/// scheme of notification identifiers.

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "trStatus.h"
#include "trvExport.h"

/// A notification: the identifier of its kind (its type), an optional sender
/// (owned, watched or plain) and typed tables of named values that the poster
/// fills and the subscribers read.
///
/// Notifications are made on the heap by create(); they are handled through
/// boost::shared_ptr<CtrvNotification> while being filled and posted as
/// boost::shared_ptr<const CtrvNotification>. Copies are member-wise.
///
/// The class also hands out the notification identifiers: makeID() numbers
/// (class name, notification name) pairs consecutively and records them so
/// that nameFromType() can spell an identifier. 1 is CtrvNotificator::ANY_TYPE
/// (recorded with two empty names), 2 to 6 are the events of
/// CtrvNotifyingProgressDelegate, recorded before the program's own code
/// runs; a program's identifiers come after them. The registry is never
/// destroyed, so both may be used from any static initialiser or destructor.
/// Nothing here is synchronised: use it from one thread at a time.
class TRV_API CtrvNotification {
 public:
  /// Hands out the next identifier (one more than the last one handed out)
  /// and records the pair of names for it. Equal pairs get different
  /// identifiers.
  static unsigned int makeID(const std::string& className, const std::string& notificationName);
  /// "<class name>::<notification name>" of an identifier made by makeID(),
  /// or an empty string for any other value.
  static std::string nameFromType(unsigned int type);

  /// A new notification of the given type with no sender and empty tables.
  static boost::shared_ptr<CtrvNotification> create(unsigned int type);
  /// A new notification whose sender is kept alive as long as it lives.
  template <class S>
  static boost::shared_ptr<CtrvNotification> create(unsigned int type,
                                                    const boost::shared_ptr<S>& sender);
  /// A new notification whose sender is watched without being kept alive:
  /// sender() is empty once the sender is destroyed.
  template <class S>
  static boost::shared_ptr<CtrvNotification> create(unsigned int type,
                                                    const boost::weak_ptr<S>& sender);
  /// A new notification whose sender is a plain pointer, shown in traces
  /// (rawSender()) but never matched against sender filters.
  template <class S>
  static boost::shared_ptr<CtrvNotification> create(unsigned int type, S* sender);

  /// Member-wise copy: the tables are duplicated, the senders and the self
  /// reference designate the same objects as the source's.
  CtrvNotification(const CtrvNotification& other) = default;
  /// Member-wise assignment, as the copy constructor.
  CtrvNotification& operator=(const CtrvNotification& other) = default;
  /// Releases the senders and every value.
  virtual ~CtrvNotification();

  /// The notification identifier given at creation.
  unsigned int type() const;

  /// Stores `value` under `key` in the double table, replacing any previous value.
  void doubleValue(const std::string& key, double value);
  /// The double stored under `key`, or 0.0 if there is none (nothing is inserted).
  double doubleValue(const std::string& key) const;
  /// Stores `value` under `key` in the bool table, replacing any previous value.
  void boolValue(const std::string& key, bool value);
  /// The bool stored under `key`, or false if there is none (nothing is inserted).
  bool boolValue(const std::string& key) const;
  /// Stores `value` under `key` in the int table, replacing any previous value.
  void intValue(const std::string& key, int value);
  /// The int stored under `key`, or 0 if there is none (nothing is inserted).
  int intValue(const std::string& key) const;
  /// Stores `value` under `key` in the unsigned table, replacing any previous value.
  void unsignedIntValue(const std::string& key, unsigned int value);
  /// The unsigned int stored under `key`, or 0 if there is none (nothing is inserted).
  unsigned int unsignedIntValue(const std::string& key) const;
  /// Stores a copy of `value` under `key` in the string table, replacing any previous value.
  void stringValue(const std::string& key, const std::string& value);
  /// A copy of the text stored under `key`, or "" if there is none (nothing is inserted).
  std::string stringValue(const std::string& key) const;

  /// The owning sender if there is one, otherwise the watched sender if it
  /// still exists; empty when there is neither. The plain sender is not consulted.
  boost::shared_ptr<void> sender() const;
  /// The plain sender given to create(), or null.
  void* rawSender() const;
  /// The class of the sender as it was when the notification was created (its
  /// dynamic class for a polymorphic sender), or null when unknown.
  const std::type_info* senderClass() const;

 protected:
  /// A notification of the given type with no sender and empty tables.
  explicit CtrvNotification(unsigned int type) noexcept;

  /// Stores the self reference. Always returns TR_OK.
  trStatus init(const boost::weak_ptr<CtrvNotification>& self);
  /// Stores the self reference and an owning sender. Always returns TR_OK.
  trStatus initWithShPtr(const boost::weak_ptr<CtrvNotification>& self,
                         const boost::shared_ptr<void>& sender);
  /// Stores the self reference and a watched sender. Always returns TR_OK.
  trStatus initWithWkPtr(const boost::weak_ptr<CtrvNotification>& self,
                         const boost::weak_ptr<void>& sender);
  /// Stores the self reference and a plain sender. Always returns TR_OK.
  trStatus initWithPtr(const boost::weak_ptr<CtrvNotification>& self, void* sender);

 private:
  friend class CtrvNotificator;
  using Registry = std::map<unsigned int, std::pair<std::string, std::string>>;

  static Registry& typeInfo();
  /// A new notification in one block with its reference counts, its self
  /// reference already taken (the init operations may then be given it).
  static boost::shared_ptr<CtrvNotification> allocate(unsigned int type,
                                                      const std::type_info* senderClass);
  /// Releases what a notification made by allocate() holds, its last owner
  /// gone, leaving an empty one for the next notification made in its block.
  static void endLifeInBlock(CtrvNotification* notification);

  /// The class of `object`, its dynamic class when polymorphic; null when
  /// there is no object or its class is not known (an untyped pointer).
  template <class S>
  static const std::type_info* classOf(S* object) {
    if constexpr (std::is_void_v<S>) {
      return nullptr;
    } else {
      return object != nullptr ? &typeid(*object) : nullptr;
    }
  }
  /// `sender` as an untyped pointer sharing its ownership; constness is
  /// dropped since senders are only compared and shown.
  template <class S>
  static boost::shared_ptr<void> untyped(const boost::shared_ptr<S>& sender) {
    return boost::shared_ptr<void>(sender,
                                   const_cast<void*>(static_cast<const void*>(sender.get())));
  }

  boost::weak_ptr<CtrvNotification> m_self;
  unsigned int m_type;
  boost::shared_ptr<void> m_sender;
  boost::weak_ptr<void> m_weakSender;
  void* m_rawSender;
  const std::type_info* m_senderClass;
  // The tables of values. hasNoValues() below must name every one of them.
  std::map<std::string, double> m_doubles;
  std::map<std::string, bool> m_bools;
  std::map<std::string, int> m_ints;
  std::map<std::string, unsigned int> m_unsignedInts;
  // Kept for the layout clients compiled against; not used. These three
  // tables travel with the notification (copied, assigned and destroyed with
  // it), but no operation reads or writes them.
  std::map<std::string, boost::shared_ptr<void>> m_objects;
  std::map<std::string, boost::shared_ptr<const void>> m_constObjects;
  std::map<std::string, std::uint32_t> m_words;
  std::map<std::string, std::string> m_strings;

  /// Whether every table above is empty: the notification then owns nothing
  /// but its senders and self reference. A table added to the class must be
  /// added here, or its values would outlive the notification's last owner.
  bool hasNoValues() const {
    return m_doubles.empty() && m_bools.empty() && m_ints.empty() && m_unsignedInts.empty() &&
           m_objects.empty() && m_constObjects.empty() && m_words.empty() && m_strings.empty();
  }

  static unsigned int s_lastId;
  static Registry* s_typeInfoPt;
};

template <class S>
boost::shared_ptr<CtrvNotification> CtrvNotification::create(unsigned int type,
                                                             const boost::shared_ptr<S>& sender) {
  boost::shared_ptr<CtrvNotification> notification = allocate(type, classOf(sender.get()));
  if (notification->initWithShPtr(notification->m_self, untyped(sender)) != TR_OK) return {};
  return notification;
}

template <class S>
boost::shared_ptr<CtrvNotification> CtrvNotification::create(unsigned int type,
                                                             const boost::weak_ptr<S>& sender) {
  const boost::shared_ptr<S> living = sender.lock();
  boost::shared_ptr<CtrvNotification> notification = allocate(type, classOf(living.get()));
  if (notification->initWithWkPtr(notification->m_self, untyped(living)) != TR_OK) return {};
  return notification;
}

template <class S>
boost::shared_ptr<CtrvNotification> CtrvNotification::create(unsigned int type, S* sender) {
  boost::shared_ptr<CtrvNotification> notification = allocate(type, classOf(sender));
  void* address = const_cast<void*>(static_cast<const void*>(sender));
  if (notification->initWithPtr(notification->m_self, address) != TR_OK) return {};
  return notification;
}

#endif
