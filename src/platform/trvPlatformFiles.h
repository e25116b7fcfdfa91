#ifndef TRV_PLATFORM_FILES_H
#define TRV_PLATFORM_FILES_H

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

}  // namespace trvPlatform

#endif
