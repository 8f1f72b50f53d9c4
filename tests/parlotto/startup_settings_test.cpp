// The start-up settings and their two different defaults, read from real hive
// files, including hives written by the command-line tool.
#include "parlotto/startup_settings.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ScopedEnv;
using testing::ScratchDir;

const char kHeader[] = "Windows Registry Editor Version 5.00\n\n";
const char kSection[] = "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n";

class StartupSettingsTest : public ::testing::Test {
 protected:
  StartupSettingsTest() : hive_(dir_.File("user.reg")), env_("PARLOTTO_USER_HIVE", hive_.c_str()) {}

  StartupSettings ReadWith(const std::string& values) {
    testing::WriteFile(hive_, std::string(kHeader) + kSection + values);
    return ReadStartupSettings();
  }

  ScratchDir dir_;
  std::string hive_;
  ScopedEnv env_;
};

TEST_F(StartupSettingsTest, WithoutTheKeyBothAreFalse) {
  StartupSettings missing_file = ReadStartupSettings();
  EXPECT_FALSE(missing_file.no_agent);
  EXPECT_FALSE(missing_file.is_english);

  testing::WriteFile(hive_,
                     std::string(kHeader) +
                         "[HKEY_CURRENT_USER\\Software\\Zentravol]\n\"noAgent\"=dword:00000001\n");
  StartupSettings other_key = ReadStartupSettings();
  EXPECT_FALSE(other_key.no_agent);
  EXPECT_FALSE(other_key.is_english);
}

TEST_F(StartupSettingsTest, WithTheKeyAMissingOrUnreadableNoAgentMeansTrue) {
  StartupSettings empty_key = ReadWith("");
  EXPECT_TRUE(empty_key.no_agent);
  EXPECT_FALSE(empty_key.is_english);

  StartupSettings as_string = ReadWith("\"noAgent\"=\"0\"\n\"isEnglish\"=\"1\"\n");
  EXPECT_TRUE(as_string.no_agent);
  EXPECT_FALSE(as_string.is_english);
}

TEST_F(StartupSettingsTest, StoredDwordsAreTakenAsBooleans) {
  StartupSettings two = ReadWith("\"noAgent\"=dword:00000002\n\"isEnglish\"=dword:ffffffff\n");
  EXPECT_TRUE(two.no_agent);
  EXPECT_TRUE(two.is_english);

  StartupSettings zeros = ReadWith("\"NOAGENT\"=dword:00000000\n\"isenglish\"=dword:00000000\n");
  EXPECT_FALSE(zeros.no_agent);
  EXPECT_FALSE(zeros.is_english);
}

TEST_F(StartupSettingsTest, WhatTheToolWritesIsWhatTheProgramReads) {
  const std::string tool = std::string(PARLOTTO_BUILD_DIR) + "/parlotto-reg";
  const std::string key = "HKCU\\Software\\Zentravol\\Agent";
  auto run = [&](const std::string& args) {
    std::string command = "'" + tool + "' " + args + " >/dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("add '" + key + "' /v noAgent /t REG_DWORD /d 0 /f"), 0);
  ASSERT_EQ(run("add '" + key + "' /v isEnglish /t REG_DWORD /d 1 /f"), 0);
  StartupSettings written = ReadStartupSettings();
  EXPECT_FALSE(written.no_agent);
  EXPECT_TRUE(written.is_english);

  ASSERT_EQ(run("delete '" + key + "' /v noAgent /f"), 0);
  EXPECT_TRUE(ReadStartupSettings().no_agent);
}

}  // namespace
}  // namespace parlotto
