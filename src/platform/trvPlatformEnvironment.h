// SPDX-License-Identifier: MIT
#ifndef TRV_PLATFORM_ENVIRONMENT_H
#define TRV_PLATFORM_ENVIRONMENT_H

#include <string>

namespace trvPlatform {

/// Reads the environment variable `name` into `value`.
/// @return false, with `value` untouched, when it is not set or `name` is not
/// a name the system can hold (empty, containing "=" or a NUL byte).
bool readEnvironmentVariable(const std::string& name, std::string& value);

/// Sets the environment variable `name` to a copy of `value`.
/// @return false, with nothing changed, when the system refuses (an invalid
/// name, a value holding a NUL byte, no memory).
bool writeEnvironmentVariable(const std::string& name, const std::string& value);

/// Removes the environment variable `name`; removing an unset one succeeds.
/// @return false, with nothing changed, for an invalid name.
bool removeEnvironmentVariable(const std::string& name);

}  // namespace trvPlatform

#endif
