// Combo boxes built from skins into a headless window: the drop-down list as
// a real popup window (placement, size, painting, no activation), choosing
// with the pointer and the keyboard, the ways the list closes, and the arrow
// of the combo box.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SkinHarness.h"
#include "controls/Combo.h"
#include "controls/ComboWnd.h"
#include "controls/ListElement.h"
#include "controls/ScrollBar.h"
#include "platform/headless/Headless.h"
#include "platform/window/Input.h"

namespace Kesto {
namespace {

using controltest::SkinFolder;
using controltest::SkinWindow;

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;

// Ten rows of 20 pixels in a 24-pixel box at the top of the window, with a
// button below it.
std::u16string ComboSkin(std::u16string_view comboAttributes, int rows = 10) {
  std::u16string items;
  for (int i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    items += u"<ListLabelElement name=\"i" + std::u16string(n.begin(), n.end()) +
             u"\" height=\"20\" text=\"Row " + std::u16string(n.begin(), n.end()) + u"\"/>";
  }
  return u"<Window size=\"300,300\"><VerticalLayout bkcolor=\"#FFFFFFFF\"><Combo name=\"c\" height=\"24\" "
         u"itemselectedbkcolor=\"#FF00FF00\" itemhotbkcolor=\"#FF0000FF\" itembkcolor=\"#FFFFFFFF\" "
         u"itemselectedtextcolor=\"#FFFF0000\" " +
         std::u16string(comboAttributes) + u">" + items +
         u"</Combo><Button name=\"b\" height=\"40\"/><Control/></VerticalLayout></Window>";
}

class ComboTest : public ::testing::Test {
 protected:
  bool Load(std::u16string_view attrs = u"dropboxsize=\"0,100\"", int rows = 10) {
    if (!window.Load(ComboSkin(attrs, rows))) return false;
    combo = window.Find<CComboUI>(u"c", u"Combo");
    return combo != nullptr;
  }
  os::HWND Popup() const {
    return combo->GetDropDownWindow() != nullptr ? combo->GetDropDownWindow()->GetHWND() : nullptr;
  }
  os::RECT PopupRect() const {
    os::RECT rc{};
    os::GetWindowRect(Popup(), &rc);
    return rc;
  }
  // Screen point inside row i of the open list, at its current scroll.
  os::POINT RowOnScreen(int row) const {
    const os::RECT rc = PopupRect();
    const RECT item = combo->GetItemAt(row)->GetPos();
    return os::POINT{rc.left + 20, rc.top + (item.top + item.bottom) / 2};
  }
  int PopupCount(const os::RECT& r, std::uint32_t argb) const {
    const auto frame = os::headless::LastFrame(Popup());
    if (!frame) return 0;
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const std::uint8_t* p = &frame->bgra[static_cast<std::size_t>((y * frame->width + x) * 4)];
        const std::uint32_t v = static_cast<std::uint32_t>(p[3]) << 24 |
                                static_cast<std::uint32_t>(p[2]) << 16 |
                                static_cast<std::uint32_t>(p[1]) << 8 | p[0];
        n += v == argb ? 1 : 0;
      }
    }
    return n;
  }
  void AltDown() {
    os::inject::KeyDown(os::VK_MENU);
    os::inject::KeyPress(os::VK_DOWN);
    os::inject::KeyUp(os::VK_MENU);
    SkinWindow::Pump();
  }

  SkinFolder folder;
  SkinWindow window;
  CComboUI* combo = nullptr;
};

TEST_F(ComboTest, ClickOpensANonActivatingPopupBelowSizedByDropBoxSize) {
  ASSERT_TRUE(Load());
  EXPECT_EQ(combo->GetClass(), u"ComboUI");
  EXPECT_NE(combo->GetInterface(u"IListOwner"), nullptr);
  EXPECT_EQ(combo->GetCurSel(), -1);
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  EXPECT_EQ(window.Count(u"dropdown"), 1);
  EXPECT_EQ(os::GetClassName(Popup()), u"ComboWnd");
  EXPECT_TRUE(os::IsWindowVisible(Popup()));
  // The box's width, 100 high (the rows would need 200), right below it.
  const os::RECT rc = PopupRect();
  EXPECT_EQ(rc.left, 100);
  EXPECT_EQ(rc.top, 124);
  EXPECT_EQ(rc.right, 400);
  EXPECT_EQ(rc.bottom, 224);
  // The owner keeps activation and the keyboard; the box keeps the focus.
  EXPECT_EQ(os::GetActiveWindow(), window.hwnd);
  EXPECT_EQ(os::GetFocus(), window.hwnd);
  EXPECT_EQ(window.manager.Focus(), combo);
  // Five white rows painted with a scroll bar at the right.
  EXPECT_GT(PopupCount(os::RECT{0, 0, 250, 100}, kWhite), 250 * 90);
  EXPECT_TRUE(combo->GetDropDownWindow()->Body()->GetVerticalScrollBar()->IsVisible());
}

TEST_F(ComboTest, ClickingARowSelectsItClosesAndTheBoxShowsIt) {
  ASSERT_TRUE(Load());
  int rowDelegateCalls = 0;
  combo->GetItemAt(2)->OnNotify += [&rowDelegateCalls](NotifyMsg& msg) {
    rowDelegateCalls += msg.type == u"itemclick" ? 1 : 0;
    return true;
  };
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  // Hovering row 1 paints it hot, in the popup.
  os::inject::MouseMove(RowOnScreen(1));
  SkinWindow::Pump();
  EXPECT_GT(PopupCount(os::RECT{0, 20, 200, 40}, kBlue), 150 * 18);
  // A click on row 2 chooses it; the click on the list does not activate it.
  os::inject::Click(RowOnScreen(2));
  SkinWindow::Pump();
  EXPECT_EQ(os::GetActiveWindow(), window.hwnd);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), 2);
  const NotifyMsg* select = window.Last(u"itemselect");
  ASSERT_NE(select, nullptr);
  EXPECT_EQ(select->wParam, 2u);
  EXPECT_EQ(static_cast<int>(select->lParam), -1);
  // The row's own report reaches the box window's listeners too.
  const NotifyMsg* click = window.Last(u"itemclick");
  ASSERT_NE(click, nullptr);
  EXPECT_EQ(click->sender, combo->GetItemAt(2));
  EXPECT_EQ(rowDelegateCalls, 1);
  // The box draws the chosen row's text in the selected text colour.
  EXPECT_GT(window.CountIf(RECT{0, 0, 300, 24},
                           [](std::uint32_t p) { return (p >> 16 & 0xFF) > 0xC0 && (p & 0xFF) < 0x60; }),
            10);
  // Opening again shows the selection.
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  EXPECT_GT(PopupCount(os::RECT{0, 40, 200, 60}, kGreen), 150 * 18);
  // A second click on the box closes it.
  window.Click(150, 12);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(window.Count(u"dropdown"), 2);
}

// Something closing the list from inside a click on it (an application's
// handler, the owner losing activation): the window outlives that click.
TEST_F(ComboTest, ClosingFromInsideAClickOnTheListIsSafe) {
  ASSERT_TRUE(Load());
  CComboUI* box = combo;
  combo->GetItemAt(3)->OnEvent += [box](ControlEvent& e) {
    if (e.type == UIEvent::ButtonDown) box->CloseDropDown();
    return true;
  };
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  const os::HWND popup = Popup();
  os::inject::Click(RowOnScreen(3));
  SkinWindow::Pump();
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_FALSE(os::IsWindow(popup));
  EXPECT_EQ(combo->GetItemAt(3)->GetManager(), &window.manager);
  // The box works on.
  window.Click(150, 12);
  EXPECT_TRUE(combo->IsDroppedDown());
}

TEST_F(ComboTest, KeysMoveTheSelectionOpenCloseAndEscapeRestores) {
  ASSERT_TRUE(Load());
  combo->SetFocus();
  struct Step {
    os::UINT key;
    int selected;
  };
  // Closed: Up and Down step, Home and End jump.
  for (const Step s : {Step{os::VK_DOWN, 0}, Step{os::VK_DOWN, 1}, Step{os::VK_UP, 0}, Step{os::VK_UP, 0},
                       Step{os::VK_END, 9}, Step{os::VK_HOME, 0}}) {
    window.Key(s.key);
    EXPECT_EQ(combo->GetCurSel(), s.selected) << s.key;
  }
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(window.Count(u"itemselect"), 5);  // Up at the top changed nothing

  // Alt+Down opens; Down moves inside the open list, which scrolls along.
  AltDown();
  ASSERT_TRUE(combo->IsDroppedDown());
  for (int i = 0; i < 7; ++i) window.Key(os::VK_DOWN);
  EXPECT_EQ(combo->GetCurSel(), 7);
  // Row 7 ends at 160: scrolled by 60 so that it is the last of five shown.
  EXPECT_EQ(combo->GetDropDownWindow()->Body()->GetScrollPos().cy, 60);
  SkinWindow::Pump();
  EXPECT_GT(PopupCount(os::RECT{0, 80, 200, 100}, kGreen), 150 * 18);
  // Escape closes and goes back to the row selected when it opened.
  window.Key(os::VK_ESCAPE);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), 0);
  EXPECT_EQ(window.Last(u"itemselect")->lParam, 7);

  // F4 opens, Enter closes keeping the choice; F4 also closes.
  window.Key(os::VK_F4);
  ASSERT_TRUE(combo->IsDroppedDown());
  window.Key(os::VK_END);
  window.Key(os::VK_RETURN);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), 9);
  window.Key(os::VK_F4);
  window.Key(os::VK_F4);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(window.Count(u"dropdown"), 3);
}

TEST_F(ComboTest, TheListClosesOnOutsideClicksDeactivationAndHiding) {
  // A narrow list (100..250 on the screen) leaves the button's right part
  // uncovered.
  ASSERT_TRUE(Load(u"dropboxsize=\"150,30\""));
  // A click elsewhere in the window closes it, and still reaches its target.
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  window.Click(200, 40);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(window.Count(u"click"), 1);
  // The owner losing activation.
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  os::headless::ReportActivated(window.hwnd, false);
  SkinWindow::Pump();
  EXPECT_FALSE(combo->IsDroppedDown());
  os::headless::ReportActivated(window.hwnd, true);
  SkinWindow::Pump();
  // Hidden or disabled.
  ASSERT_TRUE(combo->ShowDropDown());
  combo->SetVisible(false);
  EXPECT_FALSE(combo->IsDroppedDown());
  combo->SetVisible(true);
  SkinWindow::Pump();
  ASSERT_TRUE(combo->ShowDropDown());
  const os::HWND popup = Popup();
  combo->SetEnabled(false);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_FALSE(os::IsWindow(popup));
  EXPECT_FALSE(combo->ShowDropDown());
  // Every item went back to the box's window.
  for (int i = 0; i < combo->GetCount(); ++i) EXPECT_EQ(combo->GetItemAt(i)->GetManager(), &window.manager);
}

TEST_F(ComboTest, TheWheelOverTheClosedBoxMovesTheSelection) {
  ASSERT_TRUE(Load());
  combo->SelectItem(4);
  window.MoveTo(150, 12);
  os::inject::Wheel(-120);  // towards the user: the next row
  SkinWindow::Pump();
  EXPECT_EQ(combo->GetCurSel(), 5);
  os::inject::Wheel(120);
  os::inject::Wheel(120);
  SkinWindow::Pump();
  EXPECT_EQ(combo->GetCurSel(), 3);
  EXPECT_FALSE(combo->IsDroppedDown());
  // Open, the wheel over the list scrolls it and leaves the selection.
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  CContainerUI* body = combo->GetDropDownWindow()->Body();
  const int before = body->GetScrollPos().cy;
  os::inject::MouseMove(os::POINT{250, 150});
  os::inject::Wheel(-120);
  SkinWindow::Pump();
  EXPECT_GT(body->GetScrollPos().cy, before);
  os::inject::Wheel(120);
  SkinWindow::Pump();
  EXPECT_EQ(body->GetScrollPos().cy, before);
  EXPECT_EQ(combo->GetCurSel(), 3);
  EXPECT_TRUE(combo->IsDroppedDown());
}

TEST_F(ComboTest, SelectionRulesAndItemsChangingUnderIt) {
  ASSERT_TRUE(Load());
  EXPECT_TRUE(combo->SelectItem(3));
  EXPECT_TRUE(combo->SelectItem(3));  // already selected: nothing sent
  EXPECT_EQ(window.Count(u"itemselect"), 1);
  EXPECT_FALSE(combo->SelectItem(42));
  EXPECT_EQ(combo->GetCurSel(), -1);
  EXPECT_FALSE(combo->GetItemAt(3)->GetInterface(u"ListItem") == nullptr);
  EXPECT_FALSE(static_cast<IListItemUI*>(combo->GetItemAt(3)->GetInterface(u"ListItem"))->IsSelected());
  EXPECT_EQ(window.Count(u"itemselect"), 1);
  // A disabled row refuses.
  combo->GetItemAt(5)->SetEnabled(false);
  EXPECT_FALSE(combo->SelectItem(5));
  // Removing rows before the selection keeps the same row selected; items
  // keep their positions as indices.
  ASSERT_TRUE(combo->SelectItem(6));
  ASSERT_TRUE(combo->RemoveAt(0));
  EXPECT_EQ(combo->GetCurSel(), 5);
  for (int i = 0; i < combo->GetCount(); ++i) {
    EXPECT_EQ(static_cast<IListItemUI*>(combo->GetItemAt(i)->GetInterface(u"ListItem"))->GetIndex(), i);
  }
  // Removing while open closes first; so does removing everything.
  ASSERT_TRUE(combo->ShowDropDown());
  ASSERT_TRUE(combo->RemoveAt(5));
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), -1);
  ASSERT_TRUE(combo->ShowDropDown());
  combo->RemoveAll();
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCount(), 0);
  // An empty box still opens, one row high.
  ASSERT_TRUE(combo->ShowDropDown());
  EXPECT_GT(PopupRect().bottom - PopupRect().top, 0);
  // Closing the window with the list open tears both down.
  os::DestroyWindow(window.hwnd);
  SkinWindow::Pump();
}

// "dropboxsize" of every kind, and a box near the bottom of the screen.
TEST(ComboPlacementTest, DropBoxSizesAndRoomOnTheWorkArea) {
  struct Case {
    const char16_t* size;
    int windowTop;  // screen top of the window (the box is at its top)
    os::RECT expected;
  };
  // The window is at x 100; the rows need 200 pixels; the work area ends at
  // 1040.
  const Case cases[] = {
      {u"0,150", 100, {100, 124, 400, 274}},
      {u"0,0", 100, {100, 124, 400, 324}},      // as tall as the rows
      {u"-20,-5", 100, {100, 124, 400, 324}},   // negative: the same
      {u"150,999", 100, {100, 124, 250, 324}},  // never taller than the rows
      {u"abc", 100, {100, 124, 400, 324}},
      {u"0,150", 960, {100, 810, 400, 960}},  // no room below: above the box
      {u"0,0", 1000, {100, 800, 400, 1000}},
      {u"2000,150", 100, {0, 124, 1920, 274}},  // wider than the screen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.size, c.size + std::char_traits<char16_t>::length(c.size)) + " at " +
                 std::to_string(c.windowTop));
    SkinWindow window;
    ASSERT_TRUE(window.Load(ComboSkin(u"dropboxsize=\"" + std::u16string(c.size) + u"\"")));
    os::SetWindowPos(window.hwnd, nullptr, 100, c.windowTop, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
    SkinWindow::Pump();
    auto* combo = window.Find<CComboUI>(u"c", u"Combo");
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->ShowDropDown());
    os::RECT rc{};
    os::GetWindowRect(combo->GetDropDownWindow()->GetHWND(), &rc);
    EXPECT_EQ(rc.left, c.expected.left);
    EXPECT_EQ(rc.top, c.expected.top);
    EXPECT_EQ(rc.right, c.expected.right);
    EXPECT_EQ(rc.bottom, c.expected.bottom);
    combo->CloseDropDown();
  }
}

// Nonsense attribute values of every kind: the box builds, opens, steps and
// closes, and the values read sensibly.
TEST(ComboBadInputTest, NonsenseAttributesAreHarmless) {
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="300,300"><VerticalLayout bkcolor="#FFFFFFFF">
      <ComboBox name="c" height="24" itemfont="abc" itemtextpadding="-5,x" itemalign="sideways"
          itemtextcolor="zz" itemlinecolor="#" dropbox="no pairs here =" dropboxsize="x,y"
          textpadding="-10,-10,-10,-10" arrowimage="missing.png" normalimage="missing.png">
        <ListLabelElement text="A" selected="true"/>
        <ListLabelElement text="B" selected="true"/>
        <Control name="plain"/>
        <ListLabelElement text="C" height="-20"/>
      </ComboBox></VerticalLayout></Window>)"));
  auto* combo = window.Find<CComboUI>(u"c", u"Combo");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->GetCurSel(), 1);  // the later "selected" wins
  EXPECT_EQ(combo->GetListInfo()->font, 0);
  EXPECT_EQ(combo->GetDropBoxSize().cx, 0);
  EXPECT_EQ(combo->GetDropBoxSize().cy, 0);
  window.Click(150, 12);
  ASSERT_TRUE(combo->IsDroppedDown());
  for (os::UINT key : {os::VK_DOWN, os::VK_DOWN, os::VK_DOWN, os::VK_END, os::VK_HOME, os::VK_UP})
    window.Key(key);
  // The plain control in the list is never selected.
  EXPECT_NE(combo->GetCurSel(), 2);
  window.Key(os::VK_RETURN);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_FALSE(combo->SelectItem(2));
  EXPECT_FALSE(combo->SelectItem(-5));
}

TEST(ComboBoxTest, ArrowFrameFollowsTheStateAtTheRightEdge) {
  SkinFolder folder;
  // Five 10×10 frames: normal red, hot green, pushed blue, focused yellow,
  // disabled grey.
  const std::uint32_t colours[5] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x808080};
  folder.Write("arrow.png", testsupport::DrawPng(50, 10, [&](int x, int) { return colours[x / 10]; }));

  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="300,300"><VerticalLayout bkcolor="#FFFFFFFF">
      <ComboBox name="c" height="24" arrowimage="arrow.png"><ListLabelElement text="A"/></ComboBox>
      <Button name="b" height="40"/></VerticalLayout></Window>)"));
  auto* box = window.Find<CComboBoxUI>(u"c", u"ComboBox");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetClass(), u"ComboBoxUI");
  const RECT arrow{290, 7, 300, 17};
  // The window focuses its first tab stop, the box: the focused frame.
  ASSERT_TRUE(box->IsFocused());
  EXPECT_EQ(window.CountPixels(arrow, 0xFFFFFF00), 100);
  window.manager.SetFocus(window.Find(u"b"));
  SkinWindow::Pump();
  EXPECT_EQ(window.CountPixels(arrow, 0xFFFF0000), 100);
  EXPECT_EQ(window.CountOther(RECT{0, 0, 290, 24}, kWhite), 0);
  window.MoveTo(100, 12);
  EXPECT_EQ(window.CountPixels(arrow, 0xFF00FF00), 100);
  window.Click(100, 12);  // open: pushed
  EXPECT_EQ(window.CountPixels(arrow, 0xFF0000FF), 100);
  window.Click(100, 40);  // closed, the button focused
  window.MoveTo(100, 100);
  box->SetFocus();
  SkinWindow::Pump();
  EXPECT_EQ(window.CountPixels(arrow, 0xFFFFFF00), 100);
  box->SetEnabled(false);
  SkinWindow::Pump();
  EXPECT_EQ(window.CountPixels(arrow, 0xFF808080), 100);
}

}  // namespace
}  // namespace Kesto
