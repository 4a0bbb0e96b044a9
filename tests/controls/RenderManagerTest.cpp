// The renderer working against a real manager: pictures found through the
// skin sources and cached by the manager, fonts from its table, its colours
// and window flags.
#include <gtest/gtest.h>

#include "Core/UIManager.h"
#include "RenderFakes.h"
#include "controls/Render.h"
#include "platform/window/Resource.h"
#include "testsupport/Pixels.h"
#include "testsupport/SkinFolder.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

using os::Bitmap;
using os::Canvas;
using rendertest::EncodePng;
using rendertest::Rgba;
using rendertest::Solid;

std::string SolidPng(std::uint32_t rgb, int size = 4) {
  return EncodePng(size, size, std::vector<Rgba>(size * size, Solid(rgb)));
}

using testsupport::CountPixels;
using testsupport::SkinFolder;

TEST(RenderManagerTest, PicturesComeFromTheSkinFolderOrAPathAndAreCachedByTheManager) {
  SkinFolder skin;
  skin.Write("red.png", SolidPng(0xFF0000));
  testsupport::TempDir elsewhere;
  testsupport::WriteFileBytes(elsewhere / "blue.png", SolidPng(0x0000FF, 3));

  std::unique_ptr<ImageInfo> red = Renderer::LoadImage(u"red.png", u"", 0);
  ASSERT_TRUE(red);
  EXPECT_EQ(red->width, 4);
  EXPECT_EQ(red->bitmap.Pixel(0, 0), 0xFFFF0000u);
  std::unique_ptr<ImageInfo> blue = Renderer::LoadImage((elsewhere / "blue.png").u16string(), u"", 0);
  ASSERT_TRUE(blue);
  EXPECT_EQ(blue->width, 3);
  EXPECT_EQ(Renderer::LoadImage(u"missing.png", u"", 0), nullptr);
  skin.Write("broken.png", "not a png");
  EXPECT_EQ(Renderer::LoadImage(u"broken.png", u"", 0), nullptr);

  UIManager manager;
  const ImageInfo* cached = manager.ImageOrLoad(u"red.png", u"", 0xFFFF0000);
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(cached->bitmap.Pixel(0, 0), 0u);  // the mask removed every pixel
  EXPECT_TRUE(cached->alphaChannel);
  EXPECT_EQ(manager.ImageOrLoad(u"red.png"), cached);
}

TEST(RenderManagerTest, DrawImageStringReadsTypedResources) {
  const std::string png = SolidPng(0x00FF00);
  os::RegisterResource(nullptr, 201, u"PNG", png.data(), png.size());
  UIManager manager;
  Bitmap b(10, 10);
  Canvas c(b);
  const RECT item{0, 0, 10, 10};
  EXPECT_TRUE(Renderer::DrawImageString(&c, &manager, item, item, u"res='201' restype='PNG'"));
  EXPECT_EQ(CountPixels(b, item, 0xFF00FF00), 100);
  ASSERT_NE(manager.FindImageEntry(u"201"), nullptr);
  EXPECT_EQ(manager.FindImageEntry(u"201")->type, u"PNG");
  os::UnregisterResource(nullptr, 201, u"PNG");

  EXPECT_TRUE(Renderer::DrawImageString(&c, &manager, item, item, u"nothing.png"));
  EXPECT_FALSE(Renderer::DrawImageString(&c, static_cast<UIManager*>(nullptr), item, item, u"x.png"));
  EXPECT_FALSE(Renderer::DrawImageString(nullptr, &manager, item, item, u"x.png"));
}

TEST(RenderManagerTest, WindowFlagsSelectTypographicText) {
  UIManager manager;
  manager.SetLayeredBackground(true);
  RECT typo{0, 0, 300, 50};
  Renderer::DrawText(nullptr, &manager, typo, u"Hello", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  manager.SetLayeredBackground(false);
  RECT gdi{0, 0, 300, 50};
  Renderer::DrawText(nullptr, &manager, gdi, u"Hello", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_EQ(typo.right, gdi.right + 1);
  manager.SetGdiplusText(true);
  RECT again{0, 0, 300, 50};
  Renderer::DrawText(nullptr, &manager, again, u"Hello", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_EQ(again, typo);
}

TEST(RenderManagerTest, FontsComeFromTheManagersTable) {
  UIManager manager;
  manager.AddFontEntry(u"微软雅黑", 24, false, false, false);
  RECT byDefault{0, 0, 500, 100}, byIndex{0, 0, 500, 100};
  Renderer::DrawText(nullptr, &manager, byDefault, u"登录游戏", 0, -1, os::DT_SINGLELINE | os::DT_CALCRECT);
  Renderer::DrawText(nullptr, &manager, byIndex, u"登录游戏", 0, 0, os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_GT(byDefault.right, 0);
  EXPECT_GT(byIndex.right, byDefault.right * 3 / 2);

  // Metrics of a record are measured by the drawing layer.
  const FontMetrics& m = manager.FontAt(0)->Metrics();
  EXPECT_GE(m.height, 24);
  EXPECT_EQ(m.height, m.ascent + m.descent);
  EXPECT_GT(m.aveCharWidth, 0);

  // The markup renderer creates the variants it needs in the table.
  const std::size_t before = manager.FontCount();
  RECT r{0, 0, 500, 100};
  Renderer::DrawHtmlText(nullptr, &manager, r, u"<b>bold</b> <f Tahoma 18 italic>x</f>", 0, nullptr, 0,
                         os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_EQ(manager.FontCount(), before + 2);
  ASSERT_NE(manager.FindFont(u"Tahoma", 18, false, false, true), nullptr);
  Renderer::DrawHtmlText(nullptr, &manager, r, u"<b>bold</b>", 0, nullptr, 0,
                         os::DT_SINGLELINE | os::DT_CALCRECT);
  EXPECT_EQ(manager.FontCount(), before + 2);  // found again, not added twice
}

TEST(RenderManagerTest, LinksUseTheManagersColoursAndMousePoint) {
  UIManager manager;
  manager.SetDefaultFontEntry(u"Tahoma", 20, false, false, false);  // stems wide enough for solid pixels
  manager.SetDefaultLinkFontColor(0xFF00FF00);
  manager.SetDefaultLinkHoverFontColor(0xFFFF0000);
  std::vector<HtmlLink> links;
  Bitmap b(200, 30);
  Canvas c(b);
  RECT r{0, 0, 200, 30};
  Renderer::DrawHtmlText(&c, &manager, r, u"<a go>HHHHH</a>", 0xFF000000, &links, 4, os::DT_SINGLELINE);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_GT(CountPixels(b, links[0].rect, 0xFF00FF00), 10);

  manager.SetLastMousePoint(POINT{links[0].rect.left + 2, links[0].rect.top + 2});
  Bitmap hb(200, 30);
  Canvas hc(hb);
  RECT hr{0, 0, 200, 30};
  Renderer::DrawHtmlText(&hc, &manager, hr, u"<a go>HHHHH</a>", 0xFF000000, &links, 4, os::DT_SINGLELINE);
  EXPECT_GT(CountPixels(hb, links[0].rect, 0xFFFF0000), 10);
  EXPECT_EQ(CountPixels(hb, links[0].rect, 0xFF00FF00), 0);

  links.push_back(HtmlLink{});
  RECT none{0, 0, 10, 10};
  Renderer::DrawHtmlText(&c, static_cast<UIManager*>(nullptr), none, u"<a x>y</a>", 0, &links, 4, 0);
  EXPECT_TRUE(links.empty());
}

}  // namespace
}  // namespace Kesto
