// The pictures a window's first frame draws, read from its skin, and started
// ahead for the thread that will paint them.
#include "Core/SkinPicturesAhead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Core/Markup.h"
#include "Core/UIManager.h"
#include "Core/ZipBuilder.h"
#include "controls/Render.h"
#include "platform/window/Resource.h"
#include "testsupport/PngPictures.h"

namespace Kesto {
namespace {

std::vector<std::u16string> Names(const std::vector<ArchivePicture>& pictures) {
  std::vector<std::u16string> names;
  for (const ArchivePicture& p : pictures) names.push_back(p.entry);
  return names;
}

std::vector<ArchivePicture> FirstPicturesOf(const std::string& markup) {
  MarkupDoc skin;
  EXPECT_TRUE(skin.LoadFromBytes(markup, MarkupEncoding::Utf8));
  return SkinFirstPictures(skin);
}

TEST(SkinFirstPictures, TheFirstStateOfWhatANewWindowShows) {
  const std::vector<ArchivePicture> pictures = FirstPicturesOf(R"(<Window size="10,10" bkimage="root.png">
  <Font name="a" size="12" />
  <VerticalLayout bkimage="bg.png">
    <Button normalimage="btn.png" hotimage="btn_hover.png" pushedimage="btn_click.png" />
    <Edit normalimage="file='edit.png' mask='#FFFF00FF' source='0,0,4,4'" focusedimage="edit_focus.png" />
    <Label foreimage="fore.png" disabledimage="gone.png" />
    <Button normalimage="btn.png" />
    <Button normalimage="res='7' restype='PNG'" />
    <Control visible="false" bkimage="hidden.png"><Button normalimage="inside_hidden.png" /></Control>
    <Control visible="true" bkimage="shown.png" />
    <TabLayout>
      <Control bkimage="page0.png" />
      <Control bkimage="page1.png" />
    </TabLayout>
    <TabLayout selectedid="1">
      <Control bkimage="other0.png" />
      <Control bkimage="other1.png" />
    </TabLayout>
  </VerticalLayout>
</Window>)");
  EXPECT_EQ(Names(pictures), (std::vector<std::u16string>{u"bg.png", u"btn.png", u"edit.png", u"fore.png",
                                                          u"shown.png", u"page0.png", u"other1.png"}));
  ASSERT_EQ(pictures.size(), 7u);
  EXPECT_EQ(pictures[2].mask, 0xFFFF00FFu) << "the mask the paint will decode with";
  EXPECT_EQ(pictures[1].mask, 0u);

  EXPECT_TRUE(FirstPicturesOf("<Window><Font name=\"a\" size=\"1\" /></Window>").empty());
}

TEST(SkinFirstPictures, StartedFromTheWindowsArchive) {
  UIManager::SetProcessInstance(os::ExecutableModule());
  PictureAhead::Discard();
  static const std::string archive =
      ziptest::Builder()
          .Add("skin.xml", R"(<Window><HorizontalLayout bkimage="bg.png"><Button normalimage="b.png" )"
                           R"(hotimage="b_hover.png" /><Button normalimage="absent.png" /></HorizontalLayout></Window>)")
          .Add("bg.png", testsupport::SolidPng(4, 3, 0x102030))
          .Add("b.png", testsupport::SolidPng(2, 2, 0x405060))
          .Add("b_hover.png", testsupport::SolidPng(2, 2, 0x708090))
          .Add("bad.xml", "<Window><Unclosed")
          .Build();
  os::RegisterResource(nullptr, 64995, u"ZIPRES", archive.data(), archive.size());
  EXPECT_EQ(StartSkinPicturesAhead(64995, u"nothing.xml"), 0u);
  EXPECT_EQ(StartSkinPicturesAhead(64995, u"bad.xml"), 0u);
  EXPECT_EQ(StartSkinPicturesAhead(64994, u"skin.xml"), 0u) << "no such archive";
  EXPECT_EQ(StartSkinPicturesAhead(64995, u"skin.xml"), 2u) << "the background and the button; absent.png is not there";
  std::unique_ptr<ImageInfo> picture;
  EXPECT_FALSE(PictureAhead::TakeArchiveEntry(*FindResourceArchiveEntry(64995, u"b_hover.png"), 0, picture));
  EXPECT_TRUE(PictureAhead::TakeArchiveEntry(*FindResourceArchiveEntry(64995, u"b.png"), 0, picture));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 2);
  EXPECT_EQ(StartSkinPicturesAhead(64995, u"skin.xml"), 2u) << "bg.png still waits, b.png again";
  PictureAhead::Discard();
  os::UnregisterResource(nullptr, 64995, u"ZIPRES");
  UIManager::SetProcessInstance(nullptr);
}

}  // namespace
}  // namespace Kesto
