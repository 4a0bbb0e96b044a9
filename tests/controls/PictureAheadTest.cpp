// Pictures decoded ahead on a worker thread: the renderer takes exactly the
// picture it would have decoded, once, and only for the same bytes and mask.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "testsupport/PngPictures.h"
#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "Core/ZipBuilder.h"
#include "controls/PictureAhead.h"
#include "controls/Render.h"
#include "platform/window/Resource.h"

namespace {

using Kesto::ImageInfo;
using Kesto::PictureAhead;
using Kesto::Renderer;

// A picture with half-transparent and opaque pixels of many colours.
std::string Picture() {
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < 23; ++y) {
    for (int x = 0; x < 37; ++x) {
      rgba.insert(rgba.end(),
                  {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 11),
                   static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>((x + y) % 3 ? 255 : 90)});
    }
  }
  return testsupport::EncodePng(37, 23, rgba.data());
}

void ExpectSamePicture(const ImageInfo& got, const ImageInfo& want) {
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  EXPECT_EQ(got.alphaChannel, want.alphaChannel);
  EXPECT_EQ(got.mask, want.mask);
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x)
      ASSERT_EQ(got.bitmap.Pixel(x, y), want.bitmap.Pixel(x, y)) << x << "," << y;
}

class PictureAheadTest : public ::testing::TestWithParam<os::DWORD> {
 protected:
  void SetUp() override { PictureAhead::Discard(); }
  void TearDown() override { PictureAhead::Discard(); }
};

// Without a mask, and with the premultiplied colour of pixel (1, 0) as mask.
TEST_P(PictureAheadTest, TheRendererTakesThePictureItWouldHaveDecoded) {
  const std::string bytes = Picture();
  const std::unique_ptr<ImageInfo> onTheSpot = Renderer::DecodeImage(bytes, GetParam());
  ASSERT_NE(onTheSpot, nullptr);
  PictureAhead::Start(bytes, GetParam());
  ASSERT_EQ(PictureAhead::Pending(), 1u);
  const std::unique_ptr<ImageInfo> taken = Renderer::LoadImageFromBytes(bytes, GetParam());
  EXPECT_EQ(PictureAhead::Pending(), 0u) << "the renderer decoded the bytes itself";
  ASSERT_NE(taken, nullptr);
  ExpectSamePicture(*taken, *onTheSpot);
}

INSTANTIATE_TEST_SUITE_P(Masks, PictureAheadTest, ::testing::Values(0u, 0xFF070001u));

TEST_F(PictureAheadTest, APictureIsTakenOnceAndOnlyForItsBytesAndMask) {
  const std::string bytes = Picture();
  PictureAhead::Start(bytes);
  PictureAhead::Start(bytes);
  EXPECT_EQ(PictureAhead::Pending(), 1u) << "the same bytes twice start one worker";
  std::unique_ptr<ImageInfo> picture;
  EXPECT_FALSE(PictureAhead::Take(bytes, 0xFF000000u, picture)) << "another mask";
  EXPECT_FALSE(PictureAhead::Take(bytes.substr(0, bytes.size() - 1), 0, picture)) << "other bytes";
  EXPECT_FALSE(PictureAhead::Take(testsupport::SolidPng(37, 23, 0x102030), 0, picture)) << "other bytes";
  EXPECT_EQ(picture, nullptr);
  EXPECT_TRUE(PictureAhead::Take(bytes, 0, picture));
  EXPECT_NE(picture, nullptr);
  picture.reset();
  EXPECT_FALSE(PictureAhead::Take(bytes, 0, picture)) << "taken twice";
  EXPECT_EQ(picture, nullptr);
}

// Bytes that do not decode give no picture ahead either, and waiting
// pictures can be dropped.
TEST_F(PictureAheadTest, UndecodableBytesGiveNoPictureAndDiscardDropsTheRest) {
  const std::string broken = Picture().substr(0, 60);
  PictureAhead::Start(broken);
  PictureAhead::Start("");
  EXPECT_EQ(PictureAhead::Pending(), 1u) << "nothing to decode in no bytes";
  EXPECT_EQ(Renderer::LoadImageFromBytes(broken, 0), nullptr);
  EXPECT_EQ(PictureAhead::Pending(), 0u);
  PictureAhead::Start(Picture());
  PictureAhead::Start(testsupport::SolidPng(4, 4, 0xFFFFFF));
  EXPECT_EQ(PictureAhead::Pending(), 2u);
  PictureAhead::Discard();
  EXPECT_EQ(PictureAhead::Pending(), 0u);
  EXPECT_NE(Renderer::LoadImageFromBytes(Picture(), 0), nullptr) << "decoded on the spot after a discard";
}

// A window's archive in the program's resources, its entry found by name
// whatever its letter case, as the window's own lookups find it.
TEST_F(PictureAheadTest, ArchiveEntriesOfResourcesAreStartedAndTakenByTheirBytes) {
  static const std::string archive =
      ziptest::Builder().Add("calvera.xml", "<Window/>").Add("BG.PNG", Picture()).Build();
  os::RegisterResource(nullptr, 64998, u"ZIPRES", archive.data(), archive.size());
  Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  EXPECT_FALSE(PictureAhead::StartArchiveEntry(64999, u"bg.png")) << "no such resource";
  EXPECT_FALSE(PictureAhead::StartArchiveEntry(64998, u"bg_hover.png")) << "no such entry";
  EXPECT_EQ(PictureAhead::Pending(), 0u);
  ASSERT_TRUE(PictureAhead::StartArchiveEntry(64998, u"bg.png"));
  EXPECT_EQ(PictureAhead::Pending(), 1u);
  // While it waits, the same entry is not read again: with its archive gone
  // it is still reported started.
  os::UnregisterResource(nullptr, 64998, u"ZIPRES");
  EXPECT_TRUE(PictureAhead::StartArchiveEntry(64998, u"Bg.PNG"));
  EXPECT_FALSE(PictureAhead::StartArchiveEntry(64998, u"bg.png", 0xFF000000u)) << "another mask reads again";
  EXPECT_EQ(PictureAhead::Pending(), 1u);
  EXPECT_NE(Renderer::LoadImageFromBytes(Picture(), 0), nullptr);
  EXPECT_EQ(PictureAhead::Pending(), 0u);
  EXPECT_FALSE(PictureAhead::StartArchiveEntry(64998, u"bg.png")) << "taken: read again, and gone";
}

// A list of entries goes to one worker: each picture is taken by its entry
// as it would have been decoded; an entry the archive lacks is left out, one
// already waiting is not started again, and one that does not decode gives
// no picture without keeping the others from theirs.
TEST_F(PictureAheadTest, AListOfEntriesIsDecodedInOneGoAndTakenOneByOne) {
  const std::string small = testsupport::SolidPng(3, 2, 0x336699);
  static const std::string archive = ziptest::Builder()
                                         .Add("bg.png", Picture())
                                         .Add("btn.png", small)
                                         .Add("broken.png", "not a picture")
                                         .Build();
  os::RegisterResource(nullptr, 64996, u"ZIPRES", archive.data(), archive.size());
  Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  ASSERT_TRUE(PictureAhead::StartArchiveEntry(64996, u"bg.png"));
  const std::vector<Kesto::ArchivePicture> wanted{
      {u"bg.png", 0}, {u"missing.png", 0}, {u"btn.png", 0}, {u"broken.png", 0}, {u"btn.png", 0xFF336699u}};
  EXPECT_EQ(PictureAhead::StartArchiveEntries(64996, wanted), 4u) << "all but the missing one wait";
  EXPECT_EQ(PictureAhead::Pending(), 4u);

  auto take = [](std::u16string_view name, os::DWORD mask) {
    std::unique_ptr<ImageInfo> picture;
    const std::optional<Kesto::MemoryArchiveEntry> entry = Kesto::FindResourceArchiveEntry(64996, name);
    EXPECT_TRUE(entry.has_value());
    EXPECT_TRUE(entry && PictureAhead::TakeArchiveEntry(*entry, mask, picture)) << "not waiting";
    return picture;
  };
  const std::unique_ptr<ImageInfo> masked = take(u"btn.png", 0xFF336699u);
  ASSERT_NE(masked, nullptr);
  ExpectSamePicture(*masked, *Renderer::DecodeImage(small, 0xFF336699u));
  EXPECT_EQ(take(u"broken.png", 0), nullptr);
  const std::unique_ptr<ImageInfo> button = take(u"btn.png", 0);
  ASSERT_NE(button, nullptr);
  ExpectSamePicture(*button, *Renderer::DecodeImage(small, 0));
  const std::unique_ptr<ImageInfo> background = take(u"bg.png", 0);
  ASSERT_NE(background, nullptr);
  ExpectSamePicture(*background, *Renderer::DecodeImage(Picture(), 0));
  EXPECT_EQ(PictureAhead::Pending(), 0u);

  // Dropped before they are taken: Discard waits for the worker.
  EXPECT_EQ(PictureAhead::StartArchiveEntries(64996, wanted), 4u);
  PictureAhead::Discard();
  EXPECT_EQ(PictureAhead::Pending(), 0u);
  os::UnregisterResource(nullptr, 64996, u"ZIPRES");
}

// A window whose skin archive is that resource, held in memory, takes the
// picture by its entry when it paints, without reading the entry again; an
// archive of the same bytes elsewhere in memory is another archive.
TEST_F(PictureAheadTest, TheWindowsArchiveInMemoryTakesThePictureByItsEntry) {
  static const std::string archive = ziptest::Builder().Add("BG.PNG", Picture()).Add("a.xml", "<W/>").Build();
  os::RegisterResource(nullptr, 64997, u"ZIPRES", archive.data(), archive.size());
  Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  const std::optional<Kesto::MemoryArchiveEntry> entry = Kesto::FindResourceArchiveEntry(64997, u"bg.png");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->entrySize, Picture().size());
  EXPECT_FALSE(Kesto::FindResourceArchiveEntry(64997, u"bg_hover.png").has_value());
  Kesto::UIManager::SetSkinArchiveBuffer(entry->data, entry->size);

  const std::optional<Kesto::MemoryArchiveEntry> painted = Kesto::SkinArchiveEntryOf(u"Bg.Png", u"");
  ASSERT_TRUE(painted.has_value());
  EXPECT_TRUE(painted->SameEntry(*entry));
  EXPECT_FALSE(Kesto::SkinArchiveEntryOf(u"bg.png", u"PNG").has_value()) << "a type names a resource";
  EXPECT_FALSE(Kesto::SkinArchiveEntryOf(u"none.png", u"").has_value());

  ASSERT_TRUE(PictureAhead::StartArchiveEntry(64997, u"BG.png"));
  const std::unique_ptr<ImageInfo> taken = Renderer::LoadImage(u"bg.PNG", u"", 0);
  EXPECT_EQ(PictureAhead::Pending(), 0u);
  ASSERT_NE(taken, nullptr);
  ExpectSamePicture(*taken, *Renderer::DecodeImage(Picture(), 0));

  const std::string elsewhere = archive;
  Kesto::UIManager::SetSkinArchiveBuffer(elsewhere.data(), elsewhere.size());
  ASSERT_TRUE(PictureAhead::StartArchiveEntry(64997, u"bg.png"));
  std::unique_ptr<ImageInfo> picture;
  EXPECT_FALSE(PictureAhead::TakeArchiveEntry(*Kesto::SkinArchiveEntryOf(u"bg.png", u""), 0, picture));
  EXPECT_FALSE(PictureAhead::TakeArchiveEntry(*entry, 0xFF000000u, picture)) << "another mask";
  EXPECT_EQ(PictureAhead::Pending(), 1u);
  EXPECT_TRUE(PictureAhead::TakeArchiveEntry(*entry, 0, picture));
  EXPECT_NE(picture, nullptr);
  EXPECT_FALSE(PictureAhead::TakeArchiveEntry(*entry, 0, picture)) << "taken twice";

  Kesto::UIManager::SetSkinArchive(u"", false);
  os::UnregisterResource(nullptr, 64997, u"ZIPRES");
}

}  // namespace
