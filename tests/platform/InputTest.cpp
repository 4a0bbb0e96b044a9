// Injected input becomes the message sequences Windows produces: hit testing
// first, activation, cursor, client and non-client mouse messages, caption
// drags and border resizes, double clicks, capture, hover and leave, focus
// and keys.
#include "WindowTestSupport.h"
#include "testsupport/TempDir.h"

namespace wintest {
namespace {

class InputTest : public WindowTest {
 protected:
  // Answers WM_NCHITTEST from client coordinates.
  static void HitCodes(HWND w, std::function<int(int x, int y)> code, Handler more = nullptr) {
    On(w, [code, more](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
      if (m == WM_NCHITTEST) {
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ScreenToClient(h, &p);
        if (int c = code(p.x, p.y)) return c;
      }
      if (more) return more(h, m, wp, lp);
      return std::nullopt;
    });
  }

  static void MinMax(MINMAXINFO* mmi, SIZE min, SIZE max) {
    mmi->ptMinTrackSize = {min.cx, min.cy};
    mmi->ptMaxTrackSize = {max.cx, max.cy};
  }
};

TEST_F(InputTest, AClickIsHitTestedFirstThenCursorThenButtonMessages) {
  HWND w = Popup({100, 100, 300, 250});
  headless::Pump();
  Log().clear();
  inject::Click({150, 160});
  headless::Pump();
  EXPECT_EQ(
      Messages(w, {WM_NCHITTEST, WM_MOUSEACTIVATE, WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}),
      (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN,
                         WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONUP}));
  auto down = Calls(w, WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wParam, MK_LBUTTON);
  EXPECT_EQ(down[0].lParam, MAKELPARAM(50, 60));
  EXPECT_EQ(Calls(w, WM_LBUTTONUP)[0].wParam, 0u);
  auto cursor = Calls(w, WM_SETCURSOR);
  EXPECT_EQ(cursor[1].wParam, reinterpret_cast<WPARAM>(w));
  EXPECT_EQ(cursor[1].lParam, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  EXPECT_EQ(Calls(w, WM_NCHITTEST)[0].lParam, MAKELPARAM(150, 160));  // screen coordinates
}

TEST_F(InputTest, AKeystrokeWithoutAWindowIsDroppedAndSaidSo) {
  const testsupport::ScopedEnv debug("LUMORA_DEBUG", "input");
  testing::internal::CaptureStderr();
  inject::KeyPress(VK_RETURN);
  headless::Pump();
  // The press and the release, each on its own.
  const std::string line = "input: a keystroke found no focus or active window; dropped\n";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), line + line);
}

TEST_F(InputTest, PressingAnInactiveWindowActivatesItBeforeTheButtonMessage) {
  HWND b = Popup({300, 0, 400, 100});
  HWND a = Popup({0, 0, 100, 100});  // created last: active
  headless::Pump();
  ASSERT_EQ(GetActiveWindow(), a);
  Log().clear();
  inject::Click({350, 50});
  headless::Pump();
  std::vector<std::pair<HWND, UINT>> seen;
  for (const Call& c : Log()) {
    if (c.message == WM_MOUSEACTIVATE || c.message == WM_ACTIVATE || c.message == WM_SETFOCUS ||
        c.message == WM_KILLFOCUS || c.message == WM_LBUTTONDOWN || c.message == WM_ACTIVATEAPP) {
      seen.emplace_back(c.hwnd, c.message);
    }
  }
  using S = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(seen, (S{{b, WM_MOUSEACTIVATE},
                     {a, WM_ACTIVATE},
                     {b, WM_ACTIVATE},
                     {a, WM_KILLFOCUS},
                     {b, WM_SETFOCUS},
                     {b, WM_LBUTTONDOWN}}));
  EXPECT_EQ(Calls(b, WM_ACTIVATE)[0].wParam, static_cast<WPARAM>(WA_CLICKACTIVE));
  EXPECT_EQ(Calls(a, WM_ACTIVATE)[0].wParam, static_cast<WPARAM>(WA_INACTIVE));
  EXPECT_EQ(GetActiveWindow(), b);

  // A window that refuses activation and eats the click gets neither.
  Log().clear();
  On(a, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEACTIVATE) return MA_NOACTIVATEANDEAT;
    return std::nullopt;
  });
  inject::Click({50, 50});
  headless::Pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(Count(a, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(Count(a, WM_LBUTTONUP), 1);
}

TEST_F(InputTest, PressingTheCaptionDragsTheWindow) {
  HWND w = Popup({100, 100, 400, 300});
  HitCodes(w, [](int, int y) { return y < 30 ? HTCAPTION : 0; });
  headless::Pump();
  Log().clear();
  inject::Drag({150, 110}, {250, 160}, 4);
  headless::Pump();
  EXPECT_EQ(WindowRectOf(w), (RECT{200, 150, 500, 350}));
  auto press = Calls(w, WM_NCLBUTTONDOWN);
  ASSERT_EQ(press.size(), 1u);
  EXPECT_EQ(press[0].wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(press[0].lParam, MAKELPARAM(150, 110));
  auto command = Calls(w, WM_SYSCOMMAND);
  ASSERT_EQ(command.size(), 1u);
  EXPECT_EQ(command[0].wParam, static_cast<WPARAM>(SC_MOVE | HTCAPTION));
  EXPECT_EQ(Messages(w, {WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}),
            (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
  auto moves = Calls(w, WM_MOVE);
  ASSERT_EQ(moves.size(), 4u);  // one per pointer step
  EXPECT_EQ(moves.back().lParam, MAKELPARAM(200, 150));
  // The modal drag swallows the release and gives the capture back.
  EXPECT_EQ(Count(w, WM_LBUTTONUP) + Count(w, WM_NCLBUTTONUP), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, BorderResizeKeepsTheOppositeEdgeAndTheTrackSizes) {
  HWND w = Popup({100, 100, 400, 300}, kPlainClass, WS_POPUP | WS_VISIBLE | WS_THICKFRAME);
  HitCodes(
      w,
      [](int x, int y) {
        RECT c;
        GetClientRect(GetActiveWindow(), &c);
        if (x < 4) return HTLEFT;
        if (x >= c.right - 4 && y >= c.bottom - 4) return HTBOTTOMRIGHT;
        return 0;
      },
      [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_NCCALCSIZE) return 0;  // no frame: the window is all client area
        if (m == WM_GETMINMAXINFO) {
          MinMax(reinterpret_cast<MINMAXINFO*>(lp), {200, 150}, {500, 350});
          return 0;
        }
        return std::nullopt;
      });
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  headless::Pump();
  Log().clear();

  inject::Drag({398, 298}, {900, 900});
  headless::Pump();
  EXPECT_EQ(WindowRectOf(w), (RECT{100, 100, 600, 450}));
  EXPECT_EQ(Calls(w, WM_SIZE).back().lParam, MAKELPARAM(500, 350));
  EXPECT_EQ(Calls(w, WM_SYSCOMMAND)[0].wParam, static_cast<WPARAM>(SC_SIZE + WMSZ_BOTTOMRIGHT));

  inject::Drag({598, 448}, {0, 0});
  headless::Pump();
  EXPECT_EQ(WindowRectOf(w), (RECT{100, 100, 300, 250}));

  inject::Drag({101, 200}, {-900, 200});
  headless::Pump();
  EXPECT_EQ(WindowRectOf(w), (RECT{-200, 100, 300, 250}));
  inject::Drag({-199, 200}, {900, 200});
  headless::Pump();
  EXPECT_EQ(WindowRectOf(w), (RECT{100, 100, 300, 250}));

  // SetWindowPos is clamped the same way for a sizable window.
  SetWindowPos(w, nullptr, 0, 0, 1000, 10, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(WindowRectOf(w), (RECT{100, 100, 600, 250}));
}

TEST_F(InputTest, DoubleClicksOnlyForClassesThatAskForThem) {
  HWND dbl = Popup({0, 0, 100, 100}, kDoubleClickClass);
  HWND plain = Popup({200, 0, 300, 100}, kPlainClass);
  headless::Pump();
  const std::vector<UINT> buttons{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK};

  inject::DoubleClick({50, 50});
  inject::MouseDown();  // a third press starts over
  inject::MouseUp();
  inject::DoubleClick({250, 50});
  headless::Pump();
  EXPECT_EQ(Messages(dbl, buttons), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                                       WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(Messages(plain, buttons),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));

  // Too slow, or too far apart, is two clicks.
  Log().clear();
  inject::Click({50, 50});
  headless::Advance(GetDoubleClickTime() + 1);
  inject::Click({50, 50});
  inject::Click({53, 50});
  headless::Pump();
  EXPECT_EQ(Count(dbl, WM_LBUTTONDBLCLK), 0);
  Log().clear();
  inject::Click({60, 60});
  headless::Advance(GetDoubleClickTime());
  inject::Click({61, 62});
  headless::Pump();
  EXPECT_EQ(Count(dbl, WM_LBUTTONDBLCLK), 1);
}

TEST_F(InputTest, CaptionDoubleClickComesToEveryWindowAndMaximises) {
  HWND w = Popup({100, 100, 400, 300}, kPlainClass, WS_POPUP | WS_VISIBLE | WS_MAXIMIZEBOX);
  HitCodes(w, [](int, int y) { return y < 20 ? HTCAPTION : 0; });
  headless::Pump();
  inject::DoubleClick({200, 110});
  headless::Pump();
  auto dbl = Calls(w, WM_NCLBUTTONDBLCLK);
  ASSERT_EQ(dbl.size(), 1u);
  EXPECT_EQ(dbl[0].wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_TRUE(IsZoomed(w));
}

TEST_F(InputTest, CaptureSendsEverythingToTheCapturingWindowWithoutHitTesting) {
  HWND w = Popup({100, 100, 200, 200});
  HWND other = Popup({0, 0, 60, 60}, kPlainClass, WS_POPUP | WS_VISIBLE, 0);
  SetActiveWindow(w);
  On(w, [](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) SetCapture(h);
    if (m == WM_MOUSEMOVE && GetCapture() != h) {
      TRACKMOUSEEVENT t;
      t.dwFlags = TME_LEAVE;
      t.hwndTrack = h;
      TrackMouseEvent(&t);
    }
    return std::nullopt;
  });
  headless::Pump();
  Log().clear();
  inject::MouseMove({150, 150});
  inject::MouseDown();
  inject::MouseMove({50, 30});
  inject::MouseUp();
  headless::Pump();
  EXPECT_EQ(GetCapture(), w);
  auto up = Calls(w, WM_LBUTTONUP);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(up[0].lParam), -50);
  EXPECT_EQ(GET_Y_LPARAM(up[0].lParam), -70);
  EXPECT_EQ(Messages(other), std::vector<UINT>{});
  EXPECT_EQ(Count(w, WM_MOUSELEAVE), 0);  // not while the window holds the mouse
  // After the press: no hit tests, no cursor messages.
  auto after = Messages(w, {WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP});
  auto press = std::find(after.begin(), after.end(), static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(std::vector<UINT>(press, after.end()),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));

  ReleaseCapture();
  EXPECT_EQ(Calls(w, WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(Calls(w, WM_CAPTURECHANGED)[0].lParam, 0);
  headless::Pump();
  // The pointer's window learns about it once the capture is gone, and the
  // tracked window gets its leave.
  EXPECT_EQ(Count(other, WM_MOUSEMOVE), 1);
  EXPECT_EQ(Count(w, WM_MOUSELEAVE), 1);
}

TEST_F(InputTest, TrackMouseEventReportsHoverAfterTheHoverTimeAndLeaveOnExit) {
  HWND w = Popup({0, 0, 200, 200});
  HWND other = Popup({300, 0, 500, 200});
  bool tracking = false;
  On(w, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEMOVE && !tracking) {
      TRACKMOUSEEVENT t;
      t.dwFlags = TME_HOVER | TME_LEAVE;
      t.hwndTrack = h;
      t.dwHoverTime = HOVER_DEFAULT;
      EXPECT_TRUE(TrackMouseEvent(&t));
      tracking = true;
    }
    if (m == WM_MOUSELEAVE) tracking = false;
    return std::nullopt;
  });
  headless::Pump();
  inject::MouseMove({50, 50});
  headless::Pump();
  TRACKMOUSEEVENT query;
  query.dwFlags = TME_QUERY;
  TrackMouseEvent(&query);
  EXPECT_EQ(query.hwndTrack, w);
  EXPECT_EQ(query.dwFlags, TME_HOVER | TME_LEAVE);

  headless::Advance(399);
  EXPECT_EQ(Count(w, WM_MOUSEHOVER), 0);
  inject::MouseMove({51, 51});  // inside the hover rectangle: the time runs on
  headless::Pump();
  headless::Advance(1);
  auto hover = Calls(w, WM_MOUSEHOVER);
  ASSERT_EQ(hover.size(), 1u);
  EXPECT_EQ(hover[0].lParam, MAKELPARAM(51, 51));
  headless::Advance(2000);
  EXPECT_EQ(Count(w, WM_MOUSEHOVER), 1);  // once per request

  Log().clear();
  inject::MouseMove({350, 50});
  headless::Pump();
  EXPECT_EQ(Count(w, WM_MOUSELEAVE), 1);
  std::vector<std::pair<HWND, UINT>> order;
  for (const Call& c : Log()) {
    if ((c.hwnd == w && c.message == WM_MOUSELEAVE) || (c.hwnd == other && c.message == WM_MOUSEMOVE)) {
      order.emplace_back(c.hwnd, c.message);
    }
  }
  using O = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(order, (O{{w, WM_MOUSELEAVE}, {other, WM_MOUSEMOVE}}));

  // Leaving the hover rectangle restarts the hover time.
  Log().clear();
  inject::MouseMove({50, 50});
  headless::Pump();
  headless::Advance(300);
  inject::MouseMove({60, 60});
  headless::Pump();
  headless::Advance(399);
  EXPECT_EQ(Count(w, WM_MOUSEHOVER), 0);
  headless::Advance(1);
  EXPECT_EQ(Count(w, WM_MOUSEHOVER), 1);

  // Asking while the pointer is elsewhere gives the leave at once.
  inject::MouseMove({400, 50});
  headless::Pump();
  Log().clear();
  TRACKMOUSEEVENT t;
  t.dwFlags = TME_LEAVE;
  t.hwndTrack = w;
  TrackMouseEvent(&t);
  headless::Pump();
  EXPECT_EQ(Count(w, WM_MOUSELEAVE), 1);
}

TEST_F(InputTest, FocusMovesWithKillFocusBeforeSetFocus) {
  HWND a = Popup({0, 0, 100, 100});
  HWND child = Child(a, {10, 10, 50, 50});
  HWND b = Popup({200, 0, 300, 100});
  ASSERT_EQ(GetFocus(), b);
  Log().clear();
  EXPECT_EQ(SetFocus(child), b);
  std::vector<std::pair<HWND, UINT>> seen;
  for (const Call& c : Log()) {
    if (c.message == WM_ACTIVATE || c.message == WM_SETFOCUS || c.message == WM_KILLFOCUS ||
        c.message == WM_ACTIVATEAPP) {
      seen.emplace_back(c.hwnd, c.message);
    }
  }
  using S = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(seen, (S{{b, WM_ACTIVATE},
                     {a, WM_ACTIVATE},
                     {b, WM_KILLFOCUS},
                     {a, WM_SETFOCUS},
                     {a, WM_KILLFOCUS},
                     {child, WM_SETFOCUS}}));
  EXPECT_EQ(Calls(child, WM_SETFOCUS)[0].wParam, reinterpret_cast<WPARAM>(a));
  EXPECT_EQ(Calls(a, WM_KILLFOCUS)[0].wParam, reinterpret_cast<WPARAM>(child));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), child);

  // Disabled windows take no focus; disabling the focus drops it.
  EnableWindow(b, FALSE);
  EXPECT_EQ(SetFocus(b), nullptr);
  EXPECT_EQ(GetFocus(), child);
  Log().clear();
  EnableWindow(child, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(Messages(child, {WM_KILLFOCUS, WM_ENABLE}), (std::vector<UINT>{WM_KILLFOCUS, WM_ENABLE}));

  // A focused window being destroyed loses the focus before WM_DESTROY.
  HWND second = Child(a, {60, 60, 90, 90}, 2);
  SetFocus(second);
  Log().clear();
  DestroyWindow(second);
  EXPECT_EQ(Messages(second, {WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}),
            (std::vector<UINT>{WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(InputTest, KeysGoToTheFocusAndTranslateToCharacters) {
  HWND w = Popup({0, 0, 100, 100});
  headless::Pump();
  Log().clear();
  inject::KeyPress('A');
  inject::KeyDown(VK_SHIFT);
  inject::KeyPress('B');
  inject::KeyUp(VK_SHIFT);
  inject::Text(u"中");
  inject::KeyPress(VK_RETURN);
  headless::Pump();
  std::u16string chars;
  for (const Call& c : Calls(w, WM_CHAR)) chars += static_cast<char16_t>(c.wParam);
  EXPECT_EQ(chars, u"aB中\r");
  std::vector<WPARAM> keys;
  for (const Call& c : Calls(w, WM_KEYDOWN)) keys.push_back(LOWORD(c.wParam));
  EXPECT_EQ(keys, (std::vector<WPARAM>{'A', VK_SHIFT, 'B', VK_PACKET, VK_RETURN}));
  const auto up = Calls(w, WM_KEYUP)[0].lParam;
  EXPECT_TRUE(up & (1u << 31));
  EXPECT_TRUE(up & (1u << 30));
  EXPECT_FALSE(Calls(w, WM_KEYDOWN)[0].lParam & (1u << 30));

  // The key state follows the messages taken from the queue.
  inject::KeyDown(VK_CONTROL);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  headless::Pump();
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  inject::KeyPress('C');  // Ctrl+C is character 3
  inject::KeyUp(VK_CONTROL);
  headless::Pump();
  EXPECT_EQ(Calls(w, WM_CHAR).back().wParam, 3u);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);

  // Alt+F4 closes the window through the system command.
  inject::KeyDown(VK_MENU);
  inject::KeyPress(VK_F4);
  inject::KeyUp(VK_MENU);
  headless::Pump();
  EXPECT_EQ(Calls(w, WM_SYSKEYDOWN).size(), 2u);
  EXPECT_EQ(Calls(w, WM_SYSCOMMAND).at(0).wParam, static_cast<WPARAM>(SC_CLOSE));
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(InputTest, WheelGoesToTheFocusAndUpToItsParent) {
  HWND top = Popup({0, 0, 200, 200});
  HWND child = Child(top, {10, 10, 100, 100});
  SetFocus(child);
  headless::Pump();
  Log().clear();
  inject::MouseMove({150, 150});
  inject::Wheel(-WHEEL_DELTA);
  headless::Pump();
  auto atChild = Calls(child, WM_MOUSEWHEEL);
  auto atTop = Calls(top, WM_MOUSEWHEEL);
  ASSERT_EQ(atChild.size(), 1u);
  ASSERT_EQ(atTop.size(), 1u);  // the default procedure passes it up
  EXPECT_EQ(static_cast<short>(HIWORD(atChild[0].wParam)), -WHEEL_DELTA);
  EXPECT_EQ(atChild[0].lParam, MAKELPARAM(150, 150));  // screen coordinates
}

TEST_F(InputTest, TheCursorFollowsHitCodesAndTheClassCursor) {
  HWND w = Popup({100, 100, 300, 300});
  HitCodes(w, [](int x, int) { return x < 5 ? HTLEFT : 0; });
  headless::Pump();
  inject::MouseMove({102, 200});
  headless::Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZEWE));
  EXPECT_EQ(headless::Surface(w)->cursor, CursorShape::SizeWE);
  inject::MouseMove({200, 200});
  headless::Pump();
  EXPECT_EQ(CursorShapeOf(GetCursor()), CursorShape::Arrow);
  EXPECT_EQ(headless::Surface(w)->cursor, CursorShape::Arrow);
}

TEST_F(InputTest, DisabledWindowsGetNoMouseInput) {
  HWND top = Popup({0, 0, 200, 200});
  HWND child = Child(top, {50, 50, 150, 150});
  EnableWindow(child, FALSE);
  headless::Pump();
  Log().clear();
  inject::Click({100, 100});  // on the disabled child: the parent gets it
  headless::Pump();
  EXPECT_EQ(Messages(child), std::vector<UINT>{});
  ASSERT_EQ(Calls(top, WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Calls(top, WM_LBUTTONDOWN)[0].lParam, MAKELPARAM(100, 100));

  EnableWindow(top, FALSE);  // as behind a modal box
  Log().clear();
  inject::Click({20, 20});
  headless::Pump();
  EXPECT_EQ(Count(top, WM_LBUTTONDOWN) + Count(top, WM_MOUSEMOVE), 0);
  auto cursor = Calls(top, WM_SETCURSOR);
  ASSERT_FALSE(cursor.empty());
  EXPECT_EQ(static_cast<short>(LOWORD(cursor[0].lParam)), HTERROR);
}

TEST_F(InputTest, TransparentHitCodesPassTheMouseToTheWindowBelow) {
  HWND below = Popup({0, 0, 200, 200});
  HWND above = Popup({50, 50, 150, 150});
  HitCodes(above, [](int, int) { return HTTRANSPARENT; });
  headless::Pump();
  Log().clear();
  inject::Click({100, 100});
  headless::Pump();
  EXPECT_EQ(Count(above, WM_NCHITTEST), 2);
  EXPECT_EQ(Count(above, WM_LBUTTONDOWN), 0);
  ASSERT_EQ(Count(below, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Calls(below, WM_LBUTTONDOWN)[0].lParam, MAKELPARAM(100, 100));
}

TEST_F(InputTest, ANativeCaptionDragIsLeftToTheDesktop) {
  HWND w = Popup({100, 100, 400, 300}, kPlainClass, WS_POPUP | WS_VISIBLE | WS_THICKFRAME);
  HitCodes(
      w, [](int x, int y) { return y < 30 ? HTCAPTION : (x > 290 ? HTRIGHT : 0); },
      [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_NCCALCSIZE) return 0;
        if (m == WM_GETMINMAXINFO) {
          MinMax(reinterpret_cast<MINMAXINFO*>(lp), {250, 120}, {800, 600});
          return 0;
        }
        return std::nullopt;
      });
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  headless::SetAcceptNativeDrags(true);
  headless::Pump();
  Log().clear();
  PointerEvent e;
  e.screen = {150, 110};
  headless::DeliverNativePointer(e);
  e.kind = PointerEvent::Kind::Down;
  headless::DeliverNativePointer(e);
  headless::Pump();
  auto drag = headless::LastNativeDrag();
  ASSERT_TRUE(drag);
  EXPECT_EQ(drag->hwnd, w);
  EXPECT_TRUE(drag->move);
  EXPECT_EQ(drag->start, (POINT{150, 110}));
  EXPECT_EQ(Count(w, WM_ENTERSIZEMOVE), 1);
  EXPECT_EQ(GetCapture(), nullptr);  // the desktop holds the pointer

  headless::ReportSurfaceMoved(w, {300, 320, 600, 520});
  EXPECT_EQ(WindowRectOf(w), (RECT{300, 320, 600, 520}));
  EXPECT_EQ(Calls(w, WM_MOVE).back().lParam, MAKELPARAM(300, 320));
  e.kind = PointerEvent::Kind::Up;
  e.screen = {350, 330};
  headless::DeliverNativePointer(e);
  headless::Pump();
  EXPECT_EQ(Count(w, WM_EXITSIZEMOVE), 1);
  EXPECT_EQ(Count(w, WM_LBUTTONUP) + Count(w, WM_NCLBUTTONUP), 0);

  // A border press hands over a resize with the track sizes.
  e.kind = PointerEvent::Kind::Move;
  e.screen = {598, 420};
  headless::DeliverNativePointer(e);
  e.kind = PointerEvent::Kind::Down;
  headless::DeliverNativePointer(e);
  headless::Pump();
  drag = headless::LastNativeDrag();
  ASSERT_TRUE(drag);
  EXPECT_FALSE(drag->move);
  EXPECT_EQ(drag->edge, WMSZ_RIGHT);
  EXPECT_EQ(drag->minTrack, (SIZE{250, 120}));
  EXPECT_EQ(drag->maxTrack, (SIZE{800, 600}));
}

}  // namespace
}  // namespace wintest
