#include <CtrvSys.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "support/trvTestSupport.h"

namespace {

using Names = std::vector<std::string>;
const std::string kNul(1, '\0');

std::string currentDirectory() {
  char buffer[8192];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

// Puts an environment variable back as it was, set or unset.
class ScopedVariable {
 public:
  explicit ScopedVariable(const char* name) : m_name(name), m_wasSet(getenv(name) != nullptr) {
    if (m_wasSet) m_value = getenv(name);
  }
  ~ScopedVariable() { m_wasSet ? setenv(m_name, m_value.c_str(), 1) : unsetenv(m_name); }

 private:
  const char* m_name;
  bool m_wasSet;
  std::string m_value;
};

// Each test works in a private temporary directory and gets its working
// directory back.
class CtrvSysTest : public ::testing::Test {
 protected:
  void TearDown() override { ASSERT_EQ(chdir(m_savedDirectory.c_str()), 0); }

  std::string file(const std::string& name) const {
    std::ofstream(m_dir.file(name)) << "x";
    return m_dir.file(name);
  }
  std::string directory(const std::string& name) const {
    mkdir(m_dir.file(name).c_str(), 0755);
    return m_dir.file(name);
  }
  static bool permissionsApply() { return geteuid() != 0; }

  const std::string m_savedDirectory = currentDirectory();
  trvTest::TempDir m_dir;
};

TEST_F(CtrvSysTest, EnvironmentIsReadSetAndRemovedOnlyUnderValidNames) {
  const char* name = "TRV_SYS_TEST_VALUE";
  ScopedVariable guard(name);
  std::string value = "stale";
  unsetenv(name);
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "");
  for (const std::string& text : {std::string("a=b;c"), std::string(100000, 'v')}) {
    CtrvSys::setEnv(name, text);
    CtrvSys::getEnv(name, value);
    EXPECT_EQ(value, text);
  }
  CtrvSys::setEnv(name, "");
  EXPECT_EQ(getenv(name), nullptr) << "an empty value removes the variable";

  // Read literally, the name "NAME=B" would match the entry NAME=B=C.
  setenv(name, "B=C", 1);
  for (const std::string& bad : {std::string(name) + "=B", std::string(), name + kNul + "x"}) {
    CtrvSys::getEnv(bad, value);
    EXPECT_EQ(value, "");
    CtrvSys::setEnv(bad, "Y");
  }
  CtrvSys::setEnv(name, "Y" + kNul + "Z");
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "B=C") << "refused assignments change nothing";
}

TEST_F(CtrvSysTest, PathListsKeepEmptyEntriesAndAppend) {
  const char* name = "TRV_SYS_TEST_PATH";
  ScopedVariable guard(name);
  const std::pair<const char*, Names> cases[] = {
      {"a;b;c", {"a", "b", "c"}},
      {"a;;b", {"a", "", "b"}},
      {";", {"", ""}},
      {" a ; b", {" a ", " b"}},
      {"", {}},
  };
  for (const auto& [text, expected] : cases) {
    setenv(name, text, 1);
    Names entries{"kept"};
    CtrvSys::getPathEnvList(name, entries);
    ASSERT_EQ(entries.front(), "kept");
    EXPECT_EQ(Names(entries.begin() + 1, entries.end()), expected) << '"' << text << '"';
  }
  unsetenv(name);
  Names entries;
  CtrvSys::getPathEnvList(name, entries);
  EXPECT_TRUE(entries.empty());
}

TEST_F(CtrvSysTest, ExistenceTestsNeverMoveTheWorkingDirectory) {
  const std::string sub = directory("sub");
  const std::string plain = file("plain");
  const std::string pipe = m_dir.file("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string before = currentDirectory();

  EXPECT_TRUE(CtrvSys::doesDirectoryExist(sub));
  EXPECT_TRUE(CtrvSys::doesFileExist(plain));
  EXPECT_TRUE(CtrvSys::doesFileExist(pipe)) << "opening a pipe without writer must not block";
  // A directory is not a file, nor a file a directory; a path cut at a NUL
  // would name the existing entry.
  for (const std::string& absent : {plain, plain + "/", m_dir.file("missing"), std::string(),
                                    std::string(100000, 'd'), sub + kNul + "x"}) {
    EXPECT_FALSE(CtrvSys::doesDirectoryExist(absent)) << absent.substr(0, 80);
  }
  for (const std::string& absent :
       {sub, plain + "/", m_dir.file("missing"), std::string(), plain + kNul + "x"}) {
    EXPECT_FALSE(CtrvSys::doesFileExist(absent)) << absent;
  }
  EXPECT_EQ(currentDirectory(), before);

  ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
  EXPECT_TRUE(CtrvSys::doesDirectoryExist("sub"));
  if (permissionsApply()) {
    ASSERT_EQ(chmod(sub.c_str(), 0600), 0);    // cannot be entered
    ASSERT_EQ(chmod(plain.c_str(), 0200), 0);  // cannot be read
    EXPECT_FALSE(CtrvSys::doesDirectoryExist(sub));
    EXPECT_FALSE(CtrvSys::doesFileExist(plain));
    chmod(sub.c_str(), 0755);
  }
}

TEST_F(CtrvSysTest, CreateDirectoryMakesExactlyOneLevel) {
  const std::string made = m_dir.file("new");
  EXPECT_EQ(CtrvSys::createDirectory(made), TR_OK);
  EXPECT_TRUE(CtrvSys::doesDirectoryExist(made));
  const std::string plain = file("plain");
  for (const std::string& refused : {made, m_dir.file("a/b"), plain, plain + "/below",
                                     std::string(), m_dir.file("x") + kNul + "y"}) {
    EXPECT_EQ(CtrvSys::createDirectory(refused), TR_ERROR) << refused;
  }
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(m_dir.file("a")));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(m_dir.file("x")));
}

TEST_F(CtrvSysTest, DirectoryListingAppendsEveryBareName) {
  file("plain");
  file(".hidden");
  directory("sub");
  file("sub/inner");
  Names names{"kept"};
  EXPECT_EQ(CtrvSys::directoryGetFiles(m_dir.path(), names), 0);
  ASSERT_EQ(names.front(), "kept");
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, (Names{"kept", ".", "..", ".hidden", "plain", "sub"}));

  Names untouched{"kept"};
  for (const std::string& absent : {m_dir.file("missing"), m_dir.file("plain"), std::string()}) {
    EXPECT_EQ(CtrvSys::directoryGetFiles(absent, untouched), -1) << absent;
  }
  if (permissionsApply()) {
    // Enterable but not readable: it exists, and nothing can be listed.
    ASSERT_EQ(chmod(m_dir.file("sub").c_str(), 0100), 0);
    EXPECT_EQ(CtrvSys::directoryGetFiles(m_dir.file("sub"), untouched), 0);
    chmod(m_dir.file("sub").c_str(), 0755);
  }
  EXPECT_EQ(untouched, Names{"kept"});
}

TEST_F(CtrvSysTest, FindFilePathPrefersAReadableFirstCandidate) {
  const std::string first = directory("first");
  const std::string second = directory("second");
  file("first/here");
  directory("first/folder");
  EXPECT_EQ(CtrvSys::findFilePath("here", first, second), first + "/here");
  EXPECT_EQ(CtrvSys::findFilePath("here", first + "/", second), first + "//here");
  EXPECT_EQ(CtrvSys::findFilePath("nowhere", first, second), second + "/nowhere");
  EXPECT_EQ(CtrvSys::findFilePath("folder", first, second), second + "/folder");
  EXPECT_EQ(CtrvSys::findFilePath("here", "", ""), "/here");
}

TEST_F(CtrvSysTest, DebuggingModeFollowsTheVariableAtEveryCall) {
  ScopedVariable guard("TPX_DEBUGGING");
  unsetenv("TPX_DEBUGGING");
  EXPECT_FALSE(CtrvSys::inDebuggingMode());
  const std::pair<const char*, bool> cases[] = {
      {"", false},    {"0", false},  {"false", false}, {"FALSE", false}, {"1", true},
      {"true", true}, {"yes", true}, {"False", true},  {"00", true},     {" 0", true},
  };
  for (const auto& [value, debugging] : cases) {
    setenv("TPX_DEBUGGING", value, 1);
    EXPECT_EQ(CtrvSys::inDebuggingMode(), debugging) << '"' << value << '"';
  }
}

}  // namespace
