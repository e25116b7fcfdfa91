// SPDX-License-Identifier: MIT
#ifndef TRV_PLATFORM_CLASS_NAME_H
#define TRV_PLATFORM_CLASS_NAME_H

#include <string>
#include <typeinfo>

namespace trvPlatform {

/// The readable C++ name of a class ("CtrvNotificator", "ns::Widget<int>"),
/// or the run-time type information's own name if it cannot be made readable.
std::string className(const std::type_info& type);

}  // namespace trvPlatform

#endif
