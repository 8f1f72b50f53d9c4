// What the markup has switched on so far. It carries over from one line to
// the next; each line is laid out twice (measured, then drawn) from the same
// starting state.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace parlotto {

enum class HAlign { kLeft, kCenter, kRight };

struct RenderState {
  QFont font;
  QColor text_color;
  QColor background;  // behind text; invalid: none
  QColor font_saved_background;
  QColor highlight_saved_text;
  QColor highlight_saved_background;
  QColor anchor_saved_background;
  bool anchor_underlined = false;  // "<A" switched underline on

  HAlign align = HAlign::kLeft;
  int indent = 0;
  QColor paragraph_background;

  bool marked = false;
  bool shadow = false;
  bool hidden = false;
  bool subscript = false;
  bool superscript = false;
  int rotation = 0;  // degrees, counter-clockwise
  int list_level = 0;

  int anchor_number = 0;  // anchors met so far
  bool in_anchor = false;
  QString anchor_value;
  int image_number = 0;  // images met so far
};

}  // namespace parlotto
