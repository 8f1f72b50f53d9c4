// Key paths, names and the HKEY_CLASSES_ROOT overlay.
#include <algorithm>
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace parlotto {
namespace {

using RegistryPaths = RegistryTest;
using Names = std::vector<std::string>;

TEST_F(RegistryPaths, RelativeAndAbsoluteKeys) {
  Registry reg;
  EXPECT_FALSE(reg.HasCurrentKey());
  ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol", true));
  ASSERT_TRUE(reg.OpenKey("Agent", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Zentravol\\Agent");

  // A failed open leaves the current key where it was.
  EXPECT_FALSE(reg.OpenKey("\\Software\\Missing", false));
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_TRUE(reg.HasCurrentKey());
  EXPECT_EQ(reg.CurrentPath(), "Software\\Zentravol\\Agent");
  EXPECT_FALSE(reg.KeyExists("\\Software\\Missing"));

  ASSERT_TRUE(reg.OpenKey("Sub", true));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Zentravol\\Agent\\Sub"));
  EXPECT_FALSE(reg.KeyExists("Sub"));  // relative to Sub itself now
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.GetKeyNames(), Names{"Zentravol"});

  reg.CloseKey();
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_TRUE(reg.KeyExists("Software\\Zentravol"));  // from the root
}

TEST_F(RegistryPaths, NamesIgnoreCaseAndKeepIt) {
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Äpfel", true));
  reg.WriteString("Größe", "1");
  reg.WriteString("GRÖßE", "2");  // the same value
  reg.WriteInteger("Speed", 1);
  reg.WriteInteger("SPEED", 2);

  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\äPFEL", true));
  EXPECT_EQ(reg.GetValueNames(), (Names{"Größe", "Speed"}));
  EXPECT_EQ(reg.ReadString("größe"), "2");
  EXPECT_EQ(reg.ReadInteger("speed"), 2);
  ASSERT_TRUE(reg.OpenKey("\\software", false));
  EXPECT_EQ(reg.GetKeyNames(), Names{"Äpfel"});
  EXPECT_NE(HiveText().find("[HKEY_CURRENT_USER\\Software\\Äpfel]\n\"Größe\"=\"2\""),
            std::string::npos);
}

TEST_F(RegistryPaths, DeleteKeyRemovesTheWholeTree) {
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\A\\B\\C", true));
  reg.WriteInteger("Deep", 1);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Kept", true));
  reg.WriteInteger("Stays", 1);

  EXPECT_TRUE(reg.DeleteKey("\\software\\a"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\A"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\A\\B\\C"));
  EXPECT_FALSE(reg.DeleteKey("\\Software\\A"));
  EXPECT_FALSE(reg.DeleteKey("\\"));
  EXPECT_EQ(reg.ReadInteger("Stays"), 1);
  EXPECT_EQ(HiveText().find("Deep"), std::string::npos);

  EXPECT_TRUE(reg.DeleteValue("stays"));
  EXPECT_FALSE(reg.DeleteValue("Stays"));
  EXPECT_FALSE(reg.ValueExists("Stays"));
}

TEST_F(RegistryPaths, ClassesRootLaysTheUserOverTheSystemHive) {
  const std::string system_text =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}]\n"
      "@=\"System\"\n"
      "\"Shared\"=\"sys\"\n\n"
      "[HKEY_CLASSES_ROOT\\System.Only]\n\n";
  const std::string system_file = scratch_.File("system/classes.reg");
  testing::WriteFile(system_file, system_text);
  const std::string clsid = "\\CLSID\\{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}";

  Registry classes(RootKey::kClassesRoot);
  ASSERT_TRUE(classes.OpenKey(clsid, true));  // exists: nothing to create
  EXPECT_FALSE(std::filesystem::exists(HivePath()));
  EXPECT_EQ(classes.ReadString(""), "System");

  classes.WriteString("", "User");
  classes.WriteString("Own", "mine");
  EXPECT_EQ(classes.ReadString(""), "User");
  EXPECT_EQ(classes.ReadString("shared"), "sys");
  EXPECT_EQ(classes.GetValueNames(), (Names{"", "Own", "Shared"}));
  EXPECT_NE(HiveText().find("[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\"
                            "{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}]\n"
                            "@=\"User\"\n"),
            std::string::npos);

  ASSERT_TRUE(classes.OpenKey("\\Vocato.ReadSomeText", true));
  ASSERT_TRUE(classes.OpenKey("\\", false));
  EXPECT_EQ(classes.GetKeyNames(), (Names{"CLSID", "Vocato.ReadSomeText", "System.Only"}));

  // Only the user's part can be deleted; the system's shows through again.
  EXPECT_FALSE(classes.DeleteKey("\\System.Only"));
  EXPECT_TRUE(classes.KeyExists("\\System.Only"));
  EXPECT_TRUE(classes.DeleteKey(clsid));
  ASSERT_TRUE(classes.OpenKey(clsid, false));
  EXPECT_EQ(classes.ReadString(""), "System");
  EXPECT_FALSE(classes.ValueExists("Own"));
  EXPECT_EQ(testing::ReadFile(system_file), system_text);

  // The same keys are plain user keys under HKEY_CURRENT_USER.
  Registry user;
  EXPECT_TRUE(user.KeyExists("\\Software\\Classes\\Vocato.ReadSomeText"));
  EXPECT_FALSE(user.KeyExists("\\System.Only"));
}

}  // namespace
}  // namespace parlotto
