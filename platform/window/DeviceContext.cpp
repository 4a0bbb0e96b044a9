// Device-context attributes, solid brushes and system colours.
#include "platform/window/DeviceContext.h"

#include <array>

#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace {

// A solid brush's handle is this tag with the colour in the low 24 bits; it
// lies far above the small numbers (index + 1) that name system colours.
constexpr std::uintptr_t kBrushTag = std::uintptr_t{0x5B} << 24;
constexpr std::uintptr_t kBrushTagMask = ~std::uintptr_t{0xFFFFFF};

constexpr std::array<COLORREF, 31> kSystemColors = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 0, 0),        // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // unused
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(51, 153, 255),   // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};

internal::WindowPtr WindowOfDc(HDC dc) {
  HWND hwnd = WindowFromDC(dc);
  return hwnd ? internal::Lookup(hwnd) : nullptr;
}

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(kSystemColors.size())) return 0;
  return kSystemColors[static_cast<std::size_t>(index)];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= static_cast<int>(kSystemColors.size())) return nullptr;
  return CreateSolidBrush(GetSysColor(index));
}

HBRUSH CreateSolidBrush(COLORREF color) { return reinterpret_cast<HBRUSH>(kBrushTag | (color & 0xFFFFFF)); }

BOOL DeleteObject(HBRUSH brush) {
  return (reinterpret_cast<std::uintptr_t>(brush) & kBrushTagMask) == kBrushTag ? TRUE : FALSE;
}

bool GetBrushColor(HBRUSH brush, COLORREF* color) {
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  COLORREF found;
  if ((value & kBrushTagMask) == kBrushTag) {
    found = static_cast<COLORREF>(value & 0xFFFFFF);
  } else if (value >= 1 && value <= kSystemColors.size()) {
    found = GetSysColor(static_cast<int>(value - 1));
  } else {
    return false;
  }
  if (color) *color = found;
  return true;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  auto w = WindowOfDc(dc);
  if (!w) return CLR_INVALID;
  const COLORREF old = w->dcTextColor;
  w->dcTextColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetTextColor(HDC dc) {
  auto w = WindowOfDc(dc);
  return w ? w->dcTextColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  auto w = WindowOfDc(dc);
  if (!w) return CLR_INVALID;
  const COLORREF old = w->dcBkColor;
  w->dcBkColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetBkColor(HDC dc) {
  auto w = WindowOfDc(dc);
  return w ? w->dcBkColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  auto w = WindowOfDc(dc);
  if (!w || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int old = w->dcBkMode;
  w->dcBkMode = mode;
  return old;
}

int GetBkMode(HDC dc) {
  auto w = WindowOfDc(dc);
  return w ? w->dcBkMode : 0;
}

}  // namespace os
