// The system's registry, read through the rules the launcher's callers depend
// on in every flavour:
// - keys are opened for reading only, whatever rights the caller names
//   besides the view flags: nothing of ours writes, and asking for writing
//   rights on machine keys fails for a user without administrator rights;
// - a path may end in one backslash; one that starts with a backslash or
//   holds an empty level is ERROR_BAD_PATHNAME, both view flags together
//   ERROR_INVALID_PARAMETER, before the system is asked;
// - string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is returned with its
//   terminating zero unit even when it was stored without one, and the
//   capacity counts that unit, so that a caller's area always holds a
//   complete text;
// - data larger than the capacity gives ERROR_MORE_DATA with the type set and
//   the data cleared.
#include "platform/system/Registry.h"

// Our view flags, taken before the system's headers turn the same names into
// macros.
namespace os::ours {
constexpr REGSAM kView32 = KEY_WOW64_32KEY;
constexpr REGSAM kView64 = KEY_WOW64_64KEY;
}  // namespace os::ours

#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

namespace os {
namespace {

static_assert(sizeof(os::HKEY) == sizeof(::HKEY));

::HKEY System(HKEY key) { return win32::As<::HKEY>(key); }

static_assert(ours::kView32 == KEY_WOW64_32KEY && ours::kView64 == KEY_WOW64_64KEY);

// Our roots have the system's values (the system's macros, spelt here in our
// namespace, cast to our HKEY).
bool IsPredefined(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

bool IsText(::DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Text stored without its terminating zero unit gets one (an odd last byte
// is completed to a unit first).
void TerminateText(::DWORD type, std::string& bytes) {
  if (!IsText(type)) return;
  if (bytes.size() % 2 == 1) bytes.push_back('\0');
  if (bytes.size() >= 2 && bytes[bytes.size() - 1] == '\0' && bytes[bytes.size() - 2] == '\0') return;
  bytes.append(2, '\0');
}

LSTATUS Deliver(::DWORD systemType, std::string bytes, DWORD* type, std::string* data, DWORD capacity) {
  TerminateText(systemType, bytes);
  if (type != nullptr) *type = systemType;
  if (bytes.size() > capacity) {
    if (data != nullptr) data->clear();
    return ERROR_MORE_DATA;
  }
  if (data != nullptr) *data = std::move(bytes);
  return ERROR_SUCCESS;
}

// Reads one value's type and bytes, growing the area while the value grows
// under our feet (another process may write it between two calls).
template <typename Read>
LSTATUS ReadValue(Read read, ::DWORD* type, std::string* bytes) {
  ::DWORD size = 0;
  LSTATUS status = read(type, nullptr, &size);
  if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return status;
  // A few rounds: a value that keeps growing faster than we read it, or a
  // value name that no longer fits, ends with ERROR_MORE_DATA.
  for (int round = 0; round < 8; ++round) {
    bytes->assign(size, '\0');
    ::DWORD got = size;
    status = read(type, reinterpret_cast<::BYTE*>(bytes->data()), &got);
    if (status == ERROR_SUCCESS) {
      bytes->resize(got);
      return ERROR_SUCCESS;
    }
    if (status != ERROR_MORE_DATA) return status;
    size = got > size ? got : size * 2 + 2;
  }
  return ERROR_MORE_DATA;
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY key, std::u16string_view subKey, DWORD, REGSAM sam, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if ((sam & KEY_WOW64_32KEY) && (sam & KEY_WOW64_64KEY)) return ERROR_INVALID_PARAMETER;
  if (!subKey.empty() && subKey.front() == u'\\') return ERROR_BAD_PATHNAME;
  if (!subKey.empty() && subKey.back() == u'\\') subKey.remove_suffix(1);
  if (subKey.find(u"\\\\") != std::u16string_view::npos) return ERROR_BAD_PATHNAME;
  const std::wstring path = win32::WideString(subKey);
  const ::REGSAM rights = KEY_READ | (sam & (KEY_WOW64_32KEY | KEY_WOW64_64KEY));
  ::HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(System(key), path.c_str(), 0, rights, &opened);
  if (status != ERROR_SUCCESS) return status;
  *result = win32::As<HKEY>(opened);
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (IsPredefined(key)) return ERROR_SUCCESS;
  return ::RegCloseKey(System(key));
}

LSTATUS RegQueryValueEx(HKEY key, std::u16string_view valueName, DWORD* type, std::string* data,
                        DWORD capacity) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  const std::wstring name = win32::WideString(valueName);
  ::DWORD systemType = REG_NONE;
  std::string bytes;
  const LSTATUS status = ReadValue(
      [&](::DWORD* t, ::BYTE* area, ::DWORD* size) {
        return ::RegQueryValueExW(System(key), name.c_str(), nullptr, t, area, size);
      },
      &systemType, &bytes);
  if (status != ERROR_SUCCESS) return status;
  return Deliver(systemType, std::move(bytes), type, data, capacity);
}

LSTATUS RegEnumValue(HKEY key, DWORD index, std::u16string* name, DWORD* type, std::string* data,
                     DWORD capacity) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  ::DWORD longestName = 0;
  LSTATUS status = ::RegQueryInfoKeyW(System(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, &longestName, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::wstring valueName;
  ::DWORD nameLength = 0;
  ::DWORD systemType = REG_NONE;
  std::string bytes;
  // The name's area is sized once per attempt; a value renamed longer
  // meanwhile makes the system answer ERROR_MORE_DATA, and the next attempt
  // asks for the new longest name.
  for (int attempt = 0; attempt < 4; ++attempt) {
    valueName.assign(longestName + 1, L'\0');
    status = ReadValue(
        [&](::DWORD* t, ::BYTE* area, ::DWORD* size) {
          nameLength = static_cast<::DWORD>(valueName.size());
          return ::RegEnumValueW(System(key), index, valueName.data(), &nameLength, nullptr, t, area, size);
        },
        &systemType, &bytes);
    if (status != ERROR_MORE_DATA) break;
    longestName = longestName * 2 + 16;
  }
  if (status != ERROR_SUCCESS) return status;
  valueName.resize(nameLength);
  if (name != nullptr) *name = win32::OurString(valueName);
  return Deliver(systemType, std::move(bytes), type, data, capacity);
}

}  // namespace os
