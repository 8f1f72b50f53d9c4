// LibreOffice's part, with a stand-in soffice first on PATH: the
// arguments it gets, the text taken from where it writes it, and its
// failures; without soffice the format is not supported.
#include "officesvr/document_text/libreoffice_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::office {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;
using parlotto::testing::WriteFile;

// Puts a soffice of `body` first on PATH.
class FakeOffice {
 public:
  FakeOffice(const ScratchDir& dir, const std::string& body)
      : search_((dir.path() / "bin").string() + ":/usr/bin:/bin"), path_("PATH", search_.c_str()) {
    std::filesystem::create_directories(dir.path() / "bin");
    const std::string script = (dir.path() / "bin" / "soffice").string();
    WriteFile(script, "#!/bin/sh\n" + body + "\n");
    ::chmod(script.c_str(), 0755);
  }

 private:
  std::string search_;
  ScopedEnv path_;
};

// Writes its arguments, one a line, beside the document, and the
// converted text where it was asked to.
const char* kConverter = R"(
for a in "$@"; do echo "$a"; done > "$(dirname "$0")/../arguments"
while [ $# -gt 1 ]; do
  if [ "$1" = --outdir ]; then out=$2; fi
  shift
done
mkdir -p "$out"
name=$(basename "$1"); name=${name%.*}
printf '\357\273\277Zeile eins\r\nZeile zwei\n' > "$out/$name.txt"
ls -d "$out" > "$(dirname "$0")/../outdir"
)";

TEST(LibreOfficeReaderTest, ConvertsWithAPrivateProfileAndReadsTheTextItWrote) {
  const ScratchDir dir;
  const FakeOffice office(dir, kConverter);
  WriteFile(dir.File("tabelle.wks"), "irgendwas");
  const DocumentText text = ConvertWithLibreOffice(dir.File("tabelle.wks"));
  ASSERT_EQ(text.failure, DocumentFailure::kNone) << text.detail;
  EXPECT_EQ(text.text, "Zeile eins\rZeile zwei\r");

  const std::string arguments = ReadFile(dir.File("arguments"));
  const std::string out = ReadFile(dir.File("outdir"));
  EXPECT_TRUE(arguments.starts_with("--headless\n--norestore\n-env:UserInstallation=file:///"))
      << arguments;
  EXPECT_NE(arguments.find("\n--convert-to\ntxt:Text (encoded):UTF8\n--outdir\n"),
            std::string::npos);
  EXPECT_TRUE(arguments.ends_with("\n" + dir.File("tabelle.wks") + "\n"));
  // The profile sits beside the output, in a directory removed afterwards.
  const std::string work = std::filesystem::path(out.substr(0, out.size() - 1)).parent_path();
  EXPECT_NE(arguments.find("UserInstallation=file://" + work + "/profile"), std::string::npos)
      << arguments << work;
  EXPECT_FALSE(std::filesystem::exists(work));
}

TEST(LibreOfficeReaderTest, FailuresOfTheConverterAreReported) {
  const ScratchDir dir;
  WriteFile(dir.File("x.wks"), "x");
  {
    const FakeOffice office(dir, "exit 1");
    EXPECT_EQ(ConvertWithLibreOffice(dir.File("x.wks")).failure,
              DocumentFailure::kUnsupportedFormat);
  }
  {
    const FakeOffice office(dir, "exec sleep 30");
    DocumentLimits limits;
    limits.converter_time = std::chrono::milliseconds(500);
    EXPECT_EQ(ConvertWithLibreOffice(dir.File("x.wks"), limits).failure, DocumentFailure::kDamaged);
  }
}

TEST(LibreOfficeReaderTest, WithoutLibreOfficeTheFormatIsUnsupported) {
  const ScratchDir dir;
  WriteFile(dir.File("x.wks"), "x");
  // The system's directories: no LibreOffice is installed for the tests.
  const ScopedEnv path("PATH", "/usr/bin:/bin");
  ASSERT_FALSE(std::filesystem::exists("/usr/bin/soffice"));
  EXPECT_EQ(ConvertWithLibreOffice(dir.File("x.wks")).failure, DocumentFailure::kUnsupportedFormat);
}

}  // namespace
}  // namespace parlotto::office
