// Layout arithmetic of the stacking, grid and page containers, separator
// drags, and containers filled from another skin file.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "SkinHarness.h"
#include "controls/BoxLayout.h"
#include "controls/Button.h"
#include "controls/ChildLayout.h"
#include "controls/HorizontalLayout.h"
#include "controls/LayoutLimit.h"
#include "controls/ScrollBar.h"
#include "controls/TabLayout.h"
#include "controls/TileLayout.h"
#include "controls/VerticalLayout.h"

namespace Kesto {
namespace {

using controltest::SkinFolder;
using controltest::SkinWindow;

// Adds a plain control with a fixed size (0: stretch) and returns it.
CControlUI* AddChild(CContainerUI& layout, int cx, int cy) {
  auto* c = new CControlUI();
  c->SetFixedWidth(cx);
  c->SetFixedHeight(cy);
  layout.Add(c);
  return c;
}

// ---------------------------------------------------------------------------
// Vertical and horizontal stacking

// The stacking layouts are one algorithm along an axis: every case below
// runs side by side and top to bottom, its numbers written along and across.
class BoxLayoutTest : public ::testing::TestWithParam<LayoutAxis> {
 protected:
  LayoutAxis axis() const { return GetParam(); }

  std::unique_ptr<CBoxLayoutUI> MakeLayout() const {
    if (axis().IsHorizontal()) return std::make_unique<CHorizontalLayoutUI>();
    return std::make_unique<CVerticalLayoutUI>();
  }
  // A plain child with those fixed lengths (0: stretch).
  CControlUI* Add(CContainerUI& layout, int along, int across) const {
    const SIZE size = axis().MakeSize(along, across);
    return AddChild(layout, size.cx, size.cy);
  }
  RECT Rect(int along, int across, int length, int thickness) const {
    return axis().MakeRect(along, across, length, thickness);
  }
  // A rectangle of edges (an inset, a padding) given along and across.
  RECT Edges(int alongNear, int acrossNear, int alongFar, int acrossFar) const {
    RECT r{};
    axis().Near(r) = alongNear;
    axis().Far(r) = alongFar;
    axis().Cross().Near(r) = acrossNear;
    axis().Cross().Far(r) = acrossFar;
    return r;
  }
  RECT Across(int nearEdge, int farEdge) const { return Edges(0, nearEdge, 0, farEdge); }
  void SetMaxAlong(CControlUI& c, int value) const {
    axis().IsHorizontal() ? c.SetMaxWidth(value) : c.SetMaxHeight(value);
  }
  void SetMinAlong(CControlUI& c, int value) const {
    axis().IsHorizontal() ? c.SetMinWidth(value) : c.SetMinHeight(value);
  }
  void SetLengthAlong(CControlUI& c, int value) const {
    axis().IsHorizontal() ? c.SetFixedWidth(value) : c.SetFixedHeight(value);
  }
  CScrollBarUI* BarAlong(const CContainerUI& layout) const {
    return axis().IsHorizontal() ? layout.GetHorizontalScrollBar() : layout.GetVerticalScrollBar();
  }
  // A window 100 along and 60 across filled by one layout of this axis
  // named "box" with its bar along the axis and three children 50 along.
  std::u16string ScrollingSkin() const {
    const bool h = axis().IsHorizontal();
    const std::u16string tag = h ? u"HorizontalLayout" : u"VerticalLayout";
    const std::u16string length = h ? u"width" : u"height";
    std::u16string skin = h ? u"<Window size=\"100,60\">" : u"<Window size=\"60,100\">";
    skin += u"<" + tag + u" name=\"box\" " + (h ? u"hscrollbar" : u"vscrollbar") + u"=\"true\">";
    for (const char16_t* name : {u"c0", u"c1", u"c2"}) {
      skin += u"<Control name=\"" + std::u16string(name) + u"\" " + length + u"=\"50\"/>";
    }
    return skin + u"</" + tag + u"></Window>";
  }
};

TEST_P(BoxLayoutTest, FixedChildrenFirstThenTheRestSharedWithTheRemainderUnused) {
  auto layout = MakeLayout();
  layout->SetChildPadding(10);
  CControlUI* fixed = Add(*layout, 30, 0);
  CControlUI* stretch = Add(*layout, 0, 0);
  layout->SetPos(Rect(0, 0, 100, 200));
  EXPECT_EQ(fixed->GetPos(), Rect(0, 0, 30, 200));
  EXPECT_EQ(stretch->GetPos(), Rect(40, 0, 60, 200));

  // Two stretch children and 61 free pixels: 30 each, one pixel stays empty.
  auto two = MakeLayout();
  two->SetChildPadding(10);
  CControlUI* a = Add(*two, 0, 0);
  CControlUI* b = Add(*two, 0, 0);
  two->SetPos(Rect(0, 0, 71, 50));
  EXPECT_EQ(a->GetPos(), Rect(0, 0, 30, 50));
  EXPECT_EQ(b->GetPos(), Rect(40, 0, 30, 50));
}

TEST_P(BoxLayoutTest, AStretchChildBelowItsShareLeavesTheRestEmptyAtTheEnd) {
  auto layout = MakeLayout();
  layout->SetChildPadding(10);
  CControlUI* stretch = Add(*layout, 0, 0);
  SetMaxAlong(*stretch, 20);
  CControlUI* fixed = Add(*layout, 30, 0);
  layout->SetPos(Rect(0, 0, 100, 200));
  EXPECT_EQ(stretch->GetPos(), Rect(0, 0, 20, 200));
  EXPECT_EQ(fixed->GetPos(), Rect(30, 0, 30, 200));

  // A minimum above the share grows the child past the layout's end.
  SetMaxAlong(*stretch, 9999);
  SetMinAlong(*stretch, 90);
  layout->SetPos(Rect(0, 0, 100, 200));
  EXPECT_EQ(stretch->GetPos(), Rect(0, 0, 90, 200));
  EXPECT_EQ(fixed->GetPos(), Rect(100, 0, 30, 200));
}

TEST_P(BoxLayoutTest, AcrossTheAxisChildrenTakeTheInsetViewOrTheirOwnSize) {
  auto layout = MakeLayout();
  layout->SetChildPadding(10);
  layout->SetInset(Across(4, 4));
  CControlUI* limited = Add(*layout, 0, 0);
  SetMaxAlong(*limited, 20);
  CControlUI* shortOne = Add(*layout, 30, 12);
  shortOne->SetPadding(Across(3, 0));
  layout->SetPos(Rect(0, 0, 100, 50));
  EXPECT_EQ(limited->GetPos(), Rect(0, 4, 20, 42));
  // Its own size across, from the near edge plus its margin.
  EXPECT_EQ(shortOne->GetPos(), Rect(30, 7, 30, 12));
}

TEST_P(BoxLayoutTest, InsetMarginsCrossLimitsAndSkippedChildren) {
  auto layout = MakeLayout();
  layout->SetInset(Edges(6, 5, 8, 7));
  layout->SetChildPadding(4);
  CControlUI* narrow = Add(*layout, 20, 50);
  CControlUI* hidden = Add(*layout, 500, 0);
  hidden->SetVisible(false);
  CControlUI* floating = Add(*layout, 10, 30);
  floating->SetFloat(true);
  floating->SetFixedXY(axis().MakeSize(2, -40));
  CControlUI* margins = Add(*layout, 0, 0);
  margins->SetPadding(Edges(2, 3, 4, 1));
  axis().IsHorizontal() ? margins->SetMaxHeight(120) : margins->SetMaxWidth(120);
  layout->SetPos(Rect(100, 100, 100, 200));
  // Inner area: 86 along from 106, 188 across from 105.
  EXPECT_EQ(narrow->GetPos(), Rect(106, 105, 20, 50));
  // Neither the hidden nor the floating child takes room or a gap:
  // 86 − 20 − 6 (margins) − 4 (one gap) = 56 for the stretch child.
  EXPECT_EQ(margins->GetPos(), Rect(132, 108, 56, 120));
  // Floating: 2 from the near edge along, 40 from the far edge across.
  EXPECT_EQ(floating->GetPos(), Rect(102, 230, 10, 30));
}

TEST_P(BoxLayoutTest, ContentLongerThanTheLayoutShowsTheBarAlongIt) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(ScrollingSkin()));
  auto* box = dynamic_cast<CBoxLayoutUI*>(window.Find(u"box"));
  ASSERT_NE(box, nullptr);
  CScrollBarUI* bar = BarAlong(*box);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 50);
  const int t = axis().Cross().Fixed(*bar);
  EXPECT_EQ(bar->GetPos(), Rect(0, 60 - t, 100, t));
  EXPECT_EQ(window.Find(u"c2")->GetPos(), Rect(100, 0, 50, 60 - t));

  box->SetScrollPos(axis().MakeSize(50, 0));
  EXPECT_EQ(window.Find(u"c2")->GetPos(), Rect(50, 0, 50, 60 - t));

  // Once everything fits the bar goes away and the children get the room back.
  window.Find(u"c2")->SetVisible(false);
  SkinWindow::Pump();
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(window.Find(u"c0")->GetPos(), Rect(0, 0, 50, 60));
  // And back: the children make room for the bar at once.
  window.Find(u"c2")->SetVisible(true);
  SkinWindow::Pump();
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(window.Find(u"c0")->GetPos(), Rect(0, 0, 50, 60 - t));
}

// The bar's range is what the content lacks, not room for stretch children
// to grow into: a layout that grows until they fit gives the bar up.
TEST_P(BoxLayoutTest, StretchChildrenGiveTheBarUpOnceEverythingFits) {
  auto layout = MakeLayout();
  layout->EnableScrollBar(!axis().IsHorizontal(), axis().IsHorizontal());
  CScrollBarUI* bar = BarAlong(*layout);
  ASSERT_NE(bar, nullptr);
  Add(*layout, 150, 0);
  CControlUI* stretch = Add(*layout, 0, 0);
  layout->SetPos(Rect(0, 0, 100, 60));
  ASSERT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 50);
  EXPECT_EQ(axis().Length(stretch->GetPos()), 0);

  layout->SetPos(Rect(0, 0, 300, 60));
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(stretch->GetPos(), Rect(150, 0, 150, 60));
}

// Content that shrinks while scrolled brings the bar's position down with
// its range, and the children follow the new position.
TEST_P(BoxLayoutTest, ContentShrinkingWhileScrolledPlacesTheChildrenAtTheNewPosition) {
  auto layout = MakeLayout();
  layout->EnableScrollBar(!axis().IsHorizontal(), axis().IsHorizontal());
  CControlUI* first = Add(*layout, 50, 0);
  Add(*layout, 50, 0);
  CControlUI* last = Add(*layout, 50, 0);
  layout->SetPos(Rect(0, 0, 100, 60));
  layout->SetScrollPos(axis().MakeSize(50, 0));
  ASSERT_EQ(axis().Main(layout->GetScrollPos()), 50);
  ASSERT_EQ(axis().Near(first->GetPos()), -50);

  SetLengthAlong(*last, 30);
  layout->SetPos(Rect(0, 0, 100, 60));
  EXPECT_EQ(axis().Main(layout->GetScrollRange()), 30);
  EXPECT_EQ(axis().Main(layout->GetScrollPos()), 30);
  EXPECT_EQ(axis().Near(first->GetPos()), -30);
  EXPECT_EQ(axis().Far(last->GetPos()), 100);
}

// Nonsense in a box layout's skin attributes is read as far as it goes and
// never crashes the layout, its drags, its bars or its painting.
TEST_P(BoxLayoutTest, NonsenseAttributesAreHarmless) {
  const bool h = axis().IsHorizontal();
  const std::u16string tag = h ? u"HorizontalLayout" : u"VerticalLayout";
  const std::u16string sep = h ? u"sepwidth" : u"sepheight";
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(u"<Window size=\"120,120\"><" + tag + u" name=\"box\" " + sep +
                  u"=\"abc\" sepimm=\"perhaps\" childpadding=\"x9\" inset=\"1,,x,-4\" vscrollbar=\"2\" "
                  u"hscrollbarstyle=\"range=&quot;-7&quot; linesize=\" scrollstepsize=\"-5\">"
                  u"<Control width=\"-30\" height=\"zz\" minwidth=\"-1\" maxwidth=\"-9\" padding=\"-3,a\"/>"
                  u"<" +
                  tag + u" name=\"inner\" " + sep +
                  u"=\"-99999999999\" sepimm=\"true\"/>"
                  u"<Control float=\"true\" pos=\"q,-2147483648\"/>"
                  u"</" +
                  tag + u"></Window>"));
  auto* box = dynamic_cast<CBoxLayoutUI*>(window.Find(u"box"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetScrollStepSize(), 0);  // a step below 1 is refused
  EXPECT_FALSE(box->IsSepImmMode());
  EXPECT_EQ(box->GetControlFlags(), 0u);  // "abc" reads as no separator
  ASSERT_NE(box->GetHorizontalScrollBar(), nullptr);
  EXPECT_EQ(box->GetHorizontalScrollBar()->GetScrollRange(), 0);  // nothing to scroll; "-7" would read as 0
  auto* inner = dynamic_cast<CBoxLayoutUI*>(window.Find(u"inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_TRUE(inner->IsSepImmMode());
  // A band wider than any window is held to the window range.
  EXPECT_EQ(h ? static_cast<CHorizontalLayoutUI*>(inner)->GetSepWidth()
              : static_cast<CVerticalLayoutUI*>(inner)->GetSepHeight(),
            -kMaxExtent);
  // Pointer, drag and wheel over all of it.
  for (int i = 0; i < 120; i += 7) {
    window.MoveTo(i, i);
    window.Down();
    window.MoveTo(119 - i, i / 2);
    window.Up();
  }
  window.Key(os::VK_END);
  SkinWindow::Pump();
  EXPECT_EQ(window.Find(u"box")->GetPos(), (RECT{0, 0, 120, 120}));
}

INSTANTIATE_TEST_SUITE_P(Axes, BoxLayoutTest,
                         ::testing::Values(LayoutAxis::Horizontal(), LayoutAxis::Vertical()),
                         [](const ::testing::TestParamInfo<LayoutAxis>& info) {
                           return std::string(info.param.IsHorizontal() ? "SideBySide" : "Stacked");
                         });

// Lengths past the range window coordinates travel in are held to it, so the
// layouts' sums cannot overflow, whatever a skin says.
TEST(HorizontalLayoutTest, HugeLengthsAreHeldToTheWindowRange) {
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="300,100"><HorizontalLayout name="row" childpadding="2147483647"
      inset="2147483647,-2147483647,2147483647,0">
      <Control name="a" width="2147483647" padding="2147483647,0,2147483647,0" maxwidth="99999999999"/>
      <Control name="b" minwidth="2147483647"/><Control name="c"/>
    </HorizontalLayout></Window>)"));
  auto* row = window.Find<CHorizontalLayoutUI>(u"row", u"HorizontalLayout");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->GetChildPadding(), kMaxExtent);
  EXPECT_EQ(row->GetInset(), (RECT{kMaxExtent, -kMaxExtent, kMaxExtent, 0}));
  CControlUI* a = window.Find(u"a");
  EXPECT_EQ(a->GetFixedWidth(), kMaxExtent);
  EXPECT_EQ(a->GetMaxWidth(), kMaxExtent);
  EXPECT_EQ(a->GetPadding().right, kMaxExtent);
  EXPECT_EQ(window.Find(u"b")->GetMinWidth(), kMaxExtent);
  // Laid out without overflow (the sanitizer build stops on one).
  row->SetPos(RECT{0, 0, 300, 100});
  EXPECT_LE(window.Find(u"c")->GetPos().left, 8 * kMaxExtent);
}

TEST(HorizontalLayoutTest, AButtonIsNotSizedByItsTextButStretchesWithinItsLimits) {
  CHorizontalLayoutUI layout;
  auto* button = new CButtonUI();
  button->SetText(u"A rather long caption for such a narrow button");
  button->SetAttribute(u"autocalcwidth", u"true");
  button->SetAttribute(u"maxwidth", u"85");
  layout.Add(button);
  CControlUI* other = AddChild(layout, 0, 0);
  layout.SetPos(RECT{0, 0, 300, 40});
  EXPECT_EQ(button->GetPos(), (RECT{0, 0, 85, 40}));
  EXPECT_EQ(other->GetPos(), (RECT{85, 0, 235, 40}));
}

// ---------------------------------------------------------------------------
// Separators

constexpr char16_t kVerticalSeparatorSkin[] =
    uR"(<Window size="200,200">
  <VerticalLayout>
    <VerticalLayout name="top" height="80" sepheight="4" minheight="40" maxheight="150" bkcolor="#FFFF0000"/>
    <Control name="rest" bkcolor="#FF0000FF"/>
  </VerticalLayout></Window>)";

TEST(SeparatorTest, ADeferredDragDrawsTheBandAndResizesOnRelease) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(kVerticalSeparatorSkin));
  auto* top = window.Find<CVerticalLayoutUI>(u"top", u"VerticalLayout");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->GetThumbRect(), (RECT{0, 76, 200, 80}));

  window.MoveTo(100, 78);
  EXPECT_EQ(os::CursorShapeOf(os::GetCursor()), os::CursorShape::SizeNS);
  window.Down();
  EXPECT_NE(top->GetDragState() & CVerticalLayoutUI::kDragging, 0u);
  for (int y = 79; y <= 98; ++y) window.MoveTo(100, y);

  // The layout keeps its place while the band shows where it will end.
  EXPECT_EQ(top->GetPos(), (RECT{0, 0, 200, 80}));
  EXPECT_EQ(top->GetThumbRect(true), (RECT{0, 96, 200, 100}));
  const std::uint32_t darkened = window.Pixel(100, 98);
  EXPECT_EQ(darkened >> 24, 0xFFu);
  EXPECT_LT(darkened & 0xFFu, 0x60u);  // blue under a dark veil
  EXPECT_EQ(window.Pixel(100, 120), 0xFF0000FFu);

  window.Up();
  EXPECT_EQ(top->GetDragState() & CVerticalLayoutUI::kDragging, 0u);
  EXPECT_EQ(top->GetPos(), (RECT{0, 0, 200, 100}));
  EXPECT_EQ(window.Find(u"rest")->GetPos(), (RECT{0, 100, 200, 200}));
  EXPECT_EQ(window.Pixel(100, 98), 0xFFFF0000u);
  EXPECT_EQ(window.Pixel(100, 102), 0xFF0000FFu);
}

TEST(SeparatorTest, LimitsStopTheBandAndItWaitsForThePointerToComeBack) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(kVerticalSeparatorSkin));
  auto* top = window.Find<CVerticalLayoutUI>(u"top", u"VerticalLayout");
  window.MoveTo(100, 78);
  window.Down();
  for (int y = 77; y >= 20; --y) window.MoveTo(100, y);
  EXPECT_EQ(top->GetThumbRect(true), (RECT{0, 36, 200, 40}));  // minheight 40
  // Coming back down, nothing moves until the pointer reaches the band.
  for (int y = 21; y <= 35; ++y) window.MoveTo(100, y);
  EXPECT_EQ(top->GetThumbRect(true), (RECT{0, 36, 200, 40}));
  for (int y = 36; y <= 50; ++y) window.MoveTo(100, y);
  EXPECT_EQ(top->GetThumbRect(true), (RECT{0, 51, 200, 55}));
  for (int y = 51; y <= 199; ++y) window.MoveTo(100, y);
  EXPECT_EQ(top->GetThumbRect(true), (RECT{0, 146, 200, 150}));  // maxheight 150
  window.Up();
  EXPECT_EQ(top->GetPos(), (RECT{0, 0, 200, 150}));
}

TEST(SeparatorTest, AnImmediateDragAtTheLeftEdgeRelaysOutOnEveryMove) {
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="200,100">
    <HorizontalLayout>
      <Control name="left" bkcolor="#FF00FF00"/>
      <HorizontalLayout name="side" width="80" sepwidth="-4" sepimm="true" minwidth="50"/>
    </HorizontalLayout></Window>)"));
  auto* side = window.Find<CHorizontalLayoutUI>(u"side", u"HorizontalLayout");
  ASSERT_NE(side, nullptr);
  EXPECT_EQ(side->GetThumbRect(), (RECT{120, 0, 124, 100}));
  window.MoveTo(150, 50);
  EXPECT_EQ(os::CursorShapeOf(os::GetCursor()), os::CursorShape::Arrow);
  window.MoveTo(122, 50);
  EXPECT_EQ(os::CursorShapeOf(os::GetCursor()), os::CursorShape::SizeWE);
  window.Down();
  for (int x = 121; x >= 112; --x) window.MoveTo(x, 50);
  // Already laid out before the button is released.
  EXPECT_EQ(side->GetPos(), (RECT{110, 0, 200, 100}));
  EXPECT_EQ(window.Find(u"left")->GetPos(), (RECT{0, 0, 110, 100}));
  for (int x = 113; x <= 190; ++x) window.MoveTo(x, 50);
  window.Up();
  EXPECT_EQ(side->GetPos(), (RECT{150, 0, 200, 100}));  // minwidth 50
  EXPECT_TRUE(window.manager.PostPaintControls().empty());
}

// ---------------------------------------------------------------------------
// Tiles

TEST(TileLayoutTest, ColumnsRowsAndCentredItems) {
  CTileLayoutUI tiles;
  tiles.SetColumns(3);
  CControlUI* a = AddChild(tiles, 0, 20);
  CControlUI* b = AddChild(tiles, 0, 40);
  CControlUI* c = AddChild(tiles, 50, 30);
  CControlUI* d = AddChild(tiles, 0, 10);
  tiles.SetPos(RECT{0, 0, 300, 200});
  // Row one is as high as b; the others are centred in their tiles.
  EXPECT_EQ(a->GetPos(), (RECT{0, 10, 100, 30}));
  EXPECT_EQ(b->GetPos(), (RECT{100, 0, 200, 40}));
  EXPECT_EQ(c->GetPos(), (RECT{225, 5, 275, 35}));
  EXPECT_EQ(d->GetPos(), (RECT{0, 40, 100, 50}));

  // Gaps: half a padding on inner edges, none at the outer ones, a whole one
  // between rows.
  tiles.SetChildPadding(10);
  tiles.SetPos(RECT{0, 0, 300, 200});
  EXPECT_EQ(a->GetPos(), (RECT{0, 10, 95, 30}));
  EXPECT_EQ(b->GetPos(), (RECT{105, 0, 195, 40}));
  EXPECT_EQ(c->GetPos(), (RECT{227, 5, 277, 35}));
  EXPECT_EQ(d->GetPos(), (RECT{0, 50, 95, 60}));
}

TEST(TileLayoutTest, ItemSizeDecidesTheColumnCount) {
  CTileLayoutUI tiles;
  tiles.SetItemSize(SIZE{100, 40});
  CControlUI* a = AddChild(tiles, 0, 40);
  CControlUI* b = AddChild(tiles, 0, 40);
  CControlUI* c = AddChild(tiles, 0, 40);
  CControlUI* d = AddChild(tiles, 0, 40);
  tiles.SetPos(RECT{0, 0, 350, 200});
  EXPECT_EQ(tiles.GetColumns(), 3);
  EXPECT_EQ(c->GetPos(), (RECT{232, 0, 348, 40}));
  EXPECT_EQ(d->GetPos(), (RECT{0, 40, 116, 80}));

  // Wider items than the layout: one column, never none.
  tiles.SetItemSize(SIZE{400, 40});
  tiles.SetPos(RECT{0, 0, 350, 200});
  EXPECT_EQ(tiles.GetColumns(), 1);
  EXPECT_EQ(a->GetPos(), (RECT{0, 0, 350, 40}));
  EXPECT_EQ(b->GetPos(), (RECT{0, 40, 350, 80}));
  EXPECT_EQ(d->GetPos(), (RECT{0, 120, 350, 160}));
}

TEST(TileLayoutTest, SkinAttributes) {
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="200,100">
    <TileLayout name="grid" columns="2" childpadding="4" vscrollbar="true">
      <Control height="40"/><Control height="40"/><Control height="40"/><Control name="last" height="40"/>
    </TileLayout></Window>)"));
  auto* grid = window.Find<CTileLayoutUI>(u"grid", u"TileLayout");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->GetColumns(), 2);
  // Two rows of 40 and a gap of 4 fit in 100: no bar.
  EXPECT_FALSE(grid->GetVerticalScrollBar()->IsVisible());
  EXPECT_EQ(window.Find(u"last")->GetPos(), (RECT{102, 44, 200, 84}));
  grid->SetAttribute(u"columns", u"0");  // ignored
  EXPECT_EQ(grid->GetColumns(), 2);
  grid->SetAttribute(u"columns", u"1");
  SkinWindow::Pump();
  // Four rows of 40 with three gaps in 100: scrolled content of 172.
  EXPECT_TRUE(grid->GetVerticalScrollBar()->IsVisible());
  EXPECT_EQ(grid->GetScrollRange().cy, 72);
}

// ---------------------------------------------------------------------------
// Tab pages

std::vector<CControlUI*> Pages(CTabLayoutUI& tabs, int n) {
  std::vector<CControlUI*> pages;
  for (int i = 0; i < n; ++i) {
    pages.push_back(new CControlUI());
    tabs.Add(pages.back());
  }
  return pages;
}

std::vector<bool> Visibility(const CTabLayoutUI& tabs) {
  std::vector<bool> v;
  for (int i = 0; i < tabs.GetCount(); ++i) v.push_back(tabs.GetItemAt(i)->IsVisible());
  return v;
}

TEST(TabLayoutTest, AddingKeepsTheFirstVisiblePageSelected) {
  CTabLayoutUI tabs;
  auto* hiddenFirst = new CControlUI();
  hiddenFirst->SetVisible(false);
  tabs.Add(hiddenFirst);
  EXPECT_EQ(tabs.GetCurSel(), -1);
  Pages(tabs, 2);
  EXPECT_EQ(tabs.GetCurSel(), 1);
  EXPECT_EQ(Visibility(tabs), (std::vector<bool>{false, true, false}));

  // Inserting before the current page moves the selection with it, and the
  // new page stays hidden like any other.
  tabs.AddAt(new CControlUI(), 0);
  EXPECT_EQ(tabs.GetCurSel(), 2);
  EXPECT_EQ(Visibility(tabs), (std::vector<bool>{false, false, true, false}));
  tabs.AddAt(new CControlUI(), 3);
  EXPECT_EQ(tabs.GetCurSel(), 2);
  EXPECT_EQ(Visibility(tabs), (std::vector<bool>{false, false, true, false, false}));
}

TEST(TabLayoutTest, RemovingPages) {
  CTabLayoutUI tabs;
  tabs.SetDelayedDestroy(false);
  std::vector<CControlUI*> pages = Pages(tabs, 4);
  ASSERT_TRUE(tabs.SelectItem(2));

  // A page before the current one: the same page stays selected.
  tabs.Remove(pages[0]);
  EXPECT_EQ(tabs.GetCurSel(), 1);
  EXPECT_EQ(tabs.GetItemAt(1), pages[2]);
  EXPECT_TRUE(pages[2]->IsVisible());
  // The current page: the first one takes over.
  tabs.Remove(pages[2]);
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_EQ(Visibility(tabs), (std::vector<bool>{true, false}));
  tabs.RemoveAt(0);
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_EQ(Visibility(tabs), (std::vector<bool>{true}));
  tabs.RemoveAt(0);
  EXPECT_EQ(tabs.GetCurSel(), -1);

  Pages(tabs, 2);
  EXPECT_EQ(tabs.GetCurSel(), 0);
  tabs.RemoveAll();
  EXPECT_EQ(tabs.GetCurSel(), -1);
  EXPECT_EQ(tabs.GetCount(), 0);
}

TEST(TabLayoutTest, SelectingByIndexAndByControl) {
  CTabLayoutUI tabs;
  std::vector<CControlUI*> pages = Pages(tabs, 3);
  EXPECT_FALSE(tabs.SelectItem(3));
  EXPECT_FALSE(tabs.SelectItem(-1));
  CControlUI stranger;
  EXPECT_FALSE(tabs.SelectItem(&stranger));
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_TRUE(tabs.SelectItem(0));
  EXPECT_TRUE(tabs.SelectItem(pages[2]));
  EXPECT_EQ(tabs.GetCurSel(), 2);
  EXPECT_EQ(Visibility(tabs), (std::vector<bool>{false, false, true}));
}

TEST(TabLayoutTest, OnlyTheCurrentPageIsLaidOutAnchoredTopLeft) {
  CTabLayoutUI tabs;
  tabs.SetInset(RECT{2, 3, 4, 5});
  std::vector<CControlUI*> pages = Pages(tabs, 2);
  pages[0]->SetPadding(RECT{1, 1, 1, 1});
  pages[1]->SetFixedWidth(40);
  pages[1]->SetFixedHeight(30);
  tabs.SetPos(RECT{0, 0, 100, 100});
  EXPECT_EQ(pages[0]->GetPos(), (RECT{3, 4, 95, 94}));
  EXPECT_EQ(pages[1]->GetPos(), (RECT{}));
  tabs.SelectItem(1);
  EXPECT_EQ(pages[1]->GetPos(), (RECT{2, 3, 42, 33}));
}

constexpr char16_t kTabSkin[] =
    uR"(<Window size="200,100">
  <VerticalLayout>
    <HorizontalLayout height="30">
      <Button name="toLast" bindtablayoutname="tabs" bindtabindex="2" text="last"/>
      <Button name="unbound" text="none"/>
    </HorizontalLayout>
    <TabLayout name="tabs" selectedid="1">
      <Control name="page0"/>
      <VerticalLayout name="page1"/>
      <VerticalLayout name="page2"><Control height="10"/><Button name="inPage2" height="20" text="go"/></VerticalLayout>
    </TabLayout>
  </VerticalLayout></Window>)";

TEST(TabLayoutTest, AButtonSwitchesPagesAndTheFocusMovesIntoTheNewPage) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(kTabSkin));
  auto* tabs = window.Find<CTabLayoutUI>(u"tabs", u"TabLayout");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->GetCurSel(), 1);  // "selectedid"
  EXPECT_TRUE(window.Find(u"page1")->IsVisible());
  EXPECT_EQ(window.Find(u"page1")->GetPos(), (RECT{0, 30, 200, 100}));

  window.recorder.messages.clear();
  window.Click(50, 15);
  std::vector<std::u16string> order;
  for (const std::u16string& type : window.recorder.Types()) {
    if (type == u"click" || type == u"tabselect") order.push_back(type);
  }
  EXPECT_EQ(order, (std::vector<std::u16string>{u"click", u"tabselect"}));
  const NotifyMsg* select = window.Last(u"tabselect");
  ASSERT_NE(select, nullptr);
  EXPECT_EQ(select->sender, tabs);
  EXPECT_EQ(select->wParam, 2u);
  EXPECT_EQ(select->lParam, 1);
  EXPECT_EQ(tabs->GetCurSel(), 2);
  EXPECT_FALSE(window.Find(u"page1")->IsVisible());
  EXPECT_EQ(window.Find(u"inPage2")->GetPos(), (RECT{0, 40, 200, 60}));
  EXPECT_EQ(window.manager.Focus(), window.Find(u"inPage2"));

  // Selecting the current page again says nothing; an unbound button
  // switches nothing.
  window.Click(50, 15);
  EXPECT_EQ(window.Count(u"tabselect"), 1);
  window.Click(150, 15);
  EXPECT_EQ(window.Count(u"tabselect"), 1);
  EXPECT_EQ(window.Count(u"click"), 3);
  EXPECT_EQ(tabs->GetCurSel(), 2);
}

// ---------------------------------------------------------------------------
// Child layouts

TEST(ChildLayoutTest, FillsItselfFromAnotherSkinFile) {
  SkinFolder folder;
  folder.Write("child.xml", R"(<?xml version="1.0" encoding="utf-8"?>
<Window>
  <VerticalLayout name="inner" inset="2,2,2,2">
    <Button name="innerButton" height="30" text="inside"/>
  </VerticalLayout>
</Window>)");
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="200,100">
    <VerticalLayout>
      <ChildLayout name="holder" xmlfile="child.xml" height="60"/>
      <ChildLayout name="broken" xmlfile="missing.xml"/>
      <ChildLayout name="blank"/>
    </VerticalLayout></Window>)"));
  auto* holder = window.Find<CChildLayoutUI>(u"holder", u"ChildLayout");
  ASSERT_NE(holder, nullptr);
  ASSERT_EQ(holder->GetCount(), 1);
  EXPECT_EQ(holder->GetItemAt(0), window.Find(u"inner"));
  CControlUI* button = window.Find(u"innerButton");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetManager(), &window.manager);
  EXPECT_EQ(button->GetPos(), (RECT{2, 2, 198, 32}));

  EXPECT_EQ(window.Find<CChildLayoutUI>(u"broken", u"ChildLayout")->GetCount(), 0);
  EXPECT_EQ(window.Find<CChildLayoutUI>(u"blank", u"ChildLayout")->GetCount(), 0);

  // Joining a window again does not build the file a second time.
  holder->SetOwner(&window.manager, window.root, true);
  EXPECT_EQ(holder->GetCount(), 1);

  window.Click(100, 15);
  EXPECT_EQ(window.Count(u"click"), 1);
  EXPECT_EQ(window.Last(u"click")->sender, button);
}

}  // namespace
}  // namespace Kesto
