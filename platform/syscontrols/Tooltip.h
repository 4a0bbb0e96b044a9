// The system tooltip class "tooltips_class32": tools are registered with
// TTM_ADDTOOL, their text changed with TTM_UPDATETIPTEXT, and a tracking tool
// shown with TTM_TRACKPOSITION / TTM_TRACKACTIVATE. The text a tooltip window
// currently shows can be read back (for tests and the automation driver).
//
// On Windows the class is comctl32's, and the state is read through its own
// messages: `text` is what the shown tip displays (WM_GETTEXT), `position`
// where the system placed it, and `active` reads true (no message reports
// TTM_ACTIVATE back; a deactivated tip hides, which `shown` says).
#pragma once

#include <string>

#include "platform/window/Window.h"

namespace os {

// The tool record of TTM_ADDTOOL and friends.
struct TOOLINFOW {
  UINT cbSize = sizeof(TOOLINFOW);
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  UINT_PTR uId = 0;
  RECT rect;
  HINSTANCE hinst = nullptr;
  LPWSTR lpszText = nullptr;
  LPARAM lParam = 0;
  void* lpReserved = nullptr;
};
using TOOLINFO = TOOLINFOW;

inline constexpr char16_t TOOLTIPS_CLASS[] = u"tooltips_class32";

struct TooltipState {
  bool active = true;   // TTM_ACTIVATE
  bool shown = false;   // a tracking tool is active and has text
  std::u16string text;  // text of the shown tool
  POINT position;       // TTM_TRACKPOSITION, screen coordinates
  int maxWidth = -1;    // TTM_SETMAXTIPWIDTH
  int toolCount = 0;
  UINT initialDelay = 0;  // TTM_GETDELAYTIME(TTDT_INITIAL)
};

// FALSE when hwnd is not a tooltip window.
BOOL GetTooltipState(HWND tooltip, TooltipState* state);

}  // namespace os
