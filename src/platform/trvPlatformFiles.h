// SPDX-License-Identifier: MIT
#ifndef TRV_PLATFORM_FILES_H
#define TRV_PLATFORM_FILES_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

/// File-system queries. A path holding a NUL byte cannot reach the system: it
/// is treated as a path that does not exist.
namespace trvPlatform {

/// Whether `path` is a directory that this process may search, that is,
/// could make its working directory. Nothing is changed.
bool isSearchableDirectory(const std::string& path);

/// Whether `path` can be opened for reading and is not a directory. The
/// file is closed at once; opening never blocks (a FIFO without writer
/// counts as readable).
bool isReadableFile(const std::string& path);

/// Creates the one directory `path`, with full permissions less the umask.
/// @return false when it exists already, its parent is missing, or the
/// system refuses.
bool makeDirectory(const std::string& path);

/// Appends the names of every entry of the directory `path`, as the file
/// system lists them, to `names`.
/// @return false, with nothing appended, if the directory cannot be opened.
bool listDirectory(const std::string& path, std::vector<std::string>& names);

/// Writes `size` bytes of `data` to the file under `stream` with as few
/// system calls as it takes (one, unless the system writes less or a signal
/// interrupts it), past the stream's buffer, which must be empty: for a
/// stream flushed after each of its lines, the same file content as a write
/// and a flush through the stream, with no copy into its buffer.
/// @return false when the system refuses a write (a full disk, for instance).
bool writeUnbuffered(std::FILE* stream, const char* data, std::size_t size);

}  // namespace trvPlatform

#endif
