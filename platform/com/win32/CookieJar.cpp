// Cookies on Windows are WinINet's, shared with the system's web engine.
// Persistent cookies are entries of the URL cache ("Cookie:user@host/path",
// a file each); session cookies live in WinINet's memory for the process.
// WinINet gives a site's cookies only as "name=value; ..." for a URL, so the
// lines read back carry the host, path, name and value, with the tail-match,
// secure and HTTP-only flags off and no expiry (expires 0); the lines given
// to StoreCookieLines keep all their attributes in WinINet.
#include "platform/com/CookieJar.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <optional>
#include <set>

#include "platform/base/Unicode.h"
#include "platform/com/win32/UrlCacheWalk.h"
// The system headers last: their macros would rename ours.
#include "platform/com/win32/ComSystem.h"

namespace os {

namespace {

using win32::Ours;
using win32::WideString;

struct Cookie {
  std::string host;  // without the leading dot
  bool tailmatch = false;
  std::string path = "/";
  bool secure = false;
  bool httpOnly = false;
  long long expires = 0;
  std::string name, value;
};

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    parts.emplace_back(
        line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

std::optional<Cookie> ParseLine(std::string_view line) {
  Cookie c;
  constexpr std::string_view kHttpOnly = "#HttpOnly_";
  if (line.substr(0, kHttpOnly.size()) == kHttpOnly) {
    c.httpOnly = true;
    line.remove_prefix(kHttpOnly.size());
  } else if (line.empty() || line.front() == '#') {
    return std::nullopt;
  }
  std::vector<std::string> f = SplitTabs(line);
  if (f.size() != 7 || f[0].empty() || f[5].empty()) return std::nullopt;
  c.host = f[0].front() == '.' ? f[0].substr(1) : f[0];
  c.tailmatch = f[1] == "TRUE";
  c.path = f[2].empty() ? "/" : f[2];
  c.secure = f[3] == "TRUE";
  char* end = nullptr;
  c.expires = std::strtoll(f[4].c_str(), &end, 10);
  if (end == f[4].c_str() || *end != '\0') return std::nullopt;
  c.name = f[5];
  c.value = f[6];
  if (c.host.empty() || c.host.find_first_of("/\\ ;") != std::string::npos) return std::nullopt;
  // WinINet reads a cookie's attributes from the text after its value: a
  // name or value carrying ';' (or a line break) would add attributes of its
  // own, a domain among them.
  if (c.name.find_first_of(";=\r\n") != std::string::npos ||
      c.value.find_first_of(";\r\n") != std::string::npos ||
      c.path.find_first_of(";\r\n") != std::string::npos) {
    return std::nullopt;
  }
  return c;
}

std::string Line(const Cookie& c) {
  return (c.httpOnly ? "#HttpOnly_" : "") + std::string(c.tailmatch ? "." : "") + c.host + "\t" +
         (c.tailmatch ? "TRUE" : "FALSE") + "\t" + c.path + "\t" + (c.secure ? "TRUE" : "FALSE") + "\t" +
         std::to_string(c.expires) + "\t" + c.name + "\t" + c.value;
}

std::u16string SiteUrl(const std::string& host, const std::string& path, bool secure) {
  return Utf8ToUtf16((secure ? "https://" : "http://") + host + path);
}

// RFC 1123 date of a time in seconds since 1970.
std::wstring HttpDate(long long unixSeconds) {
  const unsigned long long ticks =
      (static_cast<unsigned long long>(std::max(unixSeconds, 1LL)) + 11644473600ULL) * 10000000ULL;
  ::FILETIME file{static_cast<::DWORD>(ticks), static_cast<::DWORD>(ticks >> 32)};
  ::SYSTEMTIME time{};
  ::FileTimeToSystemTime(&file, &time);
  std::wstring text(INTERNET_RFC1123_BUFSIZE + 1, L'\0');
  if (!::InternetTimeFromSystemTimeW(&time, INTERNET_RFC1123_FORMAT, text.data(),
                                     static_cast<DWORD>(text.size() * sizeof(wchar_t)))) {
    return L"Thu, 01 Jan 1970 00:00:01 GMT";
  }
  text.resize(std::wcslen(text.c_str()));
  return text;
}

bool SetCookie(const Cookie& c, bool expire) {
  std::wstring data = WideString(Utf8ToUtf16(c.value)) + L"; path=" + WideString(Utf8ToUtf16(c.path));
  if (c.tailmatch) data += L"; domain=." + WideString(Utf8ToUtf16(c.host));
  if (expire) {
    data += L"; expires=" + HttpDate(1);
  } else if (c.expires > 0) {
    data += L"; expires=" + HttpDate(c.expires);
  }
  if (c.secure) data += L"; secure";
  const std::wstring url = WideString(SiteUrl(c.host, c.path, c.secure));
  const std::wstring name = WideString(Utf8ToUtf16(c.name));
  const DWORD flags = c.httpOnly ? INTERNET_COOKIE_HTTPONLY : 0;
  return ::InternetSetCookieExW(url.c_str(), name.c_str(), data.c_str(), flags, 0) != 0;
}

// The sites whose cookies this process set, for the session cookies WinINet
// lists nowhere.
struct Sites {
  std::mutex lock;
  std::set<std::pair<std::string, std::string>> known;  // host, path
};
Sites& TheSites() {
  static Sites sites;
  return sites;
}

// "user@host/path" of a cookie entry's URL.
bool SplitEntryUrl(std::u16string_view url, std::string* host, std::string* path) {
  constexpr std::u16string_view kPrefix = u"cookie:";
  if (url.size() <= kPrefix.size()) return false;
  const std::string rest = Utf16ToUtf8(url.substr(kPrefix.size()));
  const std::size_t at = rest.find('@');
  if (at == std::string::npos) return false;
  const std::size_t slash = rest.find('/', at);
  *host = rest.substr(at + 1, slash == std::string::npos ? std::string::npos : slash - at - 1);
  *path = slash == std::string::npos ? "/" : rest.substr(slash);
  return !host->empty();
}

// The cookies WinINet sends to host/path.
std::vector<Cookie> CookiesFor(const std::string& host, const std::string& path) {
  const std::wstring url = WideString(SiteUrl(host, path, false));
  ::DWORD size = 0;
  if (!::InternetGetCookieExW(url.c_str(), nullptr, nullptr, &size, INTERNET_COOKIE_HTTPONLY, nullptr) &&
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return {};
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<::DWORD>(text.size() * sizeof(wchar_t));
  if (!::InternetGetCookieExW(url.c_str(), nullptr, text.data(), &size, INTERNET_COOKIE_HTTPONLY, nullptr))
    return {};
  text.resize(std::wcslen(text.c_str()));
  std::vector<Cookie> cookies;
  const std::string all = Utf16ToUtf8(win32::OurString(text));
  for (std::size_t start = 0; start < all.size();) {
    std::size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    std::string pair = all.substr(start, end - start);
    start = end + 1;
    while (!pair.empty() && pair.front() == ' ') pair.erase(0, 1);
    const std::size_t eq = pair.find('=');
    if (pair.empty() || eq == 0) continue;
    Cookie c;
    c.host = host;
    c.path = path;
    c.name = pair.substr(0, eq);
    c.value = eq == std::string::npos ? std::string() : pair.substr(eq + 1);
    cookies.push_back(std::move(c));
  }
  return cookies;
}

std::set<std::pair<std::string, std::string>> KnownSites() {
  std::set<std::pair<std::string, std::string>> sites;
  {
    std::lock_guard<std::mutex> hold(TheSites().lock);
    sites = TheSites().known;
  }
  for (const CookieEntry& entry : CookieEntries()) {
    std::string host, path;
    if (SplitEntryUrl(entry.url, &host, &path)) sites.emplace(host, path);
  }
  return sites;
}

long long UnixSeconds(const FILETIME& time) {
  const unsigned long long ticks =
      (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return ticks == 0 ? 0 : static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace

std::u16string CookieUserName() {
  std::wstring name(257, L'\0');  // a user name's longest, and its terminator
  ::DWORD size = static_cast<::DWORD>(name.size());
  if (!::GetUserNameW(name.data(), &size) || size <= 1) return u"user";
  name.resize(size - 1);
  return win32::OurString(name);
}

std::vector<std::string> LoadCookieLines() {
  std::vector<std::string> lines;
  std::set<std::string> seen;
  for (const auto& [host, path] : KnownSites()) {
    for (const Cookie& c : CookiesFor(host, path)) {
      std::string line = Line(c);
      if (seen.insert(c.host + "\t" + c.name).second) lines.push_back(std::move(line));
    }
  }
  return lines;
}

bool StoreCookieLines(const std::vector<std::string>& lines) {
  std::vector<Cookie> wanted;
  for (const std::string& line : lines) {
    if (std::optional<Cookie> c = ParseLine(line)) wanted.push_back(std::move(*c));
  }
  // Cookies known now that the new list no longer has are expired.
  bool ok = true;
  for (const std::string& line : LoadCookieLines()) {
    const std::optional<Cookie> old = ParseLine(line);
    if (!old) continue;
    const bool kept = std::any_of(wanted.begin(), wanted.end(), [&](const Cookie& c) {
      return c.host == old->host && c.name == old->name && c.path == old->path;
    });
    if (!kept) ok = SetCookie(*old, true) && ok;
  }
  std::lock_guard<std::mutex> hold(TheSites().lock);
  for (const Cookie& c : wanted) {
    ok = SetCookie(c, false) && ok;
    TheSites().known.emplace(c.host, c.path);
  }
  return ok;
}

std::vector<CookieEntry> CookieEntries() {
  std::vector<CookieEntry> entries;
  for (const win32::CacheRecord& record : win32::ReadUrlCache(u"cookie:")) {
    const INTERNET_CACHE_ENTRY_INFOW& e = record.Entry();
    CookieEntry entry;
    entry.url = e.lpszSourceUrlName;
    if (e.lpszLocalFileName) entry.file = e.lpszLocalFileName;
    entry.size = (static_cast<unsigned long long>(e.dwSizeHigh) << 32) | e.dwSizeLow;
    entry.modified = UnixSeconds(e.LastModifiedTime);
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool DeleteCookieEntry(std::u16string_view url) {
  if (url.empty()) return false;
  const std::wstring name = WideString(url);
  return ::DeleteUrlCacheEntryW(name.c_str()) != 0;
}

}  // namespace os
