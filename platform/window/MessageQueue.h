// The message queue of the UI thread: posting and sending, retrieval in the
// Win32 order (sent messages from other threads, posted messages, input,
// WM_QUIT, WM_PAINT, WM_TIMER), translation and dispatch, and timers.
//
// PostMessage may be called from any thread and wakes a waiting GetMessage.
// SendMessage from another thread waits until the UI thread has handled the
// message inside GetMessage/PeekMessage. Everything else is UI-thread only.
#pragma once

#include "platform/window/Window.h"

namespace os {

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};

using TIMERPROC = void(OS_STDCALL*)(HWND, UINT, UINT_PTR, DWORD);

// A nullptr hwnd posts a thread message (msg.hwnd is nullptr on retrieval).
// Messages to windows of other processes are handed to the backend.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Sends to windows of this thread, posts to others; returns at once.
BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Returns 0 for WM_QUIT, -1 for an invalid window filter, otherwise nonzero.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Blocks until something may be retrieved (input, a posted message, a timer).
BOOL WaitMessage();
// Posts WM_CHAR/WM_SYSCHAR for key-downs that produce a character (US layout;
// VK_PACKET carries its character in the high word of wParam).
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
BOOL InSendMessage();
DWORD GetMessageTime();
DWORD GetMessagePos();

// Timers. With a window, (hwnd, id) names the timer and setting it again
// replaces it; without one the returned id is new. Elapse below 10 ms counts as
// 10 ms. The timer restarts when its WM_TIMER is retrieved.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// The backend's clock in milliseconds (virtual under the headless backend).
DWORD GetTickCount();
std::uint64_t GetTickCount64();
UINT GetDoubleClickTime();  // 500
UINT GetCaretBlinkTime();   // 530

}  // namespace os
