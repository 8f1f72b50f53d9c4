// A scratch user hive for each test, with what the store reports collected.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {

class HiveFileTest : public ::testing::Test {
 protected:
  HiveFileTest() : hive_env_("PARLOTTO_USER_HIVE", scratch_.File("user.reg").c_str()) {
    SetDiagnosticSink([this](const std::string& line) { diagnostics_.push_back(line); });
  }
  ~HiveFileTest() override { SetDiagnosticSink(nullptr); }

  std::string HivePath() const { return scratch_.File("user.reg"); }
  std::string HiveText() const { return testing::ReadFile(HivePath()); }
  void WriteHive(const std::string& bytes) const { testing::WriteFile(HivePath(), bytes); }

  testing::ScratchDir scratch_;
  testing::ScopedEnv hive_env_;
  std::vector<std::string> diagnostics_;
};

}  // namespace parlotto
