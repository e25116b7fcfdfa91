// SPDX-License-Identifier: MIT
#include "trvSweepSummary.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "trvCommandLine.h"
#include "trvObstacleField.h"

namespace trvApp {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::uint64_t LARGEST_COUNT = std::numeric_limits<std::uint64_t>::max();

std::string quoted(const char* key) { return std::string("'") + key + "'"; }

// Reads the value at `key` through `take`, which stores it and answers
// whether it is acceptable; `expected` says what it should be.
template <class Take>
bool readKey(const Json& object, const char* key, const std::string& expected, Take take,
             std::string& problem) {
  const auto found = object.find(key);
  if (found == object.end()) {
    problem = "the key " + quoted(key) + " is missing";
    return false;
  }
  if (!take(*found)) {
    problem = quoted(key) + " is not " + expected;
    return false;
  }
  return true;
}

// The whole number at `key`, from `low` to `high`.
bool readCount(const Json& object, const char* key, std::uint64_t low, std::uint64_t high,
               std::uint64_t& value, std::string& problem) {
  const std::string expected =
      "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
  return readKey(
      object, key, expected,
      [&](const Json& found) {
        if (!found.is_number_unsigned()) return false;
        value = found.get<std::uint64_t>();
        return value >= low && value <= high;
      },
      problem);
}

bool readFlag(const Json& object, const char* key, bool& value, std::string& problem) {
  return readKey(
      object, key, "true or false",
      [&](const Json& found) {
        if (found.is_boolean()) value = found.get<bool>();
        return found.is_boolean();
      },
      problem);
}

bool readSeconds(const Json& object, const char* key, double& value, std::string& problem) {
  return readKey(
      object, key, "a number of seconds",
      [&](const Json& found) {
        if (!found.is_number()) return false;
        value = found.get<double>();
        return std::isfinite(value) && value >= 0.0;
      },
      problem);
}

bool readShardKey(const Json& object, const char* key, SweepShard& shard, std::string& problem) {
  return readKey(
      object, key, "a text K/N with 1 <= K <= N",
      [&](const Json& found) {
        return found.is_string() && readShard(found.get<std::string>(), shard);
      },
      problem);
}

// Seconds rounded to the millisecond, which is all a summary needs to say.
double toMilliseconds(double seconds) { return std::round(seconds * 1000.0) / 1000.0; }

}  // namespace

bool readShard(const std::string& text, SweepShard& shard) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  long long index = 0, count = 0;
  if (!readWhole(text.substr(0, slash), index) || !readWhole(text.substr(slash + 1), count) ||
      index < 1 || index > count) {
    return false;
  }
  shard = SweepShard{static_cast<std::uint64_t>(index), static_cast<std::uint64_t>(count)};
  return true;
}

std::string summaryJson(const SweepResult& result) {
  Json summary;
  summary["seed"] = result.seed;
  summary["obstacles"] = result.obstacles;
  summary["segments"] = result.segments;
  summary["shard"] = result.shard.text();
  summary["checked"] = result.checked;
  summary["hits"] = result.hits;
  summary["complete"] = result.complete;
  summary["elapsed_s"] = toMilliseconds(result.elapsedSeconds);
  summary["chunk_begin"] = result.chunks.begin;
  summary["chunk_end"] = result.chunks.end;
  summary["chunk_size"] = result.chunkSize;
  summary["draw_version"] = result.drawVersion;
  return summary.dump();
}

bool readSummaryJson(const std::string& text, SweepResult& result, std::string& problem) {
  const Json summary = Json::parse(text, nullptr, false);
  if (summary.is_discarded()) {
    problem = "it is not JSON";
    return false;
  }
  if (!summary.is_object()) {
    problem = "it is not a JSON object";
    return false;
  }
  std::uint64_t seed = 0, drawVersion = 0;
  const bool read =
      readCount(summary, "seed", 0, LARGEST_SEED, seed, problem) &&
      readCount(summary, "obstacles", 0, ObstacleField::MAX_OBSTACLES, result.obstacles, problem) &&
      readCount(summary, "segments", 1, SegmentChunks::MAX_SEGMENTS, result.segments, problem) &&
      readShardKey(summary, "shard", result.shard, problem) &&
      readCount(summary, "checked", 0, LARGEST_COUNT, result.checked, problem) &&
      readCount(summary, "hits", 0, LARGEST_COUNT, result.hits, problem) &&
      readFlag(summary, "complete", result.complete, problem) &&
      readSeconds(summary, "elapsed_s", result.elapsedSeconds, problem) &&
      readCount(summary, "chunk_begin", 0, LARGEST_COUNT, result.chunks.begin, problem) &&
      readCount(summary, "chunk_end", 0, LARGEST_COUNT, result.chunks.end, problem) &&
      readCount(summary, "chunk_size", 1, LARGEST_COUNT, result.chunkSize, problem) &&
      readCount(summary, "draw_version", 1, std::numeric_limits<int>::max(), drawVersion, problem);
  if (!read) return false;
  result.seed = static_cast<unsigned int>(seed);
  result.drawVersion = static_cast<int>(drawVersion);
  if (result.hits > result.checked) {
    problem = "'hits' is larger than 'checked'";
    return false;
  }
  return true;
}

}  // namespace trvApp
