// The program reading a short text while its files are broken: a damaged,
// unwritable or missing settings hive, a temporary directory it cannot use,
// a "temp.txt" it cannot write and a full disk. Each time it reaches its
// normal end, says what happened in one line of its log, loses no stored
// value and leaves no process behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "faults/file_fault_support.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::FaultProgram;
using testing::FaultRun;
using testing::LinesWith;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kText = "Hallo Welt.";
const std::string kSettings =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=dword:00000001\n"
    "\"AgentLastPositionX\"=dword:00000280\n"
    "\"Sprecher\"=\"Anna Müller\"\n";

void ExpectNormalEnd(const FaultRun& run) {
  EXPECT_TRUE(run.finished);
  EXPECT_TRUE(run.normal_exit);
  EXPECT_EQ(run.exit_code, 0);
}

class FileFaults : public ::testing::Test {
 protected:
  FileFaults() : program_(dir_) {}

  ~FileFaults() override { EXPECT_TRUE(program_.NothingLeftRunning()); }

  // The settings after a start, so that the start has nothing left to write.
  std::string RegisteredHive() {
    const std::string hive = dir_.File("registered.reg");
    WriteFile(hive, kSettings);
    program_.SetHive(hive);
    EXPECT_EQ(program_.Run(testing::kFaultProgram, {"/regserver"}).exit_code, 0);
    return ReadFile(hive);
  }

  static bool IsRoot() { return geteuid() == 0; }

  ScratchDir dir_;
  FaultProgram program_;
};

// Every start writes the server's registration (the type library goes in
// twice, the second time with its help directory), so a damaged hive is
// rewritten from what could be read, once the original is saved.
TEST_F(FileFaults, ADamagedHiveIsNamedOnceAndSavedWholeBeforeItIsRewritten) {
  const std::string registered = RegisteredHive();
  ASSERT_NE(registered.find("Software\\Classes"), std::string::npos) << registered;
  std::string utf16_big_endian = "\xFE\xFF";
  for (char c : registered) utf16_big_endian += std::string{'\0', c};
  struct Case {
    const char* name;
    std::string bytes;
    bool settings_readable;
  };
  const Case cases[] = {
      {"garbage", registered + "\x01\x02 M\xFCll \xFF\n[HKEY_LOCAL_MACHINE\\X]\n", true},
      {"truncated", registered + "\"Farbe\"=hex:01,02,\\\n", true},
      {"huge", registered + std::string(4 << 20, '\x07') + "\n", true},
      {"wrong encoding", utf16_big_endian, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string hive = dir_.File(std::string(c.name) + ".reg");
    WriteFile(hive, c.bytes);
    program_.SetHive(hive);
    ExpectNormalEnd(program_.Read(kText));
    const std::string log = program_.Log();
    EXPECT_EQ(LinesWith(log, hive + " is damaged").size(), 1u) << log;
    EXPECT_EQ(LinesWith(log, "saved as " + hive + ".damaged").size(), 1u) << log;
    EXPECT_EQ(LinesWith(log, hive).size(), 2u) << log;
    EXPECT_EQ(ReadFile(hive + ".damaged"), c.bytes);
    if (c.settings_readable) {
      // Every value that could be read is in the rewritten file, and the
      // settings still apply (without them the character would read).
      EXPECT_EQ(ReadFile(hive), registered);
      EXPECT_EQ(program_.Spoken(), std::vector<std::string>{kText});
    }
    fs::remove(dir_.File("trace.txt"));
  }
}

TEST_F(FileFaults, AHiveThatCannotBeWrittenIsLeftAsItWasAndNamedOnce) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to drop the capabilities that ignore file modes";
  // Not yet registered, so that the start tries to write.
  const fs::path folder = dir_.path() / "config";
  fs::create_directories(folder);
  const std::string hive = (folder / "user.reg").string();
  WriteFile(hive, kSettings);
  fs::permissions(hive, fs::perms(0444));
  fs::permissions(folder, fs::perms(0555));
  program_.SetHive(hive);

  ExpectNormalEnd(program_.Read(kText, testing::ObeyingFileModes()));
  EXPECT_EQ(program_.Spoken(), std::vector<std::string>{kText});
  EXPECT_EQ(ReadFile(hive), kSettings);
  const std::string log = program_.Log();
  const std::vector<std::string> lines = LinesWith(log, hive);
  ASSERT_EQ(lines.size(), 1u) << log;
  EXPECT_NE(lines[0].find("Permission denied"), std::string::npos) << lines[0];
  fs::permissions(folder, fs::perms(0755));
}

TEST_F(FileFaults, AHiveReplacedByADirectoryIsNamedOnceAndStaysADirectory) {
  const std::string hive = dir_.File("user.reg");
  fs::create_directories(hive);
  WriteFile(hive + "/inside.txt", "bleibt");
  program_.SetHive(hive);

  // Without its settings the program reads through the character, which
  // this test does not build: only the end counts here.
  ExpectNormalEnd(program_.Read(kText));
  const std::string log = program_.Log();
  const std::vector<std::string> lines = LinesWith(log, hive);
  ASSERT_EQ(lines.size(), 1u) << log;
  EXPECT_NE(lines[0].find("not a regular file"), std::string::npos) << lines[0];
  EXPECT_TRUE(fs::is_directory(hive));
  EXPECT_EQ(ReadFile(hive + "/inside.txt"), "bleibt");
}

// A FIFO opened for reading waits for a writer that never comes: every
// switch that reads a file, the log and the hive refuse one, and the
// program ends as after any file it cannot read.
TEST_F(FileFaults, AFifoWhereAFileIsExpectedIsNeverWaitedOn) {
  const std::string hive = dir_.File("user.reg");
  WriteFile(hive, RegisteredHive());
  program_.SetHive(hive);
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const char* option : {"-f", "-doc", "-pdf", "-html"}) {
    SCOPED_TRACE(option);
    ExpectNormalEnd(program_.Run(testing::kFaultProgram, {option, FaultProgram::Q(fifo)}));
    EXPECT_TRUE(program_.Spoken().empty());
  }

  const std::string temp = dir_.File("fifo-temp");
  fs::create_directories(temp);
  ASSERT_EQ(mkfifo((temp + "/vocatodebug.log").c_str(), 0600), 0);
  program_.SetTemp(temp);
  ExpectNormalEnd(program_.Read(kText));
  EXPECT_EQ(program_.Spoken(), std::vector<std::string>{kText});

  // Without its settings the program reads through the character, which
  // this test does not build: the end and the log's line count here.
  program_.SetTemp(dir_.path().string());
  fs::remove(hive);
  ASSERT_EQ(mkfifo(hive.c_str(), 0600), 0);
  ExpectNormalEnd(program_.Read(kText));
  const std::vector<std::string> lines = LinesWith(program_.Log(), hive);
  ASSERT_EQ(lines.size(), 1u) << program_.Log();
  EXPECT_NE(lines[0].find("not a regular file"), std::string::npos) << lines[0];
}

TEST_F(FileFaults, ATemporaryDirectoryItCannotUseOnlyCostsTheLog) {
  const std::string hive = dir_.File("user.reg");
  const std::string registered = RegisteredHive();
  WriteFile(hive, registered);
  program_.SetHive(hive);
  const std::string read_only = dir_.File("read-only");
  fs::create_directories(read_only);
  fs::permissions(read_only, fs::perms(0555));
  const std::string log_is_a_folder = dir_.File("log-folder");
  fs::create_directories(log_is_a_folder + "/vocatodebug.log");
  struct Case {
    const char* name;
    std::string temp;
    bool needs_root;
  };
  const Case cases[] = {
      {"missing", dir_.File("fehlt"), false},
      {"unwritable", read_only, true},
      {"log is a directory", log_is_a_folder, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && !IsRoot()) continue;
    program_.SetTemp(c.temp);
    ExpectNormalEnd(program_.Read(kText, testing::ObeyingFileModes(c.needs_root)));
    EXPECT_EQ(program_.Spoken(), std::vector<std::string>{kText});
    EXPECT_FALSE(fs::is_regular_file(c.temp + "/vocatodebug.log"));
    EXPECT_EQ(ReadFile(hive), registered);
    fs::remove(dir_.File("trace.txt"));
  }
  EXPECT_FALSE(fs::exists(dir_.File("fehlt"))) << "a missing TEMP is not made";
  fs::permissions(read_only, fs::perms(0755));
}

// ReadOfficeText writes the text to "temp.txt" beside the program and has a
// second instance read it.
class TempTxtFaults : public FileFaults {
 protected:
  void SetUp() override {
    program_path_ = testing::PlaceProgramIn(bin_);
    hive_ = dir_.File("user.reg");
    WriteFile(hive_, kSettings);
    program_.SetHive(hive_);
    ASSERT_EQ(program_.Run(FaultProgram::Q(program_path_), {"/regserver"}).exit_code, 0);
  }

  FaultRun Office(const std::string& text, const testing::LaunchOptions& options = {}) {
    return program_.Run(testing::kFaultClient,
                        {"create", FaultProgram::Q("office:" + text), "release"}, options);
  }

  fs::path bin_ = dir_.path() / "bin";
  std::string program_path_;
  std::string hive_;
};

TEST_F(TempTxtFaults, ATempTxtThatIsADirectoryFailsTheCallWithOneLogLine) {
  const std::string temp_txt = (bin_ / "temp.txt").string();
  fs::create_directories(temp_txt);
  const std::string before = ReadFile(hive_);

  const FaultRun run = Office("Hallo aus Word.");
  ExpectNormalEnd(run);
  EXPECT_NE(run.out.find("office:Hallo aus Word. 0x80020009"), std::string::npos) << run.out;
  EXPECT_TRUE(program_.NothingLeftRunning());
  const std::string log = program_.Log();
  const std::vector<std::string> lines = LinesWith(log, temp_txt);
  ASSERT_EQ(lines.size(), 1u) << log;
  EXPECT_NE(lines[0].find("Is a directory"), std::string::npos) << lines[0];
  EXPECT_TRUE(fs::is_directory(temp_txt));
  EXPECT_TRUE(program_.Spoken().empty());
  EXPECT_EQ(ReadFile(hive_), before);
  EXPECT_TRUE(testing::FilesStartingWith(bin_, "temp.txt", "temp.txt").empty());
}

TEST_F(TempTxtFaults, AReadOnlyTempTxtIsReplacedAndTheTextIsRead) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to drop the capabilities that ignore file modes";
  const std::string temp_txt = (bin_ / "temp.txt").string();
  WriteFile(temp_txt, "alter Text");
  fs::permissions(temp_txt, fs::perms(0444));

  const FaultRun run = Office("Hallo aus Word.", testing::ObeyingFileModes());
  ExpectNormalEnd(run);
  EXPECT_NE(run.out.find("office:Hallo aus Word. 0x00000000"), std::string::npos) << run.out;
  EXPECT_TRUE(program_.NothingLeftRunning());
  EXPECT_EQ(ReadFile(temp_txt), "Hallo aus Word.");
  EXPECT_EQ(program_.Spoken(), std::vector<std::string>{"Hallo aus Word."}) << program_.Log();
}

// The server and its readings write to the output of the client that
// started them, which is closed once the client has ended; without a runtime
// directory Qt warns there at every start. The reading outlives that.
TEST_F(TempTxtFaults, AReadingOutlivesTheClosedOutputOfTheClientThatStartedIt) {
  program_.env().remove("XDG_RUNTIME_DIR");
  const FaultRun run = Office("Hallo aus Word.");
  ExpectNormalEnd(run);
  EXPECT_TRUE(program_.NothingLeftRunning());
  EXPECT_EQ(program_.Spoken(), std::vector<std::string>{"Hallo aus Word."}) << program_.Log();
}

// A tmpfs of 64 KiB, filled up, holding the hive.
class FullDisk : public FileFaults {
 protected:
  void SetUp() override {
    fs::create_directories(mount_point_);
    if (!IsRoot() || mount("tmpfs", mount_point_.c_str(), "tmpfs", 0, "size=64k") != 0) {
      GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(mount_point_.c_str(), MNT_DETACH);
  }

  // Fills the file system with one file, to the last byte it takes.
  void Fill() {
    const int fd = open((mount_point_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    for (size_t size = block.size(); size > 0; size /= 2) {
      while (write(fd, block.data(), size) == static_cast<ssize_t>(size)) {
      }
    }
    close(fd);
  }

  std::string mount_point_ = dir_.File("full");
  bool mounted_ = false;
};

TEST_F(FullDisk, AWriteThatDoesNotFitLeavesTheHiveWholeAndIsNamedOnce) {
  // Not yet registered: the start writes its server's entries.
  const std::string hive = mount_point_ + "/user.reg";
  WriteFile(hive, kSettings);
  Fill();
  program_.SetHive(hive);

  ExpectNormalEnd(program_.Read(kText));
  EXPECT_EQ(program_.Spoken(), std::vector<std::string>{kText});
  EXPECT_EQ(ReadFile(hive), kSettings);
  EXPECT_TRUE(testing::FilesStartingWith(mount_point_, "user.reg.tmp", "").empty());
  const std::string log = program_.Log();
  const std::vector<std::string> lines = LinesWith(log, hive);
  ASSERT_EQ(lines.size(), 1u) << log;
  EXPECT_NE(lines[0].find("No space left on device"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace parlotto
