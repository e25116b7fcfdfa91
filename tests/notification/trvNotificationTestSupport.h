// SPDX-License-Identifier: MIT
#ifndef TRV_NOTIFICATION_TEST_SUPPORT_H
#define TRV_NOTIFICATION_TEST_SUPPORT_H

// Receivers and the fixture of the notification tests.

#include <CtrvNotificator.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <string>

namespace trvTest {

using Notification = boost::shared_ptr<const CtrvNotification>;

/// Writes "<name> " to a journal shared by the receivers of a test for each
/// delivery, then runs its action (unsubscribe, post, throw...), if any.
struct Recorder {
  Recorder(std::string& journal, std::string name) : journal(journal), name(std::move(name)) {}
  void receive(const Notification& notification) {
    journal += name + " ";
    if (action) action(notification);
  }
  void listen(CtrvNotificator& notificator, unsigned int type,
              const boost::weak_ptr<void>& sender = boost::weak_ptr<void>()) {
    notificator.subscribe(type, this, &Recorder::receive, sender);
  }
  std::string& journal;
  std::string name;
  std::function<void(const Notification&)> action;
};

/// A client-written callback with a chosen receiver address and no class,
/// which tells when it is destroyed and may run client code when delivered
/// to (while active), switched on or off, and destroyed.
struct PlainCallback : CtrvBaseNotificationCallback {
  PlainCallback(void* address, bool* destroyed = nullptr)
      : address(address), destroyed(destroyed) {}
  ~PlainCallback() override {
    if (destroyed != nullptr) *destroyed = true;
    if (whenDestroyed) whenDestroyed();
  }
  void deliver(const Notification& notification) override {
    ++calls;
    if (active && whenDelivered) whenDelivered(notification);
  }
  void* receiver() const override { return address; }
  bool isActive() const override { return active; }
  void setActive(bool on) override {
    active = on;
    if (whenSwitched) whenSwitched(on);
  }
  void* address;
  bool* destroyed;
  bool active = true;
  int calls = 0;  ///< deliver() calls, active or not
  std::function<void(const Notification&)> whenDelivered;
  std::function<void(bool)> whenSwitched;
  std::function<void()> whenDestroyed;
};

class NotificatorTest : public ::testing::Test {
 protected:
  // What the receivers wrote while `by` posted the notification.
  std::string post(const CtrvNotificator& by, const Notification& notification) {
    journal.clear();
    by.notify(notification);
    return journal;
  }
  std::string post(unsigned int type) { return post(*notificator, CtrvNotification::create(type)); }
  std::string postFromSender(unsigned int type) {
    return post(*notificator, CtrvNotification::create(type, sender));
  }

  const unsigned int t = CtrvNotification::makeID("CtrvTraced", "DID_TRACE");
  const unsigned int u = CtrvNotification::makeID("CtrvTraced", "DID_NEST");
  const boost::shared_ptr<CtrvNotificator> notificator = CtrvNotificator::create();
  const boost::shared_ptr<void> sender = boost::make_shared<int>();
  std::string journal;
  Recorder a{journal, "a"}, b{journal, "b"}, c{journal, "c"}, d{journal, "d"};
};

}  // namespace trvTest

#endif
