// Closing and destruction, system commands and show states, positions and
// track sizes, window regions and monitors.
#include "WindowTestSupport.h"

namespace wintest {
namespace {

class WindowStateTest : public WindowTest {
 protected:
  // A window shaped like the skinned windows: no frame, sizable, and a
  // WM_GETMINMAXINFO that maximises onto the work area.
  HWND SkinnedWindow(RECT r) {
    HWND w = Popup(r, kPlainClass, WS_POPUP | WS_VISIBLE | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    On(w, [](HWND h, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
      if (m == WM_NCCALCSIZE) return 0;
      if (m == WM_GETMINMAXINFO) {
        MONITORINFO mi;
        GetMonitorInfo(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
        mmi->ptMaxPosition = {mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top};
        mmi->ptMaxSize = {mi.rcWork.right - mi.rcWork.left, mi.rcWork.bottom - mi.rcWork.top};
        return 0;
      }
      return std::nullopt;
    });
    SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return w;
  }
};

TEST_F(WindowStateTest, CloseDestroysOwnedWindowsFirstThenTheTreeInWin32Order) {
  HWND parent = Popup({0, 0, 100, 100});
  HWND child = Child(parent, {0, 0, 50, 50});
  HWND grandchild = Child(child, {0, 0, 20, 20});
  HWND owned = Popup({200, 0, 300, 100}, kPlainClass, WS_POPUP | WS_VISIBLE, 0, parent);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), parent);
  EXPECT_EQ(GetParent(owned), parent);  // a popup's parent is its owner
  Log().clear();
  SendMessage(parent, WM_SYSCOMMAND, SC_CLOSE, 0);
  std::vector<std::pair<HWND, UINT>> seen;
  for (const Call& c : Log()) {
    if (c.message == WM_CLOSE || c.message == WM_DESTROY || c.message == WM_NCDESTROY) {
      seen.emplace_back(c.hwnd, c.message);
    }
  }
  using S = std::vector<std::pair<HWND, UINT>>;
  EXPECT_EQ(seen, (S{{parent, WM_CLOSE},
                     {owned, WM_DESTROY},
                     {owned, WM_NCDESTROY},
                     {parent, WM_DESTROY},
                     {child, WM_DESTROY},
                     {grandchild, WM_DESTROY},
                     {grandchild, WM_NCDESTROY},
                     {child, WM_NCDESTROY},
                     {parent, WM_NCDESTROY}}));
  for (HWND h : {parent, child, grandchild, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);

  // A window that answers WM_CLOSE itself stays.
  HWND stays = Popup({0, 0, 10, 10});
  On(stays, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CLOSE) return 0;
    return std::nullopt;
  });
  PostMessage(stays, WM_CLOSE, 0, 0);
  headless::Pump();
  EXPECT_TRUE(IsWindow(stays));
}

TEST_F(WindowStateTest, SystemCommandsMinimiseMaximiseAndRestore) {
  HWND w = SkinnedWindow({300, 200, 900, 600});
  HWND other = Popup({0, 0, 50, 50}, kPlainClass, WS_POPUP | WS_VISIBLE);
  SetActiveWindow(w);
  headless::Pump();
  Log().clear();

  SendMessage(w, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_EQ(WindowRectOf(w), (RECT{0, 0, 1920, 1040}));
  auto size = Calls(w, WM_SIZE);
  ASSERT_FALSE(size.empty());
  EXPECT_EQ(size.back().wParam, SIZE_MAXIMIZED);
  EXPECT_EQ(size.back().lParam, MAKELPARAM(1920, 1040));
  EXPECT_EQ(headless::Surface(w)->state, SurfaceState::Maximized);

  SendMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_FALSE(IsZoomed(w));
  EXPECT_EQ(Calls(w, WM_SIZE).back().wParam, SIZE_MINIMIZED);
  EXPECT_EQ(headless::Surface(w)->state, SurfaceState::Minimized);
  EXPECT_EQ(GetActiveWindow(), other);  // minimising hands activation on
  RECT client;
  GetClientRect(w, &client);
  EXPECT_TRUE(IsRectEmpty(&client));

  // Restoring a window minimised from maximised maximises it again.
  SetActiveWindow(w);
  SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(w));
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_EQ(WindowRectOf(w), (RECT{0, 0, 1920, 1040}));
  EXPECT_EQ(GetFocus(), w);

  SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(w));
  EXPECT_EQ(WindowRectOf(w), (RECT{300, 200, 900, 600}));
  EXPECT_EQ(Calls(w, WM_SIZE).back().wParam, SIZE_RESTORED);
  EXPECT_EQ(Calls(w, WM_SIZE).back().lParam, MAKELPARAM(600, 400));
  EXPECT_EQ(headless::Surface(w)->state, SurfaceState::Normal);
  WINDOWPLACEMENT wp;
  GetWindowPlacement(w, &wp);
  EXPECT_EQ(wp.rcNormalPosition, (RECT{300, 200, 900, 600}));
}

TEST_F(WindowStateTest, DefaultMaximisingStopsAtTheWorkAreaOnlyForCaptionedWindows) {
  HWND captioned = CreateWindowEx(0, kPlainClass, u"c", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                  nullptr, nullptr, TestInstance(), nullptr);
  ShowWindow(captioned, SW_MAXIMIZE);
  POINT origin{0, 0};
  ClientToScreen(captioned, &origin);
  RECT client;
  GetClientRect(captioned, &client);
  EXPECT_EQ(origin, (POINT{0, 23}));  // the frame hangs off the screen, the caption stays
  EXPECT_EQ(client, (RECT{0, 0, 1920, 1040 - 23}));

  // Without a caption the default covers the whole monitor, taskbar included.
  HWND bare = Popup({0, 0, 10, 10}, kPlainClass, WS_POPUP | WS_VISIBLE);
  ShowWindow(bare, SW_MAXIMIZE);
  EXPECT_EQ(WindowRectOf(bare), (RECT{0, 0, 1920, 1080}));
}

TEST_F(WindowStateTest, HidingTheActiveWindowActivatesAnotherAndShowWindowReportsVisibility) {
  HWND a = Popup({0, 0, 50, 50});
  HWND b = Popup({100, 0, 150, 50});
  ASSERT_EQ(GetActiveWindow(), b);
  Log().clear();
  EXPECT_TRUE(ShowWindow(b, SW_HIDE));  // was visible
  EXPECT_FALSE(IsWindowVisible(b));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(Calls(b, WM_SHOWWINDOW).at(0).wParam, static_cast<WPARAM>(FALSE));
  EXPECT_FALSE(ShowWindow(b, SW_HIDE));  // nothing to do
  EXPECT_EQ(Count(b, WM_SHOWWINDOW), 1);

  EXPECT_FALSE(ShowWindow(b, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(b));
  EXPECT_EQ(GetActiveWindow(), a);  // shown without activation
  EXPECT_TRUE(headless::Surface(b)->visible);

  // A child is visible only with its parent.
  HWND child = Child(a, {0, 0, 10, 10});
  ShowWindow(a, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_TRUE(GetWindowLong(child, GWL_STYLE) & WS_VISIBLE);
}

// A child window may stand for a native widget that the desktop shows on its
// own: it must hear at once when an ancestor takes it off screen or brings it
// back, and see the new state when it asks.
TEST_F(WindowStateTest, ShowingOrHidingAWindowTellsTheDescendantsThatFollowIt) {
  HWND top = Popup({0, 0, 200, 200});
  HWND page = Child(top, {0, 0, 100, 100}, 1);
  HWND view = Child(page, {0, 0, 50, 50}, 2);
  HWND hiddenPage = Child(top, {100, 0, 200, 100}, 3, kPlainClass, WS_CHILD);
  HWND underHidden = Child(hiddenPage, {0, 0, 50, 50}, 4);
  HWND owned = Popup({300, 0, 400, 100}, kPlainClass, WS_POPUP | WS_VISIBLE, 0, top);
  // What each window saw of itself when it was told.
  std::vector<std::pair<HWND, BOOL>> seen;
  for (HWND h : {page, view, hiddenPage, underHidden, owned}) {
    On(h, [&seen](HWND self, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m == WM_SHOWWINDOW) seen.emplace_back(self, IsWindowVisible(self));
      return std::nullopt;
    });
  }
  struct Told {
    HWND hwnd;
    WPARAM shown;
    LPARAM why;
    bool operator==(const Told&) const = default;
  };
  // What the windows below the top-level one were told.
  const auto told = [top] {
    std::vector<Told> out;
    for (const Call& c : Log()) {
      if (c.message == WM_SHOWWINDOW && c.hwnd != top) out.push_back({c.hwnd, c.wParam, c.lParam});
    }
    Log().clear();
    return out;
  };

  // The page tells its own view; the hidden page's child and the owned popup
  // (which hides only with its owner's minimising) hear nothing.
  Log().clear();
  ShowWindow(page, SW_HIDE);
  EXPECT_EQ(told(), (std::vector<Told>{{page, FALSE, 0}, {view, FALSE, SW_PARENTCLOSING}}));
  ShowWindow(page, SW_SHOW);
  EXPECT_EQ(told(), (std::vector<Told>{{page, TRUE, 0}, {view, TRUE, SW_PARENTOPENING}}));
  EXPECT_EQ(seen,
            (std::vector<std::pair<HWND, BOOL>>{{page, TRUE}, {view, FALSE}, {page, FALSE}, {view, TRUE}}));

  // The top-level window reaches down every visible branch.
  ShowWindow(top, SW_HIDE);
  EXPECT_EQ(told(), (std::vector<Told>{{page, FALSE, SW_PARENTCLOSING}, {view, FALSE, SW_PARENTCLOSING}}));
  // Below a hidden window nothing moves on screen: nobody is told.
  ShowWindow(page, SW_HIDE);
  ShowWindow(page, SW_SHOW);
  EXPECT_EQ(told(), (std::vector<Told>{{page, FALSE, 0}, {page, TRUE, 0}}));
  SetWindowPos(top, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  EXPECT_EQ(told(), (std::vector<Told>{{page, TRUE, SW_PARENTOPENING}, {view, TRUE, SW_PARENTOPENING}}));
  EXPECT_TRUE(IsWindowVisible(owned));
  Handlers().clear();  // they write to seen, which ends here
}

// A child that destroys the whole tree while it is being told stops the
// telling there: no other child, nor its own, hears anything after.
TEST_F(WindowStateTest, ADescendantMayDestroyTheTreeWhileBeingTold) {
  HWND top = Popup({0, 0, 200, 200});
  HWND first = Child(top, {0, 0, 100, 100}, 1);
  HWND inner = Child(first, {0, 0, 50, 50}, 2);
  HWND second = Child(top, {100, 0, 200, 100}, 3);
  for (HWND h : {first, second}) {
    On(h, [top](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m == WM_SHOWWINDOW) DestroyWindow(top);
      return std::nullopt;
    });
  }
  Log().clear();
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_EQ(Count(first, WM_SHOWWINDOW) + Count(second, WM_SHOWWINDOW), 1);
  EXPECT_EQ(Count(inner, WM_SHOWWINDOW), 0);
}

TEST_F(WindowStateTest, SetWindowPosTellsTheWindowWhatChangedAndLetsItAdjust) {
  HWND w = Popup({10, 10, 110, 60});
  On(w, [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
    if (m == WM_WINDOWPOSCHANGING) {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lp);
      if (!(wp->flags & SWP_NOMOVE) && wp->x < 0) wp->x = 0;  // keeps itself on screen
    }
    return std::nullopt;
  });
  Log().clear();
  SetWindowPos(w, nullptr, -40, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(WindowRectOf(w), (RECT{0, 20, 100, 70}));
  EXPECT_EQ(Messages(w, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));

  Log().clear();
  MoveWindow(w, 0, 20, 300, 10000, TRUE);  // a popup without a sizing frame is not clamped
  EXPECT_EQ(WindowRectOf(w), (RECT{0, 20, 300, 10020}));
  EXPECT_EQ(Messages(w, {WM_NCCALCSIZE, WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_NCCALCSIZE, WM_SIZE}));
  RECT update;
  EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));  // the new area needs paint
}

TEST_F(WindowStateTest, RoundedRegionsShapeTheWindowForTheMouse) {
  HWND below = Popup({0, 0, 300, 300});
  HWND shaped = Popup({100, 100, 200, 200});
  HRGN rgn = CreateRoundRectRgn(0, 0, 101, 101, 40, 40);
  RECT box;
  EXPECT_EQ(GetRgnBox(rgn, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 100, 100}));  // the right and bottom edge are left out
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 50, 0));
  EXPECT_TRUE(PtInRegion(rgn, 99, 50));
  EXPECT_EQ(SetWindowRgn(shaped, rgn, TRUE), 1);
  EXPECT_FALSE(DeleteObject(rgn));  // the window owns it now
  ASSERT_TRUE(headless::Surface(shaped)->shape);
  EXPECT_EQ(headless::Surface(shaped)->shape->ellipseWidth, 40);
  headless::Pump();
  Log().clear();
  inject::Click({150, 101});
  inject::Click({101, 101});  // the cut-off corner: the window below
  headless::Pump();
  EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Count(shaped, WM_LBUTTONDOWN), 1);

  // An ellipse of 0 gives a plain rectangle with all its edges.
  HRGN square = CreateRoundRectRgn(0, 0, 101, 101, 0, 0);
  EXPECT_TRUE(PtInRegion(square, 100, 100));
  EXPECT_TRUE(PtInRegion(square, 0, 0));
  EXPECT_TRUE(DeleteObject(square));
}

TEST_F(WindowStateTest, MonitorsWorkAreasAndMetrics) {
  headless::SetScreen({1280, 800}, {0, 30, 1280, 800});
  RECT work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, (RECT{0, 30, 1280, 800}));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 800);

  MonitorDesc right;
  right.monitor = {1280, 0, 3200, 1080};
  right.work = {1280, 0, 3200, 1040};
  MonitorDesc left;
  left.monitor = {0, 0, 1280, 800};
  left.work = {0, 30, 1280, 800};
  left.primary = true;
  headless::SetMonitors({left, right});
  HWND w = Popup({1500, 100, 1700, 300});
  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcWork, (RECT{1280, 0, 3200, 1040}));
  EXPECT_EQ(mi.dwFlags, 0u);
  EXPECT_EQ(MonitorFromPoint({-500, -500}, MONITOR_DEFAULTTONULL), nullptr);
  ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint({-500, -500}, MONITOR_DEFAULTTOPRIMARY), &mi));
  EXPECT_EQ(mi.dwFlags, MONITORINFOF_PRIMARY);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
}

TEST_F(WindowStateTest, AnOwnerChangeThatWouldMakeAWindowOwnItselfLeavesItUnowned) {
  HWND a = Popup({0, 0, 100, 100});
  HWND b = Popup({10, 10, 110, 110}, kPlainClass, WS_POPUP | WS_VISIBLE, 0, a);
  HWND c = Popup({20, 20, 120, 120}, kPlainClass, WS_POPUP | WS_VISIBLE, 0, b);
  ASSERT_EQ(GetWindow(c, GW_OWNER), b);
  // a → c → b → a would be a loop: a ends up with no owner instead.
  SetWindowLongPtr(a, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(c));
  EXPECT_EQ(GetWindow(a, GW_OWNER), nullptr);
  SetWindowLongPtr(a, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(a));
  EXPECT_EQ(GetWindow(a, GW_OWNER), nullptr);
  // Bringing the owner up and closing the active window still end.
  SetActiveWindow(a);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDPREV), b);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(c));
}

}  // namespace
}  // namespace wintest
