// What the gfx group's GDI sources share: memory DCs over our bitmaps,
// rectangles in device pixels, and the one way a drawing GDI leaves without
// alpha becomes premultiplied pixels. Only platform/gfx/win32/ includes it,
// after the platform headers and Win32.h.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx/Bitmap.h"

// After the platform headers.
#include "platform/base/win32/Win32.h"

namespace os::gdi {

inline LONG Width(const RECT& r) { return r.right - r.left; }
inline LONG Height(const RECT& r) { return r.bottom - r.top; }
inline bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
RECT Intersect(const RECT& a, const RECT& b);
RECT Offset(const RECT& r, LONG dx, LONG dy);

inline ::HBITMAP SystemBitmap(const Bitmap& bitmap) { return win32::As<::HBITMAP>(bitmap.Handle()); }

// A memory DC with a bitmap selected into it, released with it. Empty (get()
// is null) when the bitmap is invalid or already selected into another DC,
// as a bitmap can be selected into one DC at a time.
class MemoryDc {
 public:
  explicit MemoryDc(const Bitmap& bitmap);
  ~MemoryDc();
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ::HDC get() const { return dc_; }

 private:
  ::HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A DC to read a bitmap's pixels through. When the bitmap is selected into
// a canvas's DC at the time (a canvas's target drawn onto itself or onto
// another canvas), it is read through a copy of its pixels.
class SourceDc {
 public:
  explicit SourceDc(const Bitmap& bitmap);
  ::HDC get() const { return dc_ ? dc_->get() : nullptr; }

 private:
  Bitmap copy_;
  std::unique_ptr<MemoryDc> dc_;
};

// AlphaBlend of premultiplied pixels with a constant alpha, source over.
bool BlendOver(::HDC target, const RECT& to, ::HDC source, const RECT& from, BYTE alpha);

// A mask GDI drew in white on black (zeroed memory) becomes the colour at
// each pixel's coverage: the brightest channel of the pixel, as antialiased
// grey text and aliased pens both leave it. The colour is straight ARGB; the
// result is premultiplied.
void CoverageToColour(Bitmap& mask, std::uint32_t argb);

}  // namespace os::gdi
