// The kernel functions on Windows answer with the system's facts, in the
// shapes the launcher's callers split and compare on every system.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"
#include "platform/system/UserFolders.h"
#include "testsupport/TempDir.h"
#include "windows/SystemScratch.h"

namespace {

std::u16string WithForwardSlashes(std::u16string path) {
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  return path;
}

TEST(Win32Kernel, ModulePathsAreTheSystemsWithForwardSlashes) {
  const std::u16string path = os::GetModuleFileName();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.find(u'\\'), std::u16string::npos);
  EXPECT_EQ(path, WithForwardSlashes(testsupport::SystemExecutablePath()));
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(path)));
  const std::u16string folder = os::GetModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'/');
  EXPECT_EQ(path.substr(folder.size()), u"test_win32_system.exe");

  // Another module names its own file, not the executable.
  void* kernel = testsupport::LoadedModule(u"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  const std::u16string kernelPath = os::GetModuleFileName(static_cast<os::HMODULE>(kernel));
  EXPECT_EQ(kernelPath, WithForwardSlashes(testsupport::SystemModulePath(kernel)));
  EXPECT_NE(kernelPath, path);
}

TEST(Win32Kernel, ProcessIdAndPseudoHandleAreTheSystems) {
  EXPECT_EQ(os::GetCurrentProcess(), reinterpret_cast<os::HANDLE>(static_cast<std::intptr_t>(-1)));
  EXPECT_NE(os::GetCurrentProcessId(), 0u);
  os::BOOL wow64 = 7;
  ASSERT_EQ(os::IsWow64Process(os::GetCurrentProcess(), &wow64), os::TRUE);
  if constexpr (sizeof(void*) == 8) {
    EXPECT_EQ(wow64, os::FALSE);
  }
  EXPECT_EQ(os::IsWow64Process(nullptr, &wow64), os::FALSE);
}

TEST(Win32Kernel, EnvironmentReadsSetEmptyMissingAndLongValuesAndKeepsTheLastError) {
  const char* name = "LUMORA_TEST_ENVIRONMENT";
  const char16_t* wideName = u"LUMORA_TEST_ENVIRONMENT";
  testsupport::SetEnvironmentVariableTo(wideName, u"\u6E38\u620F");
  EXPECT_EQ(os::GetEnvironmentVariable(name), "\xE6\xB8\xB8\xE6\x88\x8F") << "UTF-8, whatever the code page";
  const std::u16string longValue(5000, u'v');
  testsupport::SetEnvironmentVariableTo(wideName, longValue.c_str());
  EXPECT_EQ(os::GetEnvironmentVariable(name), std::string(5000, 'v'));
  testsupport::SetEnvironmentVariableTo(wideName, u"");
  EXPECT_EQ(os::GetEnvironmentVariable(name), std::string()) << "set, and empty";
  testsupport::RemoveEnvironmentVariable(wideName);
  testsupport::SetLastErrorTo(1234);
  EXPECT_EQ(os::GetEnvironmentVariable(name), std::nullopt);
  EXPECT_EQ(testsupport::LastError(), 1234u);
  EXPECT_EQ(os::GetEnvironmentVariable(nullptr), std::nullopt);
  {
    // What the C runtime sets is seen too.
    const testsupport::ScopedEnv set(name, "plain");
    EXPECT_EQ(os::GetEnvironmentVariable(name), "plain");
  }
}

TEST(Win32Kernel, VersionIsTheSystemsUnlessOverridden) {
  const testsupport::ScopedEnv unset("LUMORA_OS_VERSION", std::nullopt);
  os::OSVERSIONINFO system;
  ASSERT_EQ(os::GetVersionEx(&system), os::TRUE);
  EXPECT_EQ(system.dwPlatformId, os::VER_PLATFORM_WIN32_NT);
  EXPECT_GE(system.dwMajorVersion, 5u);
  {
    const testsupport::ScopedEnv xp("LUMORA_OS_VERSION", "5.1");
    os::OSVERSIONINFO info;
    ASSERT_EQ(os::GetVersionEx(&info), os::TRUE);
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
  }
  {
    const testsupport::ScopedEnv malformed("LUMORA_OS_VERSION", "6.1x");
    os::OSVERSIONINFO info;
    ASSERT_EQ(os::GetVersionEx(&info), os::TRUE);
    EXPECT_EQ(info.dwMajorVersion, system.dwMajorVersion);
    EXPECT_EQ(info.dwMinorVersion, system.dwMinorVersion);
    EXPECT_EQ(info.dwBuildNumber, system.dwBuildNumber);
  }
  EXPECT_EQ(os::GetVersionEx(nullptr), os::FALSE);
}

TEST(Win32Kernel, PrivateFoldersAreCreatedWithTheirParentsFromUtf8Paths) {
  testsupport::TempDir dir;
  const std::u16string base = dir.path().generic_u16string();
  // As the launcher calls it: a UTF-8 text with "/" separators and a
  // trailing one, holding a name outside every ANSI code page's reach.
  const std::u16string folder = base + u"/lumora/\u6E38\u620F/login/";
  ASSERT_TRUE(os::CreatePrivateFolders(os::Utf16ToUtf8(folder)));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folder)));
  EXPECT_TRUE(os::CreatePrivateFolders(os::Utf16ToUtf8(folder))) << "an existing folder is fine";
  testsupport::WriteFileBytes(dir / "file", "x");
  EXPECT_FALSE(os::CreatePrivateFolders(dir / "file"));
  EXPECT_FALSE(os::CreatePrivateFolders(dir / "file" / "below"));
  EXPECT_FALSE(os::CreatePrivateFolders(std::filesystem::path()));
}

TEST(Win32Kernel, UserFoldersAreTheSystemsProfileFolders) {
  for (const std::string& folder :
       {os::HomeFolder(), os::XdgDataHome(), os::XdgCacheHome(), os::XdgConfigHome()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.find('\\'), std::string::npos) << folder;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(os::Utf8ToUtf16(folder)))) << folder;
  }
  EXPECT_EQ(os::XdgDataHome(), os::XdgConfigHome());
}

}  // namespace
