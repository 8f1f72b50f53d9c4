// Loading a text file: what is read, and each way it can fail without
// filling memory or producing noise to read out.
#include "text_formats/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

class TextFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& contents) {
    std::string path = dir_.File(name);
    WriteFile(path, contents);
    return path;
  }
  ScratchDir dir_;
};

TEST_F(TextFileTest, RtfIsReadAsRtfAndEverythingElseAsPlainText) {
  const LoadedTextFile rtf = LoadTextFile(Write("a.rtf", "{\\rtf1 Gr\\'fc\\'dfe\\par Zeile}"));
  EXPECT_EQ(rtf.failure, TextFileFailure::kNone);
  EXPECT_EQ(rtf.text, "Grüße\r\nZeile");
  // A file named .rtf that is none, and RTF markup that is not at the start.
  const LoadedTextFile plain = LoadTextFile(Write("b.rtf", "Text mit {\\rtf1 darin}\n"));
  EXPECT_EQ(plain.failure, TextFileFailure::kNone);
  EXPECT_EQ(plain.text, "Text mit {\\rtf1 darin}\n");
  const LoadedTextFile latin = LoadTextFile(Write("c.txt", "K\xf6ln \x80"));
  EXPECT_EQ(latin.text, "Köln €");
}

TEST_F(TextFileTest, AnEmptyFileIsAnEmptyText) {
  const LoadedTextFile loaded = LoadTextFile(Write("leer.txt", ""));
  EXPECT_EQ(loaded.failure, TextFileFailure::kNone);
  EXPECT_EQ(loaded.text, "");
}

TEST_F(TextFileTest, WhatCannotBeOpenedSaysSoWithItsName) {
  EXPECT_EQ(LoadTextFile(dir_.File("fehlt.txt")).failure, TextFileFailure::kCannotOpen);
  EXPECT_EQ(LoadTextFile(dir_.path().string()).failure, TextFileFailure::kCannotOpen);
  EXPECT_EQ(TextFileFailureMessage(TextFileFailure::kCannotOpen, "/x/a.txt"),
            "Datei /x/a.txt kann nicht geöffnet werden");
  EXPECT_EQ(TextFileFailureMessage(TextFileFailure::kCannotLoad, "/x/a.txt"),
            "Das Laden des Streams ist mißlungen");
}

TEST_F(TextFileTest, BinaryDataIsNotLoaded) {
  const LoadedTextFile loaded =
      LoadTextFile(Write("bild.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)));
  EXPECT_EQ(loaded.failure, TextFileFailure::kCannotLoad);
  EXPECT_EQ(loaded.text, "");
}

TEST_F(TextFileTest, AFileOverTheLimitIsRefusedUnread) {
  EXPECT_EQ(LoadTextFile(Write("klein.txt", std::string(100, 'a')), 100).failure,
            TextFileFailure::kNone);
  EXPECT_EQ(LoadTextFile(Write("gross.txt", std::string(101, 'a')), 100).failure,
            TextFileFailure::kTooLarge);
  // 200 MB that take no disk space: refused by its size, never read.
  const std::string huge = dir_.File("riesig.txt");
  WriteFile(huge, "");
  std::filesystem::resize_file(huge, std::uintmax_t{200} << 20);
  const LoadedTextFile loaded = LoadTextFile(huge);
  EXPECT_EQ(loaded.failure, TextFileFailure::kTooLarge);
  EXPECT_EQ(loaded.text, "");
}

TEST_F(TextFileTest, WhatIsNoRegularFileIsRefusedWithoutWaitingOnIt) {
  // A FIFO without a writer would block the open for ever; a device never ends.
  const std::string fifo = dir_.File("fifo.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LoadTextFile(name).failure, TextFileFailure::kCannotOpen);
  }
}

}  // namespace
}  // namespace parlotto
