// SPDX-License-Identifier: MIT
#ifndef TRV_APP_OUTPUT_FILES_H
#define TRV_APP_OUTPUT_FILES_H

// Checks on the files the program is asked to write, made before any work
// so that a long run does not end in a file that cannot be written.

#include <string>

namespace trvApp {

/// Why the program could not write its output to `path`, or "" if it can:
/// `path` must be a regular file this process may write, or a file it may
/// create in an existing folder. Symbolic links are followed, a dangling one
/// to the file it would create. Nothing is created or changed.
std::string unwritableReason(const std::string& path);

/// Whether `first` and `second` name one file: the same device and inode
/// when both exist (hard links included), otherwise the same absolute path
/// once symbolic links are followed as far as they lead and "." and ".."
/// are resolved.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace trvApp

#endif
