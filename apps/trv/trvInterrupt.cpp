#include "trvInterrupt.h"

#include <signal.h>

namespace trvApp {

namespace {

volatile sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

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

bool interruptRequested() { return g_interrupted != 0; }

}  // namespace trvApp
