// Clearing the browser cache on real folders and through the URL cache.
#include "support/BrowserCache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/base/Unicode.h"
#include "platform/com/BrowserEngine.h"
#include "platform/com/CookieJar.h"
#include "platform/com/UrlCache.h"
#include "platform/window/Backend.h"
#include "testsupport/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

std::u16string Wide(const fs::path& p) { return os::Utf8ToUtf16(p.string()); }

// The source URLs of the URL cache, fetched entry by entry with the size
// protocol.
std::vector<std::u16string> CacheUrls() {
  std::vector<std::u16string> urls;
  std::vector<std::uint8_t> buffer;
  auto entry = [&buffer] { return reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()); };
  os::DWORD size = 0;
  os::FindFirstUrlCacheEntry(nullptr, nullptr, &size);
  buffer.assign(size, 0);
  os::HANDLE find = os::FindFirstUrlCacheEntry(nullptr, size ? entry() : nullptr, &size);
  if (!find) return urls;
  urls.emplace_back(entry()->lpszSourceUrlName);
  while (true) {
    size = 0;
    os::FindNextUrlCacheEntry(find, nullptr, &size);
    if (os::GetLastError() != os::ERROR_INSUFFICIENT_BUFFER) break;
    buffer.assign(size, 0);
    if (!os::FindNextUrlCacheEntry(find, entry(), &size)) break;
    urls.emplace_back(entry()->lpszSourceUrlName);
  }
  os::FindCloseUrlCache(find);
  return urls;
}

class BrowserCacheTest : public ::testing::Test {
 protected:
  fs::path Cache() const { return temp.path() / "cache" / "lumora" / "webcache"; }
  fs::path Cookies() const { return temp.path() / "data" / "lumora" / "cookies"; }

  // Two pages and two cookie sites.
  void Populate() {
    ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://127.0.0.1/a", "A", u"htm"));
    ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://127.0.0.1/b", "B", u"htm"));
    ASSERT_TRUE(os::StoreCookieLines(
        {"127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tp\t1", "example.com\tFALSE\t/\tFALSE\t4102444800\tq\t2"}));
    ASSERT_EQ(CacheUrls().size(), 4u);
  }

  testsupport::TempDir temp;
  testsupport::ScopedEnv cacheHome{"XDG_CACHE_HOME", (temp.path() / "cache").string()};
  testsupport::ScopedEnv dataHome{"XDG_DATA_HOME", (temp.path() / "data").string()};
};

TEST_F(BrowserCacheTest, DeleteTreeEmptiesFoldersButKeepsDesktopIni) {
  const fs::path root = temp.path() / "tree";
  fs::create_directories(root / "sub" / "deeper");
  fs::create_directories(root / "locked");
  WriteFileBytes(root / "a.txt", "a");
  WriteFileBytes(root / "Desktop.INI", "[.ShellClassInfo]");
  WriteFileBytes(root / "sub" / "desktop.ini", "x");
  WriteFileBytes(root / "sub" / "readonly.bin", "r");
  chmod((root / "sub" / "readonly.bin").c_str(), 0444);
  WriteFileBytes(root / "sub" / "deeper" / "x", "x");
  WriteFileBytes(root / "INDEX.DAT", std::string(200, 'i'));
  WriteFileBytes(root / "locked" / "inside", "i");
  chmod((root / "locked").c_str(), 0555);  // a read-only folder
  fs::create_directories(root / "closed");
  WriteFileBytes(root / "closed" / "inside", "i");
  chmod((root / "closed").c_str(), 0200);  // not even listable

  EXPECT_TRUE(DeleteTree(Wide(root), false, false));
  EXPECT_TRUE(fs::exists(root));
  EXPECT_TRUE(fs::exists(root / "Desktop.INI"));
  EXPECT_TRUE(fs::exists(root / "sub" / "desktop.ini"));
  EXPECT_FALSE(fs::exists(root / "sub" / "readonly.bin"));
  EXPECT_FALSE(fs::exists(root / "sub" / "deeper"));
  EXPECT_FALSE(fs::exists(root / "a.txt"));
  EXPECT_FALSE(fs::exists(root / "INDEX.DAT"));
  EXPECT_FALSE(fs::exists(root / "locked"));
  EXPECT_FALSE(fs::exists(root / "closed"));

  EXPECT_TRUE(DeleteTree(Wide(root), true, false));
  EXPECT_TRUE(fs::is_empty(root));
  EXPECT_FALSE(DeleteTree(Wide(temp.path() / "absent"), true, true));
}

TEST_F(BrowserCacheTest, DeleteTreeRemovesLinksWithoutFollowingThem) {
  const fs::path root = temp.path() / "tree";
  const fs::path outside = temp.path() / "outside";
  fs::create_directories(root);
  fs::create_directories(outside);
  WriteFileBytes(outside / "precious", "keep me");
  WriteFileBytes(outside / "target.dat", std::string(100, 'z'));
  chmod((outside / "precious").c_str(), 0444);
  fs::create_directory_symlink(outside, root / "folder-link");
  fs::create_symlink(outside / "target.dat", root / "index.dat");

  EXPECT_TRUE(DeleteTree(Wide(root), true, true));
  EXPECT_TRUE(fs::is_empty(root));
  EXPECT_EQ(ReadFileBytes(outside / "precious"), "keep me");
  EXPECT_EQ(ReadFileBytes(outside / "target.dat"), std::string(100, 'z'));
  struct stat st {};
  ASSERT_EQ(stat((outside / "precious").c_str(), &st), 0);
  EXPECT_FALSE(st.st_mode & S_IWUSR);  // not made writable through the link
}

TEST_F(BrowserCacheTest, IndexFilesAreWipedAfterTheirHeader) {
  const fs::path folder = temp.path() / "idx";
  fs::create_directories(folder);
  std::string content(64, 'h');
  content += std::string(25000, 'd');  // three blocks, the last one shorter
  WriteFileBytes(folder / "index.dat", content);
  EXPECT_TRUE(WipeIndexFile(Wide(folder), u"index.dat"));
  const std::string wiped = ReadFileBytes(folder / "index.dat");
  ASSERT_EQ(wiped.size(), content.size());
  EXPECT_EQ(wiped.substr(0, 64), std::string(64, 'h'));
  EXPECT_EQ(wiped.substr(64), std::string(25000, '\0'));

  WriteFileBytes(folder / "small.dat", std::string(64, 's'));
  EXPECT_TRUE(WipeIndexFile(Wide(folder), u"small.dat"));
  EXPECT_EQ(ReadFileBytes(folder / "small.dat"), std::string(64, 's'));

  EXPECT_FALSE(WipeIndexFile(Wide(folder), u"missing.dat"));
  EXPECT_FALSE(fs::exists(folder / "missing.dat"));
  // Nothing but a regular file is written, and a pipe does not hang.
  ASSERT_EQ(mkfifo((folder / "pipe.dat").c_str(), 0600), 0);
  EXPECT_FALSE(WipeIndexFile(Wide(folder), u"pipe.dat"));
  fs::create_directory(folder / "dir.dat");
  EXPECT_FALSE(WipeIndexFile(Wide(folder), u"dir.dat"));
  // A name that looks like an absolute path stays inside the folder.
  const fs::path outside = temp.path() / "outside.dat";
  WriteFileBytes(outside, std::string(100, 'o'));
  EXPECT_FALSE(WipeIndexFile(Wide(folder), Wide(outside)));
  EXPECT_EQ(ReadFileBytes(outside), std::string(100, 'o'));
}

TEST_F(BrowserCacheTest, DeleteTreeWipesIndexFilesBeforeDeletingThem) {
  // A second name for the index shows what it held when it was deleted.
  const fs::path root = temp.path() / "tree";
  fs::create_directories(root / "sub");
  WriteFileBytes(temp.path() / "witness", std::string(64, 'h') + std::string(500, 'd'));
  ASSERT_EQ(link((temp.path() / "witness").c_str(), (root / "sub" / "Index.Dat").c_str()), 0);
  EXPECT_TRUE(DeleteTree(Wide(root), false, true));
  EXPECT_FALSE(fs::exists(root / "sub"));
  EXPECT_EQ(ReadFileBytes(temp.path() / "witness"), std::string(64, 'h') + std::string(500, '\0'));

  // Without the flag the index is deleted as it is.
  fs::create_directories(root);
  WriteFileBytes(temp.path() / "witness2", std::string(100, 'd'));
  ASSERT_EQ(link((temp.path() / "witness2").c_str(), (root / "index.dat").c_str()), 0);
  EXPECT_TRUE(DeleteTree(Wide(root), false, false));
  EXPECT_EQ(ReadFileBytes(temp.path() / "witness2"), std::string(100, 'd'));
}

TEST_F(BrowserCacheTest, ClearUrlCacheDeletesPagesOrCookiesByMode) {
  EXPECT_FALSE(ClearUrlCache(0));  // an empty cache
  Populate();
  EXPECT_TRUE(ClearUrlCache(2));
  EXPECT_EQ(CacheUrls().size(), 4u);
  EXPECT_TRUE(ClearUrlCache(0));
  const std::u16string user = os::CookieUserName();
  EXPECT_EQ(CacheUrls(), (std::vector<std::u16string>{u"Cookie:" + user + u"@127.0.0.1/",
                                                      u"Cookie:" + user + u"@example.com/"}));
  EXPECT_TRUE(ClearUrlCache(1));
  EXPECT_TRUE(CacheUrls().empty());
  EXPECT_FALSE(ClearUrlCache(1));
}

TEST_F(BrowserCacheTest, ClearBrowserCacheEmptiesCacheAndCookieFolders) {
  ClearBrowserCache();  // no folders yet: nothing happens
  Populate();
  WriteFileBytes(Cache() / "desktop.ini", "x");
  fs::create_directories(Cache() / "Other" / "Deep");
  WriteFileBytes(Cache() / "Other" / "Deep" / "file", "f");
  WriteFileBytes(Cookies() / "notes.txt", "not a cookie file");

  ClearBrowserCache();
  EXPECT_TRUE(CacheUrls().empty());
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(temp.path() / "cache")) {
    left.push_back(fs::relative(e.path(), temp.path()).string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"cache/lumora", "cache/lumora/webcache",
                                            "cache/lumora/webcache/desktop.ini"}));
  EXPECT_TRUE(fs::is_empty(Cookies()));
}

// What the engine keeps itself is cleared before the files go, so that the
// engine cannot write the cleared data back into the emptied folders.
std::vector<std::string>* gSeenAtClear = nullptr;
fs::path gCookieFolder;
void RecordEngineClear() { gSeenAtClear->push_back(fs::is_empty(gCookieFolder) ? "empty" : "files"); }

TEST_F(BrowserCacheTest, ClearBrowserCacheAsksTheWebEngineFirst) {
  Populate();
  std::vector<std::string> seen;
  gSeenAtClear = &seen;
  gCookieFolder = Cookies();
  os::RegisterWebEngineDataCleaner(os::CurrentBackendName(), &RecordEngineClear);
  ClearBrowserCache();
  os::RegisterWebEngineDataCleaner(os::CurrentBackendName(), nullptr);
  gSeenAtClear = nullptr;
  EXPECT_EQ(seen, std::vector<std::string>{"files"});
  EXPECT_TRUE(fs::is_empty(Cookies()));
}

}  // namespace
