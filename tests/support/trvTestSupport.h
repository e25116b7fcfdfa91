// SPDX-License-Identifier: MIT
#ifndef TRV_TEST_SUPPORT_H
#define TRV_TEST_SUPPORT_H

// Helpers shared by the test suites: a private temporary directory and whole
// file reads.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace trvTest {

/// A fresh directory under the system's temporary folder, removed with
/// everything in it when the object goes out of scope.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trv-test-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    m_path = made != nullptr ? made : "";
  }
  ~TempDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

/// The whole content of a file, bytes as they are; empty if it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The lines of a text, without their line feeds.
inline std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace trvTest

#endif
