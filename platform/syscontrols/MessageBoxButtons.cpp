// The buttons of a message box type and its default answer, which every
// desktop's box and the automation's answers agree on.
#include "platform/window/internal/MessageBoxButtons.h"

namespace os::internal {

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
      return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    case MB_OK:
    default:
      return {IDOK};
  }
}

int DefaultMessageBoxAnswer(UINT type) {
  const auto buttons = MessageBoxButtons(type);
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

}  // namespace os::internal
