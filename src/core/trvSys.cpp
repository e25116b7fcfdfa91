// SPDX-License-Identifier: MIT
#include "CtrvSys.h"

#include "platform/trvPlatformEnvironment.h"
#include "platform/trvPlatformFiles.h"

namespace {

constexpr char kPathListSeparator = ';';
constexpr const char* kDebuggingVariable = "TPX_DEBUGGING";

std::string joinPath(const std::string& directory, const std::string& fileName) {
  return directory + "/" + fileName;
}

bool isDebuggingValue(const std::string& value) {
  return !value.empty() && value != "0" && value != "false" && value != "FALSE";
}

}  // namespace

void CtrvSys::getEnv(const std::string& name, std::string& value) {
  if (!trvPlatform::readEnvironmentVariable(name, value)) value.clear();
}

void CtrvSys::setEnv(const std::string& name, const std::string& value) {
  if (value.empty()) {
    trvPlatform::removeEnvironmentVariable(name);
  } else {
    trvPlatform::writeEnvironmentVariable(name, value);
  }
}

void CtrvSys::getPathEnvList(const std::string& name, std::vector<std::string>& entries) {
  std::string value;
  getEnv(name, value);
  if (value.empty()) return;
  std::string::size_type start = 0;
  for (std::string::size_type separator = value.find(kPathListSeparator);
       separator != std::string::npos; separator = value.find(kPathListSeparator, start)) {
    entries.push_back(value.substr(start, separator - start));
    start = separator + 1;
  }
  entries.push_back(value.substr(start));
}

bool CtrvSys::doesDirectoryExist(const std::string& path) {
  return trvPlatform::isSearchableDirectory(path);
}

bool CtrvSys::doesFileExist(const std::string& path) { return trvPlatform::isReadableFile(path); }

trStatus CtrvSys::createDirectory(const std::string& path) {
  return trvPlatform::makeDirectory(path) ? TR_OK : TR_ERROR;
}

short CtrvSys::directoryGetFiles(const std::string& path, std::vector<std::string>& names) {
  if (!doesDirectoryExist(path)) return -1;
  trvPlatform::listDirectory(path, names);
  return 0;
}

std::string CtrvSys::findFilePath(const std::string& fileName, const std::string& firstDirectory,
                                  const std::string& secondDirectory) {
  std::string candidate = joinPath(firstDirectory, fileName);
  if (trvPlatform::isReadableFile(candidate)) return candidate;
  return joinPath(secondDirectory, fileName);
}

bool CtrvSys::inDebuggingMode() {
  std::string value;
  getEnv(kDebuggingVariable, value);
  return isDebuggingValue(value);
}
