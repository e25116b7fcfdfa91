// SPDX-License-Identifier: MIT
#include "trvInterrupt.h"

#include <signal.h>

#include <atomic>

namespace trvApp {

namespace {

// An atomic rather than a volatile sig_atomic_t: the handler may run on any
// thread that does not block the signal, and the flag is read on another.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free,
              "the handler may only touch lock-free atomics");

extern "C" void onInterrupt(int) { g_interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

void catchInterrupt() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a write that blocks (a full pipe, a stalled terminal)
  // returns at the first Ctrl-C, so the program gets to see the flag.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested() { return g_interrupted.load(std::memory_order_relaxed); }

}  // namespace trvApp
