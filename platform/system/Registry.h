// The registry, read from a file in the format of regedit's exports
// ("Windows Registry Editor Version 5.00" or "REGEDIT4"):
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\http\UserChoice]
//   "Progid"="FirefoxURL"
//
//   [HKEY_CLASSES_ROOT\FirefoxURL\shell\open\command]
//   @="\"/usr/bin/firefox\" %u"
//
// Keys are sections with a root of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or
// HKEY_CLASSES_ROOT (or their short forms HKLM, HKCU, HKCR); values are
// "name"="text" (with \\ and \" escapes), @= for a key's default value,
// dword:XXXXXXXX, hex:.. and hex(N):.. (continued over lines with a trailing
// backslash); "name"=- and [-key] delete what an earlier line made; lines
// starting with ";" are comments. The file may be UTF-8 or UTF-16 with a byte
// order mark. It is named by LUMORA_REGISTRY, by default
// $XDG_CONFIG_HOME/lumora/registry.reg (~/.config when unset). A missing file
// is an empty registry. Access is read-only.
//
// The layout is that of 64-bit Windows: the 32-bit view of
// HKEY_LOCAL_MACHINE\Software lives under HKEY_LOCAL_MACHINE\Software\Wow6432Node,
// and KEY_WOW64_32KEY / KEY_WOW64_64KEY pick the view; without either flag a
// process sees the view of its own bitness (IsWow64Process, platform/system/Kernel.h). Sections written
// under HKEY_CLASSES_ROOT are stored under HKEY_LOCAL_MACHINE\Software\Classes,
// and HKEY_CLASSES_ROOT merges HKEY_CURRENT_USER\Software\Classes over it, as
// Windows does. Key and value names compare without regard to ASCII case.
//
// Each open of a predefined root reads the file afresh; keys opened from a
// handle see the same snapshot as that handle.
//
// On Windows the registry is the system's (no file): keys are opened for
// reading only whatever rights are asked for, and the path, capacity and
// text rules above hold there too (platform/system/win32/Registry.cpp).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/base/Errors.h"
#include "platform/base/Types.h"

namespace os {

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// No limit on the size of the data a query may return.
constexpr DWORD REG_ANY_SIZE = 0xFFFFFFFF;

// Opens subKey ("a\b\c", a trailing backslash allowed; empty opens key itself)
// below key. Rights in sam other than the view flags are accepted and not
// enforced (nothing can write). ERROR_FILE_NOT_FOUND when the key does not
// exist, ERROR_INVALID_PARAMETER when both view flags are given or result is
// null, ERROR_INVALID_HANDLE for a null key. On failure *result is null.
LSTATUS RegOpenKeyEx(HKEY key, std::u16string_view subKey, DWORD options, REGSAM sam, HKEY* result);

// Closes a key opened by RegOpenKeyEx; closing a predefined root does nothing.
LSTATUS RegCloseKey(HKEY key);

// Reads a value of an opened key (empty name: the default value). *type gets
// its type, *data its bytes as Windows returns them: text as UTF-16LE with its
// terminating zero unit, a dword as 4 little-endian bytes. Data larger than
// capacity bytes gives ERROR_MORE_DATA (type set, data cleared), like a caller
// buffer of that size on Windows. type and data may be null.
LSTATUS RegQueryValueEx(HKEY key, std::u16string_view valueName, DWORD* type, std::string* data,
                        DWORD capacity = REG_ANY_SIZE);

// The index-th value of a key in file order (the default value included when
// set), with the same data rules as RegQueryValueEx; ERROR_NO_MORE_ITEMS past
// the last one. name, type and data may be null.
LSTATUS RegEnumValue(HKEY key, DWORD index, std::u16string* name, DWORD* type, std::string* data,
                     DWORD capacity = REG_ANY_SIZE);

// The text of REG_SZ-style data: its UTF-16LE units up to the first zero unit
// (or the end), as a caller reads a string buffer filled by a query.
std::u16string RegDataToString(std::string_view data);

// Closes an opened key when it goes out of scope.
struct RegKeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueHKey = std::unique_ptr<HKEY__, RegKeyCloser>;

}  // namespace os
