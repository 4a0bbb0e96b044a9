#include "support/ProcessWindow.h"

#include "platform/window/Window.h"

os::HWND FindProcessWindow(os::DWORD processId) {
  for (os::HWND hwnd = os::GetTopWindow(nullptr); hwnd; hwnd = os::GetWindow(hwnd, os::GW_HWNDNEXT)) {
    os::DWORD owner = 0;
    if (os::GetWindowThreadProcessId(hwnd, &owner) != 0 && owner == processId) return hwnd;
  }
  return nullptr;
}
