#include "support/BrowserCache.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/com/BrowserEngine.h"
#include "platform/com/UrlCache.h"
#include "platform/system/PrivateFile.h"
#include "platform/system/Shell.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kIndexHeader = 64;

bool SameNameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Our UTF-8 text as a path on both systems: a char8_t string is taken as
// UTF-8 where a plain one would be the Windows code page.
fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// A name to compare with ASCII names: UTF-8 (on Linux the name's own bytes).
std::string NameOf(const fs::path& name) {
  const std::u8string text = name.u8string();
  return std::string(text.begin(), text.end());
}

bool DeleteTreeAt(const fs::path& folder, bool removeDesktopIni, bool wipeIndexDat) {
  std::error_code ec;
  fs::directory_iterator entries(folder, ec);
  if (ec) return false;
  // The names first: deleting while reading a directory may skip entries.
  std::vector<fs::path> paths;
  for (const fs::directory_entry& entry : entries) paths.push_back(entry.path());
  for (const fs::path& path : paths) {
    const std::string name = NameOf(path.filename());
    if (!removeDesktopIni && SameNameNoCase(name, "desktop.ini")) continue;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec) continue;
    const bool link = fs::is_symlink(status);
    const bool folderEntry = fs::is_directory(status);
    // The read-only attribute is the owner's missing write permission. A
    // folder also needs reading and searching to be emptied, which Windows
    // never denies its owner.
    const fs::perms wanted = folderEntry ? fs::perms::owner_all : fs::perms::owner_write;
    if (!link && (status.permissions() & wanted) != wanted)
      fs::permissions(path, wanted, fs::perm_options::add, ec);
    if (folderEntry) {
      DeleteTreeAt(path, removeDesktopIni, wipeIndexDat);
      fs::remove(path, ec);  // stays when something in it stayed
      continue;
    }
    if (wipeIndexDat && !link && SameNameNoCase(name, "index.dat")) {
      os::OverwriteWithZeros(path, kIndexHeader);
    }
    fs::remove(path, ec);  // a file still in use simply stays
  }
  return true;
}

}  // namespace

bool ClearUrlCache(int mode) {
  os::DWORD size = 0;
  os::FindFirstUrlCacheEntry(nullptr, nullptr, &size);
  std::vector<std::uint8_t> buffer(size);
  auto* entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  os::HANDLE find = os::FindFirstUrlCacheEntry(nullptr, buffer.empty() ? nullptr : entry, &size);
  if (!find) return false;
  while (true) {
    const bool cookie = (entry->CacheEntryType & os::COOKIE_CACHE_ENTRY) != 0;
    if ((mode == 0 && !cookie) || (mode == 1 && cookie)) os::DeleteUrlCacheEntry(entry->lpszSourceUrlName);
    os::FindNextUrlCacheEntry(find, nullptr, &size);
    buffer.assign(size, 0);
    entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    if (buffer.empty() || !os::FindNextUrlCacheEntry(find, entry, &size)) break;
  }
  os::FindCloseUrlCache(find);
  return true;
}

bool DeleteTree(const std::u16string& folder, bool removeDesktopIni, bool wipeIndexDat) {
  return DeleteTreeAt(PathOf(os::Utf16ToUtf8(folder)), removeDesktopIni, wipeIndexDat);
}

bool WipeIndexFile(const std::u16string& folder, const std::u16string& name) {
  // Joined as text: a name that looks absolute stays inside the folder.
  return os::OverwriteWithZeros(PathOf(os::Utf16ToUtf8(folder) + "/" + os::Utf16ToUtf8(name)), kIndexHeader);
}

void ClearBrowserCache() {
  // First what the web engine holds itself (its memory cache, its open
  // cookie database), so that the files below are not rewritten from it.
  os::ClearWebEngineData();
  ClearUrlCache(0);
  std::u16string folder;
  if (os::SHGetSpecialFolderPath(nullptr, &folder, os::CSIDL_INTERNET_CACHE, os::FALSE)) {
    DeleteTree(folder, false, false);
  }
  ClearUrlCache(1);
  if (os::SHGetSpecialFolderPath(nullptr, &folder, os::CSIDL_COOKIES, os::FALSE)) {
    DeleteTree(folder, false, false);
  }
}
