#include "windows/SystemScratch.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <random>
#include <vector>

namespace testsupport {
namespace {

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
std::wstring WideOf(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

HKEY RootKey(ScratchRegistryKey::Root root) {
  return root == ScratchRegistryKey::Root::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::u16string RandomName() {
  std::random_device seed;
  std::mt19937 random(seed());
  std::u16string name = u"LumoraTest-";
  for (int i = 0; i < 8; ++i) name.push_back(static_cast<char16_t>(u'a' + random() % 26));
  return name;
}

template <typename Store>
bool WithKey(HKEY root, const std::u16string& path, std::u16string_view subKey, Store store) {
  std::u16string full = path;
  if (!subKey.empty()) full += u"\\" + std::u16string(subKey);
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, Wide(full), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool ok = store(key);
  RegCloseKey(key);
  return ok;
}

}  // namespace

ScratchRegistryKey::ScratchRegistryKey(Root root, std::u16string_view under) : root_(root) {
  path_ = std::u16string(under) + u"\\" + RandomName();
  HKEY key = nullptr;
  ok_ = RegCreateKeyExW(RootKey(root_), Wide(path_), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS;
  if (ok_) RegCloseKey(key);
}

ScratchRegistryKey::~ScratchRegistryKey() {
  if (ok_) RegDeleteTreeW(RootKey(root_), Wide(path_));
  if (ok_) RegDeleteKeyW(RootKey(root_), Wide(path_));
}

bool ScratchRegistryKey::SetString(std::u16string_view subKey, std::u16string_view name,
                                   std::u16string_view value, bool terminated) {
  const std::wstring valueName = WideOf(name);
  std::wstring text = WideOf(value);
  const DWORD bytes = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
  return WithKey(RootKey(root_), path_, subKey, [&](HKEY key) {
    return RegSetValueExW(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
  });
}

bool ScratchRegistryKey::SetDword(std::u16string_view subKey, std::u16string_view name, std::uint32_t value) {
  const std::wstring valueName = WideOf(name);
  const DWORD data = value;
  return WithKey(RootKey(root_), path_, subKey, [&](HKEY key) {
    return RegSetValueExW(key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
  });
}

bool ScratchRegistryKey::SetBinary(std::u16string_view subKey, std::u16string_view name,
                                   const std::string& bytes) {
  const std::wstring valueName = WideOf(name);
  return WithKey(RootKey(root_), path_, subKey, [&](HKEY key) {
    return RegSetValueExW(key, valueName.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  });
}

long TrySetValue(void* key) {
  const DWORD data = 1;
  return RegSetValueExW(static_cast<HKEY>(key), L"written", 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data);
}

long RunProgram(const std::u16string& commandLine, const std::vector<std::u16string>& assignments) {
  std::wstring line = WideOf(commandLine);
  // The child inherits the environment as it is when it starts.
  std::vector<std::wstring> names;
  for (const std::u16string& assignment : assignments) {
    const auto equals = assignment.find(u'=');
    if (equals == std::u16string::npos) continue;
    names.push_back(WideOf(std::u16string_view(assignment).substr(0, equals)));
    SetEnvironmentVariableW(names.back().c_str(),
                            WideOf(std::u16string_view(assignment).substr(equals + 1)).c_str());
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  for (const std::wstring& name : names) SetEnvironmentVariableW(name.c_str(), nullptr);
  if (!started) return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

std::u16string SystemModulePath(void* module) {
  std::wstring path(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(static_cast<HMODULE>(module), path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return std::u16string(reinterpret_cast<const char16_t*>(path.c_str()), path.size());
}

std::u16string SystemExecutablePath() { return SystemModulePath(nullptr); }

void* LoadedModule(const char16_t* name) { return GetModuleHandleW(reinterpret_cast<const wchar_t*>(name)); }

void SetEnvironmentVariableTo(const char16_t* name, const char16_t* value) {
  SetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name), reinterpret_cast<const wchar_t*>(value));
}

void RemoveEnvironmentVariable(const char16_t* name) {
  SetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name), nullptr);
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

unsigned long LastError() { return GetLastError(); }
void SetLastErrorTo(unsigned long error) { SetLastError(error); }

}  // namespace testsupport
