// SPDX-License-Identifier: MIT
#include "trvSweepCommand.h"

#include <CtrvLogManager.h>
#include <CtrvMemory.h>
#include <CtrvMemoryProgressDelegate.h>
#include <CtrvNotificator.h>
#include <CtrvNotifyingProgressDelegate.h>
#include <CtrvTimedProgressDelegate.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "trvInterrupt.h"
#include "trvInterruptDelegate.h"
#include "trvObstacleField.h"
#include "trvOutputFiles.h"
#include "trvProgressDisplay.h"
#include "trvStandardStreams.h"
#include "trvSweepEngine.h"
#include "trvSweepSummary.h"
#include "trvTerminal.h"
#include "trvTextFormat.h"

namespace trvApp {

namespace {

// The largest limit the memory delegate takes: as a limit, it can never be
// crossed, which leaves the memory unwatched.
constexpr unsigned long long LARGEST_WATCHABLE = std::numeric_limits<unsigned long>::max();
// More workers than this only add threads waiting for a core.
constexpr long long MAX_THREADS = 1024;

// What a sweep shows by default: enough obstacles for the broad phase to
// matter, and segments for a few seconds on two cores.
constexpr std::uint64_t DEFAULT_OBSTACLES = 2000;
constexpr std::uint64_t DEFAULT_SEGMENTS = 10000000;

struct SweepOptions {
  SweepPlan plan;
  bool json = false;
  double minUpdate = 0.1;
  unsigned long long maxMemory = LARGEST_WATCHABLE;
  std::string logPath = "trv.log";
  bool trace = false;
  std::string dumpPath;
};

// The chain the sweep reports through, from the top: Ctrl-C, timed, memory,
// notifying (the display observes the last).
struct DelegateChain {
  boost::shared_ptr<CtrvNotifyingProgressDelegate> notifying;
  boost::shared_ptr<CtrvMemoryProgressDelegate> memory;
  boost::shared_ptr<CtrvTimedProgressDelegate> timed;
  boost::shared_ptr<InterruptDelegate> top;
};

enum class Outcome { COMPLETE, INTERRUPTED, MEMORY_LIMIT };

// The phases as the chain's steps, with the messages of their reports.
constexpr unsigned int PHASE_COUNT = 3;
const char* const PHASE_TEXTS[PHASE_COUNT] = {"placing obstacles", "indexing obstacles",
                                              "sweeping"};
const char* const DONE_TEXT = "done";

unsigned int hardwareThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

CLI::Validator shardText() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        SweepShard shard;
        if (readShard(text, shard)) return "";
        return "'" + text + "' is not a shard K/N of whole numbers with 1 <= K <= N";
      },
      "");
}

void addOptions(CLI::App& sweep, SweepOptions& options) {
  SweepPlan& plan = options.plan;
  plan.obstacles = DEFAULT_OBSTACLES;
  plan.segments = DEFAULT_SEGMENTS;
  addNumberOption(sweep, "--obstacles", plan.obstacles,
                  wholeNumber(0, static_cast<long long>(ObstacleField::MAX_OBSTACLES)),
                  "Capsule obstacles to place")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(sweep, "--segments", plan.segments,
                  wholeNumber(1, static_cast<long long>(SegmentChunks::MAX_SEGMENTS)),
                  "Random segments to check")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(sweep, "--seed", plan.seed, wholeNumber(0, LARGEST_SEED),
                  "Seed of every random draw")
      ->type_name("N")
      ->capture_default_str();
  addNumberOption(sweep, "--threads", plan.threads, wholeNumber(1, MAX_THREADS),
                  "Worker threads (default: one per hardware thread, " +
                      std::to_string(hardwareThreads()) + " here; 1: no thread started)")
      ->type_name("N");
  sweep
      .add_option(
          "--shard",
          [&plan](const CLI::results_t& texts) {
            return texts.size() == 1 && readShard(texts[0], plan.shard);
          },
          "Check only the K-th of N equal parts of the segments (for several machines; "
          "trv merge adds the parts' --json summaries)")
      ->type_name("K/N")
      ->check(shardText());
  sweep.add_flag("--json", options.json, "Print the summary as one JSON object");
  sweep.add_flag("--brute-force", plan.bruteForce,
                 "Test every segment against every obstacle (no tree; same answer, slower)");
  addNumberOption(sweep, "--min-update", options.minUpdate, realNumber(0.0, 10.0),
                  "Least seconds between two progress reports")
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
  chain.top = InterruptDelegate::create(chain.timed, chain.notifying);
  return chain;
}

// Turns the engine's ticks, on the calling thread, into the chain's steps,
// reports and cancellation, and logs each phase as it starts.
class ChainReporter {
 public:
  ChainReporter(CtrvProgressDelegate& chain, const SweepEngine& engine, const SweepPlan& plan)
      : m_chain(chain), m_engine(engine), m_plan(plan) {}

  bool operator()(const SweepProgress& progress) {
    const auto phase = static_cast<unsigned int>(progress.phase);
    while (m_chain.step() < phase) m_chain.nextStep();
    if (m_loggedPhase != static_cast<int>(phase)) logPhase(progress.phase);
    if (m_chain.shouldReport()) {
      m_chain.report(static_cast<float>(progress.fraction), PHASE_TEXTS[phase]);
    }
    return m_chain.cancelled();
  }

 private:
  void logPhase(SweepPhase phase) {
    m_loggedPhase = static_cast<int>(phase);
    const std::string obstacles = std::to_string(m_plan.obstacles) + " obstacles";
    switch (phase) {
      case SweepPhase::placing:
        CtrvLogManager::addInfo("placing " + obstacles);
        return;
      case SweepPhase::indexing:
        CtrvLogManager::addInfo("indexing " + obstacles);
        return;
      case SweepPhase::sweeping:
        CtrvLogManager::addInfo("sweeping " + std::to_string(m_engine.shardSegments()) +
                                " segments on " + std::to_string(m_engine.threads()) +
                                (m_engine.threads() == 1 ? " thread" : " threads") +
                                (m_plan.bruteForce ? ", every obstacle for every segment" : ""));
        return;
    }
  }

  CtrvProgressDelegate& m_chain;
  const SweepEngine& m_engine;
  const SweepPlan& m_plan;
  int m_loggedPhase = -1;
};

// Takes the chain to its last step and reports the end.
void reportDone(CtrvProgressDelegate& chain) {
  while (chain.step() < chain.stepCount()) chain.nextStep();
  if (chain.shouldReport()) chain.report(1.0f, DONE_TEXT);
}

// The Ctrl-C delegate cancels the notifying delegate; any other stop is the
// memory delegate's.
Outcome outcomeOf(const SweepResult& result, const DelegateChain& chain) {
  if (result.complete) return Outcome::COMPLETE;
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

std::string headline(const SweepPlan& plan) {
  const std::string shard = plan.shard.count > 1 ? ", shard " + plan.shard.text() : "";
  return "sweep of " + std::to_string(plan.segments) + " segments through " +
         std::to_string(plan.obstacles) + " obstacles, seed " + std::to_string(plan.seed) + shard;
}

// scale · part / whole followed by `unit`, or "-" when there is no whole.
std::string ratioText(double part, double whole, double scale, int decimals, const char* unit) {
  return whole > 0.0 ? formatFixed(scale * part / whole, decimals) + unit : "-";
}

// The summary for people, in the log and (unless JSON is asked for) on
// standard output; JSON on standard output otherwise.
void printSummary(const SweepOptions& options, const SweepEngine& engine, const SweepResult& result,
                  Outcome outcome) {
  const double checked = static_cast<double>(result.checked);
  const double elapsed = result.elapsedSeconds;
  const std::string lines[] = {
      headline(options.plan) + ": " + outcomeText(outcome),
      "segments checked  " + std::to_string(result.checked) + " of " +
          std::to_string(engine.shardSegments()),
      "hits              " + std::to_string(result.hits),
      "hit rate          " + ratioText(static_cast<double>(result.hits), checked, 100.0, 2, " %"),
      "elapsed           " + formatFixed(elapsed, 3) + " s",
      "segments/s        " + ratioText(checked, elapsed, 1.0, 0, ""),
      "threads           " + std::to_string(engine.threads()) +
          (options.plan.bruteForce ? " (brute force)" : ""),
  };
  for (const std::string& line : lines) {
    if (!options.json) std::printf("%s\n", line.c_str());
    CtrvLogManager::addInfo(line);
  }
  if (options.json) std::printf("%s\n", summaryJson(result).c_str());
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

// The display's steps: the chain's, with their items and shares of the work.
std::vector<StepItems> displaySteps(const SweepEngine& engine, const SweepPlan& plan) {
  const SweepWorkShares shares = engine.shares();
  const double obstacles = static_cast<double>(plan.obstacles);
  return {{obstacles, "obstacles", shares.placing},
          {obstacles, "obstacles", shares.indexing},
          {static_cast<double>(engine.shardSegments()), "segments", shares.sweeping}};
}

int sweepAndReport(const SweepOptions& options) {
  catchInterrupt();
  if (!openLog(options)) return EXIT_FAILED;
  CtrvLogManager::addInfo(headline(options.plan));
  const DelegateChain chain = makeChain(options);
  SweepEngine engine(options.plan);
  ProgressDisplay display(stderr, canRedrawLine(stderr), displaySteps(engine, options.plan));
  display.observe(chain.notifying);
  CtrvProgressDelegate& progress = *chain.top;
  progress.stepCount(PHASE_COUNT);
  progress.cancellable(true);
  progress.start();
  const SweepResult result = engine.run(ChainReporter(progress, engine, options.plan));
  if (result.complete) reportDone(progress);
  progress.finish();
  const Outcome outcome = outcomeOf(result, chain);
  printSummary(options, engine, result, outcome);
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
    std::fprintf(stderr, "trv: out of memory for a sweep through %llu obstacles\n",
                 static_cast<unsigned long long>(options.plan.obstacles));
  } catch (const std::system_error& error) {
    // A worker thread that could not be started (too many threads, too
    // little memory for their stacks).
    std::fprintf(stderr, "trv: cannot run the sweep's threads: %s\n", error.what());
  }
  return EXIT_FAILED;
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
