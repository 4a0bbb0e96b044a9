// The input method manager is imm32. ImmSetCompositionString plays the input
// method as on Linux: GCS_COMPSTR (or SCS_SETSTR) sets the text being
// composed; GCS_RESULTSTR sets it and completes it, which the system turns
// into the result string (that needs an input method the system runs for
// the context; without one the call fails).
#include "platform/syscontrols/Ime.h"

#include <cstddef>

// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

#include <imm.h>

#undef ImmGetCompositionString
#undef ImmSetCompositionString

namespace os {

using win32::As;

static_assert(sizeof(os::COMPOSITIONFORM) == sizeof(::COMPOSITIONFORM));
static_assert(offsetof(os::COMPOSITIONFORM, ptCurrentPos) == offsetof(::COMPOSITIONFORM, ptCurrentPos));
static_assert(offsetof(os::COMPOSITIONFORM, rcArea) == offsetof(::COMPOSITIONFORM, rcArea));

namespace {

::HIMC Context(HIMC context) { return As<::HIMC>(context); }

}  // namespace

HIMC ImmGetContext(HWND hwnd) { return As<HIMC>(::ImmGetContext(As<::HWND>(hwnd))); }
BOOL ImmReleaseContext(HWND hwnd, HIMC context) {
  return ::ImmReleaseContext(As<::HWND>(hwnd), Context(context));
}

BOOL ImmSetCompositionWindow(HIMC context, const COMPOSITIONFORM* form) {
  if (form == nullptr) return FALSE;
  // The system's declaration takes the form writable; it only reads it.
  ::COMPOSITIONFORM copy = *As<const ::COMPOSITIONFORM*>(form);
  return ::ImmSetCompositionWindow(Context(context), &copy);
}

BOOL ImmGetCompositionWindow(HIMC context, COMPOSITIONFORM* form) {
  if (form == nullptr) return FALSE;
  return ::ImmGetCompositionWindow(Context(context), As<::COMPOSITIONFORM*>(form));
}

std::u16string ImmGetCompositionString(HIMC context, DWORD index) {
  if (index != GCS_COMPSTR && index != GCS_RESULTSTR) return {};
  const LONG bytes = ::ImmGetCompositionStringW(Context(context), index, nullptr, 0);
  if (bytes <= 0) return {};
  std::u16string text(static_cast<std::size_t>(bytes) / sizeof(char16_t), u'\0');
  const LONG copied =
      ::ImmGetCompositionStringW(Context(context), index, text.data(), static_cast<::DWORD>(bytes));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) / sizeof(char16_t) : 0);
  return text;
}

BOOL ImmSetCompositionString(HIMC context, DWORD index, std::u16string_view text) {
  if (index != GCS_COMPSTR && index != GCS_RESULTSTR && index != SCS_SETSTR) return FALSE;
  std::u16string copy(text);
  const auto bytes = static_cast<::DWORD>(copy.size() * sizeof(char16_t));
  if (!::ImmSetCompositionStringW(Context(context), SCS_SETSTR, copy.data(), bytes, nullptr, 0)) return FALSE;
  if (index != GCS_RESULTSTR) return TRUE;
  return ::ImmNotifyIME(Context(context), NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
}

}  // namespace os
