// SPDX-License-Identifier: MIT
#include "platform/trvPlatformFiles.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace trvPlatform {

namespace {

bool reachesSystem(const std::string& path) { return path.find('\0') == std::string::npos; }

}  // namespace

bool isSearchableDirectory(const std::string& path) {
  if (!reachesSystem(path)) return false;
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  // The effective ids decide, as they do for chdir.
  return faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

bool isReadableFile(const std::string& path) {
  if (!reachesSystem(path)) return false;
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat status {};
  const bool isFile = fstat(descriptor, &status) == 0 && !S_ISDIR(status.st_mode);
  close(descriptor);
  return isFile;
}

bool makeDirectory(const std::string& path) {
  return reachesSystem(path) && mkdir(path.c_str(), 0777) == 0;
}

bool listDirectory(const std::string& path, std::vector<std::string>& names) {
  if (!reachesSystem(path)) return false;
  // Closed on every way out, an allocation failure while appending included.
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(path.c_str()), closedir);
  if (!directory) return false;
  while (const dirent* entry = readdir(directory.get())) names.emplace_back(entry->d_name);
  return true;
}

bool writeUnbuffered(std::FILE* stream, const char* data, std::size_t size) {
  const int descriptor = fileno(stream);
  while (size > 0) {
    const ssize_t written = write(descriptor, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace trvPlatform
