// The plain break rules a measuring-only layout uses: where the caret stops,
// where words begin and end, and where wrapped lines break, over widths of
// our own making (ten pixels a code point) so that every line is known.
#include "platform/syscontrols/TextBreaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace os {
namespace {

// Ten pixels a code point; both units of a pair end where it ends.
std::vector<int> TenEach(std::u16string_view text) {
  std::vector<int> extents(text.size());
  int x = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
    x += 10;
    extents[i] = x;
    if (high) extents[++i] = x;
  }
  return extents;
}

std::vector<std::u16string> Lines(std::u16string_view text, int width) {
  std::vector<std::u16string> out;
  const std::vector<TextLine> lines = WrapLines(text, TenEach(text), width);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].last, i + 1 == lines.size());
    if (i > 0) {
      EXPECT_EQ(lines[i].start, lines[i - 1].end) << "lines leave no gap";
    }
    out.emplace_back(text.substr(static_cast<std::size_t>(lines[i].start),
                                 static_cast<std::size_t>(lines[i].end - lines[i].start)));
  }
  return out;
}

struct WrapCase {
  const char* name;
  std::u16string text;
  int width;
  std::vector<std::u16string> lines;
};

class WrapTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapTest, LinesBreakWhereTheRulesAllow) {
  const WrapCase& c = GetParam();
  EXPECT_EQ(Lines(c.text, c.width), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WrapTest,
    ::testing::Values(WrapCase{"AfterBlanks", u"one two three", 75, {u"one two ", u"three"}},
                      WrapCase{"BlanksHangPastTheWidth", u"one   two", 30, {u"one   ", u"two"}},
                      WrapCase{"BetweenChinese", u"你好世界", 25, {u"你好", u"世界"}},
                      WrapCase{"BeforeChineseAfterLatin", u"hello世界", 60, {u"hello世", u"界"}},
                      WrapCase{"NoPlaceCutsWhatFits", u"abcdefghij", 35, {u"abc", u"def", u"ghi", u"j"}},
                      WrapCase{"OneCharacterAtLeast", u"abc", 5, {u"a", u"b", u"c"}},
                      WrapCase{"MarksStayWithTheirCharacter", u"ab\u0301cd", 25, {u"a", u"b\u0301", u"cd"}},
                      WrapCase{"PairsStayWhole", u"\U0001F600\U0001F600", 5, {u"\U0001F600", u"\U0001F600"}},
                      WrapCase{"NoWidthIsOneLine", u"one two three", 0, {u"one two three"}},
                      WrapCase{"FitsWhole", u"one two", 70, {u"one two"}},
                      WrapCase{"EmptyText", u"", 50, {u""}}),
    [](const ::testing::TestParamInfo<WrapCase>& info) { return std::string(info.param.name); });

TEST(TextBreaksTest, ExtentsThatDoNotMatchTheTextGiveOneLine) {
  const std::vector<TextLine> lines = WrapLines(u"one two", {10, 20}, 15);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].end, 7);
}

TEST(TextBreaksTest, CaretStopsAtCodePointsAndWordsAreLetterAndDigitRuns) {
  const std::u16string text = u"ab, 12\U0001F600x你好";
  const std::vector<TextBoundary> b = SimpleBoundaries(text);
  ASSERT_EQ(b.size(), text.size() + 1);
  std::vector<int> cursor, starts, ends;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (b[i].cursor) cursor.push_back(static_cast<int>(i));
    if (b[i].wordStart) starts.push_back(static_cast<int>(i));
    if (b[i].wordEnd) ends.push_back(static_cast<int>(i));
  }
  // Unit 7 is the second half of the pair.
  EXPECT_EQ(cursor, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11}));
  EXPECT_EQ(starts, (std::vector<int>{0, 4, 8}));
  EXPECT_EQ(ends, (std::vector<int>{2, 6, 11}));
}

TEST(TextBreaksTest, JoiningMarksGoWithTheCharacterBefore) {
  const std::vector<TextBoundary> b = SimpleBoundaries(u"e\u0301x\U0001F44D\U0001F3FD.");
  std::vector<int> cursor;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (b[i].cursor) cursor.push_back(static_cast<int>(i));
  }
  EXPECT_EQ(cursor, (std::vector<int>{0, 2, 3, 7, 8}));
  EXPECT_TRUE(b[0].wordStart);
  EXPECT_FALSE(b[1].wordEnd);  // the accent is inside the word
  EXPECT_TRUE(b[3].wordEnd);
}

TEST(TextBreaksTest, CharacterClasses) {
  for (char32_t letter : {U'a', U'Z', U'7', U'é', U'ж', U'你', U'ア', U'한'}) {
    EXPECT_TRUE(IsWordCharacter(letter)) << static_cast<int>(letter);
  }
  for (char32_t sign : {U' ', U',', U'-', U'×', U'，', U'。', U'“', U'\U0001F600', U'\x3000'}) {
    EXPECT_FALSE(IsWordCharacter(sign)) << static_cast<int>(sign);
  }
  EXPECT_TRUE(IsCjkCharacter(U'你'));
  EXPECT_TRUE(IsCjkCharacter(U'ア'));
  EXPECT_TRUE(IsCjkCharacter(U'\U00020000'));
  EXPECT_FALSE(IsCjkCharacter(U'a'));
  EXPECT_FALSE(IsCjkCharacter(U'é'));
}

}  // namespace
}  // namespace os
