// The kernel's own answers about the process, with the rules the launcher's
// callers depend on in every flavour:
// - paths handed out use "/" as separator (the system accepts it everywhere
//   the launcher passes a path back), so that callers split a path at its
//   last "/" on every system;
// - the version is what the system tells this program (GetVersionExW: 6.2
//   for Windows 8 and later when the program declares no newer system in a
//   manifest), unless LUMORA_OS_VERSION replaces it;
// - a call that only reads the environment leaves the last error as it was,
//   as the other flavour does.
#include "platform/system/Kernel.h"

#include "platform/base/Unicode.h"
#include "platform/system/KernelOverrides.h"
#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

#include <algorithm>

namespace os {
namespace {

using IsWow64ProcessFunction = ::BOOL(WINAPI*)(::HANDLE, ::BOOL*);

// Windows XP before its second service pack has no IsWow64Process: there a
// process is never WOW64.
IsWow64ProcessFunction SystemIsWow64Process() {
  const ::HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  const ::FARPROC found = ::GetProcAddress(kernel, "IsWow64Process");
  return reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

std::u16string GetModuleFileName(HMODULE module) {
  return win32::ForwardSlashes(win32::OurString(win32::SystemModulePath(win32::As<::HMODULE>(module))));
}

std::u16string GetModuleFolder(HMODULE module) {
  std::u16string path = GetModuleFileName(module);
  const auto slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  path.resize(slash + 1);
  return path;
}

DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

HANDLE GetCurrentProcess() { return ::GetCurrentProcess(); }

BOOL IsWow64Process(HANDLE process, BOOL* isWow64) {
  if (isWow64 == nullptr || process == nullptr) return FALSE;
  if (process == ::GetCurrentProcess()) {
    if (const auto forced = Wow64Override()) {
      *isWow64 = *forced;
      return TRUE;
    }
  }
  const IsWow64ProcessFunction query = SystemIsWow64Process();
  if (query == nullptr) {
    *isWow64 = FALSE;
    return TRUE;
  }
  ::BOOL answer = FALSE;
  if (!query(process, &answer)) return FALSE;
  *isWow64 = answer ? TRUE : FALSE;
  return TRUE;
}

std::optional<std::string> GetEnvironmentVariable(const char* name) {
  if (name == nullptr) return std::nullopt;
  const win32::KeepLastError keep;
  const std::wstring wideName = win32::WideString(Utf8ToUtf16(name));
  std::wstring value(64, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const ::DWORD length =
        ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<::DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // A value that does not fit reports the room it needs, terminator included.
    if (length < value.size()) {
      value.resize(length);
      return Utf16ToUtf8(win32::OurString(value));
    }
    value.assign(length, L'\0');
  }
}

void OutputDebugString(std::string_view text) { DebugOutput(DebugCategory::General, text); }

void OutputDebugString(std::u16string_view text) { DebugOutput(DebugCategory::General, text); }

BOOL GetVersionEx(OSVERSIONINFO* info) {
  if (info == nullptr) return FALSE;
  ::OSVERSIONINFOW system{};
  system.dwOSVersionInfoSize = sizeof system;
  if (!::GetVersionExW(&system)) return FALSE;
  info->dwPlatformId = system.dwPlatformId;
  info->dwMajorVersion = system.dwMajorVersion;
  info->dwMinorVersion = system.dwMinorVersion;
  info->dwBuildNumber = system.dwBuildNumber;
  ApplyVersionOverride(info);
  return TRUE;
}

}  // namespace os
