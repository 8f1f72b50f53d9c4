// The debug log in a shared temporary directory: what someone else put
// under its name is never written to nor waited on, and the program loses
// only its log.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "parlotto/debug_log.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

// Two entries in a fresh process, so that the first truncates.
void LogTwiceInAChild() {
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(10);  // a log that blocks would hold the whole program
    WriteDebugLog("eins");
    WriteDebugLog("zwei");
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(DebugLogLinks, ALinkASecondNameOrAFifoIsNeitherWrittenNorWaitedOn) {
  ScratchDir dir;
  ScopedEnv temp("TEMP", dir.path().c_str());
  const std::string victim = dir.File("victim");
  const std::string log = dir.File("vocatodebug.log");
  for (const char* planted : {"symlink", "hard link", "fifo"}) {
    SCOPED_TRACE(planted);
    testing::WriteFile(victim, "Geheim");
    fs::remove(log);
    if (planted == std::string("hard link")) {
      fs::create_hard_link(victim, log);
    } else if (planted == std::string("symlink")) {
      fs::create_symlink(victim, log);
    } else {
      ASSERT_EQ(mkfifo(log.c_str(), 0666), 0);
    }
    LogTwiceInAChild();
    EXPECT_EQ(ReadFile(victim), "Geheim");
  }
  // Once the name is free again, the log is written as always.
  fs::remove(log);
  LogTwiceInAChild();
  EXPECT_EQ(ReadFile(log), "eins\nzwei\n");
}

}  // namespace
}  // namespace parlotto
