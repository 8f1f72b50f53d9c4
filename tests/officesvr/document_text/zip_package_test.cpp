// Zip packages that try to exhaust the reader's memory: members that
// inflate far beyond their compressed size, headers that lie about their
// sizes, many members that are each within the limit.
#include "officesvr/document_text/zip_package.h"

#include <gtest/gtest.h>

#include "officesvr/document_text/package_text.h"
#include "support/scratch_dir.h"
#include "support/zip_writer.h"

namespace parlotto::office {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScratchDir;
using parlotto::testing::WriteFile;
using parlotto::testing::WriteZip;

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST(ZipPackageTest, AMemberThatInflatesFarBeyondItsSizeFailsWhileInflating) {
  const ScratchDir dir;
  // 200 MiB of one byte deflate to about 200 KiB.
  WriteZip(dir.File("bomb.docx"),
           {{"word/document.xml", std::string(std::size_t{200} << 20, ' ')}});
  const DocumentText text = PackageFileToText(dir.File("bomb.docx"));
  EXPECT_EQ(text.failure, DocumentFailure::kDamaged);
  EXPECT_NE(text.detail.find("inflates"), std::string::npos) << text.detail;
}

TEST(ZipPackageTest, MembersAndPackagesBeyondTheirLimitsAreTooLarge) {
  const ScratchDir dir;
  WriteZip(dir.File("p.zip"), {{"a", std::string(600'000, 'a'), true},
                               {"b", std::string(600'000, 'b'), true},
                               {"c", std::string(600'000, 'c'), true}});
  DocumentLimits limits;
  limits.max_entry = 500'000;
  std::string error;
  auto package = ZipPackage::OpenFile(dir.File("p.zip"), limits, &error);
  ASSERT_TRUE(package) << error;
  EXPECT_EQ(package->Read("a").failure, DocumentFailure::kTooLarge);

  limits.max_entry = 1'000'000;
  limits.max_package = 1'500'000;
  package = ZipPackage::OpenFile(dir.File("p.zip"), limits, &error);
  EXPECT_EQ(package->Read("a").bytes.size(), 600'000u);
  EXPECT_EQ(package->Read("b").failure, DocumentFailure::kNone);
  EXPECT_EQ(package->Read("c").failure, DocumentFailure::kTooLarge);
  EXPECT_EQ(package->Read("missing").failure, DocumentFailure::kDamaged);
}

TEST(ZipPackageTest, AHeaderThatUnderstatesTheSizeGainsNothing) {
  const ScratchDir dir;
  const std::string path = dir.File("liar.docx");
  WriteZip(path, {{"word/document.xml", std::string(std::size_t{20} << 20, 'x')}});
  // The uncompressed size in the local header and in the central directory.
  std::string bytes = ReadFile(path);
  Put32(bytes, 22, 100);
  const std::size_t central = bytes.rfind("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  Put32(bytes, central + 24, 100);
  WriteFile(path, bytes);
  const DocumentText text = PackageFileToText(path);
  EXPECT_NE(text.failure, DocumentFailure::kNone) << text.detail;
  EXPECT_TRUE(text.text.empty()) << text.detail;
}

TEST(ZipPackageTest, BrokenArchivesAreDamagedAndOtherPackagesUnsupported) {
  const ScratchDir dir;
  WriteZip(dir.File("d.docx"), {{"word/document.xml", "<w:document/>"}});
  const std::string whole = ReadFile(dir.File("d.docx"));
  EXPECT_EQ(PackageBytesToText(whole.substr(0, whole.size() / 2)).failure,
            DocumentFailure::kDamaged);
  EXPECT_EQ(PackageBytesToText("PK\x03\x04 nothing more").failure, DocumentFailure::kDamaged);
  WriteZip(dir.File("x.xlsx"), {{"xl/workbook.xml", "<workbook/>"}});
  EXPECT_EQ(PackageBytesToText(ReadFile(dir.File("x.xlsx"))).failure,
            DocumentFailure::kUnsupportedFormat);
  // Markup that is not well-formed.
  WriteZip(dir.File("bad.docx"), {{"word/document.xml", "<w:document><w:body>"}});
  EXPECT_EQ(PackageBytesToText(ReadFile(dir.File("bad.docx"))).failure, DocumentFailure::kDamaged);
}

TEST(ZipPackageTest, PackagesReadFromMemoryAsFromFiles) {
  const ScratchDir dir;
  WriteZip(
      dir.File("d.docx"),
      {{"word/document.xml",
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
        "<w:body><w:p><w:r><w:t>im Speicher</w:t></w:r></w:p></w:body></w:document>"}});
  EXPECT_EQ(PackageBytesToText(ReadFile(dir.File("d.docx"))).text, "im Speicher\r");
}

}  // namespace
}  // namespace parlotto::office
