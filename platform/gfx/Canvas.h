// The drawing context over a Bitmap: fills, blends and stretches of bitmap
// parts, gradients, lines and frames, all clipped by a stack of rectangles and
// rounded rectangles whose intersection is in force. Colours are straight
// (not premultiplied) 0xAARRGGBB values, alpha in the top byte.
//
// On Windows (platform/gfx/win32/) the canvas is a memory DC with the
// target's DIB section selected, the clip stack its clip region (a round
// shape is the system's round-rect region widened by the column and row it
// leaves out, so it covers the rectangle's pixels as a plain one does). GDI
// writes no alpha where it draws, so nothing is drawn with a brush or pen
// straight onto the target: fills are a one-pixel premultiplied swatch
// stretched by AlphaBlend (round ones through their region), gradients a
// GradientFill ramp of premultiplied ends blended on, lines a pen drawn white
// onto a cleared mask whose coverage becomes the colour, frames the region
// between the outline and the outline width pixels in, filled. Bitmaps are
// copied (BitBlt) or blended (AlphaBlend) pixel for pixel; ColorOnColor
// stretches with StretchBlt, and Halftone with a filter of our own on
// premultiplied pixels (a tent, bilinear when enlarging, averaging when
// reducing), because the system's halftone stretch drops alpha. A Copy with a
// constant alpha below 255 mixes source and target and copies the mix back
// through the clip. A bitmap is selected into one DC at a time: while it is
// a canvas's target a second canvas on it is invalid (debug output says so),
// and drawing it onto a canvas reads it through a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/Types.h"
#include "platform/gfx/Bitmap.h"

#ifdef _WIN32
#include <memory>

namespace os {
struct HDC__;
namespace gdi {
class MemoryDc;
}
}  // namespace os
#else
typedef struct _cairo cairo_t;
#endif

namespace os {

// Pen styles of lines, as CreatePen numbers them.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;

// How a bitmap part is resampled when its size changes. Halftone averages
// (smooth); ColorOnColor picks the nearest pixel. A part drawn at its own size
// is always copied pixel for pixel.
enum class StretchMode { ColorOnColor, Halftone };

// Over: source-over blending with the source's per-pixel alpha (AlphaBlend).
// Copy: the source pixels replace the target's, alpha included (BitBlt).
enum class BlendOp { Over, Copy };

// One entry of the clip stack. Ellipse sizes are the full width and height of
// the corner ellipse; zero means a plain rectangle.
struct ClipShape {
  RECT rect;
  int ellipseWidth = 0;
  int ellipseHeight = 0;
};

class Canvas {
 public:
  explicit Canvas(Bitmap& target);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // False when the target bitmap is invalid; every operation is then a no-op.
#ifdef _WIN32
  bool IsValid() const { return dc_ != nullptr; }
#else
  bool IsValid() const { return cr_ != nullptr; }
#endif
  Bitmap& Target() { return target_; }
  int Width() const { return target_.Width(); }
  int Height() const { return target_.Height(); }

  // The clip in force is the intersection of every shape on the stack and the
  // bitmap. PopClip returns the shape it removed (an empty shape when the
  // stack was empty) so a caller can put it back later.
  void PushClip(const ClipShape& shape);
  void PushClipRect(const RECT& rect) { PushClip(ClipShape{rect, 0, 0}); }
  void PushClipRoundRect(const RECT& rect, int ellipseWidth, int ellipseHeight) {
    PushClip(ClipShape{rect, ellipseWidth, ellipseHeight});
  }
  ClipShape PopClip();
  std::size_t ClipDepth() const { return clips_.size(); }
  // Smallest rectangle holding the clip in force.
  RECT ClipBox() const;

  void SetStretchMode(StretchMode mode) { stretchMode_ = mode; }
  StretchMode GetStretchMode() const { return stretchMode_; }

  void FillRect(const RECT& rect, std::uint32_t argb);
  void FillRoundRect(const RECT& rect, int ellipseWidth, int ellipseHeight, std::uint32_t argb);
  // Smooth two-colour gradient, from the top (vertical) or left edge to the
  // opposite one. False when the canvas cannot make gradients.
  bool FillGradient(const RECT& rect, std::uint32_t from, std::uint32_t to, bool vertical);

  // Draws the part src of the bitmap scaled onto dst with constant alpha
  // (0–255). A part reaching outside the bitmap is cut to it. With limit, only
  // dst ∩ limit is touched. Pixels of the part never bleed past its edges,
  // so neighbouring nine-grid pieces stay apart when stretched.
  void DrawBitmap(const Bitmap& bitmap, const RECT& src, const RECT& dst, BYTE alpha = 255,
                  BlendOp op = BlendOp::Over, const RECT* limit = nullptr);
  // Fills dst with copies of the part src scaled to tile, laid from dst's
  // top-left corner onwards; the copies at the right and bottom are cut by
  // dst. Alpha, op and limit act as for DrawBitmap.
  void TileBitmap(const Bitmap& bitmap, const RECT& src, const RECT& dst, SIZE tile, BYTE alpha = 255,
                  BlendOp op = BlendOp::Over, const RECT* limit = nullptr);

  // A line from `from` towards `to`, the end point excluded, centred on the
  // pixels it passes as a GDI pen is. Width below 1 draws 1 pixel wide; the
  // dashed styles only apply to 1-pixel lines (wider ones are solid).
  void Line(POINT from, POINT to, int width, std::uint32_t argb, int penStyle = PS_SOLID);
  // Outlines lying entirely inside the rectangle (an inside-frame pen).
  void FrameRect(const RECT& rect, int width, std::uint32_t argb);
  void FrameRoundRect(const RECT& rect, int width, int ellipseWidth, int ellipseHeight, std::uint32_t argb);

#ifdef _WIN32
  // The memory DC the target's DIB section is selected into (an HDC), its
  // clip region the clip in force in device pixels, for the platform layer's
  // text drawing.
  HDC__* Dc() const { return dc_; }
#else
  // The cairo context, for the platform layer's text drawing.
  cairo_t* Cairo() const { return cr_; }
#endif

 private:
  Bitmap& target_;
#ifdef _WIN32
  // Selects the intersection of the stack's shapes and the bitmap as the
  // DC's clip region.
  void ApplyClip();
  // The part of a rectangle of device pixels inside the clip's box.
  RECT VisibleBox(const RECT& device) const;

  HDC__* dc_ = nullptr;
  void* previous_ = nullptr;  // the DC's own bitmap, put back on destruction
  // The one-pixel bitmap fills are stretched from, made by the first fill.
  Bitmap swatch_;
  std::unique_ptr<gdi::MemoryDc> swatchDc_;
#else
  cairo_t* cr_ = nullptr;
#endif
  std::vector<ClipShape> clips_;
  StretchMode stretchMode_ = StretchMode::ColorOnColor;
};

}  // namespace os
