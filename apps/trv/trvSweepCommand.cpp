#include "trvSweepCommand.h"

#include <CtrvLogManager.h>
#include <CtrvMemoryProgressDelegate.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvTime.h>
#include <CtrvTimedProgressDelegate.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "trvInterrupt.h"
#include "trvProgressDisplay.h"
#include "trvSweepJob.h"
#include "trvTerminal.h"
#include "trvTextFormat.h"

namespace trvApp {

namespace {

// The largest limit the memory delegate takes: as a limit, it can never be
// crossed, which leaves the memory unwatched.
constexpr unsigned long long LARGEST_WATCHABLE = std::numeric_limits<unsigned long>::max();

struct SweepOptions {
  SweepSettings settings;
  double minUpdate = 0.1;
  unsigned long long maxMemory = LARGEST_WATCHABLE;
  std::string logPath = "trv.log";
  bool trace = false;
  std::string dumpPath;
};

// The chain the sweep reports through: timed over memory over notifying.
struct DelegateChain {
  boost::shared_ptr<CtrvNotifyingProgressDelegate> notifying;
  boost::shared_ptr<CtrvMemoryProgressDelegate> memory;
  boost::shared_ptr<CtrvTimedProgressDelegate> timed;
};

enum class Outcome { COMPLETE, INTERRUPTED, MEMORY_LIMIT };

void addOptions(CLI::App& sweep, SweepOptions& options) {
  sweep.add_option("--obstacles", options.settings.obstacles, "Capsule obstacles to place")
      ->type_name("N")
      ->check(wholeNumber(0, 100000))
      ->capture_default_str();
  sweep.add_option("--segments", options.settings.segments, "Random segments to check")
      ->type_name("N")
      ->check(wholeNumber(1, 1000000000000LL))
      ->capture_default_str();
  sweep.add_option("--seed", options.settings.seed, "Seed of every random draw")
      ->type_name("N")
      ->check(wholeNumber(0, LARGEST_SEED))
      ->capture_default_str();
  sweep
      .add_option("--min-update", options.minUpdate,
                  "Least seconds between two progress reports (Ctrl-C is seen at the next one)")
      ->type_name("SECONDS")
      ->check(realNumber(0.0, 10.0))
      ->capture_default_str();
  sweep
      .add_option("--max-memory", options.maxMemory,
                  "Stop (exit 3) when the working set grows above SIZE (e.g. 512M); off by default")
      ->type_name("SIZE")
      ->transform(byteSize(LARGEST_WATCHABLE));
  sweep.add_option("--log", options.logPath, "Live log file")
      ->type_name("FILE")
      ->capture_default_str();
  sweep.add_flag("--trace", options.trace, "Trace every progress notification into the log");
  sweep.add_option("--dump", options.dumpPath, "Write the whole log to FILE at the end")
      ->type_name("FILE");
}

// Whether the file at `path` could be written, or made; the reason if not.
// Nothing is created: a command that fails leaves no files behind.
bool checkWritable(const std::string& path, std::string& reason) {
  const std::filesystem::path file(path);
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) {
    reason = std::strerror(EISDIR);
    return false;
  }
  const bool exists = std::filesystem::exists(file, error);
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  if (access(exists ? path.c_str() : folder.c_str(), exists ? W_OK : W_OK | X_OK) == 0) return true;
  reason = std::strerror(errno);
  return false;
}

bool checkFiles(const SweepOptions& options) {
  for (const std::string* path : {&options.logPath, &options.dumpPath}) {
    std::string reason;
    if (path->empty() || checkWritable(*path, reason)) continue;
    std::fprintf(stderr, "trv: cannot write '%s': %s\n", path->c_str(), reason.c_str());
    return false;
  }
  return true;
}

DelegateChain makeChain(const SweepOptions& options) {
  DelegateChain chain;
  chain.notifying = CtrvNotifyingProgressDelegate::create();
  chain.notifying->notificator()->doesLog(options.trace, false);
  chain.memory = CtrvMemoryProgressDelegate::createWithMax(CtrvMemory::PROCESS_WORKING_SET_SIZE,
                                                           options.maxMemory, chain.notifying);
  chain.timed = CtrvTimedProgressDelegate::create(chain.memory, options.minUpdate);
  return chain;
}

// The observer cancels the notifying delegate on Ctrl-C; any other stop is
// the memory delegate's.
Outcome outcomeOf(const SweepTally& tally, const DelegateChain& chain) {
  if (tally.completed) return Outcome::COMPLETE;
  return chain.notifying->cancelled() ? Outcome::INTERRUPTED : Outcome::MEMORY_LIMIT;
}

const char* outcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::COMPLETE:
      return "complete";
    case Outcome::INTERRUPTED:
      return "interrupted";
    case Outcome::MEMORY_LIMIT:
      return "stopped at the memory limit";
  }
  return "";
}

std::string headline(const SweepOptions& options) {
  return "sweep of " + std::to_string(options.settings.segments) + " segments through " +
         std::to_string(options.settings.obstacles) + " obstacles, seed " +
         std::to_string(options.settings.seed);
}

// scale · part / whole followed by `unit`, or "-" when there is no whole.
std::string ratioText(double part, double whole, double scale, int decimals, const char* unit) {
  return whole > 0.0 ? formatFixed(scale * part / whole, decimals) + unit : "-";
}

// The summary, on standard output and in the log.
void printSummary(const SweepOptions& options, const SweepTally& tally, Outcome outcome,
                  double elapsed) {
  const double checked = static_cast<double>(tally.checked);
  const std::string lines[] = {
      headline(options) + ": " + outcomeText(outcome),
      "segments checked  " + std::to_string(tally.checked) + " of " +
          std::to_string(options.settings.segments),
      "hits              " + std::to_string(tally.hits),
      "hit rate          " + ratioText(static_cast<double>(tally.hits), checked, 100.0, 2, " %"),
      "elapsed           " + formatFixed(elapsed, 3) + " s",
      "segments/s        " + ratioText(checked, elapsed, 1.0, 0, ""),
  };
  for (const std::string& line : lines) {
    std::printf("%s\n", line.c_str());
    CtrvLogManager::addInfo(line);
  }
  std::fflush(stdout);
}

void tellStop(const SweepOptions& options, Outcome outcome) {
  if (outcome == Outcome::INTERRUPTED) std::fprintf(stderr, "trv: interrupted\n");
  if (outcome != Outcome::MEMORY_LIMIT) return;
  const std::string where = options.logPath.empty() ? "" : "; see " + options.logPath;
  std::fprintf(stderr, "trv: the working set grew above --max-memory %s%s\n",
               formatBytes(static_cast<double>(options.maxMemory)).c_str(), where.c_str());
}

int exitCode(Outcome outcome) {
  switch (outcome) {
    case Outcome::COMPLETE:
      return EXIT_OK;
    case Outcome::INTERRUPTED:
      return EXIT_INTERRUPTED;
    case Outcome::MEMORY_LIMIT:
      return EXIT_MEMORY_LIMIT;
  }
  return EXIT_FAILED;
}

int runSweep(const SweepOptions& options) {
  if (!checkFiles(options)) return EXIT_FAILED;
  catchInterrupt();
  CtrvLogManager::createInstance(options.logPath);
  CtrvLogManager::addInfo(headline(options));
  const DelegateChain chain = makeChain(options);
  ProgressDisplay display(stderr, isTerminal(stderr),
                          {{static_cast<double>(options.settings.obstacles), "obstacles"},
                           {static_cast<double>(options.settings.segments), "segments"}});
  display.observe(chain.notifying);
  CtrvTime clock;
  clock.start(0.0);
  const SweepTally tally = SweepJob(options.settings).run(*chain.timed);
  const double elapsed = clock.stop();
  const Outcome outcome = outcomeOf(tally, chain);
  printSummary(options, tally, outcome, elapsed);
  tellStop(options, outcome);
  if (!options.dumpPath.empty()) CtrvLogManager::writeLog(options.dumpPath);
  return exitCode(outcome);
}

}  // namespace

void addSweepCommand(CLI::App& program, Commands& commands) {
  CLI::App* sweep = program.add_subcommand(
      "sweep", "Collision sweep: random segments against capsule obstacles, with live progress");
  auto options = std::make_shared<SweepOptions>();
  addOptions(*sweep, *options);
  commands.push_back({sweep, [options] { return runSweep(*options); }});
}

}  // namespace trvApp
