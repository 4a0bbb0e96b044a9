// Files the launcher writes for itself under the user's folders: remembered
// account, channel record, installer download and its validator, cache index
// files. They hold tokens, passwords and cached pages, so a file is private
// to the user from its first byte on (0600 on Linux, created before any
// byte is written; on Windows the user's profile folders, where they live,
// are private already and the file takes their access rules). Paths are the
// standard library's: made from a narrow string they are its bytes on Linux,
// and on Windows each byte is the character of the same value (the C
// runtime's default locale), so the launcher's narrow paths, whose letters
// lie below U+0100, come back as the letters they were made from; they reach
// the system as UTF-16.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace os {

// Opens path for writing as a stdio stream: truncated to nothing, or with
// append its bytes kept and every write going to its end (reading allowed
// too). A file the call creates is private; one that existed is made private.
// Null (with errno set) when the file cannot be opened.
std::FILE* OpenPrivateFile(const std::filesystem::path& path, bool append);

// Replaces path's content with bytes in a private file. False when the file
// cannot be opened or not every byte reached it; what was written stays.
bool WritePrivateFile(const std::filesystem::path& path, std::string_view bytes);

// Overwrites an existing regular file with zero bytes from offset to its end,
// keeping its length. Never creates a file, never follows a symbolic link and
// never waits on a pipe or device: those are refused (false). True when the
// file was a regular file (one no longer than offset is left as it is).
bool OverwriteWithZeros(const std::filesystem::path& path, std::int64_t offset);

// Opens path for reading as a binary stdio stream: the way back to the files
// above, by the same paths. Null (with errno set) when the file cannot be
// opened.
std::FILE* OpenFileToRead(const std::filesystem::path& path);

}  // namespace os
