#include "platform/com/CookieJar.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/com/internal/ReplaceFile.h"
#include "platform/system/Shell.h"

namespace os {

namespace fs = std::filesystem;

namespace {

struct Jar {
  std::mutex mutex;
  std::vector<std::string> session;  // cookies without an expiry date
};

Jar& TheJar() {
  static Jar jar;
  return jar;
}

struct Cookie {
  std::string line;
  std::string host;  // lower-case, no leading dot, no "#HttpOnly_"
  std::string path;
  bool session = false;
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::optional<Cookie> ParseCookie(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  constexpr std::string_view kHttpOnly = "#HttpOnly_";
  if (line.empty()) return std::nullopt;
  if (line[0] == '#' && line.rfind(kHttpOnly, 0) != 0) return std::nullopt;  // a comment
  std::vector<std::string> fields = SplitTabs(line);
  if (fields.size() != 7) return std::nullopt;
  std::string_view domainField = fields[0];
  if (domainField.rfind(kHttpOnly, 0) == 0) domainField.remove_prefix(kHttpOnly.size());
  while (!domainField.empty() && domainField.front() == '.') domainField.remove_prefix(1);
  if (domainField.empty() || fields[2].empty() || fields[2][0] != '/') return std::nullopt;
  Cookie c;
  c.host.assign(domainField);
  std::transform(c.host.begin(), c.host.end(), c.host.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  c.path = fields[2];
  c.session = fields[4] == "0" || fields[4].empty();
  c.line = std::move(line);
  return c;
}

std::optional<fs::path> CookieFolder(bool create) {
  std::u16string folder;
  if (!SHGetSpecialFolderPath(nullptr, &folder, CSIDL_COOKIES, create ? TRUE : FALSE)) return std::nullopt;
  return fs::path(Utf16ToUtf8(folder));
}

std::vector<Cookie> ReadCookieFile(const fs::path& file) {
  std::vector<Cookie> cookies;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (auto c = ParseCookie(line)) cookies.push_back(std::move(*c));
  }
  return cookies;
}

// The cookie files in the folder with the site and path they hold (that of
// their first cookie). Files with no cookie in them are not ours.
std::vector<std::pair<fs::path, std::vector<Cookie>>> CookieFiles(const fs::path& folder) {
  std::vector<std::pair<fs::path, std::vector<Cookie>>> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->path().extension() != ".txt") continue;
    std::vector<Cookie> cookies = ReadCookieFile(it->path());
    if (!cookies.empty()) files.emplace_back(it->path(), std::move(cookies));
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return files;
}

std::string EntryUrl(const Cookie& c) {
  return "Cookie:" + Utf16ToUtf8(CookieUserName()) + "@" + c.host + c.path;
}

std::string FileStem(const std::string& host, const std::string& path) {
  std::string stem = Utf16ToUtf8(CookieUserName()) + "@" + host;
  if (path != "/") stem += path;
  for (char& ch : stem) {
    const bool keep = std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-' || ch == '@';
    if (!keep) ch = '_';
  }
  return stem;
}

}  // namespace

std::u16string CookieUserName() {
  // Reentrant: engines' worker threads name cookie files too.
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name) {
    return Utf8ToUtf16(found->pw_name);
  }
  if (const char* user = std::getenv("USER"); user && *user) return Utf8ToUtf16(user);
  return u"user";
}

std::vector<std::string> LoadCookieLines() {
  Jar& jar = TheJar();
  std::lock_guard lock(jar.mutex);
  std::vector<std::string> lines;
  if (auto folder = CookieFolder(false)) {
    for (auto& [file, cookies] : CookieFiles(*folder)) {
      for (Cookie& c : cookies) {
        if (!c.session) lines.push_back(std::move(c.line));
      }
    }
  }
  lines.insert(lines.end(), jar.session.begin(), jar.session.end());
  return lines;
}

bool StoreCookieLines(const std::vector<std::string>& lines) {
  Jar& jar = TheJar();
  std::lock_guard lock(jar.mutex);
  std::map<std::pair<std::string, std::string>, std::vector<std::string>> sites;
  jar.session.clear();
  for (const std::string& line : lines) {
    auto c = ParseCookie(line);
    if (!c) continue;
    if (c->session) {
      jar.session.push_back(std::move(c->line));
    } else {
      sites[{c->host, c->path}].push_back(std::move(c->line));
    }
  }
  auto folder = CookieFolder(!sites.empty());
  if (!folder) return sites.empty();

  // Files already holding a site keep their names; new sites get a free one.
  std::map<std::pair<std::string, std::string>, fs::path> existing;
  std::set<fs::path> stale;
  for (const auto& [file, cookies] : CookieFiles(*folder)) {
    existing.emplace(std::make_pair(cookies.front().host, cookies.front().path), file);
    stale.insert(file);
  }
  bool ok = true;
  for (const auto& [site, siteLines] : sites) {
    fs::path file;
    if (auto it = existing.find(site); it != existing.end()) {
      file = it->second;
    } else {
      const std::string stem = FileStem(site.first, site.second);
      file = *folder / (stem + ".txt");
      for (int n = 1; fs::exists(file) || stale.count(file); ++n) {
        file = *folder / (stem + "[" + std::to_string(n) + "].txt");
      }
    }
    stale.erase(file);
    std::string content;
    for (const std::string& l : siteLines) content += l + "\n";
    ok = internal::ReplaceFileContent(file, content) && ok;
  }
  for (const fs::path& file : stale) {
    std::error_code ignored;
    fs::remove(file, ignored);
  }
  return ok;
}

std::vector<CookieEntry> CookieEntries() {
  Jar& jar = TheJar();
  std::lock_guard lock(jar.mutex);
  std::vector<CookieEntry> entries;
  auto folder = CookieFolder(false);
  if (!folder) return entries;
  for (const auto& [file, cookies] : CookieFiles(*folder)) {
    CookieEntry e;
    e.url = Utf8ToUtf16(EntryUrl(cookies.front()));
    e.file = Utf8ToUtf16(file.string());
    std::error_code ec;
    e.size = fs::file_size(file, ec);
    if (ec) e.size = 0;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) e.modified = st.st_mtime;
    entries.push_back(std::move(e));
  }
  return entries;
}

bool DeleteCookieEntry(std::u16string_view url) {
  Jar& jar = TheJar();
  std::lock_guard lock(jar.mutex);
  auto folder = CookieFolder(false);
  if (!folder) return false;
  const std::string wanted = Utf16ToUtf8(url);
  bool deleted = false;
  for (const auto& [file, cookies] : CookieFiles(*folder)) {
    const std::string have = EntryUrl(cookies.front());
    const bool same =
        have.size() == wanted.size() &&
        std::equal(have.begin(), have.end(), wanted.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    if (!same) continue;
    std::error_code ec;
    deleted = fs::remove(file, ec) || deleted;
  }
  return deleted;
}

}  // namespace os
