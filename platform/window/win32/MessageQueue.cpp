// The message queue is the system's: posting, sending, retrieval,
// translation, dispatch and timers forward to user32. Dispatch and sends
// also tell the frame-drawn observers about frames their WM_PAINT handled
// (PaintedFrames.h).
#include "platform/window/MessageQueue.h"

#include <cstddef>
#include <type_traits>

#include "platform/window/win32/FontMessages.h"
#include "platform/window/win32/PaintedFrames.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;

static_assert(sizeof(os::MSG) == sizeof(::MSG));
static_assert(offsetof(os::MSG, lParam) == offsetof(::MSG, lParam));
static_assert(offsetof(os::MSG, time) == offsetof(::MSG, time));
static_assert(offsetof(os::MSG, pt) == offsetof(::MSG, pt));
// A timer procedure of ours is handed to SetTimer as the system's: the same
// arguments but for the handle's type, and the system's convention.
static_assert(std::is_same_v<os::TIMERPROC, void(OS_STDCALL*)(os::HWND, os::UINT, os::UINT_PTR, os::DWORD)>);
static_assert(std::is_same_v<::TIMERPROC, void(OS_STDCALL*)(::HWND, ::UINT, ::UINT_PTR, ::DWORD)>);
static_assert(sizeof(os::UINT_PTR) == sizeof(::UINT_PTR) && sizeof(os::DWORD) == sizeof(::DWORD));

namespace {

::HWND H(HWND hwnd) { return As<::HWND>(hwnd); }

// Runs a call inside which window procedures may handle WM_PAINT, then tells
// about the frames they drew.
template <typename Call>
auto ThenNotifyFrames(Call call) {
  auto result = call();
  win32::NotifyPaintedFrames();
  return result;
}

}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(H(hwnd), message, wParam, lParam);
}
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostThreadMessageW(threadId, message, wParam, lParam);
}
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto send = [&](WPARAM w) { return ::SendMessageW(H(hwnd), message, w, lParam); };
  if ((message == WM_SETFONT || message == WM_GETFONT) && win32::HasSystemProcedure(hwnd))
    return win32::WithSystemFonts(message, wParam, send);
  return ThenNotifyFrames([&] { return send(wParam); });
}
BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ThenNotifyFrames([&] { return ::SendNotifyMessageW(H(hwnd), message, wParam, lParam); });
}
void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  win32::NotifyPaintedFrames();
  return ::GetMessageW(As<::MSG*>(msg), H(hwnd), filterMin, filterMax);
}
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  // PeekMessage handles sent messages of other threads before it returns.
  return ThenNotifyFrames(
      [&] { return ::PeekMessageW(As<::MSG*>(msg), H(hwnd), filterMin, filterMax, removeFlags); });
}
BOOL WaitMessage() {
  win32::NotifyPaintedFrames();
  return ::WaitMessage();
}
BOOL TranslateMessage(const MSG* msg) { return ::TranslateMessage(As<const ::MSG*>(msg)); }
LRESULT DispatchMessage(const MSG* msg) {
  return ThenNotifyFrames([&] { return ::DispatchMessageW(As<const ::MSG*>(msg)); });
}
BOOL InSendMessage() { return ::InSendMessage(); }
DWORD GetMessageTime() { return static_cast<DWORD>(::GetMessageTime()); }
DWORD GetMessagePos() { return ::GetMessagePos(); }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  return ::SetTimer(H(hwnd), id, elapse, reinterpret_cast<::TIMERPROC>(proc));
}
BOOL KillTimer(HWND hwnd, UINT_PTR id) { return ::KillTimer(H(hwnd), id); }

DWORD GetTickCount() { return ::GetTickCount(); }
std::uint64_t GetTickCount64() { return ::GetTickCount64(); }
UINT GetDoubleClickTime() { return ::GetDoubleClickTime(); }
UINT GetCaretBlinkTime() { return ::GetCaretBlinkTime(); }

}  // namespace os
