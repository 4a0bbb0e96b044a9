#include "platform/gtk/TextOffsets.h"

namespace os::gtk {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

int CharsFromUnits(std::u16string_view text, int units) {
  int chars = 0;
  std::size_t i = 0;
  const auto end = static_cast<std::size_t>(units < 0 ? 0 : units);
  while (i < end && i < text.size()) {
    const bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    i += pair ? 2 : 1;
    ++chars;
  }
  return chars;
}

int UnitsFromChars(std::u16string_view text, int chars) {
  std::size_t i = 0;
  for (int n = 0; n < chars && i < text.size(); ++n) {
    const bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    i += pair ? 2 : 1;
  }
  return static_cast<int>(i);
}

}  // namespace os::gtk
