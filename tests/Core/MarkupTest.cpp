#include "Core/Markup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/base/Unicode.h"

namespace Kesto {
namespace {

using ::testing::ElementsAre;

std::u16string W(std::string_view utf8) { return os::Utf8ToUtf16(utf8); }
std::u16string S(const char16_t* p) { return p ? std::u16string(p) : std::u16string(u"<null>"); }

// Tag names of a node's children, in order.
std::vector<std::u16string> ChildTags(const MarkupNode& node) {
  std::vector<std::u16string> tags;
  for (MarkupNode c = node.FirstChild(); c.IsValid(); c = c.NextSibling()) tags.push_back(S(c.TagName()));
  return tags;
}

std::vector<std::pair<std::u16string, std::u16string>> Attributes(const MarkupNode& node) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (std::size_t i = 0; i < node.AttributeCount(); ++i) {
    out.emplace_back(S(node.AttributeNameAt(i)), S(node.AttributeValueAt(i)));
  }
  return out;
}

// A login-window skin in the shape the launcher's skins take.
const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<!-- login window -->
<Window size="420,310" caption="0,0,0,40" roundcorner="4,4" bktrans="true">
  <Font name="微软雅黑" size="12" default="true" />
  <Font name="Tahoma" size="14" bold="true"/>
  <Default name="Button" value="font=&quot;1&quot; textcolor=&quot;#FFFFFFFF&quot;" />
  <VerticalLayout bkimage="file='bg.png' corner='4,4,4,4'">
    <HorizontalLayout height="40">
      <Control />
      <Button name="closebtn" width="30" normalimage="close_link.png" tooltip="关闭"/>
    </HorizontalLayout>
    <Edit name="account" text="" tipvalue="Account &amp; e-mail" />
    <Button name="startbtn" text="Sign in" />
  </VerticalLayout>
</Window>
)";

TEST(MarkupDoc, BuildsTheTreeOfASkin) {
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromBytes(kSkin)) << os::Utf16ToUtf8(doc.LastErrorMessage());
  const MarkupNode root = doc.Root();
  ASSERT_TRUE(root.IsValid());
  EXPECT_EQ(S(root.TagName()), u"Window");
  EXPECT_FALSE(root.NextSibling().IsValid());
  EXPECT_THAT(Attributes(root),
              ElementsAre(std::pair{std::u16string(u"size"), std::u16string(u"420,310")},
                          std::pair{std::u16string(u"caption"), std::u16string(u"0,0,0,40")},
                          std::pair{std::u16string(u"roundcorner"), std::u16string(u"4,4")},
                          std::pair{std::u16string(u"bktrans"), std::u16string(u"true")}));
  EXPECT_THAT(ChildTags(root), ElementsAre(u"Font", u"Font", u"Default", u"VerticalLayout"));

  const MarkupNode font = root.FirstChild();
  EXPECT_EQ(S(font.FindAttribute(u"name")), W("微软雅黑"));
  EXPECT_FALSE(font.HasChildren());
  const MarkupNode bold = font.NextSibling();
  EXPECT_EQ(S(bold.FindAttribute(u"bold")), u"true");
  EXPECT_EQ(bold.FindAttribute(u"default"), nullptr);

  // Entities inside a value, and the attribute after a shortened value.
  const MarkupNode def = bold.NextSibling();
  EXPECT_EQ(S(def.FindAttribute(u"value")), u"font=\"1\" textcolor=\"#FFFFFFFF\"");
  EXPECT_EQ(S(def.FindAttribute(u"name")), u"Button");

  const MarkupNode layout = def.NextSibling();
  EXPECT_EQ(S(layout.FindAttribute(u"bkimage")), u"file='bg.png' corner='4,4,4,4'");
  EXPECT_THAT(ChildTags(layout), ElementsAre(u"HorizontalLayout", u"Edit", u"Button"));
  const MarkupNode bar = layout.FirstChild();
  EXPECT_THAT(ChildTags(bar), ElementsAre(u"Control", u"Button"));
  EXPECT_FALSE(bar.FirstChild().HasAttributes());
  EXPECT_EQ(S(bar.FirstChild().NextSibling().FindAttribute(u"tooltip")), W("关闭"));
  const MarkupNode edit = bar.NextSibling();
  EXPECT_EQ(S(edit.FindAttribute(u"text")), u"");
  EXPECT_EQ(S(edit.FindAttribute(u"tipvalue")), u"Account & e-mail");
}

TEST(MarkupDoc, ByteOrderMarkAndDeclarationDoNotChangeTheTree) {
  const std::string plain = "<Window a=\"1\"><B/></Window>";
  MarkupDoc a;
  MarkupDoc b;
  MarkupDoc c;
  ASSERT_TRUE(a.LoadFromBytes(plain));
  ASSERT_TRUE(b.LoadFromBytes("\xEF\xBB\xBF" + plain));
  ASSERT_TRUE(c.LoadFromBytes("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n" + plain));
  for (const MarkupDoc* d : {&a, &b, &c}) {
    EXPECT_EQ(S(d->Root().TagName()), u"Window");
    EXPECT_EQ(S(d->Root().FindAttribute(u"a")), u"1");
    EXPECT_THAT(ChildTags(d->Root()), ElementsAre(u"B"));
  }
  // Without the mark handling a UTF-8 mark would sit before the first "<".
  MarkupDoc ansi;
  EXPECT_FALSE(ansi.LoadFromBytes("\xEF\xBB\xBF" + plain, MarkupEncoding::Ansi));
  EXPECT_EQ(ansi.LastErrorMessage(), u"Expected start tag");
}

TEST(MarkupDoc, Utf16NeedsAByteOrderMark) {
  const std::u16string text = u"<Window t=\"中\"/>";
  std::string little("\xFF\xFE", 2);
  std::string big("\xFE\xFF", 2);
  for (char16_t c : text) {
    little.push_back(static_cast<char>(c & 0xFF));
    little.push_back(static_cast<char>(c >> 8));
    big.push_back(static_cast<char>(c >> 8));
    big.push_back(static_cast<char>(c & 0xFF));
  }
  for (const std::string& bytes : {little, big}) {
    MarkupDoc doc;
    ASSERT_TRUE(doc.LoadFromBytes(bytes, MarkupEncoding::Utf16));
    EXPECT_EQ(S(doc.Root().FindAttribute(u"t")), u"中");
  }
  MarkupDoc bare;
  EXPECT_FALSE(bare.LoadFromBytes(little.substr(2), MarkupEncoding::Utf16));
  EXPECT_FALSE(bare.Root().IsValid());
  EXPECT_FALSE(bare.LoadFromBytes(std::string("\xFF"), MarkupEncoding::Utf16));
}

struct Failure {
  const char16_t* text;
  const char16_t* message;
  const char16_t* location;
};

TEST(MarkupDoc, FailuresCarryTheirMessageAndLocation) {
  const Failure cases[] = {
      {u"<a>text<b/>more</a>", u"Expected start tag", u"more</a>"},
      {u"<a b='1'/>", u"Expected attribute value", u"'1'/>"},
      {u"<a b=>", u"Expected attribute value", u">"},
      {u"<a b c=\"1\"/>", u"Error while parsing attributes", u"c=\"1\"/>"},
      {u"<a b=\"1", u"Error while parsing attribute string", u""},
      {u"<abc", u"Error parsing element name", u""},
      {u"<a b=\"1\" x", u"Error while parsing attributes", u""},
      {u"<a b=\"1\"", u"Expected start-tag closing", u""},
      {u"<a b=\"1\" / >", u"Expected start-tag closing", u"/ >"},
      {u"<a><b></bc></a>", u"Unmatched closing tag", u"c></a>"},
      {u"<a><b></c></a>", u"Unmatched closing tag", u"c></a>"},
      {u"<a></a x>", u"Unmatched closing tag", u"x>"},
      {u"<a><b><c>text", u"Expected end-tag start", u""},
      {u"<a><b><c/>", u"Expected start tag", u""},
      {u"junk", u"Expected start tag", u"junk"},
      {u"<a><b><!-- open comment", u"Expected start tag", u""},
  };
  for (const Failure& f : cases) {
    SCOPED_TRACE(os::Utf16ToUtf8(f.text));
    MarkupDoc doc;
    EXPECT_FALSE(doc.LoadFromText(f.text));
    EXPECT_EQ(doc.LastErrorMessage(), f.message);
    EXPECT_EQ(doc.LastErrorLocation(), f.location);
    EXPECT_FALSE(doc.Root().IsValid());
    EXPECT_FALSE(doc.IsValid());
  }
}

TEST(MarkupDoc, ErrorLocationKeepsAtMost49Characters) {
  MarkupDoc doc;
  const std::u16string tail(80, u'x');
  EXPECT_FALSE(doc.LoadFromText(u"<a/>" + tail));
  EXPECT_EQ(doc.LastErrorMessage(), u"Expected start tag");
  EXPECT_EQ(doc.LastErrorLocation(), tail.substr(0, 49));
}

TEST(MarkupDoc, OpenElementsAtTheEndOfTheText) {
  struct Case {
    const char16_t* text;
    bool ok;
  };
  // The root and its children may stay open; anything deeper may not.
  const Case cases[] = {
      {u"<Window>", true},         {u"<Window size=\"1,2\">", true},
      {u"<Window><A/><B>", true},  {u"<Window><A/><B>some text", true},
      {u"<Window><A><B/>", false}, {u"<Window><A><B>", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(os::Utf16ToUtf8(c.text));
    MarkupDoc doc;
    EXPECT_EQ(doc.LoadFromText(c.text), c.ok);
    if (c.ok) {
      EXPECT_EQ(S(doc.Root().TagName()), u"Window");
    }
  }
  // The element left open keeps a clean name even when text follows it.
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(u"<Window><A/><B>tail"));
  EXPECT_THAT(ChildTags(doc.Root()), ElementsAre(u"A", u"B"));
}

TEST(MarkupDoc, EntitiesDecodeOneLevel) {
  struct Case {
    const char16_t* value;
    const char16_t* decoded;
  };
  const Case cases[] = {
      {u"&amp;lt;", u"&lt;"}, {u"&lt;&gt;&quot;&apos;&amp;", u"<>\"'&"},
      {u"&#65;", u"&#65;"},   {u"a & b", u"a & b"},
      {u"&foo;", u"&foo;"},   {u"&amp", u"&amp"},
      {u"&&amp;", u"&&"},     {u"x&", u"x&"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(os::Utf16ToUtf8(c.value));
    MarkupDoc doc;
    ASSERT_TRUE(doc.LoadFromText(std::u16string(u"<a v=\"") + c.value + u"\" w=\"next\"/>"));
    EXPECT_EQ(S(doc.Root().FindAttribute(u"v")), c.decoded);
    EXPECT_EQ(S(doc.Root().FindAttribute(u"w")), u"next");
    EXPECT_EQ(doc.Root().AttributeCount(), 2u);
  }
}

TEST(MarkupDoc, ValuesKeepTheirWhitespace) {
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(u"<a\n\tv = \"  two\tparts\n\" \r\n w=\"\"\n/>"));
  EXPECT_EQ(S(doc.Root().FindAttribute(u"v")), u"  two\tparts\n");
  EXPECT_EQ(S(doc.Root().FindAttribute(u"w")), u"");
  EXPECT_EQ(doc.Root().AttributeCount(), 2u);
}

TEST(MarkupDoc, EmptyElementsAndSiblings) {
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(u"<r><a/><b /><c x=\"1\"/><d x=\"2\" /></r><s/><t></t>"));
  const MarkupNode root = doc.Root();
  EXPECT_THAT(ChildTags(root), ElementsAre(u"a", u"b", u"c", u"d"));
  for (MarkupNode c = root.FirstChild(); c.IsValid(); c = c.NextSibling()) EXPECT_FALSE(c.HasChildren());
  // Several top-level elements are chained after the root.
  EXPECT_EQ(S(root.NextSibling().TagName()), u"s");
  EXPECT_EQ(S(root.NextSibling().NextSibling().TagName()), u"t");
  EXPECT_FALSE(root.NextSibling().NextSibling().NextSibling().IsValid());
  EXPECT_EQ(S(root.FirstChild().NextSibling().NextSibling().FindAttribute(u"x")), u"1");
}

TEST(MarkupDoc, ClosingTagsAndComments) {
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(u"<a><!-- one --><b></b   ><?pi stuff?><c/></a  >"));
  EXPECT_THAT(ChildTags(doc.Root()), ElementsAre(u"b", u"c"));
}

TEST(MarkupDoc, DocumentsWithoutElements) {
  for (const char16_t* text :
       {u"", u"   \r\n", u"<?xml version=\"1.0\"?>", u"<!-- only -->\n<!-- comments -->"}) {
    MarkupDoc doc;
    EXPECT_TRUE(doc.LoadFromText(text));
    EXPECT_FALSE(doc.Root().IsValid());
  }
}

TEST(MarkupNode, SeventyAttributesShowTheFirst64) {
  std::u16string text = u"<a";
  for (int i = 0; i < 70; ++i) text += u" n" + W(std::to_string(i)) + u"=\"v" + W(std::to_string(i)) + u"\"";
  text += u"/>";
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(text));
  const MarkupNode node = doc.Root();
  EXPECT_EQ(node.AttributeCount(), 64u);
  EXPECT_EQ(S(node.AttributeNameAt(63)), u"n63");
  EXPECT_EQ(S(node.AttributeValueAt(63)), u"v63");
  EXPECT_EQ(S(node.AttributeNameAt(64)), u"");
  EXPECT_EQ(S(node.AttributeValueAt(64)), u"");
  EXPECT_EQ(node.FindAttribute(u"n64"), nullptr);
  EXPECT_EQ(S(node.FindAttribute(u"n0")), u"v0");
}

TEST(MarkupNode, InvalidNodesAnswerNothing) {
  const MarkupNode none;
  EXPECT_FALSE(none.IsValid());
  EXPECT_EQ(none.TagName(), nullptr);
  EXPECT_EQ(none.AttributeCount(), 0u);
  EXPECT_EQ(S(none.AttributeNameAt(0)), u"");
  EXPECT_FALSE(none.FirstChild().IsValid());
  EXPECT_FALSE(none.NextSibling().IsValid());
  std::u16string value = u"kept";
  EXPECT_FALSE(none.FindAttribute(u"a", value, 10));
  EXPECT_EQ(value, u"kept");
}

TEST(MarkupNode, FindAttributeCopiesATerminatedValue) {
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(u"<a name=\"abcdef\" Name=\"other\"/>"));
  const MarkupNode node = doc.Root();
  std::u16string value;
  EXPECT_TRUE(node.FindAttribute(u"name", value, 100));
  EXPECT_EQ(value, u"abcdef");
  // A value of `capacity` characters or more is cut to capacity - 1.
  EXPECT_TRUE(node.FindAttribute(u"name", value, 6));
  EXPECT_EQ(value, u"abcde");
  EXPECT_TRUE(node.FindAttribute(u"name", value, 7));
  EXPECT_EQ(value, u"abcdef");
  EXPECT_TRUE(node.FindAttribute(u"name", value, 0));
  EXPECT_EQ(value, u"");
  // Names compare exactly.
  EXPECT_TRUE(node.FindAttribute(u"Name", value, 100));
  EXPECT_EQ(value, u"other");
  EXPECT_FALSE(node.FindAttribute(u"NAME", value, 100));
  EXPECT_FALSE(node.FindAttribute(u"nam", value, 100));
}

TEST(MarkupDoc, AFailedLoadEmptiesTheDocumentAndReloadRecovers) {
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(u"<a/>"));
  EXPECT_FALSE(doc.LoadFromText(u"<a b='x'/>"));
  EXPECT_FALSE(doc.Root().IsValid());
  EXPECT_EQ(doc.LastErrorMessage(), u"Expected attribute value");
  ASSERT_TRUE(doc.LoadFromText(u"<z/>"));
  EXPECT_EQ(S(doc.Root().TagName()), u"z");
  EXPECT_EQ(doc.LastErrorMessage(), u"");
  EXPECT_EQ(doc.LastErrorLocation(), u"");
}

TEST(MarkupDoc, ElementTableGrowsByHalfPlus500) {
  auto load = [](int elements) {
    std::u16string text = u"<r>";
    for (int i = 1; i < elements; ++i) text += u"<e/>";
    MarkupDoc doc;
    EXPECT_TRUE(doc.LoadFromText(text));
    EXPECT_EQ(doc.ElementCount(), static_cast<std::uint32_t>(elements + 1));
    return doc.ElementCapacity();
  };
  EXPECT_EQ(load(1), 500u);
  EXPECT_EQ(load(499), 500u);
  EXPECT_EQ(load(500), 1250u);
  EXPECT_EQ(load(1249), 1250u);
  EXPECT_EQ(load(1250), 2375u);
}

TEST(MarkupDoc, DeepNestingDoesNotExhaustTheStack) {
  constexpr int kDepth = 200000;
  std::u16string text;
  for (int i = 0; i < kDepth; ++i) text += u"<d>";
  for (int i = 0; i < kDepth; ++i) text += u"</d>";
  MarkupDoc doc;
  ASSERT_TRUE(doc.LoadFromText(text));
  int depth = 0;
  for (MarkupNode n = doc.Root(); n.IsValid(); n = n.FirstChild()) ++depth;
  EXPECT_EQ(depth, kDepth);
}

// Cuts the skin at every character boundary: each prefix either loads (the
// root and its children may stay open) or fails with one of the parser's
// messages and a location taken from the cut text. A few cuts are checked for
// their exact message.
TEST(MarkupDoc, EveryCutOffPrefixOfASkinFailsCleanly) {
  const std::u16string skin = W(kSkin);
  const std::set<std::u16string> messages = {
      u"Expected start tag",         u"Error parsing element name",
      u"Expected start-tag closing", u"Expected end-tag start",
      u"Unmatched closing tag",      u"Error while parsing attributes",
      u"Expected attribute value",   u"Error while parsing attribute string"};
  for (std::size_t n = 0; n <= skin.size(); ++n) {
    const std::u16string prefix = skin.substr(0, n);
    MarkupDoc doc;
    if (doc.LoadFromText(prefix)) {
      if (doc.Root().IsValid()) {
        EXPECT_EQ(S(doc.Root().TagName()), u"Window") << n;
      }
      continue;
    }
    EXPECT_EQ(messages.count(doc.LastErrorMessage()), 1u) << n;
    EXPECT_NE(prefix.find(doc.LastErrorLocation()), std::u16string::npos) << n;
  }

  auto cutAfter = [&](std::u16string_view marker) {
    const std::size_t at = skin.find(marker);
    EXPECT_NE(at, std::u16string::npos);
    MarkupDoc doc;
    doc.LoadFromText(skin.substr(0, at + marker.size()));
    return doc.LastErrorMessage();
  };
  EXPECT_EQ(cutAfter(u"<Win"), u"Error parsing element name");
  EXPECT_EQ(cutAfter(u"<Window si"), u"Error while parsing attributes");
  EXPECT_EQ(cutAfter(u"<Window size="), u"Expected attribute value");
  EXPECT_EQ(cutAfter(u"<Window size=\"42"), u"Error while parsing attribute string");
  EXPECT_EQ(cutAfter(u"bktrans=\"true\""), u"Expected start-tag closing");
  EXPECT_EQ(cutAfter(u"bktrans=\"true\">"), u"");
  EXPECT_EQ(cutAfter(u"<HorizontalLayout height=\"40\">"), u"Expected end-tag start");
  EXPECT_EQ(cutAfter(u"<Control />"), u"Expected start tag");
  EXPECT_EQ(cutAfter(u"</HorizontalLayout>"), u"Expected start tag");
  EXPECT_EQ(cutAfter(u"</VerticalLayout>\n</Win"), u"Unmatched closing tag");
}

}  // namespace
}  // namespace Kesto

namespace Kesto {
namespace {

// Random edits of a small skin, under the sanitizers: each load either fails
// with one of the parser's messages and an empty document, or gives a tree
// whose names and values can all be read.
TEST(MarkupDoc, RandomlyEditedSkinsParseOrFailCleanly) {
  const std::string seed =
      "<?xml?><Window size=\"1,2\" a=\"&amp;&lt;x\"><!-- c --><A b=\"1\"/><B>t&gt;<C d=\"&quot;\" "
      "/></B></Window>";
  const char alphabet[] = "<>/=\"'&;!?- \tabAmpltgquo";
  std::uint32_t state = 1;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < 30000; ++i) {
    std::string s = seed;
    for (int e = 1 + next() % 6; e > 0; --e) {
      const std::size_t pos = next() % (s.size() + 1);
      const char c = alphabet[next() % (sizeof alphabet - 1)];
      switch (next() % 3) {
        case 0:
          s.insert(pos, 1, c);
          break;
        case 1:
          if (pos < s.size()) s.erase(pos, 1);
          break;
        default:
          if (pos < s.size()) s[pos] = c;
          break;
      }
    }
    MarkupDoc doc;
    if (!doc.LoadFromBytes(s)) {
      ASSERT_FALSE(doc.LastErrorMessage().empty()) << s;
      ASSERT_FALSE(doc.Root().IsValid());
      continue;
    }
    std::vector<MarkupNode> pending{doc.Root()};
    std::size_t characters = 0;
    while (!pending.empty()) {
      const MarkupNode n = pending.back();
      pending.pop_back();
      if (!n.IsValid()) continue;
      characters += std::u16string_view(n.TagName()).size();
      for (std::size_t k = 0; k < n.AttributeCount(); ++k) {
        characters += std::u16string_view(n.AttributeNameAt(k)).size();
        characters += std::u16string_view(n.AttributeValueAt(k)).size();
      }
      pending.push_back(n.NextSibling());
      pending.push_back(n.FirstChild());
    }
    // Names and values are pieces of the document: never longer than it.
    ASSERT_LE(characters, s.size()) << s;
  }
}

}  // namespace
}  // namespace Kesto
