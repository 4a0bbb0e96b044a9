#include "ArtKit.h"

#include <algorithm>
#include <cmath>

namespace art {

Picture::Picture(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_BEST);
}

Picture::~Picture() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

bool Picture::Save(const std::string& path) const {
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void SetColor(cairo_t* cr, const Rgba& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void VerticalGradient(cairo_t* cr, double y0, double y1, const Rgba& top, const Rgba& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

void SoftShadow(cairo_t* cr, double x, double y, double w, double h, double r, double spread, double alpha) {
  // Concentric strokes with falling alpha approximate a blurred shadow.
  const int steps = static_cast<int>(spread);
  for (int i = steps; i > 0; --i) {
    const double t = static_cast<double>(i) / steps;
    cairo_set_source_rgba(cr, 0, 0, 0, alpha * (1 - t) * (1 - t) / 3.0);
    RoundedRect(cr, x - i, y - i + spread * 0.25, w + 2 * i, h + 2 * i, r + i);
    cairo_fill(cr);
  }
}

double Text(cairo_t* cr, const std::string& utf8, const std::string& font, double x, double y, double w,
            double h, const Rgba& color, Align align, double letterSpacing) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* desc = pango_font_description_from_string(font.c_str());
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  if (letterSpacing != 0) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs,
                           pango_attr_letter_spacing_new(static_cast<int>(letterSpacing * PANGO_SCALE)));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  pango_layout_set_text(layout, utf8.c_str(), -1);
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  double tx = x;
  if (align == Align::Center) tx = x + (w - tw) / 2;
  if (align == Align::Right) tx = x + w - tw;
  SetColor(cr, color);
  cairo_move_to(cr, std::round(tx), std::round(y + (h - th) / 2));
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  return tw;
}

}  // namespace art
