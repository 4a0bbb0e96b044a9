// The manager's shared tables: fonts, images and default attribute lists,
// with the parent resource manager as fallback.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "controls/Render.h"
#include "platform/base/Unicode.h"
#include "stb_image_write.h"
#include "testsupport/SkinFolder.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

using testsupport::SkinFolder;
using testsupport::SolidPng;

TEST(UIManagerFontsTest, IndexOutsideTheListGivesTheDefaultFont) {
  UIManager manager;
  ASSERT_NE(manager.DefaultFont(), nullptr);
  EXPECT_EQ(manager.FontAt(-1), manager.DefaultFont());
  EXPECT_EQ(manager.FontAt(0), manager.DefaultFont());

  const FontInfo* first = manager.AddFontEntry(u"微软雅黑", 12, false, false, false);
  const FontInfo* second = manager.AddFontEntry(u"微软雅黑", 14, true, true, false);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(manager.FontCount(), 2u);
  EXPECT_EQ(manager.FontAt(0), first);
  EXPECT_EQ(manager.FontAt(1), second);
  EXPECT_EQ(manager.FontAt(2), manager.DefaultFont());
  EXPECT_EQ(manager.FontAt(-1), manager.DefaultFont());

  EXPECT_EQ(second->size, 14);
  EXPECT_TRUE(second->bold);
  EXPECT_TRUE(second->underline);
  EXPECT_FALSE(second->italic);
  ASSERT_NE(second->Handle(), nullptr);
  EXPECT_EQ(second->Handle()->Size(), 14);
  EXPECT_TRUE(second->Handle()->Bold());
}

TEST(UIManagerFontsTest, MetricsComeFromTheRealFont) {
  UIManager manager;
  const FontInfo* small = manager.AddFontEntry(u"Tahoma", 10, false, false, false);
  const FontInfo* large = manager.AddFontEntry(u"Tahoma", 30, false, false, false);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_GT(small->Metrics().height, 0);
  EXPECT_GT(large->Metrics().height, small->Metrics().height);
  EXPECT_EQ(small->Metrics().height, small->Metrics().ascent + small->Metrics().descent);
  EXPECT_GT(manager.DefaultFont()->Metrics().height, 0);
}

TEST(UIManagerFontsTest, FaceNamesKeepAtMost31Characters) {
  UIManager manager;
  const std::u16string longFace(40, u'x');
  const FontInfo* font = manager.AddFontEntry(longFace, 12, false, false, false);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->faceName, std::u16string(31, u'x'));
  // The description lookup compares the stored (shortened) name.
  EXPECT_EQ(manager.FontOrAdd(longFace, 12, false, false, false), font);
  EXPECT_EQ(manager.FontCount(), 1u);
}

TEST(UIManagerFontsTest, SetDefaultFontReplacesTheDefaultOnly) {
  UIManager manager;
  const FontInfo* listed = manager.AddFontEntry(u"Tahoma", 12, false, false, false);
  const FontInfo* def = manager.SetDefaultFontEntry(u"Arial", 16, true, false, true);
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(manager.DefaultFont(), def);
  EXPECT_EQ(def->faceName, u"Arial");
  EXPECT_EQ(def->size, 16);
  EXPECT_TRUE(def->italic);
  EXPECT_EQ(manager.FontCount(), 1u);
  EXPECT_EQ(manager.FontAt(0), listed);
  EXPECT_EQ(manager.FontAt(5), def);
}

TEST(UIManagerFontsTest, LookupsFallBackToTheParentResourceManager) {
  UIManager parent;
  UIManager child;
  const FontInfo* parentFont = parent.AddFontEntry(u"Tahoma", 18, false, false, false);
  const FontInfo* childFont = child.AddFontEntry(u"Tahoma", 11, false, false, false);
  ASSERT_TRUE(child.SetParentResourceManager(&parent));

  EXPECT_EQ(child.FindFont(childFont->Handle()), childFont);
  EXPECT_EQ(child.FindFont(parentFont->Handle()), parentFont);
  EXPECT_EQ(child.FindFont(parent.DefaultFont()->Handle()), parent.DefaultFont());
  // A handle nobody knows, or none at all, gives this manager's default font.
  os::Font stranger(u"Tahoma", 9);
  EXPECT_EQ(child.FindFont(&stranger), child.DefaultFont());
  EXPECT_EQ(child.FindFont(static_cast<const os::Font*>(nullptr)), child.DefaultFont());

  // By description: all five properties must agree.
  EXPECT_EQ(child.FindFont(u"Tahoma", 18, false, false, false), parentFont);
  EXPECT_EQ(child.FindFont(u"Tahoma", 18, true, false, false), nullptr);
  EXPECT_EQ(child.FindFont(u"Tahoma", 18, false, true, false), nullptr);
  EXPECT_EQ(child.FindFont(u"Tahoma", 18, false, false, true), nullptr);
  EXPECT_EQ(parent.FindFont(u"Tahoma", 11, false, false, false), nullptr);

  // The renderer's get-or-make adds to the child only on a miss anywhere.
  EXPECT_EQ(child.FontOrAdd(u"Tahoma", 18, false, false, false), parentFont);
  const FontInfo* made = child.FontOrAdd(u"Tahoma", 18, true, false, false);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(child.FontCount(), 2u);
  EXPECT_EQ(parent.FontCount(), 1u);
}

TEST(UIManagerFontsTest, ParentChainThatLoopsIsRefused) {
  UIManager a, b, c;
  EXPECT_TRUE(b.SetParentResourceManager(&a));
  EXPECT_TRUE(c.SetParentResourceManager(&b));
  EXPECT_FALSE(a.SetParentResourceManager(&c));
  EXPECT_FALSE(a.SetParentResourceManager(&a));
  EXPECT_EQ(a.ParentResourceManager(), nullptr);
  // A lookup that misses everywhere ends.
  EXPECT_EQ(c.FindFont(u"none", 1, false, false, false), nullptr);
  EXPECT_EQ(c.DefaultAttributesFor(u"Button"), nullptr);
}

TEST(UIManagerDefaultsTest, FirstListPerTagStaysAndParentIsConsulted) {
  UIManager parent;
  UIManager child;
  ASSERT_TRUE(child.SetParentResourceManager(&parent));
  EXPECT_TRUE(child.AddDefaultAttributes(u"Button", u"text=\"A\""));
  EXPECT_FALSE(child.AddDefaultAttributes(u"Button", u"text=\"B\""));
  ASSERT_NE(child.DefaultAttributesFor(u"Button"), nullptr);
  EXPECT_EQ(*child.DefaultAttributesFor(u"Button"), u"text=\"A\"");

  parent.AddDefaultAttributes(u"Edit", u"font=\"1\"");
  ASSERT_NE(child.DefaultAttributesFor(u"Edit"), nullptr);
  EXPECT_EQ(*child.DefaultAttributesFor(u"Edit"), u"font=\"1\"");
  EXPECT_EQ(child.DefaultAttributesFor(u"button"), nullptr);
  child.RemoveAllDefaultAttributes();
  EXPECT_EQ(child.DefaultAttributesFor(u"Button"), nullptr);
}

TEST(UIManagerImagesTest, AddFindAndLoadOnMiss) {
  SkinFolder skin;
  skin.Write("red.png", SolidPng(3, 2, 0xFF0000));
  skin.Write("blue.png", SolidPng(5, 4, 0x0000FF));
  UIManager manager;

  const ImageInfo* red = manager.AddImageEntry(u"red.png", u"", 0xFFFF00FF);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->width, 3);
  EXPECT_EQ(red->height, 2);
  EXPECT_EQ(red->mask, 0xFFFF00FFu);
  EXPECT_EQ(manager.FindImage(u"red.png"), red);

  // A name that is taken keeps its image; the new load is dropped.
  EXPECT_EQ(manager.AddImageEntry(u"red.png"), nullptr);
  EXPECT_EQ(manager.FindImage(u"red.png"), red);

  EXPECT_EQ(manager.FindImage(u"blue.png"), nullptr);
  const ImageInfo* blue = manager.ImageOrLoad(u"blue.png");
  ASSERT_NE(blue, nullptr);
  EXPECT_EQ(blue->width, 5);
  EXPECT_EQ(manager.ImageOrLoad(u"blue.png"), blue);

  EXPECT_EQ(manager.AddImageEntry(u"missing.png"), nullptr);
  EXPECT_EQ(manager.ImageOrLoad(u"missing.png"), nullptr);
  EXPECT_EQ(manager.AddImageEntry(u""), nullptr);
  // A typed image is named by a resource number.
  EXPECT_EQ(manager.AddImageEntry(u"red.png", u"PNG"), nullptr);

  EXPECT_TRUE(manager.RemoveImage(u"red.png"));
  EXPECT_EQ(manager.FindImage(u"red.png"), nullptr);
}

TEST(UIManagerImagesTest, ChildFindsParentImagesButLoadsIntoItself) {
  SkinFolder skin;
  skin.Write("a.png", SolidPng(2, 2, 0x00FF00));
  skin.Write("b.png", SolidPng(1, 1, 0x00FF00));
  UIManager parent;
  UIManager child;
  ASSERT_TRUE(child.SetParentResourceManager(&parent));
  const ImageInfo* a = parent.AddImageEntry(u"a.png");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(child.FindImage(u"a.png"), a);
  EXPECT_EQ(child.ImageOrLoad(u"a.png"), a);
  ASSERT_NE(child.ImageOrLoad(u"b.png"), nullptr);
  EXPECT_EQ(parent.FindImage(u"b.png"), nullptr);
}

}  // namespace
}  // namespace Kesto
