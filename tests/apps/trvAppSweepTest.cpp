// The sweep subcommand, run as a user runs it: its summary, its
// reproducibility, its progress output and the ways it stops early.

#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <string>
#include <vector>

#include "apps/trvAppRunner.h"
#include "support/trvTestSupport.h"

namespace {

using trvTest::AppProcess;
using trvTest::AppRun;
using trvTest::runApp;

// The text after `label` on its summary line.
std::string summaryField(const std::string& out, const std::string& label) {
  for (const std::string& line : trvTest::splitLines(out)) {
    if (line.compare(0, label.size(), label) == 0) {
      const std::size_t value = line.find_first_not_of(' ', label.size());
      return value == std::string::npos ? "" : line.substr(value);
    }
  }
  return "<no " + label + " line>";
}

unsigned long checkedCount(const std::string& out) {
  return std::stoul(summaryField(out, "segments checked"));
}

TEST(AppSweep, SummarisesAndLogsASweepThatItsSeedReproduces) {
  trvTest::TempDir dir;
  const auto sweep = [&](const std::string& seed) {
    return runApp({"sweep", "--segments", "3000", "--obstacles", "40", "--seed", seed}, dir.path());
  };
  const AppRun run = sweep("42");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("3000 segments through 40 obstacles, seed 42: complete"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(summaryField(run.out, "segments checked"), "3000 of 3000");
  const std::string hits = summaryField(run.out, "hits");
  EXPECT_TRUE(std::stod(hits) > 0.0 && std::stod(hits) < 3000.0) << hits;
  EXPECT_NEAR(std::stod(summaryField(run.out, "hit rate")), std::stod(hits) / 30.0, 0.01);
  EXPECT_GE(std::stod(summaryField(run.out, "elapsed")), 0.0);
  EXPECT_NE(summaryField(run.out, "segments/s"), "");
  const std::string log = trvTest::readFile(dir.file("trv.log"));
  EXPECT_NE(log.find("segments checked  3000 of 3000"), std::string::npos) << log;
  EXPECT_EQ(summaryField(sweep("42").out, "hits"), hits);
  EXPECT_NE(summaryField(sweep("43").out, "hits"), hits);
}

// The drawings of a terminal line: the texts between carriage returns and
// line feeds, without the clear-to-end-of-line sequence.
std::vector<std::string> drawings(const std::string& terminalOutput) {
  std::vector<std::string> texts;
  std::string text;
  for (char c : terminalOutput + "\n") {
    if (c != '\r' && c != '\n') {
      text += c;
      continue;
    }
    const std::size_t clear = text.find("\x1b[K");
    if (clear != std::string::npos) text.erase(clear, 3);
    if (!text.empty()) texts.push_back(text);
    text.clear();
  }
  return texts;
}

// Without a terminal the progress is a plain line per tenth reached at most,
// ending with the finished line. On a terminal the line is redrawn in place
// and never as wide as the terminal, whatever its width; a narrow one keeps
// the percent only. The trace switch fills the log either way.
TEST(AppSweep, ProgressIsALinePerTenthOrOneLineRedrawnToFitTheTerminal) {
  const std::regex tenthLine(" *([0-9]+)%  .+");
  for (int columns : {0, 100, 50, 12}) {
    trvTest::TempDir dir;
    const AppRun run = runApp({"sweep", "--segments", "20000", "--obstacles", "10", "--min-update",
                               "0", "--trace", "--dump", "all.log"},
                              dir.path(), columns);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(trvTest::readFile(dir.file("all.log")).find("DID_REPORT"), std::string::npos);
    const std::vector<std::string> texts = drawings(run.err);
    ASSERT_GE(texts.size(), columns == 0 ? 2u : 3u) << run.err;
    EXPECT_NE(texts.back().find("100%"), std::string::npos) << texts.back();
    if (columns > 0) {
      for (const std::string& text : texts) EXPECT_LT(static_cast<int>(text.size()), columns);
      EXPECT_EQ(texts.back()[0] == '[', columns > 12) << texts.back();
      continue;
    }
    EXPECT_TRUE(texts.size() <= 10 && run.err.find('\r') == std::string::npos) << run.err;
    int lastTenth = 0;
    for (const std::string& line : texts) {
      std::smatch match;
      ASSERT_TRUE(std::regex_match(line, match, tenthLine)) << line;
      EXPECT_GT(std::stoi(match[1]) / 10, lastTenth) << run.err;
      lastTenth = std::stoi(match[1]) / 10;
    }
  }
}

TEST(AppSweep, CtrlCStopsWithAPartialSummaryAndCode130) {
  trvTest::TempDir dir;
  AppProcess app({"sweep", "--segments", "100000000000"}, dir.path());
  ASSERT_TRUE(app.waitForError("sweeping"));
  app.sendSignal(SIGINT);
  const AppRun run = app.finish();
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  EXPECT_NE(run.out.find(": interrupted"), std::string::npos) << run.out;
  EXPECT_LT(checkedCount(run.out), 100000000000UL);
  EXPECT_NE(run.err.find("trv: interrupted"), std::string::npos);
}

TEST(AppSweep, CrossedMemoryLimitExits3AndIsLogged) {
  trvTest::TempDir dir;
  const AppRun run = runApp(
      {"sweep", "--segments", "5000", "--max-memory", "1K", "--log", "limit.log"}, dir.path());
  EXPECT_EQ(run.exitCode, 3) << run.err;
  EXPECT_NE(run.out.find("stopped at the memory limit"), std::string::npos) << run.out;
  EXPECT_LT(checkedCount(run.out), 5000u);
  EXPECT_NE(run.err.find("--max-memory 1.0 KiB"), std::string::npos) << run.err;
  const std::string log = trvTest::readFile(dir.file("limit.log"));
  EXPECT_NE(log.find("Hard maximum memory limit of 1024 reached"), std::string::npos) << log;
}

// Any limit up to the largest the memory guard takes is accepted, far above
// 4 GiB; only a larger one is refused.
TEST(AppSweep, MemoryLimitsAbove4GiBAreAccepted) {
  trvTest::TempDir dir;
  for (const std::string size : {"8G", "64G", "16777215T"}) {
    const AppRun run = runApp({"sweep", "--segments", "1000", "--max-memory", size}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << size << ": " << run.err;
  }
  const AppRun refused = runApp({"sweep", "--max-memory", "16777216T"}, dir.path());
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("'16777216T' is too large"), std::string::npos) << refused.err;
}

}  // namespace
