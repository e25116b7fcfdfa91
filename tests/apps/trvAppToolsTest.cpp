// SPDX-License-Identifier: MIT
// The program's help, its answer to a wrong command line, and the small
// subcommands: memory, pose and random.

#include <gtest/gtest.h>
#include <trvVersion.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "apps/trvAppRunner.h"
#include "support/trvTestSupport.h"

namespace {

using trvTest::AppRun;

AppRun run(const std::vector<std::string>& args) {
  trvTest::TempDir dir;
  return trvTest::runApp(args, dir.path());
}

// Every number of the output, in order, skipping words.
std::vector<double> numbersIn(const std::string& text) {
  std::vector<double> numbers;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (end != word.c_str() && *end == '\0') numbers.push_back(value);
  }
  return numbers;
}

TEST(AppHelp, ProgramAndEverySubcommandExplainThemselves) {
  const AppRun program = run({"--help"});
  EXPECT_EQ(program.exitCode, 0);
  for (const std::string command : {"sweep", "merge", "memory", "pose", "random"}) {
    EXPECT_NE(program.out.find(command), std::string::npos) << command;
    const AppRun help = run({command, "--help"});
    EXPECT_TRUE(help.exitCode == 0 && help.err.empty() && !help.out.empty()) << help.err;
  }
  EXPECT_NE(run({"sweep", "--help"}).out.find("--max-memory"), std::string::npos);
}

// A wrong command line gives exit 2, one line naming the trouble and the
// hint to the right help, and writes nothing else anywhere.
TEST(AppUsage, WrongCommandLinesGiveOneLineAndCode2) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"fly"},
      {"sweep", "--bogus"},
      {"sweep", "--segments"},
      {"sweep", "--segments", "12x"},
      {"sweep", "--segments", "0"},
      {"sweep", "--seed", "4294967296"},
      {"sweep", "--min-update", "nan"},
      {"sweep", "--max-memory", "16777216T"},
      {"sweep", "--obstacles", "1000001"},
      {"sweep", "--segments", "1000000000001"},
      {"sweep", "--threads", "0"},
      {"sweep", "--shard", "0/4"},
      {"sweep", "--shard", "5/4"},
      {"sweep", "--shard", "4"},
      {"sweep", "--shard", "1/4/2"},
      {"sweep", "--shard", "+1/4"},
      {"merge"},
      {"pose"},
      {"pose", "--angles", "1", "2"},
      {"pose", "--angles", "1", "2", "3", "--matrix", "1"},
      {"random", "--int", "1", "x"},
      {"random", "--real", "0", "inf"},
      {"random", "--normal", "-1"},
      {"random", "--int", "1", "2", "--normal", "1"},
      // Decimal notation only, for reals as for whole numbers.
      {"random", "--seed", "0x10"},
      {"random", "--real", "0x1p3", "9"},
      {"random", "--normal", "infinity"},
      {"sweep", "--min-update", "0x1p-3"},
      {"pose", "--translation", "0x1", "0", "0"},
      {"pose", "--angles", "0", "0", "1e999"},
  };
  for (const std::vector<std::string>& args : wrong) {
    trvTest::TempDir dir;
    const AppRun result = trvTest::runApp(args, dir.path());
    const std::string command = args.empty() || args[0] == "fly" ? "trv" : "trv " + args[0];
    const std::vector<std::string> lines = trvTest::splitLines(result.err);
    EXPECT_EQ(result.exitCode, 2) << command;
    EXPECT_TRUE(result.out.empty()) << result.out;
    ASSERT_EQ(lines.size(), 2u) << result.err;
    EXPECT_EQ(lines[0].substr(0, 5), "trv: ");
    EXPECT_EQ(lines[1], "Run '" + command + " --help' for usage.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("trv.log"))) << "a log for " << result.err;
  }
}

TEST(AppUsage, AMistypedCommandIsNamedUnknownWithTheCommandsListed) {
  const AppRun result = run({"swep", "--segments", "10"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(trvTest::splitLines(result.err).at(0),
            "trv: unknown command 'swep'; the commands are sweep, merge, memory, pose, random");
}

TEST(AppVersion, IsTheLibraryVersion) {
  const AppRun result = run({"--version"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "trv " TRV_VERSION "\n");
}

// Leading zeros never make a number octal, and a decimal exponent is fine.
TEST(AppUsage, EveryNumberIsReadInDecimal) {
  const auto same = [](const std::vector<std::string>& zeros,
                       const std::vector<std::string>& plain) {
    const AppRun withZeros = run(zeros), withoutZeros = run(plain);
    EXPECT_EQ(withZeros.exitCode, 0) << withZeros.err;
    EXPECT_EQ(withZeros.out, withoutZeros.out) << withZeros.out << "\n" << withoutZeros.out;
  };
  same({"random", "--seed", "010", "--count", "3"}, {"random", "--seed", "10", "--count", "3"});
  same({"random", "--seed", "08", "--count", "3"}, {"random", "--seed", "8", "--count", "3"});
  same({"random", "--count", "010", "--int", "-010", "09"},
       {"random", "--count", "10", "--int", "-10", "9"});
  same({"random", "--normal", "01e1", "--count", "2"},
       {"random", "--normal", "10", "--count", "2"});
  same({"pose", "--translation", "010", "0", "0", "--angles", "0", "0", "090", "--degrees"},
       {"pose", "--translation", "10", "0", "0", "--angles", "0", "0", "90", "--degrees"});
  const AppRun sweep = run({"sweep", "--segments", "0100", "--obstacles", "010", "--seed", "010",
                            "--min-update", "5e-2"});
  EXPECT_EQ(sweep.exitCode, 0) << sweep.err;
  EXPECT_NE(sweep.out.find("sweep of 100 segments through 10 obstacles, seed 10: complete"),
            std::string::npos)
      << sweep.out;
}

TEST(AppUsage, UnwritableLogFailsBeforeAnyWork) {
  trvTest::TempDir dir;
  const AppRun result = trvTest::runApp(
      {"sweep", "--segments", "10", "--log", dir.file("no/such/dir.log")}, dir.path());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.out.empty()) << result.out;
  EXPECT_EQ(trvTest::splitLines(result.err).size(), 1u) << result.err;
  EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(AppMemory, TableInHumanUnitsAndJsonInBytes) {
  const AppRun table = run({"memory"}), json = run({"memory", "--json"});
  ASSERT_TRUE(table.exitCode == 0 && json.exitCode == 0) << table.err << json.err;
  for (const char* word : {"System", "This process", "working set", "MiB"})
    EXPECT_NE(table.out.find(word), std::string::npos) << word;
  EXPECT_EQ(json.out.front(), '{');
  for (const char* key : {"\"system\"", "\"process\"", "\"memoryLoad\"", "\"totalPhys\"",
                          "\"workingSetSize\"", "\"pageFaultCount\""}) {
    EXPECT_NE(json.out.find(key), std::string::npos) << key;
  }
  const std::size_t workingSet = json.out.find("\"workingSetSize\": ");
  EXPECT_GT(std::stod(json.out.substr(workingSet + 18)), 1024.0);
  // Exact figures, also above 4 GiB: the installed memory to the byte.
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  unsigned long long kibibytes = 0;
  ASSERT_TRUE(meminfo >> key >> kibibytes && key == "MemTotal:");
  const std::size_t total = json.out.find("\"totalPhys\": ");
  EXPECT_EQ(std::stoull(json.out.substr(total + 13)), kibibytes * 1024);
  EXPECT_EQ(table.out.find(">="), std::string::npos) << table.out;
}

// Angles in degrees give the expected matrix, and a matrix gives back the
// pose (radians) it was made from.
TEST(AppPose, AnglesAndMatricesConvertBothWays) {
  const std::vector<double> expected = {0, -1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1};
  const std::vector<double> turned = numbersIn(
      run({"pose", "--translation", "1", "2", "3", "--angles", "0", "0", "90", "--degrees"}).out);
  ASSERT_EQ(turned.size(), 16u);
  for (std::size_t k = 0; k < 16; ++k) EXPECT_NEAR(turned[k], expected[k], 1e-6) << k;

  const std::vector<std::string> pose = {"0.5", "-2", "7.25", "0.3", "-0.7", "2.5"};
  std::vector<std::string> toPose = {"pose", "--matrix"};
  for (double element : numbersIn(run({"pose", "--translation", pose[0], pose[1], pose[2],
                                       "--angles", pose[3], pose[4], pose[5]})
                                      .out))
    toPose.push_back(std::to_string(element));
  ASSERT_EQ(toPose.size(), 18u);
  const AppRun back = run(toPose);
  EXPECT_TRUE(back.err.empty()) << back.err;
  const std::vector<double> poseBack = numbersIn(back.out);
  ASSERT_EQ(poseBack.size(), 6u) << back.out;
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(poseBack[k], std::stod(pose[k]), 1e-5) << k;
}

TEST(AppPose, WarnsAboutAMatrixThatIsNoRigidTransform) {
  const AppRun result = run({"pose", "--matrix", "2", "0", "0", "0", "0", "1", "0", "0", "0", "0",
                             "1", "0", "0", "0", "0", "1"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("not a rigid transform"), std::string::npos) << result.err;
}

TEST(AppRandom, SeedsReproduceTheirNumbersInTheAskedForm) {
  const AppRun raw = run({"random", "--seed", "7", "--count", "20"});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  EXPECT_EQ(trvTest::splitLines(raw.out).size(), 20u);
  EXPECT_EQ(run({"random", "--seed", "7", "--count", "20"}).out, raw.out);
  EXPECT_NE(run({"random", "--seed", "8", "--count", "20"}).out, raw.out);

  const std::vector<double> dice =
      numbersIn(run({"random", "--int", "6", "1", "--count", "200"}).out);
  ASSERT_EQ(dice.size(), 200u);
  for (double die : dice) {
    EXPECT_TRUE(die >= 1 && die <= 6 && die == std::floor(die)) << die;
  }
  const std::vector<double> reals = numbersIn(run({"random", "--real", "-1", "-0.5"}).out);
  ASSERT_EQ(reals.size(), 10u);
  for (double real : reals) EXPECT_TRUE(real >= -1 && real <= -0.5) << real;
  const std::vector<double> normal =
      numbersIn(run({"random", "--normal", "0", "--count", "3"}).out);
  EXPECT_EQ(normal, std::vector<double>(3, 0.0));
  EXPECT_TRUE(run({"random", "--count", "0"}).out.empty());
}

}  // namespace
