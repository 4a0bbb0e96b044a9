// Process and module facts in the shape of the Windows kernel functions: the
// executable's own path, the process id, debug output and the reported
// Windows version.
//
// On Windows these are the system's answers (platform/system/win32/), with
// the same shapes: paths use "/" as separator, the version is what the system
// tells this program (GetVersionExW) unless LUMORA_OS_VERSION replaces it,
// LUMORA_WOW64 overrides the current process's WOW64 answer, and any process
// handle may be asked.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/DebugOutput.h"
#include "platform/base/SystemTime.h"
#include "platform/base/Types.h"

namespace os {

// Full path of the running executable (/proc/self/exe), wide, with "/" as
// separator. There are no loadable modules besides the executable, so every
// module handle, null included, names it. Empty when the path cannot be read.
std::u16string GetModuleFileName(HMODULE module = nullptr);

// The executable's folder: GetModuleFileName up to and including its last "/".
std::u16string GetModuleFolder(HMODULE module = nullptr);

DWORD GetCurrentProcessId();

// Pseudo handle of the current process, as on Windows ((HANDLE)-1).
HANDLE GetCurrentProcess();

// The process's bitness as WOW64 defines it: TRUE in *isWow64 for a 32-bit
// build on a 64-bit kernel. LUMORA_WOW64=1 or 0 overrides the answer so that
// tests can play a 32-bit launcher on 64-bit Windows. Only the current process
// can be asked; FALSE for another process or a null output.
BOOL IsWow64Process(HANDLE process, BOOL* isWow64);

// The value of an environment variable, or nothing when it is not set.
std::optional<std::string> GetEnvironmentVariable(const char* name);
// Sets an environment variable of this process (and of the programs it starts
// later) to value, or removes it when value is null. FALSE when name is null,
// empty or holds '='.
BOOL SetEnvironmentVariable(const char* name, const char* value);

// Debug output in categories: base/DebugOutput.h.
// The general category's line.
void OutputDebugString(std::u16string_view text);
void OutputDebugString(std::string_view text);

constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFO {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
};

// The Windows version the launcher is told. Windows 8 and later report 6.2 to
// programs without a compatibility manifest, so 6.2 is the default;
// LUMORA_OS_VERSION ("5.1", "6.1", "6.2.9200", ...) replaces it, which lets
// tests walk the launcher's per-version paths. A malformed value is ignored.
// Fails (FALSE) only for a null argument.
BOOL GetVersionEx(OSVERSIONINFO* info);

}  // namespace os
