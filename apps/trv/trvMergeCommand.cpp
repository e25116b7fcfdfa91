// SPDX-License-Identifier: MIT
#include "trvMergeCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "trvStandardStreams.h"
#include "trvSweepMerge.h"
#include "trvSweepSummary.h"

namespace trvApp {

namespace {

// A summary is a few hundred bytes; a file far larger is not one, and is not
// read to its end (it might be endless, like a device).
constexpr std::size_t LARGEST_SUMMARY = 64 * 1024;

enum class FileReading { READ, UNREADABLE, TOO_LARGE };

// Reads at most LARGEST_SUMMARY + 1 bytes of `path` into `text`; on
// failure, `reason` says why.
FileReading readSmallFile(const std::string& path, std::string& text, std::string& reason) {
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (file < 0 || fstat(file, &status) != 0 || S_ISDIR(status.st_mode)) {
    reason = file >= 0 && S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : std::strerror(errno);
    if (file >= 0) close(file);
    return FileReading::UNREADABLE;
  }
  char buffer[4096];
  ssize_t got = 0;
  while (text.size() <= LARGEST_SUMMARY && (got = read(file, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  if (got < 0) reason = std::strerror(errno);
  close(file);
  if (got < 0) return FileReading::UNREADABLE;
  return text.size() > LARGEST_SUMMARY ? FileReading::TOO_LARGE : FileReading::READ;
}

// Reads the summary in `path`; on failure tells why in one line and sets
// `failure` to the exit code: EXIT_FAILED when the file cannot be read,
// EXIT_USAGE when it holds no summary.
bool readSummaryFile(const std::string& path, SweepResult& summary, int& failure) {
  std::string text, reason;
  const FileReading reading = readSmallFile(path, text, reason);
  if (reading == FileReading::UNREADABLE) {
    std::fprintf(stderr, "trv: cannot read '%s': %s\n", path.c_str(), reason.c_str());
    failure = EXIT_FAILED;
    return false;
  }
  if (reading == FileReading::TOO_LARGE) reason = "it is far too large for one";
  if (reading == FileReading::TOO_LARGE || !readSummaryJson(text, summary, reason)) {
    std::fprintf(stderr, "trv: '%s' is not a sweep summary: %s\n", path.c_str(), reason.c_str());
    failure = EXIT_USAGE;
    return false;
  }
  return true;
}

int runMerge(const std::vector<std::string>& paths) {
  std::vector<SweepResult> parts(paths.size());
  for (std::size_t k = 0; k < paths.size(); ++k) {
    int failure = EXIT_FAILED;
    if (!readSummaryFile(paths[k], parts[k], failure)) return failure;
  }
  SweepResult whole;
  std::string problem;
  if (!SweepMerge::merge(parts, whole, problem)) {
    std::fprintf(stderr, "trv: cannot merge: %s\n", problem.c_str());
    return EXIT_USAGE;
  }
  std::printf("%s\n", summaryJson(whole).c_str());
  std::fflush(stdout);
  standardOutputFailed();  // keeps the reason while errno holds it
  return EXIT_OK;
}

}  // namespace

void addMergeCommand(CLI::App& program, Commands& commands) {
  CLI::App* merge = program.add_subcommand(
      "merge", "Add the JSON summaries of a sweep's shards (sweep --shard K/N --json) into one");
  auto paths = std::make_shared<std::vector<std::string>>();
  merge->add_option("FILE", *paths, "The summaries, one per shard, each once")
      ->type_name("FILE")
      ->required();
  commands.push_back({merge, [paths] { return runMerge(*paths); }});
}

}  // namespace trvApp
