// Compound files written here, whole and broken: the directory's names
// come out, and a broken file fails instead of looping or reading astray.
#include "officesvr/document_text/compound_file.h"

#include <gtest/gtest.h>

#include "support/compound_file_writer.h"
#include "support/scratch_dir.h"

namespace parlotto::office {
namespace {

using parlotto::testing::CompoundFileBytes;
using parlotto::testing::ScratchDir;
using parlotto::testing::WriteFile;

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::optional<std::vector<std::string>> Names(const std::string& bytes, std::string* error) {
  const ScratchDir dir;
  WriteFile(dir.File("f.cfb"), bytes);
  return CompoundFileNames(dir.File("f.cfb"), error);
}

TEST(CompoundFileTest, ListsTheStreamsOfTheDirectory) {
  std::vector<parlotto::testing::CompoundStream> streams;
  streams.reserve(10);
  // More entries than one directory sector holds, so that its chain is
  // followed too.
  for (int i = 0; i < 9; ++i) streams.push_back({"Strom" + std::to_string(i), "x"});
  streams.push_back({"EncryptedPackage", std::string(10'000, 'e')});
  std::string error;
  const auto names = Names(CompoundFileBytes(streams), &error);
  ASSERT_TRUE(names) << error;
  EXPECT_EQ(names->size(), 10u);
  EXPECT_NE(std::find(names->begin(), names->end(), "EncryptedPackage"), names->end());
  EXPECT_NE(std::find(names->begin(), names->end(), "Strom8"), names->end());
  // The same from memory.
  EXPECT_EQ(CompoundFileNamesOfBytes(CompoundFileBytes(streams), &error), names);
}

TEST(CompoundFileTest, BrokenFilesFailWithoutLoopingOrReadingAstray) {
  const std::string good = CompoundFileBytes({{"WordDocument", "x"}, {"1Table", "y"}});
  std::string error;
  // Cut short: the directory and the table are gone.
  EXPECT_FALSE(Names(good.substr(0, 1024), &error));
  EXPECT_FALSE(error.empty());
  // A sector size the format does not have.
  std::string bad_shift = good;
  bad_shift[0x1E] = 30;
  EXPECT_FALSE(Names(bad_shift, &error));
  // A directory sector far beyond the file.
  std::string far = good;
  Put32(far, 0x30, 0x00FFFFFF);
  EXPECT_FALSE(Names(far, &error));
  // The directory chained to itself.
  std::string loop = good;
  const std::uint32_t directory = static_cast<unsigned char>(good[0x30]);
  const std::uint32_t fat = static_cast<unsigned char>(good[0x4C]);
  Put32(loop, (fat + 1) * 512 + 4 * directory, directory);
  EXPECT_FALSE(Names(loop, &error));
  // More allocation sectors than the file has.
  std::string huge = good;
  Put32(huge, 0x2C, 0x7FFFFFFF);
  EXPECT_FALSE(Names(huge, &error));
  EXPECT_FALSE(Names("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", &error));
  EXPECT_FALSE(CompoundFileNamesOfBytes(loop, &error));
}

}  // namespace
}  // namespace parlotto::office
