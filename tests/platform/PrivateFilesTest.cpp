// What the launcher writes under the user's folders holds tokens, cookies and
// cached pages: files are created 0600 and its own folders 0700, while the
// user's base folders keep their modes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/base/Unicode.h"
#include "platform/com/UrlCache.h"
#include "platform/system/MiniDump.h"
#include "platform/system/Profile.h"
#include "platform/system/UserFolders.h"
#include "testsupport/TempDir.h"

namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0xFFFFFFFFu;
  return st.st_mode & 07777;
}

TEST(PrivateFiles, FoldersTheLauncherCreatesArePrivateAndParentsKeepTheirModes) {
  testsupport::TempDir dir;
  const fs::path base = dir.path() / "share";
  fs::create_directories(base);
  fs::permissions(base, fs::perms(0755), fs::perm_options::replace);
  ASSERT_TRUE(os::CreatePrivateFolders(base / "lumora" / "install"));
  EXPECT_EQ(Mode(base), 0755u);
  EXPECT_EQ(Mode(base / "lumora"), 0700u);
  EXPECT_EQ(Mode(base / "lumora" / "install"), 0700u);
  // A folder of the launcher's that an older version left open is closed.
  fs::create_directories(base / "lumora" / "login");
  fs::permissions(base / "lumora" / "login", fs::perms(0755), fs::perm_options::replace);
  ASSERT_TRUE(os::CreatePrivateFolders(base / "lumora" / "login"));
  EXPECT_EQ(Mode(base / "lumora" / "login"), 0700u);
  // A file in the way is not a folder.
  testsupport::WriteFileBytes(base / "file", "x");
  EXPECT_FALSE(os::CreatePrivateFolders(base / "file"));
  EXPECT_FALSE(os::CreatePrivateFolders(fs::path()));
}

TEST(PrivateFiles, CachedPagesProfilesAndDumpsAreWrittenPrivate) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv cacheHome{"XDG_CACHE_HOME", (dir.path() / "cache").string()};
  ASSERT_TRUE(os::StoreUrlCacheEntry(u"http://h/a.html?token=secret", "<p>page</p>", u"htm"));
  const fs::path cache = dir.path() / "cache" / "lumora" / "webcache";
  EXPECT_EQ(Mode(cache), 0700u);
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(cache)) {
    if (entry.is_directory()) {
      EXPECT_EQ(Mode(entry.path()), 0700u) << entry.path();
    } else {
      EXPECT_EQ(Mode(entry.path()), 0600u) << entry.path();
      ++files;
    }
  }
  EXPECT_GE(files, 2);  // the page and the index

  const fs::path ini = dir.path() / "opened.ini";
  ASSERT_EQ(os::WritePrivateProfileString(u"s", u"k", u"v", os::Utf8ToUtf16(ini.string())), os::TRUE);
  EXPECT_EQ(Mode(ini), 0600u);

  const fs::path dump = dir.path() / "crash.dmp";
  os::HANDLE file = os::CreateDumpFile(dump.c_str());
  ASSERT_NE(file, os::INVALID_DUMP_FILE);
  os::CloseDumpFile(file);
  EXPECT_EQ(Mode(dump), 0600u);
}

}  // namespace
