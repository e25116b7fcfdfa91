// SPDX-License-Identifier: MIT
// Notifications: define identifiers, subscribe a member function, filter on
// the sender, chain two notificators, and trace the dispatches in the log.
//
//   notification_example            (writes no file)

#include <CtrvLogManager.h>
#include <CtrvNotification.h>
#include <CtrvNotificator.h>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <iostream>
#include <string>
#include <utility>

// Identifiers are made once per process; each (class, name) pair gets a new one.
static const unsigned int TEMPERATURE_CHANGED =
    CtrvNotification::makeID("Sensor", "TEMPERATURE_CHANGED");

// A poster. Anything held by a boost::shared_ptr can be a sender.
struct Sensor {
  std::string name;
};

// Posts a reading with `sensor` as its sender; the notification keeps the
// sensor alive while it lives.
void postReading(const boost::shared_ptr<Sensor>& sensor, double celsius,
                 const CtrvNotificator& notificator) {
  const boost::shared_ptr<CtrvNotification> notification =
      CtrvNotification::create(TEMPERATURE_CHANGED, sensor);
  notification->doubleValue("celsius", celsius);
  notification->stringValue("sensor", sensor->name);
  notificator.notify(notification);
}

// A receiver: any class with a method taking the posted notification.
class Display {
 public:
  explicit Display(std::string title) : m_title(std::move(title)) {}

  void onTemperature(const boost::shared_ptr<const CtrvNotification>& notification) {
    std::cout << m_title << ": " << notification->stringValue("sensor") << " reads "
              << notification->doubleValue("celsius") << " C\n";
  }

 private:
  std::string m_title;
};

int main() {
  // The trace lines go to the log; an empty path keeps it in memory only.
  CtrvLogManager::createInstance("");

  const boost::shared_ptr<Sensor> kitchen = boost::make_shared<Sensor>(Sensor{"kitchen"});
  const boost::shared_ptr<Sensor> garage = boost::make_shared<Sensor>(Sensor{"garage"});

  // A local notificator that forwards everything to the process-wide one.
  const boost::shared_ptr<CtrvNotificator> house =
      CtrvNotificator::create(CtrvNotificator::defaultNotificator());

  Display everything("all sensors");
  Display kitchenOnly("kitchen panel");
  Display global("default notificator");

  // No sender filter: every TEMPERATURE_CHANGED posted on `house`.
  house->subscribe(TEMPERATURE_CHANGED, &everything, &Display::onTemperature);
  // Sender filter: only what the kitchen sensor posts. A shared_ptr converts
  // to the weak sender reference; the filter does not keep the sensor alive.
  house->subscribe(TEMPERATURE_CHANGED, &kitchenOnly, &Display::onTemperature, kitchen);
  // ANY_TYPE receives every notification that reaches the default notificator.
  CtrvNotificator::defaultNotificator()->subscribe(CtrvNotificator::ANY_TYPE, &global,
                                                   &Display::onTemperature);

  // Tracing: on for `house` and, with propagate, its whole delegation chain.
  house->doesLog(true, true);

  postReading(kitchen, 21.5, *house);  // kitchen panel, all sensors, default
  postReading(garage, 8.0, *house);    // all sensors, default

  // Receivers are held by plain pointer: unsubscribe them before they go.
  house->unsubscribe(&everything);
  house->unsubscribe(&kitchenOnly);
  CtrvNotificator::defaultNotificator()->unsubscribe(&global);
  house->notify(TEMPERATURE_CHANGED);  // traced as delivered to nobody

  // The trace: one line per notification received, one per delivery.
  std::cout << "\ntrace of " << CtrvNotification::nameFromType(TEMPERATURE_CHANGED) << ":\n";
  for (unsigned int i = 0; i < CtrvLogManager::countMessages(); ++i) {
    std::string text;
    CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_INFO;
    double seconds = 0.0;
    CtrvLogManager::getMessage(static_cast<int>(i), text, type, seconds);
    std::cout << "  " << text << '\n';
  }
  return 0;
}
