// How Pango resolves the faces skins name on Windows: the installed face of
// the same kind, and a fallback face for characters the face lacks.
#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/Text.h"

// After the platform headers: GLib defines TRUE and FALSE as macros.
#include <pango/pangocairo.h>

namespace os {
namespace {

int UnknownGlyphs(const Font& font, const std::string& utf8) {
  PangoLayout* layout = pango_layout_new(font.Context());
  pango_layout_set_font_description(layout, font.Description());
  pango_layout_set_text(layout, utf8.c_str(), -1);
  const int unknown = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  return unknown;
}

TEST(FontTest, WindowsFacesResolveToInstalledFacesOfTheirKind) {
  EXPECT_EQ(Font(u"微软雅黑", 12).ResolvedFamily(), "WenQuanYi Micro Hei");
  EXPECT_EQ(Font(u"宋体", 12).ResolvedFamily(), "WenQuanYi Micro Hei");
  EXPECT_EQ(Font(u"Microsoft YaHei", 12).ResolvedFamily(), "WenQuanYi Micro Hei");
  EXPECT_EQ(Font(u"Tahoma", 12).ResolvedFamily(), "DejaVu Sans");
  EXPECT_EQ(Font(u"Courier New", 12).ResolvedFamily(), "DejaVu Sans Mono");
  EXPECT_EQ(Font(u"No Such Face 123", 12).ResolvedFamily(), "DejaVu Sans");
  EXPECT_EQ(Font(u"", 12).ResolvedFamily(), "DejaVu Sans");
  // An installed face is used as named.
  EXPECT_EQ(Font(u"DejaVu Serif", 12).ResolvedFamily(), "DejaVu Serif");
}

TEST(FontTest, MissingGlyphsComeFromAFallbackFace) {
  const std::string mixed = "登录 Login 注册 — ©";
  EXPECT_EQ(UnknownGlyphs(Font(u"Tahoma", 14), mixed), 0);
  EXPECT_EQ(UnknownGlyphs(Font(u"微软雅黑", 14), mixed), 0);
  EXPECT_EQ(UnknownGlyphs(Font(u"No Such Face", 14), mixed), 0);
}

}  // namespace
}  // namespace os
