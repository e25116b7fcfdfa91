#include "trvSweepCommand.h"

#include <CtrvLogManager.h>
#include <CtrvMemory.h>
#include <CtrvMemoryProgressDelegate.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvTime.h>
#include <CtrvTimedProgressDelegate.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "trvInterrupt.h"
#include "trvOutputFiles.h"
#include "trvProgressDisplay.h"
#include "trvStandardStreams.h"
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
  addNumberOption(sweep, "--obstacles", options.settings.obstacles, wholeNumber(0, 100000),
                  "Capsule obstacles to place")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(sweep, "--segments", options.settings.segments, wholeNumber(1, 1000000000000LL),
                  "Random segments to check")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(sweep, "--seed", options.settings.seed, wholeNumber(0, LARGEST_SEED),
                  "Seed of every random draw")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(sweep, "--min-update", options.minUpdate, realNumber(0.0, 10.0),
                  "Least seconds between two progress reports (Ctrl-C is seen at the next one)")
      ->type_name("SECONDS")
      ->capture_default_str();
  sweep
      .add_option("--max-memory", options.maxMemory,
                  "Stop (exit 3) when the working set grows above SIZE (e.g. 512M); off by default")
      ->type_name("SIZE")
      ->transform(byteSize(LARGEST_WATCHABLE));
  sweep.add_option("--log", options.logPath, "Live log file, a regular file ('' for none)")
      ->type_name("FILE")
      ->capture_default_str();
  sweep.add_flag("--trace", options.trace, "Trace every progress notification into the log");
  static_assert(CtrvLogManager::s_maxNbMessages + 1 == 100001, "the --dump help names the bound");
  sweep
      .add_option("--dump", options.dumpPath,
                  "Write the log's last 100,001 records to FILE at the end (the live log keeps "
                  "them all)")
      ->type_name("FILE");
}

void tellUnwritable(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "trv: cannot write '%s': %s\n", path.c_str(), reason.c_str());
}

// The reason errno gives, or `otherwise` when it gives none.
std::string errnoReason(const char* otherwise) {
  return errno != 0 ? std::strerror(errno) : otherwise;
}

bool checkFiles(const SweepOptions& options) {
  for (const std::string* path : {&options.logPath, &options.dumpPath}) {
    if (path->empty()) continue;
    const std::string reason = unwritableReason(*path);
    if (reason.empty()) continue;
    tellUnwritable(*path, reason);
    return false;
  }
  return true;
}

// A dump over the live log would truncate the file the log keeps writing.
bool logAndDumpDiffer(const SweepOptions& options) {
  return options.logPath.empty() || options.dumpPath.empty() ||
         !sameFile(options.logPath, options.dumpPath);
}

bool memoryFigureReadable() {
  unsigned long workingSet = 0;
  return CtrvMemory::getIndicatorValue(CtrvMemory::PROCESS_WORKING_SET_SIZE, workingSet) == TR_OK;
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
  standardOutputFailed();  // keeps the reason while errno holds it
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

bool openLog(const SweepOptions& options) {
  errno = 0;
  CtrvLogManager::createInstance(options.logPath);
  if (options.logPath.empty() || CtrvLogManager::liveLogStatus() == TR_OK) return true;
  tellUnwritable(options.logPath, errnoReason("it cannot be opened"));
  return false;
}

// Whether the live log and the dump hold what they should; tells each that
// does not.
bool filesWritten(const SweepOptions& options) {
  bool written = true;
  if (!options.logPath.empty() && CtrvLogManager::liveLogStatus() != TR_OK) {
    tellUnwritable(options.logPath, "lines of the log were lost");
    written = false;
  }
  errno = 0;
  if (!options.dumpPath.empty() && CtrvLogManager::writeLog(options.dumpPath) != TR_OK) {
    tellUnwritable(options.dumpPath, errnoReason("the dump is incomplete"));
    written = false;
  }
  return written;
}

int sweepAndReport(const SweepOptions& options) {
  catchInterrupt();
  if (!openLog(options)) return EXIT_FAILED;
  CtrvLogManager::addInfo(headline(options));
  const DelegateChain chain = makeChain(options);
  ProgressDisplay display(stderr, canRedrawLine(stderr),
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
  return filesWritten(options) ? exitCode(outcome) : EXIT_FAILED;
}

int runSweep(const CLI::App& sweep, const SweepOptions& options) {
  if (!logAndDumpDiffer(options)) {
    return usageError(sweep, "--log and --dump name the same file '" + options.dumpPath + "'");
  }
  if (!checkFiles(options)) return EXIT_FAILED;
  if (sweep.count("--max-memory") > 0 && !memoryFigureReadable()) {
    std::fprintf(stderr, "trv: --max-memory: cannot read the memory figures on this system\n");
    return EXIT_FAILED;
  }
  try {
    return sweepAndReport(options);
  } catch (const std::bad_alloc&) {
    // Everything the sweep held is released by now; this line needs no memory.
    std::fprintf(stderr, "trv: out of memory for a sweep through %u obstacles\n",
                 options.settings.obstacles);
    return EXIT_FAILED;
  }
}

}  // namespace

void addSweepCommand(CLI::App& program, Commands& commands) {
  CLI::App* sweep = program.add_subcommand(
      "sweep", "Collision sweep: random segments against capsule obstacles, with live progress");
  auto options = std::make_shared<SweepOptions>();
  addOptions(*sweep, *options);
  commands.push_back({sweep, [sweep, options] { return runSweep(*sweep, *options); }});
}

}  // namespace trvApp
