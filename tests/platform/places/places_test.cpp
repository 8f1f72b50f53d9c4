// The places the program looks for its files.
#include "platform/places/places.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;

TEST(Places, TempDirFallsBackInOrderAndKeepsANonexistentTemp) {
  {
    ScopedEnv temp("TEMP", "/nonexistent/dir");
    EXPECT_EQ(TempDir(), "/nonexistent/dir/");
  }
  {
    ScopedEnv temp("TEMP", nullptr);
    ScopedEnv tmpdir("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempDir(), "/var/tmp/");
  }
  {
    ScopedEnv temp("TEMP", "");
    ScopedEnv tmpdir("TMPDIR", nullptr);
    EXPECT_EQ(TempDir(), "/tmp/");
  }
}

TEST(Places, SystemDirPrefersTheEnvironmentThenTheBuildTree) {
  {
    ScopedEnv system("PARLOTTO_SYSTEM_DIR", "/srv/parlotto-system");
    EXPECT_EQ(SystemDir(), "/srv/parlotto-system/");
  }
  ScopedEnv system("PARLOTTO_SYSTEM_DIR", nullptr);
  std::string program_dir = ProgramDir();
  ASSERT_FALSE(program_dir.empty());
  EXPECT_EQ(program_dir.back(), '/');
  if (std::filesystem::is_directory(program_dir + "system")) {
    EXPECT_EQ(SystemDir(), program_dir + "system/");
  } else {
    EXPECT_NE(SystemDir(), program_dir + "system/");
  }
}

TEST(Places, WithoutHomeTheSettingsGoToTheHomeTheUserDatabaseNames) {
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  ScopedEnv cache("XDG_CACHE_HOME", nullptr);
  ScopedEnv home("HOME", nullptr);
  const passwd* user = getpwuid(geteuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(ConfigHome(), std::string(user->pw_dir) + "/.config/");
  EXPECT_EQ(CacheHome(), std::string(user->pw_dir) + "/.cache/");
}

TEST(Places, WorkFilesStayOutOfAnInstalledProgramDirectory) {
  ScratchDir scratch;
  ScopedEnv cache("XDG_CACHE_HOME", scratch.File("cache").c_str());
  const std::string build = scratch.path().string() + "/build/";
  const std::string installed = scratch.path().string() + "/usr/lib/parlotto/";
  std::filesystem::create_directories(build);
  std::filesystem::create_directories(installed);
  const std::string in_cache = scratch.File("cache") + "/parlotto/";
  struct Case {
    std::string program_dir, expected;
  } cases[] = {
      {build, build},
      {installed, in_cache},  // writable, as for root, but the package's
      {scratch.path().string() + "/missing/", in_cache},
  };
  for (const Case& c : cases) EXPECT_EQ(WorkFileDirFor(c.program_dir), c.expected) << c.program_dir;
  EXPECT_TRUE(std::filesystem::is_directory(in_cache));
}

}  // namespace
}  // namespace parlotto
