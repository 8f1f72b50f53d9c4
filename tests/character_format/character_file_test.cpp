#include "character_format/character_file.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <functional>
#include <set>

#include "character_format/character_archive.h"
#include "character_format/character_file_builder.h"
#include "support/scratch_dir.h"

namespace parlotto::agent {
namespace {

using testing::ScratchDir;
using testing::SheetColor;
using testing::SmallCharacterEntries;
using testing::SmallManifest;
using testing::ZipOf;

std::string Str(const QByteArray& bytes) { return bytes.toStdString(); }

struct Loaded {
  std::optional<Character> character;
  QString error;
};

Loaded LoadBytes(const QByteArray& bytes) {
  ScratchDir dir;
  const std::string path = dir.File("character.acz");
  testing::WriteFile(path, Str(bytes));
  Loaded loaded;
  loaded.character = LoadCharacterFile(QString::fromStdString(path), &loaded.error);
  return loaded;
}

TEST(CharacterFile, LoadsFramesFromSingleImagesAndFromASheetInManifestOrder) {
  const Loaded loaded = LoadBytes(ZipOf(SmallCharacterEntries(SmallManifest())));
  ASSERT_TRUE(loaded.character) << loaded.error.toStdString();
  const Character& c = *loaded.character;
  EXPECT_EQ(c.name, "Tiny");
  EXPECT_EQ(c.voice, "en-us");
  EXPECT_EQ(c.language, 9);
  EXPECT_EQ(c.frame_size, QSize(8, 6));
  EXPECT_EQ(c.balloon_anchor, QPoint(4, 1));
  ASSERT_EQ(c.frames.size(), 6u);
  EXPECT_EQ(c.frames[0].pixel(3, 3), QColor(Qt::red).rgb());
  for (int cell = 0; cell < 5; ++cell) {
    const QImage& frame = c.frames[static_cast<std::size_t>(cell) + 1];
    EXPECT_EQ(frame.size(), QSize(8, 6));
    EXPECT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
    // Both corners: a cut off by margin or spacing would catch the white gap.
    EXPECT_EQ(frame.pixel(0, 0), SheetColor(cell).rgb()) << "cell " << cell;
    EXPECT_EQ(frame.pixel(7, 5), SheetColor(cell).rgb()) << "cell " << cell;
  }
}

TEST(CharacterFile, StoresAnimationNamesInLowerCaseAndClampsDurations) {
  const Loaded loaded = LoadBytes(ZipOf(SmallCharacterEntries(SmallManifest())));
  ASSERT_TRUE(loaded.character) << loaded.error.toStdString();
  const auto& animations = loaded.character->animations;
  ASSERT_EQ(animations.size(), 2u);
  ASSERT_TRUE(animations.contains("wave"));
  const Animation& wave = animations.at("wave");
  EXPECT_EQ(wave.end_frame, 3);
  ASSERT_EQ(wave.steps.size(), 3u);
  EXPECT_EQ(wave.steps[0].frame, 1);
  EXPECT_EQ(wave.steps[0].duration_ms, character_limits::kMinDurationMs);
  EXPECT_EQ(wave.steps[1].duration_ms, character_limits::kMaxDurationMs);
  EXPECT_EQ(wave.steps[2].duration_ms, 100);
  EXPECT_EQ(animations.at("idle").end_frame, -1);
}

TEST(CharacterFile, MapsMouthNamesToShapesAndLeavesTheRestWithoutAFrame) {
  const Loaded loaded = LoadBytes(ZipOf(SmallCharacterEntries(SmallManifest())));
  ASSERT_TRUE(loaded.character) << loaded.error.toStdString();
  const auto& mouths = loaded.character->mouth_frames;
  EXPECT_EQ(mouths[kMouthRest], 0);
  EXPECT_EQ(mouths[kMouthOpen], 4);
  EXPECT_EQ(mouths[kMouthRound], 5);
  EXPECT_EQ(mouths[kMouthTongue], -1);
  EXPECT_EQ(mouths[kMouthClosed], -1);
}

TEST(CharacterFile, PlacesTheBalloonAnchorTopCentreWhenTheManifestGivesNone) {
  QJsonObject manifest = SmallManifest();
  manifest.remove("balloonAnchor");
  const Loaded loaded = LoadBytes(ZipOf(SmallCharacterEntries(manifest)));
  ASSERT_TRUE(loaded.character) << loaded.error.toStdString();
  EXPECT_EQ(loaded.character->balloon_anchor, QPoint(4, 0));
}

// A manifest spoiled in one way, and a word its reason must contain.
TEST(CharacterFile, TakesImagesOfThePixelRatioTimesTheFrameSize) {
  QJsonObject manifest = SmallManifest();
  manifest["frameSize"] = QJsonObject{{"width", 4}, {"height", 3}};
  manifest["pixelRatio"] = 2;
  const Loaded loaded = LoadBytes(ZipOf(SmallCharacterEntries(manifest)));
  ASSERT_TRUE(loaded.character) << loaded.error.toStdString();
  EXPECT_EQ(loaded.character->pixel_ratio, 2);
  EXPECT_EQ(loaded.character->frames.at(5).pixel(7, 5), SheetColor(4).rgb());
}

struct BadManifest {
  const char* what;
  std::function<void(QJsonObject&)> spoil;
  const char* reason;
};

void PrintTo(const BadManifest& bad, std::ostream* out) { *out << bad.what; }

class CharacterFileBadManifest : public ::testing::TestWithParam<BadManifest> {};

TEST_P(CharacterFileBadManifest, IsRefusedWithAReason) {
  QJsonObject manifest = SmallManifest();
  GetParam().spoil(manifest);
  const Loaded loaded = LoadBytes(ZipOf(SmallCharacterEntries(manifest)));
  EXPECT_FALSE(loaded.character);
  EXPECT_TRUE(loaded.error.contains(QString::fromUtf8(GetParam().reason)))
      << Str(loaded.error.toUtf8());
}

void SetAnimationStep(QJsonObject& manifest, const QJsonObject& step) {
  manifest["animations"] = QJsonObject{{"idle", QJsonObject{{"steps", QJsonArray{step}}}}};
}

QJsonObject Sheet(int columns, int rows) {
  return QJsonObject{{"sheet", "sheet.png"}, {"columns", columns}, {"rows", rows}};
}

const BadManifest kBadManifests[] = {
    {"unknown format", [](QJsonObject& m) { m["format"] = 2; }, "format"},
    {"no name", [](QJsonObject& m) { m.remove("name"); }, "name"},
    {"voice with a space", [](QJsonObject& m) { m["voice"] = "de de"; }, "voice"},
    {"language 8", [](QJsonObject& m) { m["language"] = 8; }, "language"},
    {"frame too wide",
     [](QJsonObject& m) {
       m["frameSize"] = QJsonObject{{"width", 1025}, {"height", 6}};
     },
     "width"},
    {"fractional frame height",
     [](QJsonObject& m) {
       m["frameSize"] = QJsonObject{{"width", 8}, {"height", 6.5}};
     },
     "height"},
    {"frame index out of range",
     [](QJsonObject& m) {
       SetAnimationStep(m, {{"frame", 6}});
     },
     "frame"},
    {"negative frame index",
     [](QJsonObject& m) {
       SetAnimationStep(m, {{"frame", -1}});
     },
     "frame"},
    {"frame index beyond any integer",
     [](QJsonObject& m) {
       SetAnimationStep(m, {{"frame", 1e300}});
     },
     "frame"},
    {"negative duration",
     [](QJsonObject& m) {
       SetAnimationStep(m, {{"frame", 0}, {"duration", -5}});
     },
     "duration"},
    {"end frame out of range",
     [](QJsonObject& m) {
       m["animations"] = QJsonObject{
           {"idle", QJsonObject{{"steps", QJsonArray{QJsonObject{{"frame", 0}}}}, {"end", 6}}}};
     },
     "end"},
    {"animation without steps",
     [](QJsonObject& m) {
       m["animations"] = QJsonObject{{"idle", QJsonObject{}}};
     },
     "steps"},
    {"animation named twice",
     [](QJsonObject& m) {
       const QJsonObject idle{{"steps", QJsonArray{QJsonObject{{"frame", 0}}}}};
       m["animations"] = QJsonObject{{"Idle", idle}, {"IDLE", idle}};
     },
     "twice"},
    {"unknown mouth name",
     [](QJsonObject& m) {
       m["mouths"] = QJsonObject{{"smile", 0}};
     },
     "smile"},
    {"mouth frame out of range",
     [](QJsonObject& m) {
       m["mouths"] = QJsonObject{{"open", 6}};
     },
     "open"},
    {"too many frames in a sheet", [](QJsonObject& m) { m["frames"] = QJsonArray{Sheet(40, 40)}; },
     "more than 1024 frames"},
    {"too many single frames",
     [](QJsonObject& m) {
       QJsonArray frames;
       for (int i = 0; i < 257; ++i) frames.append("one.png");
       m["frames"] = frames;
     },
     "frames"},
    {"sheet larger than allowed",
     [](QJsonObject& m) {
       m["frameSize"] = QJsonObject{{"width", 1000}, {"height", 6}};
       m["frames"] = QJsonArray{Sheet(9, 1)};
     },
     "8192"},
    {"pixel ratio beyond 4", [](QJsonObject& m) { m["pixelRatio"] = 5; }, "pixelRatio"},
    {"sheet smaller than its grid", [](QJsonObject& m) { m["frames"] = QJsonArray{Sheet(4, 2)}; },
     "at least"},
    {"single frame of another size",
     [](QJsonObject& m) {
       m["frameSize"] = QJsonObject{{"width", 9}, {"height", 6}};
     },
     "exactly"},
    {"image missing from the archive",
     [](QJsonObject& m) {
       QJsonArray frames = m["frames"].toArray();
       frames.append("two.png");
       m["frames"] = frames;
     },
     "two.png is missing"},
    {"frames that are not a list", [](QJsonObject& m) { m["frames"] = "one.png"; }, "frames"},
    {"balloon anchor outside the frame",
     [](QJsonObject& m) {
       m["balloonAnchor"] = QJsonObject{{"x", 9}, {"y", 0}};
     },
     "x"},
};

INSTANTIATE_TEST_SUITE_P(EachFault, CharacterFileBadManifest, ::testing::ValuesIn(kBadManifests));

// The small character's archive with `entry` replaced.
QByteArray WithEntry(const std::string& name, const QByteArray& data) {
  auto entries = SmallCharacterEntries(SmallManifest());
  for (auto& entry : entries) {
    if (entry.first == name) entry.second = data;
  }
  return ZipOf(entries);
}

void ExpectRefused(const QByteArray& bytes, const char* reason) {
  const Loaded loaded = LoadBytes(bytes);
  EXPECT_FALSE(loaded.character);
  EXPECT_TRUE(loaded.error.contains(QString::fromUtf8(reason))) << Str(loaded.error.toUtf8());
}

TEST(CharacterFileBadArchive, FileThatIsNoZipIsRefusedAsForeign) {
  ExpectRefused(testing::SolidPng(QSize(8, 6), Qt::red), "not a character file");
  ExpectRefused("name=Parlotto\nvoice=de\n", "not a character file");
  ExpectRefused(QByteArray(), "not a character file");
}

TEST(CharacterFileBadArchive, TruncatedOrDamagedZipIsRefused) {
  const QByteArray good = ZipOf(SmallCharacterEntries(SmallManifest()));
  for (const qsizetype keep : {good.size() - 1, good.size() / 2, qsizetype{30}}) {
    const Loaded loaded = LoadBytes(good.left(keep));
    EXPECT_FALSE(loaded.character) << "kept " << keep;
    EXPECT_TRUE(loaded.error.contains("damaged")) << Str(loaded.error.toUtf8());
  }
  // Flipped bits inside the deflated sheet: its checksum no longer matches.
  QByteArray damaged = good;
  const qsizetype header = damaged.lastIndexOf("PK\3\4");  // the sheet, the last entry
  const auto u16 = [&](qsizetype at) {
    return static_cast<quint8>(damaged[at]) | static_cast<quint8>(damaged[at + 1]) << 8;
  };
  const qsizetype data = header + 30 + u16(header + 26) + u16(header + 28);
  const qsizetype end = damaged.indexOf("PK\1\2");
  for (qsizetype i = data + (end - data) / 3; i < data + (end - data) / 2; ++i) {
    damaged[i] = static_cast<char>(damaged[i] ^ 0x55);
  }
  ExpectRefused(damaged, "sheet.png");
}

TEST(CharacterFileBadArchive, ArchiveWithoutManifestIsRefused) {
  ExpectRefused(ZipOf({{"one.png", testing::SolidPng(QSize(8, 6), Qt::red)}}),
                "manifest.json is missing");
}

TEST(CharacterFileBadArchive, ManifestThatIsNoJsonObjectIsRefused) {
  ExpectRefused(WithEntry("manifest.json", "{\"format\": 1,"), "not valid JSON");
  ExpectRefused(WithEntry("manifest.json", "[1, 2]"), "not an object");
  ExpectRefused(WithEntry("manifest.json", QByteArray(300 << 10, ' ')), "larger than");
}

TEST(CharacterFileBadArchive, EntryThatInflatesBeyondItsLimitIsRefused) {
  // 64 MiB of zeros deflate to about 64 KiB.
  const QByteArray bomb(64 << 20, '\0');
  ExpectRefused(WithEntry("sheet.png", bomb), "sheet.png is larger than");
  // The same entry whose headers claim a kilobyte: the loader reads no more
  // than its limit either way.
  QByteArray lying = WithEntry("sheet.png", bomb);
  testing::ForgeUncompressedSize(&lying, "sheet.png", 1024);
  const Loaded loaded = LoadBytes(lying);
  EXPECT_FALSE(loaded.character);
  EXPECT_FALSE(loaded.error.isEmpty());
}

// A PNG whose header claims `width` × `height` with a matching checksum but
// only a few pixels of data.
QByteArray PngClaimingSize(quint32 width, quint32 height) {
  QByteArray png = testing::SolidPng(QSize(8, 6), Qt::red);
  // Signature (8), chunk length (4), "IHDR" (4), width, height.
  const qsizetype ihdr = 12;
  for (const auto& [offset, value] : {std::pair{ihdr + 4, width}, std::pair{ihdr + 8, height}}) {
    for (int byte = 0; byte < 4; ++byte) {
      png[offset + byte] = static_cast<char>(value >> (24 - 8 * byte));
    }
  }
  // The chunk's CRC-32 over type and data (13 bytes), big endian.
  quint32 crc = 0xFFFFFFFFu;
  for (qsizetype i = ihdr; i < ihdr + 4 + 13; ++i) {
    crc ^= static_cast<quint8>(png[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xFFFFFFFFu;
  for (int byte = 0; byte < 4; ++byte) {
    png[ihdr + 17 + byte] = static_cast<char>(crc >> (24 - 8 * byte));
  }
  return png;
}

TEST(CharacterFileBadArchive, ImageWhoseHeaderClaimsAHugeSizeIsRefusedBeforeDecoding) {
  ExpectRefused(WithEntry("one.png", PngClaimingSize(30000, 30000)), "30000×30000");
  // A sheet may be larger than its grid, but not beyond the side limit.
  ExpectRefused(WithEntry("sheet.png", PngClaimingSize(9000, 100)), "9000×100");
}

TEST(CharacterFileBadArchive, ImageThatIsNoPngIsRefused) {
  ExpectRefused(WithEntry("one.png", "GIF89a not really"), "one.png is not a PNG");
  QByteArray cut = testing::SolidPng(QSize(8, 6), Qt::red);
  cut.chop(cut.size() - 40);
  ExpectRefused(WithEntry("one.png", cut), "one.png");
}

TEST(CharacterFileBadArchive, ArchiveWithTooManyEntriesIsRefused) {
  std::vector<std::pair<std::string, QByteArray>> entries = SmallCharacterEntries(SmallManifest());
  for (int i = 0; i < character_limits::kMaxEntries; ++i) {
    entries.emplace_back("padding/" + std::to_string(i), QByteArray("x"));
  }
  ExpectRefused(ZipOf(entries), "entries");
}

TEST(CharacterFileBadArchive, FileLargerThanTheLimitOrNoFileIsRefused) {
  ExpectRefused(QByteArray(character_limits::kMaxFileBytes + 1, 'P'), "larger than");
  ScratchDir dir;
  QString error;
  EXPECT_FALSE(LoadCharacterFile(QString::fromStdString(dir.path().string()), &error));
  EXPECT_TRUE(error.contains("not a file")) << Str(error.toUtf8());
  EXPECT_FALSE(LoadCharacterFile(QString::fromStdString(dir.File("absent.acz")), &error));
  EXPECT_TRUE(error.contains("not a file")) << Str(error.toUtf8());
}

// The default character as the build draws it.
class DefaultCharacter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    QString error;
    character_ = LoadCharacterFile(PARLOTTO_BUILD_DIR "/system/agent/chars/parlotto.acz", &error);
    ASSERT_TRUE(character_) << Str(error.toUtf8());
  }
  static void TearDownTestSuite() { character_.reset(); }
  static const Character& character() { return *character_; }

  static inline std::optional<Character> character_;
};

bool IsBlank(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return false;
    }
  }
  return true;
}

TEST_F(DefaultCharacter, HasEveryAnimationTheProgramPlays) {
  ASSERT_TRUE(character_);
  for (const char* name : {"show", "hide", "read", "readcontinued", "readreturn", "idle"}) {
    ASSERT_TRUE(character().animations.contains(name)) << name;
    EXPECT_FALSE(character().animations.at(name).steps.empty()) << name;
  }
  EXPECT_EQ(character().name, "Parlotto");
  EXPECT_EQ(character().language, 7);
  EXPECT_GE(character().frame_size.width(), 128);
  EXPECT_LE(character().frame_size.height(), 160);
}

TEST_F(DefaultCharacter, ShowEndsVisibleAndHideEndsOnNothing) {
  ASSERT_TRUE(character_);
  const Animation& show = character().animations.at("show");
  const Animation& hide = character().animations.at("hide");
  EXPECT_FALSE(IsBlank(character().frames.at(static_cast<std::size_t>(show.end_frame))));
  EXPECT_FALSE(IsBlank(character().frames.at(static_cast<std::size_t>(show.steps.back().frame))));
  EXPECT_TRUE(IsBlank(character().frames.at(static_cast<std::size_t>(hide.end_frame))));
}

TEST_F(DefaultCharacter, IdleIsACalmLoopOfAFewSeconds) {
  ASSERT_TRUE(character_);
  const Animation& idle = character().animations.at("idle");
  int total_ms = 0;
  std::set<int> frames;
  for (const AnimationStep& step : idle.steps) {
    total_ms += step.duration_ms;
    frames.insert(step.frame);
  }
  EXPECT_GE(total_ms, 2000);
  EXPECT_LE(total_ms, 10000);
  EXPECT_GE(frames.size(), 4u);  // breathing and blinking, not one still picture
}

TEST_F(DefaultCharacter, ShowsMostMouthShapesWithAMouthOfTheirOwn) {
  ASSERT_TRUE(character_);
  std::vector<QImage> mouths;
  for (const int frame : character().mouth_frames) {
    ASSERT_GE(frame, 0);
    const QImage& image = character().frames.at(static_cast<std::size_t>(frame));
    const bool seen = std::any_of(mouths.begin(), mouths.end(),
                                  [&](const QImage& other) { return other == image; });
    if (!seen) mouths.push_back(image);
  }
  EXPECT_GE(mouths.size(), 6u);
  // The rest shape is the figure's resting face, not a speaking one.
  const Animation& show = character().animations.at("show");
  EXPECT_EQ(character().mouth_frames[kMouthRest], show.end_frame);
}

}  // namespace
}  // namespace parlotto::agent
