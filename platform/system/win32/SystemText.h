// Texts and paths at the system group's edge on Windows: narrow texts of the
// launcher are UTF-8 (never the ANSI code page, which cannot spell every
// user's folder), and the paths the group hands out use "/" as separator, as
// in every flavour. Only the group's win32 sources include this header, after
// the platform headers they implement.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Unicode.h"

#include "platform/base/win32/Win32.h"

namespace os::win32 {

// path with every "\" turned into "/".
inline std::u16string ForwardSlashes(std::u16string path) {
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  return path;
}

// A UTF-8 text as the system's wide text.
inline std::wstring WideFromUtf8(std::string_view text) { return WideString(Utf8ToUtf16(text)); }

// The full path of a module as the system spells it; empty when the system
// cannot say. The area grows until the path fits (the system cuts a path
// that does not fit without saying so on older versions).
inline std::wstring SystemModulePath(::HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const ::DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<::DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    // The longest path the system knows has 32767 characters.
    if (path.size() > 32768) return {};
    path.resize(path.size() * 2);
  }
}

// Restores the calling thread's last error when it goes out of scope, for
// calls whose other flavour never touches it.
class KeepLastError {
 public:
  KeepLastError() : error_(::GetLastError()) {}
  ~KeepLastError() { ::SetLastError(error_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  ::DWORD error_;
};

}  // namespace os::win32
