// The debug log's life within one process: the first entry starts a new file,
// later ones append, and an unwritable place loses entries quietly. Each case
// runs in a child process because the first-entry state is process-wide.
#include "parlotto/debug_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

// Runs `body` in a fresh child process; true when it exited normally with 0.
bool InChild(const std::function<void()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(DebugLog, TheFirstEntryOfARunReplacesThePreviousRunsLog) {
  ScratchDir dir;
  ScopedEnv temp("TEMP", dir.path().c_str());
  testing::WriteFile(dir.File("vocatodebug.log"), "alter Lauf 1\nalter Lauf 2\n");

  ASSERT_TRUE(InChild([] {
    WriteDebugLog("Text1");
    WriteDebugLog("Wait for Buffer");
  }));
  EXPECT_EQ(ReadFile(dir.File("vocatodebug.log")), "Text1\nWait for Buffer\n");

  ASSERT_TRUE(InChild([] { WriteDebugLog("IdleDone"); }));
  EXPECT_EQ(ReadFile(dir.File("vocatodebug.log")), "IdleDone\n");
}

TEST(DebugLog, AnEntryDeletedBetweenWritesDoesNotTruncateAgain) {
  ScratchDir dir;
  ScopedEnv temp("TEMP", dir.path().c_str());
  std::string log = dir.File("vocatodebug.log");
  ASSERT_TRUE(InChild([&] {
    WriteDebugLog("eins");
    unlink(log.c_str());
    WriteDebugLog("zwei");
    WriteDebugLog("drei");
  }));
  EXPECT_EQ(ReadFile(log), "zwei\ndrei\n");
}

TEST(DebugLog, AMissingDirectoryLosesTheEntryButNotTheFirstWriteState) {
  ScratchDir dir;
  std::string missing = dir.File("fehlt");
  ScopedEnv temp("TEMP", missing.c_str());
  ASSERT_TRUE(InChild([&] {
    WriteDebugLog("verloren");
    // The directory appears later: the next entry appends, as the first
    // (failed) write already used up the truncation.
    mkdir(missing.c_str(), 0700);
    testing::WriteFile(missing + "/vocatodebug.log", "vorher\n");
    WriteDebugLog("danach");
  }));
  EXPECT_EQ(ReadFile(missing + "/vocatodebug.log"), "vorher\ndanach\n");
}

TEST(DebugLog, WithoutTempTheTemporaryDirectoryOfTheSystemIsUsed) {
  ScratchDir dir;
  ScopedEnv temp("TEMP", nullptr);
  ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  EXPECT_EQ(DebugLogPath(), dir.File("vocatodebug.log"));
  ASSERT_TRUE(InChild([] { WriteDebugLog("Error:Load of Agent"); }));
  EXPECT_EQ(ReadFile(dir.File("vocatodebug.log")), "Error:Load of Agent\n");
}

TEST(DebugLog, AStateIsLoggedOnceUntilAnotherEntryComes) {
  ScratchDir dir;
  ScopedEnv temp("TEMP", dir.path().c_str());
  ASSERT_TRUE(InChild([] {
    for (int call = 0; call < 1000; ++call) WriteDebugLogState("IdleDone");
    WriteDebugLog("Text1");
    WriteDebugLogState("IdleDone");
    WriteDebugLogState("Idle");
    WriteDebugLogState("Idle");
  }));
  EXPECT_EQ(ReadFile(dir.File("vocatodebug.log")), "IdleDone\nText1\nIdleDone\nIdle\n");
}

TEST(DebugLog, TheFileStopsGrowingAtItsLimitAndSaysSoOnce) {
  ScratchDir dir;
  ScopedEnv temp("TEMP", dir.path().c_str());
  const std::string log = dir.File("vocatodebug.log");
  ASSERT_TRUE(InChild([&] {
    WriteDebugLog("Anfang");
    // Filled from outside up to just below the limit, as a long run would.
    ASSERT_EQ(truncate(log.c_str(), static_cast<off_t>(kMaxDebugLogBytes - 10)), 0);
    for (int entry = 0; entry < 100; ++entry) WriteDebugLog("Wait for Buffer");
  }));
  const std::string text = ReadFile(log);
  EXPECT_LT(text.size(), kMaxDebugLogBytes + 100);
  EXPECT_TRUE(text.ends_with("Wait for Buffer\n(the log is full; later entries are dropped)\n"));
}

}  // namespace
}  // namespace parlotto
