#include <gtest/gtest.h>

#include "platform/base/Unicode.h"

namespace {

TEST(Unicode, RoundTripsChineseAndAstralText) {
  const std::string utf8 = "加载资源文件失败 \xF0\x9F\x8E\xAE ok";
  const std::u16string wide = os::Utf8ToUtf16(utf8);
  EXPECT_EQ(wide.substr(0, 8), u"加载资源文件失败");
  EXPECT_EQ(wide[9], 0xD83C);  // the game controller is a surrogate pair
  EXPECT_EQ(wide[10], 0xDFAE);
  EXPECT_EQ(os::Utf16ToUtf8(wide), utf8);
}

TEST(Unicode, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(os::Utf8ToUtf16("a\xFF"
                            "b"),
            u"a\uFFFDb");
  EXPECT_EQ(os::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong
  EXPECT_EQ(os::Utf8ToUtf16("\xE4\xBD"), u"\uFFFD");      // truncated
  EXPECT_EQ(os::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(os::Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(os::Utf16ToUtf8(std::u16string(1, u'\xDC00') + u"x"), "\xEF\xBF\xBDx");
}

}  // namespace
