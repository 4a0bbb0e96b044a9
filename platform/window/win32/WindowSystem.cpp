// On Windows the window system is the system itself: there is no backend to
// choose or start. The functions that pick backends keep their callers'
// meaning: the "backend" is the desktop, which always runs, and restarting
// the window system destroys this thread's windows (with their final
// messages), as a restart does on Linux.
#include <vector>

#include "platform/base/DebugOutput.h"
#include "platform/window/Backend.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

void RegisterBackendFactory(std::string_view name, BackendFactory) {
  DebugOutput(DebugCategory::Window, std::string("backend ") + std::string(name) +
                                         " not used: windows are the system's own on Windows");
}

namespace {

::BOOL CALLBACK CollectWindow(::HWND hwnd, ::LPARAM list) {
  reinterpret_cast<std::vector<::HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::string_view CurrentBackendName() { return "win32"; }

void RestartWindowSystem() {
  std::vector<::HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<::LPARAM>(&windows));
  // Destroying an owner destroys what it owns: skip what is already gone.
  for (::HWND hwnd : windows) {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
  // What was posted before the restart belongs to the old state.
  ::MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool StartConfiguredBackend() { return true; }

// The system's windowing needs no readying.
void PrepareWindows() {}

}  // namespace os
