// What the launcher writes under the user's folders holds tokens, cookies and
// cached pages: files are created 0600 and its own folders 0700, while the
// user's base folders keep their modes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/base/Unicode.h"
#include "platform/com/UrlCache.h"
#include "platform/system/MiniDump.h"
#include "platform/system/PrivateFile.h"
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

// Lets every permission through, so that a private mode can only come from
// the call under test.
class OpenUmask {
 public:
  OpenUmask() : old_(::umask(0)) {}
  ~OpenUmask() { ::umask(old_); }
  OpenUmask(const OpenUmask&) = delete;
  OpenUmask& operator=(const OpenUmask&) = delete;

 private:
  mode_t old_;
};

TEST(PrivateFiles, OpenedFilesArePrivateWhetherNewOrOld) {
  testsupport::TempDir dir;
  OpenUmask open;
  const fs::path fresh = dir.path() / "fresh";
  std::FILE* file = os::OpenPrivateFile(fresh.string(), false);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(Mode(fresh), 0600u);  // before any byte
  std::fputs("new", file);
  std::fclose(file);
  EXPECT_EQ(testsupport::ReadFileBytes(fresh), "new");

  // A file an older version left readable is truncated and closed.
  const fs::path old = dir.path() / "old";
  testsupport::WriteFileBytes(old, "previous");
  fs::permissions(old, fs::perms(0644), fs::perm_options::replace);
  file = os::OpenPrivateFile(old.string(), false);
  ASSERT_NE(file, nullptr);
  std::fputs("x", file);
  std::fclose(file);
  EXPECT_EQ(Mode(old), 0600u);
  EXPECT_EQ(testsupport::ReadFileBytes(old), "x");
}

TEST(PrivateFiles, AppendingKeepsTheBytesAndWritesAtTheEnd) {
  testsupport::TempDir dir;
  const fs::path part = dir.path() / "part";
  testsupport::WriteFileBytes(part, "head");
  std::FILE* file = os::OpenPrivateFile(part.string(), true);
  ASSERT_NE(file, nullptr);
  std::fseek(file, 0, SEEK_SET);  // appending ignores the position
  std::fputs("tail", file);
  std::fclose(file);
  EXPECT_EQ(testsupport::ReadFileBytes(part), "headtail");
  EXPECT_EQ(Mode(part), 0600u);
  EXPECT_EQ(os::OpenPrivateFile((dir.path() / "missing" / "f").string(), true), nullptr);
}

TEST(PrivateFiles, WrittenFilesHoldExactlyTheBytes) {
  testsupport::TempDir dir;
  OpenUmask open;
  const fs::path channel = dir.path() / "channel.ini";
  testsupport::WriteFileBytes(channel, "a much longer earlier content");
  const std::string bytes("code\0", 5);
  ASSERT_TRUE(os::WritePrivateFile(channel.string(), bytes));
  EXPECT_EQ(testsupport::ReadFileBytes(channel), bytes);
  EXPECT_EQ(Mode(channel), 0600u);
  EXPECT_FALSE(os::WritePrivateFile((dir.path() / "missing" / "f").string(), "x"));
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

TEST(PrivateFiles, ZerosOverwriteTheTailOfRegularFilesOnly) {
  testsupport::TempDir dir;
  const fs::path index = dir.path() / "index.dat";
  testsupport::WriteFileBytes(index, "HEADabcdef");
  ASSERT_TRUE(os::OverwriteWithZeros(index.string(), 4));
  EXPECT_EQ(testsupport::ReadFileBytes(index), std::string("HEAD") + std::string(6, '\0'));
  // Nothing past the end to wipe: left as it is.
  const fs::path shortFile = dir.path() / "short";
  testsupport::WriteFileBytes(shortFile, "abc");
  EXPECT_TRUE(os::OverwriteWithZeros(shortFile.string(), 64));
  EXPECT_EQ(testsupport::ReadFileBytes(shortFile), "abc");
  // Never made, never followed through a link, never waited on.
  EXPECT_FALSE(os::OverwriteWithZeros((dir.path() / "none").string(), 0));
  EXPECT_FALSE(fs::exists(dir.path() / "none"));
  const fs::path target = dir.path() / "target";
  testsupport::WriteFileBytes(target, "keep me");
  fs::create_symlink(target, dir.path() / "link");
  EXPECT_FALSE(os::OverwriteWithZeros((dir.path() / "link").string(), 0));
  EXPECT_EQ(testsupport::ReadFileBytes(target), "keep me");
  const fs::path pipe = dir.path() / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(os::OverwriteWithZeros(pipe.string(), 0));
  EXPECT_FALSE(os::OverwriteWithZeros(dir.path().string(), 0));
}

}  // namespace
