// SPDX-License-Identifier: MIT
#include "trvStandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "trvCommandLine.h"

namespace trvApp {

namespace {

bool g_outputClosedAtStart = false;
int g_outputError = 0;  // why standard output first failed, once seen

}  // namespace

void occupyClosedStandardDescriptors() {
  const int standInModes[] = {O_WRONLY, O_RDONLY, O_RDONLY};
  for (int descriptor = 0; descriptor < 3; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    if (descriptor == STDOUT_FILENO) g_outputClosedAtStart = true;
    // open() takes the lowest free descriptor, which is this one: the
    // lower ones are open by now.
    const int standIn = open("/dev/null", standInModes[descriptor]);
    if (standIn != descriptor && standIn >= 0) close(standIn);
  }
}

bool standardOutputFailed() {
  const bool failed = std::ferror(stdout) != 0;
  if (failed && g_outputError == 0) g_outputError = errno != 0 ? errno : EIO;
  return failed;
}

int closeStandardOutput(int exitCode) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  int error = flushed ? 0 : errno;
  const bool failed = !flushed || std::ferror(stdout) != 0;
  const bool closed = std::fclose(stdout) == 0;
  if (!closed && error == 0) error = errno;
  if (!failed && closed) return exitCode;
  // A flush that found nothing left to write gives no reason: take the one
  // seen when the write failed, or the closed stream's.
  if (error == 0) error = g_outputError;
  if (error == 0 && g_outputClosedAtStart) error = EBADF;
  std::fprintf(stderr, "trv: cannot write standard output: %s\n",
               error != 0 ? std::strerror(error) : "a write failed");
  return EXIT_FAILED;
}

}  // namespace trvApp
