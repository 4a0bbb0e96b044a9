#include "platform/gfx/Canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace os {

namespace {

void SetSource(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (Empty(r)) return RECT{};
  return r;
}

// Rounded rectangle path; rx, ry are the corner radii, cut to half the sides.
void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double rx, double ry) {
  rx = std::min(rx, w / 2);
  ry = std::min(ry, h / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  auto corner = [&](double cx, double cy, double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
  };
  cairo_new_sub_path(cr);
  corner(x + w - rx, y + ry, -M_PI / 2, 0);
  corner(x + w - rx, y + h - ry, 0, M_PI / 2);
  corner(x + rx, y + h - ry, M_PI / 2, M_PI);
  corner(x + rx, y + ry, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// Pixels copied one for one stay exact, and ColorOnColor picks the nearest
// pixel as asked. A bitmap of another density than the target (a picture
// drawn on a high-density window) is resampled smoothly in any case: the
// nearest pixel would show as blocks.
cairo_filter_t BitmapFilter(bool oneToOne, StretchMode mode, bool sameDensity) {
  if (!sameDensity) return CAIRO_FILTER_GOOD;
  return oneToOne || mode == StretchMode::ColorOnColor ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD;
}

void ShapePath(cairo_t* cr, const ClipShape& shape) {
  const RECT& r = shape.rect;
  RoundRectPath(cr, r.left, r.top, r.right - r.left, r.bottom - r.top, shape.ellipseWidth / 2.0,
                shape.ellipseHeight / 2.0);
}

}  // namespace

Canvas::Canvas(Bitmap& target) : target_(target) {
  if (!target.IsValid()) return;
  cairo_t* cr = cairo_create(target.Surface());
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(cr);
    return;
  }
  cr_ = cr;
}

Canvas::~Canvas() {
  if (!cr_) return;
  cairo_destroy(cr_);
  // Pixels were written behind any raw pointer the owner may hold; make them
  // visible to readers of the bitmap.
  cairo_surface_flush(target_.Surface());
}

void Canvas::PushClip(const ClipShape& shape) {
  clips_.push_back(shape);
  if (!cr_) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  if (Empty(shape.rect)) {
    // An empty shape leaves nothing drawable; cairo needs a path for that.
    cairo_rectangle(cr_, 0, 0, 0, 0);
  } else {
    ShapePath(cr_, shape);
  }
  cairo_clip(cr_);
}

ClipShape Canvas::PopClip() {
  if (clips_.empty()) return ClipShape{};
  ClipShape shape = clips_.back();
  clips_.pop_back();
  if (cr_) cairo_restore(cr_);
  return shape;
}

RECT Canvas::ClipBox() const {
  if (!cr_) return RECT{};
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  RECT r{static_cast<LONG>(std::floor(x1)), static_cast<LONG>(std::floor(y1)),
         static_cast<LONG>(std::ceil(x2)), static_cast<LONG>(std::ceil(y2))};
  if (Empty(r)) return RECT{};
  return r;
}

void Canvas::FillRect(const RECT& rect, std::uint32_t argb) {
  if (!cr_ || Empty(rect)) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  SetSource(cr_, argb);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void Canvas::FillRoundRect(const RECT& rect, int ellipseWidth, int ellipseHeight, std::uint32_t argb) {
  if (!cr_ || Empty(rect)) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  ShapePath(cr_, ClipShape{rect, ellipseWidth, ellipseHeight});
  SetSource(cr_, argb);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

bool Canvas::FillGradient(const RECT& rect, std::uint32_t from, std::uint32_t to, bool vertical) {
  if (!cr_) return false;
  if (Empty(rect)) return true;
  cairo_pattern_t* pattern = vertical ? cairo_pattern_create_linear(0, rect.top, 0, rect.bottom)
                                      : cairo_pattern_create_linear(rect.left, 0, rect.right, 0);
  if (cairo_pattern_status(pattern) != CAIRO_STATUS_SUCCESS) {
    cairo_pattern_destroy(pattern);
    return false;
  }
  auto stop = [pattern](double offset, std::uint32_t c) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                      (c & 0xFF) / 255.0, (c >> 24) / 255.0);
  };
  stop(0, from);
  stop(1, to);
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_set_source(cr_, pattern);
  cairo_fill(cr_);
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
  return true;
}

void Canvas::DrawBitmap(const Bitmap& bitmap, const RECT& src, const RECT& dst, BYTE alpha, BlendOp op,
                        const RECT* limit) {
  if (!cr_ || !bitmap.IsValid() || alpha == 0 || Empty(dst)) return;
  const RECT part = Intersect(src, RECT{0, 0, bitmap.Width(), bitmap.Height()});
  if (Empty(part)) return;
  RECT area = dst;
  if (limit) area = Intersect(area, *limit);
  if (Empty(area)) return;

  const int partW = part.right - part.left, partH = part.bottom - part.top;
  const int dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
  const bool oneToOne = partW == dstW && partH == dstH;

  // A sub-surface with padded edges keeps the filter from sampling pixels of
  // the neighbouring parts of the bitmap.
  cairo_surface_t* piece =
      cairo_surface_create_for_rectangle(bitmap.Surface(), part.left, part.top, partW, partH);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(piece);
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, static_cast<double>(partW) / dstW, static_cast<double>(partH) / dstH);
  cairo_matrix_translate(&matrix, -dst.left, -dst.top);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern, BitmapFilter(oneToOne, stretchMode_, bitmap.Scale() == target_.Scale()));

  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, area.left, area.top, area.right - area.left, area.bottom - area.top);
  cairo_clip(cr_);
  cairo_set_operator(cr_, op == BlendOp::Copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
  cairo_set_source(cr_, pattern);
  if (alpha == 255) {
    cairo_paint(cr_);
  } else {
    cairo_paint_with_alpha(cr_, alpha / 255.0);
  }
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(piece);
}

void Canvas::TileBitmap(const Bitmap& bitmap, const RECT& src, const RECT& dst, SIZE tile, BYTE alpha,
                        BlendOp op, const RECT* limit) {
  if (!cr_ || !bitmap.IsValid() || alpha == 0 || Empty(dst) || tile.cx <= 0 || tile.cy <= 0) return;
  RECT area = dst;
  if (limit) area = Intersect(area, *limit);
  if (Empty(area)) return;
  // One tile made once, then repeated by the pattern: a narrow source over a
  // wide area stays a single paint.
  Bitmap piece(tile.cx, tile.cy, target_.Scale());
  if (!piece.IsValid()) return;
  {
    Canvas pieceCanvas(piece);
    pieceCanvas.SetStretchMode(stretchMode_);
    pieceCanvas.DrawBitmap(bitmap, src, RECT{0, 0, tile.cx, tile.cy}, 255, BlendOp::Copy);
  }
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(piece.Surface());
  cairo_matrix_t matrix;
  cairo_matrix_init_translate(&matrix, -dst.left, -dst.top);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, area.left, area.top, area.right - area.left, area.bottom - area.top);
  cairo_clip(cr_);
  cairo_set_operator(cr_, op == BlendOp::Copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
  cairo_set_source(cr_, pattern);
  if (alpha == 255) {
    cairo_paint(cr_);
  } else {
    cairo_paint_with_alpha(cr_, alpha / 255.0);
  }
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
}

void Canvas::Line(POINT from, POINT to, int width, std::uint32_t argb, int penStyle) {
  if (!cr_ || penStyle == PS_NULL) return;
  if (width < 1) width = 1;
  if (from == to) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  double x0 = from.x, y0 = from.y, x1 = to.x, y1 = to.y;
  // The pen covers width pixels around the line: rows y - width/2 onwards for
  // a horizontal line, columns likewise for a vertical one. The stroke's
  // centre is put where that band's centre lies.
  const double centre = -(width / 2) + width / 2.0;
  if (from.y == to.y) {
    y0 = y1 = from.y + centre;
  } else if (from.x == to.x) {
    x0 = x1 = from.x + centre;
  } else {
    x0 += 0.5, y0 += 0.5, x1 += 0.5, y1 += 0.5;
  }
  cairo_move_to(cr_, x0, y0);
  cairo_line_to(cr_, x1, y1);
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  if (width == 1) {
    static const double kDash[] = {18, 6};
    static const double kDot[] = {3, 3};
    static const double kDashDot[] = {9, 6, 3, 6};
    static const double kDashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (penStyle) {
      case PS_DASH:
        cairo_set_dash(cr_, kDash, 2, 0);
        break;
      case PS_DOT:
        cairo_set_dash(cr_, kDot, 2, 0);
        break;
      case PS_DASHDOT:
        cairo_set_dash(cr_, kDashDot, 4, 0);
        break;
      case PS_DASHDOTDOT:
        cairo_set_dash(cr_, kDashDotDot, 6, 0);
        break;
      default:
        break;
    }
  }
  SetSource(cr_, argb);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

void Canvas::FrameRect(const RECT& rect, int width, std::uint32_t argb) {
  if (!cr_ || Empty(rect) || width <= 0) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  const RECT inner{rect.left + width, rect.top + width, rect.right - width, rect.bottom - width};
  if (!Empty(inner)) {
    cairo_rectangle(cr_, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top);
  }
  SetSource(cr_, argb);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void Canvas::FrameRoundRect(const RECT& rect, int width, int ellipseWidth, int ellipseHeight,
                            std::uint32_t argb) {
  if (!cr_ || Empty(rect) || width <= 0) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  // Outer edge on the rectangle, inner edge width pixels in, so the frame
  // stays inside as an inside-frame pen keeps it.
  ShapePath(cr_, ClipShape{rect, ellipseWidth, ellipseHeight});
  const RECT inner{rect.left + width, rect.top + width, rect.right - width, rect.bottom - width};
  if (!Empty(inner)) {
    ShapePath(
        cr_, ClipShape{inner, std::max(0, ellipseWidth - 2 * width), std::max(0, ellipseHeight - 2 * width)});
  }
  SetSource(cr_, argb);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

}  // namespace os
