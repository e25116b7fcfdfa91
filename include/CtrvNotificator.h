// SPDX-License-Identifier: MIT
#ifndef CTRV_NOTIFICATOR_H
#define CTRV_NOTIFICATOR_H

/// @file CtrvNotificator.h
/// The notification centre: subscriptions, synchronous delivery, delegation
/// chains and dispatch tracing.

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <typeinfo>
#include <utility>
#include <vector>

#include "CtrvBaseNotificationCallback.h"
#include "CtrvNotification.h"
#include "trStatus.h"
#include "trvExport.h"

/// Delivers every notification posted with notify() to the subscribers of its
/// type (optionally only those that asked for its sender), synchronously and
/// before notify() returns, then forwards it to its delegate notificator, if
/// any, so that notificators form chains.
///
/// For a notification of type t from sender S, subscribers are called in this
/// order, each group in subscription order: those for t that filter on S,
/// those for t without filter, those for ANY_TYPE that filter on S, those for
/// ANY_TYPE without filter. The callbacks are gathered before the first
/// delivery, so subscribers may subscribe, unsubscribe and post from inside a
/// delivery: a new subscription misses the current notification, a removed
/// one is switched off and delivers nothing. The notificator tells callbacks
/// apart by object, not by subscription: a callback object that is removed
/// and subscribed again (the same object) during a delivery is switched on
/// again, so where the dispatch gathered it before, it receives the current
/// notification. Subscribing a receiver's member function always makes a new
/// callback, which misses it.
///
/// With its trace switch on (doesLog()), a notificator writes one info line
/// to the log per notification received, one per delivery to an active
/// subscriber and one when nobody received it; the lines of one notify() share
/// its dispatch id.
///
/// Made on the heap by create(); copies are member-wise and share the
/// callbacks. Nothing is synchronised: use a notificator and its delegation
/// chain from one thread at a time.
///
/// Client code run by callbacks (delivering, switching on or off, being
/// destroyed) may post, subscribe and unsubscribe on the notificator at any
/// of these moments, including while a dispatch ends and while the
/// notificator is being deleted.
class TRV_API CtrvNotificator {
 public:
  /// The identifier that subscribes to every type (1, the first identifier
  /// the library makes).
  static const unsigned int ANY_TYPE;

  /// A new notificator without delegate, subscriptions or tracing.
  static boost::shared_ptr<CtrvNotificator> create();
  /// A new notificator that forwards every notification to `delegate` (none
  /// when empty), without subscriptions or tracing.
  static boost::shared_ptr<CtrvNotificator> create(
      const boost::shared_ptr<CtrvNotificator>& delegate);
  /// The process-wide notificator, made on the first call; every call returns
  /// the same one.
  static boost::shared_ptr<CtrvNotificator> defaultNotificator();

  /// Member-wise copy: the copy shares the source's callbacks (unsubscribing a
  /// receiver from either switches it off for both), delegate and trace switch.
  ///
  /// A copy is owned by whoever made it (the stack, a container, a
  /// unique_ptr), not by create(), and notify() cannot keep it alive: a copy
  /// destroyed while one of its own notify or unsubscribe calls runs (by a
  /// subscriber or callback that releases its owner) is undefined behaviour,
  /// a use of freed memory that the library cannot prevent. Builds with
  /// AddressSanitizer report it where the copy is destroyed and stop the
  /// process; debug builds report it on the standard error stream.
  CtrvNotificator(const CtrvNotificator& other);
  /// Member-wise assignment, as the copy constructor. The delegate is taken
  /// over too, unless it would make this notificator its own delegate through
  /// the chain: the delegate is then left as it was.
  CtrvNotificator& operator=(const CtrvNotificator& other);
  /// Releases the subscriptions and the delegate; callbacks still held
  /// elsewhere are not switched off. Their destructors may still use this
  /// notificator: it is whole until they have run.
  virtual ~CtrvNotificator();

  /// Delivers the notification to the matching subscribers, then forwards it
  /// to the delegate. A notificator made by create() is not destroyed before
  /// the call returns, even if a subscriber releases the last reference to
  /// it: it is deleted last, after the callbacks retired during the dispatch
  /// are released (whose destructors may still use it). A notificator not
  /// owned by create() (a copy) must outlive the call: destroying it from a
  /// subscriber is undefined behaviour (see the copy constructor). An
  /// exception thrown by a subscriber leaves this call: the remaining
  /// subscribers and the delegate do not get the notification. A null
  /// notification is ignored.
  void notify(const boost::shared_ptr<const CtrvNotification>& notification) const;
  /// Posts a new notification of the given type without sender or values.
  void notify(unsigned int type) const;

  /// Subscribes `callback` to notifications of `type` from any sender. A
  /// null callback is ignored. Identifiers are small numbers: the tables grow
  /// to the largest type subscribed to.
  void subscribe(unsigned int type,
                 const boost::shared_ptr<CtrvBaseNotificationCallback>& callback);
  /// Subscribes `callback` to notifications of `type` whose sender() is the
  /// object of `sender`; an empty `sender` means any sender.
  void subscribe(unsigned int type, const boost::weak_ptr<void>& sender,
                 const boost::shared_ptr<CtrvBaseNotificationCallback>& callback);
  /// Subscribes `receiver->*method` to notifications of `type`, only those from
  /// `sender` unless it is empty. The receiver is held by plain pointer: it
  /// must unsubscribe before it is destroyed. Ignored when `receiver` or
  /// `method` is null.
  template <class R>
  void subscribe(unsigned int type, R* receiver,
                 void (R::*method)(const boost::shared_ptr<const CtrvNotification>&),
                 const boost::weak_ptr<void>& sender = boost::weak_ptr<void>());

  /// Removes the subscriptions of `receiver` (compared by address) for `type`
  /// (every type when ANY_TYPE) that filter on `sender`, or all of them
  /// whatever their filter when `sender` is empty or no longer exists. Each
  /// callback is switched off while still subscribed, then removed, in table
  /// order: by type, and within a type those for any sender before the
  /// sender-filtered ones. The removed callbacks are released when the call
  /// ends; as with notify(), a notificator made by create() is not destroyed
  /// before then, even if a callback releases the last reference to it.
  /// Returns TR_OK if the receiver had such a subscription, TR_ERROR
  /// otherwise.
  trStatus unsubscribe(unsigned int type, const boost::weak_ptr<void>& sender, void* receiver);
  /// Removes every subscription of `receiver` for `type` (every type when ANY_TYPE).
  trStatus unsubscribe(unsigned int type, void* receiver);
  /// Removes the subscriptions of `receiver` that filter on `sender`, in every
  /// table (all of them when `sender` is empty or no longer exists).
  trStatus unsubscribe(const boost::weak_ptr<void>& sender, void* receiver);
  /// Removes every subscription of `receiver`.
  trStatus unsubscribe(void* receiver);

  /// The delegate, or an empty pointer.
  boost::shared_ptr<CtrvNotificator> delegateNotificator() const;
  /// Replaces the delegate (an empty pointer removes it). Returns TR_OK, or
  /// TR_ERROR without changing anything when `delegate` is this notificator
  /// or has it down its own chain, which would forward without end.
  trStatus delegateNotificator(const boost::shared_ptr<CtrvNotificator>& delegate);

  /// The trace switch (off after creation).
  bool doesLog() const;
  /// Sets the trace switch; with `propagate`, the whole delegation chain too.
  void doesLog(bool flag, bool propagate);

 protected:
  /// No delegate, subscriptions or tracing; create() makes notificators.
  CtrvNotificator();
  /// Stores the self reference and the delegate.
  void init(const boost::weak_ptr<CtrvNotificator>& self,
            const boost::shared_ptr<CtrvNotificator>& delegate);

 private:
  using Callback = boost::shared_ptr<CtrvBaseNotificationCallback>;
  /// The subscriptions for one type: those that accept any sender, in
  /// subscription order, and those that filter on a sender, sorted by the
  /// identity of the sender's ownership (an expired sender keeps its place),
  /// then in subscription order. Vectors: dispatches walk them far more often
  /// than subscriptions change them.
  struct Table {
    std::vector<Callback> anySender;
    std::vector<std::pair<boost::weak_ptr<void>, Callback>> oneSender;
    /// The callback of the table's single subscription when a notification
    /// of this type reaches nothing else (no sender-filtered subscription
    /// here, none at all for every type), so that a dispatch can go straight
    /// to it; null otherwise. Kept up to date by noteChanged().
    CtrvBaseNotificationCallback* soleSubscriber = nullptr;
  };
  class UseScope;
  struct Deleter;

  template <class R>
  class MemberCallback;

  void dispatch(unsigned int type,
                const boost::shared_ptr<const CtrvNotification>& notification) const;
  bool deliverToEach(unsigned int type, unsigned int dispatchId,
                     const boost::shared_ptr<const CtrvNotification>& notification) const;
  void forwardToDelegate(const boost::shared_ptr<const CtrvNotification>& notification) const;
  void noteChanged(std::size_t type);
  void retireTables();
  void releaseRetired() const;
  bool unsubscribeFrom(std::size_t type, const boost::weak_ptr<void>* sender, void* receiver);
  void switchOffAndRemove(std::size_t type, const boost::weak_ptr<void>* sender, bool filtered,
                          CtrvBaseNotificationCallback& callback);
  bool hasInChain(const CtrvNotificator* notificator) const;

  void logReceive(unsigned int dispatchId, const CtrvNotification& notification) const;
  void logDispatch(unsigned int dispatchId, const CtrvBaseNotificationCallback& callback) const;
  static void logNobody(unsigned int dispatchId);

  boost::weak_ptr<CtrvNotificator> m_self;
  std::vector<Table> m_tables;
  boost::shared_ptr<CtrvNotificator> m_delegate;
  bool m_doesLog;
  // A dispatch refers to the callbacks it gathered without owning them, so a
  // callback taken out of the tables while a notify (or unsubscribe) of this
  // notificator is in progress is kept here until the outermost call ends.
  mutable unsigned int m_useDepth;
  mutable std::vector<Callback> m_retired;
  // Set when the last owner let go during such a call: the notificator is
  // then deleted when the outermost one ends.
  mutable bool m_orphaned;

  static unsigned int s_dispatchId;
  static boost::shared_ptr<CtrvNotificator> s_defaultNotificator;
};

/// Calls a member function of a receiver held by plain pointer.
template <class R>
class CtrvNotificator::MemberCallback final : public CtrvBaseNotificationCallback {
 public:
  using Method = void (R::*)(const boost::shared_ptr<const CtrvNotification>&);

  MemberCallback(R* receiver, Method method)
      : m_receiver(receiver), m_method(method), m_class(&typeid(*receiver)), m_active(true) {}

  void deliver(const boost::shared_ptr<const CtrvNotification>& notification) override {
    if (m_active) (m_receiver->*m_method)(notification);
  }
  void* receiver() const override { return m_receiver; }
  bool isActive() const override { return m_active; }
  void setActive(bool active) override { m_active = active; }
  const std::type_info* receiverClass() const override { return m_class; }

 private:
  R* m_receiver;
  Method m_method;
  const std::type_info* m_class;  ///< Taken while the receiver's class is known.
  bool m_active;
};

template <class R>
void CtrvNotificator::subscribe(unsigned int type, R* receiver,
                                void (R::*method)(const boost::shared_ptr<const CtrvNotification>&),
                                const boost::weak_ptr<void>& sender) {
  if (receiver == nullptr || method == nullptr) return;
  subscribe(
      type, sender,
      boost::shared_ptr<CtrvBaseNotificationCallback>(new MemberCallback<R>(receiver, method)));
}

#endif
