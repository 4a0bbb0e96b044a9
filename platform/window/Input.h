// Keyboard focus, activation, mouse capture, hover and leave tracking, the
// cursor and the key state — and the input-injection API, which feeds
// synthetic pointer and key events through exactly the path native events of
// any backend take: WM_NCHITTEST first, WM_MOUSEACTIVATE and activation,
// WM_SETCURSOR, client or non-client mouse messages, capture, double clicks for
// CS_DBLCLKS classes, hover and leave for TrackMouseEvent, caption drags and
// border resizes started by the default window procedure.
//
// On Windows the system does all of this; injected input goes in through
// SendInput (moves through SetCursorPos, exact to the pixel), the path the
// devices' own events take.
#pragma once

#include <string_view>

#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace os {

// ---------------------------------------------------------------------------
// Focus and activation
HWND SetFocus(HWND hwnd);  // returns the previous focus window
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);

// Capture: while a window holds it every mouse message goes to it as a client
// message, wherever the pointer is, without WM_NCHITTEST or WM_SETCURSOR.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = HOVER_DEFAULT;
};
// TME_HOVER posts WM_MOUSEHOVER once the pointer rested for the hover time
// inside the hover rectangle; TME_LEAVE posts WM_MOUSELEAVE when it leaves the
// client area (the window with TME_NONCLIENT). Each fires once per request.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);

// ---------------------------------------------------------------------------
// Cursor
enum class CursorShape {
  None,
  Arrow,
  IBeam,
  Wait,
  Cross,
  UpArrow,
  SizeNWSE,
  SizeNESW,
  SizeWE,
  SizeNS,
  SizeAll,
  No,
  Hand,
  AppStarting,
  Help,
};
// System cursors (IDC_*) with a nullptr module; application cursor resources
// are not supported and yield nullptr.
HCURSOR LoadCursor(HINSTANCE instance, LPCWSTR name);
HCURSOR SetCursor(HCURSOR cursor);  // returns the previous cursor
HCURSOR GetCursor();
CursorShape CursorShapeOf(HCURSOR cursor);
BOOL GetCursorPos(POINT* point);
// Moves the pointer, which produces the mouse messages a real move would.
BOOL SetCursorPos(int x, int y);

// ---------------------------------------------------------------------------
// Key state: GetKeyState follows the messages retrieved so far (high bit:
// down, low bit: toggled); GetAsyncKeyState follows the devices.
short GetKeyState(int virtualKey);
short GetAsyncKeyState(int virtualKey);

// ---------------------------------------------------------------------------
// Input injection. Events are queued as the devices would deliver them; the
// messages come out of GetMessage/PeekMessage (run the message loop, or
// os::headless::Pump in tests). Safe from any thread.
enum class MouseButton { Left, Right, Middle, X1, X2 };

namespace inject {

void MouseMove(POINT screen);
void MouseDown(MouseButton button = MouseButton::Left);
void MouseUp(MouseButton button = MouseButton::Left);
// Move to the point, then press and release.
void Click(POINT screen, MouseButton button = MouseButton::Left);
// Two clicks at the same point with no time between them.
void DoubleClick(POINT screen, MouseButton button = MouseButton::Left);
// Press at from, move there in `steps` equal steps, release at to.
void Drag(POINT from, POINT to, int steps = 4, MouseButton button = MouseButton::Left);
// Positive delta: away from the user. One notch is WHEEL_DELTA.
void Wheel(int delta);
void HorizontalWheel(int delta);
// The pointer left every window of the process (onto the desktop or another
// application) without moving over one of ours.
void PointerLeave();

void KeyDown(UINT virtualKey);
void KeyUp(UINT virtualKey);
// Down then up.
void KeyPress(UINT virtualKey);
// Every UTF-16 unit as a VK_PACKET keystroke, as typed text arrives from an
// input method; TranslateMessage makes each one a WM_CHAR.
void Text(std::u16string_view text);

}  // namespace inject

}  // namespace os
