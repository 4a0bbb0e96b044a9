// The window and system-control groups on real Win32: the rules the code
// above the platform depends on, checked through our declarations against
// the system (under Wine with a display here, on Windows alike).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/syscontrols/DatePicker.h"
#include "platform/syscontrols/Edit.h"
#include "platform/syscontrols/Ime.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/syscontrols/Tooltip.h"
#include "platform/window/Backend.h"
#include "platform/window/Clipboard.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/Icon.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Resource.h"
#include "platform/window/Snapshot.h"
#include "platform/window/Window.h"
#include "testsupport/TempDir.h"

#include <stb_image_write.h>

namespace os {
namespace {

HINSTANCE Self() { return ExecutableModule(); }

// A short wait for anything to arrive; a plain sleep would do too, but the
// wait ends as soon as there is something.
void MsgWait() {
  const std::uint64_t until = GetTickCount64() + 5;
  MSG msg;
  while (GetTickCount64() < until && !PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
  }
}

// Runs the queue until `done` holds or `ms` milliseconds have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 2000) {
  const std::uint64_t end = GetTickCount64() + ms;
  MSG msg;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (!done()) MsgWait();
  }
  return true;
}

void PumpAll() {
  PumpUntil([] { return false; }, 50);
}

// A window class of the test, registered once per name, whose procedure
// hands every message to the test's current handler.
struct Recorder {
  std::vector<UINT> messages;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler;
};
Recorder* g_recorder = nullptr;

LRESULT RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_recorder != nullptr) {
    g_recorder->messages.push_back(message);
    LRESULT result = 0;
    if (g_recorder->handler && g_recorder->handler(hwnd, message, wParam, lParam, &result)) return result;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

const char16_t* TestClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc;
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = Self();
    wc.lpszClassName = u"LumoraWin32Test";
    return RegisterClassEx(&wc);
  }();
  EXPECT_NE(atom, 0);
  return u"LumoraWin32Test";
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override { g_recorder = &recorder; }
  void TearDown() override {
    for (HWND hwnd : windows) {
      if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    PumpAll();
    g_recorder = nullptr;
  }
  HWND Make(DWORD style = WS_POPUP, DWORD exStyle = 0, RECT rect = {100, 100, 140, 130},
            void* param = nullptr) {
    HWND hwnd =
        CreateWindowEx(exStyle, TestClass(), u"test", style, rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, nullptr, nullptr, Self(), param);
    EXPECT_NE(hwnd, nullptr);
    windows.push_back(hwnd);
    return hwnd;
  }
  Recorder recorder;
  std::vector<HWND> windows;
};

// ---------------------------------------------------------------------------
// Classes

LRESULT PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, message, wParam, lParam);
}

TEST_F(Win32Window, ClassesRegisterOnceAreFoundWithoutRegardToCaseAndErrorsSurface) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = PlainProc;
  wc.cbWndExtra = 16;
  wc.hInstance = Self();
  wc.lpszClassName = u"LumoraClassRules";
  const ATOM atom = RegisterClassEx(&wc);
  ASSERT_NE(atom, 0);
  SetLastError(0);
  EXPECT_EQ(RegisterClassEx(&wc), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

  WNDCLASSEXW found;
  ASSERT_TRUE(GetClassInfoEx(Self(), u"LUMORACLASSRULES", &found));
  EXPECT_EQ(found.lpfnWndProc, &PlainProc);
  EXPECT_EQ(found.cbWndExtra, 16);

  // The system's own controls are found with no instance.
  for (const char16_t* system : {WC_EDIT, TOOLTIPS_CLASS, DATETIMEPICK_CLASS}) {
    WNDCLASSEXW control;
    EXPECT_TRUE(GetClassInfoEx(nullptr, system, &control)) << std::string(system, system + 4);
    EXPECT_NE(control.lpfnWndProc, nullptr);
  }

  HWND hwnd =
      CreateWindowEx(0, u"lumoraclassrules", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(GetClassName(hwnd), u"LumoraClassRules");
  // Extra bytes round-trip at their offsets.
  SetWindowLongPtr(hwnd, 8, 0x1234);
  EXPECT_EQ(GetWindowLongPtr(hwnd, 8), 0x1234);
  DestroyWindow(hwnd);
  EXPECT_TRUE(UnregisterClass(u"LumoraClassRules", Self()));

  SetLastError(0);
  EXPECT_EQ(
      CreateWindowEx(0, u"LumoraClassRules", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr),
      nullptr);
  // Windows says ERROR_CANNOT_FIND_WND_CLASS; Wine ERROR_CLASS_DOES_NOT_EXIST.
  const DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_CANNOT_FIND_WND_CLASS || error == 1411) << error;
}

TEST_F(Win32Window, PlatformClassesAreGlobal) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = u"LumoraPlatformClass";
  ASSERT_NE(RegisterSystemClass(wc), 0);
  // Found as the system's classes are: with no instance, and with any.
  WNDCLASSEXW found;
  EXPECT_TRUE(GetClassInfoEx(nullptr, u"LumoraPlatformClass", &found));
  EXPECT_EQ(found.lpfnWndProc, &PlainProc);
  EXPECT_TRUE(GetClassInfoEx(Self(), u"LumoraPlatformClass", &found));
  EXPECT_TRUE(found.style & CS_GLOBALCLASS);
  HWND hwnd = CreateWindowEx(0, u"LumoraPlatformClass", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  EXPECT_NE(hwnd, nullptr);
  DestroyWindow(hwnd);
  EXPECT_EQ(RegisterSystemClass(wc), 0);
}

// ---------------------------------------------------------------------------
// Creation, longs, subclassing

TEST_F(Win32Window, CreationSendsNcCreateBeforeCreateWithTheParamsAndDestructionEndsWithNcDestroy) {
  int marker = 0;
  void* seenNc = nullptr;
  void* seenCreate = nullptr;
  recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (message == WM_NCCREATE) {
      seenNc = cs->lpCreateParams;
      // What a window base stores for its procedure to find.
      SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      EXPECT_EQ(cs->cx, 40);
      EXPECT_EQ(cs->cy, 30);
      EXPECT_EQ(std::u16string(cs->lpszName), u"test");
    }
    if (message == WM_CREATE) {
      seenCreate = cs->lpCreateParams;
      EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&marker));
    }
    return false;
  };
  HWND hwnd = Make(WS_POPUP, 0, {100, 100, 140, 130}, &marker);
  EXPECT_EQ(seenNc, &marker);
  EXPECT_EQ(seenCreate, &marker);
  const auto& m = recorder.messages;
  const auto nc = std::find(m.begin(), m.end(), WM_NCCREATE);
  const auto create = std::find(m.begin(), m.end(), WM_CREATE);
  ASSERT_NE(nc, m.end());
  ASSERT_NE(create, m.end());
  EXPECT_LT(nc, create);
  EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&marker));

  recorder.messages.clear();
  recorder.handler = nullptr;
  EXPECT_TRUE(DestroyWindow(hwnd));
  ASSERT_FALSE(recorder.messages.empty());
  EXPECT_EQ(recorder.messages.back(), WM_NCDESTROY);
  EXPECT_NE(std::find(recorder.messages.begin(), recorder.messages.end(), WM_DESTROY),
            recorder.messages.end());
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Win32Window, WindowCreationRefusedByNcCreateFails) {
  recorder.handler = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_NCCREATE) return false;
    *result = FALSE;
    return true;
  };
  HWND hwnd = CreateWindowEx(0, TestClass(), u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
  EXPECT_EQ(hwnd, nullptr);
}

WNDPROC g_previous = nullptr;
int g_subclassSaw = 0;

LRESULT SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP + 1) {
    ++g_subclassSaw;
    // Passed on, and the answer changed on the way back.
    return CallWindowProc(g_previous, hwnd, message, wParam + 1, lParam) * 10;
  }
  return CallWindowProc(g_previous, hwnd, message, wParam, lParam);
}

TEST_F(Win32Window, SubclassingThroughTheProcedureLongPassesOnWithCallWindowProc) {
  recorder.handler = [](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_APP + 1) return false;
    *result = static_cast<LRESULT>(wParam);
    return true;
  };
  HWND hwnd = Make();
  g_previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  ASSERT_NE(g_previous, nullptr);
  EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&SubclassProc));
  EXPECT_EQ(SendMessage(hwnd, WM_APP + 1, 4, 0), 50);
  EXPECT_EQ(g_subclassSaw, 1);
  // Messages the subclass does not keep reach the class's procedure.
  recorder.messages.clear();
  SendMessage(hwnd, WM_APP + 2, 0, 0);
  EXPECT_EQ(recorder.messages, std::vector<UINT>{WM_APP + 2});

  SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
  EXPECT_EQ(SendMessage(hwnd, WM_APP + 1, 4, 0), 4);
  EXPECT_EQ(g_subclassSaw, 1);
}

TEST_F(Win32Window, PropertiesCaptionsAndStylesRoundTrip) {
  HWND hwnd = Make(WS_POPUP, WS_EX_TOOLWINDOW);
  int value = 0;
  EXPECT_TRUE(SetProp(hwnd, u"Lumora.Owner", &value));
  EXPECT_EQ(GetProp(hwnd, u"LUMORA.OWNER"), &value);
  EXPECT_EQ(RemoveProp(hwnd, u"Lumora.Owner"), &value);
  EXPECT_EQ(GetProp(hwnd, u"Lumora.Owner"), nullptr);

  const std::u16string caption = u"LumoraMorvaine 游戏已经打开";
  EXPECT_TRUE(SetWindowText(hwnd, caption.c_str()));
  EXPECT_EQ(GetWindowText(hwnd), caption);
  EXPECT_EQ(GetWindowTextLength(hwnd), static_cast<int>(caption.size()));
  // A short buffer takes what fits, terminated.
  std::u16string shortBuffer(6, u'x');
  EXPECT_EQ(GetWindowText(hwnd, shortBuffer.data(), 6), 5);
  EXPECT_EQ(shortBuffer, std::u16string(u"Lumor") + u'\0');
  EXPECT_EQ(FindWindow(TestClass(), caption.c_str()), hwnd);

  EXPECT_TRUE(GetWindowLong(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLong(hwnd, GWL_STYLE) & WS_POPUP);
  DWORD process = 0;
  EXPECT_NE(GetWindowThreadProcessId(hwnd, &process), 0u);
  EXPECT_NE(process, 0u);
}

TEST_F(Win32Window, GeometryOfChildrenIsInTheirParentsClientArea) {
  HWND parent = Make(WS_POPUP, 0, {200, 150, 400, 300});
  HWND child = CreateWindowEx(0, TestClass(), u"", WS_CHILD | WS_VISIBLE, 10, 20, 50, 40, parent, nullptr,
                              Self(), nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), parent);
  EXPECT_EQ(GetAncestor(child, GA_ROOT), parent);
  EXPECT_TRUE(IsChild(parent, child));
  RECT rect;
  ASSERT_TRUE(GetWindowRect(child, &rect));
  EXPECT_EQ(rect, (RECT{210, 170, 260, 210}));
  ASSERT_TRUE(GetClientRect(child, &rect));
  EXPECT_EQ(rect, (RECT{0, 0, 50, 40}));
  POINT point{5, 5};
  ASSERT_TRUE(ClientToScreen(child, &point));
  EXPECT_EQ(point, (POINT{215, 175}));
  POINT mapped{1, 2};
  MapWindowPoints(child, parent, &mapped, 1);
  EXPECT_EQ(mapped, (POINT{11, 22}));
  EXPECT_TRUE(SetWindowPos(child, nullptr, 30, 35, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  GetWindowRect(child, &rect);
  EXPECT_EQ(rect, (RECT{230, 185, 280, 225}));

  MONITORINFO info;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST), &info));
  EXPECT_GT(info.rcMonitor.right - info.rcMonitor.left, 0);
  EXPECT_TRUE(info.dwFlags & MONITORINFOF_PRIMARY);
}

TEST_F(Win32Window, RegionsCutRoundedCornersAndTheWindowOwnsItsRegion) {
  HRGN round = CreateRoundRectRgn(0, 0, 40, 30, 10, 10);
  ASSERT_NE(round, nullptr);
  EXPECT_FALSE(PtInRegion(round, 0, 0));
  EXPECT_TRUE(PtInRegion(round, 20, 15));
  EXPECT_FALSE(PtInRegion(round, 40, 15));  // the right edge is left out
  RECT box;
  EXPECT_EQ(GetRgnBox(round, &box), COMPLEXREGION);
  HWND hwnd = Make();
  EXPECT_NE(SetWindowRgn(hwnd, round, FALSE), 0);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(hwnd, copy), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(copy, 0, 0));
  DeleteObject(copy);
  HWND plain = Make();
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(plain, none), RGN_ERROR);
  DeleteObject(none);
}

// ---------------------------------------------------------------------------
// The queue

TEST_F(Win32Window, SentMessagesAreHandledAtOncePostedOnesWhenRetrieved) {
  std::vector<std::pair<UINT, WPARAM>> handled;
  recorder.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message < WM_APP) return false;
    handled.emplace_back(message, wParam);
    *result = lParam * 2;
    return true;
  };
  HWND hwnd = Make();
  EXPECT_TRUE(PostMessage(hwnd, WM_APP, 1, 0));
  EXPECT_EQ(SendMessage(hwnd, WM_APP, 2, 21), 42);
  ASSERT_EQ(handled.size(), 1u);
  EXPECT_EQ(handled[0].second, 2u);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, hwnd, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.wParam, 1u);
  DispatchMessage(&msg);
  ASSERT_EQ(handled.size(), 2u);

  // Posting to no window fails with the window error.
  HWND gone = Make();
  DestroyWindow(gone);
  SetLastError(0);
  EXPECT_FALSE(PostMessage(gone, WM_APP, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

  // Thread messages carry no window; WM_QUIT ends GetMessage with its code.
  PostMessage(nullptr, WM_APP + 3, 7, 0);
  PostQuitMessage(3);
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.message, WM_APP + 3u);
  EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

std::vector<UINT_PTR> g_timerProcIds;
void TimerProc(HWND, UINT, UINT_PTR id, DWORD) { g_timerProcIds.push_back(id); }

TEST_F(Win32Window, TimersFireUntilKilledAndTimerProcsAreCalled) {
  std::vector<WPARAM> fired;
  recorder.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_TIMER) fired.push_back(wParam);
    return false;
  };
  HWND hwnd = Make();
  EXPECT_NE(SetTimer(hwnd, 7, 10, nullptr), 0u);
  EXPECT_TRUE(PumpUntil([&] { return fired.size() >= 2; }));
  EXPECT_TRUE(std::all_of(fired.begin(), fired.end(), [](WPARAM id) { return id == 7; }));
  EXPECT_TRUE(KillTimer(hwnd, 7));
  PumpAll();
  fired.clear();
  PumpUntil([] { return false; }, 60);
  EXPECT_TRUE(fired.empty());
  EXPECT_FALSE(KillTimer(hwnd, 7));

  g_timerProcIds.clear();
  const UINT_PTR id = SetTimer(nullptr, 0, 10, TimerProc);
  ASSERT_NE(id, 0u);
  EXPECT_TRUE(PumpUntil([] { return !g_timerProcIds.empty(); }));
  KillTimer(nullptr, id);
  EXPECT_EQ(g_timerProcIds.front(), id);
}

// ---------------------------------------------------------------------------
// Painting and pixels

// Premultiplied BGRA pixels of `width` x `height`, filled by `colour(x, y)`.
struct Pixels {
  Pixels(int width, int height, const std::function<std::uint32_t(int, int)>& colour)
      : width(width), height(height), bytes(static_cast<std::size_t>(width) * height * 4) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t c = colour(x, y);
        std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * width + x) * 4];
        p[0] = c & 0xFF;
        p[1] = (c >> 8) & 0xFF;
        p[2] = (c >> 16) & 0xFF;
        p[3] = (c >> 24) & 0xFF;
      }
    }
  }
  PixelView View(DeviceScale scale = DeviceScale()) const {
    return PixelView(bytes.data(), width, height, width * 4, scale);
  }
  int width;
  int height;
  std::vector<std::uint8_t> bytes;
};

// Straight RGBA of a picture's pixel as 0xAARRGGBB.
std::uint32_t At(const WindowPicture& picture, int x, int y) {
  const std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4];
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

TEST_F(Win32Window, ABlockBlittedIntoTheWindowIsWhatItsSnapshotShows) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, 0, {60, 60, 100, 90});
  PumpAll();
  // Left half red, right half blue, with a green square at (30, 10)-(34, 14)
  // of the source that lands at (2, 2) of the window.
  const Pixels source(48, 32, [](int x, int y) -> std::uint32_t {
    if (x >= 30 && x < 34 && y >= 10 && y < 14) return 0xFF00FF00;
    return x < 24 ? 0xFFFF0000 : 0xFF0000FF;
  });
  ASSERT_TRUE(BitBltToWindow(hwnd, 0, 0, 40, 30, source.View(), 0, 0));
  ASSERT_TRUE(BitBltToWindow(hwnd, 2, 2, 4, 4, source.View(), 30, 10));
  const WindowPicture picture = WindowAppearance(hwnd);
  ASSERT_EQ(picture.width, 40);
  ASSERT_EQ(picture.height, 30);
  EXPECT_EQ(At(picture, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(At(picture, 2, 2), 0xFF00FF00u);
  EXPECT_EQ(At(picture, 5, 5), 0xFF00FF00u);
  EXPECT_EQ(At(picture, 6, 6), 0xFFFF0000u);
  EXPECT_EQ(At(picture, 30, 20), 0xFF0000FFu);
  EXPECT_EQ(At(picture, 39, 29), 0xFF0000FFu);

  // A block reaching past the source is clipped to it: nothing beyond the
  // source's right edge is drawn, and the part inside lands where it belongs.
  const Pixels white(8, 8, [](int, int) { return 0xFFFFFFFFu; });
  ASSERT_TRUE(BitBltToWindow(hwnd, 10, 10, 20, 20, white.View(), 4, 4));
  const WindowPicture clipped = WindowAppearance(hwnd);
  EXPECT_EQ(At(clipped, 10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(At(clipped, 13, 13), 0xFFFFFFFFu);
  EXPECT_EQ(At(clipped, 14, 14), 0xFFFF0000u);

  // Offsets and sizes at the ends of the int range clip rather than wrap.
  const Pixels dark(8, 8, [](int, int) { return 0xFF000000u; });
  EXPECT_TRUE(BitBltToWindow(hwnd, 0, 0, INT_MAX, INT_MAX, white.View(), 4, 4));
  EXPECT_TRUE(BitBltToWindow(hwnd, 0, 0, 4, 4, white.View(), INT_MIN, INT_MIN));
  BitBltToWindow(hwnd, INT_MAX - 2, INT_MAX - 2, 8, 8, dark.View(), 0, 0);  // far outside: nothing lands
  const WindowPicture edges = WindowAppearance(hwnd);
  EXPECT_EQ(At(edges, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(At(edges, 3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(At(edges, 39, 29), 0xFF0000FFu);

  // A source at scale 2 is placed by its logical size.
  const Pixels dense(8, 8, [](int x, int) { return x < 4 ? 0xFF000000u : 0xFFFFFFFFu; });
  ASSERT_TRUE(BitBltToWindow(hwnd, 20, 0, 4, 4, dense.View(DeviceScale(2)), 0, 0));
  const WindowPicture scaled = WindowAppearance(hwnd);
  EXPECT_EQ(At(scaled, 20, 1), 0xFF000000u);
  EXPECT_EQ(At(scaled, 23, 1), 0xFFFFFFFFu);
  EXPECT_EQ(At(scaled, 24, 1), 0xFF0000FFu);

  // Bad input is refused with the errors Win32 code checks.
  SetLastError(0);
  EXPECT_FALSE(BitBltToWindow(hwnd, 0, 0, 4, 4, PixelView(), 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(BitBltToWindow(hwnd, 0, 0, 4, 4, PixelView(source.bytes.data(), 48, 32, 100), 0, 0));
  HWND gone = Make();
  DestroyWindow(gone);
  EXPECT_FALSE(BitBltToWindow(gone, 0, 0, 4, 4, source.View(), 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

  // Snapshots are of top-level windows, written as PNG files.
  testsupport::TempDir dir;
  const std::filesystem::path png = dir.path() / "window.png";
  ASSERT_TRUE(SnapshotWindow(hwnd, png));
  std::ifstream file(png, std::ios::binary);
  std::string signature(4, '\0');
  file.read(signature.data(), 4);
  EXPECT_EQ(signature, "\x89PNG");
  HWND child =
      CreateWindowEx(0, TestClass(), u"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, hwnd, nullptr, Self(), nullptr);
  EXPECT_EQ(WindowAppearance(child).width, 0);
  EXPECT_FALSE(SnapshotWindow(child, dir.path() / "child.png"));
}

TEST_F(Win32Window, LayeredWindowsShowPerPixelFramesUntilTheyTakeConstantAttributes) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, WS_EX_LAYERED, {300, 300, 310, 310});
  // Half transparent premultiplied red on the left, opaque blue on the right.
  const Pixels frame(24, 16, [](int x, int) { return x < 12 ? 0x80800000u : 0xFF0000FFu; });
  const POINT at{320, 330};
  ASSERT_TRUE(UpdateLayeredWindow(hwnd, &at, frame.View(), 255));
  RECT rect;
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect, (RECT{320, 330, 344, 346}));
  const WindowPicture picture = WindowAppearance(hwnd);
  ASSERT_EQ(picture.width, 24);
  EXPECT_EQ(At(picture, 0, 0), 0x80FF0000u);
  EXPECT_EQ(At(picture, 20, 10), 0xFF0000FFu);

  // With constant attributes the window shows what it paints, and per-pixel
  // frames are refused, as Windows refuses them.
  ASSERT_TRUE(SetLayeredWindowAttributes(hwnd, 0, 128, LWA_ALPHA));
  COLORREF key = 1;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, LWA_ALPHA);
  EXPECT_FALSE(UpdateLayeredWindow(hwnd, nullptr, frame.View(), 255));

  // Windows without the layered style take neither.
  HWND plain = Make();
  EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 128, LWA_ALPHA));
  EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, frame.View(), 255));
  EXPECT_FALSE(UpdateLayeredWindow(hwnd, nullptr, PixelView(), 255));
}

TEST_F(Win32Window, AFrameIsToldDrawnOnceItsFirstPaintHasBeenHandled) {
  int painted = 0;
  recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT ps;
    EXPECT_NE(BeginPaint(hwnd, &ps), nullptr);
    ++painted;
    EndPaint(hwnd, &ps);
    *result = 0;
    return true;
  };
  std::vector<HWND> observed;
  SetFrameDrawnObserver([&](HWND hwnd) { observed.push_back(hwnd); });
  HWND hwnd = Make(WS_POPUP);
  int once = 0;
  int paintsWhenRun = -1;
  WhenFrameDrawn(hwnd, [&] {
    ++once;
    paintsWhenRun = painted;
  });
  PumpAll();
  EXPECT_EQ(once, 0);  // hidden: nothing painted

  ShowWindow(hwnd, SW_SHOWNA);
  UpdateWindow(hwnd);
  PumpAll();
  EXPECT_EQ(once, 1);
  EXPECT_EQ(paintsWhenRun, 1);
  ASSERT_FALSE(observed.empty());
  EXPECT_EQ(observed.front(), hwnd);

  // Later frames reach the observer, not the one-shot waiter again.
  const std::size_t before = observed.size();
  InvalidateRect(hwnd, nullptr, FALSE);
  PumpUntil([&] { return observed.size() > before; });
  EXPECT_GT(observed.size(), before);
  EXPECT_EQ(once, 1);

  // A waiter whose window goes first is dropped unrun.
  HWND other = Make(WS_POPUP);
  int dropped = 0;
  WhenFrameDrawn(other, [&] { ++dropped; });
  DestroyWindow(other);
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  EXPECT_EQ(dropped, 0);
  SetFrameDrawnObserver(nullptr);
}

// ---------------------------------------------------------------------------
// Colours, icons, clipboard, boxes, tooltips, date fields

TEST_F(Win32Window, BrushesCarryTheirColourAndSystemColoursNameThemselves) {
  HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
  COLORREF colour = 0;
  ASSERT_TRUE(GetBrushColor(brush, &colour));
  EXPECT_EQ(colour, RGB(0x12, 0x34, 0x56));
  EXPECT_TRUE(DeleteObject(brush));
  ASSERT_TRUE(GetBrushColor(reinterpret_cast<HBRUSH>(std::uintptr_t{COLOR_WINDOW + 1}), &colour));
  EXPECT_EQ(colour, GetSysColor(COLOR_WINDOW));
  int notABrush = 0;
  EXPECT_FALSE(GetBrushColor(reinterpret_cast<HBRUSH>(&notABrush), &colour));

  HWND hwnd = Make();
  HDC dc = GetDC(hwnd);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(WindowFromDC(dc), hwnd);
  SetTextColor(dc, RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
  EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
  SetBkMode(dc, TRANSPARENT);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  ReleaseDC(hwnd, dc);
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::string*>(context);
  out->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::string PngOf(int side, std::uint32_t rgba) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(side) * side, rgba);
  std::string png;
  stbi_write_png_to_func(AppendBytes, &png, side, side, 4, pixels.data(), side * 4);
  return png;
}

TEST_F(Win32Window, IconsAreMadeFromTheBestFittingImageOfTheirGroup) {
  static const std::string small = PngOf(16, 0xFF0000FF);
  static const std::string large = PngOf(32, 0xFF00FF00);
  static const unsigned char kGroup[] = {
      0,  0,  1, 0, 2, 0,                                 //
      16, 16, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 0x31, 0x4E,  // 16x16 → icon 20017
      32, 32, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 0x32, 0x4E,  // 32x32 → icon 20018
  };
  RegisterResource(nullptr, 20017, RT_ICON, small.data(), small.size());
  RegisterResource(nullptr, 20018, RT_ICON, large.data(), large.size());
  RegisterResource(nullptr, 20140, RT_GROUP_ICON, kGroup, sizeof kGroup);

  auto icon = static_cast<HICON>(LoadImage(nullptr, 20140, IMAGE_ICON, 30, 30, LR_DEFAULTCOLOR));
  ASSERT_NE(icon, nullptr);
  ICONDETAILS details;
  ASSERT_TRUE(GetIconDetails(icon, &details));
  EXPECT_EQ(details.image.id, 20018);
  EXPECT_EQ(details.width, 30);
  HWND hwnd = Make();
  SendMessage(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  EXPECT_EQ(SendMessage(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
  DestroyWindow(hwnd);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconDetails(icon, &details));

  auto smallIcon = static_cast<HICON>(LoadImage(nullptr, 20140, IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(smallIcon, nullptr);
  ASSERT_TRUE(GetIconDetails(smallIcon, &details));
  EXPECT_EQ(details.image.id, 20017);
  DestroyIcon(smallIcon);

  // Nothing to make an icon of, or no size: no icon.
  EXPECT_EQ(LoadImage(nullptr, 20141, IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_EQ(LoadImage(nullptr, 20140, IMAGE_ICON, 0, 16, 0), nullptr);
  EXPECT_EQ(LoadImage(nullptr, 20140, IMAGE_BITMAP, 16, 16, 0), nullptr);
  static const char kJunk[] = "not an image";
  RegisterResource(nullptr, 20017, RT_ICON, kJunk, sizeof kJunk);
  EXPECT_EQ(LoadImage(nullptr, 20140, IMAGE_ICON, 16, 16, 0), nullptr);
  UnregisterResource(nullptr, 20140, RT_GROUP_ICON);
  UnregisterResource(nullptr, 20017, RT_ICON);
  UnregisterResource(nullptr, 20018, RT_ICON);
}

std::string Bytes(HRSRC found) {
  const void* data = LockResource(LoadResource(nullptr, found));
  if (data == nullptr) return "<none>";
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

TEST_F(Win32Window, ModuleResourcesAreFoundAndRegistrationsComeFirst) {
  // Win32WindowTest.rc compiles these into the program.
  HRSRC data = FindResource(nullptr, 9201, 10 /* RT_RCDATA */);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(Bytes(data), "module bytes");
  HRSRC zip = FindResource(ExecutableModule(), 9202, u"zipres");
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(Bytes(zip), "zip");
  EXPECT_EQ(FindResource(nullptr, u"#9202", u"ZIPRES"), zip);
  EXPECT_EQ(FindResource(nullptr, 9203, u"ZIPRES"), nullptr);

  static const char kOverride[] = "registered";
  RegisterResource(nullptr, 9202, u"ZIPRES", kOverride, sizeof kOverride - 1);
  HRSRC registered = FindResource(nullptr, 9202, u"ZIPRES");
  EXPECT_EQ(Bytes(registered), "registered");
  UnregisterResource(nullptr, 9202, u"ZIPRES");
  EXPECT_EQ(Bytes(FindResource(nullptr, 9202, u"ZIPRES")), "zip");

  // Handles that name nothing are refused rather than followed.
  EXPECT_EQ(LoadResource(nullptr, registered), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, registered), 0u);
  static char notAModule;
  EXPECT_EQ(FindResource(reinterpret_cast<HMODULE>(&notAModule), 9201, 10), nullptr);
  EXPECT_EQ(LoadResource(reinterpret_cast<HMODULE>(&notAModule), data), nullptr);
}

TEST_F(Win32Window, ClipboardTextRoundTrips) {
  const std::u16string text = u"copy 复制 \U0001F600";
  SetClipboardText(text);
  EXPECT_EQ(GetClipboardText(), text);
  SetClipboardText(u"");
  EXPECT_EQ(GetClipboardText(), u"");
}

TEST_F(Win32Window, TheAnswererAnswersBoxesWhileTheOwnerIsDisabled) {
  HWND owner = Make(WS_POPUP | WS_VISIBLE);
  HWND child =
      CreateWindowEx(0, TestClass(), u"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, owner, nullptr, Self(), nullptr);
  std::vector<std::u16string> asked;
  bool ownerWasEnabled = true;
  HWND askedOwner = nullptr;
  int answer = IDNO;
  SetMessageBoxAnswerer([&](HWND top, std::u16string_view text, std::u16string_view caption, UINT) {
    asked.emplace_back(std::u16string(caption) + u"|" + std::u16string(text));
    askedOwner = top;
    ownerWasEnabled = IsWindowEnabled(top);
    return std::optional<int>(answer);
  });
  EXPECT_EQ(MessageBox(child, u"Leave?", u"Morvaine", MB_YESNO), IDNO);
  EXPECT_EQ(askedOwner, owner);
  EXPECT_FALSE(ownerWasEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], u"Morvaine|Leave?");
  // An answer the box has no button for becomes its default button.
  answer = IDRETRY;
  EXPECT_EQ(MessageBox(owner, u"x", nullptr, MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(asked.back(), u"Error|x");
  EXPECT_EQ(MessageBox(nullptr, u"x", u"y", MB_OK), IDOK);
  SetMessageBoxAnswerer(nullptr);

  HWND gone = Make();
  DestroyWindow(gone);
  SetLastError(0);
  EXPECT_EQ(MessageBox(gone, u"x", u"y", MB_OK), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Win32Window, TooltipsReportTheirTrackingToolsText) {
  HWND owner = Make(WS_POPUP | WS_VISIBLE, 0, {100, 100, 300, 200});
  HWND tip = CreateWindowEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                            0, 0, 0, 0, owner, nullptr, Self(), nullptr);
  ASSERT_NE(tip, nullptr);
  windows.push_back(tip);
  std::u16string text = u"提示 tip";
  TOOLINFOW tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = owner;
  tool.uId = 1;
  tool.lpszText = text.data();
  ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tool)));
  SendMessage(tip, TTM_SETMAXTIPWIDTH, 0, 250);
  SendMessage(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(150, 160));
  SendMessage(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  PumpAll();
  TooltipState state;
  ASSERT_TRUE(GetTooltipState(tip, &state));
  EXPECT_TRUE(state.shown);
  EXPECT_EQ(state.text, text);
  EXPECT_EQ(state.toolCount, 1);
  EXPECT_EQ(state.maxWidth, 250);

  SendMessage(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  ASSERT_TRUE(GetTooltipState(tip, &state));
  EXPECT_FALSE(state.shown);
  EXPECT_FALSE(GetTooltipState(owner, &state));
}

TEST_F(Win32Window, DateFieldsAreTheSystemsAndKeepTheirDate) {
  HWND owner = Make();
  HWND field = CreateWindowEx(0, DATETIMEPICK_CLASS, u"", WS_CHILD | WS_VISIBLE | DTS_SHORTDATEFORMAT, 0, 0,
                              120, 24, owner, nullptr, Self(), nullptr);
  ASSERT_NE(field, nullptr);
  SYSTEMTIME date;
  date.wYear = 2024;
  date.wMonth = 2;
  date.wDay = 29;
  ASSERT_TRUE(SendMessage(field, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date)));
  SYSTEMTIME read;
  EXPECT_EQ(SendMessage(field, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&read)), GDT_VALID);
  EXPECT_EQ(read.wYear, 2024);
  EXPECT_EQ(read.wMonth, 2);
  EXPECT_EQ(read.wDay, 29);
  EXPECT_EQ(read.wDayOfWeek, DayOfWeek(2024, 2, 29));
}

// ---------------------------------------------------------------------------
// Input

TEST_F(Win32Window, InjectedClicksAndTextArriveAsAPlayersWould) {
  std::vector<std::pair<UINT, LPARAM>> mouse;
  std::u16string typed;
  recorder.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) mouse.emplace_back(message, lParam);
    if (message == WM_CHAR) typed += static_cast<char16_t>(wParam);
    return false;
  };
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, 0, {400, 200, 500, 260});
  SetForegroundWindow(hwnd);
  SetFocus(hwnd);
  PumpAll();
  inject::Click(POINT{410, 215});
  ASSERT_TRUE(PumpUntil([&] { return mouse.size() >= 2; }));
  EXPECT_EQ(mouse[0].first, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(GET_X_LPARAM(mouse[0].second), 10);
  EXPECT_EQ(GET_Y_LPARAM(mouse[0].second), 15);
  EXPECT_EQ(mouse[1].first, static_cast<UINT>(WM_LBUTTONUP));
  POINT cursor;
  ASSERT_TRUE(GetCursorPos(&cursor));
  EXPECT_EQ(cursor, (POINT{410, 215}));

  inject::Text(u"hé");
  EXPECT_TRUE(PumpUntil([&] { return typed.size() >= 2; }));
  EXPECT_EQ(typed, u"hé");
  EXPECT_EQ(CursorShapeOf(LoadCursor(nullptr, IDC_HAND)), CursorShape::Hand);
  EXPECT_EQ(CursorShapeOf(nullptr), CursorShape::None);
}

TEST_F(Win32Window, CaptureAndFocusChangesAreToldToTheWindowsThatLoseThem) {
  HWND a = Make(WS_POPUP | WS_VISIBLE, 0, {100, 400, 160, 440});
  HWND b =
      CreateWindowEx(0, TestClass(), u"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a, nullptr, Self(), nullptr);
  std::vector<std::pair<HWND, UINT>> told;
  recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CAPTURECHANGED || message == WM_SETFOCUS || message == WM_KILLFOCUS)
      told.emplace_back(hwnd, message);
    return false;
  };
  SetForegroundWindow(a);
  SetFocus(a);
  EXPECT_EQ(GetFocus(), a);
  told.clear();
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(told, (std::vector<std::pair<HWND, UINT>>{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}));

  told.clear();
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(GetCapture(), a);
  SetCapture(b);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(told, (std::vector<std::pair<HWND, UINT>>{{a, WM_CAPTURECHANGED}, {b, WM_CAPTURECHANGED}}));
}

TEST_F(Win32Window, ALeaveIsToldOnceThePointerLeavesATrackedWindow) {
  int leaves = 0;
  recorder.handler = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_MOUSELEAVE) ++leaves;
    return false;
  };
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE, 0, {600, 500, 660, 540});
  inject::MouseMove(POINT{610, 510});
  PumpAll();
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = hwnd;
  ASSERT_TRUE(TrackMouseEvent(&track));
  inject::PointerLeave();
  EXPECT_TRUE(PumpUntil([&] { return leaves == 1; }));
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_NE(WindowFromPoint(cursor), hwnd);
  PumpAll();
  EXPECT_EQ(leaves, 1);
}

TEST_F(Win32Window, InputContextsKeepTheirCompositionWindow) {
  HWND hwnd = Make(WS_POPUP | WS_VISIBLE);
  HIMC context = ImmGetContext(hwnd);
  ASSERT_NE(context, nullptr);
  COMPOSITIONFORM form;
  form.dwStyle = CFS_POINT;
  form.ptCurrentPos = POINT{12, 7};
  EXPECT_TRUE(ImmSetCompositionWindow(context, &form));
  COMPOSITIONFORM read;
  ASSERT_TRUE(ImmGetCompositionWindow(context, &read));
  EXPECT_EQ(read.dwStyle, CFS_POINT);
  EXPECT_EQ(read.ptCurrentPos, (POINT{12, 7}));
  EXPECT_FALSE(ImmSetCompositionWindow(context, nullptr));
  EXPECT_EQ(ImmGetCompositionString(context, 0x1234), u"");
  EXPECT_TRUE(ImmReleaseContext(hwnd, context));
}

TEST_F(Win32Window, ARestartDestroysTheThreadsWindowsAndWhatWasPostedToThem) {
  EXPECT_EQ(CurrentBackendName(), "win32");
  EXPECT_TRUE(StartConfiguredBackend());
  HWND owner = Make();
  HWND owned = CreateWindowEx(0, TestClass(), u"", WS_POPUP, 0, 0, 10, 10, owner, nullptr, Self(), nullptr);
  HWND other = Make();
  PostMessage(other, WM_APP + 9, 0, 0);
  RestartWindowSystem();
  EXPECT_FALSE(IsWindow(owner));
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_FALSE(IsWindow(other));
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_APP + 9, WM_APP + 9, PM_REMOVE));
}

}  // namespace
}  // namespace os
