// ShellExecute on Windows starts real programs through the system, after the
// recorder and the launch log have seen the launch; the special folders are
// the system's.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"
#include "platform/system/Shell.h"
#include "testsupport/TempDir.h"

namespace {

using namespace std::chrono_literals;

int Code(os::HINSTANCE result) { return os::ShellExecuteResultCode(result); }

std::u16string Child() { return os::GetModuleFolder() + u"win32_system_child.exe"; }

std::string WaitForFile(const std::filesystem::path& path) {
  for (int i = 0; i < 3000 && !std::filesystem::exists(path); ++i) std::this_thread::sleep_for(10ms);
  // The child writes the file at once; give it the moment to close it.
  std::this_thread::sleep_for(50ms);
  return testsupport::ReadFileBytes(path);
}

TEST(Win32ShellExecute, StartsAProgramWithItsArgumentsInItsFolder) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir / "work");
  const std::u16string out = (dir / "out.txt").generic_u16string();
  const std::u16string parameters = u"args \"" + out + u"\" \"a b\" c";
  const os::ShellLaunchRecorder recorder(true);
  const int code = Code(os::ShellExecute(nullptr, u"open", Child(), parameters,
                                         (dir / "work").generic_u16string(), os::SW_SHOW));
  EXPECT_GT(code, 32);
  const std::string expected = (dir / "work").generic_string() + "\na b\nc\n";
  EXPECT_EQ(WaitForFile(dir / "out.txt"), expected);
  ASSERT_EQ(recorder.Launches().size(), 1u);
  EXPECT_EQ(recorder.Launches()[0].arguments,
            (std::vector<std::string>{"args", os::Utf16ToUtf8(out), "a b", "c"}));
}

TEST(Win32ShellExecute, RecordedLaunchesAreNotStarted) {
  testsupport::TempDir dir;
  const os::ShellLaunchRecorder recorder(false);
  const std::u16string parameters = u"args \"" + (dir / "out.txt").generic_u16string() + u"\"";
  EXPECT_GT(Code(os::ShellExecute(nullptr, u"", Child(), parameters, u"", os::SW_SHOW)), 32);
  ASSERT_EQ(recorder.Launches().size(), 1u);
  EXPECT_EQ(recorder.Launches()[0].program, os::Utf16ToUtf8(Child()));
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST(Win32ShellExecute, ReportsWhatCouldNotBeStarted) {
  testsupport::TempDir dir;
  const std::u16string out = u"args \"" + (dir / "out.txt").generic_u16string() + u"\"";
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", (dir / "missing.exe").generic_u16string(), u"", u"",
                                  os::SW_SHOW)),
            os::SE_ERR_FNF);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", u"", u"", u"", os::SW_SHOW)), os::SE_ERR_FNF);
  // Verbs other than "open" are not the launcher's, whatever the system offers.
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"print", Child(), out, u"", os::SW_SHOW)), os::SE_ERR_NOASSOC);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"runas", Child(), out, u"", os::SW_SHOW)), os::SE_ERR_NOASSOC);
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST(Win32SpecialFolders, AreTheSystemsWithForwardSlashesAndNoTrailingOne) {
  for (const int csidl :
       {os::CSIDL_APPDATA, os::CSIDL_LOCAL_APPDATA, os::CSIDL_INTERNET_CACHE, os::CSIDL_COOKIES}) {
    std::u16string path;
    ASSERT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, csidl, os::TRUE), os::TRUE) << csidl;
    EXPECT_EQ(path.find(u'\\'), std::u16string::npos) << csidl;
    EXPECT_NE(path.back(), u'/') << csidl;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(path))) << csidl;
  }
  std::u16string path;
  ASSERT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_APPDATA | os::CSIDL_FLAG_CREATE, os::FALSE),
            os::TRUE);
  std::u16string plain;
  ASSERT_EQ(os::SHGetSpecialFolderPath(nullptr, &plain, os::CSIDL_APPDATA, os::FALSE), os::TRUE);
  EXPECT_EQ(path, plain);
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, nullptr, os::CSIDL_APPDATA, os::FALSE), os::FALSE);
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, 0x7F, os::FALSE), os::FALSE);
}

}  // namespace
