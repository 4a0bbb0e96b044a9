// The name lists and text rules of the profile functions, the same for every
// flavour.
#include "platform/system/ProfileText.h"

#include "platform/system/Profile.h"

namespace os {
namespace {

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

}  // namespace

bool IsProfileBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimProfileName(std::u16string_view name) {
  while (!name.empty() && IsProfileBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsProfileBlank(name.back())) name.remove_suffix(1);
  return name;
}

bool ProfileWriteKeepsStructure(const char16_t* section, const char16_t* key, const char16_t* value) {
  if (section == nullptr) return false;
  const std::u16string_view sectionName = TrimProfileName(section);
  if (HasLineBreak(sectionName) || sectionName.find(u']') != std::u16string_view::npos) return false;
  if (key != nullptr) {
    const std::u16string_view keyName = TrimProfileName(key);
    // A key line that began with "[" or ";" would read back as a section
    // header or a comment.
    if (keyName.empty() || HasLineBreak(keyName) || keyName.find(u'=') != std::u16string_view::npos ||
        keyName.front() == u'[' || keyName.front() == u';')
      return false;
  }
  return value == nullptr || !HasLineBreak(value);
}

std::vector<std::u16string> SplitMultiString(std::u16string_view list) {
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (start < list.size()) {
    auto end = list.find(u'\0', start);
    if (end == std::u16string_view::npos) end = list.size();
    if (end == start) break;  // an empty name ends the list
    names.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace os
