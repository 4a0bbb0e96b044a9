#include "platform/gtk/ShapeMask.h"

#include <algorithm>

namespace os::gtk {

std::vector<RECT> ShapeRectangles(int width, int height, const WindowShape* shape, const PixelView* alpha) {
  std::vector<RECT> out;
  if (width <= 0 || height <= 0) return out;
  // Runs of the row above, [start, end) pairs, and the index in `out` where
  // the band they belong to begins.
  std::vector<std::pair<int, int>> previous, runs;
  std::size_t bandStart = 0;
  for (int y = 0; y < height; ++y) {
    runs.clear();
    const std::uint8_t* row = nullptr;
    int rowWidth = 0;
    if (alpha && alpha->pixels && y < alpha->height) {
      row = alpha->pixels + static_cast<std::size_t>(y) * alpha->stride;
      rowWidth = std::min(width, alpha->width);
    }
    int start = -1;
    for (int x = 0; x <= width; ++x) {
      bool in = x < width;
      if (in && alpha) in = row && x < rowWidth && row[static_cast<std::size_t>(x) * 4 + 3] != 0;
      if (in && shape) in = shape->Contains(x, y);
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
