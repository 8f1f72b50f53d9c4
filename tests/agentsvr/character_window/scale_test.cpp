#include <gtest/gtest.h>

#include "agentsvr/character_window/display.h"
#include "agentsvr/character_window/scaled_character.h"

namespace parlotto::agent {
namespace {

struct ScaleCase {
  const char* what;
  ScaleSources sources;
  qreal scale;
};

void PrintTo(const ScaleCase& c, std::ostream* out) { *out << c.what; }

class DisplayScaleFrom : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DisplayScaleFrom, TakesTheFirstSourceThatHoldsANumber) {
  EXPECT_EQ(ScaleFrom(GetParam().sources), GetParam().scale);
}

const ScaleCase kScaleCases[] = {
    {"nothing set", {{}, {}, 96}, 1},
    {"Xft.dpi 120", {{}, {}, 120}, 1.25},
    {"Xft.dpi 144", {{}, {}, 144}, 1.5},
    {"Xft.dpi 192", {{}, {}, 192}, 2},
    {"Xft.dpi between steps", {{}, {}, 110}, 1.25},
    {"GDK_SCALE before Xft.dpi", {{}, "2", 96}, 2},
    {"QT_SCALE_FACTOR before GDK_SCALE", {"1.5", "2", 192}, 1.5},
    {"a word is no number", {"groß", "zwei", 144}, 1.5},
    {"below 1", {"0.5", {}, 96}, 1},
    {"beyond 4", {{}, {}, 960}, 4},
    {"not a number", {"nan", {}, 96}, 1},
};

INSTANTIATE_TEST_SUITE_P(EachSource, DisplayScaleFrom, ::testing::ValuesIn(kScaleCases));

Character TwoFrames() {
  Character character;
  character.frame_size = QSize(4, 3);
  character.pixel_ratio = 2;
  character.balloon_anchor = QPoint(3, 1);
  QImage frame(8, 6, QImage::Format_ARGB32_Premultiplied);
  frame.fill(Qt::transparent);
  frame.setPixel(7, 5, qRgb(200, 30, 30));
  character.frames = {frame, frame};
  return character;
}

TEST(AtScale, ShowsArtOfTheScreensDensityPixelForPixel) {
  const Character original = TwoFrames();
  const Character scaled = AtScale(original, 2);
  EXPECT_EQ(scaled.frame_size, QSize(8, 6));
  EXPECT_EQ(scaled.balloon_anchor, QPoint(6, 2));
  EXPECT_EQ(scaled.frames[1], original.frames[1]);
}

TEST(AtScale, ResamplesArtOfAnotherDensityToTheScaledFrameSize) {
  const Character scaled = AtScale(TwoFrames(), 1.5);
  EXPECT_EQ(scaled.frame_size, QSize(6, 5));
  EXPECT_EQ(scaled.balloon_anchor, QPoint(5, 2));
  EXPECT_EQ(scaled.pixel_ratio, 1);
  for (const QImage& frame : scaled.frames) {
    EXPECT_EQ(frame.size(), QSize(6, 5));
    EXPECT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_GT(qAlpha(frame.pixel(5, 4)), 0) << "the corner's red survives";
  }
}

}  // namespace
}  // namespace parlotto::agent
