// Loading libraries from description files, from the program file this test
// runs as (which embeds test.typelib.json), and from damaged files.
#include "platform/typelib/type_lib_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <filesystem>

#include "platform/typelib/elf_builder.h"
#include "platform/typelib/typelib_test_support.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using typelib_test::Diagnostics;

class LoadTest : public ::testing::Test {
 protected:
  QString Write(const std::string& name, const QByteArray& bytes) {
    std::string path = scratch_.File(name);
    testing::WriteFile(path, bytes.toStdString());
    return QString::fromStdString(path);
  }

  HRESULT Load(const QString& file) {
    lib_.Reset();
    return LoadTypeLib(file, lib_.Receive());
  }

  QString LibraryName() {
    BSTR name;
    return lib_ && SUCCEEDED(lib_->GetDocumentation(-1, &name, nullptr)) ? name : QString();
  }

  testing::ScratchDir scratch_;
  ComPtr<ITypeLib> lib_;
  Diagnostics diagnostics_;
};

TEST_F(LoadTest, LoadsADescriptionFile) {
  ASSERT_EQ(Load(typelib_test::TestDescriptionPath()), S_OK);
  TLIBATTR attr;
  ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr.guid, typelib_test::kLibid);
}

TEST_F(LoadTest, LoadsTheDescriptionsEmbeddedInItsOwnProgram) {
  QByteArray embedded;
  ASSERT_EQ(ReadOwnTypeLibDescription(&embedded), S_OK);
  EXPECT_EQ(embedded, typelib_test::TestDescription());  // byte for byte, no padding

  ASSERT_EQ(Load(QStringLiteral("/proc/self/exe")), S_OK);
  EXPECT_EQ(LibraryName(), "CalcLib");
  ASSERT_EQ(Load(OwnExecutablePath()), S_OK);
  EXPECT_EQ(LibraryName(), "CalcLib");
  ASSERT_EQ(Load(OwnExecutablePath() + "/2"), S_OK);
  EXPECT_EQ(LibraryName(), "SecondLib");
  ASSERT_EQ(Load(OwnExecutablePath() + "\\2"), S_OK);

  EXPECT_EQ(ReadOwnTypeLibDescription(&embedded, 3), TYPE_E_CANTLOADLIBRARY);
  EXPECT_TRUE(diagnostics_.Mention("no section .typelib.3")) << diagnostics_.All();
  EXPECT_EQ(Load(OwnExecutablePath() + "/3"), TYPE_E_CANTLOADLIBRARY);
}

TEST_F(LoadTest, CannotLoadWhatIsNotThere) {
  QString missing = QString::fromStdString(scratch_.File("missing.json"));
  EXPECT_EQ(Load(missing), TYPE_E_CANTLOADLIBRARY);
  EXPECT_TRUE(diagnostics_.Mention(missing.toStdString() + ": no such file")) << diagnostics_.All();
  EXPECT_EQ(Load(QString::fromStdString(scratch_.path().string())), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(Load(QStringLiteral("/dev/zero")), TYPE_E_CANTLOADLIBRARY);
  // Numbered libraries live in ELF files only.
  EXPECT_EQ(Load(typelib_test::TestDescriptionPath() + "/2"), TYPE_E_CANTLOADLIBRARY);
  EXPECT_FALSE(lib_);
}

TEST_F(LoadTest, RefusesDamagedProgramFiles) {
  QByteArray own = QByteArray::fromStdString(testing::ReadFile("/proc/self/exe"));
  ASSERT_GT(own.size(), 4096);
  for (qsizetype length :
       {qsizetype{16}, qsizetype{40}, qsizetype{64}, own.size() / 2, own.size() - 1}) {
    SCOPED_TRACE(length);
    EXPECT_EQ(Load(Write("truncated", own.left(length))), TYPE_E_CANTLOADLIBRARY);
  }

  QString without = Write("without", typelib_test::BuildElf(true, ".data", "{}").bytes);
  EXPECT_EQ(Load(without), TYPE_E_CANTLOADLIBRARY);
  EXPECT_TRUE(diagnostics_.Mention("no section .typelib")) << diagnostics_.All();

  // A readable program with a broken description in it: the description's fault.
  QString broken = Write("broken", typelib_test::BuildElf(false, ".typelib", "{\"name\": ").bytes);
  EXPECT_EQ(Load(broken), TYPE_E_INVDATAREAD);
  EXPECT_TRUE(diagnostics_.Mention(broken.toStdString() + ": library: not valid JSON"))
      << diagnostics_.All();
}

TEST_F(LoadTest, RefusesDamagedAndOversizedDescriptionFiles) {
  QString damaged = Write("damaged.json", typelib_test::TestDescription().left(500));
  EXPECT_EQ(Load(damaged), TYPE_E_INVDATAREAD);
  EXPECT_TRUE(diagnostics_.Mention(damaged.toStdString())) << diagnostics_.All();

  // Sparse: the size alone must stop it before anything is read.
  QString huge = Write("huge.json", "{");
  ASSERT_TRUE(QFile::resize(huge, 1024ll * 1024 * 1024));
  EXPECT_EQ(Load(huge), TYPE_E_INVDATAREAD);
  EXPECT_TRUE(diagnostics_.Mention("more than")) << diagnostics_.All();
}

}  // namespace
}  // namespace parlotto
