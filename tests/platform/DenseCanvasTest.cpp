// Bitmaps for high-density screens: logical coordinates, device pixels.
// Shapes and text land at full device resolution where their logical
// coordinates say; pictures of one pixel per unit are resampled smoothly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"

namespace os {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;

// The device pixels with any alpha, as a bounding rectangle.
RECT InkBounds(const Bitmap& b) {
  RECT r{b.PixelWidth(), b.PixelHeight(), 0, 0};
  for (int y = 0; y < b.PixelHeight(); ++y) {
    for (int x = 0; x < b.PixelWidth(); ++x) {
      if (!(b.Pixel(x, y) >> 24)) continue;
      r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
      r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
    }
  }
  return r;
}

class DenseCanvasTest : public ::testing::TestWithParam<int> {
 protected:
  int f = GetParam();
};

TEST_P(DenseCanvasTest, SizesAreLogicalAndPixelsDevice) {
  Bitmap b(10, 7, DeviceScale(f));
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 7);
  EXPECT_EQ(b.Scale().Factor(), f);
  EXPECT_EQ(b.PixelWidth(), 10 * f);
  EXPECT_EQ(b.PixelHeight(), 7 * f);
  EXPECT_GE(b.Stride(), 10 * f * 4);
  EXPECT_EQ(b.View().width, 10 * f);
  // The last device row exists, the one after it does not.
  EXPECT_NE(b.Row(7 * f - 1), nullptr);
  EXPECT_EQ(b.Row(7 * f), nullptr);
  b.Clear(kRed);
  EXPECT_EQ(b.Pixel(10 * f - 1, 7 * f - 1), kRed);
}

TEST_P(DenseCanvasTest, FillsCoverTheirUnitsInDevicePixels) {
  Bitmap b(12, 8, DeviceScale(f));
  {
    Canvas canvas(b);
    canvas.FillRect(RECT{2, 1, 5, 3}, kRed);
  }
  EXPECT_EQ(InkBounds(b), (RECT{2 * f, 1 * f, 5 * f, 3 * f}));
  int red = 0;
  for (int y = 0; y < b.PixelHeight(); ++y)
    for (int x = 0; x < b.PixelWidth(); ++x) red += b.Pixel(x, y) == kRed;
  EXPECT_EQ(red, 3 * 2 * f * f);
  // The clip box answers in logical units.
  Canvas canvas(b);
  canvas.PushClipRect(RECT{1, 2, 4, 6});
  EXPECT_EQ(canvas.ClipBox(), (RECT{1, 2, 4, 6}));
}

TEST_P(DenseCanvasTest, PicturesOfOnePixelPerUnitAreScaledSmoothly) {
  // A two-unit picture, black and white halves, drawn at its logical size.
  Bitmap picture(2, 1);
  picture.SetPixel(0, 0, 0xFF000000);
  picture.SetPixel(1, 0, 0xFFFFFFFF);
  Bitmap b(2, 1, DeviceScale(f));
  {
    Canvas canvas(b);
    canvas.DrawBitmap(picture, RECT{0, 0, 2, 1}, RECT{0, 0, 2, 1});
  }
  EXPECT_EQ(InkBounds(b), (RECT{0, 0, 2 * f, f}));
  // Nearest-pixel enlargement would leave only black and white.
  int between = 0;
  for (int x = 0; x < 2 * f; ++x) {
    const std::uint32_t blue = b.Pixel(x, 0) & 0xFF;
    between += blue > 0x10 && blue < 0xF0;
  }
  if (f == 1) {
    EXPECT_EQ(between, 0) << "a copy at one pixel per unit must stay exact";
  } else {
    EXPECT_GT(between, 0) << "the picture was enlarged pixel by pixel";
  }
}

TEST_P(DenseCanvasTest, BitmapsOfTheSameDensityCopyPixelForPixel) {
  Bitmap source(3, 2, DeviceScale(f));
  for (int y = 0; y < source.PixelHeight(); ++y)
    for (int x = 0; x < source.PixelWidth(); ++x) source.SetPixel(x, y, 0xFF000000u | (x * 40 << 8) | y * 30);
  Bitmap b(5, 4, DeviceScale(f));
  {
    Canvas canvas(b);
    canvas.DrawBitmap(source, RECT{0, 0, 3, 2}, RECT{2, 1, 5, 3});
  }
  for (int y = 0; y < source.PixelHeight(); ++y)
    for (int x = 0; x < source.PixelWidth(); ++x)
      EXPECT_EQ(b.Pixel(2 * f + x, f + y), source.Pixel(x, y)) << x << "," << y;
}

TEST_P(DenseCanvasTest, TilesRepeatAtLogicalSteps) {
  Bitmap tile(2, 2);
  tile.Clear(0xFFFFFFFF);
  tile.SetPixel(0, 0, kRed);
  Bitmap b(6, 2, DeviceScale(f));
  {
    Canvas canvas(b);
    canvas.TileBitmap(tile, RECT{0, 0, 2, 2}, RECT{0, 0, 6, 2}, SIZE{2, 2});
  }
  // Each tile's red corner starts every two units.
  for (int step = 0; step < 3; ++step) {
    const std::uint32_t corner = b.Pixel(step * 2 * f, 0);
    EXPECT_GT((corner >> 16) & 0xFF, 0xC0u) << "tile " << step;
    EXPECT_LT(corner & 0xFF, 0x40u) << "tile " << step;
  }
}

TEST_P(DenseCanvasTest, TextIsRenderedAtDeviceResolutionNotEnlarged) {
  Font font(u"Tahoma", 14);
  auto draw = [&](DeviceScale scale) {
    Bitmap b(60, 24, scale);
    Canvas canvas(b);
    RECT r{2, 2, 58, 22};
    DrawText(&canvas, font, u"登录 Ag", r, DT_SINGLELINE | DT_LEFT | DT_TOP, 0xFF000000);
    return b;
  };
  const Bitmap one = draw(DeviceScale(1));
  const Bitmap dense = draw(DeviceScale(f));
  // Same place and size in logical units (within a device pixel per edge
  // of hinting).
  const RECT a = InkBounds(one), d = InkBounds(dense);
  ASSERT_LT(a.left, a.right);
  EXPECT_NEAR(d.left, a.left * f, f);
  EXPECT_NEAR(d.top, a.top * f, f);
  EXPECT_NEAR(d.right, a.right * f, 2 * f);
  EXPECT_NEAR(d.bottom, a.bottom * f, 2 * f);
  if (f == 1) return;
  // An enlargement would make every f x f block one colour.
  int mixedBlocks = 0;
  for (int y = 0; y + f <= dense.PixelHeight(); y += f) {
    for (int x = 0; x + f <= dense.PixelWidth(); x += f) {
      bool uniform = true;
      for (int dy = 0; dy < f; ++dy)
        for (int dx = 0; dx < f; ++dx) uniform = uniform && dense.Pixel(x + dx, y + dy) == dense.Pixel(x, y);
      mixedBlocks += !uniform;
    }
  }
  EXPECT_GT(mixedBlocks, 20);
}

TEST_P(DenseCanvasTest, DashesKeepTheirLengthInUnits) {
  // The lengths of the inked runs along a dashed line's middle device row.
  auto runs = [](DeviceScale scale) {
    Bitmap b(120, 10, scale);
    {
      Canvas canvas(b);
      canvas.Line(POINT{0, 5}, POINT{120, 5}, 1, kRed, PS_DASH);
    }
    std::vector<int> lengths;
    const int y = 5 * scale.Factor() + scale.Factor() / 2;
    int run = 0;
    for (int x = 0; x <= b.PixelWidth(); ++x) {
      if (x < b.PixelWidth() && (b.Pixel(x, y) >> 24) > 0x80) {
        ++run;
      } else if (run > 0) {
        lengths.push_back(run);
        run = 0;
      }
    }
    return lengths;
  };
  const std::vector<int> one = runs(DeviceScale(1)), dense = runs(DeviceScale(f));
  ASSERT_GT(one.size(), 2u);
  ASSERT_EQ(dense.size(), one.size());
  for (std::size_t i = 0; i + 1 < one.size(); ++i) EXPECT_NEAR(dense[i], one[i] * f, f) << "dash " << i;
}

INSTANTIATE_TEST_SUITE_P(Densities, DenseCanvasTest, ::testing::Values(1, 2, 3));

TEST(DenseBitmap, ImpossibleDensitiesFallBackInsteadOfFailing) {
  // Three device pixels per unit would exceed the drawing library's side.
  Bitmap wide(20000, 4, DeviceScale(3));
  ASSERT_TRUE(wide.IsValid());
  EXPECT_EQ(wide.Scale().Factor(), 1);
  Bitmap fits(12000, 4, DeviceScale(3));
  ASSERT_TRUE(fits.IsValid());
  EXPECT_EQ(fits.Scale().Factor(), 2);
  EXPECT_FALSE(Bitmap(0, 4, DeviceScale(2)).IsValid());
  EXPECT_FALSE(Bitmap(40000, 4, DeviceScale(2)).IsValid());
  // A moved-from bitmap is empty at one pixel per unit.
  Bitmap moved(std::move(fits));
  EXPECT_EQ(moved.Scale().Factor(), 2);
  EXPECT_EQ(fits.Scale().Factor(), 1);  // NOLINT(bugprone-use-after-move)
}

}  // namespace
}  // namespace os
