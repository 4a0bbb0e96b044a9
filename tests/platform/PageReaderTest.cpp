// How the static browser reads pages: character sets, elements, text and
// titles, and link addresses.
#include "platform/headless/PageReader.h"

#include <gtest/gtest.h>

namespace {

using namespace os;
using namespace os::headless;

std::vector<std::u16string> Tags(const DocumentContent& c) {
  std::vector<std::u16string> tags;
  for (const auto& e : c.elements) tags.push_back(e.tagName);
  return tags;
}

TEST(PageReaderTest, ElementsComeInDocumentOrderWithImpliedOnesAndSourceAttributes) {
  const DocumentContent c = ReadHtml(
      "<title>\n  Server \t list </title><META Name=\"win-width\" CONTENT='1000' data-x>"
      "<p>a<b>b</b>c<script>var x = '<p>';</script></p><my-widget Flag=1></my-widget>");
  EXPECT_EQ(Tags(c), (std::vector<std::u16string>{u"html", u"head", u"title", u"meta", u"body", u"p", u"b",
                                                  u"script", u"my-widget"}));
  EXPECT_EQ(c.title, u"Server list");
  const HtmlElementInfo& meta = c.elements[3];
  EXPECT_EQ(meta.attributes, (std::vector<std::pair<std::u16string, std::u16string>>{
                                 {u"name", u"win-width"}, {u"content", u"1000"}, {u"data-x", u""}}));
  // Text: descendants included, script text kept to itself.
  EXPECT_EQ(c.elements[5].Text(), u"abc");
  EXPECT_EQ(c.elements[7].Text(), u"var x = '<p>';");
  EXPECT_EQ(c.elements[8].attributes[0].first, u"flag");
}

TEST(PageReaderTest, BrokenAndHostileMarkupStillParses) {
  EXPECT_EQ(Tags(ReadHtml("")), (std::vector<std::u16string>{u"html", u"head", u"body"}));
  const DocumentContent unclosed = ReadHtml("<div><span>x<div>y");
  EXPECT_EQ(Tags(unclosed),
            (std::vector<std::u16string>{u"html", u"head", u"body", u"div", u"span", u"div"}));
  EXPECT_EQ(unclosed.elements[3].Text(), u"xy");
  // Deep nesting: every level an element, the innermost text reaching all.
  std::string deep;
  for (int i = 0; i < 4000; ++i) deep += "<span>";
  deep += "end";
  const DocumentContent nested = ReadHtml(deep);
  ASSERT_EQ(nested.elements.size(), 4003u);
  EXPECT_EQ(nested.elements.back().Text(), u"end");
  EXPECT_EQ(nested.elements[2].Text(), u"end");  // BODY
  // Text grows with the page, not with the nesting: every level reads the
  // same characters instead of a copy of its own.
  std::string wide;
  for (int i = 0; i < 6000; ++i) wide += "<b>0123456789";
  const DocumentContent many = ReadHtml(wide);
  ASSERT_EQ(many.elements.size(), 6003u);
  EXPECT_EQ(many.elements[2].Text().size(), 60000u);
  EXPECT_EQ(many.elements.back().Text(), u"0123456789");
  const char16_t* const all = many.elements[2].Text().data();
  for (const HtmlElementInfo& e : many.elements) {
    if (e.Text().empty()) continue;
    EXPECT_GE(e.Text().data(), all);
    EXPECT_LE(e.Text().data() + e.Text().size(), all + 60000);
  }
  // Bytes that are not UTF-8 become replacement characters, not a failure.
  const DocumentContent bad = ReadHtml(
      "<title>a\xFF"
      "b</title>");
  EXPECT_EQ(bad.title, u"a\uFFFDb");
}

TEST(PageReaderTest, TheCharacterSetComesFromTheHeaderTheMarkOrTheMarkup) {
  EXPECT_EQ(PageCharset("text/html; charset=GBK", "<meta charset=utf-8>"), "gbk");
  EXPECT_EQ(PageCharset("text/html; charset=\"utf-8\"", ""), "utf-8");
  EXPECT_EQ(PageCharset("text/html", "\xEF\xBB\xBF<html>"), "utf-8");
  EXPECT_EQ(PageCharset("text/html", "<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">"),
            "gb2312");
  EXPECT_EQ(PageCharset("text/html", "<meta charset = 'Big5'>"), "big5");
  EXPECT_EQ(PageCharset("", std::string(1100, ' ') + "<meta charset=gbk>"), "");  // too far in
  EXPECT_EQ(PageCharset("text/html", "<p>no declaration</p>"), "");
}

TEST(PageReaderTest, PagesInOtherCharacterSetsAreReadAsUtf8) {
  // "游戏" in GBK.
  const std::string gbk = "<title>\xD3\xCE\xCF\xB7</title>";
  EXPECT_EQ(ReadHtml(DecodePage(gbk, "gb2312")).title, u"游戏");
  EXPECT_EQ(ReadHtml(DecodePage(gbk, "GBK")).title, u"游戏");
  EXPECT_EQ(DecodePage("caf\xE9", "iso-8859-1"), "caf\xC3\xA9");
  // A truncated sequence at the end is replaced, the rest kept.
  EXPECT_EQ(DecodePage("ab\xD3", "gbk"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(DecodePage("plain", "utf-8"), "plain");
  EXPECT_EQ(DecodePage("kept \xFF", "x-unknown-charset"), "kept \xFF");
}

TEST(PageReaderTest, LinksResolveAgainstThePageAddress) {
  const std::u16string base = u"http://a/b/c/d;p?q";
  // The normal examples of RFC 3986, section 5.4.1.
  EXPECT_EQ(ResolveUrl(base, u"g:h"), u"g:h");
  EXPECT_EQ(ResolveUrl(base, u"g"), u"http://a/b/c/g");
  EXPECT_EQ(ResolveUrl(base, u"./g"), u"http://a/b/c/g");
  EXPECT_EQ(ResolveUrl(base, u"g/"), u"http://a/b/c/g/");
  EXPECT_EQ(ResolveUrl(base, u"/g"), u"http://a/g");
  EXPECT_EQ(ResolveUrl(base, u"//g"), u"http://g");
  EXPECT_EQ(ResolveUrl(base, u"?y"), u"http://a/b/c/d;p?y");
  EXPECT_EQ(ResolveUrl(base, u"g?y"), u"http://a/b/c/g?y");
  EXPECT_EQ(ResolveUrl(base, u"#s"), u"http://a/b/c/d;p?q#s");
  EXPECT_EQ(ResolveUrl(base, u""), u"http://a/b/c/d;p?q");
  EXPECT_EQ(ResolveUrl(base, u"."), u"http://a/b/c/");
  EXPECT_EQ(ResolveUrl(base, u".."), u"http://a/b/");
  EXPECT_EQ(ResolveUrl(base, u"../g"), u"http://a/b/g");
  EXPECT_EQ(ResolveUrl(base, u"../../g"), u"http://a/g");
  EXPECT_EQ(ResolveUrl(base, u"../../../g"), u"http://a/g");
  // What pages write.
  EXPECT_EQ(ResolveUrl(u"http://127.0.0.1:47801/client/list.html", u"  /game?sid=1&sign=x \n"),
            u"http://127.0.0.1:47801/game?sid=1&sign=x");
  EXPECT_EQ(ResolveUrl(u"http://h:1", u"page"), u"http://h:1/page");
  EXPECT_EQ(ResolveUrl(u"http://h/x", u"HTTP://Other/y"), u"http://Other/y");
}

TEST(PageReaderTest, WhiteSpaceCollapses) {
  EXPECT_EQ(CollapseWhiteSpace(u"  a \n\t b  "), u"a b");
  EXPECT_EQ(CollapseWhiteSpace(u" \r\n "), u"");
  EXPECT_EQ(CollapseWhiteSpace(u"游 戏"), u"游 戏");
}

}  // namespace
