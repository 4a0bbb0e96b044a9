// The input method manager, as much of it as a window that draws its own text
// needs: the composition of the window's input context and where the
// composition window goes.
//
// An input context (HIMC) belongs to a window of this process; it stays valid
// while the window lives. The composition strings are set by whoever plays
// the input method — a test, or a backend that turns its input method's
// pre-edit into WM_IME_* messages — with ImmSetCompositionString, and read by
// the window on WM_IME_COMPOSITION (GCS_COMPSTR: the text being composed,
// GCS_RESULTSTR: the text committed). ImmSetCompositionWindow tells the
// backend's input method where the caret is (gtk: the IM context's cursor
// location), so its candidate window appears beside the text.
//
// The gtk backend commits composed text as WM_CHAR (its input method draws
// the pre-edit in a window of its own); WM_IME_* messages reach a window only
// from a test or another program.
//
// On Windows these are imm32's. Setting GCS_RESULTSTR sets the composition
// and completes it (ImmNotifyIME), which needs an input method the system
// runs for the context.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Types.h"

namespace os {

struct HIMC__;
using HIMC = HIMC__*;

// WM_IME_COMPOSITION lParam bits and ImmGetCompositionString indices.
constexpr DWORD GCS_COMPSTR = 0x0008;
constexpr DWORD GCS_RESULTSTR = 0x0800;
// ImmSetCompositionString index.
constexpr DWORD SCS_SETSTR = 0x0009;

// COMPOSITIONFORM styles.
constexpr DWORD CFS_DEFAULT = 0x0000;
constexpr DWORD CFS_RECT = 0x0001;
constexpr DWORD CFS_POINT = 0x0002;
constexpr DWORD CFS_FORCE_POSITION = 0x0020;

struct COMPOSITIONFORM {
  DWORD dwStyle = CFS_DEFAULT;
  POINT ptCurrentPos;  // client coordinates of the window
  RECT rcArea;         // CFS_RECT: the area (here: the caret's rectangle)
};

// nullptr for a window that is not ours.
HIMC ImmGetContext(HWND hwnd);
BOOL ImmReleaseContext(HWND hwnd, HIMC context);
// Stores the form and hands the caret to the backend's input method, in the
// top-level surface's coordinates: rcArea when CFS_RECT is set, else a
// one-pixel-wide box of no height at ptCurrentPos.
BOOL ImmSetCompositionWindow(HIMC context, const COMPOSITIONFORM* form);
BOOL ImmGetCompositionWindow(HIMC context, COMPOSITIONFORM* form);
// GCS_COMPSTR or GCS_RESULTSTR; empty for other indices.
std::u16string ImmGetCompositionString(HIMC context, DWORD index);
// The input method's side: index GCS_COMPSTR or GCS_RESULTSTR (SCS_SETSTR
// sets the composition).
BOOL ImmSetCompositionString(HIMC context, DWORD index, std::u16string_view text);

}  // namespace os
