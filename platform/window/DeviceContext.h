// The little of GDI that Win32 control code still speaks without drawing
// anything itself: the colours a parent hands a control while answering
// WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC, solid brushes, the system colours, and
// the font handle WM_SETFONT carries.
//
// A parent answers a colour message exactly as on Windows:
//
//   case WM_CTLCOLOREDIT: {
//     HDC dc = reinterpret_cast<HDC>(wParam);
//     SetTextColor(dc, RGB(0x33, 0x33, 0x33));
//     SetBkMode(dc, TRANSPARENT);
//     return reinterpret_cast<LRESULT>(brush);  // from CreateSolidBrush
//   }
//
// The HDC is the control's own window DC: the control resets its attributes
// before asking and reads them back afterwards. A reply of 0 (or an invalid
// brush) means "the system colours", as DefWindowProc answers.
//
// A solid brush is a handle that carries its colour, so creating one costs
// nothing and a brush that is never deleted leaks nothing.
//
// On Windows DCs, brushes and colours are GDI's own, so a parent's answer
// reaches the system's controls unchanged.
#pragma once

#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace os {

class Font;
// WM_SETFONT's wParam and WM_GETFONT's result: the platform font object
// (platform/gfx/Text.h). A control copies the description when it is given one,
// so the caller's font may go away afterwards.
using HFONT = Font*;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Background modes of SetBkMode.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// System colour indices of GetSysColor and GetSysColorBrush. A class
// background may name one as (HBRUSH)(index + 1).
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

// The Windows 10 default scheme; 0 for an unknown index.
DWORD GetSysColor(int index);
// nullptr for an unknown index.
HBRUSH GetSysColorBrush(int index);
HBRUSH CreateSolidBrush(COLORREF color);
// TRUE for a brush made by CreateSolidBrush or GetSysColorBrush.
BOOL DeleteObject(HBRUSH brush);
// The colour a brush paints with: a solid brush, or a system colour given as
// (HBRUSH)(index + 1). False for anything else.
bool GetBrushColor(HBRUSH brush, COLORREF* color);

// Attributes of a window DC (from GetDC, BeginPaint or a colour message).
// The setters return the previous value, CLR_INVALID (colours) or 0 (mode)
// for an invalid DC.
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);

}  // namespace os
