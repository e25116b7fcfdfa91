// SPDX-License-Identifier: MIT
// The process-wide log: create it with a live file, record typed messages,
// read them back, and dump the whole log to a second file.
//
//   log_example [directory]     (files are written there, default: current)

#include <CtrvLogManager.h>

#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : ".";

  // Every message is written and flushed to the live file at once.
  CtrvLogManager::createInstance(directory + "/example-live.log");

  CtrvLogManager::addInfo("starting the example");
  CtrvLogManager::addWarning("a warning");
  CtrvLogManager::addError("example.cpp", 21, "something failed");  // "[example.cpp:21] ..."

  // Debug messages are recorded only while the debug switch is on.
  CtrvLogManager::addDebugInfo("not recorded");
  CtrvLogManager::logDebugMessages(true);
  CtrvLogManager::addDebugInfo("recorded");

  // A stream can be poured into the log line by line.
  std::istringstream report("first line\nsecond line\n");
  CtrvLogManager::writeLog(report, CtrvLogManager::LOG_INFO);

  // Read the records back: position 0 is the oldest.
  for (unsigned int i = 0; i < CtrvLogManager::countMessages(); ++i) {
    std::string text;
    CtrvLogManager::EtrvLogType type = CtrvLogManager::LOG_INFO;
    double seconds = 0.0;
    CtrvLogManager::getMessage(static_cast<int>(i), text, type, seconds);
    std::cout << seconds << " s, type " << type << ": " << text << '\n';
  }
  std::cout << "last error at position " << CtrvLogManager::getLastErrorMessageId() << '\n';

  // Dump everything, with a header, to another file.
  CtrvLogManager::writeLog(directory + "/example-dump.log");
  return 0;
}
