// The process environment on Windows has two views: the system's block,
// which started programs inherit, and the C runtime's copy that getenv reads.
// A change is made to both, so that neither this process nor its children
// see the old value.
#include "platform/system/Kernel.h"

#include <cstdlib>
#include <string_view>

#include "platform/base/Unicode.h"

#include "platform/base/win32/Win32.h"

namespace os {

BOOL SetEnvironmentVariable(const char* name, const char* value) {
  if (name == nullptr || *name == '\0' || std::string_view(name).find('=') != std::string_view::npos)
    return FALSE;
  const std::wstring wideName = win32::WideString(Utf8ToUtf16(name));
  const std::wstring wideValue = value != nullptr ? win32::WideString(Utf8ToUtf16(value)) : std::wstring();
  if (!::SetEnvironmentVariableW(wideName.c_str(), value != nullptr ? wideValue.c_str() : nullptr))
    return FALSE;
  // An empty value removes the runtime's entry, as the system's null does.
  return ::_wputenv_s(wideName.c_str(), wideValue.c_str()) == 0 ? TRUE : FALSE;
}

}  // namespace os
