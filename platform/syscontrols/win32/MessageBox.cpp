// Message boxes are the system's (MessageBoxW). The automation's answerer is
// asked in MessageBox itself, before the system's box would open: the owner's
// top-level window is disabled meanwhile, as under a box, and an answer the
// box has no button for becomes its default button, as on Linux. Boxes that
// code of the system's opens by itself are not offered to the answerer.
#include "platform/syscontrols/MessageBox.h"

#include <algorithm>

#include "platform/window/internal/MessageBoxButtons.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;

namespace {

MessageBoxAnswerer& Answerer() {
  static MessageBoxAnswerer answerer;
  return answerer;
}

int Answered(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) {
  ::HWND top = owner ? ::GetAncestor(As<::HWND>(owner), GA_ROOT) : nullptr;
  const bool disable = top && ::IsWindowEnabled(top);
  if (disable) ::EnableWindow(top, FALSE);
  const std::optional<int> given = Answerer()(As<HWND>(top), text, caption, type);
  if (disable && ::IsWindow(top)) ::EnableWindow(top, TRUE);
  if (!given) return 0;
  const std::vector<int> buttons = internal::MessageBoxButtons(type);
  return std::find(buttons.begin(), buttons.end(), *given) != buttons.end()
             ? *given
             : internal::DefaultMessageBoxAnswer(type);
}

}  // namespace

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) { Answerer() = std::move(answerer); }

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner && !::IsWindow(As<::HWND>(owner))) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (Answerer()) {
    if (const int answer = Answered(owner, text ? text : u"", caption ? caption : u"Error", type))
      return answer;
  }
  return ::MessageBoxW(As<::HWND>(owner), win32::Wide(text), win32::Wide(caption), type);
}

}  // namespace os
