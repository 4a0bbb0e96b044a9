#include "support/InstallRecord.h"

#include <filesystem>
#include <system_error>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"
#include "platform/system/Registry.h"
#include "platform/system/Shell.h"
#include "platform/system/UserFolders.h"

namespace {

constexpr char16_t kUninstallKey32[] =
    u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    u"{87564C08-AF8A-4684-ACA7-030AE5B0060F}}_is1\\";
constexpr char16_t kUninstallKey[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    u"{87564C08-AF8A-4684-ACA7-030AE5B0060F}}_is1\\";
// Room for 255 wide characters and a terminator.
constexpr os::DWORD kDisplayIconCapacity = 512;
// The application-data path is fetched into room for 256 wide characters.
constexpr std::size_t kAppDataCapacity = 256;

}  // namespace

bool IsWow64() {
  os::BOOL wow64 = os::FALSE;
  if (!os::IsWow64Process(os::GetCurrentProcess(), &wow64)) return false;
  return wow64 != os::FALSE;
}

bool FindInstalledClient(std::u16string& clientPath) {
  os::HKEY key = nullptr;
  if (os::RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, IsWow64() ? kUninstallKey32 : kUninstallKey, 0,
                       os::KEY_QUERY_VALUE, &key) != os::ERROR_SUCCESS) {
    return false;
  }
  const os::UniqueHKey owner(key);
  std::string data;
  if (os::RegQueryValueEx(key, u"DisplayIcon", nullptr, &data, kDisplayIconCapacity) != os::ERROR_SUCCESS) {
    return false;
  }
  std::u16string path = os::RegDataToString(data);
  // An empty path names no program: starting it would fail and the launcher
  // would end without doing anything, every time.
  if (path.empty()) return false;
  clientPath = std::move(path);
  return true;
}

std::u16string DataDirectory() {
  std::u16string appData;
  if (!os::SHGetSpecialFolderPath(nullptr, &appData, os::CSIDL_APPDATA, os::TRUE) ||
      appData.size() + 1 > kAppDataCapacity) {
    return u"/lumora/";
  }
  std::u16string folder = appData + u"/lumora/";
  // Tokens, the remembered account and downloads live here: private.
  os::CreatePrivateFolders(os::Utf16ToUtf8(folder));
  return folder;
}
