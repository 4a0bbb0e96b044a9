// Message boxes: modal for the owner's top-level window, presented by the
// backend, answered with one of the box's own buttons.
#include "platform/MessageBox.h"

#include <algorithm>

#include "platform/internal/WindowSystem.h"

namespace os {
namespace internal {

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    case MB_OK:
    default: return {IDOK};
  }
}

int DefaultMessageBoxAnswer(UINT type) {
  const auto buttons = MessageBoxButtons(type);
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

}  // namespace internal

using namespace internal;

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  WindowSystem& sys = Sys();
  if (owner && !IsWindow(owner)) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto top = LookupOwn(RootOf(owner));
  // The box is modal: its owner takes no input until it is answered.
  const bool disable = top && !(top->style & WS_DISABLED);
  if (disable) EnableWindow(top->handle, FALSE);
  int answer = sys.backend().ShowMessageBox(top ? top->surface : 0, text ? text : u"", caption ? caption : u"Error",
                                            type);
  const auto buttons = MessageBoxButtons(type);
  if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) answer = DefaultMessageBoxAnswer(type);
  if (disable && !top->destroyed) EnableWindow(top->handle, TRUE);
  return answer;
}

}  // namespace os
