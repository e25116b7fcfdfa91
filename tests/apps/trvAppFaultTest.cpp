// SPDX-License-Identifier: MIT
// The program when its surroundings fail it: outputs that cannot be written,
// closed standard streams, too little memory, no /proc, a blocked terminal.
// Whatever happens, it ends with a clear line and an exit code that says so,
// never with lost output reported as success.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "apps/trvAppRunner.h"
#include "support/trvTestSupport.h"

namespace {

using trvTest::AppProcess;
using trvTest::AppRun;
using trvTest::AppSetup;
using trvTest::runApp;
using trvTest::within;

// A small sweep with the given extra arguments.
std::vector<std::string> smallSweep(std::vector<std::string> extra) {
  std::vector<std::string> args = {"sweep", "--segments", "10", "--obstacles", "1"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Exactly one message on standard error (progress lines aside), naming
// `file`, with `reason` in it.
void expectOneLineNaming(const AppRun& run, const std::string& file, const std::string& reason) {
  std::vector<std::string> lines;
  for (const std::string& line : trvTest::splitLines(run.err)) {
    if (line.rfind("trv: ", 0) == 0) lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0].rfind("trv: cannot write " + file, 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
}

// Every line of a log file is a log line: nothing meant for the standard
// streams got into it.
void expectOnlyLogLines(const std::string& path) {
  const std::vector<std::string> lines = trvTest::splitLines(trvTest::readFile(path));
  ASSERT_FALSE(lines.empty()) << path;
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("time: ", 0), 0u) << line;
}

// Each of these, as --log or as --dump, would block the sweep (a pipe), lose
// what it writes (a device) or cannot be made at all: refused before any
// work, with one line naming the file and exit 1.
TEST(AppFaults, OutputsThatCannotHoldAFileAreRefusedUpFront) {
  trvTest::TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  std::filesystem::create_symlink("missing/target.log", dir.file("dangling"));
  std::filesystem::create_symlink("loop-b", dir.file("loop-a"));
  std::filesystem::create_symlink("loop-a", dir.file("loop-b"));
  const std::string longName(300, 'n');
  const std::pair<std::string, std::string> refused[] = {
      {"pipe", "not a regular file"},      {"/dev/full", "not a regular file"},
      {"/dev/null", "not a regular file"}, {longName, "too long"},
      {"dangling", "No such file"},        {"loop-a", "symbolic links"},
  };
  for (const std::string option : {"--log", "--dump"}) {
    for (const auto& [file, reason] : refused) {
      const AppRun run = runApp(smallSweep({option, file}), dir.path());
      EXPECT_EQ(run.exitCode, 1) << option << " " << file << ": " << run.err;
      EXPECT_TRUE(run.out.empty()) << run.out;
      EXPECT_EQ(trvTest::splitLines(run.err).size(), 1u) << run.err;
      expectOneLineNaming(run, "'" + file + "'", reason);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("trv.log")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

// The dump would truncate the live log under the feet of the log, however
// the two names are spelt: a usage error, before anything is touched.
TEST(AppFaults, TheSameFileForLogAndDumpIsAUsageError) {
  trvTest::TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  std::filesystem::create_symlink("live.log", dir.file("link.log"));
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"live.log", "live.log"},
      {"live.log", "./live.log"},
      {"sub/../live.log", dir.file("live.log")},
      {"live.log", "link.log"},  // the link dangles until the log is made
  };
  const auto expectRefused = [&](const std::string& log, const std::string& dump) {
    const AppRun run = runApp(smallSweep({"--log", log, "--dump", dump}), dir.path());
    EXPECT_EQ(run.exitCode, 2) << log << " " << dump << ": " << run.err;
    const std::vector<std::string> lines = trvTest::splitLines(run.err);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    EXPECT_NE(lines[0].find("--log and --dump name the same file"), std::string::npos);
    EXPECT_EQ(lines[1], "Run 'trv sweep --help' for usage.");
  };
  for (const auto& [log, dump] : pairs) expectRefused(log, dump);
  EXPECT_FALSE(std::filesystem::exists(dir.file("live.log")));

  std::ofstream(dir.file("kept.log")) << "an earlier run\n";
  std::filesystem::create_hard_link(dir.file("kept.log"), dir.file("hard.log"));
  expectRefused("kept.log", "hard.log");
  EXPECT_EQ(trvTest::readFile(dir.file("kept.log")), "an earlier run\n");
}

// The child's files may grow to `bytes` at most; a write beyond fails with
// EFBIG, as on a full disk, instead of killing the program.
std::function<void()> fileSizeLimit(rlim_t bytes) {
  return [bytes] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
  };
}

// Output that was lost on the way is a failure: one line naming what could
// not be written, exit 1, even though the work itself was done.
TEST(AppFaults, OutputLostWhileWritingGivesExit1) {
  trvTest::TempDir dir;
  const std::vector<std::string> busySweep = {"sweep", "--segments", "100000",       "--obstacles",
                                              "1",     "--trace",    "--min-update", "0"};
  std::vector<std::string> dumpOnly = busySweep, logOnly = busySweep;
  dumpOnly.insert(dumpOnly.end(), {"--log", "", "--dump", "dump.log"});
  logOnly.insert(logOnly.end(), {"--log", "live.log"});
  for (const auto& [args, file, reason] :
       {std::make_tuple(dumpOnly, "dump.log", "File too large"),
        std::make_tuple(logOnly, "live.log", "lines of the log were lost")}) {
    const AppRun run = runApp(args, dir.path(), AppSetup{0, {}, fileSizeLimit(2048)});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.out.find(": complete"), std::string::npos) << run.out;
    expectOneLineNaming(run, std::string("'") + file + "'", reason);
  }

  const auto fullOutput = [] { dup2(open("/dev/full", O_WRONLY), 1); };
  const auto closedOutput = [] { close(1); };
  const std::pair<std::vector<std::string>, std::function<void()>> lostOutputs[] = {
      {{"random", "--count", "3"}, fullOutput},
      {{"random", "--count", "1000000"}, fullOutput},
      {{"memory", "--json"}, closedOutput},
      {{"pose", "--angles", "1", "2", "3"}, closedOutput},
      {{"--help"}, fullOutput},
  };
  for (const auto& [args, setup] : lostOutputs) {
    const AppRun run = runApp(args, dir.path(), AppSetup{0, {}, setup});
    EXPECT_EQ(run.exitCode, 1) << args[0] << ": " << run.err;
    expectOneLineNaming(run, "standard output",
                        args[0] == "memory" || args[0] == "pose" ? "Bad file descriptor"
                                                                 : "No space left on device");
  }
}

// With a standard stream closed at the start, the live log must not take its
// descriptor: the summary and the progress lines stay out of the log. A
// closed standard output fails the command; a closed standard error only
// loses the progress lines.
TEST(AppFaults, ClosedStandardStreamsNeverLeadIntoTheLog) {
  trvTest::TempDir dir;
  const std::vector<std::string> sweep = {"sweep", "--segments", "3000",    "--obstacles",
                                          "5",     "--log",      "live.log"};
  const AppRun noOutput = runApp(sweep, dir.path(), AppSetup{0, {}, [] { close(1); }});
  EXPECT_EQ(noOutput.exitCode, 1);
  expectOnlyLogLines(dir.file("live.log"));
  EXPECT_NE(noOutput.err.find("trv: cannot write standard output: Bad file descriptor"),
            std::string::npos)
      << noOutput.err;

  const AppRun noError = runApp(sweep, dir.path(), AppSetup{0, {}, [] { close(2); }});
  EXPECT_EQ(noError.exitCode, 0);
  expectOnlyLogLines(dir.file("live.log"));
  EXPECT_NE(noError.out.find("segments checked  3000 of 3000"), std::string::npos) << noError.out;
}

// A terminal whose type is unknown or "dumb" gets plain lines: no escape
// sequence, no carriage return other than the terminal's own before a line
// feed.
TEST(AppFaults, NoEscapeSequencesWithoutAKnownTerminalType) {
  for (const char* type : {"", "dumb", static_cast<const char*>(nullptr)}) {
    trvTest::TempDir dir;
    const auto setType = [type] {
      if (type != nullptr) setenv("TERM", type, 1);
      if (type == nullptr) unsetenv("TERM");
    };
    const AppRun run =
        runApp({"sweep", "--segments", "20000", "--obstacles", "10", "--min-update", "0"},
               dir.path(), AppSetup{80, {}, setType});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
    for (std::size_t at = run.err.find('\r'); at != std::string::npos;
         at = run.err.find('\r', at + 1)) {
      ASSERT_EQ(run.err[at + 1], '\n') << run.err;
    }
    EXPECT_NE(run.err.find("100%  "), std::string::npos) << run.err;
  }
}

// Limits of the child: `addressSpace` bytes of address space and no core file.
std::function<void()> memoryLimit(rlim_t addressSpace) {
  return [addressSpace] {
    const rlimit noCore{0, 0}, space{addressSpace, addressSpace};
    setrlimit(RLIMIT_CORE, &noCore);
    setrlimit(RLIMIT_AS, &space);
  };
}

// Whether this build runs under ThreadSanitizer (GCC says so with a macro,
// Clang through __has_feature).
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

TEST(AppFaults, RunningOutOfMemoryIsOneLineAndExit1) {
  if (kThreadSanitizer) {
    GTEST_SKIP() << "ThreadSanitizer maps far more than 10 MiB before the program starts";
  }
  trvTest::TempDir dir;
  const AppSetup setup{0, {}, memoryLimit(10 << 20)};
  const AppRun starts = runApp({"--version"}, dir.path(), setup);
  if (starts.exitCode != 0) GTEST_SKIP() << "the program cannot start in 10 MiB: " << starts.err;
  // Too many obstacles for the memory, then memory enough for the obstacles
  // but not for the stacks of the threads.
  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"--obstacles", "1000000"}, "trv: out of memory for a sweep through 1000000 obstacles"},
      {{"--obstacles", "10", "--threads", "4"}, "trv: cannot run the sweep's threads: "},
  };
  for (const auto& [extra, message] : failures) {
    std::vector<std::string> args = {"sweep", "--log", ""};
    args.insert(args.end(), extra.begin(), extra.end());
    const AppRun run = runApp(args, dir.path(), setup);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The progress lines shown before, then the message.
    const std::vector<std::string> lines = trvTest::splitLines(run.err);
    ASSERT_FALSE(lines.empty());
    for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
      EXPECT_NE(lines[k].find("%  "), std::string::npos) << run.err;
    }
    EXPECT_EQ(lines.back().rfind(message, 0), 0u) << run.err;
  }
}

// Runs the program with an empty /proc, in a mount namespace of its own.
const AppSetup kWithoutProc{
    0, {"unshare", "-rm", "sh", "-c", "mount -t tmpfs none /proc && exec \"$@\"", "sh"}, {}};

TEST(AppFaults, AMemoryLimitThatCannotBeWatchedIsRefused) {
  trvTest::TempDir dir;
  const AppRun starts = runApp({"--version"}, dir.path(), kWithoutProc);
  if (starts.exitCode != 0 || starts.out.rfind("trv ", 0) != 0) {
    GTEST_SKIP() << "cannot run the program with /proc hidden: " << starts.err;
  }
  const AppRun refused = runApp(smallSweep({"--max-memory", "1G"}), dir.path(), kWithoutProc);
  EXPECT_EQ(refused.exitCode, 1) << refused.err;
  EXPECT_NE(refused.err.find("cannot read the memory figures"), std::string::npos) << refused.err;
  EXPECT_TRUE(refused.out.empty()) << refused.out;
  EXPECT_FALSE(std::filesystem::exists(dir.file("trv.log")));
  EXPECT_EQ(runApp(smallSweep({}), dir.path(), kWithoutProc).exitCode, 0);
}

// The state letter of a process, from /proc/<pid>/stat ('S' when it sleeps).
char processState(pid_t pid) {
  const std::string stat = trvTest::readFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t name = stat.rfind(')');
  return name == std::string::npos || name + 2 >= stat.size() ? '?' : stat[name + 2];
}

// The sweep blocks drawing its progress on a terminal that nobody reads. The
// first Ctrl-C must still stop the sweep: the blocked write gives way rather
// than being restarted for ever.
TEST(AppFaults, TheFirstCtrlCStopsASweepBlockedOnItsTerminal) {
  trvTest::TempDir dir;
  AppProcess app({"sweep", "--segments", "100000000000", "--obstacles", "1", "--min-update", "0",
                  "--trace", "--log", "live.log", "--threads", "1"},
                 dir.path(), AppSetup{80, {}, {}});
  ASSERT_TRUE(within(30, [&] { return processState(app.pid()) == 'S'; }))
      << "the sweep never blocked on its terminal";
  app.sendSignal(SIGINT);
  const bool finished = within(15, [&] {
    return trvTest::readFile(dir.file("live.log")).find("::DID_FINISH") != std::string::npos;
  });
  EXPECT_TRUE(finished) << "the sweep went on after Ctrl-C";
  const AppRun run = app.finish();
  EXPECT_EQ(run.exitCode, 130) << run.err.substr(run.err.size() > 300 ? run.err.size() - 300 : 0);
  EXPECT_NE(run.out.find(": interrupted"), std::string::npos) << run.out;
}

}  // namespace
