// SPDX-License-Identifier: MIT
#ifndef TRV_NOTIFICATION_BLOCKS_H
#define TRV_NOTIFICATION_BLOCKS_H

#include <cstddef>

#include "CtrvNotification.h"

// Storage for notifications. Posting by type creates and releases a
// notification on every call, so each thread keeps the few blocks it released
// last and builds its next notifications in them instead of going back to the
// heap. A released notification is emptied, not destroyed: the next one made
// in its block only sets its type and references.

/// Raw storage for one notification and its reference counts.
struct CtrvNotificationBlock {
  /// Room for the reference counts (the smart pointer's control block).
  static constexpr std::size_t kCountsRoom = 64;
  alignas(std::max_align_t) unsigned char counts[kCountsRoom];
  alignas(CtrvNotification) unsigned char object[sizeof(CtrvNotification)];
  /// Whether `object` holds a notification, empty and unowned when the block
  /// is taken; it is destroyed with the block.
  bool holdsNotification = false;
};

/// A block this thread released lately, or a new one (throws std::bad_alloc
/// as `new` does when the heap is exhausted).
CtrvNotificationBlock* trvTakeNotificationBlock();

/// Keeps `block` for this thread's next notifications, or frees it when the
/// thread keeps enough already or is ending.
void trvGiveBackNotificationBlock(CtrvNotificationBlock* block) noexcept;

#endif
