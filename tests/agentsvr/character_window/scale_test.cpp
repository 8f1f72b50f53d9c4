#include <gtest/gtest.h>

#include "agentsvr/character_window/display.h"
#include "agentsvr/character_window/scaled_character.h"

namespace parlotto::agent {
namespace {

struct ScaleCase {
  ScaleSources sources;
  qreal scale;
};

class DisplayScaleFrom : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DisplayScaleFrom, TakesTheFirstSourceThatHoldsANumberInQuarterSteps) {
  EXPECT_EQ(ScaleFrom(GetParam().sources), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(
    EachSource, DisplayScaleFrom,
    ::testing::Values(ScaleCase{{{}, {}, 96}, 1}, ScaleCase{{{}, {}, 110}, 1.25},
                      ScaleCase{{{}, "2", 96}, 2}, ScaleCase{{"1.5", "2", 192}, 1.5},
                      ScaleCase{{"groß", "zwei", 144}, 1.5}, ScaleCase{{"0.5", {}, 96}, 1},
                      ScaleCase{{"nan", {}, 960}, 4}));

TEST(AtScale, ResamplesFramesAndAnchorToTheScaledFrameSize) {
  Character character;
  character.frame_size = QSize(4, 3);
  character.pixel_ratio = 2;
  character.balloon_anchor = QPoint(3, 1);
  QImage frame(8, 6, QImage::Format_ARGB32_Premultiplied);
  frame.fill(qRgb(200, 30, 30));
  character.frames = {frame};
  const Character scaled = AtScale(character, 1.5);
  EXPECT_EQ(scaled.frame_size, QSize(6, 5));
  EXPECT_EQ(scaled.balloon_anchor, QPoint(5, 2));
  EXPECT_EQ(scaled.frames[0].size(), QSize(6, 5));
  EXPECT_EQ(scaled.frames[0].pixel(5, 4), qRgb(200, 30, 30));
}

}  // namespace
}  // namespace parlotto::agent
