// Small cairo/Pango toolkit shared by the skin picture generators. The pictures
// are drawn from code so that they can be regenerated at any size or colour
// without an image editor.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <string>

namespace art {

struct Rgba {
  double r, g, b, a;
};

constexpr Rgba Hex(unsigned rgb, double a = 1.0) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, a};
}

// An ARGB surface with its context; written to a PNG file on Save.
class Picture {
 public:
  Picture(int width, int height);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  cairo_t* cr() const { return cr_; }
  int width() const { return width_; }
  int height() const { return height_; }
  bool Save(const std::string& path) const;

 private:
  int width_;
  int height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void SetColor(cairo_t* cr, const Rgba& c);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void VerticalGradient(cairo_t* cr, double y0, double y1, const Rgba& top, const Rgba& bottom);
void SoftShadow(cairo_t* cr, double x, double y, double w, double h, double r, double spread, double alpha);

enum class Align { Left, Center, Right };
// Draws text centred vertically in the box; returns the drawn text width.
double Text(cairo_t* cr, const std::string& utf8, const std::string& font, double x, double y, double w,
            double h, const Rgba& color, Align align = Align::Center, double letterSpacing = 0);

}  // namespace art
