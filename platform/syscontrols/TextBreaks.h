// Where a layout that measures text but does not segment it (the Windows
// one: GDI gives widths, not boundaries) may put the caret, find words and
// wrap lines. Plain rules, the same on every system:
//   - the caret stops at every code point (a surrogate pair is one) but
//     before a mark that joins the character before it (accents, variation
//     selectors, the zero-width joiner, skin tones): they go together, and
//     a line never breaks between them;
//   - a word is a run of letters and digits (any character that is not a
//     blank, a sign or a symbol counts as a letter, so Chinese runs are
//     words too);
//   - a wrapped line breaks after a run of blanks (the blanks stay at the
//     end of the line, past the width) or on either side of a CJK
//     character; a line with no such place breaks after the last character
//     that fits, and holds at least one character.
// Blanks are space, tab and the ideographic space.
#pragma once

#include <string_view>
#include <vector>

#include "platform/syscontrols/TextLayout.h"

namespace os {

bool IsWordCharacter(char32_t cp);
bool IsCjkCharacter(char32_t cp);
bool IsJoiningMark(char32_t cp);

// Per unit of text, plus one for its end.
std::vector<TextBoundary> SimpleBoundaries(std::u16string_view text);

// The lines of text wrapped at width, given the x where each unit ends on
// one line (the partial extents: extents[i] is the width of text[0..i]).
// A width of 0 or less, or extents that do not match the text: one line.
std::vector<TextLine> WrapLines(std::u16string_view text, const std::vector<int>& extents, int width);

}  // namespace os
