// The hive file: several processes on one hive, hives too large for
// anything quadratic, and damage reported when it is first read, once for
// each content.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/registry/registry_fixture.h"

namespace parlotto {
namespace {
using RegistrySharing = RegistryTest;

// Runs `work` in a child process; its exit status is 0 when it returned true.
pid_t Spawn(const std::function<bool()>& work) {
  pid_t pid = fork();
  if (pid == 0) {
    bool ok = false;
    try {
      ok = work();
    } catch (...) {
    }
    _exit(ok ? 0 : 1);
  }
  return pid;
}

bool Succeeded(pid_t pid) {
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

TEST_F(RegistrySharing, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 2;
  constexpr int kValues = 60;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  pid_t writers[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    writers[w] = Spawn([&, w] {
      close(start[1]);
      char go;
      if (read(start[0], &go, 1) != 0) return false;  // wait for the start
      Registry reg;
      if (!reg.OpenKey("\\Software\\Race", true)) return false;
      for (int i = 0; i < kValues; ++i) {
        reg.WriteInteger("w" + std::to_string(w) + "_" + std::to_string(i), i);
      }
      return true;
    });
  }
  close(start[0]);
  close(start[1]);  // both writers start now
  for (pid_t pid : writers) EXPECT_TRUE(Succeeded(pid));

  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Race", false));
  EXPECT_EQ(reg.GetValueNames().size(), size_t{kWriters} * kValues);
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValues; ++i) {
      EXPECT_EQ(reg.ReadInteger("w" + std::to_string(w) + "_" + std::to_string(i)), i);
    }
  }
}

TEST_F(RegistrySharing, AnOpenAccessorSeesOtherProcessesWrites) {
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol\\Agent", true));
  reg.WriteInteger("Speed", 100);
  ASSERT_EQ(reg.ReadInteger("Speed"), 100);
  // Same-size rewrites in quick succession must still be noticed.
  for (int i = 101; i < 141; ++i) {
    ASSERT_TRUE(Succeeded(Spawn([i] {
      Registry other;
      if (!other.OpenKey("\\Software\\Zentravol\\Agent", false)) return false;
      other.WriteInteger("Speed", 999);
      other.WriteInteger("Speed", i);
      return true;
    })));
    ASSERT_EQ(reg.ReadInteger("Speed"), i);
  }
  ASSERT_TRUE(Succeeded(Spawn([] {
    Registry other;
    return other.DeleteKey("\\Software\\Zentravol\\Agent");
  })));
  EXPECT_FALSE(reg.ValueExists("Speed"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Zentravol\\Agent"));
  EXPECT_FALSE(reg.OpenKey("\\Software\\Zentravol\\Agent", false));
}

TEST_F(RegistrySharing, LargeHivesStayFast) {
  constexpr int kCount = 100000;
  std::string text =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Big]\n";
  for (int i = 0; i < kCount; ++i) {
    text += "\"Value" + std::to_string(i) + "\"=dword:00000001\n";
  }
  for (int i = 0; i < kCount / 10; ++i) {
    text += "\n[HKEY_CURRENT_USER\\Software\\Big\\Key" + std::to_string(i) + "]\n";
  }
  WriteHive(text);

  auto started = std::chrono::steady_clock::now();
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Big", false));
  EXPECT_EQ(reg.ReadInteger("value99999"), 1);
  reg.WriteInteger("Value0", 2);
  EXPECT_TRUE(reg.DeleteValue("Value1"));
  EXPECT_TRUE(reg.DeleteKey("Key5"));
  EXPECT_EQ(reg.GetValueNames().size(), size_t{kCount - 1});
  EXPECT_EQ(reg.GetKeyNames().size(), size_t{kCount / 10 - 1});
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  // Linear work takes well under a second here; quadratic would take minutes.
  EXPECT_LT(seconds, 30.0);
  EXPECT_TRUE(diagnostics_.empty());
}

using HiveDamage = RegistryTest;

const std::string kDamaged =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=dword:00000001\n"
    "\"Speed\"=dword:fast\n"  // line 5
    "\"Pitch\"=dword:00000064\n"
    "noise\n";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Opens the settings key the way the program does at each start-up.
void OpenSettings() {
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol\\Agent", false));
  EXPECT_EQ(reg.ReadInteger("noAgent"), 1);
}

// Replaces the hive with `bytes` as a new file, as another program would.
void ReplaceWith(const std::string& path, const std::string& bytes) {
  testing::WriteFile(path + ".new", bytes);
  std::filesystem::rename(path + ".new", path);
}

TEST_F(HiveDamage, TheFirstReadReportsTheFileAndTheLine) {
  WriteHive(kDamaged);
  OpenSettings();
  ASSERT_EQ(diagnostics_.size(), 1u);
  const std::string& line = diagnostics_[0];
  EXPECT_TRUE(Contains(line, HivePath())) << line;
  EXPECT_TRUE(Contains(line, "line 5 (and 1 more line)")) << line;
  EXPECT_TRUE(Contains(line, "value data that cannot be read")) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos);
  // Reading changes nothing on disk.
  EXPECT_EQ(HiveText(), kDamaged);
  EXPECT_FALSE(std::filesystem::exists(HivePath() + ".damaged"));
}

TEST_F(HiveDamage, TheSameDamagedContentIsReportedOnlyOnce) {
  WriteHive(kDamaged);
  for (int i = 0; i < 3; ++i) OpenSettings();
  // Written anew with the same bytes: a re-read, but nothing new to say.
  ReplaceWith(HivePath(), kDamaged);
  for (int i = 0; i < 3; ++i) OpenSettings();
  EXPECT_EQ(diagnostics_.size(), 1u);

  // Other damage is news.
  ReplaceWith(HivePath(), kDamaged + "[HKEY_LOCAL_MACHINE\\Software]\n");
  OpenSettings();
  OpenSettings();
  ASSERT_EQ(diagnostics_.size(), 2u);
  EXPECT_TRUE(Contains(diagnostics_[1], "line 5 (and 2 more lines)")) << diagnostics_[1];
}

TEST_F(HiveDamage, EachProblemIsNamed) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const std::string section = "[HKEY_CURRENT_USER\\Software\\A]\n";
  const Case cases[] = {
      {"[HKEY_CURRENT_USER\\Software\\A]\n", "line 1 could not be read: no \"Windows Registry"},
      {header + "\"V\"=dword:1\n", "line 3 could not be read: a value outside any section"},
      {header + "[HKEY_LOCAL_MACHINE\\X]\n", "line 3 could not be read: a section that is no key"},
      {header + section + "\"V\"=hex:01,\\\n", "line 4 could not be read: a value cut off"},
      {header + section + "\"V dword:1\n", "line 4 could not be read: a value name without its"},
      {header + section + "\"V\" dword:1\n",
       "line 4 could not be read: a value name without \"=\""},
      {header + section + "V=1\n", "line 4 could not be read: neither a section nor a value"},
  };
  for (const Case& c : cases) {
    diagnostics_.clear();
    ReplaceWith(HivePath(), c.text);
    Registry reg;
    reg.KeyExists("\\Software");
    ASSERT_EQ(diagnostics_.size(), 1u) << c.text;
    EXPECT_TRUE(Contains(diagnostics_[0], c.expected)) << diagnostics_[0];
  }
}

TEST_F(HiveDamage, ARewriteNamesTheBackupAndLeavesACleanFile) {
  WriteHive(kDamaged);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Other", true));
  ASSERT_EQ(diagnostics_.size(), 2u);
  EXPECT_TRUE(Contains(diagnostics_[0], "line 5")) << diagnostics_[0];
  EXPECT_TRUE(Contains(diagnostics_[1], HivePath() + ".damaged")) << diagnostics_[1];
  // The rewritten file is clean: later reads report nothing.
  OpenSettings();
  EXPECT_EQ(diagnostics_.size(), 2u);
}

}  // namespace
}  // namespace parlotto
