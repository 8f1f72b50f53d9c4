// The command-line table: which switch wins, what becomes the operand, and
// which names count as existing files.
#include "parlotto/command_line.h"

#include <gtest/gtest.h>

#include <regex>
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

TEST(CommandLine, NamesAFileAcceptsFilesOnly) {
  testing::ScratchDir dir;
  std::string file = dir.File("Brief an Oma.txt");
  testing::WriteFile(file, "Hallo");
  EXPECT_TRUE(NamesAFile(file));
  EXPECT_FALSE(NamesAFile(dir.path().string()));
  EXPECT_FALSE(NamesAFile(""));
  EXPECT_FALSE(NamesAFile(dir.File("fehlt.txt")));
  EXPECT_FALSE(NamesAFile("https://example.org/seite.html"));
}

TEST(CommandLine, HelpAndVersionCountOnlyAsTheOnlyArgument) {
  EXPECT_EQ(FindInfoRequest(Args{"--help"}), InfoRequest::kHelp);
  EXPECT_EQ(FindInfoRequest(Args{"--version"}), InfoRequest::kVersion);
  const Args not_info[] = {
      {},         {"--help", "x"}, {"--version", ""}, {"-d", "--help"}, {"-f", "--version"},
      {"--HELP"}, {"-help"},       {"--help "},       {"-h"},           {"/?"}};
  for (const Args& args : not_info) {
    SCOPED_TRACE(args.empty() ? std::string("(none)") : args[0]);
    EXPECT_EQ(FindInfoRequest(args), InfoRequest::kNone);
  }
  // They are no switches of the table: with an operand they change nothing.
  EXPECT_EQ(FindSwitch(Args{"--help", "x"}), nullptr);
  EXPECT_EQ(FindSwitch(Args{"--version"}), nullptr);
}

TEST(CommandLine, TheUsageTextNamesEverySwitchAndTheVersionIsANumber) {
  const std::string usage = UsageText();
  for (const char* name :
       {"-f", "-doc", "-pdf", "-html", "-wget", "-d", "-c", "-e", "/Automation"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(FindSwitch(Args{name}), nullptr);
    // Each switch heads a line of its own, so that a user finds it.
    EXPECT_NE(usage.find(std::string("\n  ") + name + " "), std::string::npos);
  }
  EXPECT_NE(usage.find("\n  --help "), std::string::npos);
  EXPECT_NE(usage.find("\n  --version "), std::string::npos);
  for (const char* topic :
       {"user.reg", "vocatodebug.log", "PARLOTTO_USER_HIVE", "PARLOTTO_AUDIO"}) {
    EXPECT_NE(usage.find(topic), std::string::npos) << topic;
  }
  EXPECT_EQ(usage.back(), '\n');
  EXPECT_TRUE(std::regex_match(VersionText(), std::regex("parlotto [0-9]+\\.[0-9]+(\\.[0-9]+)*\n")))
      << VersionText();
}

}  // namespace
}  // namespace parlotto
