// SPDX-License-Identifier: MIT
#ifndef TRV_APP_STANDARD_STREAMS_H
#define TRV_APP_STANDARD_STREAMS_H

// The standard streams at the start and at the end of the program.

namespace trvApp {

/// Puts /dev/null on every standard descriptor (0, 1, 2) that is closed, so
/// that no file the program opens later takes its place: the live log must
/// never become standard output. The stand-in refuses what the stream is
/// used for (standard output and error are opened for reading only, standard
/// input for writing only), so a write to a stream that was closed still
/// fails with EBADF, as it would have on the closed descriptor.
void occupyClosedStandardDescriptors();

/// Whether a write to standard output has failed. Asked right after the
/// write, it also keeps the reason for closeStandardOutput().
bool standardOutputFailed();

/// Flushes and closes standard output and tells, in one line on standard
/// error, if anything written to it was lost (a full disk, a closed stream).
/// @return `exitCode`, or EXIT_FAILED when the output was not all written.
int closeStandardOutput(int exitCode);

}  // namespace trvApp

#endif
