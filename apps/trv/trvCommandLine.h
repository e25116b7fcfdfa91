#ifndef TRV_APP_COMMAND_LINE_H
#define TRV_APP_COMMAND_LINE_H

// What the subcommands share: how they register, their exit codes, the
// checks on their numbers and the way a usage error is told.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
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

/// Accepts a whole number from `low` to `high` written in decimal digits
/// (a leading minus sign when `low` is negative).
CLI::Validator wholeNumber(long long low, long long high);

/// Accepts a finite decimal number from `low` to `high`.
CLI::Validator realNumber(double low, double high);

/// Accepts any finite decimal number.
CLI::Validator finiteNumber();

/// Accepts a byte size ("4096", "64K", "512M", "8G", "2T") of at most
/// `high` bytes and replaces it by the plain number of bytes.
CLI::Validator byteSize(unsigned long long high);

/// Tells a usage error: one line "trv: <message>" on standard error, then
/// the hint to the help of `app`.
/// @return EXIT_USAGE.
int usageError(const CLI::App& app, const std::string& message);

}  // namespace trvApp

#endif
