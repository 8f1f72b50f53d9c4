// parlotto-reg end to end through the built binary.
#include <QProcess>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/registry/registry_fixture.h"

namespace parlotto {
namespace {

struct ToolRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

ToolRun RunTool(const std::vector<std::string>& args) {
  QStringList arguments;
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  QProcess process;
  process.start(PARLOTTO_BUILD_DIR "/parlotto-reg", arguments);
  ToolRun run;
  if (!process.waitForFinished(60000)) return run;
  run.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

using RegTool = RegistryTest;
constexpr char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or value.";
constexpr char kSuccess[] = "The operation completed successfully.";
constexpr char kAgent[] = "HKCU\\Software\\Zentravol\\Agent";

TEST_F(RegTool, AddQueryAndDelete) {
  ToolRun run = RunTool({"add", kAgent, "/v", "Speed", "/t", "REG_DWORD", "/d", "0x10", "/f"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, kSuccess));
  EXPECT_EQ(
      RunTool({"add", kAgent, "-v", "Pitch", "-t", "reg_dword", "-d", "4294967295"}).exit_code, 0);
  EXPECT_EQ(RunTool({"ADD", kAgent, "/V", "Name", "/D", "Hello World"}).exit_code, 0);
  EXPECT_EQ(RunTool({"add", kAgent, "/ve", "/d", "Def"}).exit_code, 0);
  EXPECT_EQ(
      RunTool({"add", kAgent, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%HOME%\\x"}).exit_code,
      0);
  EXPECT_EQ(RunTool({"add", "HKEY_CURRENT_USER\\Software\\Zentravol\\Agent\\Sub"}).exit_code, 0);

  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol\\Agent", false));
  EXPECT_EQ(reg.ReadInteger("Speed"), 16);
  EXPECT_EQ(reg.ReadInteger("Pitch"), -1);
  EXPECT_EQ(reg.ReadString("Name"), "Hello World");

  run = RunTool({"query", "hkcu\\Software\\Zentravol\\Agent"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out,
            "\nHKEY_CURRENT_USER\\Software\\Zentravol\\Agent\n"
            "    Speed    REG_DWORD    0x10\n"
            "    Pitch    REG_DWORD    0xffffffff\n"
            "    Name    REG_SZ    Hello World\n"
            "    (Default)    REG_SZ    Def\n"
            "    Path    REG_EXPAND_SZ    %HOME%\\x\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Zentravol\\Agent\\Sub\n");
  run = RunTool({"query", kAgent, "/v", "Speed"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(Contains(run.out, "    Speed    REG_DWORD    0x10\n"));
  run = RunTool({"query", "HKCU\\Software", "/s"});
  EXPECT_TRUE(Contains(run.out,
                       "HKEY_CURRENT_USER\\Software\\Zentravol\\Agent\n"
                       "    Speed    REG_DWORD    0x10\n"));
  EXPECT_TRUE(Contains(run.out, "HKEY_CURRENT_USER\\Software\\Zentravol\\Agent\\Sub\n"));

  run = RunTool({"delete", kAgent, "/v", "Speed", "/f"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(reg.ValueExists("Speed"));
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"query", kAgent, "/v", "Speed"},
                                             {"delete", kAgent, "/v", "Speed"},
                                             {"query", "HKCU\\Software\\Nothing"},
                                             {"delete", "HKCU\\Software\\Nothing", "/f"}}) {
    run = RunTool(args);
    EXPECT_EQ(run.exit_code, 1) << args[0];
    EXPECT_TRUE(Contains(run.err, kNotFound)) << run.err;
    EXPECT_EQ(run.out, "");
  }

  EXPECT_EQ(RunTool({"delete", kAgent, "/va", "/f"}).exit_code, 0);
  EXPECT_TRUE(reg.GetValueNames().empty());
  EXPECT_TRUE(reg.KeyExists("Sub"));
  EXPECT_EQ(RunTool({"delete", "HKCU\\Software\\Zentravol", "/f"}).exit_code, 0);
  EXPECT_FALSE(reg.KeyExists("\\Software\\Zentravol"));
}

TEST_F(RegTool, ExportWritesAReadableHive) {
  ASSERT_EQ(RunTool({"add", kAgent, "/v", "Speed", "/t", "REG_DWORD", "/d", "7"}).exit_code, 0);
  const std::string file = scratch_.File("out.reg");
  // Sections name the keys as stored, whatever case the command used.
  ToolRun run = RunTool({"export", "hkcu\\SOFTWARE\\zentravol", file});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string text = testing::ReadFile(file);
  EXPECT_EQ(text,
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zentravol]\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
            "\"Speed\"=dword:00000007\n\n");
  EXPECT_EQ(RunTool({"export", "HKCU\\Software\\Zentravol", "-"}).out, text);

  // An existing file needs /y.
  testing::WriteFile(file, "mine");
  run = RunTool({"export", "HKCU\\Software\\Zentravol", file});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(testing::ReadFile(file), "mine");
  EXPECT_EQ(RunTool({"export", "HKCU\\Software\\Zentravol", file, "/y"}).exit_code, 0);
  EXPECT_EQ(testing::ReadFile(file), text);

  run = RunTool({"export", "HKCU\\Software\\Nothing", scratch_.File("none.reg")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(Contains(run.err, kNotFound));
  EXPECT_FALSE(std::filesystem::exists(scratch_.File("none.reg")));
}

TEST_F(RegTool, RejectsBadArgumentsAndProtectedKeys) {
  testing::WriteFile(scratch_.File("system/classes.reg"),
                     "Windows Registry Editor Version 5.00\n\n"
                     "[HKEY_CLASSES_ROOT\\System.Only]\n@=\"s\"\n");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate", kAgent},
           {"query", "HKLM\\Software"},
           {"query", kAgent, "/v"},
           {"query", kAgent, "/x"},
           {"add", kAgent, "/v", "N", "/ve"},
           {"add", kAgent, "/v", "N", "/t", "REG_DWORD", "/d", "12abc"},
           {"add", kAgent, "/v", "N", "/t", "REG_DWORD", "/d", "4294967296"},
           {"add", kAgent, "/v", "N", "/t", "REG_MAGIC"},
           {"export", kAgent},
           {"delete", "HKCR\\System.Only", "/f"}}) {
    ToolRun run = RunTool(args);
    EXPECT_EQ(run.exit_code, 1) << (args.empty() ? "" : args[0]);
    EXPECT_TRUE(Contains(run.err, "ERROR")) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(HivePath()));
  ToolRun run = RunTool({"query", "HKCR\\System.Only", "/ve"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(Contains(run.out, "    (Default)    REG_SZ    s\n"));
}

}  // namespace
}  // namespace parlotto
