// Views of presentable pixels: what a bitmap hands a window, and the alpha
// rule hit testing of per-pixel-alpha frames reads.
#include <algorithm>

#include "platform/gfx/Bitmap.h"
#include "platform/window/Paint.h"

namespace os {

PixelView PixelsOf(const Bitmap& bitmap) {
  return PixelView{bitmap.Data(), bitmap.PixelWidth(), bitmap.PixelHeight(), bitmap.Stride(), bitmap.Scale()};
}

std::uint8_t PixelView::CoverageAlpha(int x, int y) const {
  if (!pixels || x < 0 || y < 0) return 0;
  const RECT block = scale.ToDevice(RECT{x, y, x + 1, y + 1});
  std::uint8_t alpha = 0;
  for (int row = block.top; row < std::min<int>(block.bottom, height); ++row) {
    const std::uint8_t* line = pixels + static_cast<std::size_t>(row) * stride;
    for (int col = block.left; col < std::min<int>(block.right, width); ++col)
      alpha = std::max(alpha, line[static_cast<std::size_t>(col) * 4 + 3]);
  }
  return alpha;
}

}  // namespace os
