// SPDX-License-Identifier: MIT
// trv: the library's command-line program. Each subcommand lives in a file of
// its own; this one reads the command line, runs the chosen subcommand and
// makes sure its output was written.

#include <trvVersion.h>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "trvCommandLine.h"
#include "trvMemoryCommand.h"
#include "trvMergeCommand.h"
#include "trvPoseCommand.h"
#include "trvRandomCommand.h"
#include "trvStandardStreams.h"
#include "trvSweepCommand.h"

namespace {

// The innermost subcommand the command line had reached, for the hint.
const CLI::App& reachedCommand(const CLI::App& app) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  return chosen.empty() ? app : reachedCommand(*chosen.front());
}

// "sweep, merge, memory, pose, random": every subcommand, in the order of the help.
std::string commandNames(const CLI::App& program) {
  std::string names;
  for (const CLI::App* command : program.get_subcommands([](const CLI::App*) { return true; })) {
    names += (names.empty() ? "" : ", ") + command->get_name();
  }
  return names;
}

// The parser's message, or a clearer one when no subcommand, or an unknown
// one, was named.
std::string errorMessage(const CLI::App& program, const CLI::ParseError& error) {
  if (!program.get_subcommands().empty()) return error.what();
  const std::vector<std::string> unread = program.remaining();
  if (!unread.empty() && unread.front().compare(0, 1, "-") != 0) {
    return "unknown command '" + unread.front() + "'; the commands are " + commandNames(program);
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    return "a subcommand is required: " + commandNames(program);
  }
  return error.what();
}

int runProgram(int argc, char** argv) {
  CLI::App program("trv: a collision sweep and small tools over the trv library", "trv");
  program.set_version_flag("--version", "trv " TRV_VERSION);
  program.require_subcommand(1);
  trvApp::Commands commands;
  trvApp::addSweepCommand(program, commands);
  trvApp::addMergeCommand(program, commands);
  trvApp::addMemoryCommand(program, commands);
  trvApp::addPoseCommand(program, commands);
  trvApp::addRandomCommand(program, commands);
  try {
    program.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return program.exit(error);  // --help, --version
    return trvApp::usageError(reachedCommand(program), errorMessage(program, error));
  }
  for (const trvApp::Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return trvApp::EXIT_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
  trvApp::occupyClosedStandardDescriptors();
  int exitCode = trvApp::EXIT_FAILED;
  try {
    exitCode = runProgram(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("trv: out of memory\n", stderr);
  }
  return trvApp::closeStandardOutput(exitCode);
}
