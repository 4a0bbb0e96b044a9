#include "platform/syscontrols/Ime.h"

#include "platform/window/Window.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace {

internal::WindowPtr WindowOf(HIMC context) { return internal::LookupOwn(reinterpret_cast<HWND>(context)); }

}  // namespace

HIMC ImmGetContext(HWND hwnd) { return internal::LookupOwn(hwnd) ? reinterpret_cast<HIMC>(hwnd) : nullptr; }

BOOL ImmReleaseContext(HWND hwnd, HIMC context) {
  return context != nullptr && reinterpret_cast<HWND>(context) == hwnd ? TRUE : FALSE;
}

BOOL ImmSetCompositionWindow(HIMC context, const COMPOSITIONFORM* form) {
  internal::WindowPtr w = WindowOf(context);
  if (!w || form == nullptr) return FALSE;
  w->imeFormStyle = form->dwStyle;
  w->imeFormPos = form->ptCurrentPos;
  w->imeFormArea = form->rcArea;
  RECT caret = (form->dwStyle & CFS_RECT) != 0 ? form->rcArea
                                               : RECT{form->ptCurrentPos.x, form->ptCurrentPos.y,
                                                      form->ptCurrentPos.x + 1, form->ptCurrentPos.y};
  const HWND hwnd = reinterpret_cast<HWND>(context);
  const HWND top = GetAncestor(hwnd, GA_ROOT);
  internal::WindowPtr root = internal::LookupOwn(top);
  if (!root || root->surface == 0) return TRUE;
  // Client coordinates of the window → window coordinates of its top level.
  POINT corners[2] = {{caret.left, caret.top}, {caret.right, caret.bottom}};
  MapWindowPoints(hwnd, top, corners, 2);
  RECT topWindow{};
  GetWindowRect(top, &topWindow);
  POINT origin{0, 0};
  ClientToScreen(top, &origin);
  const LONG dx = origin.x - topWindow.left;
  const LONG dy = origin.y - topWindow.top;
  internal::Sys().backend().SetImeCaretRect(
      root->surface, RECT{corners[0].x + dx, corners[0].y + dy, corners[1].x + dx, corners[1].y + dy});
  return TRUE;
}

BOOL ImmGetCompositionWindow(HIMC context, COMPOSITIONFORM* form) {
  internal::WindowPtr w = WindowOf(context);
  if (!w || form == nullptr) return FALSE;
  form->dwStyle = w->imeFormStyle;
  form->ptCurrentPos = w->imeFormPos;
  form->rcArea = w->imeFormArea;
  return TRUE;
}

std::u16string ImmGetCompositionString(HIMC context, DWORD index) {
  internal::WindowPtr w = WindowOf(context);
  if (!w) return {};
  if (index == GCS_COMPSTR) return w->imeComposition;
  if (index == GCS_RESULTSTR) return w->imeResult;
  return {};
}

BOOL ImmSetCompositionString(HIMC context, DWORD index, std::u16string_view text) {
  internal::WindowPtr w = WindowOf(context);
  if (!w) return FALSE;
  if (index == GCS_COMPSTR || index == SCS_SETSTR) {
    w->imeComposition.assign(text);
  } else if (index == GCS_RESULTSTR) {
    w->imeResult.assign(text);
  } else {
    return FALSE;
  }
  return TRUE;
}

}  // namespace os
