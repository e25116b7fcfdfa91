#ifndef TRV_NOTIFICATION_TEST_SUPPORT_H
#define TRV_NOTIFICATION_TEST_SUPPORT_H

// Receivers for the notificator tests: each delivery is written to a shared
// journal as "<receiver name>:<type>", and a receiver may run an action while
// handling a notification (unsubscribe, post, throw...).

#include <CtrvBaseNotificationCallback.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>

#include <functional>
#include <string>
#include <vector>

namespace trvTest {

using Notification = boost::shared_ptr<const CtrvNotification>;
using Journal = std::vector<std::string>;

class Recorder {
 public:
  Recorder(Journal& journal, std::string name) : m_journal(journal), m_name(std::move(name)) {}
  virtual ~Recorder() = default;

  void receive(const Notification& notification) {
    m_journal.push_back(m_name + ":" + std::to_string(notification->type()));
    if (action) action(notification);
  }
  void subscribeTo(CtrvNotificator& notificator, unsigned int type,
                   const boost::weak_ptr<void>& sender = boost::weak_ptr<void>()) {
    notificator.subscribe(type, this, &Recorder::receive, sender);
  }

  std::function<void(const Notification&)> action;

 private:
  Journal& m_journal;
  std::string m_name;
};

/// A client-written callback: counts its deliveries, reports a chosen
/// receiver address and no class.
class CountingCallback : public CtrvBaseNotificationCallback {
 public:
  explicit CountingCallback(void* receiverAddress) : m_receiver(receiverAddress) {}
  void deliver(const Notification&) override {
    if (m_active) ++deliveries;
  }
  void* receiver() const override { return m_receiver; }
  bool isActive() const override { return m_active; }
  void setActive(bool active) override { m_active = active; }

  int deliveries = 0;

 private:
  void* m_receiver;
  bool m_active = true;
};

}  // namespace trvTest

#endif
