// The window classes of the system's own controls on Windows: comctl32's
// tooltips and date pickers exist once InitCommonControlsEx has registered
// them ("Edit" is user32's and always there). This file belongs to no group:
// it is where the Windows platform library puts the groups together, as
// platform/SystemClasses.cpp does on Linux.
#include <mutex>

#include "platform/base/DebugOutput.h"
#include "platform/window/win32/SystemClasses.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

#include <commctrl.h>

namespace os::win32 {

void EnsureSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    if (!::InitCommonControlsEx(&controls))
      DebugOutput(DebugCategory::Window, "InitCommonControlsEx failed: no tooltips or date fields");
  });
}

}  // namespace os::win32
