// Positions in a text counted in UTF-16 units (as edit controls count them)
// and in characters (as GTK counts them).
#pragma once

#include <string_view>

namespace os::gtk {

// The character offset of a UTF-16 offset; an offset inside a surrogate pair
// counts the pair's character as passed. Negative or past the end: clamped.
int CharsFromUnits(std::u16string_view text, int units);
// The UTF-16 offset of a character offset, clamped to the text.
int UnitsFromChars(std::u16string_view text, int chars);

}  // namespace os::gtk
