#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/Unicode.h"
#include "support/InstallRecord.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ScopedEnv;
using testsupport::TempDir;

constexpr char kNativeKey[] =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{87564C08-AF8A-4684-ACA7-030AE5B0060F}}_is1]\r\n";
constexpr char kWow64Key[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{87564C08-AF8A-4684-ACA7-030AE5B0060F}}_is1]\r\n";

class FindInstalledClientTest : public ::testing::Test {
 protected:
  void UseRegistry(const std::string& body) {
    testsupport::WriteFileBytes(dir_ / "registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + body);
  }
  TempDir dir_;
  ScopedEnv registry_{"LUMORA_REGISTRY", (dir_ / "registry.reg").string()};
};

TEST_F(FindInstalledClientTest, ReadsTheRecordOfTheProcessView) {
  UseRegistry(std::string(kNativeKey) + "\"DisplayIcon\"=\"/opt/morvaine/native\"\r\n" + kWow64Key +
              "\"DisplayIcon\"=\"/opt/morvaine/wow64\"\r\n");
  std::u16string path;
  {
    const ScopedEnv wow64("LUMORA_WOW64", "0");
    EXPECT_FALSE(IsWow64());
    ASSERT_TRUE(FindInstalledClient(path));
    EXPECT_EQ(path, u"/opt/morvaine/native");
  }
  {
    const ScopedEnv wow64("LUMORA_WOW64", "1");
    EXPECT_TRUE(IsWow64());
    ASSERT_TRUE(FindInstalledClient(path));
    EXPECT_EQ(path, u"/opt/morvaine/wow64");
  }
}

TEST_F(FindInstalledClientTest, A32BitLauncherDoesNotSeeA64BitRecord) {
  UseRegistry(std::string(kNativeKey) + "\"DisplayIcon\"=\"/opt/morvaine/native\"\r\n");
  const ScopedEnv wow64("LUMORA_WOW64", "1");
  std::u16string path = u"untouched";
  EXPECT_FALSE(FindInstalledClient(path));
  EXPECT_EQ(path, u"untouched");
}

TEST_F(FindInstalledClientTest, RecordWithoutUsablePathMeansNoClient) {
  const ScopedEnv wow64("LUMORA_WOW64", "0");
  std::u16string path = u"untouched";
  EXPECT_FALSE(FindInstalledClient(path));  // no registry file
  UseRegistry(std::string(kNativeKey) + "\"DisplayName\"=\"Morvaine\"\r\n");
  EXPECT_FALSE(FindInstalledClient(path));
  UseRegistry(std::string(kNativeKey) + "\"DisplayIcon\"=\"\"\r\n");
  EXPECT_FALSE(FindInstalledClient(path));
  EXPECT_EQ(path, u"untouched");
}

TEST_F(FindInstalledClientTest, PathMustFitIn255Characters) {
  const ScopedEnv wow64("LUMORA_WOW64", "0");
  const std::string fits = "/" + std::string(254, 'a');
  UseRegistry(std::string(kNativeKey) + "\"DisplayIcon\"=\"" + fits + "\"\r\n");
  std::u16string path;
  ASSERT_TRUE(FindInstalledClient(path));
  EXPECT_EQ(path.size(), 255u);
  UseRegistry(std::string(kNativeKey) + "\"DisplayIcon\"=\"" + fits + "a\"\r\n");
  EXPECT_FALSE(FindInstalledClient(path));
}

TEST(DataDirectory, CreatesTheLumoraFolderUnderTheApplicationData) {
  TempDir dir;
  const auto appData = dir / "share";  // does not exist yet
  const ScopedEnv data("XDG_DATA_HOME", appData.string());
  const std::u16string folder = DataDirectory();
  EXPECT_EQ(folder, os::Utf8ToUtf16(appData.string()) + u"/lumora/");
  EXPECT_TRUE(std::filesystem::is_directory(appData / "lumora"));

  // A second call returns the same folder and leaves its contents alone.
  testsupport::WriteFileBytes(appData / "lumora" / "channel.ini", "360gj");
  EXPECT_EQ(DataDirectory(), folder);
  EXPECT_EQ(testsupport::ReadFileBytes(appData / "lumora" / "channel.ini"), "360gj");
}

TEST(DataDirectory, FallsBackToTheHomeFolder) {
  TempDir dir;
  const ScopedEnv home("HOME", dir.path().string());
  const ScopedEnv relative("XDG_DATA_HOME", "relative/share");  // not absolute: ignored
  EXPECT_EQ(DataDirectory(), os::Utf8ToUtf16(dir.path().string()) + u"/.local/share/lumora/");
  EXPECT_TRUE(std::filesystem::is_directory(dir / ".local/share/lumora"));
}

TEST(DataDirectory, TooLongApplicationDataPathCreatesNothing) {
  TempDir dir;
  std::string longPath = dir.path().string();
  while (longPath.size() < 256) longPath += "/" + std::string(40, 'd');
  const ScopedEnv data("XDG_DATA_HOME", longPath);
  EXPECT_EQ(DataDirectory(), u"/lumora/");
  EXPECT_FALSE(std::filesystem::exists(longPath + "/lumora"));
}

}  // namespace
