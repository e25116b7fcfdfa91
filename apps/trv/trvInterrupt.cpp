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
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested() { return g_interrupted != 0; }

}  // namespace trvApp
