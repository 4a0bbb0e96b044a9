// The URL cache and cookies over WinINet, with the rules our callers (the
// launcher's cache clearing) rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/com/BrowserEngine.h"
#include "platform/com/CookieJar.h"
#include "platform/com/UrlCache.h"
// The system headers last: their macros would rename ours.
#include "platform/com/win32/ComSystem.h"

namespace {

struct Found {
  std::u16string url;
  std::u16string file;
  os::DWORD type = 0;
};

// Every entry the pattern lists, read with the size protocol.
std::vector<Found> List(const char16_t* pattern) {
  std::vector<Found> found;
  os::DWORD size = 0;
  EXPECT_EQ(os::FindFirstUrlCacheEntry(pattern, nullptr, &size), nullptr);
  const ::DWORD first = ::GetLastError();
  if (first == ERROR_NO_MORE_ITEMS) return found;
  EXPECT_EQ(first, static_cast<::DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<std::uint8_t> buffer(size);
  auto* entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  os::HANDLE find = os::FindFirstUrlCacheEntry(pattern, entry, &size);
  EXPECT_NE(find, nullptr);
  while (find) {
    found.push_back({entry->lpszSourceUrlName ? entry->lpszSourceUrlName : u"",
                     entry->lpszLocalFileName ? entry->lpszLocalFileName : u"", entry->CacheEntryType});
    size = 0;
    if (os::FindNextUrlCacheEntry(find, nullptr, &size)) break;  // cannot succeed without a buffer
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    buffer.assign(size, 0);
    entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    if (!os::FindNextUrlCacheEntry(find, entry, &size)) {
      ADD_FAILURE() << "an entry did not come in the size it asked for";
      break;
    }
  }
  if (find) {
    EXPECT_TRUE(os::FindCloseUrlCache(find));
  }
  return found;
}

bool Lists(const std::vector<Found>& found, std::u16string_view url) {
  return std::any_of(found.begin(), found.end(), [&](const Found& f) { return f.url == url; });
}

class Win32UrlCacheTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const Found& f : List(u"http://lumora.test/")) os::DeleteUrlCacheEntry(f.url.c_str());
  }
};

TEST_F(Win32UrlCacheTest, AStoredPageIsListedFetchedAndDeletedWithItsFile) {
  const std::u16string url = u"http://lumora.test/page";
  ASSERT_TRUE(os::StoreUrlCacheEntry(url, "<html>page</html>", u"htm"));

  const std::vector<Found> all = List(nullptr);
  auto it = std::find_if(all.begin(), all.end(), [&](const Found& f) { return f.url == url; });
  ASSERT_NE(it, all.end());
  EXPECT_TRUE(it->type & NORMAL_CACHE_ENTRY);
  EXPECT_FALSE(it->type & COOKIE_CACHE_ENTRY);
  const std::wstring file(reinterpret_cast<const wchar_t*>(it->file.c_str()));
  ASSERT_FALSE(file.empty());
  EXPECT_NE(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_TRUE(os::DeleteUrlCacheEntry(url.c_str()));
  EXPECT_FALSE(Lists(List(nullptr), url));
  EXPECT_EQ(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(os::DeleteUrlCacheEntry(url.c_str()));
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32UrlCacheTest, APatternIsAUrlPrefixWithoutRegardToCase) {
  ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://lumora.test/a", "a", u"htm"));
  ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://lumora.test/b", "b", u"htm"));
  ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://elsewhere.test/c", "c", u"htm"));
  const std::vector<Found> ours = List(u"HTTP://LUMORA.TEST/");
  EXPECT_EQ(ours.size(), 2u);
  EXPECT_TRUE(Lists(ours, u"http://lumora.test/a"));
  EXPECT_TRUE(Lists(ours, u"http://lumora.test/b"));
  EXPECT_TRUE(os::DeleteUrlCacheEntry(u"http://elsewhere.test/c"));
}

// The launcher deletes each entry as it walks them: none may be skipped.
TEST_F(Win32UrlCacheTest, AWalkSeesTheCacheAsItWasWhenItStarted) {
  for (const char16_t* url : {u"http://lumora.test/1", u"http://lumora.test/2", u"http://lumora.test/3"}) {
    ASSERT_TRUE(os::StoreUrlCacheEntry(url, "x", u"htm"));
  }
  std::vector<std::uint8_t> buffer(4096);
  auto* entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  os::DWORD size = static_cast<os::DWORD>(buffer.size());
  os::HANDLE find = os::FindFirstUrlCacheEntry(u"http://lumora.test/", entry, &size);
  ASSERT_NE(find, nullptr);
  int walked = 0;
  do {
    ++walked;
    EXPECT_TRUE(os::DeleteUrlCacheEntry(entry->lpszSourceUrlName));
    size = static_cast<os::DWORD>(buffer.size());
  } while (os::FindNextUrlCacheEntry(find, entry, &size));
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_TRUE(os::FindCloseUrlCache(find));
  EXPECT_EQ(walked, 3);
  EXPECT_TRUE(List(u"http://lumora.test/").empty());
}

TEST_F(Win32UrlCacheTest, BadCallsFailWithTheirErrorsInsteadOfCrashing) {
  os::DWORD size = 0;
  EXPECT_EQ(os::FindFirstUrlCacheEntry(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(os::FindFirstUrlCacheEntry(u"http://nothing-here.test/", nullptr, &size), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_NO_MORE_ITEMS));

  int notAHandle = 0;
  EXPECT_FALSE(os::FindNextUrlCacheEntry(&notAHandle, nullptr, &size));
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(os::FindCloseUrlCache(&notAHandle));
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_INVALID_HANDLE));

  ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://lumora.test/once", "x", u"htm"));
  std::vector<std::uint8_t> buffer(4096);
  size = static_cast<os::DWORD>(buffer.size());
  os::HANDLE find = os::FindFirstUrlCacheEntry(
      u"http://lumora.test/", reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()), &size);
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(os::FindCloseUrlCache(find));
  EXPECT_FALSE(os::FindCloseUrlCache(find));  // closed already: refused, not freed twice
  EXPECT_FALSE(os::FindNextUrlCacheEntry(find, nullptr, &size));
  EXPECT_EQ(::GetLastError(), static_cast<::DWORD>(ERROR_INVALID_HANDLE));

  EXPECT_FALSE(os::DeleteUrlCacheEntry(nullptr));
  EXPECT_FALSE(os::StoreUrlCacheEntry(u"", "x", u"htm"));
}

// ---------------------------------------------------------------------------
// Cookies

long long InAWeek() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count() + 7 * 24 * 3600;
}

bool HasCookie(const std::vector<std::string>& lines, const std::string& host, const std::string& nameValue) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.rfind(host + "\t", 0) == 0 && line.size() >= nameValue.size() &&
           line.compare(line.size() - nameValue.size(), nameValue.size(), nameValue) == 0;
  });
}

TEST(Win32CookieJar, StoredCookiesAreSentToTheirSiteAndReplacedByTheNextList) {
  const std::string expires = std::to_string(InAWeek());
  ASSERT_TRUE(os::StoreCookieLines({"lumora.test\tFALSE\t/\tFALSE\t" + expires + "\tsid\tabc",
                                    "lumora.test\tFALSE\t/\tFALSE\t0\tsession\tyes"}));
  std::vector<std::string> lines = os::LoadCookieLines();
  EXPECT_TRUE(HasCookie(lines, "lumora.test", "\tsid\tabc"));
  EXPECT_TRUE(HasCookie(lines, "lumora.test", "\tsession\tyes"));

  // The system's engine sees them: they are WinINet's.
  std::wstring text(1024, L'\0');
  ::DWORD size = static_cast<::DWORD>(text.size());
  ASSERT_TRUE(::InternetGetCookieW(L"http://lumora.test/", nullptr, text.data(), &size));
  text.resize(std::wcslen(text.c_str()));
  EXPECT_NE(text.find(L"sid=abc"), std::wstring::npos);

  ASSERT_TRUE(os::StoreCookieLines({"lumora.test\tFALSE\t/\tFALSE\t" + expires + "\tsid\tdef"}));
  lines = os::LoadCookieLines();
  EXPECT_TRUE(HasCookie(lines, "lumora.test", "\tsid\tdef"));
  EXPECT_FALSE(HasCookie(lines, "lumora.test", "\tsession\tyes"));

  ASSERT_TRUE(os::StoreCookieLines({}));
  EXPECT_FALSE(HasCookie(os::LoadCookieLines(), "lumora.test", "\tsid\tdef"));
}

TEST(Win32CookieJar, MalformedLinesAreSkipped) {
  EXPECT_TRUE(
      os::StoreCookieLines({"", "# a comment", "too\tfew\tfields", "bad host\tFALSE\t/\tFALSE\t0\tn\tv",
                            "lumora.test\tFALSE\t/\tFALSE\tsoon\tn\tv"}));
  EXPECT_FALSE(HasCookie(os::LoadCookieLines(), "lumora.test", "\tn\tv"));
  // A value or path that would smuggle attributes in is refused, not stored
  // for another domain.
  EXPECT_TRUE(os::StoreCookieLines({"lumora.test\tFALSE\t/\tFALSE\t0\tn\tv; domain=.elsewhere.test",
                                    "lumora.test\tFALSE\t/; domain=.elsewhere.test\tFALSE\t0\tm\tw"}));
  const std::vector<std::string> lines = os::LoadCookieLines();
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("\tn\tv") != std::string::npos || l.find("\tm\tw") != std::string::npos;
  }));
  std::wstring text(1024, L'\0');
  ::DWORD size = static_cast<::DWORD>(text.size());
  EXPECT_FALSE(::InternetGetCookieW(L"http://elsewhere.test/", nullptr, text.data(), &size));
  EXPECT_FALSE(os::DeleteCookieEntry(u""));
  EXPECT_FALSE(os::CookieUserName().empty());
}

// Clearing the engine's data ends the session's cookies, which no cache
// entry holds; persistent ones stay for the URL cache clearing.
TEST(Win32BrowserEngine, ClearingTheEnginesDataEndsTheSessionsCookies) {
  const std::string expires = std::to_string(InAWeek());
  ASSERT_TRUE(os::StoreCookieLines({"lumora.test\tFALSE\t/\tFALSE\t0\tsession\tyes",
                                    "lumora.test\tFALSE\t/\tFALSE\t" + expires + "\tkept\tyes"}));
  ASSERT_TRUE(HasCookie(os::LoadCookieLines(), "lumora.test", "\tsession\tyes"));
  os::ClearWebEngineData();
  const std::vector<std::string> lines = os::LoadCookieLines();
  EXPECT_FALSE(HasCookie(lines, "lumora.test", "\tsession\tyes"));
  EXPECT_TRUE(HasCookie(lines, "lumora.test", "\tkept\tyes"));
  ASSERT_TRUE(os::StoreCookieLines({}));
}

TEST(Win32BrowserEngine, WarmingMapsTheSystemsBrowserLibrary) {
  ASSERT_TRUE(os::BrowserEngineAvailable());
  os::WarmBrowserEngine();
  EXPECT_NE(::GetModuleHandleW(L"ieframe.dll"), nullptr);
  EXPECT_EQ(os::CreateBrowserEngine(nullptr), nullptr);  // the system's class renders, no engine of ours
}

}  // namespace
