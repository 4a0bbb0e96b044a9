// A 32-bit premultiplied ARGB image: the back buffers windows present and the
// decoded pictures controls draw. In memory each pixel is B,G,R,A (a native
// little-endian 0xAARRGGBB word), exactly the layout of a 32-bpp top-down DIB,
// so code written against BGRA bytes works unchanged.
//
// A bitmap for a high-density screen is measured in logical units but holds
// `Scale()` device pixels per unit along each axis; the drawing library is
// told so, and everything drawn through a Canvas (text, shapes, other
// bitmaps) lands at full device resolution at logical coordinates. Width()
// and Height() are logical; the raw pixel accessors (Pixel, Row, Data, View,
// PixelWidth, PixelHeight) address device pixels. At scale 1 the two are one.
//
// On Windows the pixels are those of a 32-bit top-down DIB section, which GDI
// draws into directly (platform/gfx/win32/); the scale is kept with it, GDI
// itself knowing nothing of it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/Types.h"
#include "platform/gfx/DeviceScale.h"

#ifdef _WIN32
namespace os {
struct HBITMAP__;
}
#else
typedef struct _cairo_surface cairo_surface_t;
#endif

namespace os {

// What the window system needs to present a bitmap: top-left pixel, size and
// the distance in bytes between rows.
struct BitmapView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

class Bitmap {
 public:
  Bitmap() = default;
  // A fully transparent bitmap; an impossible size (≤ 0 or beyond what the
  // drawing library accepts) yields an invalid bitmap.
  Bitmap(int width, int height);
  // width x height logical units at the given density. When the device
  // pixels would exceed what the drawing library accepts, the density is
  // lowered until they fit (a window larger than any screen still paints).
  Bitmap(int width, int height, DeviceScale scale);
  ~Bitmap();
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

#ifdef _WIN32
  bool IsValid() const { return dib_ != nullptr; }
#else
  bool IsValid() const { return surface_ != nullptr; }
#endif
  int Width() const { return width_; }
  int Height() const { return height_; }
  DeviceScale Scale() const { return scale_; }
  int PixelWidth() const { return scale_.ToDevice(width_); }
  int PixelHeight() const { return scale_.ToDevice(height_); }
  int Stride() const { return stride_; }

  // Device pixels, premultiplied 0xAARRGGBB; reading or writing outside the
  // bitmap returns 0 or does nothing.
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t argb);

  // Raw rows for bulk access. Call MarkDirty after writing through them so
  // that the drawing library drops anything it derived from the old pixels.
  std::uint32_t* Row(int y);
  const std::uint32_t* Row(int y) const;
  std::uint8_t* Data();
  const std::uint8_t* Data() const;
  void MarkDirty();

  BitmapView View() const;

  // A width x height bitmap at one pixel per unit whose pixels are `pixels`,
  // rows of `width` words with nothing between them, as a picture decoder
  // hands them out: the picture becomes a bitmap where it was decoded
  // instead of being copied into memory touched for the first time (on a
  // virtual machine, several milliseconds for a window-sized picture). The
  // bitmap frees them with `release` when it goes; the caller fills them in
  // (Row, then MarkDirty). Invalid, with the memory still the caller's, when
  // the drawing library cannot draw from it: on Windows, where GDI draws only
  // into a DIB section of its own, always.
  static Bitmap OverMemory(std::uint32_t* pixels, int width, int height, void (*release)(void*));

  // Every pixel set to the premultiplied value.
  void Clear(std::uint32_t argb = 0);

  // PNG snapshot (straight alpha, as PNG requires); false on any failure.
  bool WritePng(const std::string& path) const;

#ifdef _WIN32
  // The DIB section behind the bitmap (an HBITMAP), for the platform layer's
  // own drawing code.
  HBITMAP__* Handle() const { return dib_; }
#else
  // The cairo image surface behind the bitmap, for the platform layer's own
  // drawing code.
  cairo_surface_t* Surface() const { return surface_; }
  // A bitmap of width x height logical units at `scale` over `image`, an
  // ARGB32 image surface made elsewhere (the window system's, in memory the
  // display shares), whose one reference it takes over. The pixels are
  // cleared. An image of another format or size is released, and the bitmap
  // is invalid.
  static Bitmap Adopt(cairo_surface_t* image, int width, int height, DeviceScale scale);
#endif

 private:
  void Flush() const;

#ifdef _WIN32
  HBITMAP__* dib_ = nullptr;
  std::uint8_t* bits_ = nullptr;
#else
  cairo_surface_t* surface_ = nullptr;
#endif
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  DeviceScale scale_;
};

// Premultiplies a straight 0xAARRGGBB colour the way the drawing library
// stores it (rounded), for comparisons and raw writes.
std::uint32_t PremultiplyArgb(std::uint32_t argb);

}  // namespace os
