// A scratch user hive and system directory for each test, with the
// diagnostics that the store reports collected.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/places/diagnostics.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest()
      : hive_env_("PARLOTTO_USER_HIVE", scratch_.File("user.reg").c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", scratch_.File("system").c_str()) {
    std::filesystem::create_directory(scratch_.File("system"));
    SetDiagnosticSink([this](const std::string& line) { diagnostics_.push_back(line); });
  }
  ~RegistryTest() override { SetDiagnosticSink(nullptr); }

  std::string HivePath() const { return scratch_.File("user.reg"); }
  std::string HiveText() const { return testing::ReadFile(HivePath()); }
  void WriteHive(const std::string& text) const { testing::WriteFile(HivePath(), text); }

  // Reads a value from a copy of the hive under a new name, so that nothing
  // this process has cached is involved: what another process would see.
  bool ReadFromFreshCopy(const std::string& key, const std::string& name, RegValue* value) {
    std::string copy = scratch_.File("copy" + std::to_string(++copies_) + ".reg");
    std::filesystem::copy_file(HivePath(), copy);
    testing::ScopedEnv env("PARLOTTO_USER_HIVE", copy.c_str());
    Registry reg;
    return reg.OpenKey(key, false) && reg.GetValue(name, value);
  }

  testing::ScratchDir scratch_;
  testing::ScopedEnv hive_env_;
  testing::ScopedEnv system_env_;
  std::vector<std::string> diagnostics_;
  int copies_ = 0;
};

}  // namespace parlotto
