// SPDX-License-Identifier: MIT
#include "trvOutputFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace trvApp {

namespace {

namespace fs = std::filesystem;

// As many links as the system follows in one path before it gives ELOOP.
constexpr int MOST_LINKS = 40;

// Follows the symbolic links that `path` ends in, even to a file that does
// not exist yet. False when they go round in a loop.
bool followLinks(fs::path& path) {
  for (int links = 0; links < MOST_LINKS; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return true;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return true;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return false;
}

// The one spelling of the file `path` names, as far as the file system can
// tell (the missing part of a path is only normalised).
fs::path resolved(const std::string& path) {
  fs::path file(path);
  followLinks(file);
  std::error_code error;
  const fs::path absolute = fs::absolute(file, error);
  if (error) return file.lexically_normal();
  const fs::path canonical = fs::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal() : canonical;
}

// Why a file cannot be made at `path`, which does not exist yet.
std::string uncreatableReason(const std::string& path) {
  fs::path file(path);
  if (!followLinks(file)) return std::strerror(ELOOP);
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
  return "";
}

}  // namespace

std::string unwritableReason(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    return errno == ENOENT ? uncreatableReason(path) : std::strerror(errno);
  }
  if (S_ISDIR(status.st_mode)) return std::strerror(EISDIR);
  // A pipe, a terminal or a device would block the program or swallow what
  // it writes; the log and the dump are files to be read later.
  if (!S_ISREG(status.st_mode)) return "not a regular file";
  return access(path.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
}

bool sameFile(const std::string& first, const std::string& second) {
  struct stat one {
  }, other{};
  if (stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
  }
  return resolved(first) == resolved(second);
}

}  // namespace trvApp
