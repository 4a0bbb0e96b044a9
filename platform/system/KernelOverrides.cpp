#include "platform/system/KernelOverrides.h"

#include <charconv>
#include <string_view>
#include <system_error>

namespace os {

// So that code that prints or compares the full version sees plausible values.
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

namespace {

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

void ApplyVersionOverride(OSVERSIONINFO* info) {
  const auto forced = GetEnvironmentVariable("LUMORA_OS_VERSION");
  if (!forced || forced->empty()) return;
  if (!ParseVersion(*forced, info)) {
    DebugOutput(DebugCategory::Settings, "LUMORA_OS_VERSION is not major.minor[.build]; ignored");
  }
}

std::optional<BOOL> Wow64Override() {
  const auto forced = GetEnvironmentVariable("LUMORA_WOW64");
  if (!forced || (*forced != "1" && *forced != "0")) return std::nullopt;
  return *forced == "1" ? TRUE : FALSE;
}

}  // namespace os
