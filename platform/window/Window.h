// Windows of the platform layer: classes and procedures, creation and
// destruction, the default window procedure, window longs and properties,
// geometry and show state, the window tree, captions, monitors and window
// regions. Behaviour follows Win32 (message order, default processing, the
// quirks callers rely on); the backend only supplies native surfaces.
//
// All functions belong to the UI thread, except PostMessage (MessageQueue.h),
// which any thread may call.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/LastError.h"
#include "platform/base/Types.h"
#include "platform/window/Messages.h"

namespace os {

using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;

struct HBRUSH__;
using HBRUSH = HBRUSH__*;

using WNDPROC = LRESULT(OS_STDCALL*)(HWND, UINT, WPARAM, LPARAM);
using WNDENUMPROC = BOOL(OS_STDCALL*)(HWND, LPARAM);

struct WNDCLASSEXW {
  UINT cbSize = sizeof(WNDCLASSEXW);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCWSTR lpszMenuName = nullptr;
  LPCWSTR lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};
using WNDCLASSEX = WNDCLASSEXW;

// lParam of WM_NCCREATE and WM_CREATE.
struct CREATESTRUCTW {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  LPCWSTR lpszName = nullptr;
  LPCWSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using CREATESTRUCT = CREATESTRUCTW;

// lParam of WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED.
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

// lParam of WM_NCCALCSIZE when wParam is TRUE: rgrc[0] is the proposed window
// rectangle on entry and the client rectangle on return (parent coordinates).
struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

// lParam of WM_GETMINMAXINFO.
struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

// lParam of WM_STYLECHANGING and WM_STYLECHANGED.
struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

// Header of WM_NOTIFY notifications.
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;

struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags = 0;
};

// ---------------------------------------------------------------------------
// Classes. Names compare without regard to case, as on Windows.
ATOM RegisterClassEx(const WNDCLASSEXW* wc);
BOOL UnregisterClass(LPCWSTR className, HINSTANCE instance);
// instance nullptr looks among the system classes (then global ones); any
// other instance looks among that instance's classes, then the global and
// system ones. Returns the class atom, 0 when absent.
BOOL GetClassInfoEx(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc);
int GetClassName(HWND hwnd, LPWSTR buffer, int maxCount);
std::u16string GetClassName(HWND hwnd);
ULONG_PTR GetClassLongPtr(HWND hwnd, int index);

// Registers a class that belongs to the platform itself (such as "Edit" or
// "tooltips_class32"): found by GetClassInfoEx(nullptr, ...), usable by every
// module, kept across headless resets. Returns the atom, 0 when the name exists.
ATOM RegisterSystemClass(const WNDCLASSEXW& wc);

// ---------------------------------------------------------------------------
// Creation and destruction
HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);

LRESULT OS_STDCALL DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Window longs: GWLP_WNDPROC (subclassing), GWLP_USERDATA, GWLP_ID,
// GWLP_HINSTANCE, GWLP_HWNDPARENT (the owner of a top-level window), GWL_STYLE,
// GWL_EXSTYLE, and byte offsets into the class's cbWndExtra.
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);

// Window properties; names compare without regard to case.
BOOL SetProp(HWND hwnd, LPCWSTR name, HANDLE data);
HANDLE GetProp(HWND hwnd, LPCWSTR name);
HANDLE RemoveProp(HWND hwnd, LPCWSTR name);

// ---------------------------------------------------------------------------
// Geometry. Rectangles of child windows are in their parent's client
// coordinates; those of top-level windows in screen coordinates.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
BOOL BringWindowToTop(HWND hwnd);

// Show state
// Showing or hiding a window whose parent is on screen also tells each
// descendant that is visible by itself: WM_SHOWWINDOW with lParam
// SW_PARENTOPENING or SW_PARENTCLOSING, sent after the change. A child window
// standing for a native widget needs that to show or hide the widget with it.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);

// ---------------------------------------------------------------------------
// The window tree. Top-level windows of other processes take part in the
// walks (GetTopWindow(nullptr), GetWindow, EnumWindows, FindWindow) after the
// process's own ones.
HWND GetDesktopWindow();
HWND GetParent(HWND hwnd);  // parent of a child; owner of a WS_POPUP window
HWND SetParent(HWND child, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetTopWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
// Either name may be nullptr (any). Names compare without regard to case.
HWND FindWindow(LPCWSTR className, LPCWSTR windowName);
HWND FindWindowEx(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName);
HWND WindowFromPoint(POINT screenPoint);
// Returns the thread id (0 for an invalid window) and stores the process id.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

// ---------------------------------------------------------------------------
// Captions
BOOL SetWindowText(HWND hwnd, LPCWSTR text);
int GetWindowText(HWND hwnd, LPWSTR buffer, int maxCount);
std::u16string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);

// ---------------------------------------------------------------------------
// Monitors and system settings
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);
// SPI_GETWORKAREA (RECT*), SPI_GETMOUSEHOVERTIME/WIDTH/HEIGHT (UINT*).
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni);
int GetSystemMetrics(int index);

// ---------------------------------------------------------------------------
// Window regions. Like GDI's, a rounded region leaves out the right and bottom
// edge of its rectangle; an ellipse narrower than 2 gives a plain rectangle.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
BOOL DeleteObject(HRGN region);
BOOL PtInRegion(HRGN region, int x, int y);
int GetRgnBox(HRGN region, RECT* box);
// Takes ownership of the region (the handle is no longer the caller's); the
// region is in window coordinates; nullptr removes the shape.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// Copies the window's region into an existing region; returns 0 (ERROR) when
// the window has none.
int GetWindowRgn(HWND hwnd, HRGN region);
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_ERROR = 0;

// Rectangle helpers with Win32 semantics (right and bottom are exclusive).
BOOL IsRectEmpty(const RECT* rect);
BOOL PtInRect(const RECT* rect, POINT point);
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL EqualRect(const RECT* a, const RECT* b);

}  // namespace os
