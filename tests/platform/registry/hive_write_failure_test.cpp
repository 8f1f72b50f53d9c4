// Writes that fail are reported, but once: a program that stores many values
// on a full disk says so in one line, not one per value.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/registry_fixture.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;

bool Write(const std::string& name) {
  Registry reg;
  if (!reg.OpenKey("\\Software\\Zentravol\\Agent", true)) return false;
  try {
    reg.WriteInteger(name, 1);
  } catch (const ERegistryException&) {
    return false;
  }
  return true;
}

using HiveWriteFailure = RegistryTest;

TEST_F(HiveWriteFailure, IsReportedOnceUntilAWriteSucceedsAgain) {
  // Nothing is written without the writers' lock, and a directory has its name.
  const std::string lock = HivePath() + ".lock";
  fs::create_directories(lock);
  EXPECT_FALSE(Write("a"));
  EXPECT_FALSE(Write("b"));
  EXPECT_FALSE(Write("c"));
  ASSERT_EQ(diagnostics_.size(), 1u);
  EXPECT_NE(diagnostics_[0].find(lock), std::string::npos) << diagnostics_[0];
  EXPECT_NE(diagnostics_[0].find("left as it was"), std::string::npos) << diagnostics_[0];
  EXPECT_FALSE(fs::exists(HivePath()));

  fs::remove(lock);
  EXPECT_TRUE(Write("d"));
  EXPECT_EQ(diagnostics_.size(), 1u);

  // Failing again after a success is news.
  fs::remove(lock);
  fs::create_directories(lock);
  EXPECT_FALSE(Write("e"));
  EXPECT_EQ(diagnostics_.size(), 2u);
  EXPECT_EQ(HiveText().find("\"e\""), std::string::npos);
}

TEST_F(HiveWriteFailure, AHiveThatCannotBeReadIsNotReportedAgainForTheWrite) {
  fs::create_directories(HivePath());
  EXPECT_FALSE(Write("a"));
  EXPECT_FALSE(Write("b"));
  ASSERT_EQ(diagnostics_.size(), 1u);
  EXPECT_NE(diagnostics_[0].find("not a regular file"), std::string::npos) << diagnostics_[0];
  EXPECT_TRUE(fs::is_directory(HivePath()));
}

}  // namespace
}  // namespace parlotto
