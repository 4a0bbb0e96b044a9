// The input state on its own: key state companions, double clicks, hover and
// leave tracking, forgetting a window.
#include "platform/window/internal/InputState.h"

#include <gtest/gtest.h>

namespace os::internal {
namespace {

HWND H(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }

struct ModifierCase {
  UINT pressed;
  UINT alsoDown;
};

class KeyStateModifierTest : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(KeyStateModifierTest, AModifierMovesItsCompanionBothWays) {
  KeyState keys;
  keys.Set(GetParam().pressed, true);
  EXPECT_TRUE(keys.IsDown(GetParam().pressed));
  EXPECT_TRUE(keys.IsDown(GetParam().alsoDown));
  keys.Set(GetParam().pressed, false);
  EXPECT_FALSE(keys.IsDown(GetParam().pressed));
  EXPECT_FALSE(keys.IsDown(GetParam().alsoDown));
}

INSTANTIATE_TEST_SUITE_P(Modifiers, KeyStateModifierTest,
                         ::testing::Values(ModifierCase{VK_LSHIFT, VK_SHIFT},
                                           ModifierCase{VK_RSHIFT, VK_SHIFT},
                                           ModifierCase{VK_SHIFT, VK_LSHIFT},
                                           ModifierCase{VK_RCONTROL, VK_CONTROL},
                                           ModifierCase{VK_CONTROL, VK_LCONTROL},
                                           ModifierCase{VK_RMENU, VK_MENU}, ModifierCase{VK_MENU, VK_LMENU}));

TEST(KeyStateTest, LockKeysToggleOnEachPressNotOnRepeatsOrReleases) {
  KeyState keys;
  keys.Set(VK_CAPITAL, true);
  keys.Set(VK_CAPITAL, true);  // auto-repeat
  EXPECT_TRUE(keys.IsToggled(VK_CAPITAL));
  keys.Set(VK_CAPITAL, false);
  EXPECT_TRUE(keys.IsToggled(VK_CAPITAL));
  keys.Set(VK_CAPITAL, true);
  keys.Set(VK_CAPITAL, false);
  EXPECT_FALSE(keys.IsToggled(VK_CAPITAL));
  keys.Set('A', true);
  keys.Set('A', false);
  keys.Set('A', true);
  EXPECT_FALSE(keys.IsToggled('A'));
  EXPECT_EQ(keys.Raw(VK_CAPITAL), 0);
  // Keys above 255 wrap into the table instead of reading past it.
  keys.Set(0x100 | 'B', true);
  EXPECT_TRUE(keys.IsDown('B'));
}

TEST(KeyStateTest, MouseKeyFlagsNameTheButtonsShiftAndCtrlHeld) {
  KeyState keys;
  keys.Set(VK_LBUTTON, true);
  keys.Set(VK_XBUTTON2, true);
  keys.Set(VK_RCONTROL, true);
  keys.Set(VK_MENU, true);  // Alt has no MK_ flag
  EXPECT_EQ(keys.MouseKeyFlags(), static_cast<WPARAM>(MK_LBUTTON | MK_XBUTTON2 | MK_CONTROL));
}

// --- double clicks ---

class DoubleClickTest : public ::testing::Test {
 protected:
  UINT Press(HWND w, UINT message, DWORD time, POINT pt, bool wantsDouble = true) {
    return input_.Press(w, message, time, pt, wantsDouble, MouseButton::Left, false);
  }
  InputState input_;
};

TEST_F(DoubleClickTest, ASecondPressInTimeAndPlaceIsADoubleClickAndUsesThePairUp) {
  EXPECT_EQ(Press(H(4), WM_LBUTTONDOWN, 1000, {10, 10}), WM_LBUTTONDOWN);
  EXPECT_EQ(Press(H(4), WM_LBUTTONDOWN, 1000 + kDoubleClickTime, {12, 8}), WM_LBUTTONDBLCLK);
  EXPECT_EQ(Press(H(4), WM_LBUTTONDOWN, 1000 + kDoubleClickTime + 10, {12, 8}), WM_LBUTTONDOWN);
  // Non-client presses pair the same way.
  EXPECT_EQ(Press(H(4), WM_NCLBUTTONDOWN, 3000, {0, 0}), WM_NCLBUTTONDOWN);
  EXPECT_EQ(Press(H(4), WM_NCLBUTTONDOWN, 3001, {0, 0}), WM_NCLBUTTONDBLCLK);
}

struct SecondPress {
  const char* name;
  HWND hwnd;
  UINT message;
  DWORD time;
  POINT pt;
  bool wantsDouble;
};

class DoubleClickMissTest : public DoubleClickTest, public ::testing::WithParamInterface<SecondPress> {};

TEST_P(DoubleClickMissTest, ASecondPressThatDiffersInAnyWayIsASinglePress) {
  Press(H(4), WM_LBUTTONDOWN, 1000, {10, 10});
  const SecondPress& p = GetParam();
  EXPECT_EQ(Press(p.hwnd, p.message, p.time, p.pt, p.wantsDouble), p.message);
}

INSTANTIATE_TEST_SUITE_P(
    Misses, DoubleClickMissTest,
    ::testing::Values(SecondPress{"OtherWindow", H(8), WM_LBUTTONDOWN, 1100, {10, 10}, true},
                      SecondPress{"OtherButton", H(4), WM_RBUTTONDOWN, 1100, {10, 10}, true},
                      SecondPress{"TooLate", H(4), WM_LBUTTONDOWN, 1001 + kDoubleClickTime, {10, 10}, true},
                      SecondPress{"TooFarRight", H(4), WM_LBUTTONDOWN, 1100, {13, 10}, true},
                      SecondPress{"TooFarUp", H(4), WM_LBUTTONDOWN, 1100, {10, 7}, true},
                      SecondPress{"ClassWithoutDoubleClicks", H(4), WM_LBUTTONDOWN, 1100, {10, 10}, false},
                      // The tick count went backwards: no pair.
                      SecondPress{"Earlier", H(4), WM_LBUTTONDOWN, 999, {10, 10}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DoubleClickTest, PairsAcrossATickCountWrapAndRemembersTheButton) {
  EXPECT_EQ(Press(H(4), WM_LBUTTONDOWN, 0xFFFFFF00u, {1, 1}), WM_LBUTTONDOWN);
  EXPECT_EQ(Press(H(4), WM_LBUTTONDOWN, 0x40u, {1, 1}), WM_LBUTTONDBLCLK);
  input_.Press(H(4), WM_XBUTTONDOWN, 5000, {1, 1}, true, MouseButton::X2, true);
  EXPECT_EQ(input_.LastPressButton(), MouseButton::X2);
  EXPECT_TRUE(input_.LastPressNative());
  EXPECT_FALSE(input_.LastPressButtonDown());
  input_.Keys().Set(VK_XBUTTON2, true);
  EXPECT_TRUE(input_.LastPressButtonDown());
}

// --- tracking ---

class TrackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input_.PointerMoved(H(4), HTCLIENT, {100, 100}, 0);
    input_.Track(H(4), false, TME_HOVER | TME_LEAVE, HOVER_DEFAULT, {100, 100}, 0);
  }
  InputState input_;
};

TEST_F(TrackingTest, LeavingTheClientAreaFiresTheLeaveOnceAndEndsTracking) {
  EXPECT_FALSE(input_.PointerMoved(H(4), HTCLIENT, {101, 101}, 10));
  auto leave = input_.PointerMoved(H(4), HTCAPTION, {101, 80}, 20);
  ASSERT_TRUE(leave);
  EXPECT_EQ(leave->hwnd, H(4));
  EXPECT_EQ(leave->message, static_cast<UINT>(WM_MOUSELEAVE));
  EXPECT_FALSE(input_.Tracking().hwnd);
  EXPECT_FALSE(input_.PointerMoved(nullptr, HTNOWHERE, {0, 0}, 30));
  EXPECT_FALSE(input_.HoverDeadline());
}

TEST_F(TrackingTest, NoLeaveWhileTheTrackedWindowHoldsTheCapture) {
  input_.SetCapture(H(4));
  EXPECT_FALSE(input_.PointerMoved(nullptr, HTNOWHERE, {0, 0}, 10));
  EXPECT_EQ(input_.Tracking().hwnd, H(4));
  input_.SetCapture(nullptr);
  EXPECT_TRUE(input_.PointerMoved(nullptr, HTNOWHERE, {0, 0}, 20));
}

TEST_F(TrackingTest, HoverRestartsOutsideTheHoverRectangleAndFiresOnce) {
  EXPECT_EQ(input_.HoverDeadline(), kHoverTime);
  input_.PointerMoved(H(4), HTCLIENT, {100 + kHoverRect / 2, 100}, 300);  // still inside
  EXPECT_EQ(input_.HoverDeadline(), kHoverTime);
  input_.PointerMoved(H(4), HTCLIENT, {101 + kHoverRect / 2, 100}, 300);  // outside: restart
  EXPECT_EQ(input_.HoverDeadline(), 300 + kHoverTime);
  EXPECT_FALSE(input_.TakeHover(299 + kHoverTime));
  auto hover = input_.TakeHover(300 + kHoverTime);
  ASSERT_TRUE(hover);
  EXPECT_EQ(hover->message, static_cast<UINT>(WM_MOUSEHOVER));
  EXPECT_FALSE(input_.TakeHover(10000));
  // The leave request outlives the hover.
  EXPECT_EQ(input_.Tracking().flags, static_cast<DWORD>(TME_LEAVE));
}

TEST_F(TrackingTest, CancellingOneRequestKeepsTheOtherAndAnotherWindowStartsAfresh) {
  input_.CancelTracking(H(4), true, TME_LEAVE);  // the non-client area is not tracked
  EXPECT_EQ(input_.Tracking().flags, static_cast<DWORD>(TME_HOVER | TME_LEAVE));
  input_.CancelTracking(H(4), false, TME_HOVER);
  EXPECT_FALSE(input_.HoverDeadline());
  EXPECT_EQ(input_.Tracking().flags, static_cast<DWORD>(TME_LEAVE));
  input_.CancelTracking(H(4), false, TME_LEAVE);
  EXPECT_FALSE(input_.Tracking().hwnd);

  input_.Track(H(4), false, TME_LEAVE, HOVER_DEFAULT, {0, 0}, 0);
  input_.Track(H(8), true, TME_HOVER, 50, {0, 0}, 100);
  EXPECT_EQ(input_.Tracking().hwnd, H(8));
  EXPECT_EQ(input_.Tracking().flags, static_cast<DWORD>(TME_HOVER));
  EXPECT_EQ(input_.HoverDeadline(), 150u);
}

TEST(InputStateTest, ForgettingAWindowDropsItEverywhereAndReportsTheCapture) {
  InputState input;
  input.SetActive(H(4));
  input.SetFocus(H(4));
  input.SetCapture(H(4));
  input.PointerMoved(H(4), HTCLIENT, {1, 1}, 0);
  input.Track(H(4), false, TME_LEAVE, HOVER_DEFAULT, {1, 1}, 0);
  DragState drag;
  drag.active = true;
  drag.hwnd = H(4);
  input.BeginDrag(drag);
  input.Press(H(4), WM_LBUTTONDOWN, 10, {1, 1}, true, MouseButton::Left, false);

  EXPECT_FALSE(input.Forget(H(8)));
  EXPECT_EQ(input.Focus(), H(4));
  EXPECT_TRUE(input.Forget(H(4)));
  EXPECT_FALSE(input.Active());
  EXPECT_FALSE(input.Focus());
  EXPECT_FALSE(input.Capture());
  EXPECT_FALSE(input.PointerWindow());
  EXPECT_FALSE(input.Tracking().hwnd);
  EXPECT_FALSE(input.Drag().active);
  // A window that gets the old handle's press does not pair with it.
  EXPECT_EQ(input.Press(H(4), WM_LBUTTONDOWN, 20, {1, 1}, true, MouseButton::Left, false),
            static_cast<UINT>(WM_LBUTTONDOWN));
}

TEST(InputStateTest, KeysGoToTheFocusElseTheActiveWindowAndTheCursorToTheCaptureElseThePointer) {
  InputState input;
  EXPECT_FALSE(input.KeyTarget());
  input.SetActive(H(4));
  EXPECT_EQ(input.KeyTarget(), H(4));
  input.SetFocus(H(8));
  EXPECT_EQ(input.KeyTarget(), H(8));
  input.PointerMoved(H(12), HTCLIENT, {0, 0}, 0);
  EXPECT_EQ(input.CursorOwner(), H(12));
  input.SetCapture(H(16));
  EXPECT_EQ(input.CursorOwner(), H(16));
  EXPECT_FALSE(input.SetModalBox(true));
  EXPECT_TRUE(input.SetModalBox(true));
}

}  // namespace
}  // namespace os::internal
