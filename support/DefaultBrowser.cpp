#include "support/DefaultBrowser.h"

#include "platform/system/Kernel.h"
#include "platform/system/Registry.h"
#include "platform/system/Shell.h"

namespace {

constexpr char16_t kFallbackBrowser[] = u"iexplore.exe";
// Each value is read into room for 260 wide characters and a terminator.
constexpr os::DWORD kValueCapacity = 522;

constexpr char16_t kHttpChoiceKey[] =
    u"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice\\";
constexpr char16_t kFtpChoiceKey[] =
    u"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\Ftp\\UserChoice\\";
constexpr char16_t kXpCommandKey[] = u"htmlfile\\shell\\open\\command";

enum class VersionClass { kXp, kVistaOr7, kWin8OrLater, kOther };

VersionClass ClassifyVersion() {
  os::OSVERSIONINFO info;
  if (!os::GetVersionEx(&info)) return VersionClass::kOther;
  if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) return VersionClass::kXp;
  if (info.dwMajorVersion >= 6 && info.dwMinorVersion >= 2) return VersionClass::kWin8OrLater;
  if (info.dwMajorVersion >= 6 && info.dwMinorVersion <= 1) return VersionClass::kVistaOr7;
  return VersionClass::kOther;
}

os::UniqueHKey OpenKey(os::HKEY parent, std::u16string_view path, os::REGSAM sam) {
  os::HKEY key = nullptr;
  if (os::RegOpenKeyEx(parent, path, 0, sam, &key) != os::ERROR_SUCCESS) return nullptr;
  return os::UniqueHKey(key);
}

bool QueryText(os::HKEY key, std::u16string_view name, std::u16string* text) {
  std::string data;
  if (os::RegQueryValueEx(key, name, nullptr, &data, kValueCapacity) != os::ERROR_SUCCESS) return false;
  *text = os::RegDataToString(data);
  return true;
}

std::u16string XpBrowserCommand() {
  const auto classes = OpenKey(os::HKEY_CLASSES_ROOT, u"", os::KEY_ALL_ACCESS);
  if (!classes) return kFallbackBrowser;
  const auto command = OpenKey(classes.get(), kXpCommandKey, os::KEY_ALL_ACCESS);
  if (!command) return kFallbackBrowser;
  std::string data;
  if (os::RegEnumValue(command.get(), 0, nullptr, nullptr, &data, kValueCapacity) != os::ERROR_SUCCESS) {
    return kFallbackBrowser;
  }
  return os::RegDataToString(data);
}

}  // namespace

std::u16string DefaultBrowserPath() {
  const VersionClass version = ClassifyVersion();
  if (version == VersionClass::kXp) return XpBrowserCommand();
  if (version == VersionClass::kOther) return kFallbackBrowser;

  const auto choice =
      OpenKey(os::HKEY_CURRENT_USER, version == VersionClass::kWin8OrLater ? kHttpChoiceKey : kFtpChoiceKey,
              os::KEY_QUERY_VALUE);
  if (!choice) return kFallbackBrowser;
  std::u16string progId;
  if (!QueryText(choice.get(), u"Progid", &progId)) return kFallbackBrowser;
  const auto commandKey =
      OpenKey(os::HKEY_CLASSES_ROOT, progId + u"\\shell\\open\\command\\", os::KEY_QUERY_VALUE);
  if (!commandKey) return kFallbackBrowser;
  std::u16string command;
  if (!QueryText(commandKey.get(), u"", &command)) return kFallbackBrowser;

  const auto open = command.find(u'"');
  if (open != std::u16string::npos) {
    const auto close = command.find(u'"', open + 1);
    if (close != std::u16string::npos) return command.substr(open + 1, close - open - 1);
  }
  return command;
}

void OpenInBrowser(const std::u16string& url) {
  os::ShellExecute(nullptr, u"open", DefaultBrowserPath(), url, u"", os::SW_SHOWNORMAL);
}
