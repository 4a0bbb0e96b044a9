// The registry file with any contents (UTF-8, or UTF-16 behind a byte-order
// mark): every key the file names in a section line is opened in both views,
// its values listed, and each listed value must read the same by its name;
// a capacity below the data's size gives ERROR_MORE_DATA and no data.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "platform/base/Unicode.h"
#include "platform/system/Registry.h"

namespace {

using namespace os;

constexpr DWORD kMaxValues = 4096;
constexpr std::size_t kMaxKeys = 64;

const std::filesystem::path& RegistryFile() {
  static const std::filesystem::path file = [] {
    std::filesystem::path made = fuzz::Scratch() / "registry.reg";
    setenv("LUMORA_REGISTRY", made.c_str(), 1);
    return made;
  }();
  return file;
}

bool StartsWithName(std::u16string_view path, std::u16string_view name) {
  if (path.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = path[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != name[i]) return false;
  }
  return path.size() == name.size() || path[name.size()] == u'\\';
}

// The root of a section's path and what follows it.
std::pair<HKEY, std::u16string_view> RootOf(std::u16string_view path) {
  const std::pair<std::u16string_view, HKEY> roots[] = {
      {u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {u"HKLM", HKEY_LOCAL_MACHINE},
      {u"HKEY_CURRENT_USER", HKEY_CURRENT_USER},   {u"HKCU", HKEY_CURRENT_USER},
      {u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {u"HKCR", HKEY_CLASSES_ROOT}};
  for (const auto& [name, key] : roots) {
    if (StartsWithName(path, name)) return {key, path.substr(std::min(path.size(), name.size() + 1))};
  }
  return {HKEY_CURRENT_USER, path};
}

void CheckKey(HKEY root, std::u16string_view subKey, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, subKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
    FUZZ_CHECK(key == nullptr);
    return;
  }
  UniqueHKey closer(key);
  for (DWORD index = 0; index < kMaxValues; ++index) {
    std::u16string name;
    DWORD type = 0;
    std::string data;
    const LSTATUS listed = RegEnumValue(key, index, &name, &type, &data);
    if (listed == ERROR_NO_MORE_ITEMS) break;
    FUZZ_CHECK(listed == ERROR_SUCCESS);
    DWORD queriedType = 0;
    std::string queried;
    FUZZ_CHECK(RegQueryValueEx(key, name, &queriedType, &queried) == ERROR_SUCCESS);
    FUZZ_CHECK(queriedType == type && queried == data);
    if (!data.empty()) {
      std::string cut = "untouched";
      DWORD cutType = 0;
      FUZZ_CHECK(RegQueryValueEx(key, name, &cutType, &cut, static_cast<DWORD>(data.size() - 1)) ==
                 ERROR_MORE_DATA);
      FUZZ_CHECK(cutType == type && cut.empty());
    }
    RegDataToString(data);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  fuzz::WriteFile(RegistryFile(), bytes);
  // The section lines, read from the text as UTF-8 or as UTF-16.
  std::u16string text = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE'
                            ? fuzz::Units(bytes.substr(2))
                            : os::Utf8ToUtf16(bytes);
  std::size_t keys = 0;
  for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) CheckKey(root, u"", 0);
  for (std::size_t at = text.find(u'['); at != std::u16string::npos && keys < kMaxKeys;
       at = text.find(u'[', at + 1), ++keys) {
    const std::size_t close = text.find(u']', at);
    if (close == std::u16string::npos) break;
    std::u16string_view path = std::u16string_view(text).substr(at + 1, close - at - 1);
    if (!path.empty() && path.front() == u'-') path.remove_prefix(1);
    const auto [root, subKey] = RootOf(path);
    for (const REGSAM view : {REGSAM{0}, KEY_WOW64_32KEY, KEY_WOW64_64KEY}) CheckKey(root, subKey, view);
  }
  return 0;
}
