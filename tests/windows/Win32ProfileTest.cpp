// The profile functions on Windows: the system reads and writes the files,
// and the rules the game window's record of open windows depends on hold
// there too (the shared profile tests check the rest).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/system/Profile.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class Win32Profile : public testing::Test {
 protected:
  std::u16string Read(const char16_t* section, const char16_t* key, const char16_t* fallback = u"-") {
    std::u16string value;
    os::GetPrivateProfileString(section, key, fallback, &value, 1024, file_);
    return value;
  }
  bool Write(const char16_t* section, const char16_t* key, const char16_t* value) {
    return os::WritePrivateProfileString(section, key, value, file_) == os::TRUE;
  }

  testsupport::TempDir dir_;
  std::filesystem::path path_ = dir_ / "tmporary_opened_gamewnd.ini";
  std::u16string file_ = path_.generic_u16string();
};

TEST_F(Win32Profile, TextOutsideEveryCodePageSurvivesANewFile) {
  ASSERT_TRUE(Write(u"\u6E38\u620F", u"id", u"\u4E2D\u6587 \u00E9 \U0001F3AE"));
  EXPECT_EQ(ReadFileBytes(path_).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Read(u"\u6E38\u620F", u"id"), u"\u4E2D\u6587 \u00E9 \U0001F3AE");
}

TEST_F(Win32Profile, NullValueDeletesAKeyAndNullKeyASection) {
  ASSERT_TRUE(Write(u"100", u"uid", u"7"));
  ASSERT_TRUE(Write(u"100", u"gid", u"1"));
  ASSERT_TRUE(Write(u"200", u"gid", u"2"));
  ASSERT_TRUE(Write(u"100", u"UID", nullptr));
  EXPECT_EQ(Read(u"100", u"uid"), u"-");
  EXPECT_EQ(Read(u"100", u"gid"), u"1");
  ASSERT_TRUE(Write(u"200", nullptr, nullptr));
  EXPECT_EQ(os::SplitMultiString(Read(nullptr, nullptr)), std::vector<std::u16string>{u"100"});
  // Deleting from no file succeeds and creates none.
  std::filesystem::remove(path_);
  EXPECT_TRUE(Write(u"100", nullptr, nullptr));
  EXPECT_TRUE(Write(u"100", u"gid", nullptr));
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(Win32Profile, FilesThatExistKeepTheirEncodingAndTheirOtherValues) {
  WriteFileBytes(path_, "[s]\r\nk=plain\r\n");
  ASSERT_TRUE(Write(u"s", u"n", u"2"));
  EXPECT_EQ(ReadFileBytes(path_).substr(0, 5), "[s]\r\n") << "not rewritten as UTF-16";
  EXPECT_EQ(Read(u"s", u"k"), u"plain");
  EXPECT_EQ(Read(u"s", u"n"), u"2");
}

TEST_F(Win32Profile, ABareFileNameIsInTheCurrentFolder) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const bool written = os::WritePrivateProfileString(u"s", u"k", u"v", u"bare.ini") == os::TRUE;
  std::u16string value;
  os::GetPrivateProfileString(u"s", u"k", u"", &value, 16, u"bare.ini");
  std::filesystem::current_path(before);
  EXPECT_TRUE(written);
  EXPECT_EQ(value, u"v");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "bare.ini"));
}

// The system would take an empty name for its own win.ini.
TEST_F(Win32Profile, AnEmptyFileNameNamesNoFile) {
  std::u16string value;
  EXPECT_EQ(os::GetPrivateProfileString(u"windows", u"load", u"none ", &value, 64, u""), 4u);
  EXPECT_EQ(value, u"none");
  EXPECT_EQ(os::GetPrivateProfileSectionNames(&value, 64, u""), 0u);
  EXPECT_EQ(os::WritePrivateProfileString(u"lumora", u"k", u"v", u""), os::FALSE);
  EXPECT_EQ(os::WritePrivateProfileString(u"lumora", nullptr, nullptr, u""), os::TRUE);
}

TEST_F(Win32Profile, AnyCapacityIsServedWithoutAllocatingIt) {
  ASSERT_TRUE(Write(u"s", u"k", u"value"));
  std::u16string value;
  EXPECT_EQ(os::GetPrivateProfileString(u"s", u"k", u"", &value, 0xFFFFFFFFu, file_), 5u);
  EXPECT_EQ(value, u"value");
  const std::u16string longValue(5000, u'x');
  ASSERT_TRUE(Write(u"s", u"long", longValue.c_str()));
  EXPECT_EQ(os::GetPrivateProfileString(u"s", u"long", u"", &value, 0xFFFFFFFFu, file_), 5000u);
  EXPECT_EQ(value, longValue);
  EXPECT_EQ(os::GetPrivateProfileString(u"s", u"long", u"", &value, 4000, file_), 3999u);
}

}  // namespace
