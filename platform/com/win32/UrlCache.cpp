// The URL cache on Windows is WinINet's: the system's web engine fills it.
// Enumeration keeps the rules our callers rely on, which WinINet's own
// search patterns do not give: no pattern (or "" or "*.*") lists the pages,
// then the cookies, once each; any pattern other than the container names
// "cookie:" and "visited:" is a URL prefix (without regard to case). The
// entries are those present when the search starts: it reads them all at
// once, so deleting entries while walking them skips none.
#include "platform/com/UrlCache.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "platform/com/win32/UrlCacheWalk.h"
// The system headers last: their macros would rename ours.
#include "platform/com/win32/ComSystem.h"

namespace os {

namespace {

using win32::Wide;

// The caller's buffer receives the system's record as it is.
static_assert(sizeof(INTERNET_CACHE_ENTRY_INFOW) == sizeof(::INTERNET_CACHE_ENTRY_INFOW));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, lpszSourceUrlName) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, lpszSourceUrlName));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, lpszLocalFileName) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, lpszLocalFileName));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, CacheEntryType) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, CacheEntryType));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, dwSizeLow) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, dwSizeLow));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, LastModifiedTime) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, LastModifiedTime));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, lpHeaderInfo) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, lpHeaderInfo));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, lpszFileExtension) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, lpszFileExtension));
static_assert(offsetof(INTERNET_CACHE_ENTRY_INFOW, dwExemptDelta) ==
              offsetof(::INTERNET_CACHE_ENTRY_INFOW, dwExemptDelta));
static_assert(sizeof(FILETIME) == sizeof(::FILETIME));
static_assert(NORMAL_CACHE_ENTRY == 1 && COOKIE_CACHE_ENTRY == 0x00100000 &&
              URLHISTORY_CACHE_ENTRY == 0x00200000);

struct Search {
  std::vector<win32::CacheRecord> records;
  std::size_t next = 0;
};

std::mutex& SearchesLock() {
  static std::mutex lock;
  return lock;
}
// Handles are ours; one the caller made up, or closed, is refused rather than
// followed.
std::set<Search*>& Searches() {
  static std::set<Search*> searches;
  return searches;
}

// Copies the record into the caller's buffer, its strings' pointers moved
// with it; false with the size stored when it does not fit.
bool Deliver(const win32::CacheRecord& record, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  const DWORD needed = static_cast<DWORD>(record.bytes.size());
  if (!entry || *size < needed) {
    *size = needed;
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  const auto* from = record.bytes.data();
  auto* to = reinterpret_cast<std::uint8_t*>(entry);
  std::memcpy(to, from, needed);
  auto move = [&](auto* pointer) -> decltype(pointer) {
    const auto* at = reinterpret_cast<const std::uint8_t*>(pointer);
    if (!pointer || at < from || at >= from + needed) return nullptr;
    return reinterpret_cast<decltype(pointer)>(to + (at - from));
  };
  entry->lpszSourceUrlName = move(entry->lpszSourceUrlName);
  entry->lpszLocalFileName = move(entry->lpszLocalFileName);
  entry->lpHeaderInfo = move(entry->lpHeaderInfo);
  entry->lpszFileExtension = move(entry->lpszFileExtension);
  *size = needed;
  return true;
}

}  // namespace

HANDLE FindFirstUrlCacheEntry(const char16_t* searchPattern, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  if (!size) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto search = std::make_unique<Search>();
  search->records =
      win32::ReadUrlCache(searchPattern ? std::u16string_view(searchPattern) : std::u16string_view());
  if (search->records.empty()) {
    ::SetLastError(ERROR_NO_MORE_ITEMS);
    return nullptr;
  }
  if (!Deliver(search->records.front(), entry, size)) return nullptr;
  search->next = 1;
  std::lock_guard<std::mutex> hold(SearchesLock());
  Searches().insert(search.get());
  return search.release();
}

BOOL FindNextUrlCacheEntry(HANDLE find, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  std::lock_guard<std::mutex> hold(SearchesLock());
  auto* search = static_cast<Search*>(find);
  if (!find || !Searches().count(search)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!size) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (search->next >= search->records.size()) {
    ::SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  if (!Deliver(search->records[search->next], entry, size)) return FALSE;
  ++search->next;
  return TRUE;
}

BOOL FindCloseUrlCache(HANDLE find) {
  std::lock_guard<std::mutex> hold(SearchesLock());
  auto* search = static_cast<Search*>(find);
  if (!find || Searches().erase(search) == 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete search;
  return TRUE;
}

BOOL DeleteUrlCacheEntry(const char16_t* url) {
  if (!url || !*url) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ::DeleteUrlCacheEntryW(Wide(url));
}

bool StoreUrlCacheEntry(std::u16string_view url, std::string_view body, std::u16string_view extension) {
  if (url.empty()) return false;
  const std::wstring where = win32::WideString(url);
  const std::wstring type = win32::WideString(extension);
  std::wstring file(MAX_PATH + 1, L'\0');  // the size CreateUrlCacheEntryW writes
  if (!::CreateUrlCacheEntryW(where.c_str(), static_cast<DWORD>(body.size()),
                              type.empty() ? nullptr : type.c_str(), file.data(), 0)) {
    return false;
  }
  file.resize(std::wcslen(file.c_str()));
  const HANDLE out =
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  bool written = true;
  for (std::size_t done = 0; written && done < body.size();) {
    const ::DWORD chunk = static_cast<::DWORD>(std::min<std::size_t>(body.size() - done, 1u << 20));
    ::DWORD wrote = 0;
    written = ::WriteFile(out, body.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
    done += wrote;
  }
  ::CloseHandle(out);
  const ::FILETIME none{};
  if (!written || !::CommitUrlCacheEntryW(where.c_str(), file.c_str(), none, none, NORMAL_CACHE_ENTRY,
                                          nullptr, 0, type.empty() ? nullptr : type.c_str(), nullptr)) {
    ::DeleteFileW(file.c_str());
    return false;
  }
  return true;
}

}  // namespace os
