#include <gtest/gtest.h>

#include <cstdlib>

#include "RenderFakes.h"
#include "controls/Render.h"
#include "testsupport/Pixels.h"

namespace Kesto {
namespace {

using os::Bitmap;
using os::Canvas;
using rendertest::FakeResources;
using rendertest::MakeImage;
using rendertest::Rgba;
using rendertest::Solid;

constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr DWORD kYellow = 0xFFFFFF00, kCyan = 0xFF00FFFF;

using testsupport::CountPixels;

TEST(LoadImageTest, PremultipliesTranslucentPixelsAndKeepsOpaqueOnes) {
  auto image = MakeImage(3, 1, [](int x, int) {
    if (x == 0) return Rgba{200, 100, 50, 128};
    if (x == 1) return Rgba{200, 100, 50, 255};
    return Rgba{255, 255, 255, 0};
  });
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 1);
  EXPECT_TRUE(image->alphaChannel);
  // 200·128/255 = 100.4 and 100·128/255 = 50.2, truncated; 50·128/255 = 25.1.
  EXPECT_EQ(image->bitmap.Pixel(0, 0), 0x80643219u);
  EXPECT_EQ(image->bitmap.Pixel(1, 0), 0xFFC86432u);
  EXPECT_EQ(image->bitmap.Pixel(2, 0), 0u);

  auto opaque = MakeImage(2, 2, [](int, int) { return Solid(0x123456); });
  ASSERT_TRUE(opaque);
  EXPECT_FALSE(opaque->alphaChannel);
}

TEST(LoadImageTest, MaskColourBecomesTransparent) {
  auto image = MakeImage(
      2, 1, [](int x, int) { return x == 0 ? Solid(0xFF00FF) : Solid(0x00FF00); }, 0xFFFF00FF);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->bitmap.Pixel(0, 0), 0u);
  EXPECT_EQ(image->bitmap.Pixel(1, 0), kGreen);
  EXPECT_TRUE(image->alphaChannel);
  EXPECT_EQ(image->mask, 0xFFFF00FFu);

  // The mask is compared with the stored (premultiplied) value.
  auto translucent = MakeImage(
      1, 1,
      [](int, int) {
        return Rgba{200, 0, 0, 128};
      },
      0x80640000);
  EXPECT_EQ(translucent->bitmap.Pixel(0, 0), 0u);

  // A mask without alpha matches no opaque pixel.
  auto untouched = MakeImage(
      1, 1, [](int, int) { return Solid(0xFF00FF); }, 0x00FF00FF);
  EXPECT_EQ(untouched->bitmap.Pixel(0, 0), 0xFFFF00FFu);
  EXPECT_FALSE(untouched->alphaChannel);
}

TEST(LoadImageTest, UndecodableBytesGiveNoImage) {
  EXPECT_EQ(Renderer::LoadImageFromBytes("", 0), nullptr);
  EXPECT_EQ(Renderer::LoadImageFromBytes("not a picture at all", 0), nullptr);
  std::string png = rendertest::EncodePng(4, 4, std::vector<Rgba>(16, Solid(0)));
  EXPECT_EQ(Renderer::LoadImageFromBytes(png.substr(0, png.size() / 2), 0), nullptr);
}

// A 9×9 picture cut 3/3/3 each way: each of the nine pieces has its own
// colour, and the top-left and bottom-right corners carry a white marker
// pixel at their outer corner.
std::unique_ptr<ImageInfo> NineGridImage(std::uint8_t alpha = 255) {
  return MakeImage(9, 9, [alpha](int x, int y) {
    if ((x == 0 && y == 0) || (x == 8 && y == 8)) return Rgba{255, 255, 255, alpha};
    const int col = x / 3, row = y / 3;
    if (col == 1 && row == 1) return Rgba{0, 0, 255, alpha};  // centre
    if (col == 1 || row == 1) return Rgba{0, 255, 0, alpha};  // edges
    return Rgba{255, 0, 0, alpha};                            // corners
  });
}

TEST(DrawImageTest, NineGridKeepsCornersAndStretchesTheRest) {
  auto image = NineGridImage();
  for (bool alpha : {false, true}) {
    Bitmap b(40, 30);
    Canvas c(b);
    const RECT dest{5, 5, 35, 25};
    Renderer::DrawImage(c, image->bitmap, dest, RECT{0, 0, 40, 30}, RECT{0, 0, 9, 9}, RECT{3, 3, 3, 3},
                        alpha);
    SCOPED_TRACE(alpha ? "blended" : "copied");
    // Corners 1:1, markers where the picture has them.
    EXPECT_EQ(b.Pixel(5, 5), kWhite);
    EXPECT_EQ(b.Pixel(6, 6), kRed);
    EXPECT_EQ(b.Pixel(34, 24), kWhite);
    EXPECT_EQ(b.Pixel(33, 23), kRed);
    EXPECT_EQ(CountPixels(b, RECT{32, 5, 35, 8}, kRed), 9);
    // The centre fills dest minus the corners entirely.
    EXPECT_EQ(CountPixels(b, RECT{8, 8, 32, 22}, kBlue), 24 * 14);
    // Edges stretch along one axis only.
    EXPECT_EQ(CountPixels(b, RECT{8, 5, 32, 8}, kGreen), 24 * 3);
    EXPECT_EQ(CountPixels(b, RECT{5, 8, 8, 22}, kGreen), 3 * 14);
    // Nothing outside dest.
    EXPECT_EQ(CountPixels(b, RECT{0, 0, 40, 5}, 0), 40 * 5);
    EXPECT_EQ(CountPixels(b, RECT{35, 0, 40, 30}, 0), 5 * 30);
  }
}

TEST(DrawImageTest, HoleLeavesTheCentreUntouched) {
  auto image = NineGridImage();
  Bitmap b(30, 30);
  b.Clear(kYellow);
  Canvas c(b);
  Renderer::DrawImage(c, image->bitmap, RECT{0, 0, 30, 30}, RECT{0, 0, 30, 30}, RECT{0, 0, 9, 9},
                      RECT{3, 3, 3, 3}, true, 255, /*hole=*/true);
  EXPECT_EQ(CountPixels(b, RECT{3, 3, 27, 27}, kYellow), 24 * 24);
  EXPECT_EQ(b.Pixel(1, 1), kRed);
  EXPECT_EQ(b.Pixel(15, 1), kGreen);
}

// A 6×1 picture whose centre (between 1-pixel sides) is cyan, cyan, yellow,
// yellow: tiling repeats that pattern.
TEST(DrawImageTest, TiledCentreRepeatsAndCropsTheLastTile) {
  auto strip = MakeImage(6, 6, [](int x, int y) {
    if (x == 0 || x == 5 || y == 0 || y == 5) return Solid(0xFF0000);
    return (x <= 2) == (y <= 2) ? Solid(0x00FFFF) : Solid(0xFFFF00);
  });
  // Centre of the source: 4×4, quadrants cyan/yellow/yellow/cyan.
  Bitmap b(23, 23);
  Canvas c(b);
  const RECT dest{0, 0, 23, 23};
  Renderer::DrawImage(c, strip->bitmap, dest, dest, RECT{0, 0, 6, 6}, RECT{1, 1, 1, 1}, false, 255, false,
                      true, true);
  // Centre dest 1..22: tiles of 4 starting at 1; the last (x 21..22) cropped
  // to 1 pixel of the source, which is cyan (first column of the tile).
  for (int tile = 0; tile < 5; ++tile) {
    const int x0 = 1 + tile * 4;
    EXPECT_EQ(b.Pixel(x0, 1), kCyan) << tile;
    EXPECT_EQ(b.Pixel(x0 + 2, 1), kYellow) << tile;
    EXPECT_EQ(b.Pixel(x0, 3), kYellow) << tile;
    EXPECT_EQ(b.Pixel(x0 + 2, 3), kCyan) << tile;
  }
  EXPECT_EQ(b.Pixel(21, 21), kCyan);
  EXPECT_EQ(b.Pixel(22, 22), kRed);  // the border is still drawn around it

  // Tiling along x only: columns repeat while each strip is stretched over
  // the full centre height.
  Bitmap h(23, 12);
  Canvas ch(h);
  Renderer::DrawImage(ch, strip->bitmap, RECT{0, 0, 23, 12}, RECT{0, 0, 23, 12}, RECT{0, 0, 6, 6},
                      RECT{1, 1, 1, 1}, true, 255, false, /*xtiled=*/true, false);
  EXPECT_EQ(h.Pixel(1, 1), kCyan);
  EXPECT_EQ(h.Pixel(5, 1), kCyan);
  EXPECT_EQ(h.Pixel(3, 1), kYellow);
  EXPECT_EQ(h.Pixel(1, 10), kYellow);  // lower half of a stretched strip

  Bitmap v(12, 23);
  Canvas cv(v);
  Renderer::DrawImage(cv, strip->bitmap, RECT{0, 0, 12, 23}, RECT{0, 0, 12, 23}, RECT{0, 0, 6, 6},
                      RECT{1, 1, 1, 1}, true, 255, false, false, /*ytiled=*/true);
  EXPECT_EQ(v.Pixel(1, 1), kCyan);
  EXPECT_EQ(v.Pixel(1, 5), kCyan);
  EXPECT_EQ(v.Pixel(1, 3), kYellow);
  EXPECT_EQ(v.Pixel(10, 1), kYellow);
}

TEST(DrawImageTest, FadeAndPaintRectangleLimitWhatIsDrawn) {
  auto white = MakeImage(4, 4, [](int, int) { return Solid(0xFFFFFF); });
  Bitmap b(8, 8);
  b.Clear(0xFF000000);
  Canvas c(b);
  Renderer::DrawImage(c, white->bitmap, RECT{0, 0, 8, 8}, RECT{0, 0, 4, 8}, RECT{0, 0, 4, 4}, RECT{}, false,
                      128);
  const DWORD half = b.Pixel(1, 1);
  EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), 128, 1);
  EXPECT_EQ(half >> 24, 0xFFu);
  EXPECT_EQ(b.Pixel(4, 1), 0xFF000000u);  // outside the paint rectangle

  // The 1:1 copy also copies only what meets the paint rectangle.
  Bitmap d(8, 8);
  Canvas cd(d);
  Renderer::DrawImage(cd, white->bitmap, RECT{2, 2, 6, 6}, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, RECT{}, false);
  EXPECT_EQ(CountPixels(d, RECT{0, 0, 8, 8}, kWhite), 4);
  EXPECT_EQ(CountPixels(d, RECT{2, 2, 4, 4}, kWhite), 4);
}

TEST(ParseDrawStringTest, PlainNamesAndKeyValueLists) {
  const RECT item{10, 20, 110, 70};
  auto plain = Renderer::ParseDrawString(item, u"bk.png");
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].name, u"bk.png");
  EXPECT_EQ(plain[0].dest, item);
  EXPECT_EQ(plain[0].fade, 255);

  // A name with spaces is still a plain name: no "=" ends the parse.
  EXPECT_EQ(Renderer::ParseDrawString(item, u"my picture.png")[0].name, u"my picture.png");

  auto full = Renderer::ParseDrawString(
      item,
      u"file='btn.png' source='0,0,30,20' corner='4,5,6,7' mask='#FFFF00FF' fade='128' hole='true' "
      u"xtiled='true' ytiled='false' restype=''");
  ASSERT_EQ(full.size(), 1u);
  const ImageDrawSettings& s = full[0];
  EXPECT_EQ(s.name, u"btn.png");
  EXPECT_EQ(s.source, (RECT{0, 0, 30, 20}));
  EXPECT_EQ(s.corner, (RECT{4, 5, 6, 7}));
  EXPECT_EQ(s.mask, 0xFFFF00FFu);
  EXPECT_EQ(s.fade, 128);
  EXPECT_TRUE(s.hole);
  EXPECT_TRUE(s.xtiled);
  EXPECT_FALSE(s.ytiled);
  EXPECT_EQ(s.resType, u"");  // empty values are skipped

  // Spaces around "=" are allowed; flags are true only for "true".
  auto spaced = Renderer::ParseDrawString(item, u"file = 'a.png' hole='TRUE' unknown='1' fade='999'");
  EXPECT_EQ(spaced[0].name, u"a.png");
  EXPECT_FALSE(spaced[0].hole);
  EXPECT_EQ(spaced[0].fade, 255);
}

TEST(ParseDrawStringTest, BadSeparatorsEndTheParse) {
  const RECT item{0, 0, 50, 50};
  // Anything but a single space after a closing quote ends the string.
  auto comma = Renderer::ParseDrawString(item, u"file='a.png',fade='10'");
  EXPECT_EQ(comma[0].name, u"a.png");
  EXPECT_EQ(comma[0].fade, 255);
  // Missing quote after "=".
  auto unquoted = Renderer::ParseDrawString(item, u"file='a.png' fade=10 hole='true'");
  EXPECT_EQ(unquoted[0].fade, 255);
  EXPECT_FALSE(unquoted[0].hole);
  // A value never closed is not taken, and the name stays the whole string.
  auto open = Renderer::ParseDrawString(item, u"file='a.png");
  EXPECT_EQ(open[0].name, u"file='a.png");
  // Two spaces: the second one starts an empty key that needs "=".
  auto twoSpaces = Renderer::ParseDrawString(item, u"file='a.png'  fade='10'");
  EXPECT_EQ(twoSpaces[0].fade, 10);
}

TEST(ParseDrawStringTest, SeveralFilesDrawInTurnWithTheSettingsSoFar) {
  const RECT item{0, 0, 100, 100};
  auto draws = Renderer::ParseDrawString(item, u"file='a.png' fade='100' file='b.png' corner='1,1,1,1'");
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].name, u"a.png");
  EXPECT_EQ(draws[0].fade, 100);
  EXPECT_EQ(draws[0].corner, RECT{});
  EXPECT_EQ(draws[1].name, u"b.png");
  EXPECT_EQ(draws[1].fade, 100);  // settings carry on
  EXPECT_EQ(draws[1].corner, (RECT{1, 1, 1, 1}));

  // "res" names an image without counting it; "restype" counts.
  auto res = Renderer::ParseDrawString(item, u"res='101' restype='PNG' res='102'");
  ASSERT_EQ(res.size(), 2u);
  EXPECT_EQ(res[0].name, u"101");
  EXPECT_EQ(res[0].resType, u"PNG");
  EXPECT_EQ(res[1].name, u"102");

  // The count restarts for the modify-string: its first "file" replaces the
  // image rather than drawing the one before.
  auto modified = Renderer::ParseDrawString(item, u"file='a.png'", u"file='b.png' fade='50'");
  ASSERT_EQ(modified.size(), 1u);
  EXPECT_EQ(modified[0].name, u"b.png");
  EXPECT_EQ(modified[0].fade, 50);
}

TEST(ParseDrawStringTest, DestIsRelativeToTheItemAndCappedByIt) {
  const RECT item{10, 20, 110, 70};
  auto d = Renderer::ParseDrawString(item, u"file='a.png' dest='5,5,500,500'");
  EXPECT_EQ(d[0].dest, (RECT{15, 25, 110, 70}));
  auto m = Renderer::ParseDrawString(item, u"a.png", u"dest='0,0,20,10'");
  EXPECT_EQ(m[0].name, u"a.png");
  EXPECT_EQ(m[0].dest, (RECT{10, 20, 30, 30}));
  // Missing numbers read as 0.
  auto partial = Renderer::ParseDrawString(item, u"file='a.png' dest='3'");
  EXPECT_EQ(partial[0].dest, (RECT{13, 20, 10, 20}));
}

TEST(DrawImageStringTest, DrawsEveryNamedImageAndReportsSuccessWithoutImages) {
  FakeResources res;
  res.images[u"red.png"] = MakeImage(2, 2, [](int, int) { return Solid(0xFF0000); });
  res.images[u"blue.png"] = MakeImage(2, 2, [](int, int) { return Solid(0x0000FF); });
  Bitmap b(40, 20);
  Canvas c(b);
  const RECT item{0, 0, 40, 20};
  EXPECT_TRUE(Renderer::DrawImageString(
      &c, &res, item, item, u"file='red.png' dest='0,0,20,20' file='blue.png' dest='20,0,40,20'"));
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 20, 20}, kRed), 400);
  EXPECT_EQ(CountPixels(b, RECT{20, 0, 40, 20}, kBlue), 400);

  // A plain name covers the whole item.
  Bitmap p(10, 10);
  Canvas cp(p);
  EXPECT_TRUE(Renderer::DrawImageString(&cp, &res, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, u"blue.png"));
  EXPECT_EQ(CountPixels(p, RECT{0, 0, 10, 10}, kBlue), 100);

  // A missing image still reports success and is asked for again next time.
  res.lookups.clear();
  EXPECT_TRUE(Renderer::DrawImageString(&cp, &res, item, item, u"missing.png"));
  EXPECT_TRUE(Renderer::DrawImageString(&cp, &res, item, item, u"file='missing.png' restype='PNG'"));
  EXPECT_EQ(res.lookups.size(), 3u);  // the restype first draws the file on its own

  EXPECT_FALSE(Renderer::DrawImageString(nullptr, &res, item, item, u"red.png"));
  EXPECT_FALSE(Renderer::DrawImageString(&c, static_cast<RenderResources*>(nullptr), item, item, u"red.png"));
}

TEST(DrawImageStringTest, SourceIsCappedAndInvisibleDrawsAreSkipped) {
  FakeResources res;
  // Left half green, right half blue.
  res.images[u"two.png"] =
      MakeImage(4, 2, [](int x, int) { return x < 2 ? Solid(0x00FF00) : Solid(0x0000FF); });
  ImageDrawSettings s;
  s.name = u"two.png";
  s.dest = RECT{0, 0, 8, 8};
  s.source = RECT{2, 0, 100, 100};  // beyond the picture: cut to 4×2
  Bitmap b(8, 8);
  Canvas c(b);
  EXPECT_TRUE(Renderer::DrawImageSettings(c, res, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, s));
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 8, 8}, kBlue), 64);

  Bitmap untouched(8, 8);
  Canvas cu(untouched);
  s.dest = RECT{20, 20, 30, 30};
  EXPECT_TRUE(Renderer::DrawImageSettings(cu, res, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, s));
  s.dest = RECT{0, 0, 8, 8};
  EXPECT_TRUE(Renderer::DrawImageSettings(cu, res, RECT{0, 0, 8, 8}, RECT{10, 10, 12, 12}, s));
  EXPECT_EQ(CountPixels(untouched, RECT{0, 0, 8, 8}, 0), 64);

  s.name.clear();
  EXPECT_FALSE(Renderer::DrawImageSettings(cu, res, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, s));
  s.name = u"none.png";
  EXPECT_FALSE(Renderer::DrawImageSettings(cu, res, RECT{0, 0, 8, 8}, RECT{0, 0, 8, 8}, s));
}

TEST(DrawImageStringTest, TransparentWindowsAlwaysBlend) {
  // A picture marked opaque whose pixel is in fact half transparent: copied,
  // it replaces the target; blended, the white target shows through.
  FakeResources res;
  auto image = std::make_unique<ImageInfo>();
  image->bitmap = Bitmap(2, 2);
  image->bitmap.Clear(0x80000080);
  image->width = image->height = 2;
  image->alphaChannel = false;
  res.images[u"odd.png"] = std::move(image);
  for (bool transparent : {false, true}) {
    res.transparent = transparent;
    Bitmap b(2, 2);
    b.Clear(kWhite);
    Canvas c(b);
    Renderer::DrawImageString(&c, &res, RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, u"odd.png");
    if (transparent) {
      EXPECT_EQ(b.Pixel(1, 1) >> 24, 0xFFu);
      EXPECT_NEAR(static_cast<int>((b.Pixel(1, 1) >> 16) & 0xFF), 127, 1);
    } else {
      EXPECT_EQ(b.Pixel(1, 1), 0x80000080u);
    }
  }
}

TEST(DrawColorTest, ColoursWithoutAlphaDrawNothing) {
  Bitmap b(4, 4);
  b.Clear(kWhite);
  Canvas c(b);
  Renderer::DrawColor(c, RECT{0, 0, 4, 4}, 0x00FF0000);
  EXPECT_EQ(b.Pixel(0, 0), kWhite);
  Renderer::DrawColor(c, RECT{0, 0, 2, 4}, 0x80000000);
  EXPECT_NEAR(static_cast<int>(b.Pixel(0, 0) & 0xFF), 127, 1);
  EXPECT_EQ(b.Pixel(3, 0), kWhite);
}

TEST(DrawGradientTest, BandsFollowTheStepRule) {
  // 7 steps → 4 bands of 10 pixels; band i (from the bottom) has each
  // channel (c2·(4 − i) + c1·i) >> 2.
  Bitmap b(2, 40);
  Canvas c(b);
  Renderer::DrawGradientBands(c, RECT{0, 0, 2, 40}, 0xFF000000, 0xFFFC0080, true, 7);
  const DWORD expected[4] = {0xFFFC0080, 0xFFBD0060, 0xFF7E0040, 0xFF3F0020};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(CountPixels(b, RECT{0, 40 - 10 * (i + 1), 2, 40 - 10 * i}, expected[i]), 20) << "band " << i;
  }

  // Horizontal: c2 on the right; 2 steps → 2 bands.
  Bitmap h(10, 1);
  Canvas ch(h);
  Renderer::DrawGradientBands(ch, RECT{0, 0, 10, 1}, 0xFF0000FF, 0xFFFF0000, false, 2);
  EXPECT_EQ(CountPixels(h, RECT{5, 0, 10, 1}, 0xFFFF0000), 5);
  EXPECT_EQ(CountPixels(h, RECT{0, 0, 5, 1}, 0xFF7F007F), 5);

  // 64 steps or more → 64 bands; bands are opaque whatever the colours say.
  Bitmap many(1, 64);
  Canvas cm(many);
  Renderer::DrawGradientBands(cm, RECT{0, 0, 1, 64}, 0x00000000, 0x00FFFFFF, true, 100);
  for (int y = 1; y < 64; ++y) EXPECT_NE(many.Pixel(0, y), many.Pixel(0, y - 1)) << y;
  EXPECT_EQ(many.Pixel(0, 0) >> 24, 0xFFu);
}

TEST(DrawGradientTest, SmoothGradientRunsBetweenTheColours) {
  Bitmap b(2, 100);
  Canvas c(b);
  Renderer::DrawGradient(c, RECT{0, 0, 2, 100}, 0xFF000000, 0xFFFFFFFF, true, 16);
  EXPECT_LT(b.Pixel(0, 0) & 0xFF, 8u);
  EXPECT_GT(b.Pixel(0, 99) & 0xFF, 247u);
  int distinct = 1;
  for (int y = 1; y < 100; ++y) {
    EXPECT_GE(b.Pixel(1, y) & 0xFF, b.Pixel(1, y - 1) & 0xFF);
    distinct += b.Pixel(1, y) != b.Pixel(1, y - 1);
  }
  EXPECT_GT(distinct, 64);  // smooth, not a handful of bands
}

TEST(DrawGradientTest, TranslucentGradientsBlendWithTheAverageAlpha) {
  Bitmap b(2, 8);
  b.Clear(kWhite);
  Canvas c(b);
  Renderer::DrawGradient(c, RECT{0, 0, 2, 8}, 0x00000000, 0x01000000, true, 4);  // average 0
  EXPECT_EQ(CountPixels(b, RECT{0, 0, 2, 8}, kWhite), 16);

  Renderer::DrawGradient(c, RECT{0, 0, 2, 8}, 0x40000000, 0xC0000000, true, 2);  // average 128
  EXPECT_NEAR(static_cast<int>(b.Pixel(0, 0) & 0xFF), 127, 1);
  EXPECT_EQ(b.Pixel(0, 0) >> 24, 0xFFu);

  // On a transparent target the result carries the average alpha.
  Bitmap t(2, 8);
  Canvas ct(t);
  Renderer::DrawGradient(ct, RECT{0, 0, 2, 8}, 0x40FF0000, 0xC0FF0000, true, 2);
  EXPECT_NEAR(static_cast<int>(t.Pixel(1, 4) >> 24), 128, 1);
}

TEST(AdjustColorTest, ShiftsHueScalesSaturationAndLightnessKeepingAlpha) {
  EXPECT_EQ(Renderer::AdjustColor(0x12345678, 180, 100, 100), 0x12345678u);
  EXPECT_EQ(Renderer::AdjustColor(0x80FF0000, 300, 100, 100), 0x8000FF00u);  // red + 120° = green
  EXPECT_EQ(Renderer::AdjustColor(0xFFFF0000, 60, 100, 100), 0xFF0000FFu);   // red − 120° = blue
  EXPECT_EQ(Renderer::AdjustColor(0xFFFF0000, 180, 0, 100), 0xFF808080u);    // no saturation: grey
  EXPECT_EQ(Renderer::AdjustColor(0x7F3366CC, 180, 100, 0), 0x7F000000u);    // no lightness: black
  EXPECT_EQ(Renderer::AdjustColor(0xFF808080, 180, 100, 200), 0xFFFFFFFFu);  // doubled and clamped
  // Greys have no hue to turn; a small turn of a colour stays close to it.
  EXPECT_EQ(Renderer::AdjustColor(0xFF808080, 300, 100, 100), 0xFF808080u);
  const DWORD near = Renderer::AdjustColor(0xFF3366CC, 181, 100, 100);
  EXPECT_NEAR(static_cast<int>(near & 0xFF), 0xCC, 2);
  EXPECT_NEAR(static_cast<int>((near >> 16) & 0xFF), 0x33, 6);
}

TEST(ClipTest, RecordsRestoreTheClipThatWasInForce) {
  Bitmap b(20, 20);
  Canvas c(b);
  {
    RenderClip clip;
    Renderer::GenerateClip(c, RECT{0, 0, 10, 10}, clip);
    EXPECT_EQ(clip.rect, (RECT{0, 0, 10, 10}));
    c.FillRect(RECT{0, 0, 20, 20}, kRed);
    EXPECT_EQ(CountPixels(b, RECT{0, 0, 20, 20}, kRed), 100);

    clip.UseOldClipBegin();
    c.FillRect(RECT{15, 15, 20, 20}, kGreen);  // the earlier, wider clip
    clip.UseOldClipEnd();
    c.FillRect(RECT{15, 0, 20, 5}, kBlue);  // clipped again
  }
  EXPECT_EQ(CountPixels(b, RECT{15, 15, 20, 20}, kGreen), 25);
  EXPECT_EQ(CountPixels(b, RECT{15, 0, 20, 5}, kBlue), 0);
  EXPECT_EQ(c.ClipDepth(), 0u);  // the record restored on destruction
  c.FillRect(RECT{15, 0, 20, 5}, kBlue);
  EXPECT_EQ(CountPixels(b, RECT{15, 0, 20, 5}, kBlue), 25);
}

TEST(ClipTest, RoundClipLeavesCornersOfTheItemUntouched) {
  Bitmap b(40, 40);
  Canvas c(b);
  RenderClip clip;
  Renderer::GenerateRoundClip(c, RECT{0, 0, 40, 30}, RECT{0, 0, 40, 40}, 20, 20, clip);
  c.FillRect(RECT{0, 0, 40, 40}, kRed);
  clip.Restore();
  EXPECT_EQ(b.Pixel(0, 0), 0u);
  EXPECT_EQ(b.Pixel(39, 0), 0u);
  EXPECT_EQ(b.Pixel(20, 0), kRed);
  EXPECT_EQ(b.Pixel(20, 29), kRed);
  EXPECT_EQ(b.Pixel(20, 30), 0u);  // beyond the paint rectangle
  EXPECT_EQ(c.ClipDepth(), 0u);
}

TEST(LineAndFrameTest, PensIgnoreTheAlphaByte) {
  Bitmap b(20, 20);
  Canvas c(b);
  Renderer::DrawLine(c, RECT{0, 2, 20, 2}, 1, 0x00FF0000);
  EXPECT_EQ(CountPixels(b, RECT{0, 2, 20, 3}, kRed), 20);
  Renderer::DrawRect(c, RECT{5, 5, 15, 15}, 1, 0x000000FF);
  EXPECT_EQ(b.Pixel(5, 5), kBlue);
  EXPECT_EQ(b.Pixel(14, 14), kBlue);
  EXPECT_EQ(b.Pixel(10, 10), 0u);
  Renderer::DrawRoundRect(c, RECT{0, 0, 20, 20}, 1, 10, 10, 0x1000FF00);
  EXPECT_EQ(b.Pixel(10, 0), kGreen);
  EXPECT_EQ(b.Pixel(0, 0), 0u);
}

}  // namespace
}  // namespace Kesto
