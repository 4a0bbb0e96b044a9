// Conversions between UTF-8 (what the desktop, files and the web speak) and
// UTF-16 (the launcher's wide strings). Invalid input never fails: ill-formed
// sequences and lone surrogates become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace os {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace os
