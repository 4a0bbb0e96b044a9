// The registry functions on Windows read the system's registry with the rules
// the launcher's browser and install-record lookups depend on: data shapes,
// capacities, paths, views, the classes root and read-only handles.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/system/Registry.h"
#include "windows/SystemScratch.h"

namespace {

using testsupport::ScratchRegistryKey;

std::string Utf16Bytes(std::u16string_view text, bool terminated = true) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  if (terminated) bytes.append(2, '\0');
  return bytes;
}

os::UniqueHKey Open(os::HKEY root, std::u16string_view path, os::REGSAM sam = os::KEY_QUERY_VALUE) {
  os::HKEY key = nullptr;
  if (os::RegOpenKeyEx(root, path, 0, sam, &key) != os::ERROR_SUCCESS) return nullptr;
  return os::UniqueHKey(key);
}

class Win32Registry : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.ok()); }
  ScratchRegistryKey scratch_{ScratchRegistryKey::Root::kCurrentUser};
};

TEST_F(Win32Registry, ReadsTextDwordsBinaryAndTheDefaultValue) {
  ASSERT_TRUE(scratch_.SetString(u"", u"Progid", u"LumoraURL"));
  ASSERT_TRUE(scratch_.SetString(u"", u"", u"\"C:\\\u6E38\u620F\\browser.exe\" %1"));
  ASSERT_TRUE(scratch_.SetDword(u"", u"Count", 0x01020304));
  ASSERT_TRUE(scratch_.SetBinary(u"", u"Blob", std::string("\x00\x01\xFF", 3)));
  const auto key = Open(os::HKEY_CURRENT_USER, scratch_.path());
  ASSERT_TRUE(key);
  os::DWORD type = 0;
  std::string data;
  ASSERT_EQ(os::RegQueryValueEx(key.get(), u"PROGID", &type, &data), os::ERROR_SUCCESS)
      << "names ignore case";
  EXPECT_EQ(type, os::REG_SZ);
  EXPECT_EQ(data, Utf16Bytes(u"LumoraURL"));
  EXPECT_EQ(os::RegDataToString(data), u"LumoraURL");
  ASSERT_EQ(os::RegQueryValueEx(key.get(), u"", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegDataToString(data), u"\"C:\\\u6E38\u620F\\browser.exe\" %1");
  ASSERT_EQ(os::RegQueryValueEx(key.get(), u"Count", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(type, os::REG_DWORD);
  EXPECT_EQ(data, std::string("\x04\x03\x02\x01", 4));
  ASSERT_EQ(os::RegQueryValueEx(key.get(), u"Blob", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(type, os::REG_BINARY);
  EXPECT_EQ(data, std::string("\x00\x01\xFF", 3));
  EXPECT_EQ(os::RegQueryValueEx(key.get(), u"Missing", &type, &data), os::ERROR_FILE_NOT_FOUND);
  // Type and data may be left out.
  EXPECT_EQ(os::RegQueryValueEx(key.get(), u"Progid", nullptr, nullptr), os::ERROR_SUCCESS);
}

TEST_F(Win32Registry, TextStoredWithoutItsTerminatorIsReturnedWithIt) {
  ASSERT_TRUE(scratch_.SetString(u"", u"DisplayIcon", u"C:\\Games\\client.exe", false));
  const auto key = Open(os::HKEY_CURRENT_USER, scratch_.path());
  ASSERT_TRUE(key);
  std::string data;
  ASSERT_EQ(os::RegQueryValueEx(key.get(), u"DisplayIcon", nullptr, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(data, Utf16Bytes(u"C:\\Games\\client.exe"));
  // The capacity counts the terminator the caller's area must hold.
  const auto size = static_cast<os::DWORD>(data.size());
  EXPECT_EQ(os::RegQueryValueEx(key.get(), u"DisplayIcon", nullptr, &data, size), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegQueryValueEx(key.get(), u"DisplayIcon", nullptr, &data, size - 2), os::ERROR_MORE_DATA);
}

TEST_F(Win32Registry, DataLargerThanTheCapacityIsNotReturned) {
  const std::u16string longPath(300, u'x');
  ASSERT_TRUE(scratch_.SetString(u"", u"Path", longPath));
  const auto key = Open(os::HKEY_CURRENT_USER, scratch_.path());
  ASSERT_TRUE(key);
  os::DWORD type = 0;
  std::string data = "stale";
  EXPECT_EQ(os::RegQueryValueEx(key.get(), u"Path", &type, &data, 522), os::ERROR_MORE_DATA);
  EXPECT_EQ(type, os::REG_SZ);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(os::RegQueryValueEx(key.get(), u"Path", &type, &data, 602), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegDataToString(data), longPath);
  data = "stale";
  EXPECT_EQ(os::RegEnumValue(key.get(), 0, nullptr, &type, &data, 522), os::ERROR_MORE_DATA);
  EXPECT_TRUE(data.empty());
}

TEST_F(Win32Registry, EnumeratesEveryValueWithTheDefaultOneThenNoMoreItems) {
  ASSERT_TRUE(scratch_.SetString(u"command", u"", u"browser.exe %1"));
  ASSERT_TRUE(scratch_.SetDword(u"command", u"Flags", 7));
  const auto key = Open(os::HKEY_CURRENT_USER, scratch_.path() + u"\\command");
  ASSERT_TRUE(key);
  std::map<std::u16string, std::string> seen;
  os::DWORD index = 0;
  for (;; ++index) {
    std::u16string name = u"stale";
    std::string data;
    const os::LSTATUS status = os::RegEnumValue(key.get(), index, &name, nullptr, &data);
    if (status == os::ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, os::ERROR_SUCCESS);
    seen[name] = data;
  }
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(seen[u""], Utf16Bytes(u"browser.exe %1"));
  EXPECT_EQ(seen[u"Flags"], std::string("\x07\0\0\0", 4));
  EXPECT_EQ(os::RegEnumValue(key.get(), 0, nullptr, nullptr, nullptr), os::ERROR_SUCCESS);
}

TEST_F(Win32Registry, PathsMayEndInABackslashAndMalformedOnesAreRefused) {
  ASSERT_TRUE(scratch_.SetString(u"shell\\open", u"v", u"1"));
  EXPECT_TRUE(Open(os::HKEY_CURRENT_USER, scratch_.path() + u"\\shell\\open\\"));
  EXPECT_TRUE(Open(os::HKEY_CURRENT_USER, scratch_.path() + u"\\SHELL\\Open"));
  const auto scratch = Open(os::HKEY_CURRENT_USER, scratch_.path());
  ASSERT_TRUE(scratch);
  EXPECT_TRUE(Open(scratch.get(), u"shell\\open")) << "below an opened key";
  EXPECT_TRUE(Open(scratch.get(), u"")) << "the key itself";

  struct Case {
    std::u16string path;
    os::REGSAM sam;
    os::LSTATUS expected;
  };
  const Case cases[] = {
      {scratch_.path() + u"\\missing", os::KEY_QUERY_VALUE, os::ERROR_FILE_NOT_FOUND},
      {u"\\" + scratch_.path(), os::KEY_QUERY_VALUE, os::ERROR_BAD_PATHNAME},
      {scratch_.path() + u"\\\\shell", os::KEY_QUERY_VALUE, os::ERROR_BAD_PATHNAME},
      {scratch_.path(), os::KEY_READ | os::KEY_WOW64_32KEY | os::KEY_WOW64_64KEY,
       os::ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    os::HKEY key = reinterpret_cast<os::HKEY>(std::uintptr_t{0x1234});
    EXPECT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, c.path, 0, c.sam, &key), c.expected);
    EXPECT_EQ(key, nullptr) << "a failed open leaves no key";
  }
  os::HKEY key = nullptr;
  EXPECT_EQ(os::RegOpenKeyEx(nullptr, u"Software", 0, os::KEY_READ, &key), os::ERROR_INVALID_HANDLE);
  EXPECT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, u"Software", 0, os::KEY_READ, nullptr),
            os::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(os::RegCloseKey(nullptr), os::ERROR_INVALID_HANDLE);
  EXPECT_EQ(os::RegCloseKey(os::HKEY_CURRENT_USER), os::ERROR_SUCCESS);
  EXPECT_TRUE(Open(os::HKEY_CURRENT_USER, u"Software")) << "a closed root stays usable";
}

TEST_F(Win32Registry, KeysOpenedWithEveryRightOnlyRead) {
  const auto key = Open(os::HKEY_CURRENT_USER, scratch_.path(), os::KEY_ALL_ACCESS);
  ASSERT_TRUE(key);
  EXPECT_NE(testsupport::TrySetValue(key.get()), 0) << "the launcher's keys never write";
}

// The browser lookup reads program ids and their commands through
// HKEY_CLASSES_ROOT, which shows the machine's classes and, on Windows, the
// user's over them.
TEST(Win32RegistryClasses, ClassesRootShowsMachineAndUserClasses) {
  using Root = ScratchRegistryKey::Root;
  for (const Root root : {Root::kLocalMachine, Root::kCurrentUser}) {
    const bool user = root == Root::kCurrentUser;
    if (user && testsupport::RunningUnderWine()) continue;  // Wine shows the machine's only
    ScratchRegistryKey classes(root, u"Software\\Classes");
    if (!classes.ok()) continue;  // machine keys need administrator rights
    ASSERT_TRUE(classes.SetString(u"shell\\open\\command", u"", user ? u"user.exe %1" : u"machine.exe %1"));
    const std::u16string progId = classes.path().substr(classes.path().rfind(u'\\') + 1);
    const auto command = Open(os::HKEY_CLASSES_ROOT, progId + u"\\shell\\open\\command\\");
    ASSERT_TRUE(command) << user;
    std::string data;
    ASSERT_EQ(os::RegQueryValueEx(command.get(), u"", nullptr, &data), os::ERROR_SUCCESS);
    EXPECT_EQ(os::RegDataToString(data), user ? u"user.exe %1" : u"machine.exe %1");
  }
}

TEST(Win32RegistryViews, ThirtyTwoBitViewOfMachineSoftwareIsBelowWow6432Node) {
  if constexpr (sizeof(void*) != 8) GTEST_SKIP() << "a 32-bit program sees the 32-bit view by itself";
  ScratchRegistryKey scratch(ScratchRegistryKey::Root::kLocalMachine, u"Software\\Wow6432Node");
  if (!scratch.ok()) GTEST_SKIP() << "machine keys need administrator rights here";
  ASSERT_TRUE(scratch.SetString(u"", u"DisplayIcon", u"client32.exe"));
  const std::u16string name = scratch.path().substr(scratch.path().rfind(u'\\') + 1);
  const auto view32 =
      Open(os::HKEY_LOCAL_MACHINE, u"Software\\" + name, os::KEY_QUERY_VALUE | os::KEY_WOW64_32KEY);
  ASSERT_TRUE(view32);
  std::string data;
  ASSERT_EQ(os::RegQueryValueEx(view32.get(), u"DisplayIcon", nullptr, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegDataToString(data), u"client32.exe");
  EXPECT_FALSE(Open(os::HKEY_LOCAL_MACHINE, u"Software\\" + name, os::KEY_QUERY_VALUE | os::KEY_WOW64_64KEY));
  EXPECT_FALSE(Open(os::HKEY_LOCAL_MACHINE, u"Software\\" + name)) << "a 64-bit program sees the 64-bit view";
}

}  // namespace
