// Where things live on this machine: the full desktop client's install record
// and the launcher's own per-user data folder.
#pragma once

#include <string>

// Whether the launcher runs as a 32-bit program on a 64-bit system, which
// decides the registry view of the install record (LUMORA_WOW64 overrides).
bool IsWow64();

// Reads the full client's program path ("DisplayIcon" of its Uninstall record
// under HKEY_LOCAL_MACHINE, below Software\Wow6432Node when IsWow64) into
// clientPath. False, with clientPath untouched, when there is no record, no
// such value, a value longer than 255 characters, or an empty one.
bool FindInstalledClient(std::u16string& clientPath);

// The launcher's data folder: the application-data folder (CSIDL_APPDATA,
// created if missing) followed by "lumora/", created if missing; always ends
// in "/". Holds install/, login/, channel.ini and tmp/. When the
// application-data folder is unknown or its path has 256 characters or more,
// the result is "/lumora/" and nothing is created, so that file operations
// below it fail on their own.
std::u16string DataDirectory();
