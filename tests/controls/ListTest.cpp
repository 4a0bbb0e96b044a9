// Lists built from skins into headless windows: the selection rule, moving
// the selection by keys and wheel with the view following, item bookkeeping
// when items come and go, row backgrounds, text columns and links, and the
// body that lays out and hit-tests only the rows in view.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SkinHarness.h"
#include "controls/List.h"
#include "controls/ListElement.h"
#include "controls/ListHeader.h"
#include "controls/ScrollBar.h"
#include "platform/window/Messages.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kSelectedBk = 0xFFC1E3FF;
constexpr std::uint32_t kHotBk = 0xFFE9F5FF;
constexpr std::uint32_t kDisabledBk = 0xFFFFFFFF;

// A 300×300 window holding one list named "list".
std::u16string ListSkin(std::u16string_view listAttributes, std::u16string_view items) {
  std::u16string skin = u"<Window size=\"300,300\"><Font name=\"Tahoma\" size=\"16\" bold=\"true\"/>";
  skin += u"<List name=\"list\" bkcolor=\"#FFFFFFFF\" ";
  skin += listAttributes;
  skin += u">";
  skin += items;
  skin += u"</List></Window>";
  return skin;
}

// count label rows of height 20 named row0, row1, ...
std::u16string Rows(int count, std::u16string_view extra = {}) {
  std::u16string rows;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    rows += u"<ListLabelElement height=\"20\" name=\"row" + std::u16string(n.begin(), n.end()) + u"\" ";
    rows += extra;
    rows += u"/>";
  }
  return rows;
}

CListUI* ListOf(const SkinWindow& w) { return w.Find<CListUI>(u"list", u"List"); }

IListItemUI* Item(CListUI* list, int index) {
  CControlUI* c = list->GetItemAt(index);
  return c == nullptr ? nullptr : static_cast<IListItemUI*>(c->GetInterface(u"ListItem"));
}

// ---------------------------------------------------------------------------
// Selection

TEST(ListSelectionTest, SelectingFollowsTheRule) {
  SkinWindow w;
  ASSERT_TRUE(
      w.Load(ListSkin(u"", Rows(3) + u"<ListLabelElement height=\"20\" name=\"off\" enabled=\"false\"/>"
                                     u"<Button height=\"20\" name=\"plain\"/>")));
  CListUI* list = ListOf(w);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 5);
  EXPECT_EQ(list->GetCurSel(), -1);

  EXPECT_TRUE(list->SelectItem(1));
  EXPECT_EQ(list->GetCurSel(), 1);
  EXPECT_TRUE(Item(list, 1)->IsSelected());
  ASSERT_EQ(w.Count(u"itemselect"), 1);
  EXPECT_EQ(w.Last(u"itemselect")->wParam, 1u);
  EXPECT_EQ(w.Last(u"itemselect")->lParam, -1);
  EXPECT_EQ(w.Last(u"itemselect")->sender, list);

  // Already selected: nothing happens.
  EXPECT_TRUE(list->SelectItem(1));
  EXPECT_EQ(w.Count(u"itemselect"), 1);

  EXPECT_TRUE(list->SelectItem(2));
  EXPECT_FALSE(Item(list, 1)->IsSelected());
  EXPECT_EQ(w.Last(u"itemselect")->wParam, 2u);
  EXPECT_EQ(w.Last(u"itemselect")->lParam, 1);

  // Every refusal deselects the old item and leaves -1, without a notice.
  for (int refused : {3 /* disabled */, 4 /* no list item */, 5 /* no item */, 99, -1, -7}) {
    SCOPED_TRACE(refused);
    ASSERT_TRUE(list->SelectItem(0));
    const int notices = w.Count(u"itemselect");
    EXPECT_FALSE(list->SelectItem(refused));
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_FALSE(Item(list, 0)->IsSelected());
    EXPECT_EQ(w.Count(u"itemselect"), notices);
  }
}

TEST(ListSelectionTest, ClickSelectsAndRowsPaintTheirState) {
  SkinWindow w(true);
  ASSERT_TRUE(
      w.Load(ListSkin(u"", Rows(3) + u"<ListLabelElement height=\"20\" name=\"off\" enabled=\"false\"/>")));
  CListUI* list = ListOf(w);
  w.Click(50, 30);
  EXPECT_EQ(list->GetCurSel(), 1);
  EXPECT_EQ(w.Count(u"itemclick"), 1);
  EXPECT_EQ(w.Last(u"itemclick")->sender, list->GetItemAt(1));
  EXPECT_TRUE(list->GetItemAt(1)->IsFocused());
  // The pointer still rests on row 1 (selected); move it to row 2 (hot).
  w.MoveTo(50, 50);
  w.Pump();
  EXPECT_EQ(w.CountPixels(RECT{0, 20, 300, 40}, kSelectedBk), 300 * 20);
  EXPECT_EQ(w.CountPixels(RECT{0, 40, 300, 60}, kHotBk), 300 * 20);
  EXPECT_EQ(w.CountPixels(RECT{0, 0, 300, 20}, kWhite), 300 * 20);
  // A click on a disabled row selects nothing.
  w.Click(50, 70);
  EXPECT_EQ(list->GetCurSel(), 1);
  EXPECT_EQ(w.CountPixels(RECT{0, 60, 300, 80}, kDisabledBk), 300 * 20);

  w.recorder.messages.clear();
  os::inject::DoubleClick(SkinWindow::Screen(50, 10));
  w.Pump();
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_EQ(w.Count(u"itemactivate"), 1);
  // Enter activates the selected item, whether it or the list has the focus.
  w.Key(os::VK_RETURN);
  list->SetFocus();
  w.Key(os::VK_RETURN);
  EXPECT_EQ(w.Count(u"itemactivate"), 3);
  EXPECT_EQ(w.Last(u"itemactivate")->sender, list->GetItemAt(0));
}

TEST(ListSelectionTest, SelectedAttributeAndItemAppearanceAttributes) {
  SkinWindow w;
  ASSERT_TRUE(
      w.Load(ListSkin(u"itembkcolor=\"#FF00FF00\" itemaltbk=\"true\" itemselectedbkcolor=\"#FF0000FF\" "
                      u"itemlinecolor=\"#FFFF0000\" itemfont=\"0\" itemalign=\"right\" "
                      u"itemtextpadding=\"1,2,3,4\" itemshowhtml=\"true\" header=\"hidden\"",
                      Rows(3) + u"<ListLabelElement height=\"20\" selected=\"true\"/>")));
  CListUI* list = ListOf(w);
  EXPECT_EQ(list->GetCurSel(), 3);
  const TListInfoUI& info = *list->GetListInfo();
  EXPECT_EQ(info.font, 0);
  EXPECT_EQ(info.textStyle & (os::DT_CENTER | os::DT_RIGHT), os::DT_RIGHT);
  EXPECT_EQ(info.textPadding, (RECT{1, 2, 3, 4}));
  EXPECT_TRUE(info.showHtml);
  EXPECT_TRUE(list->IsHeaderHidden());
  // Even rows have the background, odd rows not; the selected one its own;
  // every row a red bottom line.
  EXPECT_EQ(w.CountPixels(RECT{0, 0, 300, 19}, 0xFF00FF00), 300 * 19);
  EXPECT_EQ(w.CountPixels(RECT{0, 20, 300, 39}, kWhite), 300 * 19);
  EXPECT_EQ(w.CountPixels(RECT{0, 40, 300, 59}, 0xFF00FF00), 300 * 19);
  EXPECT_EQ(w.CountPixels(RECT{0, 60, 300, 79}, 0xFF0000FF), 300 * 19);
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(w.CountPixels(RECT{0, row * 20 + 19, 300, row * 20 + 20}, kRed), 300);
}

// ---------------------------------------------------------------------------
// Keyboard and wheel

struct KeyCase {
  const char* name;
  int start;  // -1: no selection
  os::UINT key;
  int expected;
  int scroll;  // the view's scroll position afterwards
};

class ListKeyTest : public ::testing::TestWithParam<KeyCase> {};

// 50 rows of 20 pixels in a 300-pixel view; row 7 is disabled.
TEST_P(ListKeyTest, KeysMoveTheSelectionAndTheViewFollows) {
  const KeyCase& c = GetParam();
  SkinWindow w;
  std::u16string rows = Rows(7) + u"<ListLabelElement height=\"20\" enabled=\"false\"/>" + Rows(42);
  ASSERT_TRUE(w.Load(ListSkin(u"vscrollbar=\"true\"", rows)));
  CListUI* list = ListOf(w);
  ASSERT_EQ(list->GetCount(), 50);
  if (c.start >= 0) {
    ASSERT_TRUE(list->SelectItem(c.start, true));
  } else {
    list->SetFocus();
  }
  w.Pump();
  w.Key(c.key);
  EXPECT_EQ(list->GetCurSel(), c.expected);
  EXPECT_EQ(list->GetScrollPos().cy, c.scroll);
  // The row is in view: a click at its middle hits it.
  const int middle = (c.expected * 20 - c.scroll) + 10;
  ASSERT_GE(middle, 0);
  ASSERT_LT(middle, 300);
  w.recorder.messages.clear();
  w.Click(50, middle);
  ASSERT_EQ(w.Count(u"itemclick"), 1);
  EXPECT_EQ(w.Last(u"itemclick")->sender, list->GetItemAt(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Keys, ListKeyTest,
                         ::testing::Values(KeyCase{"DownFromNothing", -1, os::VK_DOWN, 0, 0},
                                           KeyCase{"UpFromNothing", -1, os::VK_UP, 0, 0},
                                           KeyCase{"Down", 3, os::VK_DOWN, 4, 0},
                                           KeyCase{"DownSkipsDisabled", 6, os::VK_DOWN, 8, 0},
                                           KeyCase{"UpSkipsDisabled", 8, os::VK_UP, 6, 0},
                                           KeyCase{"UpAtTop", 0, os::VK_UP, 0, 0},
                                           KeyCase{"End", 3, os::VK_END, 49, 50 * 20 - 300},
                                           KeyCase{"DownAtBottom", 49, os::VK_DOWN, 49, 50 * 20 - 300},
                                           KeyCase{"Home", 49, os::VK_HOME, 0, 0},
                                           KeyCase{"PageDown", 0, os::VK_NEXT, 15, 16 * 20 - 300},
                                           KeyCase{"PageUp", 49, os::VK_PRIOR, 34, 34 * 20},
                                           KeyCase{"DownPastTheView", 14, os::VK_DOWN, 15, 16 * 20 - 300}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListWheelTest, WheelScrollsOrWithScrollSelectMovesTheSelection) {
  {
    SkinWindow w;
    ASSERT_TRUE(w.Load(ListSkin(u"vscrollbar=\"true\" scrollstepsize=\"30\"", Rows(50))));
    CListUI* list = ListOf(w);
    w.MoveTo(50, 50);
    os::inject::Wheel(-os::WHEEL_DELTA);
    w.Pump();
    EXPECT_EQ(list->GetScrollPos().cy, 30);
    EXPECT_EQ(list->GetCurSel(), -1);
    os::inject::Wheel(os::WHEEL_DELTA);
    w.Pump();
    EXPECT_EQ(list->GetScrollPos().cy, 0);
  }
  {
    SkinWindow w;
    ASSERT_TRUE(w.Load(ListSkin(u"vscrollbar=\"true\" scrollselect=\"true\"", Rows(50))));
    CListUI* list = ListOf(w);
    w.MoveTo(50, 50);
    os::inject::Wheel(-os::WHEEL_DELTA);
    w.Pump();
    EXPECT_EQ(list->GetCurSel(), 0);
    os::inject::Wheel(-os::WHEEL_DELTA);
    w.Pump();
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(list->GetScrollPos().cy, 0);
  }
}

// ---------------------------------------------------------------------------
// Items coming and going

TEST(ListItemsTest, SelectionFollowsItsItemAndGoesWithIt) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(ListSkin(u"", Rows(5))));
  CListUI* list = ListOf(w);
  CControlUI* third = list->GetItemAt(2);
  ASSERT_TRUE(list->SelectItem(2));

  auto* inserted = new CListLabelElementUI();
  ASSERT_TRUE(list->AddAt(inserted, 0));
  EXPECT_EQ(list->GetCurSel(), 3);
  EXPECT_EQ(list->GetItemAt(3), third);
  for (int i = 0; i < list->GetCount(); ++i) EXPECT_EQ(Item(list, i)->GetIndex(), i);
  EXPECT_EQ(inserted->GetListOwner(), static_cast<IListOwnerUI*>(list));

  ASSERT_TRUE(list->SetItemIndex(third, 5));
  EXPECT_EQ(list->GetCurSel(), 5);
  ASSERT_TRUE(list->RemoveAt(0));
  EXPECT_EQ(list->GetCurSel(), 4);
  EXPECT_EQ(list->GetItemAt(4), third);

  const int notices = w.Count(u"itemselect");
  ASSERT_TRUE(list->Remove(third));
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(w.Count(u"itemselect"), notices);
  // The next selection deselects nothing stale.
  ASSERT_EQ(list->GetCount(), 4);
  ASSERT_TRUE(list->SelectItem(3));
  EXPECT_EQ(w.Last(u"itemselect")->lParam, -1);
  w.Pump();

  // Hiding the selected item deselects it; clearing the list leaves nothing.
  list->GetItemAt(3)->SetVisible(false);
  EXPECT_EQ(list->GetCurSel(), -1);
  ASSERT_TRUE(list->SelectItem(1));
  list->RemoveAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_FALSE(list->SelectItem(0));
  w.Key(os::VK_DOWN);
  w.Pump();
}

TEST(ListItemsTest, ExpandingOneCollapsesTheOtherUnlessMultiExpanding) {
  for (const bool multi : {false, true}) {
    SCOPED_TRACE(multi);
    SkinWindow w;
    const std::u16string rows =
        u"<ListContainerElement height=\"20\"/><ListContainerElement height=\"20\"/>"
        u"<ListLabelElement height=\"20\"/>";
    ASSERT_TRUE(w.Load(ListSkin(multi ? u"multiexpanding=\"true\"" : u"", rows)));
    CListUI* list = ListOf(w);
    EXPECT_TRUE(list->ExpandItem(0));
    EXPECT_TRUE(list->ExpandItem(1));
    EXPECT_EQ(Item(list, 0)->IsExpanded(), multi);
    EXPECT_TRUE(Item(list, 1)->IsExpanded());
    EXPECT_EQ(list->GetExpandedItem(), 1);
    // A label row cannot expand; no row at 9.
    EXPECT_FALSE(list->ExpandItem(2));
    EXPECT_FALSE(list->ExpandItem(9));
    EXPECT_TRUE(list->ExpandItem(1, false));
    EXPECT_EQ(list->GetExpandedItem(), -1);
  }
}

// ---------------------------------------------------------------------------
// Columns

constexpr char16_t kColumnSkin[] =
    uR"(<Window size="300,300"><Font name="Tahoma" size="18" bold="true"/>
  <List name="list" bkcolor="#FFFFFFFF" itemtextcolor="#FFFF0000" itemfont="0" itemalign="left">
    <ListHeader height="20">
      <ListHeaderItem name="h0" width="100" dragable="true" sepwidth="6" text=""/>
      <ListHeaderItem name="h1" width="150"/>
    </ListHeader>
    <ListTextElement name="t" height="30"/>
  </List></Window>)";

TEST(ListColumnTest, TextsFollowTheHeaderColumns) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(kColumnSkin));
  CListUI* list = ListOf(w);
  auto* row = w.Find<CListTextElementUI>(u"t", u"ListTextElement");
  ASSERT_NE(row, nullptr);
  row->SetText(1, u"HHH");
  w.Pump();
  ASSERT_EQ(list->GetListInfo()->columns.size(), 2u);
  EXPECT_EQ(list->GetListInfo()->columns[1].left, 100);
  EXPECT_EQ(list->GetListInfo()->columns[1].right, 250);
  const RECT line{0, 20, 300, 50};
  EXPECT_EQ(w.CountPixels(RECT{0, 20, 100, 50}, kRed), 0);
  EXPECT_GT(w.CountPixels(RECT{100, 20, 140, 50}, kRed), 20);
  const int ink = w.CountPixels(line, kRed);

  // Drag the first column's separator 60 pixels right: the second text moves.
  os::inject::Drag(SkinWindow::Screen(97, 10), SkinWindow::Screen(157, 10));
  w.Pump();
  EXPECT_EQ(w.Find(u"h0")->GetWidth(), 160);
  EXPECT_EQ(list->GetListInfo()->columns[1].left, 160);
  EXPECT_EQ(w.CountPixels(RECT{0, 20, 160, 50}, kRed), 0);
  EXPECT_EQ(w.CountPixels(line, kRed), ink);
  EXPECT_EQ(w.Count(u"headerclick"), 0);

  // A click on the item, off the band, is a header click.
  w.Click(50, 10);
  EXPECT_EQ(w.Count(u"headerclick"), 1);
  EXPECT_EQ(w.Last(u"headerclick")->sender, w.Find(u"h0"));
}

TEST(ListColumnTest, MarkedUpColumnsReportTheirLinks) {
  SkinWindow w;
  ASSERT_TRUE(
      w.Load(uR"(<Window size="300,300">
  <List name="list" itemshowhtml="true">
    <ListHeader><ListHeaderItem width="120"/><ListHeaderItem width="120"/></ListHeader>
    <ListTextElement name="t" height="30"/>
  </List></Window>)"));
  auto* row = w.Find<CListTextElementUI>(u"t", u"ListTextElement");
  row->SetText(0, u"<a one>first</a>");
  row->SetText(1, u"x <a two>second</a>");
  w.Pump();
  ASSERT_EQ(row->GetLinkCount(), 2);
  const RECT second = row->GetLinkRect(1);
  EXPECT_GE(second.left, 120);
  w.Click((second.left + second.right) / 2, (second.top + second.bottom) / 2);
  ASSERT_EQ(w.Count(u"link"), 1);
  EXPECT_EQ(w.Last(u"link")->wParam, 1u);
  EXPECT_EQ(w.Last(u"link")->sender, row);
  // The click also selected the row.
  EXPECT_EQ(ListOf(w)->GetCurSel(), 0);
}

TEST(ListColumnTest, HeaderWithoutItemsGivesNoColumnsAndNoHeight) {
  SkinWindow w;
  ASSERT_TRUE(
      w.Load(uR"(<Window size="300,300"><Font name="Tahoma" size="18" bold="true"/>
  <List name="list" bkcolor="#FFFFFFFF" itemtextcolor="#FFFF0000" itemfont="0">
    <ListHeader/>
    <ListTextElement name="t" height="30" text="HHH"/>
  </List></Window>)"));
  CListUI* list = ListOf(w);
  EXPECT_TRUE(list->GetListInfo()->columns.empty());
  EXPECT_EQ(list->GetHeader()->GetHeight(), 0);
  EXPECT_EQ(w.Find(u"t")->GetPos().top, 0);
  EXPECT_GT(w.CountPixels(RECT{0, 0, 300, 30}, kRed), 20);
}

// ---------------------------------------------------------------------------
// Many rows

TEST(ListScaleTest, OnlyTheRowsInViewAreLaidOutAndHit) {
  SkinWindow w;
  ASSERT_TRUE(w.Load(ListSkin(u"vscrollbar=\"true\"", u"")));
  CListUI* list = ListOf(w);
  for (int i = 0; i < 2000; ++i) {
    auto* row = new CListTextElementUI();
    row->SetFixedHeight(20);
    list->Add(row);
  }
  w.Pump();
  auto* body = static_cast<CListBodyUI*>(list->GetList());
  EXPECT_EQ(body->ContentHeight(), 2000 * 20);
  EXPECT_EQ(body->FirstPlaced(), 0);
  EXPECT_LE(body->LastPlaced(), 16);
  EXPECT_TRUE(rect::IsEmpty(list->GetItemAt(1000)->GetPos()));

  list->SetScrollPos(SIZE{0, 1000 * 20 + 5});
  w.Pump();
  EXPECT_EQ(body->FirstPlaced(), 1000);
  EXPECT_EQ(list->GetItemAt(1000)->GetPos().top, -5);
  // Rows that left the view are out of it.
  EXPECT_LT(list->GetItemAt(3)->GetPos().bottom, 0);
  w.Click(50, 20);
  EXPECT_EQ(list->GetCurSel(), 1001);
  EXPECT_EQ(list->GetScrollPos().cy, 1000 * 20 + 5);
}

}  // namespace
}  // namespace Kesto
