#include "platform/system/Kernel.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/base/Unicode.h"

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

// Build numbers of the releases the launcher distinguishes, so that code that
// prints or compares the full version sees plausible values.
DWORD BuildNumberFor(DWORD major, DWORD minor) {
  if (major == 5 && minor == 0) return 2195;
  if (major == 5 && minor == 1) return 2600;
  if (major == 5 && minor == 2) return 3790;
  if (major == 6 && minor == 0) return 6002;
  if (major == 6 && minor == 1) return 7601;
  if (major == 6 && minor == 2) return 9200;
  if (major == 6 && minor == 3) return 9600;
  return 0;
}

bool ParseNumber(std::string_view text, DWORD* value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end;
}

// "major.minor" or "major.minor.build", decimal digits only.
bool ParseVersion(std::string_view text, OSVERSIONINFO* info) {
  const auto dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view rest = text.substr(dot + 1);
  const auto dot2 = rest.find('.');
  DWORD major = 0, minor = 0, build = 0;
  if (!ParseNumber(text.substr(0, dot), &major)) return false;
  if (!ParseNumber(rest.substr(0, dot2), &minor)) return false;
  if (dot2 == std::string_view::npos) {
    build = BuildNumberFor(major, minor);
  } else if (!ParseNumber(rest.substr(dot2 + 1), &build)) {
    return false;
  }
  info->dwMajorVersion = major;
  info->dwMinorVersion = minor;
  info->dwBuildNumber = build;
  return true;
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
  if (const auto forced = GetEnvironmentVariable("LUMORA_WOW64");
      forced && (*forced == "1" || *forced == "0")) {
    *isWow64 = *forced == "1" ? TRUE : FALSE;
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
  if (const auto forced = GetEnvironmentVariable("LUMORA_OS_VERSION"); forced && !forced->empty()) {
    if (!ParseVersion(*forced, info)) {
      DebugOutput(DebugCategory::Settings, "LUMORA_OS_VERSION is not major.minor[.build]; using 6.2");
    }
  }
  return TRUE;
}

}  // namespace os
