// The canvas as a memory DC over the target's DIB section. GDI writes no
// alpha where it draws, so every drawing reaches the target through
// AlphaBlend of premultiplied pixels (a one-pixel swatch stretched for fills,
// a ramp for gradients, a coverage mask for pens) or a plain copy of them,
// and the clip stack is the DC's clip region, which all of those honour.
#include "platform/gfx/Canvas.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/base/DebugOutput.h"
#include "platform/gfx/win32/Gdi.h"

namespace os {

using gdi::Empty;
using gdi::Intersect;
using gdi::MemoryDc;

namespace {

::HDC System(HDC__* dc) { return win32::As<::HDC>(dc); }

// The region of a clip shape in device pixels.
::HRGN ShapeRegion(const ClipShape& shape, DeviceScale scale) {
  if (Empty(shape.rect)) return ::CreateRectRgn(0, 0, 0, 0);
  const RECT r = scale.ToDevice(shape.rect);
  if (shape.ellipseWidth <= 0 || shape.ellipseHeight <= 0) {
    return ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
  }
  // A round-rect region leaves out its last column and row; one more each
  // way puts it on the same pixels as a rectangle's region.
  return ::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, scale.ToDevice(shape.ellipseWidth),
                              scale.ToDevice(shape.ellipseHeight));
}

// Paints with the clip in force narrowed to the region for the time of the
// call.
template <typename Paint>
void Through(::HDC dc, ::HRGN region, Paint paint) {
  const int saved = ::SaveDC(dc);
  ::ExtSelectClipRgn(dc, region, RGN_AND);
  paint();
  ::RestoreDC(dc, saved);
}

// For each of `count` target pixels from `first` (counted from the start of
// a destination of `destLength`), the source pixels it averages and their
// weights: a tent one source pixel wide when enlarging (bilinear), as wide as
// the pixels a target pixel covers when reducing. Indices are held inside the
// source, so the part's edge pixels repeat rather than its neighbours bleed in.
struct Tap {
  int index;
  float weight;
};
std::vector<std::vector<Tap>> Taps(int sourceLength, int destLength, int first, int count) {
  const double ratio = static_cast<double>(sourceLength) / destLength;
  const double radius = std::max(1.0, ratio);
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double centre = (first + i + 0.5) * ratio - 0.5;
    double total = 0;
    for (int j = static_cast<int>(std::floor(centre - radius)) + 1; j < centre + radius; ++j) {
      const double weight = 1 - std::abs(j - centre) / radius;
      if (weight <= 0) continue;
      taps[i].push_back(Tap{std::clamp(j, 0, sourceLength - 1), static_cast<float>(weight)});
      total += weight;
    }
    for (Tap& tap : taps[i]) tap.weight = static_cast<float>(tap.weight / total);
  }
  return taps;
}

// The part (device pixels of the source) resampled smoothly onto dst, as the
// pixels that fall on cover (device pixels of the target inside dst). The
// system's halftone stretch drops alpha, so the filter is our own; it works
// on premultiplied values, which average without dark fringes.
Bitmap SmoothPiece(const Bitmap& source, const RECT& part, const RECT& dst, const RECT& cover) {
  Bitmap piece(gdi::Width(cover), gdi::Height(cover));
  if (!piece.IsValid()) return piece;
  const auto columns = Taps(gdi::Width(part), gdi::Width(dst), cover.left - dst.left, gdi::Width(cover));
  const auto rows = Taps(gdi::Height(part), gdi::Height(dst), cover.top - dst.top, gdi::Height(cover));
  // Each source row the rows need, filtered across once.
  int firstRow = gdi::Height(part), lastRow = -1;
  for (const auto& row : rows) {
    for (const Tap& tap : row)
      firstRow = std::min(firstRow, tap.index), lastRow = std::max(lastRow, tap.index);
  }
  const std::size_t w = columns.size();
  std::vector<float> across(static_cast<std::size_t>(lastRow - firstRow + 1) * w * 4, 0.0f);
  for (int sy = firstRow; sy <= lastRow; ++sy) {
    const std::uint32_t* in = source.Row(part.top + sy) + part.left;
    float* out = &across[static_cast<std::size_t>(sy - firstRow) * w * 4];
    for (std::size_t x = 0; x < w; ++x) {
      for (const Tap& tap : columns[x]) {
        const std::uint32_t p = in[tap.index];
        for (int c = 0; c < 4; ++c) out[x * 4 + c] += tap.weight * static_cast<float>((p >> (8 * c)) & 0xFF);
      }
    }
  }
  for (std::size_t y = 0; y < rows.size(); ++y) {
    std::uint32_t* out = piece.Row(static_cast<int>(y));
    for (std::size_t x = 0; x < w; ++x) {
      float sum[4] = {};
      for (const Tap& tap : rows[y]) {
        const float* in = &across[(static_cast<std::size_t>(tap.index - firstRow) * w + x) * 4];
        for (int c = 0; c < 4; ++c) sum[c] += tap.weight * in[c];
      }
      std::uint32_t p = 0;
      for (int c = 0; c < 4; ++c) {
        p |= static_cast<std::uint32_t>(std::clamp(std::lround(sum[c]), 0L, 255L)) << (8 * c);
      }
      out[x] = p;
    }
  }
  return piece;
}

// The part stretched onto dst by the nearest pixel, as the pixels that fall
// on cover.
Bitmap NearestPiece(const Bitmap& source, const RECT& part, const RECT& dst, const RECT& cover) {
  Bitmap piece(gdi::Width(cover), gdi::Height(cover));
  MemoryDc to(piece);
  gdi::SourceDc from(source);
  if (!to.get() || !from.get()) return Bitmap();
  ::SetStretchBltMode(to.get(), COLORONCOLOR);
  ::StretchBlt(to.get(), dst.left - cover.left, dst.top - cover.top, gdi::Width(dst), gdi::Height(dst),
               from.get(), part.left, part.top, gdi::Width(part), gdi::Height(part), SRCCOPY);
  return piece;
}

// A white pen for a line mask, `width` device pixels wide: one pixel wide,
// the system's own pen with its dashes; wider, a pen with flat ends whose
// dashes are the one-pixel pen's lengths in units (`factor` device pixels
// each), so a dashed line looks the same on every density.
::HPEN MaskPen(int style, int width, int factor) {
  if (width == 1) return ::CreatePen(style, 1, RGB(255, 255, 255));
  std::vector<::DWORD> dashes;
  switch (style) {
    case PS_DASH:
      dashes = {18, 6};
      break;
    case PS_DOT:
      dashes = {3, 3};
      break;
    case PS_DASHDOT:
      dashes = {9, 6, 3, 6};
      break;
    case PS_DASHDOTDOT:
      dashes = {9, 3, 3, 3, 3, 3};
      break;
    default:
      break;
  }
  for (::DWORD& length : dashes) length *= static_cast<::DWORD>(factor);
  const LOGBRUSH brush{BS_SOLID, RGB(255, 255, 255), 0};
  const ::DWORD kind = dashes.empty() ? PS_SOLID : PS_USERSTYLE;
  return ::ExtCreatePen(PS_GEOMETRIC | kind | PS_ENDCAP_FLAT | PS_JOIN_MITER, static_cast<::DWORD>(width),
                        &brush, static_cast<::DWORD>(dashes.size()),
                        dashes.empty() ? nullptr : dashes.data());
}

// Puts the same-sized block `from` of source on `to` of the target: blended
// over it, or replacing it (mixed with what was there by a constant alpha
// below 255, as a paint of the source through that alpha does).
void Compose(::HDC target, const RECT& to, ::HDC source, const RECT& from, BYTE alpha, BlendOp op) {
  if (op == BlendOp::Over) {
    gdi::BlendOver(target, to, source, from, alpha);
    return;
  }
  if (alpha == 255) {
    ::BitBlt(target, to.left, to.top, gdi::Width(to), gdi::Height(to), source, from.left, from.top, SRCCOPY);
    return;
  }
  Bitmap mixed(gdi::Width(to), gdi::Height(to)), incoming(gdi::Width(to), gdi::Height(to));
  MemoryDc mixedDc(mixed), incomingDc(incoming);
  if (!mixedDc.get() || !incomingDc.get()) return;
  ::BitBlt(mixedDc.get(), 0, 0, gdi::Width(to), gdi::Height(to), target, to.left, to.top, SRCCOPY);
  ::BitBlt(incomingDc.get(), 0, 0, gdi::Width(to), gdi::Height(to), source, from.left, from.top, SRCCOPY);
  for (int y = 0; y < mixed.PixelHeight(); ++y) {
    std::uint32_t* out = mixed.Row(y);
    const std::uint32_t* in = incoming.Row(y);
    for (int x = 0; x < mixed.PixelWidth(); ++x) {
      std::uint32_t p = 0;
      for (int c = 0; c < 32; c += 8) {
        const std::uint32_t s = (in[x] >> c) & 0xFF, d = (out[x] >> c) & 0xFF;
        p |= ((s * alpha + d * (255u - alpha) + 127) / 255) << c;
      }
      out[x] = p;
    }
  }
  // Copied back through the clip region, which the mixing ignored.
  ::BitBlt(target, to.left, to.top, gdi::Width(to), gdi::Height(to), mixedDc.get(), 0, 0, SRCCOPY);
}

}  // namespace

Canvas::Canvas(Bitmap& target) : target_(target) {
  if (!target.IsValid()) return;
  ::HDC dc = ::CreateCompatibleDC(nullptr);
  if (!dc) return;
  HGDIOBJ previous = ::SelectObject(dc, gdi::SystemBitmap(target));
  if (!previous || previous == HGDI_ERROR) {
    // Selected into another canvas's DC: a bitmap takes one canvas at a time.
    DebugOutput(DebugCategory::General, u"Canvas: the bitmap is the target of another canvas");
    ::DeleteDC(dc);
    return;
  }
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::SetBkMode(dc, TRANSPARENT);
  dc_ = win32::As<HDC__*>(dc);
  previous_ = previous;
  ApplyClip();
}

Canvas::~Canvas() {
  if (!dc_) return;
  ::SelectObject(System(dc_), static_cast<HGDIOBJ>(previous_));
  ::DeleteDC(System(dc_));
  // The pixels are read through raw pointers next.
  ::GdiFlush();
}

RECT Canvas::VisibleBox(const RECT& device) const {
  ::RECT clip{};
  if (::GetClipBox(System(dc_), &clip) == ERROR)
    clip = ::RECT{0, 0, target_.PixelWidth(), target_.PixelHeight()};
  return Intersect(device, RECT{clip.left, clip.top, clip.right, clip.bottom});
}

void Canvas::ApplyClip() {
  ::HDC dc = System(dc_);
  ::HRGN clip = ::CreateRectRgn(0, 0, target_.PixelWidth(), target_.PixelHeight());
  for (const ClipShape& shape : clips_) {
    ::HRGN part = ShapeRegion(shape, target_.Scale());
    ::CombineRgn(clip, clip, part, RGN_AND);
    ::DeleteObject(part);
  }
  ::SelectClipRgn(dc, clip);
  ::DeleteObject(clip);
}

void Canvas::PushClip(const ClipShape& shape) {
  clips_.push_back(shape);
  if (dc_) ApplyClip();
}

ClipShape Canvas::PopClip() {
  if (clips_.empty()) return ClipShape{};
  ClipShape shape = clips_.back();
  clips_.pop_back();
  if (dc_) ApplyClip();
  return shape;
}

RECT Canvas::ClipBox() const {
  if (!dc_) return RECT{};
  ::RECT box{};
  const int kind = ::GetClipBox(System(dc_), &box);
  if (kind == NULLREGION || kind == ERROR) return RECT{};
  const RECT r = target_.Scale().ToLogical(RECT{box.left, box.top, box.right, box.bottom});
  return Empty(r) ? RECT{} : r;
}

void Canvas::FillRect(const RECT& rect, std::uint32_t argb) {
  if (!dc_ || Empty(rect) || (argb >> 24) == 0) return;
  if (!swatchDc_) {
    swatch_ = Bitmap(1, 1);
    swatchDc_ = std::make_unique<MemoryDc>(swatch_);
  }
  // Writing the pixel runs GDI's batch first, so an earlier fill still
  // waiting in it keeps its colour.
  swatch_.SetPixel(0, 0, PremultiplyArgb(argb));
  // One colour throughout: only the visible part is stretched onto, which
  // keeps coordinates of any size within what GDI takes.
  gdi::BlendOver(System(dc_), VisibleBox(target_.Scale().ToDevice(rect)), swatchDc_->get(), RECT{0, 0, 1, 1},
                 255);
}

void Canvas::FillRoundRect(const RECT& rect, int ellipseWidth, int ellipseHeight, std::uint32_t argb) {
  if (!dc_ || Empty(rect)) return;
  ::HRGN shape = ShapeRegion(ClipShape{rect, ellipseWidth, ellipseHeight}, target_.Scale());
  Through(System(dc_), shape, [&] { FillRect(rect, argb); });
  ::DeleteObject(shape);
}

bool Canvas::FillGradient(const RECT& rect, std::uint32_t from, std::uint32_t to, bool vertical) {
  if (!dc_) return false;
  if (Empty(rect)) return true;
  const RECT device = target_.Scale().ToDevice(rect);
  // Only the visible part is ramped, its ends placed where the whole
  // rectangle's lie: a gradient far larger than the bitmap costs no more
  // than the bitmap.
  const RECT cover = VisibleBox(device);
  if (Empty(cover)) return true;
  Bitmap ramp(gdi::Width(cover), gdi::Height(cover));
  MemoryDc rampDc(ramp);
  if (!rampDc.get()) return false;
  // Premultiplied ends: GradientFill interpolates every channel and writes
  // alpha too, so the ramp comes out premultiplied. Its ends are the colours
  // the whole gradient has at the visible part's edges (GDI's arithmetic
  // would overflow on the whole rectangle's).
  const double start = vertical ? device.top : device.left;
  const double length = vertical ? static_cast<double>(device.bottom) - device.top
                                 : static_cast<double>(device.right) - device.left;
  const std::uint32_t first = PremultiplyArgb(from), last = PremultiplyArgb(to);
  auto vertex = [&](LONG x, LONG y) {
    const double t = ((vertical ? cover.top + y : cover.left + x) - start) / length;
    auto channel = [&](int shift) {
      const double a = (first >> shift) & 0xFF, b = (last >> shift) & 0xFF;
      return static_cast<COLOR16>(std::lround((a + (b - a) * t) * 256));
    };
    return TRIVERTEX{x, y, channel(16), channel(8), channel(0), channel(24)};
  };
  TRIVERTEX ends[2] = {vertex(0, 0), vertex(gdi::Width(cover), gdi::Height(cover))};
  GRADIENT_RECT span{0, 1};
  if (!::GradientFill(rampDc.get(), ends, 2, &span, 1,
                      vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H)) {
    return false;
  }
  gdi::BlendOver(System(dc_), cover, rampDc.get(), RECT{0, 0, gdi::Width(cover), gdi::Height(cover)}, 255);
  return true;
}

void Canvas::DrawBitmap(const Bitmap& bitmap, const RECT& src, const RECT& dst, BYTE alpha, BlendOp op,
                        const RECT* limit) {
  if (!dc_ || !bitmap.IsValid() || alpha == 0 || Empty(dst)) return;
  const RECT part = Intersect(src, RECT{0, 0, bitmap.Width(), bitmap.Height()});
  if (Empty(part)) return;
  RECT area = dst;
  if (limit) area = Intersect(area, *limit);
  if (Empty(area)) return;

  const DeviceScale scale = target_.Scale();
  const RECT partD = bitmap.Scale().ToDevice(part), dstD = scale.ToDevice(dst), coverD = scale.ToDevice(area);
  if (gdi::Width(partD) == gdi::Width(dstD) && gdi::Height(partD) == gdi::Height(dstD)) {
    // Pixel for pixel: straight from the source.
    gdi::SourceDc source(bitmap);
    Compose(System(dc_), coverD, source.get(),
            gdi::Offset(coverD, partD.left - dstD.left, partD.top - dstD.top), alpha, op);
    return;
  }
  // A bitmap of another density than the target (a picture drawn on a
  // high-density window) is resampled smoothly in any case: the nearest pixel
  // would show as blocks.
  const bool smooth = stretchMode_ == StretchMode::Halftone || bitmap.Scale() != scale;
  Bitmap piece =
      smooth ? SmoothPiece(bitmap, partD, dstD, coverD) : NearestPiece(bitmap, partD, dstD, coverD);
  MemoryDc pieceDc(piece);
  Compose(System(dc_), coverD, pieceDc.get(), RECT{0, 0, gdi::Width(coverD), gdi::Height(coverD)}, alpha, op);
}

void Canvas::TileBitmap(const Bitmap& bitmap, const RECT& src, const RECT& dst, SIZE tile, BYTE alpha,
                        BlendOp op, const RECT* limit) {
  if (!dc_ || !bitmap.IsValid() || alpha == 0 || Empty(dst) || tile.cx <= 0 || tile.cy <= 0) return;
  RECT area = dst;
  if (limit) area = Intersect(area, *limit);
  if (Empty(area)) return;
  // One tile made once, then repeated by doubling copies: a narrow source
  // over a wide area costs a few copies, not one per tile.
  Bitmap piece(tile.cx, tile.cy, target_.Scale());
  if (!piece.IsValid()) return;
  {
    Canvas pieceCanvas(piece);
    pieceCanvas.SetStretchMode(stretchMode_);
    pieceCanvas.DrawBitmap(bitmap, src, RECT{0, 0, tile.cx, tile.cy}, 255, BlendOp::Copy);
  }
  const RECT dstD = target_.Scale().ToDevice(dst), coverD = target_.Scale().ToDevice(area);
  const LONG tw = piece.PixelWidth(), th = piece.PixelHeight();
  // Tiles are laid from dst's corner: the cover starts this far into one.
  const LONG phaseX = (coverD.left - dstD.left) % tw, phaseY = (coverD.top - dstD.top) % th;
  const LONG w = gdi::Width(coverD) + phaseX, h = gdi::Height(coverD) + phaseY;
  Bitmap tiled(w, h);
  MemoryDc tiledDc(tiled), pieceDc(piece);
  if (!tiledDc.get() || !pieceDc.get()) return;
  ::BitBlt(tiledDc.get(), 0, 0, tw, th, pieceDc.get(), 0, 0, SRCCOPY);
  for (LONG x = tw; x < w; x *= 2)
    ::BitBlt(tiledDc.get(), x, 0, std::min(x, w - x), th, tiledDc.get(), 0, 0, SRCCOPY);
  for (LONG y = th; y < h; y *= 2)
    ::BitBlt(tiledDc.get(), 0, y, w, std::min(y, h - y), tiledDc.get(), 0, 0, SRCCOPY);
  Compose(System(dc_), coverD, tiledDc.get(), RECT{phaseX, phaseY, w, h}, alpha, op);
}

void Canvas::Line(POINT from, POINT to, int width, std::uint32_t argb, int penStyle) {
  if (!dc_ || penStyle == PS_NULL) return;
  if (width < 1) width = 1;
  if (from == to) return;
  const int f = target_.Scale().Factor();
  const int penWidth = width * f;
  POINT a{from.x * f, from.y * f}, b{to.x * f, to.y * f};
  // A pen of w pixels covers rows y − w/2 onwards of a horizontal line
  // (columns likewise of a vertical one). In device pixels the band must
  // start where the logical band starts.
  const int shift = penWidth / 2 - f * (width / 2);
  if (from.y == to.y) {
    a.y += shift, b.y += shift;
  } else if (from.x == to.x) {
    a.x += shift, b.x += shift;
  } else {
    a.x += f / 2, a.y += f / 2, b.x += f / 2, b.y += f / 2;
  }
  // The pen draws white on a cleared mask around the line; the mask's
  // coverage becomes the colour.
  const LONG margin = penWidth + 2;
  const RECT bounds = Intersect(RECT{std::min(a.x, b.x) - margin, std::min(a.y, b.y) - margin,
                                     std::max(a.x, b.x) + margin, std::max(a.y, b.y) + margin},
                                RECT{0, 0, target_.PixelWidth(), target_.PixelHeight()});
  if (Empty(bounds)) return;
  Bitmap mask(gdi::Width(bounds), gdi::Height(bounds));
  {
    MemoryDc maskDc(mask);
    if (!maskDc.get()) return;
    ::HPEN pen = MaskPen(width == 1 ? penStyle : PS_SOLID, penWidth, f);
    if (!pen) return;
    HGDIOBJ previous = ::SelectObject(maskDc.get(), pen);
    ::SetBkMode(maskDc.get(), TRANSPARENT);
    ::SetViewportOrgEx(maskDc.get(), -bounds.left, -bounds.top, nullptr);
    ::MoveToEx(maskDc.get(), a.x, a.y, nullptr);
    ::LineTo(maskDc.get(), b.x, b.y);
    ::SelectObject(maskDc.get(), previous);
    ::DeleteObject(pen);
  }
  gdi::CoverageToColour(mask, argb);
  MemoryDc maskDc(mask);
  gdi::BlendOver(System(dc_), bounds, maskDc.get(), RECT{0, 0, gdi::Width(bounds), gdi::Height(bounds)}, 255);
}

// A frame is the region between the outline and the same outline width
// pixels in (an inside-frame pen's pixels, exactly), filled through the clip.
void Canvas::FrameRect(const RECT& rect, int width, std::uint32_t argb) {
  FrameRoundRect(rect, width, 0, 0, argb);
}

void Canvas::FrameRoundRect(const RECT& rect, int width, int ellipseWidth, int ellipseHeight,
                            std::uint32_t argb) {
  if (!dc_ || Empty(rect) || width <= 0) return;
  const DeviceScale scale = target_.Scale();
  ::HRGN frame = ShapeRegion(ClipShape{rect, ellipseWidth, ellipseHeight}, scale);
  const RECT inner{rect.left + width, rect.top + width, rect.right - width, rect.bottom - width};
  if (!Empty(inner)) {
    ::HRGN hole = ShapeRegion(
        ClipShape{inner, std::max(0, ellipseWidth - 2 * width), std::max(0, ellipseHeight - 2 * width)},
        scale);
    ::CombineRgn(frame, frame, hole, RGN_DIFF);
    ::DeleteObject(hole);
  }
  Through(System(dc_), frame, [&] { FillRect(rect, argb); });
  ::DeleteObject(frame);
}

}  // namespace os
