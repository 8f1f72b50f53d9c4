#include "agentsvr/default_character.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::agent {
namespace {

using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;
using parlotto::testing::WriteFile;

TEST(DefaultCharacterFile, IsTheFirstCharacterFileByName) {
  ScratchDir dir;
  ScopedEnv system("PARLOTTO_SYSTEM_DIR", dir.File("system").c_str());
  const std::string chars = dir.File("system/agent/chars");
  std::filesystem::create_directories(chars + "/0ordner.acz");  // a folder is no file
  WriteFile(chars + "/b.acz", "x");
  WriteFile(chars + "/a.acs", "x");
  WriteFile(chars + "/0liesmich.txt", "x");
  EXPECT_EQ(DefaultCharacterFile(), QString::fromStdString(chars + "/a.acs"));
}

TEST(DefaultCharacterFile, IsNothingWithoutCharacterFiles) {
  ScratchDir dir;
  ScopedEnv system("PARLOTTO_SYSTEM_DIR", dir.File("system").c_str());
  EXPECT_TRUE(DefaultCharacterFile().isEmpty());
  std::filesystem::create_directories(dir.File("system/agent/chars"));
  WriteFile(dir.File("system/agent/chars/figur.txt"), "x");
  EXPECT_TRUE(DefaultCharacterFile().isEmpty());
}

}  // namespace
}  // namespace parlotto::agent
