// SPDX-License-Identifier: MIT
#include "trvProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "trvTextFormat.h"

namespace trvApp {

namespace {

constexpr int MIN_BAR_CELLS = 10;
constexpr int MAX_BAR_CELLS = 40;
// Room after the bar for the text: a percent, a phase, a rate and a time
// of the usual lengths ("  64%  sweeping  4.52M segments/s  ETA 1.0 s").
constexpr int TEXT_ROOM = 44;
const std::string SEPARATOR = "  ";

std::string percentText(double progress) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%3d%%", wholePercent(progress));
  return buffer;
}

std::string timeText(const ProgressSnapshot& snapshot) {
  if (snapshot.seconds < 0.0) return "";
  return (snapshot.finished ? "in " : "ETA ") + formatDuration(snapshot.seconds);
}

std::string rateText(const ProgressSnapshot& snapshot) {
  if (snapshot.rate < 0.0 || snapshot.finished) return "";
  return formatCount(snapshot.rate) + " " + snapshot.unit + "/s";
}

// The parts after the percent, in the order they are shown: the phase, the
// rate, the time. When room is short the rate goes first, then the time.
enum Part { PHASE, RATE, TIME, PART_COUNT };
const Part GIVEN_UP_FIRST[] = {RATE, TIME, PHASE};

std::vector<std::string> optionalParts(const ProgressSnapshot& snapshot) {
  return {snapshot.phase, rateText(snapshot), timeText(snapshot)};
}

std::string joined(const std::string& first, const std::vector<std::string>& parts) {
  std::string line = first;
  for (const std::string& part : parts) {
    if (!part.empty()) line += SEPARATOR + part;
  }
  return line;
}

std::string bar(double progress, int cells) {
  const int filled = static_cast<int>(std::lround(std::clamp(progress, 0.0, 1.0) * cells));
  return "[" + std::string(filled, '#') + std::string(cells - filled, '-') + "]";
}

}  // namespace

int wholePercent(double progress) {
  if (!(progress > 0.0)) return 0;
  return static_cast<int>(std::floor(std::min(progress, 1.0) * 100.0 + 1e-9));
}

std::string terminalLine(const ProgressSnapshot& snapshot, int width) {
  const int room = width - 1;  // the last column would wrap on some terminals
  const int bracketsAndSpace = 3;
  // The bar's width depends on the terminal's alone, so that it stays put
  // while the text after it changes; the text gives up parts instead.
  const int cells = std::clamp(room - bracketsAndSpace - TEXT_ROOM, MIN_BAR_CELLS, MAX_BAR_CELLS);
  const int textRoom = room - bracketsAndSpace - cells;
  const std::string percent = percentText(snapshot.progress);
  if (textRoom < static_cast<int>(percent.size())) return percent.substr(0, std::max(room, 0));
  std::vector<std::string> parts = optionalParts(snapshot);
  static_assert(sizeof GIVEN_UP_FIRST / sizeof GIVEN_UP_FIRST[0] == PART_COUNT);
  for (Part part : GIVEN_UP_FIRST) {
    if (static_cast<int>(joined(percent, parts).size()) <= textRoom) break;
    parts[part].clear();
  }
  return bar(snapshot.progress, cells) + " " + joined(percent, parts);
}

std::string plainLine(const ProgressSnapshot& snapshot) {
  return joined(percentText(snapshot.progress), optionalParts(snapshot));
}

}  // namespace trvApp
