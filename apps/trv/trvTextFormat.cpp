// SPDX-License-Identifier: MIT
#include "trvTextFormat.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace trvApp {

namespace {

std::string printed(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Three significant digits at most, enough to read at a glance.
std::string shortNumber(double value) {
  if (value >= 100.0) return printed("%.0f", value);
  if (value >= 10.0) return printed("%.1f", value);
  return printed("%.2f", value);
}

// The power of 1024 named by a unit letter, or 0 for an unknown unit.
unsigned long long unitFactor(std::string unit) {
  for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (unit.size() > 1 && unit.back() == 'B') unit.pop_back();
  if (unit.size() > 1 && unit.back() == 'I') unit.pop_back();
  if (unit.empty() || unit == "B") return 1ULL;
  if (unit == "K") return 1ULL << 10;
  if (unit == "M") return 1ULL << 20;
  if (unit == "G") return 1ULL << 30;
  if (unit == "T") return 1ULL << 40;
  return 0;
}

}  // namespace

std::string formatBytes(double bytes) {
  static const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024.0) return printed("%.0f", bytes) + " B";
  int unit = -1;
  while (bytes >= 1024.0 && unit < 5) {
    bytes /= 1024.0;
    ++unit;
  }
  return printed("%.1f", bytes) + " " + units[unit];
}

std::string formatCount(double count) {
  if (count < 1000.0) return printed("%.0f", count);
  if (count < 1e6) return shortNumber(count / 1e3) + "k";
  if (count < 1e9) return shortNumber(count / 1e6) + "M";
  return shortNumber(count / 1e9) + "G";
}

std::string formatDuration(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0.0) return "?";
  if (seconds < 10.0) return printed("%.1f", seconds) + " s";
  if (seconds < 60.0) return printed("%.0f", seconds) + " s";
  const long total = std::lround(seconds);
  char buffer[64];
  if (total < 3600) {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", total / 60, total % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                  total % 60);
  }
  return buffer;
}

std::string formatFixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

ByteSizeText parseByteSize(const std::string& text, unsigned long long& bytes) {
  constexpr unsigned long long kLargest = std::numeric_limits<unsigned long long>::max();
  std::size_t digits = 0;
  unsigned long long number = 0;
  bool fits = true;
  for (; digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])); ++digits) {
    const unsigned long long digit = static_cast<unsigned long long>(text[digits] - '0');
    fits = fits && number <= (kLargest - digit) / 10;
    if (fits) number = number * 10 + digit;
  }
  const unsigned long long factor = unitFactor(text.substr(digits));
  if (digits == 0 || factor == 0) return ByteSizeText::NOT_A_SIZE;
  if (!fits || number > kLargest / factor) return ByteSizeText::TOO_LARGE;
  bytes = number * factor;
  return ByteSizeText::SIZE;
}

}  // namespace trvApp
