// The shape rectangles the gtk backend hands to the X shape extension must
// cover exactly the pixels hit testing counts as inside the window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gtk/ShapeMask.h"

namespace {

using os::PixelView;
using os::RECT;
using os::WindowShape;
using os::gtk::ShapeRectangles;

// How often each pixel is covered by the rectangles.
std::vector<int> Coverage(const std::vector<RECT>& rects, int width, int height) {
  std::vector<int> count(static_cast<std::size_t>(width) * height, 0);
  for (const RECT& r : rects) {
    EXPECT_LT(r.left, r.right);
    EXPECT_LT(r.top, r.bottom);
    for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, height); ++y)
      for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, width); ++x) ++count[y * width + x];
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height) << "outside the surface";
  }
  return count;
}

struct Frame {
  int width, height;
  std::vector<std::uint8_t> bytes;
  Frame(int w, int h, std::uint8_t alpha)
      : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 4, 0) {
    for (int i = 0; i < w * h; ++i) bytes[i * 4 + 3] = alpha;
  }
  void SetAlpha(int x, int y, std::uint8_t a) {
    bytes[(static_cast<std::size_t>(y) * width + x) * 4 + 3] = a;
  }
  PixelView View() const { return PixelView{bytes.data(), width, height, width * 4}; }
};

// A frame of a denser screen: the shape stays in logical units and keeps a
// unit when any of its device pixels is visible, as hit testing does.
class GtkDenseShapeMask : public ::testing::TestWithParam<int> {};

TEST_P(GtkDenseShapeMask, UnitsWithAnyVisiblePixelStay) {
  const int f = GetParam();
  Frame frame(9 * f, 5 * f, 0);
  frame.SetAlpha(2 * f + f - 1, 1 * f, 40);   // unit (2, 1), its top-right pixel
  frame.SetAlpha(6 * f, 3 * f + f - 1, 255);  // unit (6, 3), its bottom-left pixel
  PixelView view = frame.View();
  view.scale = os::DeviceScale(f);
  const auto rects = ShapeRectangles(9, 5, nullptr, &view);
  const auto count = Coverage(rects, 9, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(count[y * 9 + x], (x == 2 && y == 1) || (x == 6 && y == 3) ? 1 : 0) << x << "," << y;
  // A window shape cuts the dense frame by the same logical rule.
  Frame opaque(9 * f, 5 * f, 255);
  PixelView full = opaque.View();
  full.scale = os::DeviceScale(f);
  const WindowShape shape{RECT{1, 1, 8, 5}, 0, 0};
  const auto cut = Coverage(ShapeRectangles(9, 5, &shape, &full), 9, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(cut[y * 9 + x], shape.Contains(x, y) ? 1 : 0) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Densities, GtkDenseShapeMask, ::testing::Values(1, 2, 3));

TEST(GtkShapeMask, PlainRectangleIsOneRectangle) {
  const auto rects = ShapeRectangles(40, 30, nullptr, nullptr);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].left, 0);
  EXPECT_EQ(rects[0].top, 0);
  EXPECT_EQ(rects[0].right, 40);
  EXPECT_EQ(rects[0].bottom, 30);
  EXPECT_TRUE(ShapeRectangles(0, 30, nullptr, nullptr).empty());
  EXPECT_TRUE(ShapeRectangles(40, -1, nullptr, nullptr).empty());
}

TEST(GtkShapeMask, RoundedRegionMatchesTheHitTestToThePixel) {
  // Odd sizes and an ellipse taller than wide stress the corner arithmetic;
  // the region leaves out its right and bottom edge like GDI's. The second
  // region starts left of the surface and ends beyond it, the third lies
  // wholly outside it.
  const WindowShape shapes[] = {
      {RECT{0, 0, 57, 43}, 18, 25}, {RECT{-6, 3, 70, 40}, 30, 12}, {RECT{61, 0, 90, 45}, 4, 4}};
  const int width = 60, height = 45;
  for (const WindowShape& shape : shapes) {
    SCOPED_TRACE(shape.rect.left);
    const auto rects = ShapeRectangles(width, height, &shape, nullptr);
    const auto coverage = Coverage(rects, width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(coverage[y * width + x], shape.Contains(x, y) ? 1 : 0) << x << "," << y;
    // Rows with the same runs share a band: far fewer rectangles than rows.
    EXPECT_LT(rects.size(), 40u);
  }
  EXPECT_FALSE(shapes[0].Contains(0, 0));  // the corner really is cut
}

TEST(GtkShapeMask, TransparentPixelsAreCutAndTheShapeStillApplies) {
  Frame frame(20, 10, 255);
  frame.SetAlpha(0, 0, 0);  // a transparent corner
  frame.SetAlpha(5, 5, 0);  // a hole
  frame.SetAlpha(6, 5, 1);  // almost transparent still counts
  frame.SetAlpha(19, 9, 0);
  const PixelView view = frame.View();
  const auto rects = ShapeRectangles(20, 10, nullptr, &view);
  const auto coverage = Coverage(rects, 20, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool transparent = (x == 0 && y == 0) || (x == 5 && y == 5) || (x == 19 && y == 9);
      ASSERT_EQ(coverage[y * 20 + x], transparent ? 0 : 1) << x << "," << y;
    }

  // Both together: a pixel stays only when the region and the alpha agree.
  WindowShape shape;
  shape.rect = RECT{2, 0, 20, 10};
  const auto both = Coverage(ShapeRectangles(20, 10, &shape, &view), 20, 10);
  EXPECT_EQ(both[5 * 20 + 1], 0);  // outside the region
  EXPECT_EQ(both[5 * 20 + 5], 0);  // transparent
  EXPECT_EQ(both[5 * 20 + 6], 1);
}

TEST(GtkShapeMask, PixelsBeyondTheFrameAreTransparent) {
  Frame frame(8, 4, 200);
  const PixelView view = frame.View();
  const auto coverage = Coverage(ShapeRectangles(10, 6, nullptr, &view), 10, 6);
  EXPECT_EQ(coverage[3 * 10 + 7], 1);
  EXPECT_EQ(coverage[3 * 10 + 8], 0);
  EXPECT_EQ(coverage[4 * 10 + 0], 0);

  Frame clear(8, 4, 0);
  const PixelView none = clear.View();
  EXPECT_TRUE(ShapeRectangles(8, 4, nullptr, &none).empty());
}

}  // namespace
