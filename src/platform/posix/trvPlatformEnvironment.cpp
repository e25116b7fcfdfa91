// SPDX-License-Identifier: MIT
#include "platform/trvPlatformEnvironment.h"

#include <stdlib.h>

namespace trvPlatform {

namespace {

bool holdsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

// getenv would read "A=B" as the variable A with the value prefix "B=", and
// setenv refuses such names anyway: they are kept from the system.
bool isValidName(const std::string& name) {
  return !name.empty() && name.find('=') == std::string::npos && !holdsNul(name);
}

}  // namespace

bool readEnvironmentVariable(const std::string& name, std::string& value) {
  if (!isValidName(name)) return false;
  const char* text = getenv(name.c_str());
  if (text == nullptr) return false;
  value = text;
  return true;
}

bool writeEnvironmentVariable(const std::string& name, const std::string& value) {
  if (!isValidName(name) || holdsNul(value)) return false;
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool removeEnvironmentVariable(const std::string& name) {
  if (!isValidName(name)) return false;
  return unsetenv(name.c_str()) == 0;
}

}  // namespace trvPlatform
