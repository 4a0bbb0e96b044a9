// gtk_probe: a small program on the gtk backend for the end-to-end scripts.
// It shows one top-level window (a caption strip, a painted body, a
// button-like area, optionally transparent rounded corners and an edit
// widget) and prints every message of interest to stdout, one per line. A
// second instance finds the first one's window and talks to it.
//
//   gtk_probe [--caption TEXT] [--rect X,Y,W,H] [--layered] [--region] [--sizable] [--edit]
//             [--date] [--thread-post MS] [--hold-first-frame MS] [--grow-before-show] [--no-paint]
//   gtk_probe --find CAPTION (--post MSG WPARAM LPARAM | --close)
//   gtk_probe --find-pid PID
//
// Keys in the window: F2 message box, F3 tooltip, F5 minimise, F6 maximise,
// F7 restore, F8 focus the edit, F9 select the edit's first five units, F11
// make the edit read-only, Escape close. With --date a date picker lies at
// (20, 240), 160x26, on 2025-03-14, and its notifications are printed. With
// --hold-first-frame the program stops for that long when the window system
// says the window's first frame reached the desktop (FIRST_FRAME before);
// with --grow-before-show the window is made small and given its size before
// it is shown, as windows that take their size from a skin are. With
// --no-paint the window never presents pixels of its own (its WM_PAINT only
// validates), as a window left to DefWindowProc does.
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gtk/Gtk.h"
#include "platform/syscontrols/DatePicker.h"
#include "platform/syscontrols/Edit.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/syscontrols/Tooltip.h"
#include "platform/window/Backend.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "support/ProcessWindow.h"

using namespace os;

namespace {

constexpr int kCaptionHeight = 32;
constexpr int kBorder = 6;
constexpr int kCorner = 24;
constexpr std::uint32_t kCaptionColour = 0xFF1B2A3A;
constexpr std::uint32_t kBodyColour = 0xFF2A6FB0;
// The body colour at half coverage, premultiplied: a layered window's band
// that only a compositor can blend with what lies beneath.
constexpr std::uint32_t kHalfBodyColour = 0x80153758;
constexpr std::uint32_t kButtonColour = 0xFFE0A020;
// Posted from another thread.
constexpr UINT kThreadMessage = WM_USER + 77;

struct Options {
  std::u16string caption = u"Lumora Probe";
  RECT rect{200, 150, 600, 450};
  bool layered = false;
  bool region = false;
  bool sizable = false;
  bool edit = false;
  bool date = false;
  int threadPostMs = 0;
  int holdFirstFrameMs = 0;
  bool growBeforeShow = false;
  bool noPaint = false;
};

Options gOptions;
HWND gMain = nullptr;
HWND gEdit = nullptr;
HWND gDate = nullptr;
HWND gTooltip = nullptr;
bool gTracking = false;

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::putchar('\n');
  std::fflush(stdout);
}

int X(LPARAM l) { return static_cast<short>(LOWORD(l)); }
int Y(LPARAM l) { return static_cast<short>(HIWORD(l)); }

RECT ButtonRect(int width) { return RECT{width - 110, 60, width - 20, 100}; }

// The window's picture: caption strip, body, the button; corners left
// transparent and a half-covered band when the window is layered. A layered
// window's frame is made as the launcher's are, in memory the X server
// shares: its first frame reaches the screen from there.
Bitmap Picture(int width, int height) {
  Bitmap b = gOptions.layered ? NewLayeredFrame(width, height, DeviceScale(1)) : Bitmap(width, height);
  if (!b.IsValid()) return b;
  const RECT button = ButtonRect(width);
  WindowShape corners;
  corners.rect = RECT{0, 0, width, height};
  corners.ellipseWidth = corners.ellipseHeight = 2 * kCorner;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = b.Row(y);
    for (int x = 0; x < width; ++x) {
      std::uint32_t c = y < kCaptionHeight ? kCaptionColour : kBodyColour;
      if (x >= button.left && x < button.right && y >= button.top && y < button.bottom) c = kButtonColour;
      if (gOptions.layered && x >= 40 && x < 140 && y >= height - 60 && y < height - 40) c = kHalfBodyColour;
      if (gOptions.layered && !corners.Contains(x, y)) c = 0;
      row[x] = c;
    }
  }
  b.MarkDirty();
  return b;
}

void PresentLayered(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  Bitmap b = Picture(r.right - r.left, r.bottom - r.top);
  if (!b.IsValid()) return;
  const BitmapView v = b.View();
  UpdateLayeredWindow(hwnd, nullptr, PixelView{v.data, v.width, v.height, v.stride}, 255);
}

// --- the edit field: the system "Edit" class, subclassed --------------------

WNDPROC gEditProc = nullptr;

LRESULT OS_STDCALL EditSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    Say("EDIT_RETURN %s", Utf16ToUtf8(GetWindowText(hwnd)).c_str());
    return 0;
  }
  if (message == WM_KEYDOWN && wParam == VK_TAB) {
    Say("EDIT_TAB");
    SetFocus(GetParent(hwnd));
    return 0;
  }
  return CallWindowProc(gEditProc, hwnd, message, wParam, lParam);
}

// --- the main window ---------------------------------------------------------

LRESULT HitTest(HWND hwnd, LPARAM lParam) {
  POINT p{X(lParam), Y(lParam)};
  RECT r;
  GetWindowRect(hwnd, &r);
  p.x -= r.left;
  p.y -= r.top;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (gOptions.sizable) {
    const bool left = p.x < kBorder, right = p.x >= w - kBorder;
    const bool top = p.y < kBorder, bottom = p.y >= h - kBorder;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  return p.y < kCaptionHeight ? HTCAPTION : HTCLIENT;
}

void ShowProbeTooltip(HWND hwnd) {
  if (!gTooltip) {
    gTooltip = CreateWindowEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP, 0, 0, 0, 0, hwnd, nullptr,
                              nullptr, nullptr);
    TOOLINFOW ti;
    ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    ti.hwnd = hwnd;
    ti.uId = 1;
    std::u16string text = u"Probe tip";
    ti.lpszText = text.data();
    SendMessage(gTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  RECT r;
  GetWindowRect(hwnd, &r);
  TOOLINFOW ti;
  ti.hwnd = hwnd;
  ti.uId = 1;
  SendMessage(gTooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(r.left + 40, r.top + 120));
  SendMessage(gTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  Say("TOOLTIP %d %d", static_cast<int>(r.left + 40), static_cast<int>(r.top + 120));
}

LRESULT OS_STDCALL MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (gOptions.region) {
        RECT r;
        GetWindowRect(hwnd, &r);
        SetWindowRgn(
            hwnd,
            CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, 2 * kCorner, 2 * kCorner),
            FALSE);
      }
      return 0;
    case WM_NCHITTEST:
      return HitTest(hwnd, lParam);
    case WM_GETMINMAXINFO:
      if (gOptions.sizable) {
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
        mmi->ptMinTrackSize = POINT{200, 150};
        mmi->ptMaxTrackSize = POINT{520, 420};
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      if (!gOptions.layered && !gOptions.noPaint) {
        RECT r;
        GetClientRect(hwnd, &r);
        Bitmap b = Picture(r.right, r.bottom);
        const BitmapView v = b.View();
        if (b.IsValid())
          BitBltToWindow(hwnd, 0, 0, r.right, r.bottom, PixelView{v.data, v.width, v.height, v.stride}, 0, 0);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MOVE:
      Say("WM_MOVE %d %d", X(lParam), Y(lParam));
      return 0;
    case WM_SIZE:
      Say("WM_SIZE %d %d %d", static_cast<int>(wParam), X(lParam), Y(lParam));
      if (gOptions.layered && !gOptions.noPaint && wParam != SIZE_MINIMIZED) PresentLayered(hwnd);
      return 0;
    case WM_ACTIVATE:
      Say("WM_ACTIVATE %d", static_cast<int>(LOWORD(wParam)));
      break;
    case WM_SETFOCUS:
      Say("WM_SETFOCUS");
      return 0;
    case WM_KILLFOCUS:
      Say("WM_KILLFOCUS");
      return 0;
    case WM_MOUSEMOVE:
      if (!gTracking) {
        TRACKMOUSEEVENT t;
        t.dwFlags = TME_HOVER | TME_LEAVE;
        t.hwndTrack = hwnd;
        gTracking = TrackMouseEvent(&t) != FALSE;
      }
      return 0;
    case WM_MOUSEHOVER: {
      Say("WM_MOUSEHOVER %d %d", X(lParam), Y(lParam));
      // Hover again once the pointer rests somewhere else.
      TRACKMOUSEEVENT t;
      t.dwFlags = TME_HOVER | TME_LEAVE;
      t.hwndTrack = hwnd;
      TrackMouseEvent(&t);
      return 0;
    }
    case WM_MOUSELEAVE:
      Say("WM_MOUSELEAVE");
      gTracking = false;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const char* name = message == WM_LBUTTONDOWN   ? "WM_LBUTTONDOWN"
                         : message == WM_RBUTTONDOWN ? "WM_RBUTTONDOWN"
                                                     : "WM_LBUTTONDBLCLK";
      Say("%s %d %d", name, X(lParam), Y(lParam));
      RECT client;
      GetClientRect(hwnd, &client);
      const RECT button = ButtonRect(client.right);
      POINT p{X(lParam), Y(lParam)};
      if (message == WM_LBUTTONDOWN && PtInRect(&button, p)) Say("BUTTON_CLICK");
      // As a skinned window does: a click in the painting takes the focus.
      SetFocus(hwnd);
      return 0;
    }
    case WM_LBUTTONUP:
      Say("WM_LBUTTONUP %d %d", X(lParam), Y(lParam));
      return 0;
    case WM_NCLBUTTONDOWN:
      Say("WM_NCLBUTTONDOWN %d", static_cast<int>(wParam));
      break;
    case WM_NCLBUTTONDBLCLK:
      Say("WM_NCLBUTTONDBLCLK %d", static_cast<int>(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      Say("WM_MOUSEWHEEL %d", static_cast<int>(static_cast<short>(HIWORD(wParam))));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      Say("WM_KEYDOWN 0x%02X", static_cast<unsigned>(wParam & 0xFFFF));
      switch (wParam) {
        case VK_F2: {
          const int answer =
              MessageBox(hwnd, u"Probe question?", u"Probe Box", MB_OKCANCEL | MB_ICONQUESTION);
          Say("MessageBox -> %d", answer);
          return 0;
        }
        case VK_F3:
          ShowProbeTooltip(hwnd);
          return 0;
        case VK_F5:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
          return 0;
        case VK_F6:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
          return 0;
        case VK_F7:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
          return 0;
        case VK_F8:
          if (gEdit) SetFocus(gEdit);
          return 0;
        case VK_F9:
          if (gEdit) {
            SendMessage(gEdit, EM_SETSEL, 0, 5);
            DWORD from = 0, to = 0;
            SendMessage(gEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
            Say("EDIT_SELECTION %u %u", static_cast<unsigned>(from), static_cast<unsigned>(to));
          }
          return 0;
        case VK_F11:
          if (gEdit) SendMessage(gEdit, EM_SETREADONLY, TRUE, 0);
          return 0;
        case VK_ESCAPE:
          DestroyWindow(hwnd);
          return 0;
      }
      return 0;
    case WM_KEYUP:
      Say("WM_KEYUP 0x%02X", static_cast<unsigned>(wParam & 0xFFFF));
      return 0;
    case WM_CHAR:
      Say("WM_CHAR 0x%04X", static_cast<unsigned>(wParam));
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == gEdit) {
        if (HIWORD(wParam) == EN_CHANGE) Say("EN_CHANGE %s", Utf16ToUtf8(GetWindowText(gEdit)).c_str());
        if (HIWORD(wParam) == EN_SETFOCUS) Say("EDIT_FOCUS 1");
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom != gDate) return 0;
      if (header->code == DTN_DROPDOWN) Say("DTN_DROPDOWN");
      if (header->code == DTN_CLOSEUP) Say("DTN_CLOSEUP");
      if (header->code == DTN_DATETIMECHANGE) {
        const SYSTEMTIME& t = reinterpret_cast<const NMDATETIMECHANGE*>(lParam)->st;
        Say("DTN_DATETIMECHANGE %04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
      }
      return 0;
    }
    case WM_TIMER:
      Say("WM_TIMER %d", static_cast<int>(wParam));
      KillTimer(hwnd, wParam);
      return 0;
    case WM_SYSCOMMAND:
      Say("WM_SYSCOMMAND 0x%04X", static_cast<unsigned>(wParam & 0xFFF0));
      break;
    case WM_CLOSE:
      Say("WM_CLOSE");
      break;
    case WM_ENTERSIZEMOVE:
      Say("WM_ENTERSIZEMOVE");
      break;
    case WM_EXITSIZEMOVE:
      Say("WM_EXITSIZEMOVE");
      break;
    case WM_DESTROY:
      Say("WM_DESTROY");
      PostQuitMessage(0);
      return 0;
    default:
      if (message >= WM_USER) {
        Say("WM_USER_MESSAGE %u %lu %ld", message, static_cast<unsigned long>(wParam),
            static_cast<long>(lParam));
        return 0;
      }
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

// The launcher's icon group, made here: one 32x32 PNG.
void RegisterIcon() {
  static std::vector<std::uint8_t> png;
  static std::vector<std::uint8_t> group;
  Bitmap b(32, 32);
  b.Clear(0xFFE0A020);
  const std::string path = "/tmp/gtk_probe_icon_" + std::to_string(::getpid()) + ".png";
  if (!b.WritePng(path)) return;
  std::ifstream in(path, std::ios::binary);
  png.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  const auto size = static_cast<std::uint32_t>(png.size());
  group = {0,
           0,
           1,
           0,
           1,
           0,  // directory: icons, one entry
           32,
           32,
           0,
           0,
           1,
           0,
           32,
           0,
           static_cast<std::uint8_t>(size),
           static_cast<std::uint8_t>(size >> 8),
           static_cast<std::uint8_t>(size >> 16),
           static_cast<std::uint8_t>(size >> 24),
           1,
           0};
  RegisterResource(nullptr, 1, RT_ICON, png.data(), png.size());
  RegisterResource(nullptr, 115, RT_GROUP_ICON, group.data(), group.size());
}

bool ParseRect(const char* text, RECT* rect) {
  int x, y, w, h;
  if (std::sscanf(text, "%d,%d,%d,%d", &x, &y, &w, &h) != 4) return false;
  *rect = RECT{x, y, x + w, y + h};
  return true;
}

int FindMode(int argc, char** argv) {
  std::u16string caption;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--find") && i + 1 < argc) caption = Utf8ToUtf16(argv[++i]);
  }
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--find-pid") && i + 1 < argc) {
      const auto pid = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
      HWND found = FindProcessWindow(pid);
      if (!found) {
        Say("NOT_FOUND");
        return 1;
      }
      Say("FOUND_PID %s", Utf16ToUtf8(GetWindowText(found)).c_str());
      return 0;
    }
  }
  HWND found = FindWindow(nullptr, caption.c_str());
  if (!found) {
    Say("NOT_FOUND");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(found, &pid);
  Say("FOUND %lu", static_cast<unsigned long>(pid));
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--post") && i + 3 < argc) {
      const UINT message = static_cast<UINT>(std::strtoul(argv[i + 1], nullptr, 0));
      const auto wParam = static_cast<WPARAM>(std::strtoull(argv[i + 2], nullptr, 0));
      const auto lParam = static_cast<LPARAM>(std::strtoll(argv[i + 3], nullptr, 0));
      const BOOL ok = PostMessage(found, message, wParam, lParam);
      Say("POSTED %d", ok ? 1 : 0);
      return ok ? 0 : 1;
    }
    if (!std::strcmp(argv[i], "--close")) {
      // As the launcher asks a running copy to go.
      SendMessage(found, WM_SYSCOMMAND, SC_CLOSE, 0);
      Say("CLOSE_SENT");
      return 0;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  gtk::RegisterBackend();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--find" || a == "--find-pid") return FindMode(argc, argv);
    if (a == "--caption" && i + 1 < argc) {
      gOptions.caption = Utf8ToUtf16(argv[++i]);
    } else if (a == "--rect" && i + 1 < argc) {
      if (!ParseRect(argv[++i], &gOptions.rect)) return 2;
    } else if (a == "--layered") {
      gOptions.layered = true;
    } else if (a == "--region") {
      gOptions.region = true;
    } else if (a == "--sizable") {
      gOptions.sizable = true;
    } else if (a == "--edit") {
      gOptions.edit = true;
    } else if (a == "--date") {
      gOptions.date = true;
    } else if (a == "--no-paint") {
      gOptions.noPaint = true;
    } else if (a == "--grow-before-show") {
      gOptions.growBeforeShow = true;
    } else if (a == "--hold-first-frame" && i + 1 < argc) {
      gOptions.holdFirstFrameMs = std::atoi(argv[++i]);
    } else if (a == "--thread-post" && i + 1 < argc) {
      gOptions.threadPostMs = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  if (CurrentBackendName() != "gtk") {
    Say("NO_GTK");
    return 3;
  }
  RegisterIcon();

  WNDCLASSEXW wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = u"LumoraProbe";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassEx(&wc);

  const RECT& r = gOptions.rect;
  const DWORD exStyle = gOptions.layered ? WS_EX_LAYERED : 0;
  const int created = gOptions.growBeforeShow ? 40 : 0;
  gMain = CreateWindowEx(exStyle, u"LumoraProbe", gOptions.caption.c_str(), WS_POPUP | WS_CLIPCHILDREN, r.left,
                         r.top, created ? created : r.right - r.left, created ? created : r.bottom - r.top, nullptr,
                         nullptr, nullptr, nullptr);
  if (!gMain) return 4;
  if (created) SetWindowPos(gMain, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
  if (gOptions.edit) {
    gEdit = CreateWindowEx(0, WC_EDIT, u"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 20, 200, 220, 26, gMain,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(5)), nullptr, nullptr);
    if (!gEdit) return 5;
    SendMessage(gEdit, EM_LIMITTEXT, 12, 0);
    gEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(gEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditSubclass)));
  }
  if (gOptions.date) {
    gDate = CreateWindowEx(0, DATETIMEPICK_CLASS, u"", WS_CHILD | WS_VISIBLE, 20, 240, 160, 26, gMain,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(6)), nullptr, nullptr);
    if (!gDate) return 6;
    SYSTEMTIME day;
    day.wYear = 2025;
    day.wMonth = 3;
    day.wDay = 14;
    SendMessage(gDate, DTM_SETSYSTEMTIME, static_cast<WPARAM>(GDT_VALID), reinterpret_cast<LPARAM>(&day));
  }
  if (gOptions.holdFirstFrameMs > 0) {
    WhenFrameDrawn(gMain, [] {
      Say("FIRST_FRAME");
      std::this_thread::sleep_for(std::chrono::milliseconds(gOptions.holdFirstFrameMs));
    });
  }
  ShowWindow(gMain, SW_SHOWNORMAL);
  UpdateWindow(gMain);
  if (gOptions.layered && !gOptions.noPaint) PresentLayered(gMain);
  // A timer shows that time passes while the queue waits on GLib.
  SetTimer(gMain, 7, 300, nullptr);
  Say("READY %d", static_cast<int>(::getpid()));
  if (gOptions.threadPostMs > 0) {
    // Nothing else is due then: only the post can end the wait.
    std::thread([ms = gOptions.threadPostMs] {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      PostMessage(gMain, kThreadMessage, 1, 2);
    }).detach();
  }

  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  Say("QUIT %d", static_cast<int>(msg.wParam));
  return static_cast<int>(msg.wParam);
}
