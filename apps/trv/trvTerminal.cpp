// SPDX-License-Identifier: MIT
#include "trvTerminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace trvApp {

namespace {

constexpr int DEFAULT_WIDTH = 80;

int widthFromEnvironment() {
  const char* columns = std::getenv("COLUMNS");
  const int width = columns != nullptr ? std::atoi(columns) : 0;
  return width > 0 ? width : DEFAULT_WIDTH;
}

}  // namespace

bool canRedrawLine(std::FILE* stream) {
  const char* type = std::getenv("TERM");
  const bool knownType = type != nullptr && *type != '\0' && std::strcmp(type, "dumb") != 0;
  return knownType && isatty(fileno(stream)) == 1;
}

int terminalWidth(std::FILE* stream) {
  struct winsize size {};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return widthFromEnvironment();
}

}  // namespace trvApp
