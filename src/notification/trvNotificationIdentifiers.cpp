#include "notification/trvNotificationIdentifiers.h"

#include "CtrvNotification.h"

unsigned int trvAnyTypeIdentifier() {
  // Zero-initialised before any code runs, so this works from any static
  // initialiser; makeID never hands out 0.
  static unsigned int identifier = 0;
  if (identifier == 0) identifier = CtrvNotification::makeID("", "");
  return identifier;
}
