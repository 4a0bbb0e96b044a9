#include "platform/syscontrols/TextBreaks.h"

#include <iterator>

namespace os {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x3000; }

bool PairAt(std::u16string_view text, std::size_t i) {
  return i + 1 < text.size() && IsHigh(text[i]) && IsLow(text[i + 1]);
}

// The code point starting at unit i (a lone surrogate stands for itself).
char32_t CodePointAt(std::u16string_view text, std::size_t i) {
  if (PairAt(text, i)) return 0x10000 + ((char32_t(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  return text[i];
}

// The start of the code point ending just before unit i (i > 0).
std::size_t PreviousStart(std::u16string_view text, std::size_t i) {
  return i >= 2 && PairAt(text, i - 2) ? i - 2 : i - 1;
}

std::size_t NextStart(std::u16string_view text, std::size_t i) { return PairAt(text, i) ? i + 2 : i + 1; }

struct Range {
  char32_t from;
  char32_t to;
};

bool InRanges(char32_t cp, const Range* begin, const Range* end) {
  for (const Range* r = begin; r != end; ++r) {
    if (cp >= r->from && cp <= r->to) return true;
  }
  return false;
}

// The next caret stop after the one at unit i: marks that join the
// character before them go with it.
std::size_t NextStop(std::u16string_view text, std::size_t i) {
  i = NextStart(text, i);
  while (i < text.size() && IsJoiningMark(CodePointAt(text, i))) i = NextStart(text, i);
  return i;
}

}  // namespace

bool IsJoiningMark(char32_t cp) {
  static constexpr Range kMarks[] = {
      {0x0300, 0x036F}, {0x0483, 0x0489},   {0x0591, 0x05BD},   {0x0610, 0x061A}, {0x064B, 0x065F},
      {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},   {0x200D, 0x200D},   {0x20D0, 0x20FF}, {0xFE00, 0xFE0F},
      {0xFE20, 0xFE2F}, {0x1F3FB, 0x1F3FF}, {0xE0100, 0xE01EF},
  };
  return InRanges(cp, std::begin(kMarks), std::end(kMarks));
}

bool IsWordCharacter(char32_t cp) {
  if (cp < 0x80)
    return (cp >= u'0' && cp <= u'9') || (cp >= u'a' && cp <= u'z') || (cp >= u'A' && cp <= u'Z');
  // Signs, symbols, blanks and what is no character at all; the rest of the
  // code space is letters (of some script) and digits.
  static constexpr Range kNotWord[] = {
      {0x80, 0xBF},     {0xD7, 0xD7},     {0xF7, 0xF7},     {0x2000, 0x2BFF},   {0x3000, 0x303F},
      {0xD800, 0xF8FF}, {0xFE10, 0xFE1F}, {0xFE30, 0xFE6F}, {0xFF00, 0xFF0F},   {0xFF1A, 0xFF20},
      {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}, {0xFFF0, 0xFFFF}, {0x1F000, 0x1FAFF},
  };
  return !InRanges(cp, std::begin(kNotWord), std::end(kNotWord));
}

bool IsCjkCharacter(char32_t cp) {
  static constexpr Range kCjk[] = {
      {0x2E80, 0x2FFF}, {0x3040, 0x9FFF}, {0xF900, 0xFAFF}, {0xFF01, 0xFF60}, {0x20000, 0x3FFFF},
  };
  return InRanges(cp, std::begin(kCjk), std::end(kCjk));
}

std::vector<TextBoundary> SimpleBoundaries(std::u16string_view text) {
  std::vector<TextBoundary> out(text.size() + 1);
  bool previousWord = false;
  for (std::size_t i = 0; i < text.size(); i = NextStop(text, i)) {
    const bool word = IsWordCharacter(CodePointAt(text, i));
    out[i].cursor = true;
    out[i].wordStart = word && !previousWord;
    out[i].wordEnd = previousWord && !word;
    previousWord = word;
  }
  out[text.size()].cursor = true;
  out[text.size()].wordEnd = previousWord;
  return out;
}

std::vector<TextLine> WrapLines(std::u16string_view text, const std::vector<int>& extents, int width) {
  const std::size_t n = text.size();
  if (width <= 0 || n == 0 || extents.size() != n) return {TextLine{0, static_cast<int>(n), true}};
  auto x = [&](std::size_t unit) { return unit == 0 ? 0 : extents[unit - 1]; };
  // A line may end before unit k (s < k < n) after a blank or beside a CJK
  // character.
  auto canBreak = [&](std::size_t s, std::size_t k) {
    if (k <= s || (IsLow(text[k]) && IsHigh(text[k - 1])) || IsJoiningMark(CodePointAt(text, k)))
      return false;
    const std::size_t before = PreviousStart(text, k);
    return IsBlank(text[k - 1]) || IsCjkCharacter(CodePointAt(text, k)) ||
           IsCjkCharacter(CodePointAt(text, before));
  };
  std::vector<TextLine> lines;
  std::size_t s = 0;
  while (s < n) {
    // The furthest code point boundary that fits.
    std::size_t e = s;
    while (e < n) {
      const std::size_t next = NextStop(text, e);
      if (x(next) - x(s) > width) break;
      e = next;
    }
    std::size_t b = e;
    if (e < n) {
      if (IsBlank(text[e])) {
        while (b < n && IsBlank(text[b])) ++b;  // blanks hang past the width
      } else {
        while (b > s && !canBreak(s, b)) --b;
        if (b == s) b = e;  // no place to break: after what fits
      }
      if (b == s) b = NextStop(text, s);  // not even one character fits
    }
    lines.push_back(TextLine{static_cast<int>(s), static_cast<int>(b), b >= n});
    s = b;
  }
  return lines;
}

}  // namespace os
