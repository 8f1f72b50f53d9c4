// Reading a section from ELF files, whole and damaged in every way that an
// offset or a size can be wrong.
#include "platform/typelib/elf_section.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <cstdint>
#include <limits>

#include "platform/typelib/elf_builder.h"

namespace parlotto::typelib {
namespace {

using typelib_test::ElfImage;

ElfStatus Read(QByteArray bytes, QByteArray* contents, const QByteArray& name = ".typelib",
               std::size_t max = std::numeric_limits<std::size_t>::max()) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QString problem;
  return ReadElfSection(&buffer, name, max, contents, &problem);
}

class ElfSectionTest : public ::testing::TestWithParam<bool> {
 protected:
  ElfImage Image(const QByteArray& name = ".typelib") {
    return typelib_test::BuildElf(GetParam(), name, "{\"name\": \"L\"}");
  }
  QByteArray contents_;
};

TEST_P(ElfSectionTest, FindsTheSectionByItsWholeName) {
  ASSERT_EQ(Read(Image().bytes, &contents_), ElfStatus::kFound);
  EXPECT_EQ(contents_, "{\"name\": \"L\"}");
  EXPECT_EQ(Read(Image(".typelib.2").bytes, &contents_), ElfStatus::kNoSection);
  EXPECT_EQ(Read(Image(".typelib.2").bytes, &contents_, ".typelib.2"), ElfStatus::kFound);
  EXPECT_EQ(Read(Image(".type").bytes, &contents_), ElfStatus::kNoSection);
  EXPECT_EQ(Read(Image().bytes, &contents_, ".typelib", 4), ElfStatus::kTooLarge);

  // Counts too large for the header are kept in section 0.
  ElfImage extended = Image();
  extended.Put16(extended.Header(0x3C, 0x30), 0);
  extended.Put16(extended.Header(0x3E, 0x32), 0xFFFF);
  extended.PutWord(extended.Section(0, 32, 20), 3);
  extended.Put32(extended.Section(0, 40, 24), 1);
  EXPECT_EQ(Read(extended.bytes, &contents_), ElfStatus::kFound);
}

TEST_P(ElfSectionTest, FailsCleanlyOnEveryTruncation) {
  QByteArray whole = Image().bytes;
  for (int length = 0; length < whole.size(); ++length) {
    EXPECT_NE(Read(whole.left(length), &contents_), ElfStatus::kFound) << "length " << length;
  }
}

TEST_P(ElfSectionTest, ChecksEveryOffsetAndSize) {
  const std::uint64_t kHuge = GetParam() ? 0xFFFFFFFFFFFFFF00ull : 0xFFFFFF00ull;
  struct Damage {
    const char* label;
    void (*apply)(ElfImage*, std::uint64_t huge);
    ElfStatus expected;
  };
  const Damage kDamages[] = {
      {"table beyond the end",
       [](ElfImage* i, std::uint64_t h) { i->PutWord(i->Header(0x28, 0x20), h); },
       ElfStatus::kUnreadable},
      {"too many sections",
       [](ElfImage* i, std::uint64_t) { i->Put16(i->Header(0x3C, 0x30), 0xFFFE); },
       ElfStatus::kUnreadable},
      {"entries too small", [](ElfImage* i, std::uint64_t) { i->Put16(i->Header(0x3A, 0x2E), 8); },
       ElfStatus::kUnreadable},
      {"name table index too large",
       [](ElfImage* i, std::uint64_t) { i->Put16(i->Header(0x3E, 0x32), 3); },
       ElfStatus::kUnreadable},
      {"name table beyond the end",
       [](ElfImage* i, std::uint64_t h) { i->PutWord(i->Section(1, 24, 16), h); },
       ElfStatus::kUnreadable},
      {"name past the name table",
       [](ElfImage* i, std::uint64_t) { i->Put32(i->Section(2, 0, 0), 0xFFFFFFF0u); },
       ElfStatus::kNoSection},
      {"contents beyond the end",
       [](ElfImage* i, std::uint64_t h) { i->PutWord(i->Section(2, 24, 16), h); },
       ElfStatus::kUnreadable},
      {"size wraps around",
       [](ElfImage* i, std::uint64_t h) { i->PutWord(i->Section(2, 32, 20), h + 0xF0); },
       ElfStatus::kUnreadable},
      {"contents not in the file",
       [](ElfImage* i, std::uint64_t) { i->Put32(i->Section(2, 4, 4), 8); },
       ElfStatus::kUnreadable},
      {"no section headers",
       [](ElfImage* i, std::uint64_t) { i->PutWord(i->Header(0x28, 0x20), 0); },
       ElfStatus::kNoSection},
      {"big-endian", [](ElfImage* i, std::uint64_t) { i->bytes[5] = 2; }, ElfStatus::kUnreadable},
      {"unknown class", [](ElfImage* i, std::uint64_t) { i->bytes[4] = 3; },
       ElfStatus::kUnreadable},
  };
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.label);
    ElfImage image = Image();
    damage.apply(&image, kHuge);
    EXPECT_EQ(Read(image.bytes, &contents_), damage.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Classes, ElfSectionTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Elf64" : "Elf32";
                         });

}  // namespace
}  // namespace parlotto::typelib
