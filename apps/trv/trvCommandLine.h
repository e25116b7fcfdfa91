// SPDX-License-Identifier: MIT
#ifndef TRV_APP_COMMAND_LINE_H
#define TRV_APP_COMMAND_LINE_H

// What the subcommands share: how they register, their exit codes, the
// checks on their numbers and the way a usage error is told.

#include <CLI/CLI.hpp>

#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace trvApp {

/// Exit codes of the program.
enum ExitCode {
  EXIT_OK = 0,
  EXIT_FAILED = 1,         ///< the system refused something (a file, a query)
  EXIT_USAGE = 2,          ///< the command line is wrong
  EXIT_MEMORY_LIMIT = 3,   ///< the sweep crossed --max-memory
  EXIT_INTERRUPTED = 130,  ///< stopped by Ctrl-C, as a shell reports SIGINT
};

/// The largest seed: seeds are unsigned 32-bit numbers.
constexpr long long LARGEST_SEED = 4294967295LL;

/// A subcommand and what runs it once its command line has been read.
struct Command {
  CLI::App* app;
  std::function<int()> run;
};

/// Every subcommand adds itself to the program and to this list.
using Commands = std::vector<Command>;

/// Reads the whole text as a whole number in decimal digits, with a leading
/// minus sign if negative. Leading zeros change nothing: "010" is ten.
/// @return false on anything else (a plus sign, spaces, "0x", overflow).
bool readWhole(const std::string& text, long long& value);

/// Reads the whole text as a number in decimal notation: digits with an
/// optional sign, decimal point and decimal exponent ("-1.5", ".5", "2e-3").
/// @return false on anything else ("0x1p3", "inf", "nan", spaces).
bool readDecimal(const std::string& text, double& value);

/// Accepts a whole number from `low` to `high` written in decimal digits
/// (a leading minus sign when `low` is negative).
CLI::Validator wholeNumber(long long low, long long high);

/// Accepts a finite number in decimal notation from `low` to `high`.
CLI::Validator realNumber(double low, double high);

/// Accepts any finite number in decimal notation.
CLI::Validator finiteNumber();

namespace numberOption {

template <class T>
bool fits(long long value) {
  if (value < 0) {
    return std::is_signed_v<T> && value >= static_cast<long long>(std::numeric_limits<T>::min());
  }
  return static_cast<unsigned long long>(value) <=
         static_cast<unsigned long long>(std::numeric_limits<T>::max());
}

template <class T>
bool read(const std::string& text, T& value) {
  if constexpr (std::is_floating_point_v<T>) {
    double number = 0.0;
    if (!readDecimal(text, number)) return false;
    value = static_cast<T>(number);
  } else {
    long long number = 0;
    if (!readWhole(text, number) || !fits<T>(number)) return false;
    value = static_cast<T>(number);
  }
  return true;
}

template <class T>
bool store(const CLI::results_t& texts, T& target) {
  return texts.size() == 1 && read(texts[0], target);
}

template <class T>
bool store(const CLI::results_t& texts, std::vector<T>& target) {
  std::vector<T> values(texts.size());
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (!read(texts[k], values[k])) return false;
  }
  target = std::move(values);
  return true;
}

template <class T>
std::string text(const T& value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

template <class T>
std::string text(const std::vector<T>&) {
  return "";
}

}  // namespace numberOption

/// Adds the option `name` of `app`, storing its values into `target` (a
/// number, or a vector of numbers for an option given several values) once
/// they have passed `check`. The values are read by readWhole() or
/// readDecimal(), never by the parser's own conversion, which would take
/// "010" for octal and "0x1p3" for a number.
template <class Target>
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, Target& target,
                             const CLI::Validator& check, const std::string& description) {
  CLI::Option* option = app.add_option(
      name, [&target](const CLI::results_t& texts) { return numberOption::store(texts, target); },
      description, false, [&target] { return numberOption::text(target); });
  return option->check(check);
}

/// Accepts a byte size ("4096", "64K", "512M", "8G", "2T") of at most
/// `high` bytes and replaces it by the plain number of bytes.
CLI::Validator byteSize(unsigned long long high);

/// Tells a usage error: one line "trv: <message>" on standard error, then
/// the hint to the help of `app`.
/// @return EXIT_USAGE.
int usageError(const CLI::App& app, const std::string& message);

}  // namespace trvApp

#endif
