// The text rules every flavour's profile functions share: what counts as a
// blank around names, and which writes are refused because their text would
// change the structure of the file. Internal to the system group.
#pragma once

#include <string_view>

namespace os {

bool IsProfileBlank(char16_t c);

// name without its leading and trailing blanks.
std::u16string_view TrimProfileName(std::u16string_view name);

// False when the write of WritePrivateProfileString would change the file's
// structure or names nothing: a null section, a line break in any text, a
// section name with "]", a key (when given) that is empty, holds "=" or
// starts with "[" or ";" after trimming.
bool ProfileWriteKeepsStructure(const char16_t* section, const char16_t* key, const char16_t* value);

}  // namespace os
