// The text services' layout on Windows: GDI measures the text (the partial
// extents of the font in use) and draws it a line at a time with DrawText;
// where the caret stops, the words and the line breaks follow the plain
// rules of TextBreaks.h, since GDI finds no boundaries of its own.
//
// A layout keeps a pointer to the host's font: the text services shape
// again whenever the host's font changes, so a layout never outlives it.
#include <algorithm>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/syscontrols/TextBreaks.h"
#include "platform/syscontrols/TextLayout.h"

namespace os {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x3000; }

// Where each unit ends on one line. GDI measures and draws a tab as a glyph
// of the font; here a tab reaches the next stop, every eight average
// characters, and the runs between tabs are measured (and drawn) apart.
std::vector<int> Extents(const Font& font, std::u16string_view text) {
  std::vector<int> out(text.size(), 0);
  const int stop = std::max(1, 8 * static_cast<int>(font.Metrics().aveCharWidth));
  int x = 0;
  std::size_t run = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\t') continue;
    if (i > run) {
      const std::vector<int> part = TextPartialExtents(font, text.substr(run, i - run));
      for (std::size_t k = 0; k < part.size() && run + k < i; ++k) out[run + k] = x + part[k];
      x = out[i - 1];
    }
    if (i < text.size()) {
      x = (x / stop + 1) * stop;
      out[i] = x;
    }
    run = i + 1;
  }
  return out;
}

class GdiTextLayout final : public TextLayout {
 public:
  GdiTextLayout(const Font& font, std::u16string_view shown, const TextShape& shape)
      : font_(&font), text_(shown), lineHeight_(TextLineHeight(font)) {
    const std::vector<int> extents = Extents(font, text_);
    x_.assign(text_.size() + 1, 0);
    for (std::size_t i = 1; i <= text_.size() && i <= extents.size(); ++i) x_[i] = extents[i - 1];
    lines_ = WrapLines(text_, extents, shape.wrapWidth);
    for (const TextLine& line : lines_) {
      const int full = x_[static_cast<std::size_t>(line.end)] - x_[static_cast<std::size_t>(line.start)];
      int inkEnd = line.end;
      while (inkEnd > line.start && IsBlank(text_[static_cast<std::size_t>(inkEnd - 1)])) --inkEnd;
      const int inked = x_[static_cast<std::size_t>(inkEnd)] - x_[static_cast<std::size_t>(line.start)];
      int left = 0;
      if (shape.wrapWidth > 0 && inked < shape.wrapWidth) {
        if (shape.align == TxAlign::Center) left = (shape.wrapWidth - inked) / 2;
        if (shape.align == TxAlign::Right) left = shape.wrapWidth - inked;
      }
      lineLeft_.push_back(left);
      width_ = std::max(width_, left + full);
    }
    underlineFrom_ = std::clamp(shape.underlineFrom, 0, Length());
    underlineTo_ = std::clamp(shape.underlineTo, 0, Length());
  }

  int Width() const override { return width_; }
  int Height() const override { return lineHeight_ * static_cast<int>(lines_.size()); }

  RECT CursorAt(int unit) const override {
    unit = std::clamp(unit, 0, Length());
    const std::size_t i = LineIndex(unit);
    const int x = XInLine(i, unit);
    const int y = static_cast<int>(i) * lineHeight_;
    return RECT{x, y, x + 1, y + lineHeight_};
  }

  int HitTest(POINT point, bool* trailing) const override {
    *trailing = false;
    const int count = static_cast<int>(lines_.size());
    const std::size_t i =
        static_cast<std::size_t>(std::clamp(static_cast<int>(point.y) / lineHeight_, 0, count - 1));
    const TextLine& line = lines_[i];
    if (line.start == line.end) return line.start;
    const int px = point.x - lineLeft_[i] + x_[static_cast<std::size_t>(line.start)];
    if (px < x_[static_cast<std::size_t>(line.start)]) return line.start;
    if (px >= x_[static_cast<std::size_t>(line.end)]) {
      // Past a wrapped line's end: before its last character (the blank it
      // broke at); past the last line's: after its last character.
      *trailing = line.last;
      return StartOf(line.end - 1);
    }
    // The character whose extent holds px (zero-width ones hold nothing).
    const auto first = x_.begin() + line.start;
    const auto last = x_.begin() + line.end + 1;
    const int after = static_cast<int>(std::upper_bound(first, last, px) - x_.begin());
    const int c = StartOf(after - 1);
    const int next = NextOf(c);
    *trailing = 2 * px >= x_[static_cast<std::size_t>(c)] + x_[static_cast<std::size_t>(next)];
    return c;
  }

  TextLine LineAt(int unit) const override { return lines_[LineIndex(std::clamp(unit, 0, Length()))]; }

  std::vector<TextBoundary> Boundaries() const override { return SimpleBoundaries(text_); }

  std::vector<RECT> RangeBoxes(int from, int to) const override {
    std::vector<RECT> boxes;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const int a = std::max(from, lines_[i].start);
      const int b = std::min(to, lines_[i].end);
      // An empty range shows where it stands (a selected break at the end).
      const bool mark = from == to && LineIndex(std::clamp(from, 0, Length())) == i;
      if (a > b || (a == b && !mark)) continue;
      const int top = static_cast<int>(i) * lineHeight_;
      boxes.push_back(RECT{XInLine(i, a), top, XInLine(i, b), top + lineHeight_});
    }
    return boxes;
  }

  void Draw(Canvas& canvas, POINT at, std::uint32_t argb) const override {
    constexpr UINT kFormat = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_LEFT | DT_TOP;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const TextLine& line = lines_[i];
      const int top = at.y + static_cast<int>(i) * lineHeight_;
      // The runs between tabs, each where its measure put it.
      for (int a = line.start; a < line.end;) {
        int b = a;
        while (b < line.end && text_[static_cast<std::size_t>(b)] != u'\t') ++b;
        if (b > a) {
          RECT box{at.x + XInLine(i, a), top, at.x + XInLine(i, b) + lineHeight_, top + lineHeight_};
          const std::u16string_view run =
              std::u16string_view(text_).substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
          DrawText(&canvas, *font_, run, box, kFormat, argb);
        }
        a = b + 1;
      }
      // The text under composition: a line under it, in the text's colour.
      const int a = std::max(underlineFrom_, line.start);
      const int b = std::min(underlineTo_, line.end);
      if (a < b) {
        canvas.FillRect(
            RECT{at.x + XInLine(i, a), top + lineHeight_ - 1, at.x + XInLine(i, b), top + lineHeight_}, argb);
      }
    }
  }

 private:
  int Length() const { return static_cast<int>(text_.size()); }
  // The last line starting at or before the unit.
  std::size_t LineIndex(int unit) const {
    const auto it = std::upper_bound(lines_.begin(), lines_.end(), unit,
                                     [](int u, const TextLine& line) { return u < line.start; });
    return it == lines_.begin() ? 0 : static_cast<std::size_t>(it - lines_.begin() - 1);
  }
  int XInLine(std::size_t line, int unit) const {
    return lineLeft_[line] + x_[static_cast<std::size_t>(unit)] -
           x_[static_cast<std::size_t>(lines_[line].start)];
  }
  // The start of the code point holding a unit, and of the one after it.
  int StartOf(int unit) const {
    if (unit > 0 && IsLow(text_[static_cast<std::size_t>(unit)]) &&
        IsHigh(text_[static_cast<std::size_t>(unit - 1)]))
      return unit - 1;
    return std::max(0, unit);
  }
  int NextOf(int unit) const {
    if (unit + 1 < Length() && IsHigh(text_[static_cast<std::size_t>(unit)]) &&
        IsLow(text_[static_cast<std::size_t>(unit + 1)]))
      return unit + 2;
    return std::min(Length(), unit + 1);
  }

  const Font* font_;
  std::u16string text_;
  int lineHeight_;
  std::vector<int> x_;  // where each unit starts on its line's run, plus the end
  std::vector<TextLine> lines_;
  std::vector<int> lineLeft_;  // the alignment's offset of each line
  int width_ = 0;
  int underlineFrom_ = 0;
  int underlineTo_ = 0;
};

}  // namespace

std::unique_ptr<TextLayout> ShapeText(const Font& font, std::u16string_view shown, const TextShape& shape) {
  return std::make_unique<GdiTextLayout>(font, shown, shape);
}

int TextLineHeight(const Font& font) { return std::max(1, static_cast<int>(font.Metrics().height)); }

}  // namespace os
