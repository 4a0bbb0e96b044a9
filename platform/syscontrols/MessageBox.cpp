// Message boxes: modal for the owner's top-level window, presented by the
// backend, answered with one of the box's own buttons.
#include "platform/syscontrols/MessageBox.h"

#include <algorithm>

#include "platform/window/internal/WindowSystem.h"

namespace os {

using namespace internal;

namespace {

MessageBoxAnswerer& Answerer() {
  static MessageBoxAnswerer answerer;
  return answerer;
}

}  // namespace

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) { Answerer() = std::move(answerer); }

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  WindowSystem& sys = Sys();
  if (owner && !IsWindow(owner)) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto top = LookupOwn(RootOf(owner));
  // The box is modal: its owner takes no input until it is answered. The box
  // is the active window meanwhile, so the window that was active loses
  // activation and focus, and gets activation back afterwards (and with it,
  // through the default WM_ACTIVATE, the focus).
  const bool disable = top && !(top->style & WS_DISABLED);
  if (disable) EnableWindow(top->handle, FALSE);
  const HWND wasActive = sys.input().Active();
  const bool outerBox = !sys.input().SetModalBox(true);
  if (wasActive) ActivateWindow(nullptr, WA_INACTIVE, false);
  const std::u16string_view shownText = text ? text : u"";
  const std::u16string_view shownCaption = caption ? caption : u"Error";
  std::optional<int> given;
  if (Answerer()) given = Answerer()(top ? top->handle : nullptr, shownText, shownCaption, type);
  int answer =
      given ? *given : sys.backend().ShowMessageBox(top ? top->surface : 0, shownText, shownCaption, type);
  const auto buttons = MessageBoxButtons(type);
  if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end())
    answer = DefaultMessageBoxAnswer(type);
  if (disable && !top->destroyed) EnableWindow(top->handle, TRUE);
  // The window that was active gets activation back; when it is gone (a
  // field's popup edit window closes as the box takes the focus), the box's
  // owner gets it, as Windows activates the owner of a closing box.
  const auto canActivate = [](const WindowPtr& w) {
    return w && !w->destroyed && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
  };
  WindowPtr back = LookupOwn(wasActive);
  if (!canActivate(back)) back = top;
  if (!sys.input().Active() && canActivate(back)) ActivateWindow(back->handle, WA_ACTIVE, false);
  if (outerBox) sys.input().SetModalBox(false);
  return answer;
}

}  // namespace os
