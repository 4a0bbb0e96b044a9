// What drawing with GDI adds to the rules the canvas and text tests check:
// GDI writes no alpha, its round regions and halftone stretches have edges
// of their own, a bitmap is selected into one DC at a time, and a LOGFONT
// holds a face name of bounded length.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "testsupport/TempDir.h"

namespace os {
namespace {

int Alpha(std::uint32_t p) { return static_cast<int>(p >> 24); }
int Channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

// Every colour channel of a premultiplied pixel is at most its alpha.
void ExpectPremultiplied(const Bitmap& b) {
  int bad = 0;
  for (int y = 0; y < b.PixelHeight(); ++y) {
    for (int x = 0; x < b.PixelWidth(); ++x) {
      const std::uint32_t p = b.Pixel(x, y);
      bad += Channel(p, 16) > Alpha(p) || Channel(p, 8) > Alpha(p) || Channel(p, 0) > Alpha(p);
    }
  }
  EXPECT_EQ(bad, 0) << "pixels whose colour exceeds their alpha";
}

struct TextColourCase {
  std::uint32_t colour;
  std::uint32_t background;
};

class TextAlphaTest : public ::testing::TestWithParam<TextColourCase> {};

TEST_P(TextAlphaTest, TextCarriesItsCoverageAsPremultipliedAlpha) {
  const auto [colour, background] = GetParam();
  Font font(u"Tahoma", 18, true);
  Bitmap b(120, 30);
  b.Clear(background);
  {
    Canvas c(b);
    RECT r{0, 0, 120, 30};
    DrawText(&c, font, u"Hello 登录", r, DT_SINGLELINE, colour);
  }
  ExpectPremultiplied(b);
  const int colourAlpha = Alpha(colour);
  int inked = 0, full = 0, partial = 0;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint32_t p = b.Pixel(x, y);
      if (p == background) continue;
      ++inked;
      if (Alpha(background) == 0) {
        // On a transparent bitmap the alpha is the text's own: at most the
        // colour's, reached inside the stems, less on antialiased edges.
        EXPECT_LE(Alpha(p), colourAlpha);
        full += Alpha(p) >= colourAlpha - 1;
        partial += Alpha(p) < colourAlpha - 1;
        // Pure red text leaves green and blue empty.
        EXPECT_EQ(Channel(p, 8), 0);
        EXPECT_EQ(Channel(p, 0), 0);
      } else {
        EXPECT_EQ(Alpha(p), 255) << "text over an opaque background keeps it opaque";
        full += Channel(p, 8) < 0x40;
      }
    }
  }
  EXPECT_GT(inked, 100);
  EXPECT_GT(full, 20);
  if (Alpha(background) == 0) {
    EXPECT_GT(partial, 0) << "grey antialiasing leaves partly covered pixels";
  }
}

INSTANTIATE_TEST_SUITE_P(Colours, TextAlphaTest,
                         ::testing::Values(TextColourCase{0xFFFF0000, 0}, TextColourCase{0x80FF0000, 0},
                                           TextColourCase{0xFFFF0000, 0xFFFFFFFF}));

struct RoundCase {
  RECT rect;
  int ellipse;
};

class RoundEdgesTest : public ::testing::TestWithParam<RoundCase> {};

// The clip and the fill of a rounded rectangle cover the same pixels, reach
// the rectangle's four straight edges and stay mirror-symmetric: a round
// region of the system's would lose its last column and row.
TEST_P(RoundEdgesTest, RoundShapesReachEveryEdgeSymmetrically) {
  const auto [rect, ellipse] = GetParam();
  Bitmap clipped(60, 50), filled(60, 50);
  {
    Canvas c(clipped);
    c.PushClipRoundRect(rect, ellipse, ellipse);
    c.FillRect(RECT{0, 0, 60, 50}, 0xFFFFFFFF);
  }
  {
    Canvas c(filled);
    c.FillRoundRect(rect, ellipse, ellipse, 0xFFFFFFFF);
  }
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 60; ++x) {
      ASSERT_EQ(clipped.Pixel(x, y), filled.Pixel(x, y)) << x << "," << y;
      const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
      if (!inside) {
        ASSERT_EQ(clipped.Pixel(x, y), 0u) << x << "," << y;
        continue;
      }
      const int mx = rect.left + rect.right - 1 - x, my = rect.top + rect.bottom - 1 - y;
      ASSERT_EQ(clipped.Pixel(x, y), clipped.Pixel(mx, y)) << x << "," << y;
      ASSERT_EQ(clipped.Pixel(x, y), clipped.Pixel(x, my)) << x << "," << y;
    }
  }
  const int midX = (rect.left + rect.right) / 2, midY = (rect.top + rect.bottom) / 2;
  EXPECT_EQ(clipped.Pixel(rect.left, midY), 0xFFFFFFFFu);
  EXPECT_EQ(clipped.Pixel(rect.right - 1, midY), 0xFFFFFFFFu);
  EXPECT_EQ(clipped.Pixel(midX, rect.top), 0xFFFFFFFFu);
  EXPECT_EQ(clipped.Pixel(midX, rect.bottom - 1), 0xFFFFFFFFu);
  EXPECT_EQ(clipped.Pixel(rect.left, rect.top), 0u);
  EXPECT_EQ(clipped.Pixel(rect.right - 1, rect.bottom - 1), 0u);
}

INSTANTIATE_TEST_SUITE_P(Shapes, RoundEdgesTest,
                         ::testing::Values(RoundCase{RECT{0, 0, 40, 30}, 16},
                                           RoundCase{RECT{5, 7, 45, 40}, 10},
                                           RoundCase{RECT{3, 3, 60, 50}, 6},
                                           RoundCase{RECT{10, 10, 21, 31}, 30}));

TEST(GdiStretchTest, StretchedPicturesKeepTheirAlpha) {
  // A translucent checker: the system's halftone stretch would drop alpha.
  Bitmap picture(2, 2);
  picture.SetPixel(0, 0, 0x80800000);
  picture.SetPixel(1, 0, 0xFF00FF00);
  picture.SetPixel(0, 1, 0x40000040);
  picture.SetPixel(1, 1, 0);
  for (const StretchMode mode : {StretchMode::Halftone, StretchMode::ColorOnColor}) {
    Bitmap b(16, 16);
    {
      Canvas c(b);
      c.SetStretchMode(mode);
      c.DrawBitmap(picture, RECT{0, 0, 2, 2}, RECT{0, 0, 16, 16}, 255, BlendOp::Copy);
    }
    ExpectPremultiplied(b);
    // The corners keep the corner pixels' values.
    EXPECT_EQ(b.Pixel(0, 0), 0x80800000u);
    EXPECT_EQ(b.Pixel(15, 0), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(0, 15), 0x40000040u);
    EXPECT_EQ(b.Pixel(15, 15), 0u);
    std::vector<int> alphas;
    for (int x = 0; x < 16; ++x) alphas.push_back(Alpha(b.Pixel(x, 0)));
    EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()))
        << "alpha along the top row rises from 0x80 to 0xFF";
    const auto between =
        std::count_if(alphas.begin(), alphas.end(), [](int a) { return a > 0x80 && a < 0xFF; });
    if (mode == StretchMode::Halftone) {
      EXPECT_GT(between, 2) << "a smooth stretch blends neighbouring alphas";
    } else {
      EXPECT_EQ(between, 0) << "the nearest pixel keeps the source's values";
    }
  }
  // Over a white background the picture blends by its alpha.
  Bitmap white(16, 16);
  white.Clear(0xFFFFFFFF);
  {
    Canvas c(white);
    c.SetStretchMode(StretchMode::Halftone);
    c.DrawBitmap(picture, RECT{0, 0, 2, 2}, RECT{0, 0, 16, 16});
  }
  EXPECT_EQ(Alpha(white.Pixel(0, 0)), 255);
  EXPECT_NEAR(Channel(white.Pixel(0, 0), 16), 0x80 + 0x7F, 1);
  EXPECT_NEAR(Channel(white.Pixel(0, 0), 0), 0x7F, 1);
  EXPECT_EQ(white.Pixel(15, 15), 0xFFFFFFFFu);
}

TEST(GdiStretchTest, CopiesThroughAConstantAlphaMixAndHonourTheClip) {
  Bitmap black(4, 4);
  black.Clear(0xFF000000);
  Bitmap b(20, 20);
  b.Clear(0xFFFFFFFF);
  {
    Canvas c(b);
    c.PushClipRect(RECT{0, 0, 10, 20});
    c.DrawBitmap(black, RECT{0, 0, 4, 4}, RECT{0, 0, 20, 20}, 128, BlendOp::Copy);
  }
  EXPECT_NEAR(Channel(b.Pixel(5, 5), 16), 0x7F, 1);
  EXPECT_EQ(Alpha(b.Pixel(5, 5)), 255);
  EXPECT_EQ(b.Pixel(15, 5), 0xFFFFFFFFu);
  // Onto transparency the mix halves the alpha too.
  Bitmap clear(8, 8);
  {
    Canvas c(clear);
    c.DrawBitmap(black, RECT{0, 0, 4, 4}, RECT{0, 0, 8, 8}, 128, BlendOp::Copy);
  }
  EXPECT_NEAR(Alpha(clear.Pixel(3, 3)), 128, 1);
}

TEST(GdiGradientTest, TranslucentGradientsArePremultipliedAndBlend) {
  Bitmap b(10, 40);
  {
    Canvas c(b);
    EXPECT_TRUE(c.FillGradient(RECT{0, 0, 10, 40}, 0xFFFF0000, 0x00FF0000, true));
  }
  ExpectPremultiplied(b);
  EXPECT_GE(Alpha(b.Pixel(5, 0)), 0xF0);
  EXPECT_LE(Alpha(b.Pixel(5, 39)), 0x10);
  for (int y = 1; y < 40; ++y) EXPECT_LE(Alpha(b.Pixel(5, y)), Alpha(b.Pixel(5, y - 1))) << y;
  EXPECT_EQ(Channel(b.Pixel(5, 20), 8), 0);
}

// GDI takes coordinates of limited size, and a ramp as large as a gradient
// would not fit in memory: only what shows is drawn, as the whole would be.
TEST(GdiGradientTest, ShapesFarLargerThanTheBitmapDrawTheirVisiblePart) {
  Bitmap whole(10, 400), window(10, 40);
  {
    Canvas c(whole);
    c.FillGradient(RECT{0, 0, 10, 400}, 0xFF0000FF, 0xFFFF0000, true);
  }
  {
    Canvas c(window);
    // The same gradient, 200 rows of it above the bitmap.
    c.FillGradient(RECT{0, -200, 10, 200}, 0xFF0000FF, 0xFFFF0000, true);
  }
  for (int y = 0; y < 40; ++y) EXPECT_EQ(window.Pixel(5, y), whole.Pixel(5, 200 + y)) << y;

  Bitmap b(8, 8);
  {
    Canvas c(b);
    c.FillRect(RECT{-2000000000, -2000000000, 2000000000, 2000000000}, 0xFF336699);
    EXPECT_TRUE(c.FillGradient(RECT{-2000000000, 0, 2000000000, 4}, 0xFF000000, 0xFFFFFFFF, false));
  }
  EXPECT_EQ(b.Pixel(7, 7), 0xFF336699u);
  EXPECT_EQ(Alpha(b.Pixel(0, 0)), 255);
  EXPECT_NEAR(Channel(b.Pixel(0, 0), 8), 0x7F, 2) << "the middle of a huge black-to-white ramp";
}

TEST(GdiCanvasTest, ABitmapOpenInOneCanvasCanStillBeDrawnFrom) {
  Bitmap a(4, 4);
  Canvas onA(a);
  onA.FillRect(RECT{0, 0, 4, 4}, 0xFF0000FF);
  // a's DIB is selected into onA's DC; it is read through a copy.
  Bitmap b(4, 4);
  {
    Canvas onB(b);
    onB.DrawBitmap(a, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4});
  }
  EXPECT_EQ(b.Pixel(3, 3), 0xFF0000FFu);
  // And a canvas may draw its own target onto itself.
  onA.FillRect(RECT{0, 0, 2, 4}, 0xFFFF0000);
  onA.DrawBitmap(a, RECT{0, 0, 2, 4}, RECT{2, 0, 4, 4});
  EXPECT_EQ(a.Pixel(3, 0), 0xFFFF0000u);
  // A second canvas on the same bitmap is refused, never drawn wrongly.
  Canvas again(a);
  EXPECT_FALSE(again.IsValid());
  again.FillRect(RECT{0, 0, 4, 4}, 0xFF00FF00);
  EXPECT_EQ(a.Pixel(0, 0), 0xFFFF0000u);
}

TEST(GdiFontTest, FacesResolveToInstalledOnesAndLongNamesAreSafe) {
  // Whatever the face, the font made is one the system has installed: the
  // resolved family is found again as its own first choice.
  for (const std::u16string_view face : {u"Tahoma", u"微软雅黑", u"Courier New", u"No Such Face", u""}) {
    Font font(face, 14);
    const std::string family = font.ResolvedFamily();
    ASSERT_FALSE(family.empty()) << Utf16ToUtf8(face);
    EXPECT_EQ(Font(Utf8ToUtf16(family), 14).ResolvedFamily(), family) << Utf16ToUtf8(face);
    EXPECT_GT(MeasureText(font, u"Morvaine").cx, 0);
  }
  // The list starts with the face as named, then its other spelling.
  EXPECT_EQ(FontFamilyList(u"微软雅黑").rfind("微软雅黑,Microsoft YaHei,", 0), 0u);
  EXPECT_EQ(FontFamilyList(u"a,b").find("a,b"), std::string::npos);
  // Nonsense sizes make fonts that still measure and draw.
  for (const int size : {INT_MAX, -5, 0}) {
    Font odd(u"Tahoma", size);
    EXPECT_GT(MeasureText(odd, u"M").cx, 0) << size;
    Bitmap dense(20, 20, DeviceScale(3));
    Canvas c(dense);
    RECT r{0, 0, 20, 20};
    EXPECT_GT(DrawText(&c, odd, u"M", r, DT_SINGLELINE, 0xFF000000), 0) << size;
  }
  // A face name longer than a LOGFONT holds is never cut into another name.
  const std::u16string longName(300, u'x');
  Font font(longName, 14);
  EXPECT_FALSE(font.ResolvedFamily().empty());
  EXPECT_GT(MeasureText(font, u"Morvaine").cx, 0);
}

// Controls size their boxes from MeasureText and draw into them with
// DrawText; on GDI both must come from the same font, or a title sized to
// fit loses its first and last letters when centred.
TEST(GdiTextTest, BoxesSizedByTheMeasureHoldEveryDrawnPixel) {
  for (int size : {10, 12, 14}) {
    Font font(u"微软雅黑", size);
    for (const std::u16string_view text : {u"LumoraMorvaine", u"还没账号? 快速注册 >>", u"Wj清空缓存"}) {
      const SIZE measured = MeasureText(font, text);
      ASSERT_GT(measured.cx, 0) << size;
      for (UINT align : {DT_LEFT, DT_CENTER, DT_RIGHT}) {
        // Drawn unclipped in a box exactly as wide as measured: no ink outside.
        const int margin = 20;
        Bitmap b(measured.cx + 2 * margin, measured.cy + 2 * margin);
        {
          Canvas c(b);
          RECT r{margin, margin, margin + measured.cx, margin + measured.cy};
          DrawText(&c, font, text, r, align | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP, 0xFF000000);
        }
        int left = b.Width(), right = 0;
        for (int y = 0; y < b.Height(); ++y) {
          for (int x = 0; x < b.Width(); ++x) {
            if (Alpha(b.Pixel(x, y)) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
          }
        }
        ASSERT_LT(left, right) << size;
        EXPECT_GE(left, margin) << Utf16ToUtf8(text) << " size " << size << " align " << align;
        EXPECT_LE(right, margin + measured.cx) << Utf16ToUtf8(text) << " size " << size << " align " << align;
      }
    }
  }
}

TEST(GdiTextTest, DenseCanvasesReturnLogicalHeights) {
  Font font(u"Tahoma", 14);
  std::vector<int> heights;
  for (int f : {1, 2, 3}) {
    Bitmap b(100, 60, DeviceScale(f));
    Canvas c(b);
    RECT r{0, 0, 100, 60};
    heights.push_back(DrawText(&c, font, u"Hello", r, DT_SINGLELINE | DT_VCENTER, 0xFF000000));
  }
  EXPECT_GT(heights[0], 0);
  EXPECT_NEAR(heights[1], heights[0], 2);
  EXPECT_NEAR(heights[2], heights[0], 2);
}

// A path as the UTF-8 our functions take.
std::string Utf8(const std::filesystem::path& path) {
  const std::wstring wide = path.wstring();
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

TEST(GdiBitmapTest, PngsKeepStraightAlphaUnderAnyName) {
  testsupport::TempDir dir;
  Bitmap b(3, 1);
  b.SetPixel(0, 0, 0x80400000);  // half-transparent red at 0x80 premultiplied
  b.SetPixel(1, 0, 0xFF00FF00);
  const std::filesystem::path path = dir.path() / std::filesystem::path(u8"\u753B\u9762.png");
  ASSERT_TRUE(b.WritePng(Utf8(path)));
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  ASSERT_NE(file, nullptr);
  int w = 0, h = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_file(file, &w, &h, &channels, 4);
  std::fclose(file);
  ASSERT_NE(rgba, nullptr);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(rgba[0], 0x80);  // 0x40 of 0x80 is straight 0x80
  EXPECT_EQ(rgba[3], 0x80);
  EXPECT_EQ(rgba[5], 0xFF);
  EXPECT_EQ(rgba[11], 0);
  stbi_image_free(rgba);
  EXPECT_FALSE(b.WritePng(Utf8(dir / "no" / "such.png")));
  EXPECT_FALSE(Bitmap().WritePng(Utf8(dir / "invalid.png")));
}

}  // namespace
}  // namespace os
