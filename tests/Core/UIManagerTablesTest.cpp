#include <gtest/gtest.h>

#include "Core/UIManager.h"

namespace Kesto {
namespace {

TEST(UIManagerFonts, IndexesOutsideTheListMeanTheDefaultFont) {
  UIManager m;
  const FontInfo* def = m.DefaultFont();
  ASSERT_NE(def, nullptr);
  EXPECT_FALSE(def->faceName.empty());
  EXPECT_GT(def->size, 0);

  const FontInfo* a = m.AddFontEntry(u"Tahoma", 14, true, false, false);
  const FontInfo* b = m.AddFontEntry(u"微软雅黑", 12, false, true, true);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(m.FontCount(), 2u);
  EXPECT_EQ(m.FontAt(0), a);
  EXPECT_EQ(m.FontAt(1), b);
  EXPECT_EQ(m.FontAt(-1), def);
  EXPECT_EQ(m.FontAt(2), def);
  EXPECT_EQ(m.FontIndex(b), 1);
  EXPECT_EQ(m.FontIndex(def), -1);
  EXPECT_EQ(b->faceName, u"微软雅黑");
  EXPECT_TRUE(b->underline && b->italic && !b->bold);

  // A new default font replaces the old one; the list is untouched.
  const FontInfo* newDefault = m.SetDefaultFontEntry(u"Arial", 13, false, false, false);
  EXPECT_EQ(m.DefaultFont(), newDefault);
  EXPECT_EQ(m.FontAt(5), newDefault);
  EXPECT_EQ(m.FontCount(), 2u);
}

TEST(UIManagerFonts, FaceNamesKeepAtMost31Characters) {
  UIManager m;
  const std::u16string longName(40, u'F');
  EXPECT_EQ(m.AddFontEntry(longName, 12, false, false, false)->faceName, longName.substr(0, 31));
  EXPECT_EQ(m.AddFontEntry(longName.substr(0, 31), 12, false, false, false)->faceName.size(), 31u);
}

TEST(UIManagerFonts, LookupsContinueInTheParentResourceManager) {
  UIManager parent;
  UIManager child;
  const FontInfo* inParent = parent.AddFontEntry(u"Tahoma", 14, true, false, false);
  const FontInfo* inChild = child.AddFontEntry(u"Tahoma", 14, false, false, false);

  // By handle: own fonts, then the parent's, else the default font.
  EXPECT_EQ(child.FindFont(inChild), inChild);
  EXPECT_EQ(child.FindFont(inParent), child.DefaultFont());
  ASSERT_TRUE(child.SetParentResourceManager(&parent));
  EXPECT_EQ(child.FindFont(inParent), inParent);
  EXPECT_EQ(child.FindFont(parent.DefaultFont()), parent.DefaultFont());
  EXPECT_EQ(parent.FindFont(inChild), parent.DefaultFont());

  // By description all five parts count.
  EXPECT_EQ(child.FindFont(u"Tahoma", 14, false, false, false), inChild);
  EXPECT_EQ(child.FindFont(u"Tahoma", 14, true, false, false), inParent);
  EXPECT_EQ(child.FindFont(u"Tahoma", 14, true, true, false), nullptr);
  EXPECT_EQ(child.FindFont(u"tahoma", 14, false, false, false), nullptr);
  EXPECT_EQ(child.FindFont(u"Tahoma", 15, false, false, false), nullptr);
  EXPECT_EQ(parent.FindFont(u"Tahoma", 14, false, false, false), nullptr);

  // A manager never becomes its own ancestor.
  EXPECT_FALSE(parent.SetParentResourceManager(&child));
  EXPECT_FALSE(child.SetParentResourceManager(&child));
  EXPECT_EQ(parent.ParentResourceManager(), nullptr);
  EXPECT_EQ(parent.FindFont(u"Tahoma", 14, false, false, false), nullptr);
}

TEST(UIManagerDefaults, FirstListPerTagWinsAndParentsFillIn) {
  UIManager parent;
  UIManager child;
  EXPECT_TRUE(child.AddDefaultAttributes(u"Button", u"text=\"B\""));
  EXPECT_FALSE(child.AddDefaultAttributes(u"Button", u"text=\"C\""));
  ASSERT_NE(child.DefaultAttributesFor(u"Button"), nullptr);
  EXPECT_EQ(*child.DefaultAttributesFor(u"Button"), u"text=\"B\"");
  EXPECT_EQ(child.DefaultAttributesFor(u"button"), nullptr);

  EXPECT_TRUE(parent.AddDefaultAttributes(u"Edit", u"height=\"30\""));
  EXPECT_EQ(child.DefaultAttributesFor(u"Edit"), nullptr);
  child.SetParentResourceManager(&parent);
  ASSERT_NE(child.DefaultAttributesFor(u"Edit"), nullptr);
  EXPECT_EQ(*child.DefaultAttributesFor(u"Edit"), u"height=\"30\"");
  child.RemoveAllDefaultAttributes();
  EXPECT_EQ(child.DefaultAttributesFor(u"Button"), nullptr);
}

}  // namespace
}  // namespace Kesto
