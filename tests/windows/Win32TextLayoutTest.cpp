// The text services' GDI layout on its own, with a real font: what the
// editing core relies on — caret boxes and hits agree, tabs reach their
// stops, wrapped lines follow the break rules at the font's widths, ranges
// and drawing land where the measures say.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/syscontrols/TextLayout.h"

namespace os {
namespace {

class Win32TextLayoutTest : public ::testing::Test {
 protected:
  Font font{u"Tahoma", 16};
};

TEST_F(Win32TextLayoutTest, CaretBoxesAndHitsAgree) {
  const std::u16string text = u"alpha \U0001F600 beta";
  const auto layout = ShapeText(font, text, TextShape{});
  EXPECT_EQ(layout->Height(), TextLineHeight(font));
  int lastX = -1;
  for (int unit : {0, 1, 2, 5, 6, 8, 9, 12}) {
    const RECT box = layout->CursorAt(unit);
    EXPECT_GT(box.left, lastX) << unit;
    EXPECT_EQ(box.bottom - box.top, TextLineHeight(font));
    lastX = box.left;
    bool trailing = true;
    EXPECT_EQ(layout->HitTest(POINT{box.left, 2}, &trailing), unit) << unit;
    EXPECT_FALSE(trailing) << unit;
  }
  EXPECT_EQ(layout->CursorAt(static_cast<int>(text.size())).left, layout->Width());
  bool trailing = false;
  EXPECT_EQ(layout->HitTest(POINT{layout->Width() + 50, 2}, &trailing), static_cast<int>(text.size()) - 1);
  EXPECT_TRUE(trailing);
  EXPECT_FALSE(layout->Boundaries()[7].cursor);  // inside the pair
  EXPECT_TRUE(layout->Boundaries()[8].cursor);
}

TEST_F(Win32TextLayoutTest, TabsReachTheNextStop) {
  const int stop = 8 * static_cast<int>(font.Metrics().aveCharWidth);
  ASSERT_GT(stop, 0);
  const auto layout = ShapeText(font, u"ab\tc\t\td", TextShape{});
  EXPECT_EQ(layout->CursorAt(3).left, stop);
  EXPECT_EQ(layout->CursorAt(5).left % stop, 0);
  EXPECT_EQ(layout->CursorAt(6).left, layout->CursorAt(5).left + stop);
}

TEST_F(Win32TextLayoutTest, WrappedLinesBreakAtBlanksAndAlign) {
  const std::u16string text = u"one two three four five six";
  const int width = MeasureText(font, u"one two thr").cx;
  TextShape shape;
  shape.wrapWidth = width;
  const auto layout = ShapeText(font, text, shape);
  EXPECT_EQ(layout->LineAt(0).end, 8);  // "one two " and the rest
  EXPECT_FALSE(layout->LineAt(0).last);
  EXPECT_EQ(layout->LineAt(8).start, 8);
  EXPECT_EQ(layout->CursorAt(8).top, TextLineHeight(font));
  EXPECT_EQ(layout->CursorAt(8).left, 0);
  EXPECT_GE(layout->Height(), 3 * TextLineHeight(font));
  shape.align = TxAlign::Right;
  const auto right = ShapeText(font, text, shape);
  // The line's last letter ends at the width; its blank hangs past it.
  EXPECT_EQ(right->CursorAt(7).left, width);
}

TEST_F(Win32TextLayoutTest, RangesAndInkFallWhereMeasured) {
  const auto layout = ShapeText(font, u"MMMM\tMMMM", TextShape{});
  const std::vector<RECT> boxes = layout->RangeBoxes(5, 9);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].left, layout->CursorAt(5).left);
  EXPECT_EQ(boxes[0].right, layout->CursorAt(9).left);
  Bitmap bitmap(layout->Width() + 10, layout->Height());
  Canvas canvas(bitmap);
  canvas.FillRect(RECT{0, 0, bitmap.Width(), bitmap.Height()}, 0xFFFFFFFF);
  layout->Draw(canvas, POINT{0, 0}, 0xFF000000);
  auto inked = [&](int from, int to) {
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = from; x < to; ++x) count += (bitmap.Pixel(x, y) & 0xFF) < 0x80 ? 1 : 0;
    }
    return count;
  };
  EXPECT_GT(inked(boxes[0].left, boxes[0].right), 0);  // the run after the tab
  // The tab's own space stays blank: no glyph is drawn for it.
  EXPECT_EQ(inked(layout->CursorAt(4).left + 2, layout->CursorAt(5).left - 1), 0);
}

}  // namespace
}  // namespace os
