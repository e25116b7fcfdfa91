#include "trvAppRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace trvTest {

namespace {

using Clock = std::chrono::steady_clock;

// Generous: the runs are small, but the machine may be busy.
constexpr double RUN_SECONDS = 120.0;

[[noreturn]] void execApp(const std::vector<std::string>& args, const std::string& directory) {
  if (chdir(directory.c_str()) != 0) _exit(127);
  std::vector<char*> argv;
  std::string program = TRV_APP_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

// A pipe, or a terminal of `columns` columns, for standard error: the
// parent's end and the child's end.
bool errorChannel(int columns, int ends[2]) {
  if (columns == 0) return pipe(ends) == 0;
  struct winsize size {};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = 24;
  return openpty(&ends[0], &ends[1], nullptr, nullptr, &size) == 0;
}

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

Clock::time_point after(double seconds) {
  return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000.0));
}

}  // namespace

AppProcess::AppProcess(const std::vector<std::string>& args, const std::string& directory,
                       int columns) {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  if (pipe(out) != 0 || !errorChannel(columns, err)) std::abort();
  m_pid = fork();
  if (m_pid == 0) {
    const int nothing = open("/dev/null", O_RDONLY);
    dup2(nothing, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    execApp(args, directory);
  }
  close(out[1]);
  close(err[1]);
  m_outFd = out[0];
  m_errFd = err[0];
}

AppProcess::~AppProcess() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  closeOutputs();
}

void AppProcess::closeOutputs() {
  for (int* fd : {&m_outFd, &m_errFd}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

// Reads what is ready on either output; false once both are closed or
// nothing came within the time.
bool AppProcess::readSome(int timeoutMs) {
  pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
  if (m_outFd < 0 && m_errFd < 0) return false;
  if (poll(fds, 2, timeoutMs) <= 0) return false;
  std::string* sinks[2] = {&m_run.out, &m_run.err};
  int* fdsOwned[2] = {&m_outFd, &m_errFd};
  for (int k = 0; k < 2; ++k) {
    if (fds[k].fd < 0 || fds[k].revents == 0) continue;
    char buffer[4096];
    const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
    if (n > 0) {
      sinks[k]->append(buffer, static_cast<std::size_t>(n));
    } else {  // end of file, or EIO once a terminal's last writer is gone
      close(fds[k].fd);
      *fdsOwned[k] = -1;
    }
  }
  return true;
}

bool AppProcess::waitForError(const std::string& text, double seconds) {
  const Clock::time_point deadline = after(seconds);
  while (m_run.err.find(text) == std::string::npos) {
    if (!readSome(remainingMs(deadline))) return false;
  }
  return true;
}

void AppProcess::sendSignal(int signal) { kill(m_pid, signal); }

AppRun AppProcess::finish(double seconds) {
  const Clock::time_point deadline = after(seconds);
  while (readSome(remainingMs(deadline))) {
  }
  if (m_outFd >= 0 || m_errFd >= 0) kill(m_pid, SIGKILL);
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
  closeOutputs();
  if (WIFEXITED(status)) m_run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) m_run.signal = WTERMSIG(status);
  return m_run;
}

AppRun runApp(const std::vector<std::string>& args, const std::string& directory) {
  return AppProcess(args, directory).finish(RUN_SECONDS);
}

}  // namespace trvTest
