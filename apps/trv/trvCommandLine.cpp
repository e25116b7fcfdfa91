// SPDX-License-Identifier: MIT
#include "trvCommandLine.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "trvTextFormat.h"

namespace trvApp {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Moves `at` past the digits there; the number of digits passed.
std::size_t skipDigits(const std::string& text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  return at - start;
}

// Moves `at` past a sign there, if any.
void skipSign(const std::string& text, std::size_t& at) {
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
}

// [sign] digits [. [digits]] | [sign] . digits, then [e|E [sign] digits].
bool isDecimalNotation(const std::string& text) {
  std::size_t at = 0;
  skipSign(text, at);
  std::size_t digits = skipDigits(text, at);
  if (at < text.size() && text[at] == '.') digits += skipDigits(text, ++at);
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    skipSign(text, ++at);
    if (skipDigits(text, at) == 0) return false;
  }
  return at == text.size();
}

std::string shortReal(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::string inQuotes(const std::string& text) { return "'" + text + "'"; }

std::string rangeText(const std::string& low, const std::string& high) {
  return "must be from " + low + " to " + high;
}

std::string rangeText(double low, double high) {
  if (high == std::numeric_limits<double>::max()) return "must be at least " + shortReal(low);
  return rangeText(shortReal(low), shortReal(high));
}

// The path of an app for the hint, "trv sweep" for the sweep.
std::string commandPath(const CLI::App& app) {
  const CLI::App* parent = app.get_parent();
  return parent != nullptr ? commandPath(*parent) + " " + app.get_name() : app.get_name();
}

}  // namespace

bool readWhole(const std::string& text, long long& value) {
  if (text.empty() || !(isDigit(text[0]) || text[0] == '-')) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end != text.c_str() && *end == '\0';
}

bool readDecimal(const std::string& text, double& value) {
  if (!isDecimalNotation(text)) return false;
  // Plain decimal notation now, which strtod reads correctly rounded (the
  // program keeps the "C" locale, so the decimal point is '.').
  value = std::strtod(text.c_str(), nullptr);
  return true;
}

CLI::Validator wholeNumber(long long low, long long high) {
  const std::string range = rangeText(std::to_string(low), std::to_string(high));
  return CLI::Validator(
      [low, high, range](std::string& text) -> std::string {
        long long value = 0;
        if (!readWhole(text, value)) return inQuotes(text) + " is not a whole number";
        if (value < low || value > high) return inQuotes(text) + " is out of range: it " + range;
        return "";
      },
      "");
}

CLI::Validator realNumber(double low, double high) {
  const std::string range = rangeText(low, high);
  return CLI::Validator(
      [low, high, range](std::string& text) -> std::string {
        double value = 0.0;
        if (!readDecimal(text, value)) return inQuotes(text) + " is not a decimal number";
        if (!std::isfinite(value)) return inQuotes(text) + " is too large";
        if (value < low || value > high) return inQuotes(text) + " is out of range: it " + range;
        return "";
      },
      "");
}

CLI::Validator finiteNumber() {
  const double largest = std::numeric_limits<double>::max();
  return realNumber(-largest, largest);
}

CLI::Validator byteSize(unsigned long long high) {
  const std::string most =
      "at most " + std::to_string(high) + " bytes (" + formatBytes(static_cast<double>(high)) + ")";
  return CLI::Validator(
      [high, most](std::string& text) -> std::string {
        unsigned long long bytes = 0;
        const ByteSizeText reading = parseByteSize(text, bytes);
        if (reading == ByteSizeText::NOT_A_SIZE) {
          return inQuotes(text) + " is not a size (a whole number of bytes, or with K, M, G or T)";
        }
        if (reading == ByteSizeText::TOO_LARGE || bytes > high) {
          return inQuotes(text) + " is too large: " + most + " can be watched";
        }
        text = std::to_string(bytes);
        return "";
      },
      "");
}

// The parser says "--seed: 1 required UINT missing" for an option given
// without its value; people read "--seed: a value is missing" better.
std::string readable(const std::string& message) {
  const std::size_t nameEnd = message.find(": ");
  const std::string missing = " missing";
  const bool valueMissing =
      nameEnd != std::string::npos && message.find(" required ", nameEnd) != std::string::npos &&
      message.size() > missing.size() &&
      message.compare(message.size() - missing.size(), missing.size(), missing) == 0;
  return valueMissing ? message.substr(0, nameEnd) + ": a value is missing" : message;
}

int usageError(const CLI::App& app, const std::string& message) {
  std::string line = readable(message);
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  const std::string path = commandPath(app);
  std::fprintf(stderr, "trv: %s\nRun '%s --help' for usage.\n", line.c_str(), path.c_str());
  return EXIT_USAGE;
}

}  // namespace trvApp
