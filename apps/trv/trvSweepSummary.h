// SPDX-License-Identifier: MIT
#ifndef TRV_APP_SWEEP_SUMMARY_H
#define TRV_APP_SWEEP_SUMMARY_H

// The summary of a sweep as JSON, the form `trv sweep --json` writes and
// `trv merge` reads and writes.

#include <string>

#include "trvSweepResult.h"
#include "trvSweepShard.h"

namespace trvApp {

/// Reads "K/N", two whole numbers in decimal digits with 1 <= K <= N.
/// @return false on anything else; `shard` is then unchanged.
bool readShard(const std::string& text, SweepShard& shard);

/// The summary as one JSON object on one line, its keys in this order:
/// seed, obstacles, segments, shard ("K/N"), checked, hits, complete,
/// elapsed_s (seconds, to the millisecond), then what a merge checks:
/// chunk_begin and chunk_end (the half-open range of chunks covered),
/// chunk_size and draw_version.
std::string summaryJson(const SweepResult& result);

/// Reads a summary written by summaryJson(): one JSON object holding every
/// key of it with a value of the right type and range (other keys are
/// ignored). False, with `problem` saying what is wrong in a few words,
/// otherwise; `result` is then unspecified.
bool readSummaryJson(const std::string& text, SweepResult& result, std::string& problem);

}  // namespace trvApp

#endif
