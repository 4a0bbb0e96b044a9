#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/base/Unicode.h"
#include "platform/system/Shell.h"
#include "testsupport/TempDir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScopedEnv;
using testsupport::TempDir;

int Code(os::HINSTANCE result) { return os::ShellExecuteResultCode(result); }

#ifndef _WIN32
std::u16string Wide(const std::filesystem::path& path) { return os::Utf8ToUtf16(path.string()); }

// A shell script that writes its working folder and arguments, one a line,
// to out.txt beside itself (renamed into place when complete).
std::filesystem::path WriteProbeScript(const std::filesystem::path& folder, const std::string& name,
                                       mode_t mode) {
  const auto script = folder / name;
  const auto out = folder / "out.txt";
  testsupport::WriteFileBytes(
      script, "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" + out.string() +
                  ".part' && mv '" + out.string() + ".part' '" + out.string() + "'\n");
  chmod(script.c_str(), mode);
  return script;
}

std::string WaitForFile(const std::filesystem::path& path) {
  for (int i = 0; i < 1000 && !std::filesystem::exists(path); ++i) std::this_thread::sleep_for(10ms);
  return testsupport::ReadFileBytes(path);
}
#endif

TEST(SplitCommandLine, FollowsTheWindowsRuntimeRules) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ(os::SplitCommandLine(u""), V{});
  EXPECT_EQ(os::SplitCommandLine(u" \t "), V{});
  EXPECT_EQ(os::SplitCommandLine(u"a b\t\tc"), (V{u"a", u"b", u"c"}));
  EXPECT_EQ(os::SplitCommandLine(u"\"a b\" c"), (V{u"a b", u"c"}));
  EXPECT_EQ(os::SplitCommandLine(u"http://h/p?a=1&b=2"), V{u"http://h/p?a=1&b=2"});
  EXPECT_EQ(os::SplitCommandLine(u"a\\\\b"), V{u"a\\\\b"});              // backslashes alone stay
  EXPECT_EQ(os::SplitCommandLine(u"a\\\"b"), V{u"a\"b"});                // \" is a quote
  EXPECT_EQ(os::SplitCommandLine(u"a\\\\\\\"b"), V{u"a\\\"b"});          // \\\" is \ and a quote
  EXPECT_EQ(os::SplitCommandLine(u"a\\\\\\\\\"b c\""), V{u"a\\\\b c"});  // \\\\" halves, then quotes
  EXPECT_EQ(os::SplitCommandLine(u"\"a\"\"b\""), V{u"a\"b"});            // "" inside quotes
  EXPECT_EQ(os::SplitCommandLine(u"\"\" x"), (V{u"", u"x"}));
  EXPECT_EQ(os::SplitCommandLine(u"\"open ended"), V{u"open ended"});
}

TEST(ShellExecute, RecordsLaunchesAndResolvesInternetExplorer) {
  const os::ShellLaunchRecorder recorder(false);
  EXPECT_GT(Code(os::ShellExecute(nullptr, u"open", u"IExplore.exe", u"http://h/p?a=1&b=2", u"",
                                  os::SW_SHOWNORMAL)),
            32);
  EXPECT_GT(Code(os::ShellExecute(nullptr, u"", u"http://h/page", u"", u"/tmp", os::SW_SHOW)), 32);
  // Not started, so a missing program still reports success.
  EXPECT_GT(
      Code(os::ShellExecute(nullptr, u"open", u"/nonexistent/setup.exe", u"\"a b\" c", u"", os::SW_SHOW)),
      32);
  const auto launches = recorder.Launches();
  ASSERT_EQ(launches.size(), 3u);
  EXPECT_EQ(launches[0].verb, u"open");
  EXPECT_EQ(launches[0].file, u"IExplore.exe");
  EXPECT_EQ(launches[0].parameters, u"http://h/p?a=1&b=2");
  EXPECT_EQ(launches[0].showCommand, os::SW_SHOWNORMAL);
#ifndef _WIN32
  EXPECT_EQ(launches[0].program, "xdg-open");
  EXPECT_EQ(launches[0].arguments, std::vector<std::string>{"http://h/p?a=1&b=2"});
  EXPECT_EQ(launches[1].program, "xdg-open");
  EXPECT_EQ(launches[1].arguments, std::vector<std::string>{"http://h/page"});
#else
  // Windows resolves names and addresses itself: what runs is the file given.
  EXPECT_EQ(launches[0].program, "IExplore.exe");
  EXPECT_EQ(launches[0].arguments, std::vector<std::string>{"http://h/p?a=1&b=2"});
  EXPECT_EQ(launches[1].program, "http://h/page");
  EXPECT_TRUE(launches[1].arguments.empty());
#endif
  EXPECT_EQ(launches[1].directory, u"/tmp");
  EXPECT_EQ(launches[2].program, "/nonexistent/setup.exe");
  EXPECT_EQ(launches[2].arguments, (std::vector<std::string>{"a b", "c"}));
}

TEST(ShellExecute, NewestRecorderReceivesLaunches) {
  const os::ShellLaunchRecorder outer(false);
  {
    const os::ShellLaunchRecorder inner(false);
    os::ShellExecute(nullptr, u"open", u"/x/inner", u"", u"", os::SW_SHOW);
    EXPECT_EQ(inner.Launches().size(), 1u);
  }
  os::ShellExecute(nullptr, u"open", u"/x/outer", u"", u"", os::SW_SHOW);
  const auto launches = outer.Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, u"/x/outer");
}

// Starting programs and the special folders follow the Linux desktop's
// conventions here; the Windows tests check the system's.
#ifndef _WIN32
TEST(ShellExecute, StartsAProgramWithItsArgumentsAndFolderAndMakesItExecutable) {
  TempDir dir;
  const auto script = WriteProbeScript(dir.path(), "setup_360gj.exe", 0644);
  std::filesystem::create_directories(dir / "work");
  const os::ShellLaunchRecorder recorder(true);
  const int code = Code(os::ShellExecute(nullptr, u"open", Wide(script), u"\"two words\" plain \"q\\\"uote\"",
                                         Wide(dir / "work"), os::SW_SHOWNORMAL));
  EXPECT_GT(code, 32);
  EXPECT_EQ(WaitForFile(dir / "out.txt"),
            std::filesystem::canonical(dir / "work").string() + "\ntwo words\nplain\nq\"uote\n");
  struct stat info {};
  ASSERT_EQ(stat(script.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u);
  EXPECT_EQ(recorder.Launches().size(), 1u);
}

TEST(ShellExecute, FindsBareNamesInPath) {
  TempDir dir;
  std::filesystem::create_directories(dir / "bin");
  WriteProbeScript(dir / "bin", "lumora-probe", 0755);
  const ScopedEnv path("PATH", (dir / "bin").string() + ":/usr/bin:/bin");
  EXPECT_GT(Code(os::ShellExecute(nullptr, u"open", u"lumora-probe", u"x", u"", os::SW_SHOW)), 32);
  EXPECT_EQ(WaitForFile(dir / "bin" / "out.txt"),
            std::filesystem::canonical(std::filesystem::current_path()).string() + "\nx\n");
}

TEST(ShellExecute, ReportsWhatCouldNotBeStarted) {
  TempDir dir;
  const auto script = WriteProbeScript(dir.path(), "probe", 0755);
  testsupport::WriteFileBytes(dir / "not-a-program", "just text\n");
  const ScopedEnv path("PATH", (dir / "empty").string());
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", Wide(dir / "missing"), u"", u"", os::SW_SHOW)),
            os::SE_ERR_FNF);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", u"no-such-program", u"", u"", os::SW_SHOW)),
            os::SE_ERR_FNF);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", u"", u"", u"", os::SW_SHOW)), os::SE_ERR_FNF);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", Wide(script), u"", Wide(dir / "gone"), os::SW_SHOW)),
            os::SE_ERR_PNF);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"open", Wide(dir / "not-a-program"), u"", u"", os::SW_SHOW)),
            os::SE_ERR_BADFORMAT);
  EXPECT_EQ(Code(os::ShellExecute(nullptr, u"print", Wide(script), u"", u"", os::SW_SHOW)),
            os::SE_ERR_NOASSOC);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}
#endif

TEST(ShellExecute, LogVariableRecordsLaunchesInsteadOfStartingThem) {
  TempDir dir;
  const ScopedEnv log("LUMORA_SHELL_LOG", (dir / "launches.log").string());
  EXPECT_GT(
      Code(os::ShellExecute(nullptr, u"open", u"/nonexistent/\u6E38\u620F", u"a\tb\\c", u"", os::SW_SHOW)),
      32);
  EXPECT_GT(
      Code(os::ShellExecute(nullptr, u"open", u"iexplore.exe", u"http://h/?x=1", u"/tmp", os::SW_SHOWNORMAL)),
      32);
  EXPECT_EQ(testsupport::ReadFileBytes(dir / "launches.log"),
            "open\t/nonexistent/\xE6\xB8\xB8\xE6\x88\x8F\ta\\tb\\\\c\t\t5\n"
            "open\tiexplore.exe\thttp://h/?x=1\t/tmp\t1\n");
}

#ifndef _WIN32
TEST(SpecialFolders, FollowTheBaseDirectoryVariables) {
  TempDir dir;
  const ScopedEnv data("XDG_DATA_HOME", (dir / "data").string());
  const ScopedEnv cache("XDG_CACHE_HOME", (dir / "cache").string());
  std::u16string path = u"untouched";

  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_APPDATA, os::FALSE), os::FALSE);
  EXPECT_EQ(path, u"untouched");
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_APPDATA, os::TRUE), os::TRUE);
  EXPECT_EQ(path, Wide(dir / "data"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "data"));
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_APPDATA, os::FALSE), os::TRUE);

  // The web engine's folders are not made unless asked for.
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_INTERNET_CACHE, os::FALSE), os::FALSE);
  EXPECT_FALSE(std::filesystem::exists(dir / "cache"));
  EXPECT_EQ(
      os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_INTERNET_CACHE | os::CSIDL_FLAG_CREATE, os::FALSE),
      os::TRUE);
  EXPECT_EQ(path, Wide(dir / "cache/lumora/webcache"));
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_COOKIES, os::TRUE), os::TRUE);
  EXPECT_EQ(path, Wide(dir / "data/lumora/cookies"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "data/lumora/cookies"));

  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, 0x0005 /* CSIDL_PERSONAL */, os::TRUE), os::FALSE);
  EXPECT_EQ(os::SHGetSpecialFolderPath(nullptr, nullptr, os::CSIDL_APPDATA, os::TRUE), os::FALSE);
}

TEST(SpecialFolders, FallBackToTheHomeFolder) {
  TempDir dir;
  const ScopedEnv home("HOME", dir.path().string());
  const ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  const ScopedEnv cache("XDG_CACHE_HOME", "not/absolute");
  std::u16string path;
  ASSERT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_APPDATA, os::TRUE), os::TRUE);
  EXPECT_EQ(path, Wide(dir / ".local/share"));
  ASSERT_EQ(os::SHGetSpecialFolderPath(nullptr, &path, os::CSIDL_INTERNET_CACHE, os::TRUE), os::TRUE);
  EXPECT_EQ(path, Wide(dir / ".cache/lumora/webcache"));
}
#endif

}  // namespace
