// RegisterTypeLib's keys, read back through the registry, and which
// registered file LoadRegTypeLib picks.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry/registry.h"
#include "platform/typelib/typelib_test_support.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using typelib_test::kLibid;

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest()
      : hive_env_("PARLOTTO_USER_HIVE", scratch_.File("user.reg").c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", scratch_.File("system").c_str()) {
    std::filesystem::create_directory(scratch_.File("system"));
  }

  std::string Read(const std::string& key, const std::string& value = "") {
    Registry reg(RootKey::kClassesRoot);
    if (!reg.OpenKey(key, false)) return "<no key>";
    return reg.ValueExists(value) ? reg.ReadString(value) : "<no value>";
  }

  // A copy of the test library under another version, locale and help text.
  QString WriteVariant(const std::string& name, const QString& version, int lcid) {
    QByteArray text = typelib_test::TestDescription();
    text.replace(
        "\"version\": \"1.2\"",
        QStringLiteral("\"version\": \"%1\", \"lcid\": %2").arg(version).arg(lcid).toUtf8());
    text.replace("Parlotto test calculator", name.c_str());
    std::string path = scratch_.File(name + ".json");
    testing::WriteFile(path, text.toStdString());
    return QString::fromStdString(path);
  }

  HRESULT Register(const QString& path) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLib(path, lib.Receive());
    return FAILED(hr) ? hr : RegisterTypeLib(lib.Get(), path, QString());
  }

  // The help text of the library LoadRegTypeLib picks, or the failure.
  std::string Pick(WORD major, WORD minor, LCID lcid) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadRegTypeLib(kLibid, major, minor, lcid, lib.Receive());
    if (FAILED(hr)) return DescribeHResult(hr);
    BSTR help;
    lib->GetDocumentation(-1, nullptr, &help);
    return help.toStdString();
  }

  testing::ScratchDir scratch_;
  testing::ScopedEnv hive_env_;
  testing::ScopedEnv system_env_;
};

TEST_F(RegistrationTest, WritesTheLibraryAndItsAutomationInterfaces) {
  ComPtr<ITypeLib> lib = typelib_test::LoadTestLib();
  QString path = typelib_test::TestDescriptionPath();
  ASSERT_EQ(RegisterTypeLib(lib.Get(), path, "/usr/share/help/calc"), S_OK);

  const std::string version = "\\TypeLib\\" + StringFromGUID(kLibid) + "\\1.2";
  EXPECT_EQ(Read(version), "Parlotto test calculator");
  EXPECT_EQ(Read(version + "\\0\\linux"), path.toStdString());
  EXPECT_EQ(Read(version + "\\FLAGS"), "0");
  EXPECT_EQ(Read(version + "\\HELPDIR"), "/usr/share/help/calc");

  const std::string calc = "\\Interface\\" + StringFromGUID(typelib_test::kICalculator);
  EXPECT_EQ(Read(calc), "ICalculator");
  EXPECT_EQ(Read(calc + "\\ProxyStubClsid32"), "{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(Read(calc + "\\TypeLib"), StringFromGUID(kLibid));
  EXPECT_EQ(Read(calc + "\\TypeLib", "Version"), "1.2");
  const std::string events = "\\Interface\\" + StringFromGUID(typelib_test::kCalcEvents);
  EXPECT_EQ(Read(events + "\\ProxyStubClsid32"), "{00020420-0000-0000-C000-000000000046}");
  EXPECT_EQ(Read("\\Interface\\" + StringFromGUID(typelib_test::kICalcListener)), "ICalcListener");
  EXPECT_EQ(Read("\\Interface\\" + StringFromGUID(typelib_test::kCalculator)), "<no key>");

  EXPECT_EQ(RegisterTypeLib(lib.Get(), "relative/calc.json", QString()), E_INVALIDARG);
  EXPECT_EQ(RegisterTypeLib(nullptr, path, QString()), E_INVALIDARG);
}

TEST_F(RegistrationTest, LoadsTheNewestCompatibleVersion) {
  ASSERT_EQ(Register(WriteVariant("one-one", "1.1", 0)), S_OK);
  ASSERT_EQ(Register(WriteVariant("one-five", "1.5", 0)), S_OK);
  ASSERT_EQ(Register(WriteVariant("two", "2.0", 0)), S_OK);
  EXPECT_EQ(Pick(1, 0, 0), "one-five");
  EXPECT_EQ(Pick(1, 5, 0), "one-five");
  EXPECT_EQ(Pick(2, 0, 0), "two");
  EXPECT_EQ(Pick(1, 6, 0), "TYPE_E_LIBNOTREGISTERED (0x8002801D)");
  // Key names are hex, as the window system writes them: 1.10 is "1.a".
  ASSERT_EQ(Register(WriteVariant("one-ten", "1.10", 0)), S_OK);
  EXPECT_EQ(Read("\\TypeLib\\" + StringFromGUID(kLibid) + "\\1.a"), "one-ten");
  EXPECT_EQ(Pick(1, 6, 0), "one-ten");
  EXPECT_EQ(Pick(3, 0, 0), "TYPE_E_LIBNOTREGISTERED (0x8002801D)");

  ComPtr<ITypeLib> lib;
  EXPECT_EQ(LoadRegTypeLib(typelib_test::kICalculator, 1, 0, 0, lib.Receive()),
            TYPE_E_LIBNOTREGISTERED);
}

TEST_F(RegistrationTest, FallsBackToTheNeutralThenTheEnglishLocale) {
  ASSERT_EQ(Register(WriteVariant("german", "1.0", 0x407)), S_OK);
  EXPECT_NE(Read("\\TypeLib\\" + StringFromGUID(kLibid) + "\\1.0\\407\\linux"), "<no key>");
  ASSERT_EQ(Register(WriteVariant("english", "1.0", 9)), S_OK);
  EXPECT_EQ(Pick(1, 0, 0x407), "german");
  EXPECT_EQ(Pick(1, 0, 0x40C), "english");
  ASSERT_EQ(Register(WriteVariant("neutral", "1.0", 0)), S_OK);
  EXPECT_EQ(Pick(1, 0, 0x40C), "neutral");
}

TEST_F(RegistrationTest, FailsWhenTheRegisteredFileIsGoneOrAnother) {
  typelib_test::Diagnostics diagnostics;
  QString path = WriteVariant("gone", "1.0", 0);
  ASSERT_EQ(Register(path), S_OK);
  std::filesystem::remove(path.toStdString());
  EXPECT_EQ(Pick(1, 0, 0), "TYPE_E_CANTLOADLIBRARY (0x80029C4A)");

  // The entry points at a file that holds a different library.
  testing::WriteFile(path.toStdString(),
                     R"({"name": "Other", "libid": "{99999999-0000-0000-0000-000000000000}",
                         "version": "1.0", "types": []})");
  EXPECT_EQ(Pick(1, 0, 0), "TYPE_E_LIBNOTREGISTERED (0x8002801D)");
  EXPECT_TRUE(diagnostics.Mention("holds library {99999999")) << diagnostics.All();
}

TEST_F(RegistrationTest, ReportsAHiveThatCannotBeWritten) {
  typelib_test::Diagnostics diagnostics;
  testing::WriteFile(scratch_.File("file"), "");
  testing::ScopedEnv unwritable("PARLOTTO_USER_HIVE", scratch_.File("file/user.reg").c_str());
  ComPtr<ITypeLib> lib = typelib_test::LoadTestLib();
  EXPECT_EQ(RegisterTypeLib(lib.Get(), typelib_test::TestDescriptionPath(), QString()),
            TYPE_E_REGISTRYACCESS);
  EXPECT_TRUE(diagnostics.Mention("RegisterTypeLib")) << diagnostics.All();
}

}  // namespace
}  // namespace parlotto
