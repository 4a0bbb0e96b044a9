// Tooltips are comctl32's "tooltips_class32". Their state is read back
// through the control's own messages. Where the system keeps something to
// itself the state says what the screen shows instead:
// - `active`: there is no message that reads TTM_ACTIVATE back; it reads true
//   (a deactivated tip hides, which `shown` reports);
// - `shown`: the tip's window is visible and shows text; `text` is that
//   text (empty while hidden);
// - `position`: where the system placed the tip (its window's top-left),
//   which is the tracking position unless the tip had to move to fit the
//   screen.
#include "platform/syscontrols/Tooltip.h"

#include <cstddef>

namespace os {
// Named before the system's headers, which make TOOLINFOW a macro.
using OurToolInfo = TOOLINFOW;
}  // namespace os

// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

#include <commctrl.h>

namespace os {

using win32::As;

static_assert(sizeof(OurToolInfo) == sizeof(::TTTOOLINFOW));
static_assert(offsetof(OurToolInfo, rect) == offsetof(::TTTOOLINFOW, rect));
static_assert(offsetof(OurToolInfo, lpszText) == offsetof(::TTTOOLINFOW, lpszText));
static_assert(offsetof(OurToolInfo, lpReserved) == offsetof(::TTTOOLINFOW, lpReserved));

namespace {

bool IsTooltip(::HWND hwnd) {
  wchar_t name[64] = {};
  const int length = ::GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
  return length > 0 && ::CompareStringOrdinal(name, length, TOOLTIPS_CLASSW, -1, TRUE) == CSTR_EQUAL;
}

// The text the tip shows: the control answers WM_GETTEXT with it (the
// current tool's, or the tracking tool's, whichever it shows).
std::u16string ShownText(::HWND tip) {
  const int length = ::GetWindowTextLengthW(tip);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(tip, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return win32::OurString(text);
}

}  // namespace

BOOL GetTooltipState(HWND tooltip, TooltipState* state) {
  ::HWND tip = As<::HWND>(tooltip);
  if (state == nullptr || !::IsWindow(tip) || !IsTooltip(tip)) return FALSE;
  TooltipState read;
  read.active = true;
  if (::IsWindowVisible(tip)) read.text = ShownText(tip);
  read.shown = !read.text.empty();
  ::RECT rect{};
  if (::GetWindowRect(tip, &rect)) read.position = POINT{rect.left, rect.top};
  read.maxWidth = static_cast<int>(::SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0));
  read.toolCount = static_cast<int>(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
  read.initialDelay = static_cast<UINT>(::SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
  *state = read;
  return TRUE;
}

}  // namespace os
