// SPDX-License-Identifier: MIT
#include "notification/trvNotificationBlocks.h"

#include <new>

#include "notification/trvSanitizerBuild.h"

namespace {

// Under AddressSanitizer every block goes back to the heap, so a notification
// used after its release is still reported.
#if TRV_ADDRESS_SANITIZED
constexpr unsigned int kKeptPerThread = 0;
#else
constexpr unsigned int kKeptPerThread = 4;
#endif

// Trivially constructed and destroyed, so reaching it costs no
// initialisation check; the reaper below frees what it holds.
struct KeptBlocks {
  CtrvNotificationBlock* blocks[kKeptPerThread + 1];
  unsigned int count;
  bool reaperArmed;
  bool threadEnding;
};

thread_local KeptBlocks t_kept;

void freeBlock(CtrvNotificationBlock* block) noexcept {
  if (block->holdsNotification) {
    std::launder(reinterpret_cast<CtrvNotification*>(block->object))->~CtrvNotification();
  }
  delete block;
}

// Frees the thread's kept blocks when the thread ends (for the main thread:
// when the process exits). Blocks released after that go straight back to the heap.
struct Reaper {
  ~Reaper() {
    t_kept.threadEnding = true;
    while (t_kept.count > 0) freeBlock(t_kept.blocks[--t_kept.count]);
  }
};

thread_local Reaper t_reaper;

void armReaper() {
  // The first use of the reaper registers its destruction at thread exit.
  Reaper& reaper = t_reaper;
  static_cast<void>(reaper);
  t_kept.reaperArmed = true;
}

}  // namespace

CtrvNotificationBlock* trvTakeNotificationBlock() {
  if (t_kept.count > 0) return t_kept.blocks[--t_kept.count];
  return new CtrvNotificationBlock;
}

void trvGiveBackNotificationBlock(CtrvNotificationBlock* block) noexcept {
  if (t_kept.count < kKeptPerThread && !t_kept.threadEnding) {
    if (!t_kept.reaperArmed) armReaper();
    t_kept.blocks[t_kept.count++] = block;
    return;
  }
  freeBlock(block);
}
