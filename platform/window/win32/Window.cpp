// Windows, classes, longs, properties, geometry, show state, the tree,
// captions, monitors and regions are the system's: each function forwards to
// its user32 or gdi32 twin, converting handles, text and structures at the
// call. Structures of ours that the system reads or fills are checked here
// against the system's layout.
#include "platform/window/Window.h"

#include <cstddef>
#include <type_traits>

#include "platform/window/win32/FontMessages.h"
#include "platform/window/win32/SystemClasses.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;
using win32::Wide;

// ---------------------------------------------------------------------------
// Layouts

static_assert(sizeof(os::POINT) == sizeof(::POINT) && sizeof(os::RECT) == sizeof(::RECT) &&
              sizeof(os::SIZE) == sizeof(::SIZE));
static_assert(offsetof(os::RECT, bottom) == offsetof(::RECT, bottom));
static_assert(sizeof(os::WNDCLASSEXW) == sizeof(::WNDCLASSEXW));
static_assert(offsetof(os::WNDCLASSEXW, lpfnWndProc) == offsetof(::WNDCLASSEXW, lpfnWndProc));
static_assert(offsetof(os::WNDCLASSEXW, cbWndExtra) == offsetof(::WNDCLASSEXW, cbWndExtra));
static_assert(offsetof(os::WNDCLASSEXW, hbrBackground) == offsetof(::WNDCLASSEXW, hbrBackground));
static_assert(offsetof(os::WNDCLASSEXW, lpszClassName) == offsetof(::WNDCLASSEXW, lpszClassName));
static_assert(offsetof(os::WNDCLASSEXW, hIconSm) == offsetof(::WNDCLASSEXW, hIconSm));
static_assert(sizeof(os::CREATESTRUCTW) == sizeof(::CREATESTRUCTW));
static_assert(offsetof(os::CREATESTRUCTW, lpCreateParams) == offsetof(::CREATESTRUCTW, lpCreateParams));
static_assert(offsetof(os::CREATESTRUCTW, cy) == offsetof(::CREATESTRUCTW, cy));
static_assert(offsetof(os::CREATESTRUCTW, style) == offsetof(::CREATESTRUCTW, style));
static_assert(offsetof(os::CREATESTRUCTW, dwExStyle) == offsetof(::CREATESTRUCTW, dwExStyle));
static_assert(sizeof(os::WINDOWPOS) == sizeof(::WINDOWPOS));
static_assert(offsetof(os::WINDOWPOS, flags) == offsetof(::WINDOWPOS, flags));
static_assert(sizeof(os::NCCALCSIZE_PARAMS) == sizeof(::NCCALCSIZE_PARAMS));
static_assert(offsetof(os::NCCALCSIZE_PARAMS, lppos) == offsetof(::NCCALCSIZE_PARAMS, lppos));
static_assert(sizeof(os::MINMAXINFO) == sizeof(::MINMAXINFO));
static_assert(offsetof(os::MINMAXINFO, ptMaxTrackSize) == offsetof(::MINMAXINFO, ptMaxTrackSize));
static_assert(sizeof(os::STYLESTRUCT) == sizeof(::STYLESTRUCT));
static_assert(sizeof(os::NMHDR) == sizeof(::NMHDR) && offsetof(os::NMHDR, code) == offsetof(::NMHDR, code));
static_assert(sizeof(os::WINDOWPLACEMENT) == sizeof(::WINDOWPLACEMENT));
static_assert(offsetof(os::WINDOWPLACEMENT, rcNormalPosition) ==
              offsetof(::WINDOWPLACEMENT, rcNormalPosition));
static_assert(sizeof(os::MONITORINFO) == sizeof(::MONITORINFO));
static_assert(offsetof(os::MONITORINFO, dwFlags) == offsetof(::MONITORINFO, dwFlags));

// Procedures of ours reach the system as the system's types (in a class, as
// a window long, to the enumerations). Ours differ from the system's only in
// the handle's type; the convention is the system's on both bitnesses, which
// on 32-bit Windows is what keeps the stack balanced across the call.
static_assert(
    std::is_same_v<os::WNDPROC, os::LRESULT(OS_STDCALL*)(os::HWND, os::UINT, os::WPARAM, os::LPARAM)>);
static_assert(std::is_same_v<::WNDPROC, ::LRESULT(OS_STDCALL*)(::HWND, ::UINT, ::WPARAM, ::LPARAM)>);
static_assert(std::is_same_v<os::WNDENUMPROC, os::BOOL(OS_STDCALL*)(os::HWND, os::LPARAM)>);
static_assert(std::is_same_v<::WNDENUMPROC, ::BOOL(OS_STDCALL*)(::HWND, ::LPARAM)>);
static_assert(sizeof(os::LRESULT) == sizeof(::LRESULT) && sizeof(os::WPARAM) == sizeof(::WPARAM) &&
              sizeof(os::LPARAM) == sizeof(::LPARAM) && sizeof(os::BOOL) == sizeof(::BOOL));

namespace {

::HWND H(HWND hwnd) { return As<::HWND>(hwnd); }
HWND Ours(::HWND hwnd) { return As<HWND>(hwnd); }
::HINSTANCE Instance(HINSTANCE instance) { return As<::HINSTANCE>(instance); }
::RECT* R(RECT* rect) { return As<::RECT*>(rect); }
const ::RECT* R(const RECT* rect) { return As<const ::RECT*>(rect); }
::HRGN Rgn(HRGN region) { return As<::HRGN>(region); }

}  // namespace

// ---------------------------------------------------------------------------
// Classes

ATOM RegisterClassEx(const WNDCLASSEXW* wc) {
  win32::EnsureSystemClasses();
  return ::RegisterClassExW(As<const ::WNDCLASSEXW*>(wc));
}

BOOL UnregisterClass(LPCWSTR className, HINSTANCE instance) {
  return ::UnregisterClassW(Wide(className), Instance(instance));
}

BOOL GetClassInfoEx(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc) {
  win32::EnsureSystemClasses();
  return ::GetClassInfoExW(Instance(instance), Wide(className), As<::WNDCLASSEXW*>(wc));
}

int GetClassName(HWND hwnd, LPWSTR buffer, int maxCount) {
  return ::GetClassNameW(H(hwnd), Wide(buffer), maxCount);
}

std::u16string GetClassName(HWND hwnd) {
  // Class names are at most 256 characters; one more tells a cut name apart.
  std::u16string name(257, u'\0');
  const int length = ::GetClassNameW(H(hwnd), Wide(name.data()), static_cast<int>(name.size()));
  name.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return name;
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) { return ::GetClassLongPtrW(H(hwnd), index); }

ATOM RegisterSystemClass(const WNDCLASSEXW& wc) {
  // The platform's own classes belong to the executable and are global, so
  // that every module finds them as it finds the system's.
  WNDCLASSEXW global = wc;
  global.style |= CS_GLOBALCLASS;
  if (global.hInstance == nullptr) global.hInstance = As<HINSTANCE>(::GetModuleHandleW(nullptr));
  return RegisterClassEx(&global);
}

// ---------------------------------------------------------------------------
// Creation and destruction

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  win32::EnsureSystemClasses();
  return Ours(::CreateWindowExW(exStyle, Wide(className), Wide(windowName), style, x, y, width, height,
                                H(parent), As<::HMENU>(menu), Instance(instance), param));
}

BOOL DestroyWindow(HWND hwnd) { return ::DestroyWindow(H(hwnd)); }

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(H(hwnd), message, wParam, lParam);
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // A procedure of ours is a plain function the system may call directly;
  // one read back from GWLP_WNDPROC may be the system's own thunk, which
  // only CallWindowProcW knows how to enter.
  const auto call = [&](WPARAM w) {
    return ::CallWindowProcW(reinterpret_cast<::WNDPROC>(proc), H(hwnd), message, w, lParam);
  };
  if (!win32::IsSystemProcedure(reinterpret_cast<const void*>(proc))) return call(wParam);
  return win32::WithSystemFonts(message, wParam, call);
}

// ---------------------------------------------------------------------------
// Window longs and properties

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) { return ::GetWindowLongPtrW(H(hwnd), index); }
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  return ::SetWindowLongPtrW(H(hwnd), index, value);
}
LONG GetWindowLong(HWND hwnd, int index) { return ::GetWindowLongW(H(hwnd), index); }
LONG SetWindowLong(HWND hwnd, int index, LONG value) { return ::SetWindowLongW(H(hwnd), index, value); }

BOOL SetProp(HWND hwnd, LPCWSTR name, HANDLE data) { return ::SetPropW(H(hwnd), Wide(name), data); }
HANDLE GetProp(HWND hwnd, LPCWSTR name) { return ::GetPropW(H(hwnd), Wide(name)); }
HANDLE RemoveProp(HWND hwnd, LPCWSTR name) { return ::RemovePropW(H(hwnd), Wide(name)); }

// ---------------------------------------------------------------------------
// Geometry and show state

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(H(hwnd), H(insertAfter), x, y, cx, cy, flags);
}
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return ::MoveWindow(H(hwnd), x, y, width, height, repaint);
}
BOOL GetWindowRect(HWND hwnd, RECT* rect) { return ::GetWindowRect(H(hwnd), R(rect)); }
BOOL GetClientRect(HWND hwnd, RECT* rect) { return ::GetClientRect(H(hwnd), R(rect)); }
BOOL ClientToScreen(HWND hwnd, POINT* point) { return ::ClientToScreen(H(hwnd), As<::POINT*>(point)); }
BOOL ScreenToClient(HWND hwnd, POINT* point) { return ::ScreenToClient(H(hwnd), As<::POINT*>(point)); }
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  return ::MapWindowPoints(H(from), H(to), As<::POINT*>(points), count);
}
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  return ::AdjustWindowRectEx(R(rect), style, menu, exStyle);
}
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  return ::GetWindowPlacement(H(hwnd), As<::WINDOWPLACEMENT*>(placement));
}
BOOL BringWindowToTop(HWND hwnd) { return ::BringWindowToTop(H(hwnd)); }

BOOL ShowWindow(HWND hwnd, int command) { return ::ShowWindow(H(hwnd), command); }
BOOL IsWindow(HWND hwnd) { return ::IsWindow(H(hwnd)); }
BOOL IsWindowVisible(HWND hwnd) { return ::IsWindowVisible(H(hwnd)); }
BOOL IsWindowEnabled(HWND hwnd) { return ::IsWindowEnabled(H(hwnd)); }
BOOL EnableWindow(HWND hwnd, BOOL enable) { return ::EnableWindow(H(hwnd), enable); }
BOOL IsIconic(HWND hwnd) { return ::IsIconic(H(hwnd)); }
BOOL IsZoomed(HWND hwnd) { return ::IsZoomed(H(hwnd)); }

// ---------------------------------------------------------------------------
// The window tree

HWND GetDesktopWindow() { return Ours(::GetDesktopWindow()); }
HWND GetParent(HWND hwnd) { return Ours(::GetParent(H(hwnd))); }
HWND SetParent(HWND child, HWND newParent) { return Ours(::SetParent(H(child), H(newParent))); }
HWND GetAncestor(HWND hwnd, UINT flags) { return Ours(::GetAncestor(H(hwnd), flags)); }
HWND GetWindow(HWND hwnd, UINT relation) { return Ours(::GetWindow(H(hwnd), relation)); }
HWND GetTopWindow(HWND hwnd) { return Ours(::GetTopWindow(H(hwnd))); }
BOOL IsChild(HWND parent, HWND hwnd) { return ::IsChild(H(parent), H(hwnd)); }
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  return ::EnumWindows(reinterpret_cast<::WNDENUMPROC>(proc), lParam);
}
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  return ::EnumChildWindows(H(parent), reinterpret_cast<::WNDENUMPROC>(proc), lParam);
}
HWND FindWindow(LPCWSTR className, LPCWSTR windowName) {
  return Ours(::FindWindowW(Wide(className), Wide(windowName)));
}
HWND FindWindowEx(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  return Ours(::FindWindowExW(H(parent), H(childAfter), Wide(className), Wide(windowName)));
}
HWND WindowFromPoint(POINT screenPoint) {
  return Ours(::WindowFromPoint(::POINT{screenPoint.x, screenPoint.y}));
}
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  ::DWORD process = 0;
  const ::DWORD thread = ::GetWindowThreadProcessId(H(hwnd), &process);
  if (processId != nullptr) *processId = process;
  return thread;
}

// ---------------------------------------------------------------------------
// Captions

BOOL SetWindowText(HWND hwnd, LPCWSTR text) { return ::SetWindowTextW(H(hwnd), Wide(text)); }
int GetWindowText(HWND hwnd, LPWSTR buffer, int maxCount) {
  return ::GetWindowTextW(H(hwnd), Wide(buffer), maxCount);
}
int GetWindowTextLength(HWND hwnd) { return ::GetWindowTextLengthW(H(hwnd)); }

std::u16string GetWindowText(HWND hwnd) {
  // The length may overstate (it can count a conversion's worst case) but
  // never understates; the copy says how much there was.
  const int length = ::GetWindowTextLengthW(H(hwnd));
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = ::GetWindowTextW(H(hwnd), Wide(text.data()), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

// ---------------------------------------------------------------------------
// Monitors and system settings

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  return As<HMONITOR>(::MonitorFromWindow(H(hwnd), flags));
}
HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
  return As<HMONITOR>(::MonitorFromPoint(::POINT{point.x, point.y}, flags));
}
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  return As<HMONITOR>(::MonitorFromRect(R(rect), flags));
}
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  return ::GetMonitorInfoW(As<::HMONITOR>(monitor), As<::MONITORINFO*>(info));
}
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni) {
  return ::SystemParametersInfoW(action, uiParam, pvParam, winIni);
}
int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

// ---------------------------------------------------------------------------
// Regions

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return As<HRGN>(::CreateRectRgn(left, top, right, bottom));
}
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  return As<HRGN>(::CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight));
}
BOOL DeleteObject(HRGN region) { return ::DeleteObject(Rgn(region)); }
BOOL PtInRegion(HRGN region, int x, int y) { return ::PtInRegion(Rgn(region), x, y); }
int GetRgnBox(HRGN region, RECT* box) { return ::GetRgnBox(Rgn(region), R(box)); }
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) { return ::SetWindowRgn(H(hwnd), Rgn(region), redraw); }
int GetWindowRgn(HWND hwnd, HRGN region) { return ::GetWindowRgn(H(hwnd), Rgn(region)); }

// ---------------------------------------------------------------------------
// Rectangles

BOOL IsRectEmpty(const RECT* rect) { return ::IsRectEmpty(R(rect)); }
BOOL PtInRect(const RECT* rect, POINT point) { return ::PtInRect(R(rect), ::POINT{point.x, point.y}); }
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) { return ::IntersectRect(R(dst), R(a), R(b)); }
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) { return ::UnionRect(R(dst), R(a), R(b)); }
BOOL OffsetRect(RECT* rect, int dx, int dy) { return ::OffsetRect(R(rect), dx, dy); }
BOOL InflateRect(RECT* rect, int dx, int dy) { return ::InflateRect(R(rect), dx, dy); }
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  return ::SetRect(R(rect), left, top, right, bottom);
}
BOOL SetRectEmpty(RECT* rect) { return ::SetRectEmpty(R(rect)); }
BOOL EqualRect(const RECT* a, const RECT* b) { return ::EqualRect(R(a), R(b)); }

}  // namespace os
