// SPDX-License-Identifier: MIT
// Sweeps split into shards and added up again with `trv merge`, as they
// would be across machines: the sum equals the whole sweep, and anything but
// the shards of one sweep, each once, is refused.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "apps/trvAppRunner.h"
#include "support/trvTestSupport.h"

namespace {

using trvTest::AppRun;
using trvTest::runApp;
using Json = nlohmann::json;

// The sweep of `inputs` (seed, obstacles, segments) as JSON, with `extra`
// arguments. The default has 7 chunks of segments: enough for 3 shards, too
// few for 11.
struct Inputs {
  std::string seed = "11";
  std::string obstacles = "150";
  std::string segments = "27000";
};

// Runs the sweep of `inputs` with `extra` arguments and keeps its JSON
// summary in `file` of `dir`.
AppRun sweepInto(const trvTest::TempDir& dir, const std::string& file,
                 const std::vector<std::string>& extra, const Inputs& inputs = Inputs()) {
  std::vector<std::string> args = {"sweep",       "--json",        "--log",      "",
                                   "--seed",      inputs.seed,     "--segments", inputs.segments,
                                   "--obstacles", inputs.obstacles};
  args.insert(args.end(), extra.begin(), extra.end());
  const AppRun run = runApp(args, dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::ofstream(dir.file(file)) << run.out;
  return run;
}

AppRun merge(const trvTest::TempDir& dir, const std::vector<std::string>& files) {
  std::vector<std::string> args = {"merge"};
  args.insert(args.end(), files.begin(), files.end());
  return runApp(args, dir.path());
}

// The shard files of the sweep of `inputs` in `count` shards:
// "<prefix>1.json" and on, each run on 1 to 3 threads.
std::vector<std::string> shardFiles(const trvTest::TempDir& dir, int count,
                                    const std::string& prefix = "shard",
                                    const Inputs& inputs = Inputs()) {
  std::vector<std::string> files;
  for (int k = 1; k <= count; ++k) {
    files.push_back(prefix + std::to_string(k) + ".json");
    sweepInto(dir, files.back(),
              {"--shard", std::to_string(k) + "/" + std::to_string(count), "--threads",
               std::to_string(1 + k % 3)},
              inputs);
  }
  return files;
}

TEST(AppMerge, ShardsMergedEqualTheWholeSweep) {
  trvTest::TempDir dir;
  const Json whole = Json::parse(sweepInto(dir, "whole.json", {}).out);
  for (const int count : {3, 11}) {
    const AppRun merged = merge(dir, shardFiles(dir, count));
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    const Json sum = Json::parse(merged.out);
    for (const char* key : {"seed", "obstacles", "segments", "shard", "checked", "hits", "complete",
                            "chunk_begin", "chunk_end", "chunk_size", "draw_version"}) {
      EXPECT_EQ(sum[key], whole[key]) << key << " of " << count << " shards";
    }
    EXPECT_TRUE(sum["elapsed_s"].is_number());
    // A merged summary is a summary of the whole sweep, and merges alone.
    std::ofstream(dir.file("sum.json")) << merged.out;
    EXPECT_EQ(merge(dir, {"sum.json"}).out, merged.out);
  }
}

// Exactly one line on standard error, starting with `start`, and nothing on
// standard output.
void expectRefusal(const AppRun& run, int exitCode, const std::string& start) {
  EXPECT_EQ(run.exitCode, exitCode) << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
  const std::vector<std::string> lines = trvTest::splitLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0].rfind(start, 0), 0u) << lines[0];
}

TEST(AppMerge, RefusesAnythingButEachShardOfOneSweepOnce) {
  trvTest::TempDir dir;
  const std::vector<std::string> shards = shardFiles(dir, 2);
  Inputs seed, obstacles, segments;
  seed.seed = "12";
  obstacles.obstacles = "151";
  segments.segments = "27001";
  const std::vector<std::string> others[] = {
      shardFiles(dir, 2, "seed", seed),
      shardFiles(dir, 2, "obstacles", obstacles),
      shardFiles(dir, 2, "segments", segments),
      shardFiles(dir, 3, "three"),
  };
  for (const std::vector<std::string>& other : others) {
    expectRefusal(merge(dir, {shards[0], other[1]}), 2,
                  "trv: cannot merge: the summaries come from different sweeps");
  }
  expectRefusal(merge(dir, {shards[1]}), 2, "trv: cannot merge: shard 1/2 is missing");
  expectRefusal(merge(dir, {shards[0], shards[1], shards[0]}), 2,
                "trv: cannot merge: shard 1/2 is given more than once");

  // A file that cannot be read fails like any file (exit 1); one that holds
  // no summary is a wrong argument (exit 2).
  expectRefusal(merge(dir, {shards[0], "absent.json"}), 1, "trv: cannot read 'absent.json'");
  expectRefusal(merge(dir, {"."}), 1, "trv: cannot read '.'");
  const Json partial = Json::parse(trvTest::readFile(dir.file(shards[1])));
  const std::pair<std::string, std::string> notSummaries[] = {
      {"{\"seed\": 11", "it is not JSON"},
      {partial.dump() + partial.dump(), "it is not JSON"},
      {"[1, 2]", "it is not a JSON object"},
  };
  for (const auto& [text, reason] : notSummaries) {
    std::ofstream(dir.file("bad.json")) << text;
    expectRefusal(merge(dir, {shards[0], "bad.json"}), 2,
                  "trv: 'bad.json' is not a sweep summary: " + reason);
  }
  const auto changed = [&](const std::string& key, const Json& value) {
    Json summary = partial;
    if (value.is_null()) summary.erase(key);
    if (!value.is_null()) summary[key] = value;
    std::ofstream(dir.file("changed.json")) << summary.dump();
    return merge(dir, {shards[0], "changed.json"});
  };
  expectRefusal(changed("hits", Json()), 2,
                "trv: 'changed.json' is not a sweep summary: the key 'hits' is missing");
  expectRefusal(changed("checked", -1), 2,
                "trv: 'changed.json' is not a sweep summary: 'checked' is not a whole number");
  expectRefusal(changed("complete", "yes"), 2,
                "trv: 'changed.json' is not a sweep summary: 'complete' is not true or false");
  expectRefusal(changed("shard", "3/2"), 2,
                "trv: 'changed.json' is not a sweep summary: 'shard' is not a text K/N");
  expectRefusal(changed("hits", partial["checked"].get<std::uint64_t>() + 1), 2,
                "trv: 'changed.json' is not a sweep summary: 'hits' is larger than 'checked'");
  expectRefusal(changed("chunk_end", 99), 2,
                "trv: cannot merge: shard 2/2 does not cover the chunks of its shard");
}

}  // namespace
