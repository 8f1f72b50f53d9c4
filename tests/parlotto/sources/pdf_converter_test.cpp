// Loading the converter and running it in a child process: every result
// comes through, and a converter that crashes or hangs costs the caller
// nothing but the result.
#include "parlotto/sources/pdf_converter.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>

#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;

constexpr const char* kFake = PARLOTTO_BUILD_DIR "/tests/fakes/libp2tdll.so";
constexpr const char* kNoExport = PARLOTTO_BUILD_DIR "/tests/fakes/no_export/libp2tdll.so";
constexpr int kLimitMs = 20000;

// No child of ours is left behind, neither running nor as a zombie.
void ExpectNoChildren() {
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(PdfConverter, HandsBackWhatParsePdfReturns) {
  ScratchDir dir;
  PdfConverter converter(kFake);
  ASSERT_TRUE(converter.Loaded());
  ASSERT_TRUE(converter.FindParsePdf());
  for (int result : {0, -1, -2, -3, 1, -1000}) {
    const PdfConverter::Outcome outcome =
        converter.ParsePdf("result:" + std::to_string(result), dir.File("out.txt"), kLimitMs);
    ASSERT_TRUE(outcome.result.has_value()) << outcome.failure;
    EXPECT_EQ(*outcome.result, result);
  }
  const PdfConverter::Outcome written =
      converter.ParsePdf("write:Grüße", dir.File("out.txt"), kLimitMs);
  EXPECT_EQ(written.result, 0);
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "Grüße");
  ExpectNoChildren();
}

TEST(PdfConverter, AConverterThatCrashesGivesNoResultAndTheCallerGoesOn) {
  PdfConverter converter(kFake);
  ASSERT_TRUE(converter.FindParsePdf());
  const PdfConverter::Outcome outcome = converter.ParsePdf("crash", "/dev/null", kLimitMs);
  EXPECT_FALSE(outcome.result.has_value());
  EXPECT_NE(outcome.failure, "");
  // Still usable afterwards.
  EXPECT_EQ(converter.ParsePdf("result:-2", "/dev/null", kLimitMs).result, -2);
  ExpectNoChildren();
}

TEST(PdfConverter, AConverterThatHangsIsKilledAtTheLimit) {
  PdfConverter converter(kFake);
  ASSERT_TRUE(converter.FindParsePdf());
  const PdfConverter::Outcome outcome = converter.ParsePdf("hang", "/dev/null", 300);
  EXPECT_FALSE(outcome.result.has_value());
  EXPECT_EQ(outcome.failure, "timed out after 300 ms");
  ExpectNoChildren();
}

TEST(PdfConverter, AMissingLibraryOrExportIsToldApart) {
  PdfConverter missing(PARLOTTO_BUILD_DIR "/tests/fakes/nirgends/libp2tdll.so");
  EXPECT_FALSE(missing.Loaded());
  EXPECT_FALSE(missing.FindParsePdf());
  PdfConverter no_export(kNoExport);
  EXPECT_TRUE(no_export.Loaded());
  EXPECT_FALSE(no_export.FindParsePdf());
  EXPECT_FALSE(no_export.ParsePdf("result:0", "/dev/null", kLimitMs).result.has_value());
}

}  // namespace
}  // namespace parlotto
