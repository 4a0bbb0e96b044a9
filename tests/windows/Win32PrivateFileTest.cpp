// The launcher's own files on Windows under a folder whose name is outside
// ASCII, as a profile folder of a Chinese user name is: UTF-8 paths reach the
// system as UTF-16 on the way in and on the way back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/system/PrivateFile.h"
#include "testsupport/TempDir.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string ReadAll(std::FILE* file) {
  std::string bytes;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes.push_back(static_cast<char>(c));
  std::fclose(file);
  return bytes;
}

TEST(Win32PrivateFiles, FilesUnderAFolderOutsideAsciiAreWrittenAndReadBack) {
  testsupport::TempDir dir;
  const fs::path folder = dir.path() / fs::path(u8"张三的存档 ü");
  ASSERT_TRUE(fs::create_directories(folder));
  const std::string path = Utf8(folder / "lastlogininfo.info");

  // Binary both ways: the line end and the zero come back as written.
  const std::string bytes("player\r\n\0\x1Atail", 14);
  ASSERT_TRUE(os::WritePrivateFile(path, bytes));
  std::FILE* in = os::OpenFileToRead(path);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(ReadAll(in), bytes);

  std::FILE* out = os::OpenPrivateFile(path, true);
  ASSERT_NE(out, nullptr);
  std::fputs("+more", out);
  std::fclose(out);
  ASSERT_TRUE(os::OverwriteWithZeros(path, 6));
  in = os::OpenFileToRead(path);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(ReadAll(in), "player" + std::string(13, '\0'));

  EXPECT_EQ(os::OpenFileToRead(Utf8(folder / "missing")), nullptr);
}

}  // namespace
