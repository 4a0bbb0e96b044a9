#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"

namespace os {
namespace {

// Bounding box of every pixel that is not fully transparent.
RECT InkBox(const Bitmap& b) {
  RECT box{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.Pixel(x, y) >> 24) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
  }
  return box.right > box.left ? box : RECT{};
}

int InkCount(const Bitmap& b, const RECT& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += (b.Pixel(x, y) >> 24) != 0;
  }
  return n;
}

// Each character drawn alone, as ink: a face without the character draws
// the same box for every one of them.
std::vector<std::uint32_t> Glyph(const Font& font, std::u16string_view character) {
  Bitmap b(40, 40);
  {
    Canvas c(b);
    RECT r{0, 0, 40, 40};
    DrawText(&c, font, character, r, DT_SINGLELINE | DT_NOPREFIX, 0xFF000000);
  }
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) pixels.push_back(b.Pixel(x, y));
  return pixels;
}

TEST(FontTest, ChineseTextNeverShowsBoxesWhateverTheFace) {
  const std::u16string_view characters[] = {u"登", u"录", u"注", u"册"};
  for (const std::u16string_view face : {u"Tahoma", u"微软雅黑", u"No Such Face", u""}) {
    Font font(face, 16);
    std::vector<std::vector<std::uint32_t>> seen;
    for (const std::u16string_view c : characters) {
      std::vector<std::uint32_t> ink = Glyph(font, c);
      EXPECT_EQ(std::find(seen.begin(), seen.end(), ink), seen.end())
          << "face \"" << Utf16ToUtf8(face) << "\" draws " << Utf16ToUtf8(c) << " like another character";
      seen.push_back(std::move(ink));
    }
  }
}

TEST(FontTest, MetricsGrowWithSizeAndAddUp) {
  Font small(u"Tahoma", 12);
  Font large(u"Tahoma", 24);
  const TextMetrics& s = small.Metrics();
  const TextMetrics& l = large.Metrics();
  EXPECT_EQ(s.height, s.ascent + s.descent);
  EXPECT_GE(s.height, 12);
  EXPECT_GT(l.height, s.height);
  EXPECT_GT(l.aveCharWidth, s.aveCharWidth);
  EXPECT_GT(s.aveCharWidth, 0);
  EXPECT_GE(s.maxCharWidth, s.aveCharWidth);
  EXPECT_EQ(s.internalLeading, s.height - 12);

  Font moved(std::move(small));
  EXPECT_EQ(moved.Metrics().height, s.height);
  EXPECT_EQ(moved.FaceName(), u"Tahoma");
}

TEST(TextMeasureTest, WidthGrowsWithLengthAndSize) {
  Font f12(u"微软雅黑", 12);
  Font f20(u"微软雅黑", 20);
  int last = 0;
  std::u16string text;
  for (char16_t c : std::u16string(u"Morvaine")) {
    text += c;
    const int w = MeasureText(f12, text).cx;
    EXPECT_GT(w, last) << "after " << text.size() << " characters";
    last = w;
  }
  EXPECT_GT(MeasureText(f20, u"Morvaine").cx, MeasureText(f12, u"Morvaine").cx);
  EXPECT_EQ(MeasureText(f12, u"Morvaine").cy, f12.Metrics().height);
  EXPECT_EQ(MeasureText(f12, u"").cx, 0);

  const SIZE cjk = MeasureText(f12, u"游戏已经打开");
  EXPECT_GT(cjk.cx, 6 * 8);  // ideographs are roughly square
  EXPECT_GT(cjk.cy, 0);
}

TEST(TextMeasureTest, PartialExtentsAreCumulativeWidths) {
  Font f(u"Tahoma", 14);
  const std::u16string text = u"Ab 中\U0001F600z";  // includes a surrogate pair
  const std::vector<int> ext = TextPartialExtents(f, text);
  ASSERT_EQ(ext.size(), text.size());
  for (std::size_t i = 1; i < ext.size(); ++i) EXPECT_GE(ext[i], ext[i - 1]);
  EXPECT_GT(ext[0], 0);
  EXPECT_EQ(ext.back(), MeasureText(f, text).cx);
  EXPECT_NEAR(ext[1], MeasureText(f, u"Ab").cx, 1);
  EXPECT_EQ(ext[4], ext[5]);  // both halves of the pair end at the same place
  EXPECT_TRUE(TextPartialExtents(f, u"").empty());
}

TEST(DrawTextTest, CalcRectMeasuresWithoutDrawing) {
  Font f(u"Tahoma", 14);
  Bitmap b(200, 100);
  Canvas c(b);
  RECT r{10, 10, 190, 90};
  const int h = DrawText(&c, f, u"Hello", r, DT_SINGLELINE | DT_CALCRECT, 0xFF000000);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right - r.left, MeasureText(f, u"Hello").cx);
  EXPECT_EQ(r.bottom - r.top, h);
  EXPECT_GT(h, 0);
  EXPECT_EQ(InkBox(b), RECT{});

  // Measuring needs no canvas at all.
  RECT wrapped{0, 0, 60, 0};
  const int lines =
      DrawText(nullptr, f, u"one two three four five six", wrapped, DT_WORDBREAK | DT_CALCRECT, 0);
  EXPECT_GE(lines, 3 * h - 3);
  EXPECT_LE(wrapped.right, 60);

  RECT empty{5, 5, 50, 50};
  EXPECT_EQ(DrawText(nullptr, f, u"", empty, DT_CALCRECT, 0), 0);
  EXPECT_EQ(empty, (RECT{5, 5, 5, 5}));
}

TEST(DrawTextTest, AlignmentPlacesTheInk) {
  Font f(u"Tahoma", 14);
  auto inkFor = [&f](UINT format) {
    Bitmap b(200, 60);
    Canvas c(b);
    RECT r{0, 0, 200, 60};
    DrawText(&c, f, u"Align", r, format | DT_SINGLELINE, 0xFF000000);
    return InkBox(b);
  };
  const RECT left = inkFor(DT_LEFT);
  const RECT centre = inkFor(DT_CENTER | DT_VCENTER);
  const RECT right = inkFor(DT_RIGHT | DT_BOTTOM);
  EXPECT_LT(left.left, 3);
  EXPECT_LT(left.top, 10);
  EXPECT_NEAR((centre.left + centre.right) / 2, 100, 3);
  EXPECT_NEAR((centre.top + centre.bottom) / 2, 30, 4);
  EXPECT_GT(right.right, 195);
  EXPECT_GT(right.bottom, 50);
}

TEST(DrawTextTest, ClipsToTheRectangleUnlessNoClip) {
  Font f(u"Tahoma", 16);
  Bitmap clipped(200, 40);
  {
    Canvas c(clipped);
    RECT r{0, 0, 30, 40};
    DrawText(&c, f, u"WWWWWWWWWW", r, DT_SINGLELINE, 0xFF000000);
  }
  EXPECT_LE(InkBox(clipped).right, 30);

  Bitmap unclipped(200, 40);
  {
    Canvas c(unclipped);
    RECT r{0, 0, 30, 40};
    DrawText(&c, f, u"WWWWWWWWWW", r, DT_SINGLELINE | DT_NOCLIP, 0xFF000000);
  }
  EXPECT_GT(InkBox(unclipped).right, 60);
}

TEST(DrawTextTest, EndEllipsisShortensOverflowingText) {
  Font f(u"Tahoma", 16);
  Bitmap b(300, 40);
  Canvas c(b);
  RECT r{0, 0, 120, 40};
  const std::u16string text = u"HHHHHHHHHHHHHHHHHHHHHHHH";
  RECT measured = r;
  DrawText(&c, f, text, measured, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT, 0);
  EXPECT_LE(measured.right, 120);
  EXPECT_GT(measured.right, 60);

  DrawText(&c, f, text, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP, 0xFF000000);
  const RECT ink = InkBox(b);
  ASSERT_GT(ink.right, 0);
  EXPECT_LE(ink.right, 120);
  // The last few columns are the ellipsis: dots on the baseline and nothing
  // in the upper half, where every H has its stems.
  const int middle = (ink.top + ink.bottom) / 2;
  EXPECT_EQ(InkCount(b, RECT{ink.right - 3, ink.top, ink.right, middle}), 0);
  EXPECT_GT(InkCount(b, RECT{ink.right - 3, middle, ink.right, ink.bottom}), 0);
  EXPECT_GT(InkCount(b, RECT{ink.left, ink.top, ink.left + 3, middle}), 0);

  // Text that fits is left alone.
  RECT fits{0, 0, 300, 40};
  RECT plain = fits;
  DrawText(nullptr, f, u"HH", fits, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT, 0);
  DrawText(nullptr, f, u"HH", plain, DT_SINGLELINE | DT_CALCRECT, 0);
  EXPECT_EQ(fits, plain);
}

TEST(DrawTextTest, PrefixesUnderlineAndDoubleAmpersandsShowOne) {
  Font f(u"Tahoma", 14);
  auto width = [&f](std::u16string_view text, UINT format) {
    RECT r{0, 0, 500, 50};
    DrawText(nullptr, f, text, r, format | DT_SINGLELINE | DT_CALCRECT, 0);
    return r.right;
  };
  EXPECT_EQ(width(u"&File", 0), width(u"File", DT_NOPREFIX));
  EXPECT_GT(width(u"&File", DT_NOPREFIX), width(u"File", DT_NOPREFIX));
  EXPECT_EQ(width(u"a&&b", 0), width(u"a&b", DT_NOPREFIX));

  // The prefixed letter is underlined: ink appears below the baseline where
  // the plain word has none.
  auto inkBottom = [&f](std::u16string_view text, UINT format) {
    Bitmap b(100, 40);
    Canvas c(b);
    RECT r{0, 0, 100, 40};
    DrawText(&c, f, text, r, format | DT_SINGLELINE, 0xFF000000);
    return InkBox(b).bottom;
  };
  EXPECT_GT(inkBottom(u"&HI", 0), inkBottom(u"HI", 0));
}

TEST(DrawTextTest, WordBreakWrapsAndLineFeedsBreakOnlyWithoutSingleLine) {
  Font f(u"Tahoma", 14);
  const int line = f.Metrics().height;
  RECT r{0, 0, 80, 400};
  const int wrapped =
      DrawText(nullptr, f, u"alpha beta gamma delta epsilon", r, DT_WORDBREAK | DT_CALCRECT, 0);
  EXPECT_GE(wrapped, 2 * line - 2);
  EXPECT_LE(r.right, 80);

  RECT two{0, 0, 400, 400};
  EXPECT_GE(DrawText(nullptr, f, u"first\r\nsecond", two, DT_CALCRECT, 0), 2 * line - 2);
  RECT one{0, 0, 400, 400};
  EXPECT_LT(DrawText(nullptr, f, u"first\r\nsecond", one, DT_SINGLELINE | DT_CALCRECT, 0), 2 * line - 2);
}

}  // namespace
}  // namespace os

namespace os {
namespace {

// Restores the text resolution a test changes.
class TextResolutionTest : public ::testing::Test {
 protected:
  void TearDown() override { SetTextResolution(96); }
};

TEST_F(TextResolutionTest, LargerResolutionGrowsTextOfFontsMadeAfterwards) {
  Font before(u"Tahoma", 20);
  const SIZE at96 = MeasureText(before, u"Morvaine 登录");
  SetTextResolution(144);
  EXPECT_EQ(TextResolution(), 144);
  Font after(u"Tahoma", 20);
  const SIZE at144 = MeasureText(after, u"Morvaine 登录");
  EXPECT_NEAR(at144.cx, at96.cx * 3 / 2, at96.cx / 10);
  EXPECT_NEAR(at144.cy, at96.cy * 3 / 2, at96.cy / 10 + 1);
  // The font made before keeps its size.
  EXPECT_EQ(MeasureText(before, u"Morvaine 登录").cx, at96.cx);
}

TEST_F(TextResolutionTest, NonsenseResolutionsAreKeptSensible) {
  const double inputs[] = {0, -1, std::nan(""), HUGE_VAL, 5, 10000, 120};
  const double expected[] = {96, 96, 96, 96, 48, 384, 120};
  for (std::size_t i = 0; i < std::size(inputs); ++i) {
    SetTextResolution(inputs[i]);
    EXPECT_EQ(TextResolution(), expected[i]) << inputs[i];
    Font font(u"Tahoma", 12);
    EXPECT_GT(MeasureText(font, u"x").cx, 0) << inputs[i];
  }
}

}  // namespace
}  // namespace os
