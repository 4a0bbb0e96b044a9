// The text services' layout on Linux: a Pango layout per stretch. Pango works
// in UTF-8 bytes and characters; the maps here turn them into the UTF-16
// units the editing core counts in.
#include "platform/syscontrols/TextLayout.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"

namespace os {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

struct LayoutDeleter {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void SetColor(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

class PangoTextLayout final : public TextLayout {
 public:
  PangoTextLayout(const Font& font, std::u16string_view shown, const TextShape& shape) {
    std::string utf8;
    byteOf_.assign(shown.size() + 1, 0);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      byteOf_[i] = static_cast<int>(utf8.size());
      unitOfChar_.push_back(static_cast<int>(i));
      char32_t cp = shown[i];
      if (IsHigh(shown[i]) && i + 1 < shown.size() && IsLow(shown[i + 1])) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (shown[i + 1] - 0xDC00);
        byteOf_[i + 1] = byteOf_[i];
        ++i;
      }
      AppendUtf8(utf8, cp);
    }
    byteOf_[shown.size()] = static_cast<int>(utf8.size());
    unitOfChar_.push_back(static_cast<int>(shown.size()));

    layout_.reset(pango_layout_new(font.Context()));
    PangoLayout* layout = layout_.get();
    pango_layout_set_font_description(layout, font.Description());
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    if (shape.wrapWidth > 0) {
      pango_layout_set_width(layout, shape.wrapWidth * PANGO_SCALE);
      pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
      pango_layout_set_alignment(layout, shape.align == TxAlign::Center  ? PANGO_ALIGN_CENTER
                                         : shape.align == TxAlign::Right ? PANGO_ALIGN_RIGHT
                                                                         : PANGO_ALIGN_LEFT);
    }
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.Underline()) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    const int from = std::clamp(shape.underlineFrom, 0, static_cast<int>(shown.size()));
    const int to = std::clamp(shape.underlineTo, 0, static_cast<int>(shown.size()));
    if (from < to) {
      PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
      a->start_index = static_cast<guint>(Byte(from));
      a->end_index = static_cast<guint>(Byte(to));
      pango_attr_list_insert(attrs, a);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    width_ = logical.x + logical.width;
    height_ = logical.height;
  }

  int Width() const override { return width_; }
  int Height() const override { return height_; }

  RECT CursorAt(int unit) const override {
    PangoRectangle strong;
    pango_layout_get_cursor_pos(layout_.get(), Byte(unit), &strong, nullptr);
    const int x = PANGO_PIXELS(strong.x);
    const int y = PANGO_PIXELS(strong.y);
    return RECT{x, y, x + 1, y + (strong.height > 0 ? PANGO_PIXELS(strong.height) : 0)};
  }

  int HitTest(POINT point, bool* trailing) const override {
    int byte = 0;
    int chars = 0;
    pango_layout_xy_to_index(layout_.get(), point.x * PANGO_SCALE, std::max<LONG>(0, point.y) * PANGO_SCALE,
                             &byte, &chars);
    *trailing = chars > 0;
    return Unit(byte);
  }

  TextLine LineAt(int unit) const override {
    const int length = Length();
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout_.get(), Byte(unit), FALSE, &line, &x);
    PangoLayoutLine* l = pango_layout_get_line_readonly(layout_.get(), line);
    if (l == nullptr) return TextLine{0, length, true};
    const bool last = line == pango_layout_get_line_count(layout_.get()) - 1;
    return TextLine{Unit(l->start_index), std::min(length, Unit(l->start_index + l->length)), last};
  }

  std::vector<TextBoundary> Boundaries() const override {
    int n = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout_.get(), &n);
    std::vector<TextBoundary> out(static_cast<std::size_t>(Length()) + 1);
    for (int c = 0; c < n && c < static_cast<int>(unitOfChar_.size()); ++c) {
      TextBoundary& b = out[static_cast<std::size_t>(unitOfChar_[static_cast<std::size_t>(c)])];
      b.cursor = attrs[c].is_cursor_position;
      b.wordStart = attrs[c].is_word_start;
      b.wordEnd = attrs[c].is_word_end;
    }
    return out;
  }

  std::vector<RECT> RangeBoxes(int from, int to) const override {
    std::vector<RECT> boxes;
    PangoLayoutIter* iter = pango_layout_get_iter(layout_.get());
    do {
      PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
      int y0 = 0;
      int y1 = 0;
      pango_layout_iter_get_line_yrange(iter, &y0, &y1);
      int* ranges = nullptr;
      int count = 0;
      pango_layout_line_get_x_ranges(line, Byte(from), Byte(to), &ranges, &count);
      for (int r = 0; r < count; ++r) {
        boxes.push_back(RECT{PANGO_PIXELS(ranges[2 * r]), PANGO_PIXELS(y0), PANGO_PIXELS(ranges[2 * r + 1]),
                             PANGO_PIXELS(y1)});
      }
      g_free(ranges);
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    return boxes;
  }

  void Draw(Canvas& canvas, POINT at, std::uint32_t argb) const override {
    cairo_t* cr = canvas.Cairo();
    cairo_save(cr);
    SetColor(cr, argb);
    cairo_move_to(cr, at.x, at.y);
    pango_cairo_show_layout(cr, layout_.get());
    cairo_restore(cr);
  }

 private:
  int Length() const { return static_cast<int>(byteOf_.size()) - 1; }
  int Byte(int unit) const { return byteOf_[static_cast<std::size_t>(std::clamp(unit, 0, Length()))]; }
  int Unit(int byte) const {
    auto it = std::lower_bound(byteOf_.begin(), byteOf_.end(), byte);
    return std::min(Length(), static_cast<int>(it - byteOf_.begin()));
  }

  LayoutPtr layout_;
  std::vector<int> byteOf_;      // per unit, plus the end
  std::vector<int> unitOfChar_;  // per character, plus the end
  int width_ = 0;
  int height_ = 0;
};

}  // namespace

std::unique_ptr<TextLayout> ShapeText(const Font& font, std::u16string_view shown, const TextShape& shape) {
  return std::make_unique<PangoTextLayout>(font, shown, shape);
}

int TextLineHeight(const Font& font) {
  LayoutPtr probe(pango_layout_new(font.Context()));
  pango_layout_set_font_description(probe.get(), font.Description());
  int w = 0;
  int h = 0;
  pango_layout_get_pixel_size(probe.get(), &w, &h);
  return std::max(1, h);
}

}  // namespace os
