// Private-profile (INI) files, read and written on real files with the
// semantics of the Windows functions of the same names:
// - "[section]" lines open sections, "key=value" lines hold values; names are
//   trimmed of blanks and compare without regard to ASCII case, the first of
//   several equal sections or keys wins; values are trimmed and lose one pair of
//   enclosing quotes ("..." or '...') when read; lines starting with ";" and
//   lines without "=" are kept but never read;
// - files are UTF-8 (with or without a byte order mark) or UTF-16LE with a
//   byte order mark, and are rewritten in their own encoding; new files are
//   UTF-8, new lines end in CR LF, and lines a write does not touch keep their
//   bytes;
// - every call reads the file afresh, and every write replaces the whole file
//   at once (a complete new file is renamed over the old one), so that
//   processes sharing the file never read half of a write.
// Texts that take part in lists (section and key names) are returned like the
// Windows buffer: each name followed by a zero unit; SplitMultiString turns
// such a list into names.
//
// On Windows the system's profile functions read and write the files: new
// files are UTF-16LE with a byte order mark, existing ones keep what the
// system reads them as (UTF-16LE with a mark, else the ANSI code page), and
// the system rewrites a file in place in its own layout. The refusals, the
// cut to the caller's capacity, the trimmed default and deleting from a
// missing file are ours there too (platform/system/win32/Profile.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Types.h"

namespace os {

// Reads a value into *returned and returns its length.
// - section null: the names of all sections, as a list;
// - key null: the names of all keys of the section, as a list;
// - otherwise the key's value, or defaultValue (trailing blanks removed; null
//   means empty) when the file, the section or the key does not exist.
// size is the capacity of the caller's area in characters, terminator
// included: a value that does not fit is cut to size - 1 characters; a list
// that does not fit is cut to size - 2 characters (its last name may be cut).
DWORD GetPrivateProfileString(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                              std::u16string* returned, DWORD size, std::u16string_view fileName);

// Writes key=value into section, creating the section (at the end of the file)
// and the file (not its folder) as needed. A null value deletes the key; a null
// key deletes the whole section (the first one of that name) with its lines.
// Returns FALSE when the file cannot be read or written, or when a name or the
// value holds a line break, a key holds "=" or starts with "[" or ";", or a
// section name holds "]": such text would change the structure of the file.
BOOL WritePrivateProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                               std::u16string_view fileName);

// The names of all sections, as GetPrivateProfileString with a null section.
DWORD GetPrivateProfileSectionNames(std::u16string* returned, DWORD size, std::u16string_view fileName);

// The names in a list returned by the functions above.
std::vector<std::u16string> SplitMultiString(std::u16string_view list);

}  // namespace os
