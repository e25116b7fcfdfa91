// SPDX-License-Identifier: MIT
#include "trvSweepMerge.h"

#include <algorithm>

namespace trvApp {

namespace {

bool sameSweep(const SweepResult& x, const SweepResult& y) {
  return x.seed == y.seed && x.obstacles == y.obstacles && x.segments == y.segments &&
         x.shard.count == y.shard.count && x.chunkSize == y.chunkSize &&
         x.drawVersion == y.drawVersion;
}

bool coversItsShard(const SweepResult& part) {
  if (!part.shard.valid() || part.chunkSize != SegmentChunks::CHUNK_SIZE ||
      part.drawVersion != SegmentChunks::DRAW_VERSION) {
    return false;
  }
  const ChunkRange expected = part.shard.rangeOf(SegmentChunks(part.seed, part.segments).count());
  return part.chunks.begin == expected.begin && part.chunks.end == expected.end &&
         part.checked <= SegmentChunks(part.seed, part.segments).segmentsIn(expected) &&
         part.hits <= part.checked;
}

std::vector<std::uint64_t> sortedShardNumbers(const std::vector<SweepResult>& parts) {
  std::vector<std::uint64_t> numbers;
  for (const SweepResult& part : parts) numbers.push_back(part.shard.index);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// The first shard number given twice in `sorted`, or 0.
std::uint64_t repeatedShard(const std::vector<std::uint64_t>& sorted) {
  const auto repeated = std::adjacent_find(sorted.begin(), sorted.end());
  return repeated != sorted.end() ? *repeated : 0;
}

// The first number of 1..count absent from `sorted` (which holds no
// repetition and only numbers of 1..count), or 0.
std::uint64_t missingShard(const std::vector<std::uint64_t>& sorted, std::uint64_t count) {
  for (std::uint64_t k = 0; k < sorted.size(); ++k) {
    if (sorted[k] != k + 1) return k + 1;
  }
  return sorted.size() < count ? sorted.size() + 1 : 0;
}

}  // namespace

bool SweepMerge::merge(const std::vector<SweepResult>& parts, SweepResult& whole,
                       std::string& problem) {
  if (parts.empty()) {
    problem = "no shard summary to merge";
    return false;
  }
  const SweepResult& first = parts.front();
  for (const SweepResult& part : parts) {
    if (!sameSweep(first, part)) {
      problem = "the summaries come from different sweeps";
      return false;
    }
    if (!coversItsShard(part)) {
      problem = "shard " + part.shard.text() + " does not cover the chunks of its shard";
      return false;
    }
  }
  const std::uint64_t count = first.shard.count;
  const std::vector<std::uint64_t> numbers = sortedShardNumbers(parts);
  if (const std::uint64_t twice = repeatedShard(numbers)) {
    problem = "shard " + SweepShard{twice, count}.text() + " is given more than once";
    return false;
  }
  if (const std::uint64_t missing = missingShard(numbers, count)) {
    problem = "shard " + SweepShard{missing, count}.text() + " is missing";
    return false;
  }
  whole = first;
  whole.shard = SweepShard{};
  whole.chunks = SegmentChunks(first.seed, first.segments).all();
  whole.checked = whole.hits = 0;
  whole.complete = true;
  whole.elapsedSeconds = 0.0;
  for (const SweepResult& part : parts) {
    whole.checked += part.checked;
    whole.hits += part.hits;
    whole.complete = whole.complete && part.complete;
    whole.elapsedSeconds = std::max(whole.elapsedSeconds, part.elapsedSeconds);
  }
  return true;
}

}  // namespace trvApp
