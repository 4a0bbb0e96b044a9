// Focus, activation, capture, tracking, the cursor and the key state are the
// system's. Injected input goes in through SendInput, the path the devices'
// own events take, so that it reaches windows as a player's would: hit
// testing, activation, capture, double clicks and hover included.
//
// Chosen here: a move is SetCursorPos (exact to the pixel, where SendInput's
// absolute coordinates are scaled to 0..65535 and may land a pixel off), the
// rest SendInput. PointerLeave moves the pointer to the first corner of the
// virtual screen that no window of this process covers; with every corner
// covered it does nothing but say so in the debug output.
#include "platform/window/Input.h"

#include <cstddef>
#include <vector>

#include "platform/base/DebugOutput.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;
using win32::Wide;

static_assert(sizeof(os::TRACKMOUSEEVENT) == sizeof(::TRACKMOUSEEVENT));
static_assert(offsetof(os::TRACKMOUSEEVENT, hwndTrack) == offsetof(::TRACKMOUSEEVENT, hwndTrack));
static_assert(offsetof(os::TRACKMOUSEEVENT, dwHoverTime) == offsetof(::TRACKMOUSEEVENT, dwHoverTime));

namespace {

::HWND H(HWND hwnd) { return As<::HWND>(hwnd); }
HWND Ours(::HWND hwnd) { return As<HWND>(hwnd); }

}  // namespace

// ---------------------------------------------------------------------------
// Focus, activation, capture

HWND SetFocus(HWND hwnd) { return Ours(::SetFocus(H(hwnd))); }
HWND GetFocus() { return Ours(::GetFocus()); }
HWND SetActiveWindow(HWND hwnd) { return Ours(::SetActiveWindow(H(hwnd))); }
HWND GetActiveWindow() { return Ours(::GetActiveWindow()); }
HWND GetForegroundWindow() { return Ours(::GetForegroundWindow()); }
BOOL SetForegroundWindow(HWND hwnd) { return ::SetForegroundWindow(H(hwnd)); }
HWND SetCapture(HWND hwnd) { return Ours(::SetCapture(H(hwnd))); }
BOOL ReleaseCapture() { return ::ReleaseCapture(); }
HWND GetCapture() { return Ours(::GetCapture()); }
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) { return ::TrackMouseEvent(As<::TRACKMOUSEEVENT*>(track)); }

// ---------------------------------------------------------------------------
// Cursor

namespace {

struct NamedCursor {
  WORD id;
  CursorShape shape;
};

constexpr NamedCursor kCursors[] = {
    {32512, CursorShape::Arrow},       {32513, CursorShape::IBeam},   {32514, CursorShape::Wait},
    {32515, CursorShape::Cross},       {32516, CursorShape::UpArrow}, {32642, CursorShape::SizeNWSE},
    {32643, CursorShape::SizeNESW},    {32644, CursorShape::SizeWE},  {32645, CursorShape::SizeNS},
    {32646, CursorShape::SizeAll},     {32648, CursorShape::No},      {32649, CursorShape::Hand},
    {32650, CursorShape::AppStarting}, {32651, CursorShape::Help},
};

}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, LPCWSTR name) {
  return As<HCURSOR>(::LoadCursorW(As<::HINSTANCE>(instance), Wide(name)));
}
HCURSOR SetCursor(HCURSOR cursor) { return As<HCURSOR>(::SetCursor(As<::HCURSOR>(cursor))); }
HCURSOR GetCursor() { return As<HCURSOR>(::GetCursor()); }

CursorShape CursorShapeOf(HCURSOR cursor) {
  if (cursor == nullptr) return CursorShape::None;
  // The system's cursors are shared: loading one again gives the same handle.
  for (const NamedCursor& named : kCursors) {
    if (As<HCURSOR>(::LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(std::uintptr_t{named.id}))) ==
        cursor)
      return named.shape;
  }
  return CursorShape::Arrow;
}

BOOL GetCursorPos(POINT* point) { return ::GetCursorPos(As<::POINT*>(point)); }
BOOL SetCursorPos(int x, int y) { return ::SetCursorPos(x, y); }

// ---------------------------------------------------------------------------
// Key state

short GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }
short GetAsyncKeyState(int virtualKey) { return ::GetAsyncKeyState(virtualKey); }

// ---------------------------------------------------------------------------
// Injection

namespace {

void Send(std::vector<::INPUT>& inputs) {
  if (inputs.empty()) return;
  const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(::INPUT));
  if (sent != inputs.size()) DebugOutput(DebugCategory::Input, "SendInput refused injected input");
}

::INPUT MouseInput(::DWORD flags, ::DWORD data = 0) {
  ::INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  return input;
}

::INPUT ButtonInput(MouseButton button, bool down) {
  switch (button) {
    case MouseButton::Right:
      return MouseInput(down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    case MouseButton::Middle:
      return MouseInput(down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP);
    case MouseButton::X1:
      return MouseInput(down ? MOUSEEVENTF_XDOWN : MOUSEEVENTF_XUP, XBUTTON1);
    case MouseButton::X2:
      return MouseInput(down ? MOUSEEVENTF_XDOWN : MOUSEEVENTF_XUP, XBUTTON2);
    case MouseButton::Left:
    default:
      return MouseInput(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  }
}

void Button(MouseButton button, bool down) {
  std::vector<::INPUT> inputs{ButtonInput(button, down)};
  Send(inputs);
}

::INPUT KeyInput(WORD virtualKey, WORD scan, ::DWORD flags) {
  ::INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

bool ExtendedKey(UINT virtualKey) {
  switch (virtualKey) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_DIVIDE:
      return true;
    default:
      return false;
  }
}

void Key(UINT virtualKey, bool down) {
  ::DWORD flags = down ? 0 : KEYEVENTF_KEYUP;
  if (ExtendedKey(virtualKey)) flags |= KEYEVENTF_EXTENDEDKEY;
  const WORD scan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  std::vector<::INPUT> inputs{KeyInput(static_cast<WORD>(virtualKey), scan, flags)};
  Send(inputs);
}

bool OwnWindowAt(POINT screen) {
  ::DWORD process = 0;
  ::GetWindowThreadProcessId(::WindowFromPoint(::POINT{screen.x, screen.y}), &process);
  return process == ::GetCurrentProcessId();
}

}  // namespace

namespace inject {

void MouseMove(POINT screen) { ::SetCursorPos(screen.x, screen.y); }
void MouseDown(MouseButton button) { Button(button, true); }
void MouseUp(MouseButton button) { Button(button, false); }

void Click(POINT screen, MouseButton button) {
  MouseMove(screen);
  std::vector<::INPUT> inputs{ButtonInput(button, true), ButtonInput(button, false)};
  Send(inputs);
}

void DoubleClick(POINT screen, MouseButton button) {
  MouseMove(screen);
  std::vector<::INPUT> inputs{ButtonInput(button, true), ButtonInput(button, false),
                              ButtonInput(button, true), ButtonInput(button, false)};
  Send(inputs);
}

void Drag(POINT from, POINT to, int steps, MouseButton button) {
  if (steps < 1) steps = 1;
  MouseMove(from);
  MouseDown(button);
  for (int i = 1; i <= steps; ++i) {
    MouseMove(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
  }
  MouseUp(button);
}

void Wheel(int delta) {
  std::vector<::INPUT> inputs{MouseInput(MOUSEEVENTF_WHEEL, static_cast<::DWORD>(delta))};
  Send(inputs);
}

void HorizontalWheel(int delta) {
  std::vector<::INPUT> inputs{MouseInput(MOUSEEVENTF_HWHEEL, static_cast<::DWORD>(delta))};
  Send(inputs);
}

void PointerLeave() {
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN), top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int right = left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1;
  const int bottom = top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1;
  for (POINT corner : {POINT{right, bottom}, POINT{left, bottom}, POINT{right, top}, POINT{left, top}}) {
    if (!OwnWindowAt(corner)) {
      MouseMove(corner);
      return;
    }
  }
  DebugOutput(DebugCategory::Input, "PointerLeave: every corner of the screen shows a window of ours");
}

void KeyDown(UINT virtualKey) { Key(virtualKey, true); }
void KeyUp(UINT virtualKey) { Key(virtualKey, false); }

void KeyPress(UINT virtualKey) {
  KeyDown(virtualKey);
  KeyUp(virtualKey);
}

void Text(std::u16string_view text) {
  std::vector<::INPUT> inputs;
  inputs.reserve(text.size() * 2);
  for (char16_t unit : text) {
    inputs.push_back(KeyInput(0, unit, KEYEVENTF_UNICODE));
    inputs.push_back(KeyInput(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
  }
  Send(inputs);
}

}  // namespace inject
}  // namespace os
