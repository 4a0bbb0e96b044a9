#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ScopedEnv;

TEST(Kernel, EnvironmentVariablesAreSetAndRemoved) {
  ScopedEnv restore{"LUMORA_KERNEL_TEST_VARIABLE", std::nullopt};
  ASSERT_EQ(os::SetEnvironmentVariable("LUMORA_KERNEL_TEST_VARIABLE", "1"), os::TRUE);
  EXPECT_EQ(os::GetEnvironmentVariable("LUMORA_KERNEL_TEST_VARIABLE"), "1");
  ASSERT_EQ(os::SetEnvironmentVariable("LUMORA_KERNEL_TEST_VARIABLE", nullptr), os::TRUE);
  EXPECT_EQ(os::GetEnvironmentVariable("LUMORA_KERNEL_TEST_VARIABLE"), std::nullopt);
  // Names that cannot be variables change nothing.
  EXPECT_EQ(os::SetEnvironmentVariable("LUMORA_KERNEL=TEST", "1"), os::FALSE);
  EXPECT_EQ(os::GetEnvironmentVariable("LUMORA_KERNEL"), std::nullopt);
  EXPECT_EQ(os::SetEnvironmentVariable("", "1"), os::FALSE);
  EXPECT_EQ(os::SetEnvironmentVariable(nullptr, "1"), os::FALSE);
}

// The executable's path and the default version are the Linux flavour's own
// answers; on Windows they are the system's (tests/windows).
#ifndef _WIN32
TEST(Kernel, ModulePathIsTheRunningExecutable) {
  const std::u16string path = os::GetModuleFileName();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), u'/');
  EXPECT_EQ(std::filesystem::path(os::Utf16ToUtf8(path)), std::filesystem::canonical("/proc/self/exe"));
  const std::u16string folder = os::GetModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'/');
  EXPECT_EQ(path.substr(0, folder.size()), folder);
  EXPECT_EQ(path.substr(folder.size()), u"test_platform");
}

os::OSVERSIONINFO Version() {
  os::OSVERSIONINFO info;
  EXPECT_EQ(os::GetVersionEx(&info), os::TRUE);
  return info;
}

TEST(Kernel, VersionIsWindows8UnlessOverridden) {
  const ScopedEnv unset("LUMORA_OS_VERSION", std::nullopt);
  auto info = Version();
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 2u);
  EXPECT_EQ(info.dwBuildNumber, 9200u);
  EXPECT_EQ(info.dwPlatformId, os::VER_PLATFORM_WIN32_NT);
  {
    const ScopedEnv xp("LUMORA_OS_VERSION", "5.1");
    info = Version();
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
  }
  {
    const ScopedEnv seven("LUMORA_OS_VERSION", "6.1.7600");
    info = Version();
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 7600u);
  }
  for (const char* bad : {"6", "six.one", "6.1x", "6..1", "-5.1", ".1", "6.1.", ""}) {
    const ScopedEnv malformed("LUMORA_OS_VERSION", bad);
    info = Version();
    EXPECT_EQ(info.dwMajorVersion, 6u) << bad;
    EXPECT_EQ(info.dwMinorVersion, 2u) << bad;
  }
  EXPECT_EQ(os::GetVersionEx(nullptr), os::FALSE);
}
#endif

TEST(Kernel, DebugOutputGoesToStandardErrorOnlyWhenEnabled) {
  {
    const ScopedEnv off("LUMORA_DEBUG", std::nullopt);
    testing::internal::CaptureStderr();
    os::OutputDebugString("hidden");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  {
    const ScopedEnv empty("LUMORA_DEBUG", "");
    testing::internal::CaptureStderr();
    os::OutputDebugString("hidden");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  const ScopedEnv on("LUMORA_DEBUG", "1");
  testing::internal::CaptureStderr();
  os::OutputDebugString("start install of updated file");
  os::OutputDebugString(u"\u6E38\u620F\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "start install of updated file\n\xE6\xB8\xB8\xE6\x88\x8F\n");
}

struct DebugSettingCase {
  const char* value;
  std::vector<os::DebugCategory> on;  // empty with all: every category
  bool all = false;
};

class DebugCategories : public testing::TestWithParam<DebugSettingCase> {};

TEST_P(DebugCategories, SettingTurnsOnExactlyItsCategories) {
  const DebugSettingCase& c = GetParam();
  const ScopedEnv setting("LUMORA_DEBUG", c.value);
  for (unsigned i = 0; i < os::kDebugCategoryCount; ++i) {
    const auto category = static_cast<os::DebugCategory>(i);
    const bool wanted = c.all || std::find(c.on.begin(), c.on.end(), category) != c.on.end();
    EXPECT_EQ(os::DebugCategoryEnabled(category), wanted) << os::DebugCategoryName(category);
  }
}

using C = os::DebugCategory;
INSTANTIATE_TEST_SUITE_P(
    Kernel, DebugCategories,
    testing::Values(DebugSettingCase{"window", {C::Window}},
                    DebugSettingCase{"window,input", {C::Window, C::Input}},
                    DebugSettingCase{" Update , SKIN ", {C::Update, C::Skin}},
                    DebugSettingCase{"general,,web", {C::General, C::Web}}, DebugSettingCase{"all", {}, true},
                    DebugSettingCase{"input,all", {}, true},
                    // Not a list of category names: everything, as the single switch did.
                    DebugSettingCase{"1", {}, true}, DebugSettingCase{"yes", {}, true},
                    DebugSettingCase{"window,windw", {}, true}, DebugSettingCase{",", {}, true}));

TEST(Kernel, EveryCategoryIsNamedByItsOwnName) {
  for (unsigned i = 0; i < os::kDebugCategoryCount; ++i) {
    const auto category = static_cast<os::DebugCategory>(i);
    const std::string name(os::DebugCategoryName(category));
    const ScopedEnv only("LUMORA_DEBUG", name.c_str());
    for (unsigned j = 0; j < os::kDebugCategoryCount; ++j) {
      EXPECT_EQ(os::DebugCategoryEnabled(static_cast<os::DebugCategory>(j)), i == j) << name << " " << j;
    }
  }
}

TEST(Kernel, DebugLinesGoOutOnlyForCategoriesTurnedOn) {
  const ScopedEnv on("LUMORA_DEBUG", "update,window");
  testing::internal::CaptureStderr();
  os::OutputDebugString("general line");  // the general category is off
  os::DebugOutput(os::DebugCategory::Skin, "skin line");
  os::DebugOutput(os::DebugCategory::Update, "update line");
  os::DebugOutput(os::DebugCategory::Window, u"window \u6E38");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "update line\nwindow \xE6\xB8\xB8\n");
}

TEST(Kernel, Wow64AnswerFollowsTheBuildUnlessOverridden) {
  os::BOOL wow64 = 7;
  {
    const ScopedEnv unset("LUMORA_WOW64", std::nullopt);
    ASSERT_EQ(os::IsWow64Process(os::GetCurrentProcess(), &wow64), os::TRUE);
    if constexpr (sizeof(void*) == 8) {
      EXPECT_EQ(wow64, os::FALSE);  // a 64-bit build is never WOW64
    }
  }
  {
    const ScopedEnv on("LUMORA_WOW64", "1");
    ASSERT_EQ(os::IsWow64Process(os::GetCurrentProcess(), &wow64), os::TRUE);
    EXPECT_EQ(wow64, os::TRUE);
  }
  {
    const ScopedEnv off("LUMORA_WOW64", "0");
    ASSERT_EQ(os::IsWow64Process(os::GetCurrentProcess(), &wow64), os::TRUE);
    EXPECT_EQ(wow64, os::FALSE);
  }
  EXPECT_EQ(os::IsWow64Process(os::GetCurrentProcess(), nullptr), os::FALSE);
  EXPECT_EQ(os::IsWow64Process(reinterpret_cast<os::HANDLE>(0x1234), &wow64), os::FALSE);
}

}  // namespace
