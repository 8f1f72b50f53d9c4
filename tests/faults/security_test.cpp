// What others may put in front of the program: names and texts written to
// run a shell command, links planted in a shared temporary directory, a
// umask, and another user on the session bus.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "faults/file_fault_support.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::FaultProgram;
using testing::FaultRun;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kHive =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=dword:00000001\n";

// Each would make a shell create the file "PWNED<n>" in the home directory
// (cd without an argument goes there) or in the working directory. No name
// holds all of them: one unbalanced quote would keep a shell from running
// any.
// Substitution, quotes broken out of, and a new command line: what gets
// through any of the ways a shell is reached.
const std::vector<std::string> kShellTricks = {
    "a$(cd;touch PWNED1)b",
    "c`cd;touch PWNED2`d",
    "g'\"' ; cd ; touch PWNED4 ; '\"'h",
    "i\ncd\ntouch PWNED5 &&touch PWNED7|j",
};

class SecurityTest : public ::testing::Test {
 protected:
  SecurityTest() : program_(dir_) {
    fs::create_directories(home_);
    fs::create_directories(work_);
    WriteFile(dir_.File("user.reg"), kHive);
    program_.env().insert("HOME", FaultProgram::Q(home_.string()));
  }

  ~SecurityTest() override { EXPECT_TRUE(program_.NothingLeftRunning()); }

  std::vector<std::string> Planted() const {
    std::vector<std::string> found;
    for (const fs::path& dir :
         {home_, work_, dir_.path(), fs::path(PARLOTTO_BUILD_DIR), fs::path("/")}) {
      for (const std::string& name : testing::FilesStartingWith(dir, "PWNED", "")) {
        found.push_back((dir / name).string());
      }
    }
    return found;
  }

  FaultRun Run(const QString& program, const QStringList& args,
               testing::LaunchOptions options = {}) {
    options.working_dir = FaultProgram::Q(work_.string());
    return program_.Run(program, args, options);
  }

  ScratchDir dir_;
  FaultProgram program_;
  fs::path home_ = dir_.path() / "home";
  fs::path work_ = dir_.path() / "work";
};

TEST_F(SecurityTest, NamesAndTextsMadeForAShellNeverReachOne) {
  const QString open_tool = QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto-open");
  for (const std::string& trick : kShellTricks) {
    SCOPED_TRACE(trick);
    const std::string text = (work_ / (trick + ".txt")).string();
    const std::string pdf = (work_ / (trick + ".pdf")).string();
    const std::string doc = (work_ / (trick + ".doc")).string();
    WriteFile(text, "Hallo " + trick);
    WriteFile(pdf, "%PDF-1.4 kaputt " + trick);
    WriteFile(doc, "Hallo " + trick);
    for (const QStringList& args :
         {QStringList{"-f", FaultProgram::Q(text)}, QStringList{"-pdf", FaultProgram::Q(pdf)},
          QStringList{"-doc", FaultProgram::Q(doc)}, QStringList{"-d", FaultProgram::Q(trick)}}) {
      SCOPED_TRACE(args.first().toStdString());
      EXPECT_EQ(Run(testing::kFaultProgram, args).exit_code, 0);
    }
    EXPECT_EQ(Run(open_tool, {FaultProgram::Q(text)}).exit_code, 0);
    EXPECT_TRUE(program_.NothingLeftRunning());
    EXPECT_EQ(Planted(), std::vector<std::string>{});
  }
  // The text file itself was read, name and all.
  EXPECT_FALSE(program_.Spoken().empty());
}

TEST_F(SecurityTest, ATextForReadOfficeTextNeverReachesAShell) {
  const fs::path bin = dir_.path() / "bin";
  const std::string program = testing::PlaceProgramIn(bin);
  ASSERT_EQ(Run(FaultProgram::Q(program), {"/regserver"}).exit_code, 0);
  QStringList commands{"create"};
  for (const std::string& trick : kShellTricks) commands << FaultProgram::Q("office:" + trick);
  commands << "release";
  const FaultRun run = Run(testing::kFaultClient, commands);
  EXPECT_EQ(run.exit_code, 0);
  // create, each text, release.
  EXPECT_EQ(testing::LinesWith(run.out, " 0x00000000").size(), kShellTricks.size() + 2) << run.out;
  EXPECT_TRUE(program_.NothingLeftRunning());
  EXPECT_EQ(Planted(), std::vector<std::string>{});
}

// The files the program writes get the modes the user's umask gives.
TEST_F(SecurityTest, NewFilesTakeTheirModeFromTheUmask) {
  const fs::path bin = dir_.path() / "bin";
  const std::string program = testing::PlaceProgramIn(bin);
  for (const int mask : {077, 022}) {
    SCOPED_TRACE(mask);
    const mode_t expected = 0666 & ~static_cast<mode_t>(mask);
    const fs::path temp = dir_.path() / ("temp" + std::to_string(mask));
    fs::create_directories(temp);
    const std::string hive = (temp / "user.reg").string();
    program_.SetTemp(temp.string());
    program_.SetHive(hive);
    fs::remove(bin / "temp.txt");

    // A start registers the server: the hive is made new; the log too.
    ASSERT_EQ(Run(FaultProgram::Q(program), {"-d", "Hallo."}, testing::WithUmask(mask)).exit_code,
              0);
    ASSERT_TRUE(fs::exists(hive));
    EXPECT_EQ(testing::ModeOf(hive), expected);
    ASSERT_TRUE(fs::exists(temp / "vocatodebug.log"));
    EXPECT_EQ(testing::ModeOf((temp / "vocatodebug.log").string()), expected);

    const FaultRun run =
        Run(testing::kFaultClient, {"create", "office:abc", "release"}, testing::WithUmask(mask));
    EXPECT_NE(run.out.find("office:abc 0x00000000"), std::string::npos) << run.out;
    ASSERT_TRUE(fs::exists(bin / "temp.txt"));
    EXPECT_EQ(testing::ModeOf((bin / "temp.txt").string()), expected);
    EXPECT_TRUE(program_.NothingLeftRunning());
  }
}

// A shared temporary directory (sticky, open to all) where someone else has
// put links under the names of the program's files.
TEST_F(SecurityTest, LinksPlantedUnderItsFileNamesAreNeverWrittenThrough) {
  const std::string victim = dir_.File("victim.txt");
  WriteFile(victim, "Geheim");
  const fs::path shared = dir_.path() / "shared";
  fs::create_directories(shared);
  fs::permissions(shared, fs::perms(01777));
  program_.SetTemp(shared.string());
  const fs::path log = shared / "vocatodebug.log";

  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symlink");
    fs::remove(log);
    if (hard) {
      fs::create_hard_link(victim, log);
    } else {
      fs::create_symlink(victim, log);
    }
    // A damaged hive makes the program write to its log.
    WriteFile(dir_.File("user.reg"), kHive + "kaputt\n");
    const FaultRun run = Run(testing::kFaultProgram, {"-d", "Hallo."});
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(ReadFile(victim), "Geheim");
  }

  // "temp.txt" beside the program, replaced rather than written through.
  const fs::path bin = dir_.path() / "bin";
  const std::string program = testing::PlaceProgramIn(bin);
  ASSERT_EQ(Run(FaultProgram::Q(program), {"/regserver"}).exit_code, 0);
  fs::create_symlink(victim, bin / "temp.txt");
  const FaultRun run = Run(testing::kFaultClient, {"create", "office:Neuer Text.", "release"});
  EXPECT_NE(run.out.find("office:Neuer Text. 0x00000000"), std::string::npos) << run.out;
  EXPECT_TRUE(program_.NothingLeftRunning());
  EXPECT_EQ(ReadFile(victim), "Geheim");
  EXPECT_FALSE(fs::is_symlink(bin / "temp.txt"));
  EXPECT_EQ(ReadFile((bin / "temp.txt").string()), "Neuer Text.");
}

// Another user has put things under the name of the lock that serialises
// server starts, in a shared temporary directory (the place of the lock when
// the user has no private runtime directory): a lock of theirs held, a link
// into a directory only the user may write, a FIFO. The character server
// still starts at once, and nothing is made through the link.
TEST_F(SecurityTest, AnotherUsersLockLinkOrFifoNeitherHoldsNorMisleadsAServerStart) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const fs::path shared = dir_.path() / "shared";
  const fs::path closed = dir_.path() / "closed";
  fs::create_directories(shared);
  fs::create_directories(closed);
  fs::permissions(shared, fs::perms(01777));
  fs::permissions(closed, fs::perms(0700));
  fs::permissions(dir_.path(), fs::perms(0711));  // the other user passes through
  const fs::path lock = shared / "parlotto-com-0-{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}.lock";
  WriteFile(dir_.File("user.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n\"noAgent\"=dword:00000000\n");
  program_.SetTemp(shared.string());
  program_.env().remove("XDG_RUNTIME_DIR");

  QProcess holder;  // the other user, holding a lock of theirs under the name
  holder.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", "flock",
                           FaultProgram::Q(lock.string()), "sleep", "120"});
  ASSERT_TRUE(holder.waitForStarted());
  for (int wait = 0; wait < 100 && !fs::exists(lock); ++wait) usleep(50000);
  ASSERT_TRUE(fs::exists(lock));
  const std::function<void()> plant[] = {
      [] {},
      [&] {
        holder.kill();
        holder.waitForFinished();
        fs::remove(lock);
        fs::create_symlink(closed / "made", lock);
      },
      [&] {
        fs::remove(lock);
        ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0);
      },
  };
  for (const auto& put : plant) {
    put();
    fs::remove(dir_.File("trace.txt"));
    EXPECT_EQ(Run(testing::kFaultProgram, {"-d", "Hallo Welt."}).exit_code, 0);
    const std::vector<std::string> spoken = program_.Spoken();
    EXPECT_TRUE(spoken.size() == 1 && spoken[0].find("Hallo Welt.") != std::string::npos);
    EXPECT_FALSE(fs::exists(closed / "made"));
    // Each run starts the server anew.
    ASSERT_TRUE(program_.NothingLeftRunning());
  }
  holder.kill();
  holder.waitForFinished();

  // With a private runtime directory the lock is there, out of everyone's way.
  const fs::path runtime = dir_.path() / "runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms(0700));
  program_.env().insert("XDG_RUNTIME_DIR", FaultProgram::Q(runtime.string()));
  EXPECT_EQ(Run(testing::kFaultProgram, {"-d", "Hallo Welt."}).exit_code, 0);
  EXPECT_TRUE(fs::exists(runtime / lock.filename()));
}

// The session bus is one user's: the standard policy lets only its owner in.
TEST_F(SecurityTest, AnotherUserCannotConnectToTheSessionBus) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a client as another user";
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
  const QStringList call{"dbus-send",
                         "--session",
                         "--print-reply",
                         "--dest=org.freedesktop.DBus",
                         "/org/freedesktop/DBus",
                         "org.freedesktop.DBus.ListNames"};
  auto run = [](const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(30000)) process.kill();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  };
  // The same call from the bus's owner works, so the refusal below is the
  // policy's and not a broken call.
  ASSERT_EQ(run(call.first(), call.mid(1)), 0);
  EXPECT_NE(
      run("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--"} + call),
      0);
}

}  // namespace
}  // namespace parlotto
