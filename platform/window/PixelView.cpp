// Views of presentable pixels: what a bitmap hands a window, and the alpha
// rule hit testing of per-pixel-alpha frames reads.
#include <algorithm>
#include <cstdint>

#include "platform/gfx/Bitmap.h"
#include "platform/window/Paint.h"

namespace os {

PixelView PixelsOf(const Bitmap& bitmap) {
  return PixelView{bitmap.Data(), bitmap.PixelWidth(), bitmap.PixelHeight(), bitmap.Stride(), bitmap.Scale()};
}

namespace {

// Raises each unit of out to the highest alpha of its device columns, for
// the first `columns` columns of one device row (`alpha` points at the first
// pixel's alpha byte); a last unit the columns only partly fill (an odd
// width) takes what it has. The factor is a template argument where it is
// common, so the loops unroll and vectorise; 0 reads it from `factor`.
template <int kFactor>
void RaiseCoverage(const std::uint8_t* alpha, int columns, int factor, std::uint8_t* out) {
  const int f = kFactor != 0 ? kFactor : factor;
  const int whole = columns / f;
  for (int x = 0; x < whole; ++x) {
    std::uint8_t unit = out[x];
    for (int k = 0; k < f; ++k) unit = std::max(unit, alpha[static_cast<std::size_t>(x * f + k) * 4]);
    out[x] = unit;
  }
  for (int col = whole * f; col < columns; ++col)
    out[whole] = std::max(out[whole], alpha[static_cast<std::size_t>(col) * 4]);
}

}  // namespace

void PixelView::CoverageRow(int y, std::uint8_t* out, int count) const {
  if (count <= 0) return;
  std::fill(out, out + count, 0);
  if (!pixels || y < 0) return;
  const int f = scale.Factor();
  const int top = scale.ToDevice(y);
  if (top >= height) return;
  // The device columns of the units asked for, as far as the pixels go.
  const int columns = static_cast<int>(std::min<std::int64_t>(width, std::int64_t{count} * f));
  for (int row = top; row < std::min(top + f, height); ++row) {
    const std::uint8_t* alpha = pixels + static_cast<std::size_t>(row) * stride + 3;
    switch (f) {
      case 1:
        RaiseCoverage<1>(alpha, columns, f, out);
        break;
      case 2:
        RaiseCoverage<2>(alpha, columns, f, out);
        break;
      default:
        RaiseCoverage<0>(alpha, columns, f, out);
        break;
    }
  }
}

}  // namespace os
