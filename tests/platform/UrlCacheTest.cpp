// The URL cache functions over the engines' index and cookie files.
#include "platform/com/UrlCache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "BrowserTestSupport.h"
#include "platform/base/Unicode.h"
#include "platform/com/CookieJar.h"
#include "testsupport/TempDir.h"

namespace {

using namespace os;
using browsertest::EnumerateUrlCache;
using browsertest::SeenEntry;
namespace fs = std::filesystem;

class UrlCacheTest : public ::testing::Test {
 protected:
  fs::path CacheFolder() const { return temp.path() / "cache" / "lumora" / "webcache"; }
  fs::path CookieFolder() const { return temp.path() / "data" / "lumora" / "cookies"; }

  static std::vector<std::u16string> Urls(const std::vector<SeenEntry>& entries) {
    std::vector<std::u16string> urls;
    for (const auto& e : entries) urls.push_back(e.url);
    return urls;
  }
  std::u16string CookieUrl(const std::u16string& rest) const {
    return u"Cookie:" + CookieUserName() + u"@" + rest;
  }

  testsupport::TempDir temp;
  testsupport::ScopedEnv cacheHome{"XDG_CACHE_HOME", (temp.path() / "cache").string()};
  testsupport::ScopedEnv dataHome{"XDG_DATA_HOME", (temp.path() / "data").string()};
};

TEST_F(UrlCacheTest, AnEmptyCacheHasNothingToEnumerate) {
  DWORD size = 0;
  EXPECT_EQ(FindFirstUrlCacheEntry(nullptr, nullptr, &size), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(FindFirstUrlCacheEntry(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(fs::exists(CacheFolder()));  // looking creates nothing
}

TEST_F(UrlCacheTest, EntriesAreFetchedWithTheSizeProtocol) {
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/a.html", "<p>first</p>", u"htm"));
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/logo.png", "PNG", u"png"));

  DWORD size = 0;
  EXPECT_EQ(FindFirstUrlCacheEntry(nullptr, nullptr, &size), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  const DWORD needed = size;
  EXPECT_GT(needed, sizeof(INTERNET_CACHE_ENTRY_INFOW));
  // One byte short is still too small, and the size is told again.
  std::vector<std::uint8_t> small(needed - 1);
  size = needed - 1;
  EXPECT_EQ(
      FindFirstUrlCacheEntry(nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(small.data()), &size),
      nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, needed);

  std::vector<std::uint8_t> buffer(needed);
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  HANDLE find = FindFirstUrlCacheEntry(nullptr, entry, &size);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(entry->dwStructSize, sizeof(INTERNET_CACHE_ENTRY_INFOW));
  EXPECT_EQ(std::u16string(entry->lpszSourceUrlName), u"http://h/a.html");
  EXPECT_EQ(std::u16string(entry->lpszFileExtension), u"htm");
  EXPECT_EQ(entry->CacheEntryType, NORMAL_CACHE_ENTRY);
  EXPECT_EQ(entry->dwSizeLow, 12u);
  EXPECT_NE(entry->LastModifiedTime.dwHighDateTime, 0u);
  const fs::path local = Utf16ToUtf8(entry->lpszLocalFileName);
  EXPECT_EQ(testsupport::ReadFileBytes(local), "<p>first</p>");
  // The strings live inside the buffer, after the record.
  const auto* begin = reinterpret_cast<const std::uint8_t*>(entry->lpszSourceUrlName);
  EXPECT_GE(begin, buffer.data() + sizeof(INTERNET_CACHE_ENTRY_INFOW));
  EXPECT_LE(reinterpret_cast<const std::uint8_t*>(entry->lpszFileExtension), buffer.data() + needed - 2);

  // Asking for the next size leaves the entry next.
  size = 0;
  EXPECT_FALSE(FindNextUrlCacheEntry(find, nullptr, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  buffer.assign(size, 0);
  entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  ASSERT_TRUE(FindNextUrlCacheEntry(find, entry, &size));
  EXPECT_EQ(std::u16string(entry->lpszSourceUrlName), u"http://h/logo.png");
  EXPECT_FALSE(FindNextUrlCacheEntry(find, entry, &size));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  EXPECT_TRUE(FindCloseUrlCache(find));
  EXPECT_FALSE(FindCloseUrlCache(find));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FindNextUrlCacheEntry(find, entry, &size));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(UrlCacheTest, StoringAPageAgainReplacesItsEntry) {
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/a", "old", u"htm"));
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/a", "newer", u"htm"));
  const auto entries = EnumerateUrlCache();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, 5u);
  EXPECT_EQ(testsupport::ReadFileBytes(Utf16ToUtf8(entries[0].file)), "newer");
}

TEST_F(UrlCacheTest, DeletingByUrlRemovesTheEntryAndItsFile) {
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/a", "A", u"htm"));
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/b", "B", u"htm"));
  const fs::path fileA = Utf16ToUtf8(EnumerateUrlCache()[0].file);
  ASSERT_TRUE(fs::exists(fileA));

  EXPECT_TRUE(DeleteUrlCacheEntry(u"http://h/a"));
  EXPECT_FALSE(fs::exists(fileA));
  EXPECT_EQ(Urls(EnumerateUrlCache()), (std::vector<std::u16string>{u"http://h/b"}));
  EXPECT_FALSE(DeleteUrlCacheEntry(u"http://h/a"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteUrlCacheEntry(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(UrlCacheTest, AnEnumerationShowsTheCacheAsItWasWhenItStarted) {
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/a", "A", u"htm"));
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/b", "B", u"htm"));
  DWORD size = 4096;
  std::vector<std::uint8_t> buffer(size);
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  HANDLE find = FindFirstUrlCacheEntry(nullptr, entry, &size);
  ASSERT_NE(find, nullptr);
  // Deleting while walking, as cache cleaning does, does not upset the walk.
  EXPECT_TRUE(DeleteUrlCacheEntry(entry->lpszSourceUrlName));
  size = 4096;
  ASSERT_TRUE(FindNextUrlCacheEntry(find, entry, &size));
  EXPECT_EQ(std::u16string(entry->lpszSourceUrlName), u"http://h/b");
  EXPECT_TRUE(DeleteUrlCacheEntry(entry->lpszSourceUrlName));
  FindCloseUrlCache(find);
  EXPECT_TRUE(EnumerateUrlCache().empty());
}

TEST_F(UrlCacheTest, CookieFilesAreCookieEntries) {
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://127.0.0.1/page", "P", u"htm"));
  ASSERT_TRUE(StoreCookieLines({
      "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tplayer\t42",
      "#HttpOnly_.example.com\tTRUE\t/game\tFALSE\t4102444800\tsid\tabc",
      ".example.com\tTRUE\t/game\tFALSE\t4102444800\tlang\tzh",
      "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tyes",  // lives in memory only
  }));
  const auto all = EnumerateUrlCache();
  EXPECT_EQ(Urls(all), (std::vector<std::u16string>{u"http://127.0.0.1/page", CookieUrl(u"127.0.0.1/"),
                                                    CookieUrl(u"example.com/game")}));
  EXPECT_EQ(all[1].type, NORMAL_CACHE_ENTRY | COOKIE_CACHE_ENTRY);
  EXPECT_EQ(all[1].extension, u"txt");
  EXPECT_EQ(Urls(EnumerateUrlCache(u"cookie:")),
            (std::vector<std::u16string>{CookieUrl(u"127.0.0.1/"), CookieUrl(u"example.com/game")}));
  EXPECT_EQ(Urls(EnumerateUrlCache(u"http://127.")), (std::vector<std::u16string>{u"http://127.0.0.1/page"}));
  EXPECT_TRUE(EnumerateUrlCache(u"visited:").empty());

  // The session cookie is known to engines but has no file.
  std::vector<std::string> lines = LoadCookieLines();
  EXPECT_EQ(lines.size(), 4u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tyes"),
            lines.end());

  // Deleting a cookie entry removes the site's file and only that.
  EXPECT_TRUE(DeleteUrlCacheEntry(CookieUrl(u"EXAMPLE.com/game").c_str()));
  EXPECT_EQ(Urls(EnumerateUrlCache(u"cookie:")), (std::vector<std::u16string>{CookieUrl(u"127.0.0.1/")}));
  EXPECT_FALSE(DeleteUrlCacheEntry(CookieUrl(u"example.com/game").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  lines = LoadCookieLines();
  EXPECT_EQ(lines.size(), 2u);

  // A later cookie list without the site's cookies drops its file (and the
  // session's cookies).
  ASSERT_TRUE(StoreCookieLines({}));
  EXPECT_TRUE(EnumerateUrlCache(u"cookie:").empty());
  EXPECT_TRUE(LoadCookieLines().empty());
}

TEST_F(UrlCacheTest, AWipedDamagedOrForeignIndexHoldsNoEntries) {
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/a", "A", u"htm"));
  const fs::path index = CacheFolder() / "index.dat";
  std::string bytes = testsupport::ReadFileBytes(index);
  ASSERT_GT(bytes.size(), 64u);

  // Zeros after the header, as cache cleaning leaves an index in use.
  std::string wiped = bytes.substr(0, 64) + std::string(bytes.size() - 64, '\0');
  testsupport::WriteFileBytes(index, wiped);
  EXPECT_TRUE(EnumerateUrlCache().empty());

  // Damaged records are skipped; records leading out of the folder too.
  testsupport::WriteFileBytes(index, bytes.substr(0, 64) + "1\tzz\t0\thttp://h/bad\tContent/x\n" +
                                         "1\t1\t0\thttp://h/escape\t../../outside\n" +
                                         "1\t1\t0\thttp://h/absolute\t/etc/passwd\n" + bytes.substr(64));
  EXPECT_EQ(Urls(EnumerateUrlCache()), (std::vector<std::u16string>{u"http://h/a"}));
  EXPECT_FALSE(DeleteUrlCacheEntry(u"http://h/escape"));

  testsupport::WriteFileBytes(index, "NOT AN INDEX" + bytes.substr(12));
  EXPECT_TRUE(EnumerateUrlCache().empty());
  testsupport::WriteFileBytes(index, "short");
  EXPECT_TRUE(EnumerateUrlCache().empty());
  // Storing again starts a fresh index.
  ASSERT_TRUE(StoreUrlCacheEntry(u"http://h/c", "C", u"htm"));
  EXPECT_EQ(Urls(EnumerateUrlCache()), (std::vector<std::u16string>{u"http://h/c"}));
}

}  // namespace
