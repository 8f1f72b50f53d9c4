// A converter never outlives the office server that runs it: nobody would
// read its output, and one that hangs would never end.
#include "officesvr/document_text/converter_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/scratch_dir.h"

namespace parlotto::office {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScratchDir;
using parlotto::testing::WriteFile;

// Gone, or a zombie that only waits for a parent to reap it.
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string fields;
  if (!std::getline(stat, fields)) return true;
  const std::size_t state = fields.rfind(')');
  return state == std::string::npos || fields.substr(state + 2, 1) == "Z";
}

TEST(ConverterProcessTest, AConverterDiesWithTheServerThatRunsIt) {
  const ScratchDir dir;
  const std::string pid_file = dir.File("converter.pid");
  // A converter that kills the server running it, then hangs.
  const std::string converter = dir.File("converter");
  WriteFile(converter, "#!/bin/sh\necho $$ > '" + pid_file + ".new'\nmv '" + pid_file + ".new' '" +
                           pid_file + "'\nkill -KILL $PPID\nexec sleep 60\n");
  ::chmod(converter.c_str(), 0755);

  // The converter, orphaned, comes to this process, which can then tell its
  // end and reap it.
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  // The server: a process of its own that runs the converter.
  const pid_t server = ::fork();
  if (server == 0) {
    RunConverter(converter, {}, std::chrono::seconds(30), 1024);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(server, &status, 0), server);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  const std::string written = ReadFile(pid_file);
  ASSERT_FALSE(written.empty());
  const pid_t pid = std::stoi(written);
  for (int i = 0; i < 100 && !Ended(pid); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(Ended(pid));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
}  // namespace parlotto::office
