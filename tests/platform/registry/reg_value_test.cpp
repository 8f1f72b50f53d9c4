// Reading rules of the settings and how every value type is stored.
#include <string>

#include "registry_fixture.h"

namespace parlotto {
namespace {

using RegistryValues = RegistryTest;

// What regedit writes on Windows: CRLF, a comment, a continued hex line.
constexpr char kAgentKey[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; settings of the reading program\r\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\r\n"
    "\"Two\"=dword:00000002\r\n"
    "\"Zero\"=dword:00000000\r\n"
    "\"Minus\"=dword:ffffffff\r\n"
    "\"Text\"=\"12\"\r\n"
    "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,5c,00,\\\r\n"
    "  78,00,00,00\r\n"
    "\"Cut\"=hex(1):61,00,00,00,62,00,00,00\r\n"
    "\"Blob\"=hex:01,02\r\n"
    "\r\n";

TEST_F(RegistryValues, ReadsFollowTheStoredType) {
  WriteHive(kAgentKey);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol\\Agent", false));

  EXPECT_EQ(reg.ReadInteger("two"), 2);
  EXPECT_TRUE(reg.ReadBool("Two"));
  EXPECT_FALSE(reg.ReadBool("Zero"));
  EXPECT_EQ(reg.ReadInteger("Minus"), -1);

  // An integer or Boolean must be a DWORD that exists.
  EXPECT_THROW(reg.ReadInteger("Text"), ERegistryException);
  EXPECT_THROW(reg.ReadBool("Text"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
  try {
    reg.ReadInteger("Text");
  } catch (const ERegistryException& e) {
    EXPECT_NE(std::string(e.what()).find("\"Text\""), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("REG_SZ"), std::string::npos);
  }

  // A string may be missing, but not of another type; it is not expanded
  // and ends at its first zero.
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_THROW(reg.ReadString("Two"), ERegistryException);
  EXPECT_THROW(reg.ReadString("Blob"), ERegistryException);
  EXPECT_EQ(reg.ReadString("Path"), "%HOME%\\x");
  EXPECT_EQ(reg.ReadString("Cut"), "a");
  RegValue cut;
  ASSERT_TRUE(reg.GetValue("Cut", &cut));
  EXPECT_EQ(cut.text, std::string("a\0b", 3));
}

TEST_F(RegistryValues, EveryTypeSurvivesTheFile) {
  std::vector<std::uint8_t> long_blob(300);
  for (size_t i = 0; i < long_blob.size(); ++i) long_blob[i] = i & 0xff;
  const std::string tricky = "C:\\Pfad \"mit\" Ümläüten \\";
  {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol\\Agent", true));
    reg.WriteInteger("Speed", 10);
    reg.WriteInteger("Negative", -2);
    reg.WriteBool("noAgent", true);
    reg.WriteString("Tricky", tricky);
    reg.WriteString("Na\"me\\", "v");
    reg.WriteString("", "default");
    reg.WriteString("Lines", std::string("a\nb\0c", 5));
    reg.WriteExpandString("Temp", "%TEMP%\\x");
    reg.WriteValue("Blob", RegValue{RegType::kBinary, "", 0, long_blob});
    reg.WriteValue("Odd", RegValue{static_cast<RegType>(0x20), "", 0, {7, 0, 9}});
    reg.WriteValue("Empty", RegValue{RegType::kNone, "", 0, {}});
  }
  std::string text = HiveText();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software]\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Zentravol]\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
                      "\"Speed\"=dword:0000000a\n"
                      "\"Negative\"=dword:fffffffe\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"Tricky\"=\"C:\\\\Pfad \\\"mit\\\" Ümläüten \\\\\"\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Temp\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,"
                      "00,78,00,00,00\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"Odd\"=hex(20):07,00,09\n"), std::string::npos);

  auto expect_same = [this](const std::string& name, const RegValue& want) {
    RegValue got;
    ASSERT_TRUE(ReadFromFreshCopy("\\Software\\Zentravol\\Agent", name, &got)) << name;
    EXPECT_EQ(got.type, want.type) << name;
    EXPECT_EQ(got.text, want.text) << name;
    EXPECT_EQ(got.dword, want.dword) << name;
    EXPECT_EQ(got.data, want.data) << name;
  };
  expect_same("speed", {RegType::kDword, "", 10, {}});
  expect_same("Negative", {RegType::kDword, "", 0xfffffffe, {}});
  expect_same("noAgent", {RegType::kDword, "", 1, {}});
  expect_same("Tricky", {RegType::kSz, tricky, 0, {}});
  expect_same("Na\"me\\", {RegType::kSz, "v", 0, {}});
  expect_same("", {RegType::kSz, "default", 0, {}});
  expect_same("Lines", {RegType::kSz, std::string("a\nb\0c", 5), 0, {}});
  expect_same("Temp", {RegType::kExpandSz, "%TEMP%\\x", 0, {}});
  expect_same("Blob", {RegType::kBinary, "", 0, long_blob});
  expect_same("Odd", {static_cast<RegType>(0x20), "", 0, {7, 0, 9}});
  expect_same("Empty", {RegType::kNone, "", 0, {}});
}

TEST_F(RegistryValues, WritesNeedAKeyAndStorableNames) {
  Registry reg;
  EXPECT_THROW(reg.WriteInteger("Speed", 1), ERegistryException);
  ASSERT_TRUE(reg.OpenKey("\\Software\\X", true));
  // A line break in a name would split its line in the file.
  EXPECT_THROW(reg.WriteString("a\nb", "x"), ERegistryException);
  EXPECT_FALSE(reg.OpenKey("Bad\nKey", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\X");
  EXPECT_TRUE(reg.GetValueNames().empty());
}

}  // namespace
}  // namespace parlotto
