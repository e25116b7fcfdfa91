// SPDX-License-Identifier: MIT
// The sweep subcommand, run as a user runs it: its summary, its
// reproducibility whatever the threads, its progress output and the ways it
// stops early.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "apps/trvAppRunner.h"
#include "support/trvTestSupport.h"

namespace {

using trvTest::AppProcess;
using trvTest::AppRun;
using trvTest::runApp;
using Json = nlohmann::json;

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

// The JSON summary a run printed; a null value (and a failure) if it is none.
Json summaryOf(const AppRun& run) {
  const Json summary = Json::parse(run.out, nullptr, false);
  EXPECT_TRUE(summary.is_object()) << run.out << run.err;
  return summary.is_object() ? summary : Json();
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
  EXPECT_GE(std::stoi(summaryField(run.out, "threads")), 1);
  const std::string log = trvTest::readFile(dir.file("trv.log"));
  EXPECT_NE(log.find("segments checked  3000 of 3000"), std::string::npos) << log;
  EXPECT_NE(log.find("sweeping 3000 segments on "), std::string::npos) << log;
  EXPECT_EQ(summaryField(sweep("42").out, "hits"), hits);
  EXPECT_NE(summaryField(sweep("43").out, "hits"), hits);
}

// The answer depends only on the seed, the obstacles and the segments: not
// on the threads, nor on the search (the tree or every obstacle). The JSON
// summary carries it with the keys a merge needs.
TEST(AppSweep, JsonSummaryIsTheSameOnAnyThreadsAndWithBruteForce) {
  trvTest::TempDir dir;
  const auto sweep = [&](const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"sweep", "--json", "--seed", "5", "--log", ""};
    args.insert(args.end(), extra.begin(), extra.end());
    const AppRun run = runApp(args, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return summaryOf(run);
  };
  const Json one = sweep({"--segments", "20000", "--obstacles", "300", "--threads", "1"});
  EXPECT_EQ(one["seed"], 5);
  EXPECT_EQ(one["obstacles"], 300);
  EXPECT_EQ(one["segments"], 20000);
  EXPECT_EQ(one["shard"], "1/1");
  EXPECT_EQ(one["checked"], 20000);
  EXPECT_TRUE(one["hits"].is_number_unsigned() && one["hits"] > 0 && one["hits"] < 20000) << one;
  EXPECT_EQ(one["complete"], true);
  EXPECT_TRUE(one["elapsed_s"].is_number() && one["elapsed_s"] >= 0) << one;
  for (const char* key : {"chunk_begin", "chunk_end", "chunk_size", "draw_version"}) {
    EXPECT_TRUE(one[key].is_number_unsigned()) << key;
  }
  for (const std::string threads : {"2", "3", "7"}) {
    const Json many = sweep({"--segments", "20000", "--obstacles", "300", "--threads", threads});
    EXPECT_EQ(many["hits"], one["hits"]) << threads << " threads";
    EXPECT_EQ(many["checked"], one["checked"]) << threads << " threads";
  }
  // Every obstacle for every segment is slow: fewer of both.
  const std::vector<std::string> small = {"--segments", "5000", "--obstacles", "120"};
  std::vector<std::string> brute = small;
  brute.insert(brute.end(), {"--brute-force", "--threads", "2"});
  EXPECT_EQ(sweep(brute)["hits"], sweep(small)["hits"]);
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

// Without a terminal the progress is a plain line for each tenth, from 0 %
// to 100 %, each once and in order, even when the sweep is done before a
// report could tell them one by one. On a terminal the line is redrawn in
// place, never as wide as the terminal, its bar of one width all along; a
// narrow one keeps the percent only. The trace switch fills the log either
// way.
TEST(AppSweep, ProgressIsALinePerTenthOrOneLineRedrawnToFitTheTerminal) {
  const std::regex tenthLine(" *([0-9]+)%  .+");
  for (const std::string segments : {"20000", "400000"}) {
    for (int columns : {0, 100, 50, 12}) {
      trvTest::TempDir dir;
      const AppRun run = runApp({"sweep", "--segments", segments, "--obstacles", "10",
                                 "--min-update", "0", "--trace", "--dump", "all.log"},
                                dir.path(), columns);
      ASSERT_EQ(run.exitCode, 0) << run.err;
      EXPECT_NE(trvTest::readFile(dir.file("all.log")).find("DID_REPORT"), std::string::npos);
      const std::vector<std::string> texts = drawings(run.err);
      ASSERT_GE(texts.size(), columns == 0 ? 11u : 3u) << run.err;
      EXPECT_NE(texts.back().find("100%"), std::string::npos) << texts.back();
      if (columns > 0) {
        const std::size_t barEnd = texts.back().find(']');
        for (const std::string& text : texts) {
          EXPECT_LT(static_cast<int>(text.size()), columns);
          EXPECT_EQ(text.find(']'), barEnd) << text;
        }
        EXPECT_EQ(texts.back()[0] == '[', columns > 12) << texts.back();
        continue;
      }
      EXPECT_EQ(texts.size(), 11u) << run.err;
      EXPECT_EQ(run.err.find('\r'), std::string::npos) << run.err;
      for (std::size_t tenth = 0; tenth < texts.size(); ++tenth) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(texts[tenth], match, tenthLine)) << texts[tenth];
        EXPECT_EQ(std::stoul(match[1]), 10 * tenth) << run.err;
      }
    }
  }
}

// Ctrl-C is seen at the next look of the calling thread (every 25 ms),
// however rarely the progress is shown, and the workers stop within a batch.
TEST(AppSweep, CtrlCStopsSeveralThreadsWithinASecondWithAPartialSummary) {
  trvTest::TempDir dir;
  AppProcess app({"sweep", "--segments", "1000000000000", "--threads", "3", "--min-update", "10",
                  "--json", "--log", "live.log"},
                 dir.path());
  ASSERT_TRUE(trvTest::within(60, [&] {
    return trvTest::readFile(dir.file("live.log")).find("sweeping") != std::string::npos;
  }));
  const auto sent = std::chrono::steady_clock::now();
  app.sendSignal(SIGINT);
  const AppRun run = app.finish();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - sent;
  EXPECT_LT(took.count(), 1.0);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  const Json summary = summaryOf(run);
  EXPECT_EQ(summary["complete"], false);
  EXPECT_LT(summary["checked"], 1000000000000ULL);
  EXPECT_NE(run.err.find("trv: interrupted"), std::string::npos);
  EXPECT_EQ(run.err.find("100%"), std::string::npos) << run.err;
  EXPECT_NE(trvTest::readFile(dir.file("live.log")).find(": interrupted"), std::string::npos);
}

TEST(AppSweep, CrossedMemoryLimitExits3AndIsLogged) {
  trvTest::TempDir dir;
  const AppRun run = runApp(
      {"sweep", "--segments", "5000", "--threads", "3", "--max-memory", "1K", "--log", "limit.log"},
      dir.path());
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
