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

TEST(CommandLine, EverySwitchSelectsItsRunModeFieldAndCheck) {
  struct Row {
    const char* name;
    TRunMode mode;
    OperandField field;
    const char* message;
  };
  const Row rows[] = {
      {"-f", rmTextFile, OperandField::kTextFileName, "Leider wurde die Textdatei nicht gefunden."},
      {"-doc", rmWordDocument, OperandField::kWordDocumentName,
       "Leider wurde das Dokument nicht gefunden."},
      {"-pdf", rmPdfDocument, OperandField::kPdfDocumentName,
       "Leider wurde das Dokument nicht gefunden."},
      {"-html", rmWebPage, OperandField::kWebAddress,
       "Leider wurde die HTML-Datei nicht gefunden."},
      {"-wget", rmWebPage, OperandField::kWebAddress, nullptr},
      {"-d", rmCommandLineText, OperandField::kTextToRead, nullptr},
      {"-e", rmBrowserWindow, OperandField::kNone, nullptr},
      {"-c", rmClipboard, OperandField::kNone, nullptr},
      {"/Automation", rmAutomation, OperandField::kNone, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Switch* entry = FindSwitch(Args{row.name, "x"});
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->run_mode, row.mode);
    EXPECT_EQ(entry->field, row.field);
    if (row.message == nullptr) {
      EXPECT_EQ(entry->missing_file_message, nullptr);
    } else {
      ASSERT_NE(entry->missing_file_message, nullptr);
      EXPECT_STREQ(entry->missing_file_message, row.message);
    }
  }
}

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
