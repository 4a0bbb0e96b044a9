// Modules and their embedded resources, shaped after the Win32 resource
// functions. Resources are byte blocks compiled into the program; generated
// code (or a test) registers them in a process-wide table under a module, a
// type and a name, and FindResource / LoadResource / LockResource /
// SizeofResource find and hand them out without copying.
//
// On Windows the resources are the modules' own, compiled in with windres:
// FindResource and friends forward to the system. Registrations stay (tests
// and generated code use them) and come first: a registered resource hides
// the module's one of the same module, type and name. Handles that name
// nothing (a module handle that is no loaded module's base, a handle of a
// registration removed since) are refused, never followed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Types.h"

namespace os {

// A resource name or type: a 16-bit number or a string. Strings compare
// without regard to ASCII letter case, and "#123" names the number 123, as on
// Windows. A pointer whose value is below 0x10000 (what MAKEINTRESOURCE makes)
// is taken as a number.
class ResourceName {
 public:
  ResourceName() = default;
  ResourceName(int id) : isId_(true), id_(static_cast<WORD>(id)) {}  // NOLINT: implicit on purpose
  ResourceName(const char16_t* name);                                // NOLINT
  ResourceName(std::u16string_view name) { SetString(name); }        // NOLINT
  ResourceName(const std::u16string& name) { SetString(name); }      // NOLINT

  bool IsId() const { return isId_; }
  WORD Id() const { return id_; }
  // The name in upper case (empty for numbers).
  const std::u16string& String() const { return string_; }

  friend bool operator==(const ResourceName&, const ResourceName&) = default;

 private:
  void SetString(std::u16string_view name);
  bool isId_ = true;
  WORD id_ = 0;
  std::u16string string_;
};

// Standard resource types.
inline constexpr WORD RT_ICON = 3;
inline constexpr WORD RT_GROUP_ICON = 14;

// The executable's own module: the process instance handed to the launcher's
// entry and the module whose resources are searched when none is named.
HMODULE ExecutableModule();

// Adds a resource to the process-wide table. The bytes are not copied and must
// outlive the registration (static data does). Null stands for the executable.
// A later registration under the same module, type and name replaces the
// earlier one.
void RegisterResource(HMODULE module, const ResourceName& name, const ResourceName& type, const void* data,
                      std::size_t size);
// Removes a registration; handles found for it earlier stop working.
void UnregisterResource(HMODULE module, const ResourceName& name, const ResourceName& type);

// Null when the module has no resource of that name and type. A null module
// is the executable.
HRSRC FindResource(HMODULE module, const ResourceName& name, const ResourceName& type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const void* LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// One image of an icon group: its nominal size and the bytes of its RT_ICON
// resource (PNG or a device-independent bitmap, as in .ico files).
struct IconImage {
  int width = 0;  // 256 for entries that store 0
  int height = 0;
  int bitCount = 0;
  WORD id = 0;
  const void* data = nullptr;
  std::size_t size = 0;
};
// The images of an icon group (RT_GROUP_ICON) whose RT_ICON members exist;
// empty when the group is missing or malformed.
std::vector<IconImage> LoadIconGroup(HMODULE module, const ResourceName& name);

}  // namespace os
