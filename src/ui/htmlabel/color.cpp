#include "ui/htmlabel/color.h"

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

// The window-system colour index of the old colour scheme, mapped onto the
// roles of the application palette.
QColor SystemColor(int index, const QPalette& palette) {
  switch (index) {
    case 0: return palette.color(QPalette::Button);                       // scroll bar
    case 1: return palette.color(QPalette::Window);                       // desktop
    case 2: return palette.color(QPalette::Active, QPalette::Highlight);  // active caption
    case 3: return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 4: return palette.color(QPalette::Window);                       // menu
    case 5: return palette.color(QPalette::Base);                         // window
    case 6: return palette.color(QPalette::Shadow);                       // window frame
    case 7: return palette.color(QPalette::WindowText);                   // menu text
    case 8: return palette.color(QPalette::Text);                         // window text
    case 9: return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 10:
    case 11: return palette.color(QPalette::Window);                      // borders
    case 12: return palette.color(QPalette::Dark);                        // app workspace
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);
    case 16: return palette.color(QPalette::Dark);
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: return palette.color(QPalette::ButtonText);
    case 19: return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: return palette.color(QPalette::Light);
    case 21: return palette.color(QPalette::Shadow);
    case 22: return palette.color(QPalette::Midlight);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return QColor(Qt::black);
  }
}

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
  if (color & clSystemColor) return SystemColor(static_cast<int>(color & 0xFF), palette);
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace parlotto
