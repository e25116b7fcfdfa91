// SPDX-License-Identifier: MIT
#ifndef TRV_APP_TEXT_FORMAT_H
#define TRV_APP_TEXT_FORMAT_H

// Numbers written for people: byte sizes, counts, rates and durations.

#include <string>

namespace trvApp {

/// A byte count with a binary unit: "512 B", "3.4 MiB", "7.8 GiB", up to EiB.
std::string formatBytes(double bytes);

/// A count shortened with k, M or G when large: "987", "41.2k", "1.23M".
std::string formatCount(double count);

/// A duration: "0.4 s", "12 s", "3:05" (minutes), "1:02:03" (hours).
std::string formatDuration(double seconds);

/// A number with a fixed count of decimals.
std::string formatFixed(double value, int decimals);

/// What parseByteSize() found in a text.
enum class ByteSizeText {
  SIZE,        ///< a size, stored in the out-argument
  NOT_A_SIZE,  ///< anything else than a whole number and a known unit
  TOO_LARGE,   ///< a size, but more bytes than 64 bits can count
};

/// Reads a byte size: a whole number with an optional unit K, M, G or T
/// (powers of 1024; "KiB", "MB" and the like are accepted too). `bytes` is
/// changed only when the result is ByteSizeText::SIZE.
ByteSizeText parseByteSize(const std::string& text, unsigned long long& bytes);

}  // namespace trvApp

#endif
