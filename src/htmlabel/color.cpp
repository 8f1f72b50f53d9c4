#include "htmlabel/color.h"

#include <array>

namespace parlotto {
namespace {

struct NamedColor {
  const char* name;
  TColor color;
};

constexpr std::array<NamedColor, 40> kNamedColors = {{
    {"clred", clRed},
    {"clblack", clBlack},
    {"clblue", clBlue},
    {"clgreen", clGreen},
    {"claqua", clAqua},
    {"clyellow", clYellow},
    {"clfuchsia", clFuchsia},
    {"clwhite", clWhite},
    {"cllime", clLime},
    {"clsilver", clSilver},
    {"clgray", clGray},
    {"clolive", clOlive},
    {"clnavy", clNavy},
    {"clpurple", clPurple},
    {"clteal", clTeal},
    {"clmaroon", clMaroon},
    {"clbackground", clSystemColor | 1},
    {"clactivecaption", clSystemColor | 2},
    {"clinactivecaption", clSystemColor | 3},
    {"clmenu", clSystemColor | 4},
    {"clwindow", clSystemColor | 5},
    {"clwindowframe", clSystemColor | 6},
    {"clmenutext", clSystemColor | 7},
    {"clwindowtext", clSystemColor | 8},
    {"clcaptiontext", clSystemColor | 9},
    {"clactiveborder", clSystemColor | 10},
    {"clinactiveborder", clSystemColor | 11},
    {"clappworkspace", clSystemColor | 12},
    {"clhighlight", clSystemColor | 13},
    {"clhighlighttext", clSystemColor | 14},
    {"clbtnface", clSystemColor | 15},
    {"clbtnshadow", clSystemColor | 16},
    {"clgraytext", clSystemColor | 17},
    {"clbtntext", clSystemColor | 18},
    {"clinactivecaptiontext", clSystemColor | 19},
    {"clbtnhighlight", clSystemColor | 20},
    {"cl3ddkshadow", clSystemColor | 21},
    {"cl3dlight", clSystemColor | 22},
    {"clinfotext", clSystemColor | 23},
    {"clinfobk", clSystemColor | 24},
}};

int HexDigit(QChar c) {
  char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

struct PaletteColor {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The window system's colour indexes 0 to 24 (scroll bar, desktop, active
// caption, ... info background) as roles of the application palette.
constexpr std::array<PaletteColor, 25> kSystemColors = {{
    {QPalette::Active, QPalette::Button},             // scroll bar
    {QPalette::Active, QPalette::Window},             // desktop
    {QPalette::Active, QPalette::Highlight},          // active caption
    {QPalette::Inactive, QPalette::Highlight},        // inactive caption
    {QPalette::Active, QPalette::Window},             // menu
    {QPalette::Active, QPalette::Base},               // window
    {QPalette::Active, QPalette::Shadow},             // window frame
    {QPalette::Active, QPalette::WindowText},         // menu text
    {QPalette::Active, QPalette::Text},               // window text
    {QPalette::Active, QPalette::HighlightedText},    // caption text
    {QPalette::Active, QPalette::Window},             // active border
    {QPalette::Active, QPalette::Window},             // inactive border
    {QPalette::Active, QPalette::Dark},               // application workspace
    {QPalette::Active, QPalette::Highlight},          // highlight
    {QPalette::Active, QPalette::HighlightedText},    // highlight text
    {QPalette::Active, QPalette::Button},             // button face
    {QPalette::Active, QPalette::Dark},               // button shadow
    {QPalette::Disabled, QPalette::Text},             // grey text
    {QPalette::Active, QPalette::ButtonText},         // button text
    {QPalette::Inactive, QPalette::HighlightedText},  // inactive caption text
    {QPalette::Active, QPalette::Light},              // button highlight
    {QPalette::Active, QPalette::Shadow},             // 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},           // 3-D light
    {QPalette::Active, QPalette::ToolTipText},        // info text
    {QPalette::Active, QPalette::ToolTipBase},        // info background
}};

}  // namespace

TColor ColorFromMarkup(QStringView value) {
  if (value.startsWith(u'#')) {
    if (value.size() < 7) return clBlack;
    int digits[6];
    for (int i = 0; i < 6; ++i) {
      digits[i] = HexDigit(value[i + 1]);
      if (digits[i] < 0) return clBlack;
    }
    return RGBToColor(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3],
                      digits[4] * 16 + digits[5]);
  }
  for (const NamedColor& named : kNamedColors) {
    if (value.compare(QLatin1StringView(named.name), Qt::CaseInsensitive) == 0) return named.color;
  }
  return clBlack;
}

QColor ToQColor(TColor color, const QPalette& palette) {
  if (color == clNone) return QColor();
  if (color & clSystemColor) {
    std::size_t index = color & 0xFF;
    if (index >= kSystemColors.size()) return QColor(Qt::black);
    return palette.color(kSystemColors[index].group, kSystemColors[index].role);
  }
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace parlotto
