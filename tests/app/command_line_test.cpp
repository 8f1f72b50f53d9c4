// The command-line table: which switch wins, what becomes the operand, and
// which names count as existing files.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, OnlyExactCaseSensitiveFirstArgumentsAreSwitches) {
  for (const char* first : {"-F", "-DOC", "-Pdf", "/automation", "-f ", "f", "--f", "-", "", "-fx",
                            "-d\"", "REGSERVER"}) {
    SCOPED_TRACE(first);
    EXPECT_EQ(FindSwitch(Args{first, "name.txt"}), nullptr);
  }
  EXPECT_EQ(FindSwitch(Args{}), nullptr);
  // The switch must be first; a switch as operand changes nothing.
  EXPECT_EQ(FindSwitch(Args{"datei.txt", "-f"}), nullptr);
}

TEST(CommandLine, TheOperandIsTheSecondArgumentOnly) {
  EXPECT_EQ(Operand(Args{"-d", "Guten Tag, ich lese."}), "Guten Tag, ich lese.");
  // An unquoted name with blanks arrives split: only its first part counts.
  EXPECT_EQ(Operand(Args{"-f", "Meine", "Datei.txt"}), "Meine");
  EXPECT_EQ(Operand(Args{"-f"}), "");
  EXPECT_EQ(Operand(Args{}), "");
  EXPECT_EQ(Operand(Args{"-wget", "not a url at all"}), "not a url at all");
}

TEST(CommandLine, FileExistsAcceptsFilesOnly) {
  testing::ScratchDir dir;
  std::string file = dir.File("Brief an Oma.txt");
  testing::WriteFile(file, "Hallo");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir.path().string()));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(dir.File("fehlt.txt")));
  EXPECT_FALSE(FileExists("https://example.org/seite.html"));
}

}  // namespace
}  // namespace parlotto
