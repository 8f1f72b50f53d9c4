// Colours as the label's properties and its markup carry them: 0x00BBGGRR
// for an RGB colour, 0x80000000 plus an index for a system colour, and
// clNone for "no colour".
#pragma once

#include <QColor>
#include <QPalette>
#include <QStringView>
#include <cstdint>

namespace parlotto {

using TColor = std::uint32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clSystemColor = 0x80000000;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clMaroon = 0x00000080;
constexpr TColor clGreen = 0x00008000;
constexpr TColor clOlive = 0x00008080;
constexpr TColor clNavy = 0x00800000;
constexpr TColor clPurple = 0x00800080;
constexpr TColor clTeal = 0x00808000;
constexpr TColor clGray = 0x00808080;
constexpr TColor clSilver = 0x00C0C0C0;
constexpr TColor clRed = 0x000000FF;
constexpr TColor clLime = 0x0000FF00;
constexpr TColor clYellow = 0x0000FFFF;
constexpr TColor clBlue = 0x00FF0000;
constexpr TColor clFuchsia = 0x00FF00FF;
constexpr TColor clAqua = 0x00FFFF00;
constexpr TColor clWhite = 0x00FFFFFF;

constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clBtnHighlight = clSystemColor | 20;

constexpr TColor RGBToColor(int red, int green, int blue) {
  return static_cast<TColor>((blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF));
}

// A colour attribute of the markup: "#RRGGBB" or a name of the colour table
// (without regard to case). Anything else is black.
TColor ColorFromMarkup(QStringView value);

// The colour to paint with: invalid for clNone, system colours taken from
// `palette`, which is how the desktop's colour scheme reaches the label.
QColor ToQColor(TColor color, const QPalette& palette);

}  // namespace parlotto
