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

// The whole text as a signed decimal number; false on anything else (spaces,
// a sign where none may be, trailing characters, overflow).
bool readWhole(const std::string& text, long long& value) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-')) {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end != text.c_str() && *end == '\0';
}

bool readReal(const std::string& text, double& value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0';
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
        if (!readReal(text, value) || std::isnan(value)) return inQuotes(text) + " is not a number";
        if (!std::isfinite(value)) return inQuotes(text) + " is not a finite number";
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
