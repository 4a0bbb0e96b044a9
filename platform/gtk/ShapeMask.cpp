#include "platform/gtk/ShapeMask.h"

#include <algorithm>
#include <cstdint>
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

// The runs of one row, [start, end) pairs: the part inside the shape, less
// the units whose coverage is 0 when there is a coverage row.
void RowRuns(std::pair<int, int> inShape, const std::uint8_t* coverage,
             std::vector<std::pair<int, int>>& runs) {
  runs.clear();
  if (coverage == nullptr) {
    if (inShape.first < inShape.second) runs.push_back(inShape);
    return;
  }
  for (int x = inShape.first; x < inShape.second;) {
    while (x < inShape.second && coverage[x] == 0) ++x;
    const int start = x;
    while (x < inShape.second && coverage[x] != 0) ++x;
    if (x > start) runs.emplace_back(start, x);
  }
}

}  // namespace

std::vector<RECT> ShapeRectangles(int width, int height, const WindowShape* shape, const PixelView* alpha) {
  std::vector<RECT> out;
  if (width <= 0 || height <= 0) return out;
  // Runs of the row above, [start, end) pairs, and the index in `out` where
  // the band they belong to begins.
  std::vector<std::pair<int, int>> previous, runs;
  // The alpha of each unit of the row, by the coverage rule hit testing
  // uses (at one pixel per unit, the pixels' own alpha).
  std::vector<std::uint8_t> coverage(alpha != nullptr ? static_cast<std::size_t>(width) : 0);
  std::size_t bandStart = 0;
  for (int y = 0; y < height; ++y) {
    const std::pair<int, int> inShape = shape ? ShapeRow(*shape, y, width) : std::pair<int, int>{0, width};
    if (alpha != nullptr) alpha->CoverageRow(y, coverage.data(), width);
    RowRuns(inShape, alpha != nullptr ? coverage.data() : nullptr, runs);
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
