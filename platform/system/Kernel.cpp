#include "platform/system/Kernel.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/system/KernelOverrides.h"

namespace os {
namespace {

constexpr DWORD kDefaultMajor = 6;
constexpr DWORD kDefaultMinor = 2;

std::string ReadLink(const char* path) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink(path, buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    // The link may have been cut off at exactly the buffer's size: retry larger.
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::u16string GetModuleFileName(HMODULE) { return Utf8ToUtf16(ReadLink("/proc/self/exe")); }

std::u16string GetModuleFolder(HMODULE module) {
  std::u16string path = GetModuleFileName(module);
  const auto slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  path.resize(slash + 1);
  return path;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL IsWow64Process(HANDLE process, BOOL* isWow64) {
  if (isWow64 == nullptr || process != GetCurrentProcess()) return FALSE;
  if (const auto forced = Wow64Override()) {
    *isWow64 = *forced;
    return TRUE;
  }
  *isWow64 = FALSE;
  if constexpr (sizeof(void*) == 4) {
    utsname names{};
    if (uname(&names) == 0) {
      const std::string_view machine(names.machine);
      *isWow64 = (machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x")
                     ? TRUE
                     : FALSE;
    }
  }
  return TRUE;
}

std::optional<std::string> GetEnvironmentVariable(const char* name) {
  if (name == nullptr) return std::nullopt;
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

BOOL SetEnvironmentVariable(const char* name, const char* value) {
  if (name == nullptr || *name == '\0' || std::string_view(name).find('=') != std::string_view::npos)
    return FALSE;
  const int result = value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
  return result == 0 ? TRUE : FALSE;
}

void OutputDebugString(std::string_view text) { DebugOutput(DebugCategory::General, text); }

void OutputDebugString(std::u16string_view text) { DebugOutput(DebugCategory::General, text); }

BOOL GetVersionEx(OSVERSIONINFO* info) {
  if (info == nullptr) return FALSE;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->dwMajorVersion = kDefaultMajor;
  info->dwMinorVersion = kDefaultMinor;
  info->dwBuildNumber = BuildNumberFor(kDefaultMajor, kDefaultMinor);
  ApplyVersionOverride(info);
  return TRUE;
}

}  // namespace os
