// The colours, brushes and DC attributes are GDI's own: a parent's answer to
// WM_CTLCOLOREDIT reaches the system's edit control as it would from any
// Windows program.
#include "platform/window/DeviceContext.h"

// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;

namespace {

::HDC Dc(HDC dc) { return As<::HDC>(dc); }
::HBRUSH Brush(HBRUSH brush) { return As<::HBRUSH>(brush); }

// A class background may name a system colour as (HBRUSH)(index + 1).
constexpr std::uintptr_t kLastSystemColour = COLOR_MENUBAR;

}  // namespace

DWORD GetSysColor(int index) { return ::GetSysColor(index); }
HBRUSH GetSysColorBrush(int index) { return As<HBRUSH>(::GetSysColorBrush(index)); }
HBRUSH CreateSolidBrush(COLORREF color) { return As<HBRUSH>(::CreateSolidBrush(color)); }
BOOL DeleteObject(HBRUSH brush) { return ::DeleteObject(Brush(brush)); }

bool GetBrushColor(HBRUSH brush, COLORREF* color) {
  if (brush == nullptr || color == nullptr) return false;
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= kLastSystemColour + 1) {
    *color = ::GetSysColor(static_cast<int>(value - 1));
    return true;
  }
  // GDI checks its handles: anything that is no solid brush is refused.
  ::LOGBRUSH logical{};
  if (::GetObjectW(Brush(brush), sizeof logical, &logical) != sizeof logical || logical.lbStyle != BS_SOLID)
    return false;
  *color = logical.lbColor;
  return true;
}

COLORREF SetTextColor(HDC dc, COLORREF color) { return ::SetTextColor(Dc(dc), color); }
COLORREF GetTextColor(HDC dc) { return ::GetTextColor(Dc(dc)); }
COLORREF SetBkColor(HDC dc, COLORREF color) { return ::SetBkColor(Dc(dc), color); }
COLORREF GetBkColor(HDC dc) { return ::GetBkColor(Dc(dc)); }
int SetBkMode(HDC dc, int mode) { return ::SetBkMode(Dc(dc), mode); }
int GetBkMode(HDC dc) { return ::GetBkMode(Dc(dc)); }

}  // namespace os
