// List headers in headless windows: separator bands on either edge and the
// column each resizes, limits, scaled headers, header clicks, and separator
// values that are no use.
#include <gtest/gtest.h>

#include <string>

#include "SkinHarness.h"
#include "controls/List.h"
#include "controls/ListHeader.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

std::u16string HeaderSkin(std::u16string_view first, std::u16string_view second,
                          std::u16string_view headerAttributes = {}) {
  std::u16string skin = u"<Window size=\"300,300\"><List name=\"list\"><ListHeader height=\"20\" ";
  skin += headerAttributes;
  skin += u"><ListHeaderItem name=\"h0\" ";
  skin += first;
  skin += u"/><ListHeaderItem name=\"h1\" ";
  skin += second;
  skin += u"/></ListHeader></List></Window>";
  return skin;
}

int Width(const SkinWindow& w, std::u16string_view name) { return w.Find(name)->GetWidth(); }

void Drag(SkinWindow& w, int fromX, int toX) {
  os::inject::Drag(SkinWindow::Screen(fromX, 10), SkinWindow::Screen(toX, 10));
  w.Pump();
}

TEST(ListHeaderTest, PositiveBandResizesItsOwnColumnWithinItsLimits) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(
      HeaderSkin(u"width=\"100\" dragable=\"true\" sepwidth=\"6\" minwidth=\"30\"", u"width=\"100\"")));
  auto* h0 = w.Find<CListHeaderItemUI>(u"h0", u"ListHeaderItem");
  EXPECT_EQ(h0->GetThumbRect(), (RECT{94, 0, 100, 20}));
  Drag(w, 96, 140);
  EXPECT_EQ(Width(w, u"h0"), 144);
  EXPECT_EQ(w.Find(u"h1")->GetPos().left, 144);
  // Shrinking stops at the min width.
  Drag(w, 141, 0);
  EXPECT_EQ(Width(w, u"h0"), 30);
  EXPECT_EQ(w.Count(u"headerclick"), 0);
  // Off the band a press and release is a click; released elsewhere it is not.
  w.Click(10, 10);
  EXPECT_EQ(w.Count(u"headerclick"), 1);
  Drag(w, 10, 200);
  EXPECT_EQ(w.Count(u"headerclick"), 1);
  EXPECT_EQ(Width(w, u"h0"), 30);
}

TEST(ListHeaderTest, NegativeBandResizesTheColumnToTheLeft) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(HeaderSkin(u"width=\"100\" dragable=\"true\" sepwidth=\"-6\"",
                                u"width=\"100\" dragable=\"true\" sepwidth=\"-6\"")));
  EXPECT_EQ(w.Find<CListHeaderItemUI>(u"h1", u"ListHeaderItem")->GetThumbRect(), (RECT{100, 0, 106, 20}));
  Drag(w, 102, 142);
  EXPECT_EQ(Width(w, u"h0"), 140);
  EXPECT_EQ(Width(w, u"h1"), 100);
  // The first item has no column to its left: its band is an ordinary part
  // of the item.
  Drag(w, 2, 60);
  EXPECT_EQ(Width(w, u"h0"), 140);
}

TEST(ListHeaderTest, UselessSeparatorValuesNeverCrashOrResize) {
  struct Case {
    const char16_t* attributes;
    bool resizes;
  };
  for (const Case& c :
       {Case{u"sepwidth=\"abc\"", false}, Case{u"sepwidth=\"0\"", false}, Case{u"sepwidth=\"\"", false},
        Case{u"sepwidth=\"99999\"", true}, Case{u"sepwidth=\"-99999\"", false},
        Case{u"sepwidth=\"4\" dragable=\"no\"", false}}) {
    SCOPED_TRACE(std::string(c.attributes, c.attributes + std::char_traits<char16_t>::length(c.attributes)));
    SkinWindow w;
    std::u16string first = u"width=\"100\" dragable=\"true\" ";
    first += c.attributes;
    ASSERT_TRUE(w.Load(HeaderSkin(first, u"width=\"100\"")));
    Drag(w, 98, 150);
    EXPECT_EQ(Width(w, u"h0"), c.resizes ? 152 : 100);
  }
}

TEST(ListHeaderTest, ScaledHeaderSizesByPercentAndADragChangesTheScale) {
  SkinWindow w;
  ASSERT_TRUE(
      w.Load(HeaderSkin(u"scale=\"25\" dragable=\"true\"", u"scale=\"75\"", u"scaleheader=\"true\"")));
  EXPECT_EQ(Width(w, u"h0"), 75);
  EXPECT_EQ(Width(w, u"h1"), 225);
  Drag(w, 73, 148);
  EXPECT_EQ(Width(w, u"h0"), 150);
  EXPECT_EQ(w.Find<CListHeaderItemUI>(u"h0", u"ListHeaderItem")->GetScale(), 50);
}

}  // namespace
}  // namespace Kesto
