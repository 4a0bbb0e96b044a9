// The text of string-typed registry data, the same for every flavour: the
// data is what the system's own query returns.
#include "platform/system/Registry.h"

namespace os {

std::u16string RegDataToString(std::string_view data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                            (static_cast<unsigned char>(data[i + 1]) << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace os
