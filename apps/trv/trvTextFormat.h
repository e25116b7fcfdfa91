#ifndef TRV_APP_TEXT_FORMAT_H
#define TRV_APP_TEXT_FORMAT_H

// Numbers written for people: byte sizes, counts, rates and durations.

#include <string>

namespace trvApp {

/// A byte count with a binary unit: "512 B", "3.4 MiB", "7.8 GiB".
std::string formatBytes(double bytes);

/// A count shortened with k, M or G when large: "987", "41.2k", "1.23M".
std::string formatCount(double count);

/// A duration: "0.4 s", "12 s", "3:05" (minutes), "1:02:03" (hours).
std::string formatDuration(double seconds);

/// A number with a fixed count of decimals.
std::string formatFixed(double value, int decimals);

/// Reads a byte size: a whole number with an optional unit K, M or G
/// (powers of 1024; "KiB", "MB" and the like are accepted too).
/// @return false when the text is not such a size or does not fit.
bool parseByteSize(const std::string& text, unsigned long long& bytes);

}  // namespace trvApp

#endif
