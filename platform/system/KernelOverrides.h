// The answers of the kernel functions that tests may replace through the
// environment, the same for every flavour. Internal to the system group.
#pragma once

#include <optional>

#include "platform/system/Kernel.h"

namespace os {

// Build numbers of the releases the launcher distinguishes (0 for others).
DWORD BuildNumberFor(DWORD major, DWORD minor);

// Replaces the version in *info with LUMORA_OS_VERSION ("major.minor" or
// "major.minor.build", decimal digits only) when it is set; a malformed value
// leaves *info as it was and says so in the debug output.
void ApplyVersionOverride(OSVERSIONINFO* info);

// LUMORA_WOW64 as IsWow64Process's answer: "1" TRUE, "0" FALSE, anything
// else no override.
std::optional<BOOL> Wow64Override();

}  // namespace os
