// SPDX-License-Identifier: MIT
#ifndef CTRV_SYS_H
#define CTRV_SYS_H

/// @file CtrvSys.h
/// Environment and file-system utilities.

#include <string>
#include <vector>

#include "trStatus.h"
#include "trvExport.h"

/// Thin static wrappers over the process environment and the file system.
/// Paths are byte strings handed to the system unchanged; the library builds
/// paths with "/". A name or path holding a NUL byte cannot be passed to the
/// system and is treated as absent. Output vectors are appended to, never
/// cleared. Failures show only in the results (false, TR_ERROR, -1, an empty
/// value); nothing throws and nothing is logged. The class has no data and
/// is never instantiated.
class TRV_API CtrvSys {
 public:
  /// Never instantiated: every operation is static.
  CtrvSys() = delete;

  /// Sets `value` to the text of the environment variable `name`, or to the
  /// empty string when it is not set (or `name` is not a valid variable name:
  /// empty or containing "=").
  static void getEnv(const std::string& name, std::string& value);

  /// Sets the environment variable `name` to a copy of `value`; an empty
  /// `value` removes the variable. Nothing is reported: an invalid name
  /// (empty or containing "=") or a value holding a NUL byte leaves the
  /// environment unchanged.
  static void setEnv(const std::string& name, const std::string& value);

  /// Appends the entries of the ";"-separated list held by the environment
  /// variable `name` to `entries`: empty entries are kept (a trailing ";"
  /// gives a final empty entry), nothing is trimmed. An unset or empty
  /// variable adds nothing.
  static void getPathEnvList(const std::string& name, std::vector<std::string>& entries);

  /// Whether the process could make `path` its working directory: it names
  /// a directory that this process may search. The working directory is
  /// never changed.
  static bool doesDirectoryExist(const std::string& path);

  /// Whether `path` can be opened for reading as a file. A directory, a
  /// missing file and a file that cannot be read all count as absent.
  static bool doesFileExist(const std::string& path);

  /// Creates the one directory `path` (parents are not created).
  /// @return TR_OK, or TR_ERROR if it already exists, its parent is missing
  /// or the system refuses.
  static trStatus createDirectory(const std::string& path);

  /// Appends the bare names of every entry of the directory `path` (files,
  /// subdirectories, hidden entries, "." and "..") to `names`, in the order
  /// the file system lists them.
  /// @return 0; -1 (with `names` untouched) when doesDirectoryExist(path) is
  /// false; 0 with nothing added when the directory cannot be listed.
  static short directoryGetFiles(const std::string& path, std::vector<std::string>& names);

  /// Chooses between two directories for `fileName`.
  /// @return firstDirectory + "/" + fileName if that file can be opened for
  /// reading, otherwise secondDirectory + "/" + fileName, untested. Only the
  /// one "/" is inserted; nothing else is added or removed.
  static std::string findFilePath(const std::string& fileName, const std::string& firstDirectory,
                                  const std::string& secondDirectory);

  /// Whether the process runs in debugging mode: the environment variable
  /// TPX_DEBUGGING, read at every call, is non-empty and none of "0",
  /// "false" and "FALSE" (case-sensitive).
  static bool inDebuggingMode();
};

#endif
