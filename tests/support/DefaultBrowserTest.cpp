#include <gtest/gtest.h>

#include "platform/system/Shell.h"
#include "support/DefaultBrowser.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ScopedEnv;
using testsupport::TempDir;

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr char kHttpChoice[] =
    "[HKEY_CURRENT_"
    "USER\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice]\r\n";
constexpr char kFtpChoice[] =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\Ftp\\UserChoice]"
    "\r\n";

class DefaultBrowserTest : public ::testing::Test {
 protected:
  void UseRegistry(const std::string& body) {
    testsupport::WriteFileBytes(dir_ / "registry.reg", kHeader + body);
  }
  void UseVersion(const char* version) { version_.emplace("LUMORA_OS_VERSION", version); }

  TempDir dir_;
  ScopedEnv registry_{"LUMORA_REGISTRY", (dir_ / "registry.reg").string()};
  std::optional<ScopedEnv> version_;
};

const std::string kFirefox = std::string(kHttpChoice) +
                             "\"Progid\"=\"FirefoxURL\"\r\n\r\n"
                             "[HKEY_CLASSES_ROOT\\FirefoxURL\\shell\\open\\command]\r\n"
                             "@=\"\\\"/opt/firefox/firefox\\\" -osint -url \\\"%1\\\"\"\r\n";

TEST_F(DefaultBrowserTest, QuotedProgramOfTheHttpChoiceOnWindows8) {
  UseRegistry(kFirefox);
  EXPECT_EQ(DefaultBrowserPath(), u"/opt/firefox/firefox");  // 6.2 is the default version
  UseVersion("10.2");
  EXPECT_EQ(DefaultBrowserPath(), u"/opt/firefox/firefox");
}

TEST_F(DefaultBrowserTest, UnquotedOrHalfQuotedCommandIsReturnedWhole) {
  UseRegistry(std::string(kHttpChoice) +
              "\"Progid\"=\"Plain\"\r\n"
              "[HKEY_CLASSES_ROOT\\Plain\\shell\\open\\command]\r\n"
              "@=\"/usr/bin/browser --new-window %1\"\r\n"
              "[HKEY_CLASSES_ROOT\\Half\\shell\\open\\command]\r\n"
              "@=\"\\\"/usr/bin/half %1\"\r\n");
  EXPECT_EQ(DefaultBrowserPath(), u"/usr/bin/browser --new-window %1");
  UseRegistry(std::string(kHttpChoice) +
              "\"Progid\"=\"Half\"\r\n"
              "[HKEY_CLASSES_ROOT\\Half\\shell\\open\\command]\r\n"
              "@=\"\\\"/usr/bin/half %1\"\r\n");
  EXPECT_EQ(DefaultBrowserPath(), u"\"/usr/bin/half %1");
}

TEST_F(DefaultBrowserTest, Windows7AndVistaReadTheFtpChoice) {
  UseRegistry(std::string(kHttpChoice) + "\"Progid\"=\"HttpBrowser\"\r\n" + kFtpChoice +
              "\"Progid\"=\"FtpBrowser\"\r\n"
              "[HKEY_CLASSES_ROOT\\HttpBrowser\\shell\\open\\command]\r\n@=\"\\\"/bin/http-browser\\\"\"\r\n"
              "[HKEY_CLASSES_ROOT\\FtpBrowser\\shell\\open\\command]\r\n@=\"\\\"/bin/ftp-browser\\\"\"\r\n");
  UseVersion("6.1");
  EXPECT_EQ(DefaultBrowserPath(), u"/bin/ftp-browser");
  UseVersion("6.0");
  EXPECT_EQ(DefaultBrowserPath(), u"/bin/ftp-browser");
  UseVersion("6.2");
  EXPECT_EQ(DefaultBrowserPath(), u"/bin/http-browser");
}

TEST_F(DefaultBrowserTest, WindowsXpReturnsTheHtmlFileCommandWhole) {
  UseRegistry(kFirefox +
              "[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\r\n"
              "@=\"\\\"/opt/ie/iexplore\\\" -nohome\"\r\n"
              "\"Other\"=\"second value\"\r\n");
  UseVersion("5.1");
  EXPECT_EQ(DefaultBrowserPath(), u"\"/opt/ie/iexplore\" -nohome");
}

TEST_F(DefaultBrowserTest, FallsBackToInternetExplorer) {
  // No registry file at all.
  EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe");
  // Versions outside the known classes never look.
  UseRegistry(kFirefox);
  for (const char* version : {"5.0", "5.2", "4.0"}) {
    UseVersion(version);
    EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe") << version;
  }
  // Windows 8 with only an Ftp choice, and XP without the htmlfile command.
  UseRegistry(std::string(kFtpChoice) + "\"Progid\"=\"FirefoxURL\"\r\n");
  UseVersion("6.2");
  EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe");
  UseVersion("5.1");
  EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe");
  // A choice whose class has no open command, and one without Progid.
  UseVersion("6.2");
  UseRegistry(std::string(kHttpChoice) + "\"Progid\"=\"Missing\"\r\n");
  EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe");
  UseRegistry(std::string(kHttpChoice) + "\"Hash\"=\"x\"\r\n");
  EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe");
}

TEST_F(DefaultBrowserTest, ValuesBeyond260CharactersAreNotRead) {
  const std::string fits(260, 'p');
  const std::string tooLong(261, 'p');
  const auto registry = [](const std::string& progId) {
    return std::string(kHttpChoice) + "\"Progid\"=\"" + progId + "\"\r\n[HKEY_CLASSES_ROOT\\" + progId +
           "\\shell\\open\\command]\r\n@=\"\\\"/bin/b\\\"\"\r\n";
  };
  UseRegistry(registry(fits));
  EXPECT_EQ(DefaultBrowserPath(), u"/bin/b");
  UseRegistry(registry(tooLong));
  EXPECT_EQ(DefaultBrowserPath(), u"iexplore.exe");
}

TEST_F(DefaultBrowserTest, OpenInBrowserStartsTheBrowserWithTheUrlAsItsParameters) {
  UseRegistry(kFirefox);
  const os::ShellLaunchRecorder recorder(false);
  OpenInBrowser(u"http://127.0.0.1:47802/pay.html?a=1&b=two words");
  const auto launches = recorder.Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].verb, u"open");
  EXPECT_EQ(launches[0].file, u"/opt/firefox/firefox");
  EXPECT_EQ(launches[0].parameters, u"http://127.0.0.1:47802/pay.html?a=1&b=two words");
  EXPECT_EQ(launches[0].directory, u"");
  EXPECT_EQ(launches[0].showCommand, os::SW_SHOWNORMAL);
}

TEST_F(DefaultBrowserTest, OpenInBrowserWithoutAChoiceUsesTheDesktopUrlOpener) {
  const os::ShellLaunchRecorder recorder(false);
  OpenInBrowser(u"http://127.0.0.1:47804/forum");
  const auto launches = recorder.Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, u"iexplore.exe");
  EXPECT_EQ(launches[0].program, "xdg-open");
  EXPECT_EQ(launches[0].arguments, std::vector<std::string>{"http://127.0.0.1:47804/forum"});
}

}  // namespace
