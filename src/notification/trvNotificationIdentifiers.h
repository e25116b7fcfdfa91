#ifndef TRV_NOTIFICATION_IDENTIFIERS_H
#define TRV_NOTIFICATION_IDENTIFIERS_H

// The library's own notification identifiers are numbered in a fixed order
// (the "every type" identifier first, then those of the library's posters),
// whatever order the linker gives their translation units. Any global of the
// library that makes an identifier calls trvAnyTypeIdentifier() before its
// own first CtrvNotification::makeID, so the "every type" identifier is
// always made first.

/// The identifier that subscribes to every type, made by
/// CtrvNotification::makeID("", "") on the first call and returned by every
/// later call.
unsigned int trvAnyTypeIdentifier();

#endif
