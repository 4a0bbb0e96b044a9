#include "platform/gfx/win32/Gdi.h"

#include <algorithm>
#include <cstring>

namespace os::gdi {

RECT Intersect(const RECT& a, const RECT& b) {
  const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return Empty(r) ? RECT{} : r;
}

RECT Offset(const RECT& r, LONG dx, LONG dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

MemoryDc::MemoryDc(const Bitmap& bitmap) {
  if (!bitmap.IsValid()) return;
  dc_ = ::CreateCompatibleDC(nullptr);
  if (!dc_) return;
  previous_ = ::SelectObject(dc_, SystemBitmap(bitmap));
  if (!previous_ || previous_ == HGDI_ERROR) {
    ::DeleteDC(dc_);
    dc_ = nullptr;
    previous_ = nullptr;
  }
}

MemoryDc::~MemoryDc() {
  if (!dc_) return;
  ::SelectObject(dc_, previous_);
  ::DeleteDC(dc_);
}

SourceDc::SourceDc(const Bitmap& bitmap) : dc_(std::make_unique<MemoryDc>(bitmap)) {
  if (dc_->get() || !bitmap.IsValid()) return;
  copy_ = Bitmap(bitmap.Width(), bitmap.Height(), bitmap.Scale());
  if (!copy_.IsValid() || copy_.Stride() != bitmap.Stride()) return;
  std::memcpy(copy_.Data(), bitmap.Data(), static_cast<std::size_t>(bitmap.Stride()) * bitmap.PixelHeight());
  dc_ = std::make_unique<MemoryDc>(copy_);
}

bool BlendOver(::HDC target, const RECT& to, ::HDC source, const RECT& from, BYTE alpha) {
  if (!target || !source || Empty(to) || Empty(from)) return false;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  return ::AlphaBlend(target, to.left, to.top, Width(to), Height(to), source, from.left, from.top,
                      Width(from), Height(from), blend) != FALSE;
}

void CoverageToColour(Bitmap& mask, std::uint32_t argb) {
  const std::uint32_t alpha = argb >> 24;
  const std::uint32_t rgb = argb & 0xFFFFFF;
  for (int y = 0; y < mask.PixelHeight(); ++y) {
    std::uint32_t* row = mask.Row(y);
    for (int x = 0; x < mask.PixelWidth(); ++x) {
      const std::uint32_t p = row[x];
      const std::uint32_t coverage = std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF});
      row[x] = coverage == 0 ? 0 : PremultiplyArgb(((alpha * coverage + 127) / 255) << 24 | rgb);
    }
  }
}

}  // namespace os::gdi
