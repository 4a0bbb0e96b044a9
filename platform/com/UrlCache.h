// The URL cache of the platform's web engines, with the WinINet functions
// that enumerate and delete its entries. Page entries live in an index file,
// "index.dat" in the CSIDL_INTERNET_CACHE folder (a 64-byte header, then one
// record per line; a zero byte ends the records, so an index whose tail was
// overwritten with zeros holds no entries), each pointing at a copy of the
// page in that folder's "Content" subfolder. Cookie entries are the cookie
// files of the CSIDL_COOKIES folder (platform/com/CookieJar.h).
//
// Enumeration follows WinINet's size protocol: a call with no buffer, or one
// too small, fails with ERROR_INSUFFICIENT_BUFFER and stores the size the
// entry needs; a second call with a buffer of that many bytes fetches it. The
// record sits at the start of the buffer and its strings after it.
// Thread-safe.
//
// In the Windows program the cache is WinINet's, filled by the system's web
// engine; the same rules hold (a search lists the entries present when it
// starts; no pattern lists pages, then cookies; other patterns are URL
// prefixes), and cookie entries are WinINet's cookie files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/LastError.h"
#include "platform/base/Types.h"

namespace os {

constexpr DWORD NORMAL_CACHE_ENTRY = 0x00000001;
constexpr DWORD STICKY_CACHE_ENTRY = 0x00000004;
constexpr DWORD EDITED_CACHE_ENTRY = 0x00000008;
constexpr DWORD SPARSE_CACHE_ENTRY = 0x00010000;
constexpr DWORD COOKIE_CACHE_ENTRY = 0x00100000;
constexpr DWORD URLHISTORY_CACHE_ENTRY = 0x00200000;

// 100-nanosecond intervals since 1601-01-01 (UTC).
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct INTERNET_CACHE_ENTRY_INFOW {
  DWORD dwStructSize = 0;
  char16_t* lpszSourceUrlName = nullptr;
  char16_t* lpszLocalFileName = nullptr;
  DWORD CacheEntryType = 0;
  DWORD dwUseCount = 0;
  DWORD dwHitRate = 0;
  DWORD dwSizeLow = 0;
  DWORD dwSizeHigh = 0;
  FILETIME LastModifiedTime;
  FILETIME ExpireTime;
  FILETIME LastAccessTime;
  FILETIME LastSyncTime;
  char16_t* lpHeaderInfo = nullptr;
  DWORD dwHeaderInfoSize = 0;
  char16_t* lpszFileExtension = nullptr;
  DWORD dwExemptDelta = 0;
};
using INTERNET_CACHE_ENTRY_INFO = INTERNET_CACHE_ENTRY_INFOW;

// searchPattern: nullptr, "" or "*.*" for every entry (pages, then cookies);
// "cookie:" for cookies only; "visited:" for the history, which is not kept
// (no entries); anything else for the entries whose URL begins with it
// (without regard to case). The entries are those present at this call.
// Returns a handle for FindNextUrlCacheEntry, or nullptr with the last error
// ERROR_NO_MORE_ITEMS (nothing matches), ERROR_INSUFFICIENT_BUFFER (size
// stored; no handle is opened) or ERROR_INVALID_PARAMETER (no size).
HANDLE FindFirstUrlCacheEntry(const char16_t* searchPattern, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size);
// The next entry; FALSE with ERROR_NO_MORE_ITEMS at the end,
// ERROR_INSUFFICIENT_BUFFER (size stored, the entry stays next) or
// ERROR_INVALID_HANDLE.
BOOL FindNextUrlCacheEntry(HANDLE find, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size);
BOOL FindCloseUrlCache(HANDLE find);
// Removes the entry of url with its file (a cookie entry: its cookie file).
// FALSE with ERROR_FILE_NOT_FOUND when there is none.
BOOL DeleteUrlCacheEntry(const char16_t* url);

// For web engines: records a loaded page as the entry of url (replacing an
// older one), its bytes kept in the cache folder, which is created when
// missing. extension names the copy's type ("htm"). False when the folder or
// the files cannot be written.
bool StoreUrlCacheEntry(std::u16string_view url, std::string_view body, std::u16string_view extension);

}  // namespace os
