#include <gtest/gtest.h>

#include "RenderFakes.h"
#include "controls/Render.h"
#include "testsupport/Pixels.h"

namespace Kesto {
namespace {

using os::Bitmap;
using os::Canvas;
using rendertest::FakeResources;
using rendertest::MakeImage;
using rendertest::Solid;

RECT InkBox(const Bitmap& b, const RECT& area) {
  RECT box{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (b.Pixel(x, y) >> 24) {
        box.left = std::min<os::LONG>(box.left, x);
        box.top = std::min<os::LONG>(box.top, y);
        box.right = std::max<os::LONG>(box.right, x + 1);
        box.bottom = std::max<os::LONG>(box.bottom, y + 1);
      }
    }
  }
  return box.right > box.left ? box : RECT{};
}
RECT InkBox(const Bitmap& b) { return InkBox(b, RECT{0, 0, b.Width(), b.Height()}); }

using testsupport::CountPixels;

// Size of marked-up text as the calculate flag reports it.
SIZE HtmlSize(FakeResources& res, std::u16string_view text, UINT style = os::DT_SINGLELINE,
              int width = 1000) {
  RECT r{0, 0, width, 1000};
  Renderer::DrawHtmlText(nullptr, &res, r, text, 0xFF000000, nullptr, 0, style | os::DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST(RenderDrawTextTest, PlainTextUsesTheFontOfTheIndexAndIsOpaque) {
  FakeResources res;
  res.AddFont(u"Tahoma", 28);
  Bitmap b(300, 60);
  Canvas c(b);
  RECT small{0, 0, 300, 60}, large{0, 0, 300, 60};
  Renderer::DrawText(&c, &res, small, u"Hello", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  Renderer::DrawText(&c, &res, large, u"Hello", 0, 0, os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_GT(large.right, small.right + 10);
  EXPECT_EQ(InkBox(b), RECT{});  // measuring draws nothing

  // The colour's alpha byte is ignored: text without alpha is still seen.
  RECT r{0, 0, 300, 60};
  Renderer::DrawText(&c, &res, r, u"HHHH", 0x00FF0000, 0, os::DT_SINGLELINE);
  EXPECT_GT(CountPixels(b, RECT{0, 0, 300, 60}, 0xFFFF0000), 20);

  // "&" is shown as it is.
  RECT amp{0, 0, 300, 60}, plain{0, 0, 300, 60};
  Renderer::DrawText(nullptr, &res, amp, u"&File", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  Renderer::DrawText(nullptr, &res, plain, u"File", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_GT(amp.right, plain.right);

  RECT none{1, 2, 3, 4};
  Renderer::DrawText(&c, &res, none, u"", 0, 0, os::DT_CALCRECT);
  Renderer::DrawText(&c, static_cast<RenderResources*>(nullptr), none, u"x", 0, 0, os::DT_CALCRECT);
  EXPECT_EQ(none, (RECT{1, 2, 3, 4}));
}

TEST(RenderDrawTextTest, TypographicTextMeasuresLargerAndCentresWrappedText) {
  FakeResources res;
  RECT gdi{0, 0, 400, 100};
  Renderer::DrawText(nullptr, &res, gdi, u"Hello", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  res.typographic = true;
  RECT typo{0, 0, 400, 100};
  Renderer::DrawText(nullptr, &res, typo, u"Hello", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_EQ(typo.right, gdi.right + 1);
  EXPECT_EQ(typo.bottom, gdi.bottom + 1);

  // Without the single-line flag the text wraps and still centres vertically.
  Bitmap b(60, 200);
  Canvas c(b);
  RECT r{0, 0, 60, 200};
  Renderer::DrawText(&c, &res, r, u"one two three", 0xFF000000, -1, os::DT_VCENTER);
  const RECT ink = InkBox(b);
  EXPECT_LE(ink.right, 60);
  EXPECT_NEAR((ink.top + ink.bottom) / 2, 100, 6);
  EXPECT_GT(ink.bottom - ink.top, res.DefaultFont()->Metrics().height);  // several lines
}

TEST(RenderDrawTextTest, EndEllipsisKeepsOverflowingTextInside) {
  FakeResources res;
  Bitmap b(300, 30);
  Canvas c(b);
  RECT r{0, 0, 80, 30};
  Renderer::DrawText(&c, &res, r, u"A rather long caption that overflows", 0xFF000000, -1,
                     os::DT_SINGLELINE | os::DT_END_ELLIPSIS | os::DT_NOCLIP);
  EXPECT_LE(InkBox(b).right, 80);
}

TEST(HtmlTextTest, TagsChangeFontColourAndWeight) {
  FakeResources res;
  const SIZE plain = HtmlSize(res, u"Morvaine");
  EXPECT_EQ(plain.cx, os::MeasureText(*res.DefaultFont(), u"Morvaine").cx);
  EXPECT_GT(HtmlSize(res, u"<b>Morvaine</b>").cx, plain.cx);
  EXPECT_EQ(HtmlSize(res, u"{b}Mor{/b}vaine").cx,
            os::MeasureText(*res.FindFont(u"Tahoma", 14, true, false, false), u"Mor").cx +
                os::MeasureText(*res.DefaultFont(), u"vaine").cx);
  // Closing tags restore the font: the text after them measures as plain.
  EXPECT_EQ(HtmlSize(res, u"<b>x</b>Morvaine").cx - HtmlSize(res, u"<b>x</b>").cx, plain.cx);

  res.AddFont(u"Tahoma", 30);
  EXPECT_GT(HtmlSize(res, u"<f 0>Morvaine</f>").cx, plain.cx * 3 / 2);
  EXPECT_GT(HtmlSize(res, u"<f 0>Morvaine</f>").cy, plain.cy);
  EXPECT_GT(HtmlSize(res, u"<f Tahoma 30 bold>Morvaine</f>").cx, HtmlSize(res, u"<f 0>Morvaine</f>").cx);
  EXPECT_EQ(HtmlSize(res, u"<f DejaVu Serif 14>M</f>").cx,
            os::MeasureText(os::Font(u"DejaVu Serif", 14), u"M").cx);

  Bitmap b(300, 40);
  Canvas c(b);
  RECT r{0, 0, 300, 40};
  Renderer::DrawHtmlText(&c, &res, r, u"<c #FF00FF00>HHHH</c>HHHH", 0xFF000000, nullptr, 0,
                         os::DT_SINGLELINE);
  const int green = CountPixels(b, RECT{0, 0, 300, 40}, 0xFF00FF00);
  const int black = CountPixels(b, RECT{0, 0, 300, 40}, 0xFF000000);
  EXPECT_GT(green, 20);
  EXPECT_GT(black, 20);
  // Green ink lies left of the black ink.
  EXPECT_LT(InkBox(b, RECT{0, 0, plain.cx / 2, 40}).left, 5);
}

TEST(HtmlTextTest, EscapesAndRawTextAreShownLiterally) {
  FakeResources res;
  const os::Font& f = *res.DefaultFont();
  EXPECT_EQ(HtmlSize(res, u"<{>x<}>").cx, os::MeasureText(f, u"{x}").cx);
  EXPECT_EQ(HtmlSize(res, u"{<}b{>}").cx, os::MeasureText(f, u"<b>").cx);
  EXPECT_EQ(HtmlSize(res, u"<r><b>x</b></r>").cx, os::MeasureText(f, u"<b>x</b>").cx);
  // Not tags: uppercase letters, a letter followed by something else, an
  // argument never closed.
  EXPECT_EQ(HtmlSize(res, u"<B>").cx, os::MeasureText(f, u"<B>").cx);
  EXPECT_EQ(HtmlSize(res, u"<bx>").cx, os::MeasureText(f, u"<bx>").cx);
  EXPECT_EQ(HtmlSize(res, u"<c #FF0000 x").cx, os::MeasureText(f, u"<c #FF0000 x").cx);
  // Unbalanced closing tags are harmless.
  EXPECT_EQ(HtmlSize(res, u"</b></c></a></p>x").cx, os::MeasureText(f, u"x").cx);
}

TEST(HtmlTextTest, LineBreaksParagraphsAndPositionTags) {
  FakeResources res;
  const int line = res.DefaultFont()->Metrics().height + res.DefaultFont()->Metrics().externalLeading;
  EXPECT_EQ(HtmlSize(res, u"one", 0).cy, line);
  EXPECT_EQ(HtmlSize(res, u"one<n>two", 0).cy, 2 * line);
  EXPECT_EQ(HtmlSize(res, u"one\ntwo", 0).cy, 2 * line);
  EXPECT_EQ(HtmlSize(res, u"one<n>two", os::DT_SINGLELINE).cy, line);  // ignored on one line
  // A paragraph starts a new line only when the line has text, and its
  // spacing raises the line height.
  EXPECT_EQ(HtmlSize(res, u"<p>one</p>", 0).cy, line);
  EXPECT_EQ(HtmlSize(res, u"one<p 10>two</p>", 0).cy, 2 * line + 10);
  EXPECT_EQ(HtmlSize(res, u"<y 40>one", 0).cy, 40);
  EXPECT_EQ(HtmlSize(res, u"a<x 25>b").cx, os::MeasureText(*res.DefaultFont(), u"ab").cx + 25);
}

TEST(HtmlTextTest, WrappingBreaksAtWordsOrCharacters) {
  FakeResources res;
  const os::Font& f = *res.DefaultFont();
  const int line = f.Metrics().height + f.Metrics().externalLeading;
  const int width = os::MeasureText(f, u"alpha beta").cx + 2;
  // Word break: "alpha beta" fits, "gamma" goes to the next line whole.
  const SIZE words = HtmlSize(res, u"alpha beta gamma", os::DT_WORDBREAK, width);
  EXPECT_EQ(words.cy, 2 * line);
  // A word longer than the line is still cut somewhere.
  EXPECT_GE(HtmlSize(res, u"abcdefghijklmnopqrstuvwxyz", os::DT_WORDBREAK, 40).cy, 3 * line);
  // Without word break the cut falls before the overflowing character.
  const int chars = os::MeasureText(f, u"alpha beta g").cx + 1;
  EXPECT_EQ(HtmlSize(res, u"alpha beta gamma", 0, chars).cy, 2 * line);
  // Not even one character fits: each line takes one, and layout ends.
  EXPECT_EQ(HtmlSize(res, u"WWW", 0, 3).cy, 3 * line);
}

TEST(HtmlTextTest, EndEllipsisCutsTheLine) {
  FakeResources res;
  const os::Font& f = *res.DefaultFont();
  const std::u16string text = u"HHHHHHHHHHHHHHHHHHHHHHHHHHHHHH";
  const int width = os::MeasureText(f, u"HHHHHHHHHH").cx + 2;  // ten fit
  const SIZE cut = HtmlSize(res, text, os::DT_SINGLELINE | os::DT_END_ELLIPSIS, width);
  // Ten fit, two more go: eight H and "...".
  EXPECT_EQ(cut.cx, os::MeasureText(f, u"HHHHHHHH").cx + os::MeasureText(f, u"...").cx);
  // The rest of that line is dropped, later lines are kept.
  EXPECT_EQ(HtmlSize(res, text + u"<n>H", os::DT_END_ELLIPSIS, width).cy,
            2 * (f.Metrics().height + f.Metrics().externalLeading));
}

TEST(HtmlTextTest, LinksAreRecordedUpToTheCapacityAndHoverChangesTheirColour) {
  FakeResources res;
  const os::Font& f = *res.DefaultFont();
  const os::Font* underlined = res.FindFont(u"Tahoma", 14, false, true, false);
  Bitmap b(400, 40);
  Canvas c(b);
  RECT r{10, 5, 400, 40};
  std::vector<HtmlLink> links;
  Renderer::DrawHtmlText(&c, &res, r, u"Go <a home>HHHH</a> or <a>HHH</a>", 0xFF000000, &links, 8,
                         os::DT_SINGLELINE);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].target, u"home");
  EXPECT_EQ(links[1].target, u"");
  const int goWidth = os::MeasureText(f, u"Go ").cx;
  EXPECT_EQ(links[0].rect.left, 10 + goWidth);
  EXPECT_EQ(links[0].rect.right, 10 + goWidth + os::MeasureText(*underlined, u"HHHH").cx);
  EXPECT_EQ(links[0].rect.top, 5);
  EXPECT_EQ(links[0].rect.bottom, 5 + f.Metrics().height + f.Metrics().externalLeading);
  EXPECT_GT(links[1].rect.left, links[0].rect.right);
  EXPECT_GT(CountPixels(b, links[0].rect, 0xFF0000FF), 10);  // link colour
  EXPECT_EQ(CountPixels(b, links[0].rect, 0xFFD3215F), 0);

  // Capacity limits what is recorded.
  RECT again{10, 5, 400, 40};
  Renderer::DrawHtmlText(&c, &res, again, u"<a x>a</a><a y>b</a><a z>c</a>", 0, &links, 2, os::DT_SINGLELINE);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[1].target, u"y");

  // The link under the mouse takes the hover colour.
  res.mouse = POINT{links[0].rect.left + 1, links[0].rect.top + 1};
  Bitmap hb(400, 40);
  Canvas hc(hb);
  RECT hr{10, 5, 400, 40};
  Renderer::DrawHtmlText(&hc, &res, hr, u"<a x>HHHH</a><a y>HHHH</a>", 0xFF000000, &links, 8,
                         os::DT_SINGLELINE);
  EXPECT_GT(CountPixels(hb, links[0].rect, 0xFFD3215F), 10);
  EXPECT_EQ(CountPixels(hb, links[1].rect, 0xFFD3215F), 0);
  EXPECT_GT(CountPixels(hb, links[1].rect, 0xFF0000FF), 10);
}

TEST(HtmlTextTest, LinksOverSeveralLinesGetOneRectanglePerLine) {
  FakeResources res;
  RECT r{0, 0, 60, 200};
  std::vector<HtmlLink> links;
  Bitmap b(60, 200);
  Canvas c(b);
  Renderer::DrawHtmlText(&c, &res, r, u"<a t>one two three four</a>", 0, &links, 10, os::DT_WORDBREAK);
  ASSERT_GE(links.size(), 2u);
  EXPECT_EQ(links[1].rect.top, links[0].rect.bottom);
  for (const HtmlLink& l : links) EXPECT_EQ(l.target, u"t");
}

TEST(HtmlTextTest, InlineImagesShowOneFrameAndRaiseTheLine) {
  FakeResources res;
  // Three frames of 10×30: red, green, blue.
  res.images[u"icons.png"] = MakeImage(30, 30, [](int x, int) {
    return x < 10 ? Solid(0xFF0000) : x < 20 ? Solid(0x00FF00) : Solid(0x0000FF);
  });
  const SIZE withImage = HtmlSize(res, u"a<i icons.png 3 1>b");
  EXPECT_EQ(withImage.cy, 30);
  EXPECT_EQ(withImage.cx, os::MeasureText(*res.DefaultFont(), u"ab").cx + 10);

  Bitmap b(100, 40);
  Canvas c(b);
  RECT r{0, 0, 100, 40};
  Renderer::DrawHtmlText(&c, &res, r, u"<i file='icons.png' 3 2>", 0, nullptr, 0, os::DT_SINGLELINE);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 100, 40}, 0xFF0000FF), 300);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 10, 30}, 0xFF0000FF), 300);
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 100, 40}, 0xFFFF0000), 0);

  // Without frames the whole picture; a missing one takes no room.
  EXPECT_EQ(HtmlSize(res, u"<i icons.png>").cx, 30);
  EXPECT_EQ(HtmlSize(res, u"<i nothing.png>x").cx, os::MeasureText(*res.DefaultFont(), u"x").cx);
}

TEST(HtmlTextTest, SelectedTextHasTheSelectionBackground) {
  FakeResources res;
  Bitmap b(200, 30);
  Canvas c(b);
  RECT r{0, 0, 200, 30};
  Renderer::DrawHtmlText(&c, &res, r, u"<s>sel</s> plain", 0xFF000000, nullptr, 0, os::DT_SINGLELINE);
  const int selWidth = os::MeasureText(*res.DefaultFont(), u"sel").cx;
  EXPECT_GT(CountPixels(b, RECT{0, 0, selWidth, 10}, 0xFFBAE4FF), selWidth * 3);
  EXPECT_EQ(CountPixels(b, RECT{selWidth + 1, 0, 200, 30}, 0xFFBAE4FF), 0);
}

TEST(HtmlTextTest, CentreAlignsEachLineAndCalcShrinksTheRectangle) {
  FakeResources res;
  Bitmap b(200, 60);
  Canvas c(b);
  RECT r{0, 0, 200, 60};
  Renderer::DrawHtmlText(&c, &res, r, u"HH<n>HHHHHH", 0xFF000000, nullptr, 0, os::DT_CENTER);
  const int line = res.DefaultFont()->Metrics().height;
  const RECT first = InkBox(b, RECT{0, 0, 200, line});
  const RECT second = InkBox(b, RECT{0, line, 200, 2 * line});
  EXPECT_NEAR((first.left + first.right) / 2, 100, 3);
  EXPECT_NEAR((second.left + second.right) / 2, 100, 3);

  RECT calc{5, 5, 500, 500};
  Renderer::DrawHtmlText(nullptr, &res, calc, u"short", 0, nullptr, 0, os::DT_CALCRECT);
  EXPECT_EQ(calc.right - calc.left, os::MeasureText(*res.DefaultFont(), u"short").cx);
  EXPECT_EQ(calc.bottom - calc.top, line + res.DefaultFont()->Metrics().externalLeading);

  // Drawing needs a canvas; without one nothing happens.
  RECT untouched{0, 0, 50, 50};
  Renderer::DrawHtmlText(nullptr, &res, untouched, u"x", 0, nullptr, 0, 0);
  EXPECT_EQ(untouched, (RECT{0, 0, 50, 50}));
}

}  // namespace
}  // namespace Kesto
