// SPDX-License-Identifier: MIT
#ifndef TRV_APP_RUNNER_H
#define TRV_APP_RUNNER_H

// Runs the trv program in a child process, as a user would, and collects
// what it writes and how it ends. A program that never ends is left to the
// test's time limit (tests/apps/CMakeLists.txt).

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/trvTestSupport.h"

namespace trvTest {

/// How a run of the program ended.
struct AppRun {
  int exitCode = -1;  ///< the exit status, or -1 when a signal ended it
  int signal = 0;     ///< the signal that ended it, 0 when it exited
  std::string out;    ///< standard output
  std::string err;    ///< standard error (the terminal's output under a terminal)
};

/// How the program is started, beyond its arguments.
struct AppSetup {
  /// Not 0: standard error on a terminal this many columns wide, with TERM
  /// set to "xterm" (inChild may change it).
  int columns = 0;
  /// A command that starts the program: these words, then the program's
  /// path and arguments (searched in PATH).
  std::vector<std::string> launcher;
  /// Runs in the child just before the program starts, its standard streams
  /// in place: closes some, sets limits, changes the environment.
  std::function<void()> inChild;
};

/// The program running in `directory`, its standard input empty, its
/// standard output in a file of its own and its standard error on a pipe, or
/// on a terminal (see AppSetup). Killed if still running when the object
/// goes.
class AppProcess {
 public:
  AppProcess(const std::vector<std::string>& args, const std::string& directory, int columns = 0)
      : AppProcess(args, directory, AppSetup{columns, {}, {}}) {}
  AppProcess(const std::vector<std::string>& args, const std::string& directory,
             const AppSetup& setup) {
    int err[2] = {-1, -1};
    winsize size{24, static_cast<unsigned short>(setup.columns), 0, 0};
    const int made =
        setup.columns == 0 ? pipe(err) : openpty(&err[0], &err[1], nullptr, nullptr, &size);
    const int out = open(m_outputs.file("out").c_str(), O_WRONLY | O_CREAT, 0600);
    if (made != 0 || out < 0) std::abort();
    std::vector<std::string> words = setup.launcher;
    words.push_back(TRV_APP_PATH);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
      dup2(open("/dev/null", O_RDONLY), 0);
      dup2(out, 1);
      dup2(err[1], 2);
      if (setup.columns != 0) setenv("TERM", "xterm", 1);
      if (setup.inChild) setup.inChild();
      if (chdir(directory.c_str()) == 0) execvp(argv[0], argv.data());
      _exit(127);
    }
    close(out);
    close(err[1]);
    m_errFd = err[0];
  }
  ~AppProcess() {
    if (m_pid > 0 && kill(m_pid, SIGKILL) == 0) waitpid(m_pid, nullptr, 0);
    close(m_errFd);
  }
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  /// Reads until standard error holds `text` or the program closes it.
  /// @return whether the text came.
  bool waitForError(const std::string& text) {
    while (m_run.err.find(text) == std::string::npos && readError()) {
    }
    return m_run.err.find(text) != std::string::npos;
  }
  /// Sends `signal` to the program.
  void sendSignal(int signal) { kill(m_pid, signal); }
  /// The program's process id.
  pid_t pid() const { return m_pid; }
  /// Reads everything to the end and waits for the program.
  AppRun finish() {
    while (readError()) {
    }
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFEXITED(status)) m_run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) m_run.signal = WTERMSIG(status);
    m_run.out = readFile(m_outputs.file("out"));
    return m_run;
  }

 private:
  // Appends what comes next on standard error; false at its end (for a
  // terminal, the EIO once its last writer is gone).
  bool readError() {
    char buffer[4096];
    const ssize_t n = read(m_errFd, buffer, sizeof buffer);
    if (n > 0) m_run.err.append(buffer, static_cast<std::size_t>(n));
    return n > 0;
  }

  const TempDir m_outputs;
  pid_t m_pid = -1;
  int m_errFd = -1;
  AppRun m_run;
};

/// Whether `done` becomes true within `seconds`, asked every 20 ms.
inline bool within(double seconds, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

/// Runs the program with `args` in `directory` to its end, under a terminal
/// `columns` wide if not 0.
inline AppRun runApp(const std::vector<std::string>& args, const std::string& directory,
                     int columns = 0) {
  return AppProcess(args, directory, columns).finish();
}

/// Runs the program with `args` in `directory` to its end, started as
/// `setup` says.
inline AppRun runApp(const std::vector<std::string>& args, const std::string& directory,
                     const AppSetup& setup) {
  return AppProcess(args, directory, setup).finish();
}

}  // namespace trvTest

#endif
