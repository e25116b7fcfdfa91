// SPDX-License-Identifier: MIT
#include <CtrvSys.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/trvTestSupport.h"

using Names = std::vector<std::string>;
const std::string kNul(1, '\0');

TEST(CtrvSys, EnvironmentIsReadAndSetOnlyUnderValidNames) {
  const std::string name = "TRV_SYS_TEST_VALUE";
  std::string value;
  // Read literally, the name "NAME=B" would match the entry NAME=B=C.
  setenv(name.c_str(), "B=C", 1);
  for (const std::string& bad : {name + "=B", std::string(), name + kNul + "x"}) {
    CtrvSys::getEnv(bad, value);
    EXPECT_EQ(value, "");
    CtrvSys::setEnv(bad, "Y");
  }
  CtrvSys::setEnv(name, "Y" + kNul + "Z");
  CtrvSys::getEnv(name, value);
  EXPECT_EQ(value, "B=C") << "refused assignments change nothing";
  CtrvSys::setEnv(name, " a ;;b;");
  Names entries{"kept"};
  CtrvSys::getPathEnvList(name, entries);
  EXPECT_EQ(entries, (Names{"kept", " a ", "", "b", ""}));
  CtrvSys::setEnv(name, "");
  EXPECT_EQ(getenv(name.c_str()), nullptr) << "an empty value removes the variable";

  // Debugging is on unless the variable is unset, empty, "0", "false" or "FALSE".
  const char* const saved = getenv("TPX_DEBUGGING");
  const std::string savedValue = saved != nullptr ? saved : "";
  for (const char* value : {"0", "false", "FALSE", "", "False"}) {
    setenv("TPX_DEBUGGING", value, 1);
    EXPECT_EQ(CtrvSys::inDebuggingMode(), value == std::string("False")) << value;
  }
  saved != nullptr ? setenv("TPX_DEBUGGING", savedValue.c_str(), 1) : unsetenv("TPX_DEBUGGING");
}

TEST(CtrvSys, FileSystemQueriesTellFilesFromDirectoriesAndKeepTheWorkingDirectory) {
  const trvTest::TempDir dir;
  const std::string sub = dir.file("sub"), plain = dir.file("plain"), pipe = dir.file("pipe");
  std::ofstream(plain) << "x";
  EXPECT_EQ(CtrvSys::createDirectory(sub), TR_OK);
  for (const std::string& refused : {sub, dir.file("a/b"), plain + "/below", std::string()})
    EXPECT_EQ(CtrvSys::createDirectory(refused), TR_ERROR) << refused;
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::filesystem::path before = std::filesystem::current_path();
  EXPECT_TRUE(CtrvSys::doesDirectoryExist(sub) && CtrvSys::doesFileExist(plain));
  EXPECT_TRUE(CtrvSys::doesFileExist(pipe)) << "opening a pipe without writer must not block";
  // Cut at the NUL, some of these paths would name existing entries.
  for (const std::string& absent : {plain, sub + kNul + "x", dir.file("missing"), std::string()})
    EXPECT_FALSE(CtrvSys::doesDirectoryExist(absent)) << absent;
  for (const std::string& absent : {sub, plain + "/", plain + kNul + "x", std::string()})
    EXPECT_FALSE(CtrvSys::doesFileExist(absent)) << absent;
  EXPECT_EQ(std::filesystem::current_path(), before);

  Names names{"kept"};
  EXPECT_EQ(CtrvSys::directoryGetFiles(dir.path(), names), 0);
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, (Names{"kept", ".", "..", "pipe", "plain", "sub"}));
  EXPECT_EQ(CtrvSys::findFilePath("plain", dir.path(), sub), plain);
  EXPECT_EQ(CtrvSys::findFilePath("sub", dir.path(), sub), sub + "/sub") << "not a file";
}
