// Font handles across the edge to the system's procedures (FontMessages.h).
// A Font gives its GDI font where the gfx group draws with GDI (Font::Handle);
// with a gfx group that has none, the control keeps its default font.
#include "platform/window/win32/FontMessages.h"

#include <map>
#include <mutex>

#include "platform/gfx/Text.h"
#include "platform/window/DeviceContext.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os::win32 {
namespace {

template <typename F>
::HFONT GdiFontOf(const F* font) {
  if (font == nullptr) return nullptr;
  if constexpr (requires { font->Handle(); }) {
    return reinterpret_cast<::HFONT>(font->Handle());
  } else {
    return nullptr;
  }
}

struct SetFonts {
  std::mutex mutex;
  std::map<::HFONT, HFONT> ours;  // GDI font → the Font it was taken from
};

SetFonts& Fonts() {
  static SetFonts fonts;
  return fonts;
}

WPARAM ToSystem(WPARAM ourFont) {
  const auto font = reinterpret_cast<HFONT>(ourFont);
  const ::HFONT gdi = GdiFontOf(font);
  if (gdi != nullptr) {
    std::lock_guard lock(Fonts().mutex);
    Fonts().ours[gdi] = font;
  }
  return reinterpret_cast<WPARAM>(gdi);
}

LRESULT ToOurs(LRESULT systemFont) {
  std::lock_guard lock(Fonts().mutex);
  auto found = Fonts().ours.find(reinterpret_cast<::HFONT>(systemFont));
  return found == Fonts().ours.end() ? 0 : reinterpret_cast<LRESULT>(found->second);
}

}  // namespace

bool IsSystemProcedure(const void* procedure) {
  ::HMODULE module = nullptr;
  // A procedure that is no address in a module (the system's thunks) is the
  // system's too.
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const wchar_t*>(procedure), &module))
    return true;
  return module != ::GetModuleHandleW(nullptr);
}

bool HasSystemProcedure(HWND hwnd) {
  const auto procedure = ::GetWindowLongPtrW(As<::HWND>(hwnd), GWLP_WNDPROC);
  return procedure != 0 && IsSystemProcedure(reinterpret_cast<const void*>(procedure));
}

LRESULT WithSystemFonts(UINT message, WPARAM wParam, const std::function<LRESULT(WPARAM)>& call) {
  if (message == WM_SETFONT) return call(ToSystem(wParam));
  if (message == WM_GETFONT) return ToOurs(call(wParam));
  return call(wParam);
}

}  // namespace os::win32
