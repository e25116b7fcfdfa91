// SPDX-License-Identifier: MIT
#include "platform/trvPlatformClassName.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace trvPlatform {

namespace {

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};

}  // namespace

std::string className(const std::type_info& type) {
  int status = 0;
  const std::unique_ptr<char, FreeDeleter> readable(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status));
  return readable != nullptr ? std::string(readable.get()) : std::string(type.name());
}

}  // namespace trvPlatform
