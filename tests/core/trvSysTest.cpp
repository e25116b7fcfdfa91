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

std::string currentDirectory() {
  std::vector<char> buffer(8192);
  return getcwd(buffer.data(), buffer.size()) != nullptr ? buffer.data() : "";
}

bool isSet(const std::string& name) { return getenv(name.c_str()) != nullptr; }

// Restores an environment variable, set or unset, to what it was.
class ScopedVariable {
 public:
  explicit ScopedVariable(std::string name) : m_name(std::move(name)) {
    const char* value = getenv(m_name.c_str());
    m_wasSet = value != nullptr;
    if (m_wasSet) m_value = value;
  }
  ~ScopedVariable() {
    if (m_wasSet) {
      setenv(m_name.c_str(), m_value.c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string m_name;
  std::string m_value;
  bool m_wasSet = false;
};

// Every test runs in a private temporary directory and gets back the
// working directory it started in.
class CtrvSysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedDirectory = currentDirectory();
    ASSERT_FALSE(m_dir.path().empty());
  }
  void TearDown() override { ASSERT_EQ(chdir(m_savedDirectory.c_str()), 0); }

  std::string makeFile(const std::string& name, const std::string& content = "x") const {
    const std::string path = m_dir.file(name);
    std::ofstream(path) << content;
    return path;
  }
  std::string makeDirectory(const std::string& name) const {
    const std::string path = m_dir.file(name);
    mkdir(path.c_str(), 0755);
    return path;
  }
  static bool permissionsApply() { return geteuid() != 0; }

  trvTest::TempDir m_dir;
  std::string m_savedDirectory;
};

TEST_F(CtrvSysTest, EnvironmentValuesAreSetReadAndRemoved) {
  const std::string name = "TRV_SYS_TEST_VALUE";
  ScopedVariable guard(name);
  unsetenv(name.c_str());

  std::string value = "stale";
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "") << "an unset variable reads as empty";

  CtrvSys::setEnv(name, "a=b;c");
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "a=b;c");

  const std::string longValue(100000, 'v');
  CtrvSys::setEnv(name, longValue);
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, longValue);

  CtrvSys::setEnv(name, "");
  EXPECT_FALSE(isSet(name)) << "an empty value removes the variable";
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "");
  CtrvSys::setEnv(name, "");
  EXPECT_FALSE(isSet(name));
}

TEST_F(CtrvSysTest, NamesHoldingAnEqualsSignOrNulNeverReachTheEnvironment) {
  const std::string name = "TRV_SYS_TEST_NAME";
  ScopedVariable guard(name);
  setenv(name.c_str(), "B=C", 1);

  // Read literally, "NAME=B" would match the entry NAME=B=C and give "C".
  std::string value = "stale";
  CtrvSys::getEnv(name + "=B", value);
  EXPECT_EQ(value, "");
  CtrvSys::getEnv("", value);
  EXPECT_EQ(value, "");
  CtrvSys::getEnv(name + std::string(1, '\0') + "x", value);
  EXPECT_EQ(value, "");

  CtrvSys::setEnv(name + "=X", "Y");
  CtrvSys::setEnv(name + std::string(1, '\0'), "Y");
  CtrvSys::setEnv(name, std::string("Y\0Z", 3));
  CtrvSys::setEnv("", "Y");
  CtrvSys::setEnv("=", "");
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "B=C") << "none of the refused assignments changed the variable";
}

TEST_F(CtrvSysTest, PathListsKeepEmptyEntriesAndAppend) {
  const std::string name = "TRV_SYS_TEST_PATH";
  ScopedVariable guard(name);
  struct Case {
    std::string value;
    Names expected;
  };
  const Case cases[] = {
      {"a;b;c", {"a", "b", "c"}}, {"a;;b", {"a", "", "b"}},
      {"a;", {"a", ""}},          {";", {"", ""}},
      {";a", {"", "a"}},          {" a ; b", {" a ", " b"}},
      {"/usr/lib", {"/usr/lib"}},
  };
  for (const Case& c : cases) {
    setenv(name.c_str(), c.value.c_str(), 1);
    Names entries{"first"};
    CtrvSys::getPathEnvList(name, entries);
    Names expected{"first"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(entries, expected) << '"' << c.value << '"';
  }

  Names entries{"first"};
  setenv(name.c_str(), "", 1);
  CtrvSys::getPathEnvList(name, entries);
  unsetenv(name.c_str());
  CtrvSys::getPathEnvList(name, entries);
  EXPECT_EQ(entries, Names{"first"}) << "an empty or unset variable adds nothing";
}

TEST_F(CtrvSysTest, DirectoryTestNeverMovesTheWorkingDirectory) {
  const std::string directory = makeDirectory("sub");
  const std::string file = makeFile("file");
  const std::string before = currentDirectory();

  EXPECT_TRUE(CtrvSys::doesDirectoryExist(directory));
  EXPECT_TRUE(CtrvSys::doesDirectoryExist(directory + "/"));
  EXPECT_TRUE(CtrvSys::doesDirectoryExist(m_dir.path()));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(file));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(file + "/"));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(m_dir.file("missing")));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(""));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(directory + std::string(1, '\0') + "x"));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(std::string(100000, 'd')));
  EXPECT_EQ(currentDirectory(), before);

  // Relative paths resolve against the working directory.
  ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
  EXPECT_TRUE(CtrvSys::doesDirectoryExist("sub"));
  EXPECT_TRUE(CtrvSys::doesDirectoryExist("."));
  EXPECT_FALSE(CtrvSys::doesDirectoryExist("file"));

  if (permissionsApply()) {
    // A directory the process may not enter could not become its working
    // directory.
    ASSERT_EQ(chmod(directory.c_str(), 0600), 0);
    EXPECT_FALSE(CtrvSys::doesDirectoryExist(directory));
    chmod(directory.c_str(), 0755);
  }
}

TEST_F(CtrvSysTest, OnlyReadableFilesExist) {
  const std::string file = makeFile("file");
  const std::string empty = makeFile("empty", "");
  const std::string directory = makeDirectory("sub");

  EXPECT_TRUE(CtrvSys::doesFileExist(file));
  EXPECT_TRUE(CtrvSys::doesFileExist(empty));
  EXPECT_FALSE(CtrvSys::doesFileExist(directory));
  EXPECT_FALSE(CtrvSys::doesFileExist(m_dir.file("missing")));
  EXPECT_FALSE(CtrvSys::doesFileExist(file + "/"));
  EXPECT_FALSE(CtrvSys::doesFileExist(""));
  EXPECT_FALSE(CtrvSys::doesFileExist(std::string(100000, 'f')));
  // Cut at the NUL, this path would name the existing file.
  EXPECT_FALSE(CtrvSys::doesFileExist(file + std::string(1, '\0') + "x"));

  // A pipe without a writer must not block the test.
  const std::string pipe = m_dir.file("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_TRUE(CtrvSys::doesFileExist(pipe));

  if (permissionsApply()) {
    ASSERT_EQ(chmod(file.c_str(), 0200), 0);
    EXPECT_FALSE(CtrvSys::doesFileExist(file));
  }
}

TEST_F(CtrvSysTest, CreateDirectoryMakesExactlyOneLevel) {
  const std::string directory = m_dir.file("new");
  EXPECT_EQ(CtrvSys::createDirectory(directory), TR_OK);
  EXPECT_TRUE(CtrvSys::doesDirectoryExist(directory));
  EXPECT_EQ(CtrvSys::createDirectory(directory), TR_ERROR) << "already exists";

  EXPECT_EQ(CtrvSys::createDirectory(m_dir.file("a/b")), TR_ERROR) << "missing parent";
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(m_dir.file("a")));
  const std::string file = makeFile("file");
  EXPECT_EQ(CtrvSys::createDirectory(file), TR_ERROR);
  EXPECT_EQ(CtrvSys::createDirectory(file + "/below"), TR_ERROR);
  EXPECT_EQ(CtrvSys::createDirectory(""), TR_ERROR);
  EXPECT_EQ(CtrvSys::createDirectory(m_dir.file("x") + std::string(1, '\0') + "y"), TR_ERROR);
  EXPECT_FALSE(CtrvSys::doesDirectoryExist(m_dir.file("x")));
}

TEST_F(CtrvSysTest, DirectoryListingAppendsEveryBareName) {
  makeFile("plain");
  makeFile(".hidden");
  makeDirectory("sub");
  makeFile("sub/inner");

  Names names{"kept"};
  EXPECT_EQ(CtrvSys::directoryGetFiles(m_dir.path(), names), 0);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "kept");
  Names listed(names.begin() + 1, names.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (Names{".", "..", ".hidden", "plain", "sub"}));

  Names untouched{"kept"};
  EXPECT_EQ(CtrvSys::directoryGetFiles(m_dir.file("missing"), untouched), -1);
  EXPECT_EQ(CtrvSys::directoryGetFiles(m_dir.file("plain"), untouched), -1);
  EXPECT_EQ(CtrvSys::directoryGetFiles("", untouched), -1);
  EXPECT_EQ(untouched, Names{"kept"});

  if (permissionsApply()) {
    // Enterable but not readable: it exists, and nothing can be listed.
    const std::string sealed = makeDirectory("sealed");
    makeFile("sealed/secret");
    ASSERT_EQ(chmod(sealed.c_str(), 0100), 0);
    EXPECT_EQ(CtrvSys::directoryGetFiles(sealed, untouched), 0);
    EXPECT_EQ(untouched, Names{"kept"});
    chmod(sealed.c_str(), 0755);
  }
}

TEST_F(CtrvSysTest, FindFilePathPrefersAReadableFirstCandidate) {
  const std::string first = makeDirectory("first");
  const std::string second = makeDirectory("second");
  makeFile("first/here");
  makeFile("second/there");
  makeDirectory("first/folder");

  EXPECT_EQ(CtrvSys::findFilePath("here", first, second), first + "/here");
  EXPECT_EQ(CtrvSys::findFilePath("there", first, second), second + "/there");
  EXPECT_EQ(CtrvSys::findFilePath("nowhere", first, second), second + "/nowhere");
  EXPECT_EQ(CtrvSys::findFilePath("folder", first, second), second + "/folder")
      << "a directory is not a file that can be read";
  EXPECT_EQ(CtrvSys::findFilePath("here", first + "/", second), first + "//here");
  EXPECT_EQ(CtrvSys::findFilePath("here", "", ""), "/here");
  EXPECT_EQ(CtrvSys::findFilePath("", first, second), second + "/");

  ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
  EXPECT_EQ(CtrvSys::findFilePath("here", "first", "second"), "first/here");
}

TEST_F(CtrvSysTest, DebuggingModeFollowsTheVariableAtEveryCall) {
  ScopedVariable guard("TPX_DEBUGGING");
  unsetenv("TPX_DEBUGGING");
  EXPECT_FALSE(CtrvSys::inDebuggingMode());

  const std::pair<const char*, bool> cases[] = {
      {"", false},     {"0", false},   {"false", false}, {"FALSE", false},
      {"1", true},     {"true", true}, {"yes", true},    {"no", true},
      {"False", true}, {"00", true},   {" 0", true},     {"false ", true},
  };
  for (const auto& [value, debugging] : cases) {
    setenv("TPX_DEBUGGING", value, 1);
    EXPECT_EQ(CtrvSys::inDebuggingMode(), debugging) << '"' << value << '"';
  }
}

}  // namespace
