// New files for the user: the umask's mode, and a link under the name is
// replaced, never written through.
#include "platform/places/new_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/scratch_dir.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

size_t EntriesIn(const fs::path& dir) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++count;
  return count;
}

class NewFilesTest : public ::testing::Test {
 protected:
  ~NewFilesTest() override { umask(saved_); }
  ScratchDir dir_;
  mode_t saved_ = umask(022);
};

TEST_F(NewFilesTest, TheModeIsWhatTheUmaskLeaves) {
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{027}}) {
    umask(mask);
    EXPECT_EQ(NewFileMode(), 0666 & ~mask);
    const std::string file = dir_.File("f" + std::to_string(mask));
    std::string error;
    ASSERT_TRUE(WriteNewFile(file, "x", &error)) << error;
    EXPECT_EQ(ModeOf(file), 0666 & ~mask);
  }
}

TEST_F(NewFilesTest, ALinkUnderTheNameIsReplacedAndItsTargetKept) {
  const std::string victim = dir_.File("victim");
  const std::string name = dir_.File("temp.txt");
  WriteFile(victim, "Geheim");
  fs::create_symlink(victim, name);
  std::string error;
  ASSERT_TRUE(WriteNewFile(name, "neu", &error)) << error;
  EXPECT_EQ(ReadFile(victim), "Geheim");
  EXPECT_FALSE(fs::is_symlink(name));
  EXPECT_EQ(ReadFile(name), "neu");
  EXPECT_EQ(EntriesIn(dir_.path()), 2u);
}

TEST_F(NewFilesTest, AFailedWriteLeavesWhatWasThereAndNoStrayFile) {
  const std::string name = dir_.File("temp.txt");
  fs::create_directories(name + "/inner");
  std::string error;
  EXPECT_FALSE(WriteNewFile(name, "neu", &error));
  EXPECT_NE(error.find(name), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(name + "/inner"));
  EXPECT_EQ(EntriesIn(dir_.path()), 1u);

  EXPECT_FALSE(WriteNewFile(dir_.File("fehlt/temp.txt"), "neu", &error));
  EXPECT_NE(error.find("fehlt/temp.txt"), std::string::npos) << error;
}

}  // namespace
}  // namespace parlotto
