// The user's folders on Windows are the system's profile folders, in UTF-8
// with "/" as separator: the home folder is the profile folder, data and
// settings live in the roaming application-data folder, caches in the local
// one. The variables of the other flavour's convention (HOME, XDG_*) mean
// nothing here.
//
// Folders the launcher creates are private by inheritance: they lie in the
// user's profile, whose permissions admit only the user, the administrators
// and the system; the launcher gives them no permissions of their own.
#include "platform/system/UserFolders.h"

#include "platform/base/Unicode.h"
#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

#include <shlobj.h>

#include <vector>

namespace os {
namespace {

std::string SystemFolder(int csidl) {
  // The system's area for a folder path is MAX_PATH characters.
  std::wstring area(MAX_PATH + 1, L'\0');
  if (::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, area.data()) != S_OK) return {};
  area.resize(area.find(L'\0'));
  return Utf16ToUtf8(win32::ForwardSlashes(win32::OurString(area)));
}

bool IsFolder(const std::wstring& path) {
  const ::DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::string HomeFolder() { return SystemFolder(CSIDL_PROFILE); }

std::string XdgDataHome() { return SystemFolder(CSIDL_APPDATA); }
std::string XdgCacheHome() { return SystemFolder(CSIDL_LOCAL_APPDATA); }
std::string XdgConfigHome() { return SystemFolder(CSIDL_APPDATA); }

bool CreatePrivateFolders(const std::filesystem::path& folder) {
  if (folder.empty()) return false;
  const std::wstring target = folder.wstring();
  // The missing levels, outermost first: each level ends where a separator
  // follows it.
  std::vector<std::wstring> missing;
  for (std::wstring level = target; !level.empty() && !IsFolder(level);) {
    missing.insert(missing.begin(), level);
    const auto separator = level.find_last_of(L"\\/");
    if (separator == std::wstring::npos || separator == 0) break;
    level.resize(separator);
    while (!level.empty() && (level.back() == L'\\' || level.back() == L'/')) level.pop_back();
    // "C:" names a drive, which exists or not on its own.
    if (level.size() == 2 && level[1] == L':') break;
  }
  for (const std::wstring& level : missing) ::CreateDirectoryW(level.c_str(), nullptr);
  return IsFolder(target);
}

bool CreatePrivateFolders(const std::string& utf8Folder) {
  return CreatePrivateFolders(std::filesystem::path(Utf8ToUtf16(utf8Folder)));
}

}  // namespace os
