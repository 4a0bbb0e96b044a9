#include <gtest/gtest.h>

#include "platform/system/Registry.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ScopedEnv;
using testsupport::TempDir;

class RegistryTest : public ::testing::Test {
 protected:
  void Write(const std::string& body) {
    testsupport::WriteFileBytes(dir_ / "registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + body);
  }

  // Opens path under root and reads a text value; "<status>" on failure.
  std::u16string Text(os::HKEY root, std::u16string_view path, std::u16string_view name,
                      os::REGSAM sam = os::KEY_READ) {
    os::HKEY key = nullptr;
    const auto opened = os::RegOpenKeyEx(root, path, 0, sam, &key);
    if (opened != os::ERROR_SUCCESS) return u"<open " + Number(opened) + u">";
    const os::UniqueHKey owner(key);
    std::string data;
    os::DWORD type = 0;
    const auto queried = os::RegQueryValueEx(key, name, &type, &data);
    if (queried != os::ERROR_SUCCESS) return u"<query " + Number(queried) + u">";
    return os::RegDataToString(data);
  }

  static std::u16string Number(long value) {
    std::u16string text;
    for (const char c : std::to_string(value)) text.push_back(static_cast<char16_t>(c));
    return text;
  }

  TempDir dir_;
  ScopedEnv registry_{"LUMORA_REGISTRY", (dir_ / "registry.reg").string()};
  ScopedEnv wow64_{"LUMORA_WOW64", "0"};
};

TEST_F(RegistryTest, ReadsStringsDefaultsAndDwords) {
  Write(
      "; the client's record\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Lumora\\Client]\r\n"
      "\"Path\"=\"C:\\\\Games\\\\Morvaine\\\\\"\r\n"
      "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
      "@=\"default text\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Name\" = \"\xE6\xB8\xB8\xE6\x88\x8F\"\r\n");
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"Software\\Lumora\\Client", u"Path"), u"C:\\Games\\Morvaine\\");
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"Software\\Lumora\\Client", u"Quoted"), u"say \"hi\"");
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"Software\\Lumora\\Client", u""), u"default text");
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"Software\\Lumora\\Client", u"Name"), u"\u6E38\u620F");

  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, u"Software\\Lumora\\Client", 0, os::KEY_READ, &key),
            os::ERROR_SUCCESS);
  const os::UniqueHKey owner(key);
  std::string data;
  os::DWORD type = 0;
  ASSERT_EQ(os::RegQueryValueEx(key, u"Count", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(type, os::REG_DWORD);
  EXPECT_EQ(data, std::string("\x2a\0\0\0", 4));
  ASSERT_EQ(os::RegQueryValueEx(key, u"Path", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(type, os::REG_SZ);
  EXPECT_EQ(data.size(), (std::u16string_view(u"C:\\Games\\Morvaine\\").size() + 1) * 2);  // with terminator
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeysMayEndInABackslash) {
  Write("[HKEY_CURRENT_USER\\Software\\Choice\\UserChoice]\r\n\"ProgId\"=\"FirefoxURL\"\r\n");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"software\\CHOICE\\userchoice\\", u"Progid"), u"FirefoxURL");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\Choice\\UserChoice", u"PROGID"), u"FirefoxURL");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"\\Software\\Choice", u"x"), u"<open 161>");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\\\Choice", u"x"), u"<open 161>");
}

TEST_F(RegistryTest, MissingKeysValuesAndFiles) {
  Write("[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=\"1\"\r\n");
  os::HKEY key = reinterpret_cast<os::HKEY>(1);
  EXPECT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, u"Software\\B", 0, os::KEY_READ, &key),
            os::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\A", u"w"), u"<query 2>");
  // A key with no default value has none to read.
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\A", u""), u"<query 2>");
  // The same path under another root does not exist.
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"Software\\A", u"v"), u"<open 2>");

  testsupport::WriteFileBytes(dir_ / "registry.reg", "[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=\"1\"\r\n");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\A", u"v"), u"<open 2>")
      << "a file without header is no registry";

  const ScopedEnv missing("LUMORA_REGISTRY", (dir_ / "absent.reg").string());
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\A", u"v"), u"<open 2>");
  // The roots exist even then.
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_CLASSES_ROOT, u"", 0, os::KEY_ALL_ACCESS, &key), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegCloseKey(key), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegOpenKeyEx(nullptr, u"x", 0, os::KEY_READ, &key), os::ERROR_INVALID_HANDLE);
  EXPECT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, u"x", 0, os::KEY_READ, nullptr),
            os::ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, DefaultFileLivesInTheConfigurationFolder) {
  const ScopedEnv unset("LUMORA_REGISTRY", std::nullopt);
  const ScopedEnv config("XDG_CONFIG_HOME", dir_.path().string());
  std::filesystem::create_directories(dir_ / "lumora");
  testsupport::WriteFileBytes(
      dir_ / "lumora" / "registry.reg",
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=\"here\"\n");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"Software\\A", u"v"), u"here");
}

TEST_F(RegistryTest, ThirtyTwoBitViewLivesBelowWow6432Node) {
  Write(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App]\r\n\"Bits\"=\"64\"\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vendor\\App]\r\n\"Bits\"=\"32\"\r\n");
  const auto bits = [&](std::u16string_view path, os::REGSAM sam) {
    return Text(os::HKEY_LOCAL_MACHINE, path, u"Bits", sam);
  };
  EXPECT_EQ(bits(u"Software\\Vendor\\App", os::KEY_READ), u"64");
  EXPECT_EQ(bits(u"Software\\Vendor\\App", os::KEY_READ | os::KEY_WOW64_64KEY), u"64");
  EXPECT_EQ(bits(u"Software\\Vendor\\App", os::KEY_READ | os::KEY_WOW64_32KEY), u"32");
  // The explicit Wow6432Node path reaches the 32-bit record from either view.
  EXPECT_EQ(bits(u"Software\\Wow6432Node\\Vendor\\App", os::KEY_READ), u"32");
  EXPECT_EQ(bits(u"Software\\Wow6432Node\\Vendor\\App", os::KEY_READ | os::KEY_WOW64_32KEY), u"32");
  EXPECT_EQ(bits(u"Software\\Vendor\\App", os::KEY_READ | os::KEY_WOW64_32KEY | os::KEY_WOW64_64KEY),
            u"<open 87>");
  {
    const ScopedEnv wow64("LUMORA_WOW64", "1");  // a 32-bit launcher on 64-bit Windows
    EXPECT_EQ(bits(u"Software\\Vendor\\App", os::KEY_READ), u"32");
    EXPECT_EQ(bits(u"Software\\Vendor\\App", os::KEY_READ | os::KEY_WOW64_64KEY), u"64");
  }
  // A machine root opened with a view keeps it for the keys opened below it.
  os::HKEY root = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, u"", 0, os::KEY_READ | os::KEY_WOW64_32KEY, &root),
            os::ERROR_SUCCESS);
  const os::UniqueHKey owner(root);
  EXPECT_EQ(Text(root, u"Software\\Vendor\\App", u"Bits"), u"32");
  // Only Software is redirected.
  Write("[HKEY_LOCAL_MACHINE\\SYSTEM\\Setup]\r\n\"x\"=\"1\"\r\n");
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"SYSTEM\\Setup", u"x", os::KEY_READ | os::KEY_WOW64_32KEY), u"1");
}

TEST_F(RegistryTest, ClassesRootMergesUserClassesOverMachineClasses) {
  Write(
      "[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\r\n@=\"machine\"\r\n\"Extra\"=\"machine "
      "extra\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\Classes\\htmlfile\\shell\\open\\command]\r\n@=\"user\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Classes\\OnlyMachine]\r\n@=\"m\"\r\n");
  EXPECT_EQ(Text(os::HKEY_CLASSES_ROOT, u"htmlfile\\shell\\open\\command", u""), u"user");
  EXPECT_EQ(Text(os::HKEY_CLASSES_ROOT, u"htmlfile\\shell\\open\\command", u"Extra"), u"machine extra");
  EXPECT_EQ(Text(os::HKEY_CLASSES_ROOT, u"OnlyMachine", u""), u"m");
  // Sections written under the classes root are the machine's classes.
  EXPECT_EQ(Text(os::HKEY_LOCAL_MACHINE, u"Software\\Classes\\htmlfile\\shell\\open\\command", u""),
            u"machine");

  // Opening the root first and the command below it sees the same merge.
  os::HKEY classes = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_CLASSES_ROOT, u"", 0, os::KEY_ALL_ACCESS, &classes), os::ERROR_SUCCESS);
  const os::UniqueHKey owner(classes);
  os::HKEY command = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(classes, u"htmlfile\\shell\\open\\command", 0, os::KEY_ALL_ACCESS, &command),
            os::ERROR_SUCCESS);
  const os::UniqueHKey ownerCommand(command);
  std::u16string name;
  std::string data;
  ASSERT_EQ(os::RegEnumValue(command, 0, &name, nullptr, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(name, u"");
  EXPECT_EQ(os::RegDataToString(data), u"user");
  ASSERT_EQ(os::RegEnumValue(command, 1, &name, nullptr, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(name, u"Extra");
  EXPECT_EQ(os::RegEnumValue(command, 2, &name, nullptr, &data), os::ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, DataLargerThanTheCapacityIsNotReturned) {
  Write("[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"abc\"\r\n");  // 8 bytes with the terminator
  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, u"A", 0, os::KEY_READ, &key), os::ERROR_SUCCESS);
  const os::UniqueHKey owner(key);
  std::string data = "old";
  os::DWORD type = 0;
  EXPECT_EQ(os::RegQueryValueEx(key, u"v", &type, &data, 8), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegDataToString(data), u"abc");
  EXPECT_EQ(os::RegQueryValueEx(key, u"v", &type, &data, 7), os::ERROR_MORE_DATA);
  EXPECT_EQ(type, os::REG_SZ);
  EXPECT_EQ(data, "");
  EXPECT_EQ(os::RegEnumValue(key, 0, nullptr, nullptr, &data, 7), os::ERROR_MORE_DATA);
}

TEST_F(RegistryTest, HexValuesContinuationsAndDeletions) {
  Write(
      "[HKEY_CURRENT_USER\\A]\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "  ff\r\n"
      "\"Expand\"=hex(2):25,00,41,00,00,00\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "\"Twice\"=\"first\"\r\n"
      "[HKEY_CURRENT_USER\\A]\r\n"
      "\"Twice\"=\"second\"\r\n"
      "[HKEY_CURRENT_USER\\A\\Child]\r\n"
      "\"v\"=\"1\"\r\n"
      "[-HKEY_CURRENT_USER\\A\\Child]\r\n"
      "\"Broken\"=nonsense\r\n");
  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, u"A", 0, os::KEY_READ, &key), os::ERROR_SUCCESS);
  const os::UniqueHKey owner(key);
  std::string data;
  os::DWORD type = 0;
  ASSERT_EQ(os::RegQueryValueEx(key, u"Bin", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(type, os::REG_BINARY);
  EXPECT_EQ(data, "\x01\x02\xff");
  ASSERT_EQ(os::RegQueryValueEx(key, u"Expand", &type, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(type, os::REG_EXPAND_SZ);
  EXPECT_EQ(os::RegDataToString(data), u"%A");
  EXPECT_EQ(os::RegQueryValueEx(key, u"Gone", &type, &data), os::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"A", u"Twice"), u"second");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"A\\Child", u"v"), u"<open 2>");
}

TEST_F(RegistryTest, ReadsUtf16FilesAsRegeditExportsThem) {
  const std::u16string text =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"\u4E2D\"\r\n";
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  testsupport::WriteFileBytes(dir_ / "registry.reg", bytes);
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"A", u"v"), u"\u4E2D");
}

TEST_F(RegistryTest, OpenedKeysKeepTheirSnapshot) {
  Write("[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"before\"\r\n");
  os::HKEY key = nullptr;
  ASSERT_EQ(os::RegOpenKeyEx(os::HKEY_CURRENT_USER, u"A", 0, os::KEY_READ, &key), os::ERROR_SUCCESS);
  const os::UniqueHKey owner(key);
  Write("[HKEY_CURRENT_USER\\B]\r\n");
  std::string data;
  ASSERT_EQ(os::RegQueryValueEx(key, u"v", nullptr, &data), os::ERROR_SUCCESS);
  EXPECT_EQ(os::RegDataToString(data), u"before");
  EXPECT_EQ(Text(os::HKEY_CURRENT_USER, u"A", u"v"), u"<open 2>");
}

}  // namespace
