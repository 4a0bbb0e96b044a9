#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#ifndef _WIN32
#include <cairo.h>
#endif

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "testsupport/Pixels.h"

namespace os {
namespace {

int Channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

// Premultiplied pixels coming out of cairo may differ from exact arithmetic
// by one step of rounding.
void ExpectNear(std::uint32_t actual, std::uint32_t expected, int tolerance = 1) {
  for (int shift = 0; shift < 32; shift += 8) {
    EXPECT_LE(std::abs(Channel(actual, shift) - Channel(expected, shift)), tolerance)
        << std::hex << "actual 0x" << actual << " expected 0x" << expected;
  }
}

using testsupport::CountPixels;

TEST(BitmapTest, StartsTransparentWithBgraRows) {
  Bitmap b(5, 3);
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(b.Stride(), 20);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 5, 3}, 0), 15);

  b.SetPixel(1, 2, 0x80402010);
  EXPECT_EQ(b.Pixel(1, 2), 0x80402010u);
  const std::uint8_t* px = b.View().data + 2 * b.Stride() + 4;
  EXPECT_EQ(px[0], 0x10);  // blue first, as in a 32-bpp DIB
  EXPECT_EQ(px[1], 0x20);
  EXPECT_EQ(px[2], 0x40);
  EXPECT_EQ(px[3], 0x80);

  // Outside the bitmap: reads give 0, writes are ignored.
  b.SetPixel(-1, 0, 0xFFFFFFFF);
  b.SetPixel(5, 0, 0xFFFFFFFF);
  EXPECT_EQ(b.Pixel(5, 0), 0u);
  EXPECT_EQ(b.Row(3), nullptr);
}

TEST(BitmapTest, ImpossibleSizesAndMovesLeaveNoDanglingSurface) {
  EXPECT_FALSE(Bitmap(0, 10).IsValid());
  EXPECT_FALSE(Bitmap(10, -1).IsValid());
  EXPECT_FALSE(Bitmap(40000, 1).IsValid());

  Bitmap a(2, 2);
  a.Clear(0xFF00FF00);
  Bitmap b(std::move(a));
  EXPECT_FALSE(a.IsValid());
  EXPECT_EQ(b.Pixel(1, 1), 0xFF00FF00u);
  Bitmap c;
  c = std::move(b);
  EXPECT_EQ(c.Pixel(0, 0), 0xFF00FF00u);

  Bitmap invalid;
  Canvas canvas(invalid);
  EXPECT_FALSE(canvas.IsValid());
  canvas.FillRect(RECT{0, 0, 5, 5}, 0xFFFFFFFF);  // must not crash
}

// A decoder's memory taken over: drawn from where it is, freed once with the
// bitmap (and not at all when refused); Windows' bitmaps cannot draw from it.
int releases = 0;
void CountRelease(void* memory) {
  ++releases;
  std::free(memory);
}

TEST(BitmapTest, DrawsFromADecodersMemoryAndFreesItOnce) {
  releases = 0;
  auto* pixels = static_cast<std::uint32_t*>(std::calloc(4 * 3, sizeof(std::uint32_t)));
  ASSERT_NE(pixels, nullptr);
  pixels[5] = 0xFF112233u;  // (1, 1)
  {
    Bitmap b = Bitmap::OverMemory(pixels, 4, 3, &CountRelease);
#ifdef _WIN32
    EXPECT_FALSE(b.IsValid());
#else
    ASSERT_TRUE(b.IsValid());
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Stride(), 16);
    EXPECT_EQ(b.Pixel(1, 1), 0xFF112233u);
    {
      Canvas canvas(b);
      canvas.FillRect(RECT{3, 2, 4, 3}, 0xFF0000FF);
    }
    EXPECT_EQ(b.Pixel(3, 2), 0xFF0000FFu);
    EXPECT_EQ(pixels[11], 0xFF0000FFu);  // painted where it was decoded
    Bitmap moved = std::move(b);
    EXPECT_EQ(releases, 0);
#endif
  }
#ifdef _WIN32
  std::free(pixels);
#else
  EXPECT_EQ(releases, 1);
#endif

  std::uint32_t kept[4] = {};
  EXPECT_FALSE(Bitmap::OverMemory(nullptr, 4, 3, &CountRelease).IsValid());
  EXPECT_FALSE(Bitmap::OverMemory(kept, 0, 1, &CountRelease).IsValid());
  EXPECT_FALSE(Bitmap::OverMemory(kept, 40000, 1, &CountRelease).IsValid());
  EXPECT_FALSE(Bitmap::OverMemory(kept, 2, 2, nullptr).IsValid());
#ifdef _WIN32
  EXPECT_EQ(releases, 0);
#else
  EXPECT_EQ(releases, 1);
#endif
}

#ifndef _WIN32
// A window system's image taken over: cleared (the memory may have held an
// earlier frame), at its density, and released with the bitmap; one that
// does not fit is released at once.
TEST(BitmapTest, AdoptsAFittingImageAndReleasesEveryOther) {
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 6);
  cairo_t* cr = cairo_create(image);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_reference(image);  // the test's own, to watch the count
  {
    Bitmap b = Bitmap::Adopt(image, 4, 3, DeviceScale(2));
    ASSERT_TRUE(b.IsValid());
    EXPECT_EQ(b.Surface(), image);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.PixelWidth(), 8);
    EXPECT_EQ(b.Scale(), DeviceScale(2));
    EXPECT_EQ(CountPixels(b, RECT{0, 0, 8, 6}, 0), 48);
    Canvas canvas(b);
    canvas.FillRect(RECT{0, 0, 1, 1}, 0xFF0000FF);
    EXPECT_EQ(b.Pixel(1, 1), 0xFF0000FFu);  // one unit is 2x2 pixels
    EXPECT_EQ(b.Pixel(2, 2), 0u);
  }
  EXPECT_EQ(cairo_surface_get_reference_count(image), 1u);

  cairo_surface_t* opaque = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 3);
  cairo_surface_reference(opaque);
  EXPECT_FALSE(Bitmap::Adopt(opaque, 4, 3, DeviceScale(1)).IsValid());
  EXPECT_EQ(cairo_surface_get_reference_count(opaque), 1u);
  cairo_surface_reference(image);
  EXPECT_FALSE(Bitmap::Adopt(image, 4, 3, DeviceScale(1)).IsValid());  // 8x6 pixels are not 4x3
  EXPECT_EQ(cairo_surface_get_reference_count(image), 1u);
  EXPECT_FALSE(Bitmap::Adopt(nullptr, 4, 3, DeviceScale(1)).IsValid());
  cairo_surface_destroy(opaque);
  cairo_surface_destroy(image);
}
#endif

TEST(CanvasTest, FillsBlendTranslucentColoursPremultiplied) {
  Bitmap b(10, 10);
  {
    Canvas c(b);
    c.FillRect(RECT{2, 2, 6, 6}, 0xFFFF0000);
    c.FillRect(RECT{0, 0, 10, 1}, 0x80FF0000);
  }
  EXPECT_EQ(b.Pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(b.Pixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(b.Pixel(6, 6), 0u);  // right and bottom are exclusive
  ExpectNear(b.Pixel(0, 0), 0x80800000);
  EXPECT_EQ(b.Pixel(0, 1), 0u);
}

TEST(CanvasTest, ClipStackIntersectsAndRestores) {
  Bitmap b(20, 20);
  Canvas c(b);
  c.PushClipRect(RECT{0, 0, 10, 10});
  c.PushClipRect(RECT{5, 5, 20, 20});
  EXPECT_EQ(c.ClipDepth(), 2u);
  EXPECT_EQ(c.ClipBox(), (RECT{5, 5, 10, 10}));
  c.FillRect(RECT{0, 0, 20, 20}, 0xFF0000FF);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 20, 20}, 0xFF0000FF), 25);

  ClipShape removed = c.PopClip();
  EXPECT_EQ(removed.rect, (RECT{5, 5, 20, 20}));
  c.FillRect(RECT{0, 0, 20, 20}, 0xFF00FF00);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 20, 20}, 0xFF00FF00), 100);

  c.PopClip();
  EXPECT_EQ(c.PopClip().rect, RECT{});  // popping an empty stack is harmless
  EXPECT_EQ(c.ClipBox(), (RECT{0, 0, 20, 20}));

  c.PushClip(removed);  // a removed shape can be put back
  c.FillRect(RECT{0, 0, 20, 20}, 0xFFFFFFFF);
  EXPECT_EQ(b.Pixel(4, 4), 0xFF00FF00u);
  EXPECT_EQ(b.Pixel(5, 5), 0xFFFFFFFFu);

  c.PushClipRect(RECT{3, 3, 3, 9});  // an empty shape leaves nothing drawable
  c.FillRect(RECT{0, 0, 20, 20}, 0xFF123456);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 20, 20}, 0xFF123456), 0);
}

TEST(CanvasTest, RoundedClipLeavesCornersUntouched) {
  Bitmap b(40, 30);
  {
    Canvas c(b);
    c.PushClipRoundRect(RECT{0, 0, 40, 30}, 16, 16);
    c.FillRect(RECT{0, 0, 40, 30}, 0xFFFFFFFF);
  }
  for (POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{0, 29}, POINT{39, 29}, POINT{1, 1}, POINT{38, 28}}) {
    EXPECT_EQ(b.Pixel(p.x, p.y), 0u) << p.x << "," << p.y;
  }
  EXPECT_EQ(b.Pixel(20, 0), 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(0, 15), 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(20, 15), 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(8, 8), 0xFFFFFFFFu);
}

// A 3×3 picture whose nine pixels are distinct opaque colours.
Bitmap NinePixels() {
  Bitmap b(3, 3);
  const std::uint32_t colours[9] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF,
                                    0xFFFF00FF, 0xFF800000, 0xFF008000, 0xFF000080};
  for (int i = 0; i < 9; ++i) b.SetPixel(i % 3, i / 3, colours[i]);
  return b;
}

TEST(CanvasTest, DrawBitmapCopiesOneToOneAndStretchesWithoutBleeding) {
  Bitmap src = NinePixels();
  Bitmap dst(30, 30);
  Canvas c(dst);
  c.SetStretchMode(StretchMode::Halftone);
  c.DrawBitmap(src, RECT{0, 0, 3, 3}, RECT{0, 0, 3, 3});
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.Pixel(x, y), src.Pixel(x, y));
  }
  // The centre pixel stretched alone: every target pixel is that colour,
  // the filter never reaches the neighbours.
  c.DrawBitmap(src, RECT{1, 1, 2, 2}, RECT{10, 10, 30, 30});
  EXPECT_EQ(CountPixels(dst, RECT{10, 10, 30, 30}, 0xFF00FFFF), 400);
  EXPECT_EQ(dst.Pixel(9, 9), 0u);

  // A part reaching outside the bitmap is cut to it.
  Bitmap dst2(6, 6);
  Canvas c2(dst2);
  c2.DrawBitmap(src, RECT{2, 0, 10, 1}, RECT{0, 0, 6, 6});
  EXPECT_EQ(CountPixels(dst2, RECT{0, 0, 6, 6}, 0xFF0000FF), 36);
}

TEST(CanvasTest, DrawBitmapBlendsCopiesAndHonoursTheLimit) {
  Bitmap src(4, 4);
  src.Clear(0x80000080);  // half-transparent navy, premultiplied
  Bitmap dst(8, 4);
  dst.Clear(0xFFFFFFFF);
  {
    Canvas c(dst);
    c.DrawBitmap(src, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, 255, BlendOp::Over);
    c.DrawBitmap(src, RECT{0, 0, 4, 4}, RECT{4, 0, 8, 4}, 255, BlendOp::Copy);
  }
  ExpectNear(dst.Pixel(1, 1), 0xFF7F7FFF);
  EXPECT_EQ(dst.Pixel(5, 1), 0x80000080u);

  Bitmap opaque(4, 4);
  opaque.Clear(0xFF000000);
  Bitmap target(8, 8);
  target.Clear(0xFFFFFFFF);
  {
    Canvas c(target);
    const RECT limit{0, 0, 2, 8};
    c.DrawBitmap(opaque, RECT{0, 0, 4, 4}, RECT{0, 0, 8, 8}, 128, BlendOp::Over, &limit);
  }
  ExpectNear(target.Pixel(0, 0), 0xFF7F7F7F);
  ExpectNear(target.Pixel(1, 7), 0xFF7F7F7F);
  EXPECT_EQ(target.Pixel(2, 0), 0xFFFFFFFFu);
}

class LimitedStretchTest : public ::testing::TestWithParam<StretchMode> {};

// A stretch cut by a limit (a control painting part of a picture) puts down
// the very pixels the whole stretch has there, whatever the mode.
TEST_P(LimitedStretchTest, ALimitCutsTheStretchWithoutMovingIt) {
  Bitmap picture(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      picture.SetPixel(x, y, 0xFF000000u | (x * 60u << 16) | (y * 100u << 8) | 0x40);
  auto draw = [&](const RECT* limit) {
    Bitmap b(40, 30);
    Canvas c(b);
    c.SetStretchMode(GetParam());
    c.DrawBitmap(picture, RECT{0, 0, 5, 3}, RECT{3, 2, 37, 29}, 255, BlendOp::Over, limit);
    return b;
  };
  const Bitmap whole = draw(nullptr);
  const RECT limit{11, 9, 26, 20};
  const Bitmap cut = draw(&limit);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= limit.left && x < limit.right && y >= limit.top && y < limit.bottom;
      ASSERT_EQ(cut.Pixel(x, y), inside ? whole.Pixel(x, y) : 0u) << x << "," << y;
    }
  }
}

// Tiles are laid from the destination's corner even where a limit lets only
// a later part show.
TEST_P(LimitedStretchTest, ALimitCutsTilesWithoutShiftingThem) {
  Bitmap picture(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) picture.SetPixel(x, y, 0xFF000000u | (x * 100u << 16) | (y * 200u));
  auto draw = [&](const RECT* limit) {
    Bitmap b(50, 40);
    Canvas c(b);
    c.SetStretchMode(GetParam());
    c.TileBitmap(picture, RECT{0, 0, 3, 2}, RECT{2, 3, 48, 37}, SIZE{7, 5}, 200, BlendOp::Over, limit);
    return b;
  };
  const Bitmap whole = draw(nullptr);
  const RECT limit{13, 11, 31, 29};
  const Bitmap cut = draw(&limit);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      const bool inside = x >= limit.left && x < limit.right && y >= limit.top && y < limit.bottom;
      ASSERT_EQ(cut.Pixel(x, y), inside ? whole.Pixel(x, y) : 0u) << x << "," << y;
    }
  }
  EXPECT_EQ(whole.Pixel(1, 3), 0u);
  EXPECT_EQ(whole.Pixel(47, 36) >> 24, 200u);
}

INSTANTIATE_TEST_SUITE_P(Modes, LimitedStretchTest,
                         ::testing::Values(StretchMode::ColorOnColor, StretchMode::Halftone));

TEST(CanvasTest, LinesCoverThePixelsAGdiPenCovers) {
  Bitmap b(30, 30);
  Canvas c(b);
  c.Line(POINT{2, 5}, POINT{12, 5}, 1, 0xFFFF0000);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 30, 30}, 0xFFFF0000), 10);
  EXPECT_EQ(CountPixels(b, RECT{2, 5, 12, 6}, 0xFFFF0000), 10);

  c.Line(POINT{20, 0}, POINT{20, 10}, 3, 0xFF00FF00);
  EXPECT_EQ(CountPixels(b, RECT{19, 0, 22, 10}, 0xFF00FF00), 30);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 30, 30}, 0xFF00FF00), 30);

  c.Line(POINT{0, 20}, POINT{30, 20}, 1, 0xFF0000FF, PS_DASH);
  const int dashed = CountPixels(b, RECT{0, 20, 30, 21}, 0xFF0000FF);
  EXPECT_GT(dashed, 10);
  EXPECT_LT(dashed, 30);

  c.Line(POINT{0, 25}, POINT{30, 25}, 1, 0xFF0000FF, PS_NULL);
  EXPECT_EQ(CountPixels(b, RECT{0, 25, 30, 26}, 0), 30);
}

TEST(CanvasTest, FramesStayInsideTheirRectangle) {
  Bitmap b(30, 30);
  {
    Canvas c(b);
    c.FrameRect(RECT{5, 5, 25, 25}, 2, 0xFF00FF00);
  }
  EXPECT_EQ(b.Pixel(4, 4), 0u);
  EXPECT_EQ(b.Pixel(5, 5), 0xFF00FF00u);
  EXPECT_EQ(b.Pixel(6, 15), 0xFF00FF00u);
  EXPECT_EQ(b.Pixel(7, 15), 0u);
  EXPECT_EQ(b.Pixel(24, 24), 0xFF00FF00u);
  EXPECT_EQ(b.Pixel(25, 25), 0u);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 30, 30}, 0xFF00FF00), 20 * 20 - 16 * 16);

  Bitmap r(40, 40);
  {
    Canvas c(r);
    c.FrameRoundRect(RECT{0, 0, 40, 40}, 2, 16, 16, 0xFFFF0000);
  }
  EXPECT_EQ(r.Pixel(0, 0), 0u);
  EXPECT_EQ(r.Pixel(20, 0), 0xFFFF0000u);
  EXPECT_EQ(r.Pixel(20, 1), 0xFFFF0000u);
  EXPECT_EQ(r.Pixel(20, 2), 0u);
  EXPECT_EQ(r.Pixel(39, 20), 0xFFFF0000u);
  EXPECT_EQ(r.Pixel(20, 20), 0u);
}

}  // namespace
}  // namespace os
