// The system's private-profile functions, with the rules the launcher's
// callers depend on in every flavour kept where the system's own differ:
// - a file the launcher creates is UTF-16LE with a byte order mark (the
//   system writes a new file in the ANSI code page, which loses every
//   character outside it: a Chinese window title written on a Western
//   system would read back as question marks). Files that exist keep the
//   encoding the system finds in them: UTF-16LE with a mark, else the ANSI
//   code page (the system reads no UTF-8 without a mark);
// - writes whose text would change the file's structure (line breaks, "]" in
//   a section name, "=" in a key, a key starting with "[" or ";", an empty
//   key) are refused before the system sees them: it would write them as
//   they are and the file would read back differently;
// - deleting from a file that does not exist succeeds and creates nothing;
// - a file name without a folder names a file in the current folder (the
//   system would look in the Windows folder), and an empty one names no
//   file at all (the system would use its own win.ini);
// - what does not fit the caller's capacity is cut by our rules (a value to
//   the capacity less one, a list to the capacity less two characters), which
//   is what the system documents; some systems cut lists one character
//   short. Whatever the capacity, the area grows only as the answer does.
// - trailing blanks (spaces and tabs) of the default are removed before the
//   system sees it; some systems remove only spaces.
// Writes go through the system, which rewrites the file in place.
#include "platform/system/Profile.h"

#include "platform/system/ProfileText.h"
#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

#include <algorithm>

namespace os {
namespace {

constexpr ::DWORD kFirstArea = 1024;
// No profile value or list of ours comes near this: the area stops growing
// here, and a larger answer is cut to it.
constexpr ::DWORD kLargestArea = 4u << 20;

// The file as the system is to see it: a full path (the system looks for a
// bare name in the Windows folder); the caller's text when it has none.
std::wstring SystemPath(std::u16string_view fileName) {
  const std::wstring given = win32::WideString(fileName);
  const ::DWORD needed = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return given;
  std::wstring full(needed, L'\0');
  const ::DWORD length = ::GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return given;
  full.resize(length);
  return full;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates the file holding only the UTF-16LE byte order mark, so that the
// system writes it in UTF-16. False when it cannot be created (its folder
// is missing, say); a file that appeared meanwhile is left as it is.
bool CreateUtf16File(const std::wstring& path) {
  const ::HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
  static constexpr unsigned char kMark[] = {0xFF, 0xFE};
  ::DWORD written = 0;
  const bool ok = ::WriteFile(file, kMark, sizeof kMark, &written, nullptr) && written == sizeof kMark;
  ::CloseHandle(file);
  if (!ok) ::DeleteFileW(path.c_str());
  return ok;
}

std::wstring Trimmed(const char16_t* name) { return win32::WideString(TrimProfileName(name)); }

// The whole answer, in an area that grows until the system no longer cuts
// it (the system cuts a value to the area less one character and a list to
// the area less two).
std::u16string SystemAnswer(const char16_t* section, const char16_t* key, const std::u16string& fallback,
                            const std::wstring& path) {
  std::wstring area;
  ::DWORD length = 0;
  for (::DWORD room = kFirstArea;; room *= 4) {
    area.assign(room, L'\0');
    length = ::GetPrivateProfileStringW(win32::Wide(section), win32::Wide(key), win32::Wide(fallback.c_str()),
                                        area.data(), room, path.c_str());
    if (length + 2 < room || room >= kLargestArea) break;
  }
  return std::u16string(win32::Ours(area.data()), std::min<std::size_t>(length, area.size()));
}

}  // namespace

DWORD GetPrivateProfileString(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                              std::u16string* returned, DWORD size, std::u16string_view fileName) {
  if (returned == nullptr) return 0;
  returned->clear();
  const bool list = section == nullptr || key == nullptr;
  std::u16string fallback = defaultValue != nullptr ? defaultValue : u"";
  while (!fallback.empty() && IsProfileBlank(fallback.back())) fallback.pop_back();
  // No file name names no file (the system would read its own win.ini).
  std::u16string answer = fileName.empty() ? (list ? std::u16string() : fallback)
                                           : SystemAnswer(section, key, fallback, SystemPath(fileName));
  // Our cut to the caller's capacity.
  const DWORD cut = list ? 2 : 1;
  if (size < cut) return 0;
  if (answer.size() + 1 > size) answer.resize(size - cut);
  *returned = std::move(answer);
  return static_cast<DWORD>(returned->size());
}

DWORD GetPrivateProfileSectionNames(std::u16string* returned, DWORD size, std::u16string_view fileName) {
  return GetPrivateProfileString(nullptr, nullptr, nullptr, returned, size, fileName);
}

BOOL WritePrivateProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                               std::u16string_view fileName) {
  if (!ProfileWriteKeepsStructure(section, key, value)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool deletes = key == nullptr || value == nullptr;
  // No file name names no file (the system would write its own win.ini).
  if (fileName.empty()) {
    if (deletes) return TRUE;
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::wstring path = SystemPath(fileName);
  if (!Exists(path)) {
    if (deletes) return TRUE;
    if (!CreateUtf16File(path)) return FALSE;
  }
  const std::wstring sectionName = Trimmed(section);
  const std::wstring keyName = key != nullptr ? Trimmed(key) : std::wstring();
  const std::wstring valueText = value != nullptr ? win32::WideString(value) : std::wstring();
  return ::WritePrivateProfileStringW(sectionName.c_str(), key != nullptr ? keyName.c_str() : nullptr,
                                      value != nullptr ? valueText.c_str() : nullptr, path.c_str())
             ? TRUE
             : FALSE;
}

}  // namespace os
