// SPDX-License-Identifier: MIT
#ifndef TRV_APP_TERMINAL_H
#define TRV_APP_TERMINAL_H

// What the program needs to know about the terminal it writes to.

#include <cstdio>

namespace trvApp {

/// Whether `stream` is a terminal that understands the escape sequences of a
/// line redrawn in place: a terminal, with $TERM set and not "dumb".
bool canRedrawLine(std::FILE* stream);

/// The width of the terminal behind `stream` in columns, asked afresh at
/// each call so that a resized window is followed; $COLUMNS, then 80, when
/// the terminal does not say.
int terminalWidth(std::FILE* stream);

}  // namespace trvApp

#endif
