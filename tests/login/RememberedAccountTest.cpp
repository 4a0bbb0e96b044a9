// The remembered-account file: byte-exact stored form, reading back, and the
// ways a damaged or missing file is read.
#include "login/RememberedAccount.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "testsupport/TempDir.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class RememberedAccountTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_.path() / "lumora" / "login" / "lastlogininfo.info"; }
  void WriteRecord(const std::string& bytes) {
    std::filesystem::create_directories(File().parent_path());
    WriteFileBytes(File(), bytes);
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv dataHome_{"XDG_DATA_HOME", dir_.path().string()};
};

TEST_F(RememberedAccountTest, StoredFormIsByteExact) {
  ASSERT_TRUE(SaveRememberedAccount("abc", "pw", 2, 0));
  // abc + 0x00 is YWJjAA== in Base64; pw + 0x00 is cHcA. Lines 1 to 3 end
  // with CR LF, line 4 has no line end.
  EXPECT_EQ(ReadFileBytes(File()), "59574A6A41413D3D\r\n63486341\r\n2\r\n0");

  struct stat info {};
  ASSERT_EQ(stat(File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the password must not be readable by others";

  const RememberedAccount record = LoadRememberedAccount();
  EXPECT_TRUE(record.found);
  EXPECT_EQ(record.account, "abc");
  EXPECT_EQ(record.password, "pw");
  EXPECT_EQ(record.mark, 2);
  EXPECT_EQ(record.flag, 0);
}

TEST_F(RememberedAccountTest, SavingReplacesAnOlderFileAndTightensItsMode) {
  WriteRecord(std::string(4096, 'F') + "\r\nrest of an older, longer record");
  std::filesystem::permissions(File(), std::filesystem::perms(0644));
  ASSERT_TRUE(SaveRememberedAccount("a", "b", -7, 12));
  EXPECT_EQ(ReadFileBytes(File()),
            EncodeRememberedText("a") + "\r\n" + EncodeRememberedText("b") + "\r\n-7\r\n12");
  struct stat info {};
  ASSERT_EQ(stat(File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const RememberedAccount record = LoadRememberedAccount();
  EXPECT_EQ(record.mark, -7);
  EXPECT_EQ(record.flag, 12);
}

TEST_F(RememberedAccountTest, LongTextsCarryEncodedLineBreaksAndReadBack) {
  // 56 bytes + zero fill exactly one Base64 line, which still gets its CR LF;
  // 57 bytes + zero spill two characters onto a second line.
  const std::string exact(56, 'x');
  const std::string spill(57, 'y');
  const std::string exactLine = EncodeRememberedText(exact);
  const std::string spillLine = EncodeRememberedText(spill);
  EXPECT_EQ(exactLine.size(), 2u * (76 + 2));
  EXPECT_EQ(exactLine.substr(exactLine.size() - 4), "0D0A");
  EXPECT_EQ(spillLine.size(), 2u * (76 + 2 + 4));
  EXPECT_EQ(spillLine.substr(152, 4), "0D0A");
  EXPECT_EQ(spillLine.substr(156), "41413D3D") << "the zero byte alone is AA==";

  ASSERT_TRUE(SaveRememberedAccount(spill, exact, 2, 0));
  const RememberedAccount record = LoadRememberedAccount();
  EXPECT_TRUE(record.found);
  EXPECT_EQ(record.account, spill);
  EXPECT_EQ(record.password, exact);
}

TEST_F(RememberedAccountTest, DamagedLinesDecodeToWhatTheirRulesYield) {
  // An odd number of digits gives an empty account; the password still reads.
  WriteRecord("59574A6A41413D3\r\n63486341\r\n2\r\n0");
  RememberedAccount record = LoadRememberedAccount();
  EXPECT_TRUE(record.found);
  EXPECT_EQ(record.account, "");
  EXPECT_EQ(record.password, "pw");
  EXPECT_EQ(record.mark, 2);

  // A character that is neither digit nor letter ends the decoding; the
  // bytes before it (YWJj) still give abc.
  WriteRecord("59574A6A!!\r\n63486341\r\n2\r\n0");
  EXPECT_EQ(LoadRememberedAccount().account, "abc");

  // Values that are not integers stay 0; a readable mark without a flag
  // keeps the flag at 0.
  WriteRecord("59574A6A41413D3D\r\n63486341\r\nx\r\n0");
  record = LoadRememberedAccount();
  EXPECT_TRUE(record.found);
  EXPECT_EQ(record.mark, 0);
  EXPECT_EQ(record.flag, 0);
  WriteRecord("59574A6A41413D3D\r\n63486341\r\n2\r\n");
  record = LoadRememberedAccount();
  EXPECT_EQ(record.mark, 2);
  EXPECT_EQ(record.flag, 0);

  // An empty file opens but holds nothing.
  WriteRecord("");
  record = LoadRememberedAccount();
  EXPECT_TRUE(record.found);
  EXPECT_EQ(record.account, "");
  EXPECT_EQ(record.mark, 0);
}

TEST_F(RememberedAccountTest, WordsLongerThanTheReadingAreaAreRejected) {
  // 181 bytes + zero: 244 Base64 characters and three line breaks, 500 hex
  // digits, which fit the 512-byte area and read back exactly.
  const std::string fits(181, 'k');
  ASSERT_TRUE(SaveRememberedAccount(fits, "pw", 2, 0));
  ASSERT_LT(EncodeRememberedText(fits).size(), 512u);
  EXPECT_EQ(LoadRememberedAccount().account, fits);

  // 190 bytes give more than 511 digits: the record is not restored.
  const std::string tooLong(190, 'k');
  ASSERT_GE(EncodeRememberedText(tooLong).size(), 512u);
  ASSERT_TRUE(SaveRememberedAccount(tooLong, "pw", 2, 0));
  const RememberedAccount record = LoadRememberedAccount();
  EXPECT_FALSE(record.found);
  EXPECT_EQ(record.account, "");
  EXPECT_EQ(record.password, "");
  EXPECT_EQ(record.mark, 0);
}

TEST_F(RememberedAccountTest, MissingFileOrFolderIsNotFound) {
  RememberedAccount record = LoadRememberedAccount();
  EXPECT_FALSE(record.found);
  EXPECT_EQ(record.account, "");
  EXPECT_EQ(record.password, "");
  EXPECT_EQ(record.mark, 0);
  EXPECT_EQ(record.flag, 0);
  // The reader creates the login folder, as the writer does.
  EXPECT_TRUE(std::filesystem::is_directory(File().parent_path()));
}

TEST_F(RememberedAccountTest, SaveFailsWhenTheFolderCannotBeMade) {
  // The data folder is taken by a plain file, so nothing below it can exist.
  WriteFileBytes(dir_.path() / "lumora", "not a folder");
  EXPECT_FALSE(SaveRememberedAccount("abc", "pw", 2, 0));
  EXPECT_FALSE(LoadRememberedAccount().found);
  EXPECT_EQ(ReadFileBytes(dir_.path() / "lumora"), "not a folder");
}

}  // namespace
