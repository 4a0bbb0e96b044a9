// The calls of the headless backend's test API that the window-system tests
// shared with Linux make (tests/platform/WindowTestSupport.h), with what they
// mean on real Win32: Reset destroys the windows a test left behind, Pump
// runs the queue until input sent with SendInput has arrived and been
// handled, ImeCaretRect reads back the composition window the text gave the
// input method context.
#include <cstdint>

#include "platform/headless/Headless.h"
#include "platform/syscontrols/Ime.h"
#include "platform/system/Kernel.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

// After our headers, as always.
#include "platform/base/win32/Win32.h"

namespace os::headless {

namespace {

// Injected input reaches the queue a little later than SendInput returns:
// the queue counts as drained once nothing has come for this long.
constexpr std::uint64_t kQuietMs = 40;
constexpr std::uint64_t kLongestMs = 3000;

BOOL CALLBACK DestroyOne(::HWND hwnd, ::LPARAM) {
  ::DestroyWindow(hwnd);
  return TRUE;
}

}  // namespace

void Reset() {
  Pump();
  ::EnumThreadWindows(::GetCurrentThreadId(), &DestroyOne, 0);
  ::ReleaseCapture();
  Pump();
}

bool IsActive() { return false; }

int Pump(const PreTranslate& preTranslate) {
  int dispatched = 0;
  const std::uint64_t end = GetTickCount64() + kLongestMs;
  std::uint64_t quietSince = GetTickCount64();
  MSG msg;
  while (GetTickCount64() - quietSince < kQuietMs && GetTickCount64() < end) {
    bool any = false;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return dispatched;
      }
      if (preTranslate && preTranslate(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessage(&msg);
      ++dispatched;
    }
    if (any) quietSince = GetTickCount64();
    ::Sleep(1);
  }
  return dispatched;
}

std::optional<RECT> ImeCaretRect(HWND topLevel) {
  const HIMC context = ImmGetContext(topLevel);
  if (context == nullptr) return std::nullopt;
  COMPOSITIONFORM form;
  const BOOL got = ImmGetCompositionWindow(context, &form);
  ImmReleaseContext(topLevel, context);
  if (!got) return std::nullopt;
  return form.rcArea;
}

}  // namespace os::headless
