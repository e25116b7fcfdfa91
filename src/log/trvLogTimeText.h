// SPDX-License-Identifier: MIT
#ifndef TRV_LOG_TIME_TEXT_H
#define TRV_LOG_TIME_TEXT_H

#include <cstddef>

/// Room trvWriteLogTime() needs at most.
constexpr std::size_t kTrvLogTimeRoom = 32;

/// Writes `time` as a default-configured output stream writes a double (the
/// printf conversion "%g": general notation, six significant digits, trailing
/// zeros and a bare decimal point dropped) to `out`, which has room for
/// kTrvLogTimeRoom characters, and returns the number of characters written.
/// Log times, from 0.0001 to 999999.5 seconds either way, take a short path
/// of integer arithmetic; any other value is left to the standard library.
/// The text is the same to the last character either way.
std::size_t trvWriteLogTime(double time, char* out);

#endif
