#ifndef TRV_APP_RUNNER_H
#define TRV_APP_RUNNER_H

// Runs the trv program in a child process, as a user would, and collects
// what it writes and how it ends.

#include <sys/types.h>

#include <string>
#include <vector>

namespace trvTest {

/// How a run of the program ended.
struct AppRun {
  int exitCode = -1;  ///< the exit status, or -1 when a signal ended it
  int signal = 0;     ///< the signal that ended it, 0 when it exited
  std::string out;    ///< standard output
  std::string err;    ///< standard error (the terminal's output under a terminal)
};

/// The program running in `directory`, its standard input empty, its
/// standard output on a pipe and its standard error on a pipe, or on a
/// terminal `columns` wide when `columns` is not 0. Killed if still running
/// when the object goes.
class AppProcess {
 public:
  AppProcess(const std::vector<std::string>& args, const std::string& directory, int columns = 0);
  ~AppProcess();
  AppProcess(const AppProcess&) = delete;
  AppProcess& operator=(const AppProcess&) = delete;

  /// Reads until standard error holds `text`, the program closes its output,
  /// or `seconds` pass. @return whether the text came.
  bool waitForError(const std::string& text, double seconds);
  /// Sends `signal` to the program.
  void sendSignal(int signal);
  /// Reads everything to the end and waits for the program, killing it after
  /// `seconds`.
  AppRun finish(double seconds);

 private:
  bool readSome(int timeoutMs);
  void closeOutputs();

  pid_t m_pid = -1;
  int m_outFd = -1;
  int m_errFd = -1;
  AppRun m_run;
};

/// Runs the program with `args` in `directory` to its end.
AppRun runApp(const std::vector<std::string>& args, const std::string& directory);

}  // namespace trvTest

#endif
