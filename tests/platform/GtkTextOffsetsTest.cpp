// Edit positions count UTF-16 units; GTK counts characters.
#include <gtest/gtest.h>

#include "platform/gtk/TextOffsets.h"

namespace {

using os::gtk::CharsFromUnits;
using os::gtk::UnitsFromChars;

TEST(GtkTextOffsets, SurrogatePairsAreOneCharacter) {
  const std::u16string text = u"a\U0001F3AEb\U0001F600";  // units: a, pair, b, pair
  ASSERT_EQ(text.size(), 6u);
  EXPECT_EQ(CharsFromUnits(text, 0), 0);
  EXPECT_EQ(CharsFromUnits(text, 1), 1);
  EXPECT_EQ(CharsFromUnits(text, 3), 2);
  EXPECT_EQ(CharsFromUnits(text, 4), 3);
  EXPECT_EQ(CharsFromUnits(text, 6), 4);
  EXPECT_EQ(CharsFromUnits(text, 2), 2);  // inside a pair: its character counts as passed
  EXPECT_EQ(UnitsFromChars(text, 2), 3);
  EXPECT_EQ(UnitsFromChars(text, 4), 6);
  for (int c = 0; c <= 4; ++c) EXPECT_EQ(CharsFromUnits(text, UnitsFromChars(text, c)), c);
}

TEST(GtkTextOffsets, OutOfRangeOffsetsAreClamped) {
  const std::u16string text = u"abc";
  EXPECT_EQ(CharsFromUnits(text, -4), 0);
  EXPECT_EQ(CharsFromUnits(text, 99), 3);
  EXPECT_EQ(UnitsFromChars(text, -1), 0);
  EXPECT_EQ(UnitsFromChars(text, 99), 3);
  // A lone surrogate is a character of its own.
  const std::u16string lone = u"x\xD800y";
  EXPECT_EQ(CharsFromUnits(lone, 3), 3);
  EXPECT_EQ(UnitsFromChars(lone, 2), 2);
}

}  // namespace
