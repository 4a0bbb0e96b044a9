// The manager inside a headless window: mouse, keyboard, focus, tab order,
// timers, notifications and the message loop, driven through injected input
// and the virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "ManagerTestSupport.h"
#include "platform/syscontrols/Tooltip.h"
#include "testsupport/TempDir.h"

namespace managertest {
namespace {

using Kesto::CContainerUI;
using ::testing::ElementsAre;
namespace UIEvent = Kesto::UIEvent;

class ManagerInputTest : public ::testing::Test {
 protected:
  void SetUp() override { os::headless::Reset(); }

  // Window 200x120 at (100, 100); a at (10,10)-(60,40), b right of it at
  // (60,10)-(110,40), both tab stops; root container behind them.
  void Build(os::UINT classStyle = 0) {
    window = std::make_unique<ManagerWindow>(200, 120, classStyle);
    root = new CContainerUI;
    root->SetName(u"root");
    a = (new Probe("a", &log, Kesto::ControlFlag::TabStop))->At(10, 10, 60, 40);
    b = (new Probe("b", &log, Kesto::ControlFlag::TabStop))->At(60, 10, 110, 40);
    root->Add(a);
    root->Add(b);
    window->manager.AddNotifier(&notes);
    ASSERT_TRUE(window->manager.AttachRoot(root));
    window->Show();
    // The first paint focused the first tab stop; start without a focus.
    window->manager.SetFocus(nullptr);
    log.Take();
    notes.Clear();
  }

  void Move(int x, int y) {
    os::inject::MouseMove(window->Screen(x, y));
    ManagerWindow::Pump();
  }

  UIManager& manager() { return window->manager; }

  EventLog log;
  Recorder notes;
  std::unique_ptr<ManagerWindow> window;
  CContainerUI* root = nullptr;
  Probe* a = nullptr;
  Probe* b = nullptr;
};

TEST_F(ManagerInputTest, PointerMovingBetweenSiblingsLeavesThenEntersThenMoves) {
  Build();
  Move(20, 20);
  EXPECT_THAT(log.Take(), ElementsAre("a:11", "a:9"));
  EXPECT_EQ(manager().Hot(), a);
  Move(30, 20);
  EXPECT_THAT(log.Take(), ElementsAre("a:9"));
  Move(70, 20);
  EXPECT_THAT(log.Take(), ElementsAre("a:10", "b:11", "b:9"));
  EXPECT_EQ(manager().LastMousePoint(), (os::POINT{70, 20}));
  // Onto the bare root (which then is hot), then out of the window: the
  // leave message clears the hot control through a move to (−1, −1).
  Move(150, 80);
  EXPECT_THAT(log.Take(), ElementsAre("b:10"));
  EXPECT_EQ(manager().Hot(), root);
  Move(20, 20);
  log.Take();
  os::inject::MouseMove(os::POINT{900, 900});
  ManagerWindow::Pump();
  EXPECT_THAT(log.Take(), ElementsAre("a:10"));
  EXPECT_EQ(manager().Hot(), nullptr);
  EXPECT_EQ(manager().LastMousePoint(), (os::POINT{-1, -1}));
}

TEST_F(ManagerInputTest, PressCapturesUntilReleaseEvenOutsideTheWindow) {
  Build();
  Move(20, 20);
  log.Take();
  os::inject::MouseDown();
  ManagerWindow::Pump();
  ASSERT_THAT(log.entries, ElementsAre("a:21", "a:13"));  // focus first, then the press
  EXPECT_EQ(log.events[1].keyState & os::MK_LBUTTON, os::MK_LBUTTON);
  EXPECT_EQ(log.events[1].mouse, (os::POINT{20, 20}));
  EXPECT_EQ(manager().Captured(), a);
  EXPECT_TRUE(manager().IsCaptured());
  EXPECT_EQ(os::GetCapture(), window->hwnd);
  log.Take();

  // Moves while captured go to the captured control; hot still follows.
  Move(70, 20);
  EXPECT_THAT(log.Take(), ElementsAre("a:10", "b:11", "a:9"));
  os::inject::MouseMove(window->Screen(500, 500));
  os::inject::MouseUp();
  ManagerWindow::Pump();
  EXPECT_THAT(log.entries, ::testing::Contains("a:14"));
  EXPECT_EQ(manager().Captured(), nullptr);
  EXPECT_FALSE(manager().IsCaptured());
  EXPECT_EQ(os::GetCapture(), nullptr);
}

TEST_F(ManagerInputTest, DoubleClickCapturesWithoutFocusing) {
  Build(/*CS_DBLCLKS*/ 0x0008);
  os::inject::DoubleClick(window->Screen(70, 20));
  ManagerWindow::Pump();
  std::vector<std::string> presses;
  for (const auto& e : log.Take()) {
    if (e == "b:13" || e == "b:14" || e == "b:16") presses.push_back(e);
  }
  EXPECT_THAT(presses, ElementsAre("b:13", "b:14", "b:16", "b:14"));
  EXPECT_EQ(manager().Captured(), nullptr);
}

TEST_F(ManagerInputTest, RightClickThenContextMenuReachTheSameControl) {
  Build();
  a->SetContextMenuUsed(true);
  Move(20, 20);
  log.Take();
  os::inject::MouseDown(os::MouseButton::Right);
  ManagerWindow::Pump();
  EXPECT_EQ(manager().Captured(), a);
  EXPECT_TRUE(manager().IsCaptured());
  // The release makes the default procedure send the context-menu message.
  os::inject::MouseUp(os::MouseButton::Right);
  ManagerWindow::Pump();
  // (Releasing the capture may bring a move after these.)
  ASSERT_GE(log.entries.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(log.entries.begin(), log.entries.begin() + 3),
              ElementsAre("a:21", "a:15", "a:17"));
  EXPECT_EQ(log.events[2].lParam, reinterpret_cast<os::LPARAM>(a));
  EXPECT_EQ(log.events[2].mouse, (os::POINT{20, 20}));
  EXPECT_EQ(manager().Captured(), nullptr);
  EXPECT_FALSE(manager().IsCaptured());
  EXPECT_EQ(os::GetCapture(), nullptr);
  EXPECT_THAT(notes.types, ::testing::Contains("menu"));
}

// The three presses share one route; what differs is the event, whether the
// control takes the focus, and whether the message's parameters travel.
struct PressCase {
  const char* name;
  os::UINT message;
  os::WPARAM wParam;
  int event;
  bool focuses;
  bool carriesMessage;
};

class PressRouteTest : public ManagerInputTest, public ::testing::WithParamInterface<PressCase> {
 protected:
  os::LPARAM Press(int x, int y) {
    const os::LPARAM lParam = os::MAKELPARAM(static_cast<os::WORD>(x), static_cast<os::WORD>(y));
    os::SendMessage(window->hwnd, GetParam().message, GetParam().wParam, lParam);
    return lParam;
  }
};

TEST_P(PressRouteTest, TheControlAtThePointIsCapturedAndGetsItsEvent) {
  const PressCase& c = GetParam();
  Build();
  const os::LPARAM lParam = Press(70, 20);
  const std::string event = "b:" + std::to_string(c.event);
  if (c.focuses) {
    ASSERT_THAT(log.entries, ElementsAre("b:21", event));  // focus first, then the press
    EXPECT_EQ(manager().Focus(), b);
  } else {
    ASSERT_THAT(log.entries, ElementsAre(event));
    EXPECT_EQ(manager().Focus(), nullptr);
  }
  const ControlEvent& sent = log.events.back();
  EXPECT_EQ(sent.mouse, (os::POINT{70, 20}));
  EXPECT_EQ(sent.keyState, os::LOWORD(c.wParam));
  EXPECT_EQ(sent.wParam, c.carriesMessage ? c.wParam : 0);
  EXPECT_EQ(sent.lParam, c.carriesMessage ? lParam : 0);
  EXPECT_EQ(manager().Captured(), b);
  EXPECT_TRUE(manager().IsCaptured());
  EXPECT_EQ(manager().LastMousePoint(), (os::POINT{70, 20}));
}

TEST_P(PressRouteTest, APressOnNoControlOrOnOneForgottenWhileFocusingCapturesNothing) {
  const PressCase& c = GetParam();
  Build();
  Press(500, 100);  // beyond the root
  EXPECT_TRUE(log.entries.empty());
  EXPECT_EQ(manager().Captured(), nullptr);
  EXPECT_FALSE(manager().IsCaptured());

  // A control the manager lets go of while it takes the focus (on its way
  // out) is not pressed afterwards.
  b->onEvent = [&](ControlEvent& e) {
    if (e.type == UIEvent::SetFocus) manager().ForgetControl(b);
  };
  Press(70, 20);
  EXPECT_EQ(log.entries.back(), c.focuses ? "b:21" : "b:" + std::to_string(c.event));
  EXPECT_EQ(manager().Captured(), c.focuses ? nullptr : b);
  EXPECT_EQ(manager().IsCaptured(), !c.focuses);
}

INSTANTIATE_TEST_SUITE_P(
    Presses, PressRouteTest,
    ::testing::Values(
        PressCase{"Left", os::WM_LBUTTONDOWN, os::MK_LBUTTON, UIEvent::ButtonDown, true, true},
        PressCase{"Right", os::WM_RBUTTONDOWN, os::MK_RBUTTON, UIEvent::RButtonDown, true, true},
        PressCase{"Double", os::WM_LBUTTONDBLCLK, os::MK_LBUTTON | 0x0004, UIEvent::DblClick, false, false}),
    [](const ::testing::TestParamInfo<PressCase>& info) { return std::string(info.param.name); });

TEST_F(ManagerInputTest, WheelDirectionAndTheFollowingMove) {
  Build();
  Move(20, 20);
  a->logMouseMoves = true;
  log.Take();
  os::inject::Wheel(-os::WHEEL_DELTA);
  ManagerWindow::Pump();
  ASSERT_GE(log.events.size(), 2u);
  EXPECT_EQ(log.entries[0], "a:18");
  EXPECT_EQ(os::LOWORD(log.events[0].wParam), 1);  // towards the user: down
  EXPECT_EQ(log.entries[1], "a:9");                // hover state follows the content
  log.Take();
  os::inject::Wheel(os::WHEEL_DELTA);
  ManagerWindow::Pump();
  ASSERT_FALSE(log.events.empty());
  EXPECT_EQ(log.entries[0], "a:18");
  EXPECT_EQ(os::LOWORD(log.events[0].wParam), 0);
}

TEST_F(ManagerInputTest, HoverShowsTooltipsFromOneTooltipWindow) {
  Build();
  b->SetToolTip(u"second<n>line");
  b->SetToolTipWidth(120);
  Move(20, 20);
  log.Take();
  ManagerWindow::Advance(450);
  EXPECT_THAT(log.Take(), ElementsAre("a:12"));
  // No text: nothing is created or shown.
  EXPECT_EQ(manager().ToolTipWindow(), nullptr);
  EXPECT_FALSE(os::headless::Tooltip().visible);

  Move(70, 20);
  ManagerWindow::Advance(450);
  const os::HWND tip = manager().ToolTipWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(os::GetClassName(tip), u"tooltips_class32");
  auto shown = os::headless::Tooltip();
  EXPECT_TRUE(shown.visible);
  EXPECT_EQ(shown.text, u"second\r\nline");
  EXPECT_EQ(shown.maxWidth, 120);

  // Leaving hides it; hovering again reuses the same window.
  Move(20, 20);
  EXPECT_FALSE(os::headless::Tooltip().visible);
  Move(70, 20);
  ManagerWindow::Advance(1000);
  EXPECT_EQ(manager().ToolTipWindow(), tip);
  EXPECT_TRUE(os::headless::Tooltip().visible);
}

TEST_F(ManagerInputTest, TabOrderWrapsBothWays) {
  window = std::make_unique<ManagerWindow>();
  root = new CContainerUI;
  a = (new Probe("a", &log, Kesto::ControlFlag::TabStop))->At(0, 0, 10, 10);
  Probe* plain = (new Probe("p", &log))->At(10, 0, 20, 10);
  b = (new Probe("b", &log, Kesto::ControlFlag::TabStop))->At(20, 0, 30, 10);
  Probe* hidden = (new Probe("h", &log, Kesto::ControlFlag::TabStop))->At(30, 0, 40, 10);
  Probe* off = (new Probe("o", &log, Kesto::ControlFlag::TabStop))->At(40, 0, 50, 10);
  Probe* c = (new Probe("c", &log, Kesto::ControlFlag::TabStop))->At(50, 0, 60, 10);
  for (CControlUI* p :
       {static_cast<CControlUI*>(a), static_cast<CControlUI*>(plain), static_cast<CControlUI*>(b),
        static_cast<CControlUI*>(hidden), static_cast<CControlUI*>(off), static_cast<CControlUI*>(c)})
    root->Add(p);
  hidden->SetVisible(false);
  off->SetEnabled(false);
  window->manager.AddNotifier(&notes);
  window->manager.AttachRoot(root);
  // The first paint after attaching moves the focus to the first tab stop.
  window->Show();
  EXPECT_EQ(manager().Focus(), a);
  EXPECT_TRUE(a->IsFocused());
  log.Take();
  notes.Clear();

  auto tab = [&](bool shift) {
    if (shift) os::inject::KeyDown(os::VK_SHIFT);
    os::inject::KeyPress(os::VK_TAB);
    if (shift) os::inject::KeyUp(os::VK_SHIFT);
    ManagerWindow::Pump();
    return manager().Focus();
  };
  EXPECT_EQ(tab(false), b);
  EXPECT_THAT(log.Take(), ElementsAre("a:20", "b:21"));
  EXPECT_THAT(notes.types, ElementsAre("killfocus", "setfocus"));
  EXPECT_EQ(notes.messages[1].sender, b);
  EXPECT_EQ(tab(false), c);
  EXPECT_EQ(tab(false), a);  // past the last: the first
  EXPECT_EQ(tab(true), c);   // before the first: the last
  EXPECT_EQ(tab(true), b);
  // Tab never reaches the focused control as a key.
  for (const auto& e : log.events) {
    if (e.type == UIEvent::KeyDown) {
      EXPECT_NE(e.key, os::VK_TAB);
    }
  }
}

TEST_F(ManagerInputTest, FocusGoesOnlyToOwnVisibleEnabledControls) {
  Build();
  manager().SetFocus(a);
  EXPECT_EQ(manager().Focus(), a);
  notes.Clear();

  UIManager other;
  Probe stranger("s", &log);
  stranger.SetOwner(&other, nullptr, false);
  manager().SetFocus(&stranger);
  EXPECT_EQ(manager().Focus(), nullptr);
  EXPECT_FALSE(a->IsFocused());
  EXPECT_THAT(notes.types, ElementsAre("killfocus"));

  b->SetEnabled(false);
  manager().SetFocus(b);
  EXPECT_EQ(manager().Focus(), nullptr);
  b->SetEnabled(true);
  b->SetVisible(false);
  manager().SetFocus(b);
  EXPECT_EQ(manager().Focus(), nullptr);
}

TEST_F(ManagerInputTest, KeysGoToTheFocusAndKeyUpToTheControlThatGotKeyDown) {
  Build();
  manager().SetFocus(a);
  log.Take();
  os::inject::KeyDown('Q');
  ManagerWindow::Pump();
  manager().SetFocus(b);
  log.Take();
  os::inject::KeyUp('Q');
  ManagerWindow::Pump();
  EXPECT_THAT(log.entries, ElementsAre("a:4"));
  EXPECT_EQ(log.events[0].key, u'Q');
  log.Take();
  os::inject::Text(u"z");
  ManagerWindow::Pump();
  EXPECT_THAT(log.entries, ::testing::Contains("b:5"));
}

TEST_F(ManagerInputTest, AltShortcutFocusesTheControlAfterAMatchingLabel) {
  Build();
  // The search runs from the top of the tree (last child first), so the
  // control taken after a label is the one listed before it.
  auto* field = (new Probe("f", &log))->At(20, 50, 60, 60);
  auto* label = (new Probe("l", &log))->At(0, 50, 20, 60);
  label->className_ = u"LabelUI";
  label->SetShortcut(u'n');
  root->Add(field);
  root->Add(label);
  b->SetShortcut(u'B');
  ManagerWindow::Pump();
  os::LRESULT result = 0;
  EXPECT_TRUE(manager().PreMessage(os::WM_SYSCHAR, u'n', 0, result));
  EXPECT_EQ(manager().Focus(), field);
  EXPECT_TRUE(manager().PreMessage(os::WM_SYSCHAR, u'b', 0, result));
  EXPECT_EQ(manager().Focus(), b);
  EXPECT_FALSE(manager().PreMessage(os::WM_SYSCHAR, u'x', 0, result));
  EXPECT_EQ(manager().Focus(), b);
}

TEST_F(ManagerInputTest, KeyStateAndSystemKeysReachTheFocus) {
  Build();
  manager().SetFocus(b);
  log.Take();
  os::inject::KeyDown(os::VK_SHIFT);
  os::inject::KeyDown(os::VK_CONTROL);
  os::inject::KeyPress('M');
  ManagerWindow::Pump();
  bool seen = false;
  for (const auto& e : log.events) {
    if (e.type == UIEvent::KeyDown && e.key == u'M') {
      seen = true;
      EXPECT_EQ(e.keyState & 0x0C, 0x0C);  // Shift and Ctrl
      EXPECT_EQ(e.sender, b);
    }
  }
  EXPECT_TRUE(seen);
  os::inject::KeyUp(os::VK_CONTROL);
  os::inject::KeyUp(os::VK_SHIFT);
  ManagerWindow::Pump();
  log.Take();
  os::LRESULT result = 0;
  EXPECT_FALSE(manager().PreMessage(os::WM_SYSKEYDOWN, os::VK_F4, 0, result));
  EXPECT_THAT(log.entries, ElementsAre("b:6"));
  EXPECT_EQ(log.events[0].key, os::VK_F4);
}

TEST_F(ManagerInputTest, OnlyControlsAskingForItGetTheCursorMessage) {
  Build();
  auto* pointer = (new Probe("c", &log, Kesto::ControlFlag::SetCursor))->At(0, 60, 50, 100);
  root->Add(pointer);
  ManagerWindow::Pump();
  Move(20, 20);
  Move(20, 80);
  std::vector<std::string> cursors;
  for (const auto& e : log.Take()) {
    if (e.size() > 2 && e.substr(e.size() - 3) == ":23") cursors.push_back(e);
  }
  EXPECT_THAT(cursors, ElementsAre("c:23"));
  // While the mouse is captured nothing changes the cursor.
  os::inject::MouseDown();
  ManagerWindow::Pump();
  log.Take();
  ASSERT_TRUE(manager().IsCaptured());
  os::LRESULT result = 0;
  EXPECT_TRUE(manager().MessageHandler(os::WM_SETCURSOR, reinterpret_cast<os::WPARAM>(window->hwnd),
                                       os::MAKELPARAM(os::HTCLIENT, os::WM_MOUSEMOVE), result));
  EXPECT_TRUE(log.entries.empty());
  // Outside the client area the message is left to default processing.
  EXPECT_FALSE(manager().MessageHandler(os::WM_SETCURSOR, reinterpret_cast<os::WPARAM>(window->hwnd),
                                        os::MAKELPARAM(os::HTCAPTION, os::WM_MOUSEMOVE), result));
  os::inject::MouseUp();
  ManagerWindow::Pump();
}

TEST_F(ManagerInputTest, FocusNeededLandsOnTheControlAfterTheNextLayout) {
  Build();
  manager().SetFocus(a);
  notes.Clear();
  log.Take();
  manager().SetFocusNeeded(b);
  EXPECT_THAT(notes.types, ElementsAre("killfocus"));
  EXPECT_TRUE(manager().IsFocusPassNeeded());
  EXPECT_TRUE(manager().IsLayoutNeeded());
  // Tab while the layout is pending only defers the move.
  os::LRESULT result = 0;
  EXPECT_TRUE(manager().FocusNextTabStop(true));
  EXPECT_NE(manager().Focus(), b);
  ManagerWindow::Pump();
  EXPECT_EQ(manager().Focus(), b);
  EXPECT_FALSE(manager().IsFocusPassNeeded());
  EXPECT_THAT(notes.types, ::testing::Contains("setfocus"));
  (void)result;
}

TEST_F(ManagerInputTest, TimerIdsStartAt17WrapAfter239AndReArm) {
  Build();
  ASSERT_TRUE(manager().SetTimer(a, 5, 100));
  ASSERT_EQ(manager().Timers().size(), 1u);
  EXPECT_EQ(manager().Timers()[0].nativeId, 17u);
  EXPECT_FALSE(manager().SetTimer(a, 5, 100));  // still running
  ASSERT_TRUE(manager().SetTimer(b, 5, 250));   // same id, other control: its own timer
  EXPECT_EQ(manager().Timers()[1].nativeId, 18u);

  ManagerWindow::Advance(100);
  ASSERT_THAT(log.entries, ElementsAre("a:24"));
  EXPECT_EQ(log.events[0].wParam, 5u);
  EXPECT_THAT(notes.types, ElementsAre("timer"));
  log.Take();

  EXPECT_TRUE(manager().KillTimer(a, 5));
  ManagerWindow::Advance(200);
  EXPECT_THAT(log.Take(), ElementsAre("b:24"));
  EXPECT_TRUE(manager().SetTimer(a, 5, 100));  // re-armed under its old id
  EXPECT_EQ(manager().Timers()[0].nativeId, 17u);
  EXPECT_EQ(manager().Timers().size(), 2u);
  ManagerWindow::Advance(100);
  EXPECT_THAT(log.Take(), ::testing::Contains("a:24"));

  // 19 … 239, then 0.
  for (os::UINT id = 100; id < 100 + 221; ++id) ASSERT_TRUE(manager().SetTimer(a, id, 10000));
  EXPECT_EQ(manager().Timers().back().nativeId, 239u);
  ASSERT_TRUE(manager().SetTimer(a, 999, 10000));
  EXPECT_EQ(manager().Timers().back().nativeId, 0u);
  for (const auto& t : manager().Timers()) EXPECT_NE(t.nativeId, Kesto::kCaretTimerId);

  manager().KillTimers(a);
  ASSERT_EQ(manager().Timers().size(), 1u);
  EXPECT_EQ(manager().Timers()[0].sender, b);
}

TEST_F(ManagerInputTest, PostedNotificationsWaitForTheEndOfAnUnclaimedMessage) {
  Build();
  manager().SetFocus(a);
  notes.Clear();
  std::vector<std::string> seenAtEvent;
  a->onEvent = [&](ControlEvent& e) {
    if (e.type == UIEvent::KeyDown || e.type == UIEvent::WindowSize) {
      manager().SendNotify(a, u"posted", 1, 2, true);
      seenAtEvent = notes.types;
    }
  };
  os::LRESULT result = 0;
  // A key-down is not claimed: the notification arrives before the call ends.
  EXPECT_FALSE(manager().MessageHandler(os::WM_KEYDOWN, 'K', 0, result));
  EXPECT_TRUE(seenAtEvent.empty());
  EXPECT_THAT(notes.types, ElementsAre("posted"));
  EXPECT_EQ(notes.messages[0].sender, a);
  EXPECT_EQ(notes.messages[0].wParam, 1u);
  notes.Clear();

  // A size message is claimed: the notification waits for the next message.
  EXPECT_TRUE(manager().MessageHandler(os::WM_SIZE, 0, os::MAKELPARAM(200, 120), result));
  EXPECT_TRUE(notes.types.empty());
  EXPECT_EQ(manager().PendingNotifyCount(), 1u);
  EXPECT_TRUE(manager().MessageHandler(os::WM_ERASEBKGND, 0, 0, result));
  EXPECT_EQ(result, 1);
  EXPECT_THAT(notes.types, ElementsAre("posted"));
}

TEST_F(ManagerInputTest, ForgottenControlLeavesNoReferencesBehind) {
  Build();
  Move(20, 20);
  manager().SetFocus(a);
  ASSERT_TRUE(manager().SetTimer(a, 1, 50));
  manager().SendNotify(a, u"late", 0, 0, true);
  EXPECT_EQ(manager().FindControlByName(u"a"), a);
  bool gone = false;
  a->destroyed_ = &gone;
  root->SetAutoDestroy(false);
  root->Remove(a);
  delete a;
  EXPECT_EQ(manager().Focus(), nullptr);
  EXPECT_EQ(manager().Hot(), nullptr);
  EXPECT_EQ(manager().FindControlByName(u"a"), nullptr);
  EXPECT_TRUE(manager().Timers().empty());
  ManagerWindow::Advance(200);  // its timer does not fire into freed memory
  // The pending notification is still delivered, without its sender.
  ASSERT_THAT(notes.types, ::testing::Contains("late"));
  for (const auto& m : notes.messages) {
    if (m.type == u"late") {
      EXPECT_EQ(m.sender, nullptr);
    }
  }

  // A container hands removed children to the manager, which destroys them
  // on its delayed-destroy message.
  root->SetAutoDestroy(true);
  bool bGone = false;
  b->destroyed_ = &bGone;
  root->Remove(b);
  EXPECT_FALSE(bGone);
  ManagerWindow::Pump();
  EXPECT_TRUE(bGone);
}

// The manager owns its root and what waits for the delayed clean-up.
TEST_F(ManagerInputTest, TheRootAndTheDelayedQueueAreOwnedOnce) {
  Build();
  bool rootGone = false;
  auto* probeRoot = new Probe("r", &log);
  probeRoot->destroyed_ = &rootGone;
  ASSERT_TRUE(manager().AdoptRoot(std::unique_ptr<CControlUI>(probeRoot)));
  EXPECT_EQ(manager().Root(), probeRoot);
  // Attaching the attached root again keeps it: it is not queued for
  // destruction under the window that shows it.
  ASSERT_TRUE(manager().AttachRoot(probeRoot));
  ManagerWindow::Pump();
  EXPECT_FALSE(rootGone);
  EXPECT_EQ(manager().Root(), probeRoot);
  EXPECT_EQ(manager().FindControlByName(u"r"), probeRoot);

  // A control handed over twice is destroyed once (a second delete would
  // stop the sanitizer build).
  auto* twice = new Probe("t", &log);
  bool twiceGone = false;
  twice->destroyed_ = &twiceGone;
  manager().DestroyLater(std::unique_ptr<CControlUI>(twice));
  manager().DestroyLater(std::unique_ptr<CControlUI>(twice));
  EXPECT_FALSE(twiceGone);
  ManagerWindow::Pump();
  EXPECT_TRUE(twiceGone);

  // A new root sends the old one to the queue; it goes on the next pump.
  ASSERT_TRUE(manager().AttachRoot(new CContainerUI));
  EXPECT_FALSE(rootGone);
  ManagerWindow::Pump();
  EXPECT_TRUE(rootGone);
  EXPECT_FALSE(manager().AttachRoot(nullptr));
}

TEST_F(ManagerInputTest, LaterControlWinsANameAndAttachingAnewForgetsOldNames) {
  window = std::make_unique<ManagerWindow>();
  root = new CContainerUI;
  auto* first = new Probe("dup", &log);
  auto* inner = new CContainerUI;
  auto* second = new Probe("dup", &log);
  second->SetVisible(false);  // hidden controls are named too
  inner->Add(second);
  root->Add(first);
  root->Add(inner);
  window->manager.AttachRoot(root);
  EXPECT_EQ(manager().FindControlByName(u"dup"), second);
  EXPECT_EQ(manager().FindControlByName(u"none"), nullptr);

  auto* replacement = new CContainerUI;
  replacement->Add(new Probe("fresh", &log));
  manager().AttachRoot(replacement);
  EXPECT_EQ(manager().FindControlByName(u"dup"), nullptr);
  EXPECT_NE(manager().FindControlByName(u"fresh"), nullptr);
  window->Show();  // the old tree goes with the delayed-destroy message
}

TEST_F(ManagerInputTest, AttachingTheAttachedRootAgainKeepsTheTreeAlive) {
  Build();
  manager().SetFocus(b);
  ASSERT_TRUE(manager().AttachRoot(root));
  window->Show();
  ManagerWindow::Pump();  // a delayed destroy of the root would run here
  EXPECT_EQ(manager().Root(), root);
  EXPECT_EQ(manager().FindControlByName(u"a"), a);
  EXPECT_EQ(manager().Focus(), b);
  Move(20, 20);  // hit testing walks the tree
  EXPECT_EQ(manager().Hot(), a);
}

TEST_F(ManagerInputTest, CloseReleasesPointerStateAndFocus) {
  Build();
  Move(20, 20);
  os::inject::MouseDown();
  ManagerWindow::Pump();
  log.Take();
  os::LRESULT result = 0;
  EXPECT_FALSE(manager().MessageHandler(os::WM_CLOSE, 0, 0, result));
  EXPECT_THAT(log.Take(), ElementsAre("a:10", "a:14", "a:20"));
  EXPECT_EQ(manager().Focus(), nullptr);
  EXPECT_EQ(manager().Hot(), nullptr);
  EXPECT_EQ(manager().Captured(), nullptr);
  EXPECT_FALSE(manager().IsCaptured());
}

TEST_F(ManagerInputTest, MinMaxInfoOverridesOnlyPositiveValues) {
  Build();
  os::MINMAXINFO info{};
  info.ptMinTrackSize = os::POINT{11, 12};
  info.ptMaxTrackSize = os::POINT{1000, 900};
  os::LRESULT result = 0;
  EXPECT_FALSE(
      manager().MessageHandler(os::WM_GETMINMAXINFO, 0, reinterpret_cast<os::LPARAM>(&info), result));
  EXPECT_EQ(info.ptMinTrackSize, (os::POINT{11, 12}));
  manager().SetMinTrackSize(300, 0);
  manager().SetMaxTrackSize(0, 700);
  manager().MessageHandler(os::WM_GETMINMAXINFO, 0, reinterpret_cast<os::LPARAM>(&info), result);
  EXPECT_EQ(info.ptMinTrackSize, (os::POINT{300, 12}));
  EXPECT_EQ(info.ptMaxTrackSize, (os::POINT{1000, 700}));
}

TEST_F(ManagerInputTest, ControlWindowMessagesAreReflectedToTheirSenders) {
  Build();
  static std::vector<os::UINT> received;
  received.clear();
  os::WNDCLASSEXW wc;
  wc.lpfnWndProc = [](os::HWND h, os::UINT m, os::WPARAM w, os::LPARAM l) OS_STDCALL -> os::LRESULT {
    if (m >= Kesto::kReflectOffset) {
      received.push_back(m);
      return 77;
    }
    return os::DefWindowProc(h, m, w, l);
  };
  wc.lpszClassName = u"ReflectTarget";
  os::RegisterClassEx(&wc);
  const os::HWND child = os::CreateWindowEx(0, u"ReflectTarget", nullptr, os::WS_CHILD, 0, 0, 10, 10,
                                            window->hwnd, nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  os::LRESULT result = 0;
  EXPECT_TRUE(manager().MessageHandler(os::WM_COMMAND, 0x0300, reinterpret_cast<os::LPARAM>(child), result));
  EXPECT_EQ(result, 77);
  os::NMHDR header;
  header.hwndFrom = child;
  EXPECT_TRUE(manager().MessageHandler(os::WM_NOTIFY, 0, reinterpret_cast<os::LPARAM>(&header), result));
  EXPECT_TRUE(manager().MessageHandler(os::WM_CTLCOLOREDIT, 0, reinterpret_cast<os::LPARAM>(child), result));
  EXPECT_THAT(received, ElementsAre(0x2111u, os::WM_NOTIFY + 0x2000, os::WM_CTLCOLOREDIT + 0x2000));
  // A command without a control window is left alone.
  EXPECT_FALSE(manager().MessageHandler(os::WM_COMMAND, 1, 0, result));
}

// A filter or translator that takes a message keeps it from dispatch.
class Taker : public Kesto::IMessageFilterUI, public Kesto::ITranslateAccelerator {
 public:
  os::LRESULT MessageHandler(os::UINT message, os::WPARAM, os::LPARAM, bool& handled) override {
    seen.push_back(message);
    handled = message == takeMessage;
    return 5;
  }
  os::LRESULT TranslateAccelerator(os::MSG* msg) override { return msg->message == takeAccelerator ? 0 : 1; }
  std::vector<os::UINT> seen;
  os::UINT takeMessage = 0;
  os::UINT takeAccelerator = 0;
};

TEST_F(ManagerInputTest, FiltersAndTranslatorsSeeMessagesFirst) {
  Build();
  Taker pre;
  pre.takeMessage = os::WM_USER + 1;
  pre.takeAccelerator = os::WM_USER + 2;
  manager().AddPreMessageFilter(&pre);
  manager().AddAcceleratorTranslator(&pre);
  window->unclaimed.clear();
  for (os::UINT m : {os::WM_USER + 1, os::WM_USER + 2, os::WM_USER + 3})
    os::PostMessage(window->hwnd, m, 0, 0);
  ManagerWindow::Pump();
  EXPECT_THAT(window->unclaimed, ::testing::Contains(os::WM_USER + 3));
  EXPECT_THAT(window->unclaimed, ::testing::Not(::testing::Contains(os::WM_USER + 1)));
  EXPECT_THAT(window->unclaimed, ::testing::Not(::testing::Contains(os::WM_USER + 2)));
  EXPECT_THAT(pre.seen, ::testing::Contains(os::WM_USER + 3));

  // A message filter claims inside the handler, before anything else.
  Taker inner;
  inner.takeMessage = os::WM_LBUTTONDOWN;
  manager().AddMessageFilter(&inner);
  Move(20, 20);
  log.Take();
  os::inject::MouseDown();
  os::inject::MouseUp();
  ManagerWindow::Pump();
  EXPECT_THAT(log.entries, ::testing::Not(::testing::Contains("a:13")));
  EXPECT_TRUE(manager().RemoveMessageFilter(&inner));
  EXPECT_FALSE(manager().RemoveMessageFilter(&inner));
  manager().RemovePreMessageFilter(&pre);
  manager().RemoveAcceleratorTranslator(&pre);
}

TEST_F(ManagerInputTest, MessagesToControlWindowsReachTheOwnerManagerAndStillTheChild) {
  Build();
  manager().SetFocus(a);
  static int childKeys = 0;
  childKeys = 0;
  os::WNDCLASSEXW wc;
  wc.lpfnWndProc = [](os::HWND h, os::UINT m, os::WPARAM w, os::LPARAM l) OS_STDCALL -> os::LRESULT {
    if (m == os::WM_KEYDOWN) ++childKeys;
    return os::DefWindowProc(h, m, w, l);
  };
  wc.lpszClassName = u"KeyChild";
  os::RegisterClassEx(&wc);
  const os::HWND child = os::CreateWindowEx(0, u"KeyChild", nullptr, os::WS_CHILD | os::WS_VISIBLE, 0, 0, 10,
                                            10, window->hwnd, nullptr, nullptr, nullptr);
  os::SetFocus(child);
  os::inject::KeyPress(os::VK_TAB);
  ManagerWindow::Pump();
  // The manager moved its focus, and the child window got its key too.
  EXPECT_EQ(manager().Focus(), b);
  EXPECT_EQ(childKeys, 1);
}

TEST_F(ManagerInputTest, MessageLoopSurvivesThrowingHandlersAndEndsOnQuit) {
  Build();
  std::vector<os::UINT> handled;
  window->before = [&](os::UINT message, os::WPARAM, os::LPARAM, os::LRESULT&) {
    if (message == os::WM_USER + 7) throw std::runtime_error("handler failed");
    if (message == os::WM_USER + 8) handled.push_back(message);
    return false;
  };
  os::PostMessage(window->hwnd, os::WM_USER + 7, 0, 0);
  os::PostMessage(window->hwnd, os::WM_USER + 8, 0, 0);
  os::PostQuitMessage(3);
  const testsupport::ScopedEnv debug("LUMORA_DEBUG", "ui");
  testing::internal::CaptureStderr();
  EXPECT_EQ(UIManager::RunMessageLoop(), 3);
  // The failure is swallowed for the player, not for the developer.
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kesto.dispatch: message 1031 failed: std::runtime_error: handler failed\n");
  EXPECT_THAT(handled, ElementsAre(os::WM_USER + 8));
}

}  // namespace
}  // namespace managertest
