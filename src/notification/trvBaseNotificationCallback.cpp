// SPDX-License-Identifier: MIT
#include "CtrvBaseNotificationCallback.h"

CtrvBaseNotificationCallback::~CtrvBaseNotificationCallback() = default;

const std::type_info* CtrvBaseNotificationCallback::receiverClass() const { return nullptr; }
