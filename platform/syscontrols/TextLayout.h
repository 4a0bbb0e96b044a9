// The layout the text services ask for: one stretch of a paragraph (no line
// breaks in it) shaped in a font, on one line or wrapped at a width. The
// editing core (TextServices) keeps the text, the selection, the histories
// and the scrolling; a layout answers where things are and draws them.
//
// Positions are UTF-16 units of the shaped text; coordinates are pixels from
// the layout's top left. Each system has one implementation of ShapeText:
// Pango on Linux (platform/syscontrols/TextLayoutPango.cpp), the gfx group's
// GDI text functions on Windows (platform/syscontrols/win32/).
//
// The text given is what is shown (a masked text arrives already masked).
// A layout never holds a position inside a surrogate pair: the pair's second
// unit is never a cursor position nor a word boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/base/Types.h"

namespace os {

class Canvas;
class Font;

enum class TxAlign { Left, Center, Right };

struct TextShape {
  int wrapWidth = 0;              // 0: one line, never wrapped
  TxAlign align = TxAlign::Left;  // of the lines within wrapWidth
  // Units drawn underlined besides the font's own underline (a composition).
  int underlineFrom = 0;
  int underlineTo = 0;
};

// What stands at a unit (and at the end of the text).
struct TextBoundary {
  bool cursor = false;     // the caret may stop before this unit
  bool wordStart = false;  // a word begins here
  bool wordEnd = false;    // a word ended just before
};

// One line of a layout: units [start, end) and whether more lines follow.
struct TextLine {
  int start = 0;
  int end = 0;
  bool last = true;
};

class TextLayout {
 public:
  virtual ~TextLayout() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The caret before a unit: x, top and bottom (a zero height: the core's
  // line height).
  virtual RECT CursorAt(int unit) const = 0;
  // The unit a point falls on; *trailing: in its second half.
  virtual int HitTest(POINT point, bool* trailing) const = 0;
  // The line holding a unit (at a wrap, the line it starts).
  virtual TextLine LineAt(int unit) const = 0;
  // Per unit, plus one for the end.
  virtual std::vector<TextBoundary> Boundaries() const = 0;
  // The boxes covering units [from, to) on each line.
  virtual std::vector<RECT> RangeBoxes(int from, int to) const = 0;
  virtual void Draw(Canvas& canvas, POINT at, std::uint32_t argb) const = 0;
};

std::unique_ptr<TextLayout> ShapeText(const Font& font, std::u16string_view shown, const TextShape& shape);
// The height of a line of the font, empty or not.
int TextLineHeight(const Font& font);

}  // namespace os
