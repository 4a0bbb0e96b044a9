#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/Unicode.h"
#include "platform/system/Profile.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

// The text of a file the profile functions created. New files are UTF-8
// here; on Windows they are UTF-16LE with a byte order mark, the only
// encoding in which the system writes every character.
std::string CreatedFileText(const std::filesystem::path& path) {
  const std::string bytes = ReadFileBytes(path);
#ifdef _WIN32
  if (bytes.size() % 2 != 0 || bytes.compare(0, 2, "\xFF\xFE") != 0) return "not UTF-16: " + bytes;
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return os::Utf16ToUtf8(units);
#else
  return bytes;
#endif
}

class ProfileTest : public ::testing::Test {
 protected:
  std::u16string Read(const char16_t* section, const char16_t* key, const char16_t* fallback = u"",
                      os::DWORD size = 1024) {
    std::u16string value = u"garbage";
    const os::DWORD length = os::GetPrivateProfileString(section, key, fallback, &value, size, file_);
    EXPECT_EQ(length, value.size());
    return value;
  }
  bool Write(const char16_t* section, const char16_t* key, const char16_t* value) {
    return os::WritePrivateProfileString(section, key, value, file_) == os::TRUE;
  }
  std::string Bytes() const { return ReadFileBytes(path_); }

  TempDir dir_;
  std::filesystem::path path_ = dir_ / "tmporary_opened_gamewnd.ini";
  std::u16string file_ = os::Utf8ToUtf16(path_.string());
};

TEST_F(ProfileTest, WritesCreateTheFileAndSectionsInWindowsLayout) {
  EXPECT_TRUE(Write(u"4711", u"gid", u"1"));
  EXPECT_TRUE(Write(u"4711", u"sid", u"23"));
  EXPECT_TRUE(Write(u"815", u"gid", u"2"));
  EXPECT_TRUE(Write(u"4711", u"gid", u"5"));
  EXPECT_EQ(CreatedFileText(path_), "[4711]\r\ngid=5\r\nsid=23\r\n[815]\r\ngid=2\r\n");
  EXPECT_EQ(Read(u"4711", u"gid"), u"5");
  EXPECT_EQ(Read(u"815", u"gid"), u"2");
}

TEST_F(ProfileTest, ReadsTrimmedCaseInsensitiveNamesAndUnquotedValues) {
  WriteFileBytes(path_,
                 "; opened game windows\n"
                 "stray=before any section\n"
                 "  [ Game ]  \n"
                 "  ID  =  \\x4c\\x75  \n"
                 "Quoted=\" padded \"\n"
                 "Single='x'\n"
                 "Half=\"open\n"
                 "novalue\n"
                 "id=second wins nothing\n"
                 "[game]\n"
                 "late=duplicate section\n");
  EXPECT_EQ(Read(u"game", u"id"), u"\\x4c\\x75");
  EXPECT_EQ(Read(u"GAME", u" Id "), u"\\x4c\\x75");
  EXPECT_EQ(Read(u"Game", u"Quoted"), u" padded ");
  EXPECT_EQ(Read(u"Game", u"Single"), u"x");
  EXPECT_EQ(Read(u"Game", u"Half"), u"\"open");
  EXPECT_EQ(Read(u"Game", u"novalue", u"dflt"), u"dflt");
  EXPECT_EQ(Read(u"Game", u"late", u"dflt"), u"dflt") << "the first section of a name wins";
  EXPECT_EQ(Read(u"Game", u"stray", u"dflt"), u"dflt");
}

TEST_F(ProfileTest, DefaultsApplyToMissingFilesSectionsAndKeys) {
  EXPECT_EQ(Read(u"1", u"uid", u"none  \t"), u"none");
  EXPECT_EQ(Read(u"1", u"uid", nullptr), u"");
  Write(u"1", u"gid", u"3");
  EXPECT_EQ(Read(u"2", u"gid", u"x"), u"x");
  EXPECT_EQ(Read(u"1", u"sid", u"y"), u"y");
}

TEST_F(ProfileTest, ListsSectionAndKeyNames) {
  WriteFileBytes(path_, "[100]\r\ngid=1\r\n; note\r\nsid=2\r\n[200]\r\n[300]\r\nuid=u\r\n");
  std::u16string names;
  EXPECT_EQ(os::GetPrivateProfileSectionNames(&names, 1024, file_), 12u);
  EXPECT_EQ(names, std::u16string(u"100\0"
                                  u"200\0"
                                  u"300\0",
                                  12));
  EXPECT_EQ(os::SplitMultiString(names), (std::vector<std::u16string>{u"100", u"200", u"300"}));
  EXPECT_EQ(Read(nullptr, nullptr), names);
  EXPECT_EQ(os::SplitMultiString(Read(u"100", nullptr)), (std::vector<std::u16string>{u"gid", u"sid"}));
  EXPECT_EQ(Read(u"200", nullptr), u"");
  EXPECT_EQ(Read(u"999", nullptr), u"");

  // No file: no sections.
  std::filesystem::remove(path_);
  EXPECT_EQ(os::GetPrivateProfileSectionNames(&names, 1024, file_), 0u);
  EXPECT_EQ(names, u"");
}

TEST_F(ProfileTest, CutsWhatDoesNotFitTheCallersArea) {
  WriteFileBytes(path_, "[s]\r\nk=abcdef\r\n[1234]\r\n[5678]\r\n");
  EXPECT_EQ(Read(u"s", u"k", u"", 7), u"abcdef");
  EXPECT_EQ(Read(u"s", u"k", u"", 6), u"abcde");
  EXPECT_EQ(Read(u"s", u"k", u"", 1), u"");
  EXPECT_EQ(Read(u"s", u"k", u"", 0), u"");
  EXPECT_EQ(Read(u"s", u"none", u"defaultvalue", 4), u"def");
  // "s\0" "1234\0" "5678\0" needs 13 characters with the final terminator.
  std::u16string names;
  EXPECT_EQ(os::GetPrivateProfileSectionNames(&names, 13, file_), 12u);
  EXPECT_EQ(os::GetPrivateProfileSectionNames(&names, 12, file_), 10u);
  EXPECT_EQ(os::SplitMultiString(names), (std::vector<std::u16string>{u"s", u"1234", u"567"}));
  EXPECT_EQ(os::GetPrivateProfileSectionNames(&names, 1, file_), 0u);
}

// Windows rewrites a file in its own layout (blank lines go, comments move
// with the section before them); only the values are ours there.
#ifndef _WIN32
TEST_F(ProfileTest, NullValueDeletesAKeyAndNullKeyASection) {
  WriteFileBytes(path_,
                 "[100]\r\nid=a\r\nuid=7\r\ngid=1\r\n\r\n"
                 "[200]\r\n; dead process\r\ngid=2\r\n\r\n"
                 "[300]\r\ngid=3\r\n");
  EXPECT_TRUE(Write(u"100", u"UID", nullptr));
  EXPECT_TRUE(Write(u"200", nullptr, nullptr));
  EXPECT_EQ(Bytes(), "[100]\r\nid=a\r\ngid=1\r\n\r\n[300]\r\ngid=3\r\n");
  // Deleting what is not there changes nothing and succeeds.
  EXPECT_TRUE(Write(u"200", nullptr, nullptr));
  EXPECT_TRUE(Write(u"100", u"sid", nullptr));
  EXPECT_EQ(Bytes(), "[100]\r\nid=a\r\ngid=1\r\n\r\n[300]\r\ngid=3\r\n");
  std::filesystem::remove(path_);
  EXPECT_TRUE(Write(u"200", nullptr, nullptr));
  EXPECT_FALSE(std::filesystem::exists(path_)) << "deleting from no file creates none";
}
#endif

#ifndef _WIN32
TEST_F(ProfileTest, UntouchedLinesKeepTheirBytes) {
  WriteFileBytes(path_, "; comment \xFF\xFE raw\n[100]\nKey = old\n\n; next\n[200]\ngid=2");
  EXPECT_TRUE(Write(u"100", u"key", u"new"));
  EXPECT_TRUE(Write(u"100", u"sid", u"9"));
  EXPECT_TRUE(Write(u"200", u"sid", u"8"));
  EXPECT_EQ(Bytes(),
            "; comment \xFF\xFE raw\n[100]\nKey=new\r\nsid=9\r\n\n; next\n[200]\ngid=2\r\nsid=8\r\n");
}
#endif

// Writing one key never changes what another reads back, whatever the file's
// last line ended with.
TEST_F(ProfileTest, AWriteLeavesEveryOtherValueAsItWasRead) {
  for (const std::string& ending :
       {std::string("\r"), std::string("\n"), std::string("\r\n"), std::string()}) {
    WriteFileBytes(path_, "[s]\nk=v" + ending);
    const std::u16string before = Read(u"s", u"k");
    ASSERT_TRUE(Write(u"t", u"other", u"1"));
    EXPECT_EQ(Read(u"s", u"k"), before) << "ending " << ending.size();
    EXPECT_EQ(Read(u"t", u"other"), u"1");
    ASSERT_TRUE(Write(u"s", u"second", u"2"));
    EXPECT_EQ(Read(u"s", u"k"), before) << "ending " << ending.size();
  }
  WriteFileBytes(path_, std::string("\xFF\xFE[\0s\0]\0\n\0k\0=\0v\0\r\0", 18));
  const std::u16string wide = Read(u"s", u"k");
  ASSERT_TRUE(Write(u"t", u"other", u"1"));
  EXPECT_EQ(Read(u"s", u"k"), wide);
}

TEST_F(ProfileTest, Utf16FilesStayUtf16) {
  const auto utf16 = [](std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
      bytes.push_back(static_cast<char>(unit & 0xFF));
      bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
  };
  WriteFileBytes(path_, "\xFF\xFE" + utf16(u"[\u6E38\u620F]\r\nname=\u4E2D\r\n"));
  EXPECT_EQ(Read(u"\u6E38\u620F", u"name"), u"\u4E2D");
  EXPECT_TRUE(Write(u"\u6E38\u620F", u"sid", u"\u6587"));
  EXPECT_EQ(Bytes(), "\xFF\xFE" + utf16(u"[\u6E38\u620F]\r\nname=\u4E2D\r\nsid=\u6587\r\n"));
}

TEST_F(ProfileTest, TextThatWouldChangeTheFileStructureIsRefused) {
  EXPECT_TRUE(Write(u"100", u"uid", u"7"));
  const std::string before = Bytes();
  EXPECT_FALSE(Write(u"100", u"uid", u"7\r\n[999]\r\ngid=1"));
  EXPECT_FALSE(Write(u"100", u"a\nb", u"1"));
  EXPECT_FALSE(Write(u"100", u"a=b", u"1"));
  // Key lines read back as a section header or a comment.
  EXPECT_FALSE(Write(u"100", u"[999]", u"1"));
  EXPECT_FALSE(Write(u"100", u" [x", u"1"));
  EXPECT_FALSE(Write(u"100", u";note", u"1"));
  EXPECT_FALSE(Write(u"1]x", u"a", u"1"));
  EXPECT_FALSE(Write(u"100", u"", u"1"));
  EXPECT_FALSE(Write(nullptr, u"a", u"1"));
  EXPECT_EQ(Bytes(), before);
  std::u16string names;
  os::GetPrivateProfileSectionNames(&names, 1024, file_);
  EXPECT_EQ(os::SplitMultiString(names), std::vector<std::u16string>{u"100"});
}

TEST_F(ProfileTest, WriteIntoAMissingFolderFailsWithoutCreatingIt) {
  const auto missing = dir_ / "tmp" / "tmporary_opened_gamewnd.ini";
  EXPECT_EQ(os::WritePrivateProfileString(u"1", u"gid", u"1", os::Utf8ToUtf16(missing.string())), os::FALSE);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "tmp"));
}

TEST_F(ProfileTest, DoubledSeparatorsInThePathAreAccepted) {
  std::filesystem::create_directories(dir_ / "tmp");
  const std::u16string doubled = os::Utf8ToUtf16(dir_.path().string()) + u"//tmp/x.ini";
  EXPECT_EQ(os::WritePrivateProfileString(u"1", u"gid", u"4", doubled), os::TRUE);
  EXPECT_EQ(CreatedFileText(dir_ / "tmp" / "x.ini"), "[1]\r\ngid=4\r\n");
  // No temporary files are left behind.
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir_ / "tmp"), std::filesystem::directory_iterator()),
      1);
}

TEST(SplitMultiString, StopsAtTheFirstEmptyName) {
  EXPECT_EQ(os::SplitMultiString(std::u16string(u"a\0bc\0\0d\0", 8)),
            (std::vector<std::u16string>{u"a", u"bc"}));
  EXPECT_EQ(os::SplitMultiString(u""), std::vector<std::u16string>{});
  EXPECT_EQ(os::SplitMultiString(u"tail"), std::vector<std::u16string>{u"tail"});
}

}  // namespace
