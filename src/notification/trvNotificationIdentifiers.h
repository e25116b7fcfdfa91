// SPDX-License-Identifier: MIT
#ifndef TRV_NOTIFICATION_IDENTIFIERS_H
#define TRV_NOTIFICATION_IDENTIFIERS_H

// The identifier that subscribes to every type is 1, recorded with two empty
// names. The identifier registry records it as it comes into existence, so it
// is the first identifier whoever calls CtrvNotification::makeID first, and
// it is a constant: a static initialiser in any translation unit, in any
// order, reads the right value. The library's own identifiers (those of its
// posters) follow as the first makeID calls of the process, from 2.

/// The identifier that subscribes to every type (1).
constexpr unsigned int trvAnyTypeIdentifier() { return 1; }

#endif
