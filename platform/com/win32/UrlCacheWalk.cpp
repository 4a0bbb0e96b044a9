#include "platform/com/win32/UrlCacheWalk.h"

#include <algorithm>
#include <set>

#include "platform/com/win32/ComSystem.h"

namespace os::win32 {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

// One system search: fetches each record into a buffer that grows to the
// size the system asks for.
template <class Keep>
void Walk(const wchar_t* pattern, Keep keep) {
  std::vector<std::uint8_t> buffer(4096);
  auto entry = [&] { return reinterpret_cast<::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()); };
  ::DWORD size = static_cast<::DWORD>(buffer.size());
  HANDLE find = ::FindFirstUrlCacheEntryW(pattern, entry(), &size);
  if (!find && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size);
    find = ::FindFirstUrlCacheEntryW(pattern, entry(), &size);
  }
  if (!find) return;
  while (true) {
    CacheRecord record;
    record.bytes.assign(buffer.begin(), buffer.begin() + std::min<std::size_t>(size, buffer.size()));
    // The strings' pointers point into `buffer`; make them point into the copy.
    auto* copy = reinterpret_cast<::INTERNET_CACHE_ENTRY_INFOW*>(record.bytes.data());
    const auto* base = buffer.data();
    auto move = [&](auto* pointer) -> decltype(pointer) {
      const auto* at = reinterpret_cast<const std::uint8_t*>(pointer);
      if (!pointer || at < base || at >= base + record.bytes.size()) return nullptr;
      return reinterpret_cast<decltype(pointer)>(record.bytes.data() + (at - base));
    };
    copy->lpszSourceUrlName = move(copy->lpszSourceUrlName);
    copy->lpszLocalFileName = move(copy->lpszLocalFileName);
    copy->lpHeaderInfo = move(copy->lpHeaderInfo);
    copy->lpszFileExtension = move(copy->lpszFileExtension);
    if (copy->lpszSourceUrlName) keep(std::move(record));
    size = static_cast<::DWORD>(buffer.size());
    if (!::FindNextUrlCacheEntryW(find, entry(), &size)) {
      if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
      buffer.resize(size);
      if (!::FindNextUrlCacheEntryW(find, entry(), &size)) break;
    }
  }
  ::FindCloseUrlCache(find);
}

std::u16string_view UrlOf(const CacheRecord& record) { return record.Entry().lpszSourceUrlName; }

bool IsCookie(const CacheRecord& record) {
  return (record.Entry().CacheEntryType & COOKIE_CACHE_ENTRY) != 0 ||
         StartsWithNoCase(UrlOf(record), u"cookie:");
}

bool IsHistory(const CacheRecord& record) {
  return (record.Entry().CacheEntryType & URLHISTORY_CACHE_ENTRY) != 0 ||
         StartsWithNoCase(UrlOf(record), u"visited:");
}

}  // namespace

std::vector<CacheRecord> ReadUrlCache(std::u16string_view pattern) {
  std::vector<CacheRecord> records;
  std::set<std::u16string> seen;
  auto add = [&](CacheRecord record) {
    if (seen.insert(std::u16string(UrlOf(record))).second) records.push_back(std::move(record));
  };
  if (EqualNoCase(pattern, u"cookie:")) {
    Walk(L"cookie:", [&](CacheRecord r) {
      if (IsCookie(r)) add(std::move(r));
    });
    return records;
  }
  if (EqualNoCase(pattern, u"visited:")) {
    Walk(L"visited:", [&](CacheRecord r) {
      if (IsHistory(r)) add(std::move(r));
    });
    return records;
  }
  const bool all = pattern.empty() || pattern == u"*.*";
  auto wanted = [&](const CacheRecord& r) { return all || StartsWithNoCase(UrlOf(r), pattern); };
  // Pages first (the system may list other containers with them), then cookies.
  Walk(nullptr, [&](CacheRecord r) {
    if (!IsCookie(r) && !IsHistory(r) && wanted(r)) add(std::move(r));
  });
  Walk(L"cookie:", [&](CacheRecord r) {
    if (IsCookie(r) && wanted(r)) add(std::move(r));
  });
  return records;
}

}  // namespace os::win32
