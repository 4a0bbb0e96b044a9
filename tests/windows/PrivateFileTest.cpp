// The launcher's own files on Windows: the platform's private files under
// names beyond the system's code page, and the cache clearing's walk, which
// clears the read-only attribute before it deletes. The Linux tests of
// tests/platform and tests/support check the modes and the links.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/system/PrivateFile.h"
#include "support/BrowserCache.h"
#include "testsupport/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Everything left in a stream, which is then closed.
std::string ReadAll(std::FILE* file) {
  std::string bytes;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes.push_back(static_cast<char>(c));
  std::fclose(file);
  return bytes;
}

// A folder named in Chinese, which no Western code page holds.
fs::path ChineseFolder(const testsupport::TempDir& dir) {
  const fs::path folder = dir.path() / fs::path(u"账号资料");
  fs::create_directories(folder);
  return folder;
}

TEST(Win32PrivateFiles, FilesUnderNamesBeyondTheCodePageAreWrittenAndAppended) {
  testsupport::TempDir dir;
  const fs::path file = ChineseFolder(dir) / fs::path(u"记录.info");
  std::FILE* out = os::OpenPrivateFile(file, false);
  ASSERT_NE(out, nullptr);
  std::fputs("head\n", out);  // binary: no "\r" is added
  std::fclose(out);
  out = os::OpenPrivateFile(file, true);
  ASSERT_NE(out, nullptr);
  std::fseek(out, 0, SEEK_SET);
  std::fputs("tail", out);
  std::fclose(out);
  EXPECT_EQ(testsupport::ReadFileBytes(file), "head\ntail");

  ASSERT_TRUE(os::WritePrivateFile(file, std::string("code\0", 5)));
  EXPECT_EQ(testsupport::ReadFileBytes(file), std::string("code\0", 5));
  std::FILE* in = os::OpenFileToRead(file);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(ReadAll(in), std::string("code\0", 5));  // binary: the zero and all
  EXPECT_FALSE(os::WritePrivateFile(dir.path() / "missing" / "f", "x"));
  EXPECT_EQ(os::OpenPrivateFile(dir.path() / "missing" / "f", true), nullptr);
}

// The launcher's narrow paths hold letters below U+0100 as one byte each;
// they come back as those letters.
TEST(Win32PrivateFiles, NarrowPathsKeepTheirLatinLetters) {
  testsupport::TempDir dir;
  fs::create_directories(dir.path() / fs::path(u"Jos\u00e9"));
  const std::string narrow = dir.path().string() + "\\Jos\xE9\\channel.ini";
  ASSERT_TRUE(os::WritePrivateFile(narrow, "360gj"));
  EXPECT_EQ(testsupport::ReadFileBytes(dir.path() / fs::path(u"Jos\u00e9") / "channel.ini"), "360gj");
  // And read back by the same narrow path, whatever the code page.
  std::FILE* in = os::OpenFileToRead(narrow);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(ReadAll(in), "360gj");
  EXPECT_EQ(os::OpenFileToRead(dir.path().string() + "\\Jos\xE9\\missing"), nullptr);
}

TEST(Win32PrivateFiles, ZerosGoOnlyIntoExistingPlainFiles) {
  testsupport::TempDir dir;
  const fs::path index = ChineseFolder(dir) / "index.dat";
  testsupport::WriteFileBytes(index, "HEADabcdef");
  ASSERT_TRUE(os::OverwriteWithZeros(index, 4));
  EXPECT_EQ(testsupport::ReadFileBytes(index), std::string("HEAD") + std::string(6, '\0'));
  EXPECT_TRUE(os::OverwriteWithZeros(index, 64));  // nothing past the end
  EXPECT_FALSE(os::OverwriteWithZeros(dir.path() / "none", 0));
  EXPECT_FALSE(fs::exists(dir.path() / "none"));
  EXPECT_FALSE(os::OverwriteWithZeros(dir.path(), 0));
}

TEST(Win32BrowserCache, ReadOnlyFilesAreDeletedAndDesktopIniKeptWhenAsked) {
  testsupport::TempDir dir;
  const fs::path folder = ChineseFolder(dir);
  fs::create_directories(folder / "sub");
  testsupport::WriteFileBytes(folder / "page.htm", "p");
  testsupport::WriteFileBytes(folder / "sub" / "locked.htm", "l");
  testsupport::WriteFileBytes(folder / "desktop.ini", "d");
  // The read-only attribute, as the system shows the owner's missing write
  // permission.
  fs::permissions(folder / "sub" / "locked.htm", fs::perms::owner_write, fs::perm_options::remove);
  ASSERT_TRUE(DeleteTree(folder.u16string(), false, false));
  EXPECT_FALSE(fs::exists(folder / "page.htm"));
  EXPECT_FALSE(fs::exists(folder / "sub"));
  EXPECT_TRUE(fs::exists(folder / "desktop.ini"));
  ASSERT_TRUE(DeleteTree(folder.u16string(), true, false));
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_FALSE(DeleteTree((dir.path() / "missing").u16string(), true, false));
}

}  // namespace
