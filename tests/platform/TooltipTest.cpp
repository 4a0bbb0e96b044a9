// The tooltip window as the UI framework drives it.
#include "platform/syscontrols/Tooltip.h"

#include "WindowTestSupport.h"

namespace wintest {
namespace {

class TooltipTest : public WindowTest {
 protected:
  // A tooltip window as the UI framework creates it, owned by owner.
  static HWND MakeTip(HWND owner) {
    return CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, TestInstance(),
                          nullptr);
  }
};

TEST_F(TooltipTest, ATrackedToolShowsItsTextAndHidesAgain) {
  HWND owner = Popup({100, 100, 400, 300});
  HWND tip = MakeTip(owner);
  ASSERT_TRUE(tip);
  EXPECT_EQ(GetWindow(tip, GW_OWNER), owner);
  EXPECT_EQ(SendMessage(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), static_cast<LRESULT>(GetDoubleClickTime()));

  TOOLINFOW ti;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(owner);
  std::u16string first = u"first";
  ti.lpszText = first.data();
  EXPECT_TRUE(SendMessage(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
  SendMessage(tip, TTM_SETMAXTIPWIDTH, 0, 300);
  std::u16string text = u"保存";
  ti.lpszText = text.data();
  SendMessage(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessage(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(150, 160));

  TooltipState state;
  ASSERT_TRUE(GetTooltipState(tip, &state));
  EXPECT_FALSE(state.shown);  // not before tracking is activated
  SendMessage(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  ASSERT_TRUE(GetTooltipState(tip, &state));
  EXPECT_TRUE(state.shown);
  EXPECT_EQ(state.text, u"保存");
  EXPECT_EQ(state.maxWidth, 300);
  EXPECT_EQ(state.position, (POINT{150, 160}));
  EXPECT_EQ(state.toolCount, 1);
  EXPECT_TRUE(IsWindowVisible(tip));
  EXPECT_EQ(headless::Tooltip().text, u"保存");
  EXPECT_EQ(headless::Tooltip().owner, owner);
  EXPECT_EQ(GetActiveWindow(), owner);  // showing the tip takes no activation

  // The tip does not take the mouse from the window under it.
  headless::Pump();
  Log().clear();
  inject::Click({152, 162});
  headless::Pump();
  EXPECT_EQ(Count(owner, WM_LBUTTONDOWN), 1);

  std::u16string empty;
  ti.lpszText = empty.data();
  SendMessage(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  GetTooltipState(tip, &state);
  EXPECT_FALSE(state.shown);
  EXPECT_FALSE(headless::Tooltip().visible);

  ti.lpszText = text.data();
  SendMessage(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_TRUE(headless::Tooltip().visible);
  SendMessage(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
  GetTooltipState(tip, &state);
  EXPECT_FALSE(state.shown);
  EXPECT_FALSE(IsWindowVisible(tip));

  SendMessage(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 100);
  EXPECT_EQ(SendMessage(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 100);
  EXPECT_FALSE(GetTooltipState(owner, &state));

  // The tip goes with its owner.
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(tip));
}

TEST_F(TooltipTest, ATipWithoutAPositionAppearsBelowThePointer) {
  HWND owner = Popup({100, 100, 400, 300});
  HWND tip = MakeTip(owner);
  ASSERT_TRUE(tip);
  TOOLINFOW ti;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(owner);
  std::u16string text = u"请输入Lumora账号";
  ti.lpszText = text.data();
  SendMessage(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));

  inject::MouseMove({230, 180});
  headless::Pump();
  SendMessage(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  TooltipState state;
  ASSERT_TRUE(GetTooltipState(tip, &state));
  EXPECT_TRUE(state.shown);
  EXPECT_EQ(state.position, (POINT{230, 200}));  // not the screen's corner
  SendMessage(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));

  // Shown again elsewhere, it follows the pointer there.
  inject::MouseMove({300, 250});
  headless::Pump();
  SendMessage(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  ASSERT_TRUE(GetTooltipState(tip, &state));
  EXPECT_EQ(state.position, (POINT{300, 270}));
  DestroyWindow(tip);
}

}  // namespace
}  // namespace wintest
