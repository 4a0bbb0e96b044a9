#include "platform/gtk/ShapeMask.h"

#include <algorithm>
#include <utility>

namespace os::gtk {
namespace {

// The pixels of row y inside the shape, [left, right): one run, since a
// window shape is a rectangle, rounded or not. Its ends are found with
// Contains, the rule hit testing uses, so the two agree, while the pixels
// between them (nearly all of a window) need no test of their own.
std::pair<int, int> ShapeRow(const WindowShape& shape, int y, int width) {
  if (y < shape.rect.top || y >= shape.rect.bottom) return {0, 0};
  int left = std::max<int>(0, shape.rect.left);
  int right = std::min<int>(width, shape.rect.right);
  while (left < right && !shape.Contains(left, y)) ++left;
  while (right > left && !shape.Contains(right - 1, y)) --right;
  return {left, right};
}

}  // namespace

std::vector<RECT> ShapeRectangles(int width, int height, const WindowShape* shape, const PixelView* alpha) {
  std::vector<RECT> out;
  if (width <= 0 || height <= 0) return out;
  // Runs of the row above, [start, end) pairs, and the index in `out` where
  // the band they belong to begins.
  std::vector<std::pair<int, int>> previous, runs;
  std::size_t bandStart = 0;
  for (int y = 0; y < height; ++y) {
    runs.clear();
    // At one pixel per unit the row is read directly; denser frames go
    // through the coverage rule hit testing uses.
    const bool direct = alpha && alpha->scale.IsIdentity();
    const std::uint8_t* row = nullptr;
    int rowWidth = 0;
    if (direct && alpha->pixels && y < alpha->height) {
      row = alpha->pixels + static_cast<std::size_t>(y) * alpha->stride;
      rowWidth = std::min(width, alpha->width);
    }
    const std::pair<int, int> inShape = shape ? ShapeRow(*shape, y, width) : std::pair<int, int>{0, width};
    int start = -1;
    for (int x = 0; x <= width; ++x) {
      bool in = x >= inShape.first && x < inShape.second;
      if (in && direct) in = row && x < rowWidth && row[static_cast<std::size_t>(x) * 4 + 3] != 0;
      if (in && alpha && !direct) in = alpha->CoverageAlpha(x, y) != 0;
      if (in && start < 0) start = x;
      if (!in && start >= 0) {
        runs.emplace_back(start, x);
        start = -1;
      }
    }
    if (y > 0 && runs == previous) {
      for (std::size_t i = bandStart; i < out.size(); ++i) out[i].bottom = y + 1;
      continue;
    }
    bandStart = out.size();
    for (const auto& [left, right] : runs) out.push_back(RECT{left, y, right, y + 1});
    previous.swap(runs);
  }
  return out;
}

}  // namespace os::gtk
