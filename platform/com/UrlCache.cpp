#include "platform/com/UrlCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/base/Unicode.h"
#include "platform/com/CookieJar.h"
#include "platform/com/internal/ReplaceFile.h"
#include "platform/system/Shell.h"
#include "platform/system/UserFolders.h"

namespace os {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderSize = 64;
constexpr std::string_view kMagic = "LUMORA URL CACHE INDEX 1";
constexpr std::string_view kIndexName = "index.dat";
constexpr std::string_view kContentFolder = "Content";

struct IndexRecord {
  DWORD type = NORMAL_CACHE_ENTRY;
  unsigned long long size = 0;
  long long modified = 0;  // seconds since 1970
  std::string url;         // UTF-8
  std::string file;        // relative to the cache folder, "/" separated
};

// One entry as enumeration hands it out.
struct Entry {
  std::u16string url;
  std::u16string file;
  std::u16string extension;
  DWORD type = NORMAL_CACHE_ENTRY;
  unsigned long long size = 0;
  long long modified = 0;
};

struct Find {
  std::vector<Entry> entries;
  std::size_t next = 0;
};

struct Cache {
  std::mutex mutex;  // the index file and the open enumerations
  std::map<HANDLE, std::unique_ptr<Find>> finds;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

std::optional<fs::path> CacheFolder(bool create) {
  std::u16string folder;
  if (!SHGetSpecialFolderPath(nullptr, &folder, CSIDL_INTERNET_CACHE, create ? TRUE : FALSE))
    return std::nullopt;
  return fs::path(Utf16ToUtf8(folder));
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char n = text[++i];
    out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
  }
  return out;
}

template <class T>
bool ParseNumber(std::string_view text, int base, T* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Records of the index; an index with a foreign header, a short one or none
// holds no records, and a zero byte ends them.
std::vector<IndexRecord> ReadIndex(const fs::path& folder) {
  std::vector<IndexRecord> records;
  std::ifstream in(folder / kIndexName, std::ios::binary);
  if (!in) return records;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < kHeaderSize || bytes.compare(0, kMagic.size(), kMagic) != 0) return records;
  std::string_view body(bytes);
  body.remove_prefix(kHeaderSize);
  if (const std::size_t zero = body.find('\0'); zero != std::string_view::npos) body = body.substr(0, zero);
  while (!body.empty()) {
    const std::size_t end = body.find('\n');
    std::string_view line = body.substr(0, end);
    body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
      const std::size_t tab = line.find('\t', start);
      fields.push_back(
          line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    if (fields.size() != 5) continue;
    IndexRecord r;
    if (!ParseNumber(fields[0], 16, &r.type) || !ParseNumber(fields[1], 10, &r.size) ||
        !ParseNumber(fields[2], 10, &r.modified)) {
      continue;  // a damaged record
    }
    r.url = Unescape(fields[3]);
    r.file = Unescape(fields[4]);
    if (r.url.empty() || r.file.empty() || r.file.find("..") != std::string::npos || r.file.front() == '/') {
      continue;  // never let a record point outside the cache folder
    }
    records.push_back(std::move(r));
  }
  return records;
}

bool WriteIndex(const fs::path& folder, const std::vector<IndexRecord>& records) {
  std::string bytes(kMagic);
  bytes.resize(kHeaderSize - 1, ' ');
  bytes += '\n';
  for (const IndexRecord& r : records) {
    std::ostringstream line;
    line << std::hex << r.type << std::dec << '\t' << r.size << '\t' << r.modified << '\t' << Escape(r.url)
         << '\t' << Escape(r.file) << '\n';
    bytes += line.str();
  }
  return internal::ReplaceFileContent(folder / kIndexName, bytes);
}

std::u16string ExtensionOf(const std::u16string& file) {
  const std::size_t slash = file.find_last_of(u'/');
  const std::size_t dot = file.find_last_of(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return file.substr(dot + 1);
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t a = text[i], b = prefix[i];
    if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a - u'A' + u'a');
    if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b - u'A' + u'a');
    if (a != b) return false;
  }
  return true;
}

std::vector<Entry> Snapshot(std::u16string_view pattern) {
  const bool all = pattern.empty() || pattern == u"*.*";
  const bool cookiesOnly = StartsWithNoCase(pattern, u"cookie:");
  std::vector<Entry> entries;
  if (StartsWithNoCase(pattern, u"visited:")) return entries;
  if (!cookiesOnly) {
    if (auto folder = CacheFolder(false)) {
      for (const IndexRecord& r : ReadIndex(*folder)) {
        Entry e;
        e.url = Utf8ToUtf16(r.url);
        if (!all && !StartsWithNoCase(e.url, pattern)) continue;
        e.file = Utf8ToUtf16((*folder / r.file).string());
        e.extension = ExtensionOf(e.file);
        e.type = r.type;
        e.size = r.size;
        e.modified = r.modified;
        entries.push_back(std::move(e));
      }
    }
  }
  if (all || cookiesOnly) {
    for (CookieEntry& c : CookieEntries()) {
      Entry e;
      e.url = std::move(c.url);
      e.file = std::move(c.file);
      e.extension = u"txt";
      e.type = NORMAL_CACHE_ENTRY | COOKIE_CACHE_ENTRY;
      e.size = c.size;
      e.modified = c.modified;
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

DWORD RequiredSize(const Entry& e) {
  const std::size_t units = e.url.size() + 1 + e.file.size() + 1 + e.extension.size() + 1;
  return static_cast<DWORD>(sizeof(INTERNET_CACHE_ENTRY_INFOW) + units * sizeof(char16_t));
}

FILETIME ToFileTime(long long unixSeconds) {
  // 100-ns intervals between 1601-01-01 and 1970-01-01.
  constexpr unsigned long long kEpochOffset = 116444736000000000ULL;
  const unsigned long long value =
      unixSeconds <= 0 ? 0 : kEpochOffset + static_cast<unsigned long long>(unixSeconds) * 10000000ULL;
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

// The record at the start of the caller's buffer, the strings after it.
void Fill(INTERNET_CACHE_ENTRY_INFOW* buffer, const Entry& e) {
  auto* info = new (buffer) INTERNET_CACHE_ENTRY_INFOW();
  char16_t* strings = reinterpret_cast<char16_t*>(reinterpret_cast<std::uint8_t*>(buffer) + sizeof(*info));
  auto put = [&strings](const std::u16string& text) {
    char16_t* start = strings;
    std::copy(text.begin(), text.end(), strings);
    strings[text.size()] = u'\0';
    strings += text.size() + 1;
    return start;
  };
  info->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
  info->lpszSourceUrlName = put(e.url);
  info->lpszLocalFileName = put(e.file);
  info->lpszFileExtension = put(e.extension);
  info->CacheEntryType = e.type;
  info->dwSizeLow = static_cast<DWORD>(e.size & 0xFFFFFFFFu);
  info->dwSizeHigh = static_cast<DWORD>(e.size >> 32);
  info->LastModifiedTime = ToFileTime(e.modified);
  info->LastAccessTime = info->LastModifiedTime;
  info->LastSyncTime = info->LastModifiedTime;
}

// Hands out e when the buffer is large enough; stores the size either way.
bool Deliver(const Entry& e, INTERNET_CACHE_ENTRY_INFOW* buffer, DWORD* size) {
  const DWORD needed = RequiredSize(e);
  if (!buffer || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  Fill(buffer, e);
  *size = needed;
  return true;
}

std::string HexName(std::string_view url) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (unsigned char c : url) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) name[static_cast<std::size_t>(i)] = kDigits[hash & 0xF];
  return name;
}

}  // namespace

HANDLE FindFirstUrlCacheEntry(const char16_t* searchPattern, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  auto find = std::make_unique<Find>();
  find->entries = Snapshot(searchPattern ? std::u16string_view(searchPattern) : std::u16string_view());
  if (find->entries.empty()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return nullptr;
  }
  if (!Deliver(find->entries.front(), entry, size)) return nullptr;
  find->next = 1;
  HANDLE handle = find.get();
  cache.finds.emplace(handle, std::move(find));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL FindNextUrlCacheEntry(HANDLE handle, INTERNET_CACHE_ENTRY_INFOW* entry, DWORD* size) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  auto it = cache.finds.find(handle);
  if (it == cache.finds.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Find& find = *it->second;
  if (find.next >= find.entries.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  if (!Deliver(find.entries[find.next], entry, size)) return FALSE;
  ++find.next;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL FindCloseUrlCache(HANDLE handle) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  if (cache.finds.erase(handle) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteUrlCacheEntry(const char16_t* url) {
  if (!url || !*url) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u16string_view text(url);
  if (StartsWithNoCase(text, u"cookie:")) {
    if (DeleteCookieEntry(text)) return TRUE;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  auto folder = CacheFolder(false);
  if (folder) {
    std::vector<IndexRecord> records = ReadIndex(*folder);
    const std::string wanted = Utf16ToUtf8(text);
    auto it =
        std::find_if(records.begin(), records.end(), [&](const IndexRecord& r) { return r.url == wanted; });
    if (it != records.end()) {
      std::error_code ignored;
      fs::remove(*folder / it->file, ignored);
      records.erase(it);
      WriteIndex(*folder, records);
      return TRUE;
    }
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return FALSE;
}

bool StoreUrlCacheEntry(std::u16string_view url, std::string_view body, std::u16string_view extension) {
  if (url.empty()) return false;
  std::string ext;
  for (char16_t c : extension) {
    if (ext.size() < 8 && c < 0x80 && std::isalnum(static_cast<int>(c))) ext += static_cast<char>(c);
  }
  if (ext.empty()) ext = "dat";
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  auto folder = CacheFolder(true);
  if (!folder) return false;
  std::error_code ec;
  if (!CreatePrivateFolders(*folder / kContentFolder)) return false;
  const std::string utf8Url = Utf16ToUtf8(url);
  const std::string file = std::string(kContentFolder) + "/" + HexName(utf8Url) + "." + ext;
  if (!internal::ReplaceFileContent(*folder / file, body)) return false;

  std::vector<IndexRecord> records = ReadIndex(*folder);
  for (auto it = records.begin(); it != records.end();) {
    if (it->url != utf8Url) {
      ++it;
      continue;
    }
    if (it->file != file) fs::remove(*folder / it->file, ec);
    it = records.erase(it);
  }
  IndexRecord r;
  r.url = utf8Url;
  r.file = file;
  r.size = body.size();
  r.modified =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  records.push_back(std::move(r));
  return WriteIndex(*folder, records);
}

}  // namespace os
