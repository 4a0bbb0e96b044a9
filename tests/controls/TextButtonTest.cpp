// Labels, text with links, buttons, options and check boxes in a headless
// window: what they paint in each state and what they report.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SkinHarness.h"
#include "controls/Button.h"
#include "controls/CheckBox.h"
#include "controls/Container.h"
#include "controls/Label.h"
#include "controls/Option.h"
#include "controls/Text.h"
#include "platform/gfx/Text.h"

namespace Kesto {
namespace {

using controltest::SkinFolder;
using controltest::SkinWindow;

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kYellow = 0xFFFFFF00;
constexpr std::uint32_t kGray = 0xFF808080;
constexpr std::uint32_t kCyan = 0xFF00FFFF;
constexpr std::uint32_t kMagenta = 0xFFFF00FF;

int Count(const SkinWindow& w, const RECT& r, std::uint32_t argb) { return w.CountPixels(r, argb); }

// ---------------------------------------------------------------------------
// Labels

constexpr char16_t kLabelSkin[] =
    uR"(<Window size="300,340">
  <Font name="Tahoma" size="28" bold="true"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Label name="left" height="40" font="0" text="HHHH" textcolor="#FFFF0000" align="left"/>
    <Label name="right" height="40" font="0" text="HHHH" textcolor="#FFFF0000" align="right"/>
    <Label name="padded" height="40" font="0" text="HHHH" textcolor="#FFFF0000" textpadding="150,0,0,0"/>
    <Label name="off" height="40" font="0" text="HHHH" textcolor="#FFFF0000" disabledtextcolor="#FF00FF00" enabled="false"/>
    <HorizontalLayout height="40">
      <Label name="auto" font="0" text="HH" autocalcwidth="true" textpadding="5,0,5,0"/>
      <Control name="after"/>
    </HorizontalLayout>
    <Label name="top" height="100" font="0" text="HHHH" textcolor="#FFFF0000" valign="top"/>
    <Label name="html" height="40" text="&lt;c #00FF00&gt;HHHH&lt;/c&gt;" textcolor="#FFFF0000" showhtml="true"/>
  </VerticalLayout></Window>)";

TEST(LabelTest, TextIsDrawnAlignedWithinItsPadding) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(kLabelSkin));
  // Left aligned: red ink on the left only.
  EXPECT_GT(Count(window, RECT{0, 0, 120, 40}, kRed), 50);
  EXPECT_EQ(window.CountOther(RECT{150, 0, 300, 40}, kWhite), 0);
  // Right aligned.
  EXPECT_EQ(window.CountOther(RECT{0, 40, 150, 80}, kWhite), 0);
  EXPECT_GT(Count(window, RECT{180, 40, 300, 80}, kRed), 50);
  // The padding keeps the text out of the first 150 pixels.
  EXPECT_EQ(window.CountOther(RECT{0, 80, 150, 120}, kWhite), 0);
  EXPECT_GT(Count(window, RECT{150, 80, 270, 120}, kRed), 50);
  // Disabled: the disabled colour only.
  EXPECT_GT(Count(window, RECT{0, 120, 300, 160}, kGreen), 50);
  EXPECT_EQ(Count(window, RECT{0, 120, 300, 160}, kRed), 0);
  // Top aligned in a tall label.
  EXPECT_GT(Count(window, RECT{0, 200, 300, 245}, kRed), 50);
  EXPECT_EQ(window.CountOther(RECT{0, 250, 300, 300}, kWhite), 0);
  // Markup: the tag colours the text and is not shown itself.
  EXPECT_EQ(window.Find(u"html")->GetText(), u"<c #00FF00>HHHH</c>");
  // The default font is small: its ink is blended, so count by hue.
  const RECT html{0, 300, 300, 340};
  const int greenish = window.CountIf(
      html, [](std::uint32_t p) { return (p >> 8 & 0xFF) == 0xFF && (p >> 16 & 0xFF) < 0x60; });
  const int reddish = window.CountIf(
      html, [](std::uint32_t p) { return (p >> 16 & 0xFF) == 0xFF && (p >> 8 & 0xFF) < 0x60; });
  EXPECT_GT(greenish, 20);
  EXPECT_EQ(reddish, 0);
}

TEST(LabelTest, AutoCalcWidthFollowsTheText) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(kLabelSkin));
  const os::Font& font = window.manager.FontAt(0)->PlatformFont();
  const int twoH = os::MeasureText(font, u"HH").cx;
  ASSERT_GT(twoH, 10);
  EXPECT_EQ(window.Find(u"auto")->GetPos(), (RECT{0, 160, twoH + 10, 200}));
  EXPECT_EQ(window.Find(u"after")->GetPos(), (RECT{twoH + 10, 160, 300, 200}));

  // A new text lays the row out again.
  window.Find(u"auto")->SetText(u"HHHH");
  SkinWindow::Pump();
  const int fourH = os::MeasureText(font, u"HHHH").cx;
  EXPECT_EQ(window.Find(u"auto")->GetPos(), (RECT{0, 160, fourH + 10, 200}));
}

TEST(LabelTest, AlignmentAttributesComposeTheTextStyle) {
  CLabelUI label;
  EXPECT_EQ(label.GetTextStyle(), 0x04u);
  // "right" drops single-line; "bottom" brings it back.
  label.SetAttribute(u"align", u"right");
  EXPECT_EQ(label.GetTextStyle(), 0x06u);
  label.SetAttribute(u"valign", u"bottom");
  EXPECT_EQ(label.GetTextStyle(), 0x2Au);
  label.SetAttribute(u"endellipsis", u"true");
  EXPECT_EQ(label.GetTextStyle(), 0x802Au);
  label.SetAttribute(u"endellipsis", u"yes");  // only "true" is true
  EXPECT_EQ(label.GetTextStyle(), 0x2Au);
  label.SetAttribute(u"align", u"center");
  label.SetAttribute(u"valign", u"top");
  EXPECT_EQ(label.GetTextStyle(), 0x21u);

  CButtonUI button;
  EXPECT_EQ(button.GetTextStyle(), 0x25u);
  button.SetAttribute(u"align", u"left");
  EXPECT_EQ(button.GetTextStyle(), 0x04u);
  button.SetAttribute(u"multiline", u"true");
  EXPECT_EQ(button.GetTextStyle(), 0x14u);
  button.SetAttribute(u"multiline", u"false");
  EXPECT_EQ(button.GetTextStyle(), 0x24u);
}

TEST(LabelTest, EffectTextIsKeptButNotPainted) {
  SkinWindow window;
  ASSERT_TRUE(window.Load(kLabelSkin));
  auto* label = window.Find<CLabelUI>(u"left", u"Label");
  ASSERT_NE(label, nullptr);
  label->SetAttribute(u"enabledeffect", u"true");
  label->SetAttribute(u"strokecolor", u"#FF123456");
  label->SetText(u"shadowed");
  EXPECT_EQ(label->GetText(), u"shadowed");
  EXPECT_EQ(label->GetTextEffects().strokeColor, 0xFF123456u);
  label->Invalidate();
  SkinWindow::Pump();
  EXPECT_EQ(window.CountOther(RECT{0, 0, 300, 40}, kWhite), 0);
}

// ---------------------------------------------------------------------------
// Buttons

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Solid("normal.png", 0xFF0000);
    folder_.Solid("hot.png", 0x00FF00);
    folder_.Solid("pushed.png", 0x0000FF);
    folder_.Solid("focused.png", 0xFFFF00);
    folder_.Solid("disabled.png", 0x808080);
    folder_.Solid("fore.png", 0xFF00FF);
    folder_.Solid("hotfore.png", 0x00FFFF);
    ASSERT_TRUE(
        window_.Load(uR"(<Window size="300,200">
      <Font name="Tahoma" size="28" bold="true"/>
      <VerticalLayout bkcolor="#FFFFFFFF">
        <HorizontalLayout height="40">
          <Button name="b" width="100" normalimage="normal.png" hotimage="hot.png" pushedimage="pushed.png"
                  focusedimage="focused.png" disabledimage="disabled.png"
                  hotforeimage="file='hotfore.png' dest='90,30,100,40'"/>
          <Button name="plain" width="100" normalimage="normal.png"/>
          <Button name="fill" width="100" normalimage="normal.png" hotbkcolor="#FF00FFFF"
                  foreimage="file='fore.png' dest='0,0,10,10'"/>
        </HorizontalLayout>
        <Button name="texty" height="40" font="0" text="HHHH" textcolor="#FFFF0000" hottextcolor="#FF00FF00"
                pushedtextcolor="#FF0000FF" focusedtextcolor="#FFFFFF00"/>
        <Control name="space"/>
      </VerticalLayout></Window>)"));
  }

  std::uint32_t Centre(int x0) const { return window_.Pixel(x0 + 50, 20); }

  SkinFolder folder_;
  SkinWindow window_;
};

TEST_F(ButtonTest, StateImagesFollowThePointerAndTheFocus) {
  // The window starts with the focus on its first tab stop.
  EXPECT_EQ(window_.manager.Focus(), window_.Find(u"b"));
  EXPECT_EQ(Centre(0), kYellow);
  window_.Find(u"space")->SetFocus();
  SkinWindow::Pump();
  EXPECT_EQ(Centre(0), kRed);
  window_.MoveTo(50, 20);
  EXPECT_EQ(Centre(0), kGreen);
  EXPECT_EQ(window_.Pixel(95, 35), kCyan);  // the hot fore image over the hot one
  window_.Down();
  EXPECT_EQ(Centre(0), kBlue);
  // Dragged off: neither pushed nor hot any more, but focused.
  window_.MoveTo(50, 150);
  EXPECT_EQ(Centre(0), kYellow);
  window_.MoveTo(50, 20);
  EXPECT_EQ(Centre(0), kBlue);
  window_.MoveTo(50, 150);
  window_.Up();
  EXPECT_EQ(window_.Count(u"click"), 0);  // released outside
  EXPECT_EQ(Centre(0), kYellow);
  EXPECT_EQ(window_.Pixel(95, 35), kYellow);

  window_.Click(50, 20);
  EXPECT_EQ(window_.Count(u"click"), 1);
  EXPECT_EQ(window_.Last(u"click")->sender, window_.Find(u"b"));
  EXPECT_EQ(Centre(0), kGreen);  // hot comes before focused

  window_.Find(u"b")->SetEnabled(false);
  SkinWindow::Pump();
  EXPECT_EQ(Centre(0), kGray);
  EXPECT_EQ(static_cast<CButtonUI*>(window_.Find(u"b"))->GetButtonState() &
                (UIState::Hot | UIState::Pushed | UIState::Captured),
            0u);
  window_.Click(50, 20);
  EXPECT_EQ(window_.Count(u"click"), 1);
}

TEST_F(ButtonTest, MissingStateImagesFallBackToTheNormalOneOrTheHotColour) {
  window_.MoveTo(150, 20);
  window_.Down();
  EXPECT_NE(static_cast<CButtonUI*>(window_.Find(u"plain"))->GetButtonState() & UIState::Pushed, 0u);
  EXPECT_EQ(Centre(100), kRed);
  window_.Up();
  EXPECT_EQ(window_.Count(u"click"), 1);

  EXPECT_EQ(window_.Pixel(202, 2), kMagenta);  // fore image over the normal one
  EXPECT_EQ(Centre(200), kRed);
  window_.MoveTo(250, 20);
  // The hot colour and nothing else.
  EXPECT_EQ(Centre(200), kCyan);
  EXPECT_EQ(window_.Pixel(202, 2), kCyan);
}

TEST_F(ButtonTest, TextColourFollowsTheState) {
  const RECT text{0, 40, 300, 80};
  window_.Find(u"texty")->SetFocus();
  SkinWindow::Pump();
  EXPECT_GT(Count(window_, text, kYellow), 50);
  EXPECT_EQ(Count(window_, text, kRed), 0);
  window_.MoveTo(150, 60);
  EXPECT_GT(Count(window_, text, kGreen), 50);
  window_.Down();
  EXPECT_GT(Count(window_, text, kBlue), 50);
  EXPECT_EQ(Count(window_, text, kGreen), 0);
  window_.Up();
  window_.MoveTo(150, 150);
  window_.Find(u"space")->SetFocus();
  SkinWindow::Pump();
  EXPECT_GT(Count(window_, text, kRed), 50);
  EXPECT_EQ(Count(window_, text, kYellow), 0);
}

TEST_F(ButtonTest, SpaceAndEnterActivateTheFocusedButton) {
  CControlUI* b = window_.Find(u"b");
  EXPECT_EQ(b->GetControlFlags(), ControlFlag::TabStop | ControlFlag::SetCursor);
  b->SetFocus();
  window_.Key(os::VK_SPACE);
  window_.Key(os::VK_RETURN);
  window_.Key('A');
  EXPECT_EQ(window_.Count(u"click"), 2);
  b->SetKeyboardEnabled(false);
  window_.Key(os::VK_SPACE);
  EXPECT_EQ(window_.Count(u"click"), 2);
  EXPECT_EQ(b->GetControlFlags(), ControlFlag::SetCursor);

  window_.MoveTo(50, 20);
  EXPECT_EQ(os::CursorShapeOf(os::GetCursor()), os::CursorShape::Hand);
}

// ---------------------------------------------------------------------------
// Options and check boxes

class OptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Solid("normal.png", 0xFF0000);
    folder_.Solid("selected.png", 0x0000FF);
    ASSERT_TRUE(
        window_.Load(uR"(<Window size="200,200">
      <VerticalLayout bkcolor="#FFFFFFFF">
        <Option name="a" group="g" selected="true" height="30" normalimage="normal.png" selectedimage="selected.png"/>
        <Option name="b" group="g" height="30" normalimage="normal.png" selectedimage="selected.png"/>
        <Option name="c" group="g" height="30" normalimage="normal.png" selectedbkcolor="#FF00FFFF"/>
        <CheckBox name="check" height="30" normalimage="normal.png" selectedimage="selected.png"/>
      </VerticalLayout></Window>)"));
    window_.recorder.messages.clear();
  }

  COptionUI* Option(std::u16string_view name) { return window_.Find<COptionUI>(name, u"Option"); }
  std::vector<std::u16string> Reports() const {
    std::vector<std::u16string> out;
    for (const NotifyMsg& m : window_.recorder.messages) {
      if (m.type == u"click" || m.type == u"selectchanged")
        out.push_back(m.type + u":" + m.sender->GetName());
    }
    return out;
  }

  SkinFolder folder_;
  SkinWindow window_;
};

TEST_F(OptionTest, SelectingOneOptionOfAGroupDeselectsTheOthers) {
  EXPECT_TRUE(Option(u"a")->IsSelected());
  EXPECT_EQ(window_.Pixel(100, 15), kBlue);
  EXPECT_EQ(window_.Pixel(100, 45), kRed);

  window_.Click(100, 45);
  EXPECT_EQ(Reports(), (std::vector<std::u16string>{u"click:b", u"selectchanged:b"}));
  EXPECT_FALSE(Option(u"a")->IsSelected());
  EXPECT_TRUE(Option(u"b")->IsSelected());
  EXPECT_EQ(window_.Pixel(100, 15), kRed);
  EXPECT_EQ(window_.Pixel(100, 45), kBlue);

  // Clicking the selected one reports the selection again.
  window_.Click(100, 45);
  EXPECT_EQ(window_.Count(u"selectchanged"), 2);
  EXPECT_TRUE(Option(u"b")->IsSelected());

  // Without a selected image the selected colour fills the option.
  window_.Click(100, 75);
  EXPECT_TRUE(Option(u"c")->IsSelected());
  EXPECT_FALSE(Option(u"b")->IsSelected());
  EXPECT_EQ(window_.Pixel(100, 75), kCyan);
  EXPECT_EQ(window_.Pixel(100, 45), kRed);
}

TEST_F(OptionTest, AnOptionLeavesItsGroupWhenItGoesOrChangesGroup) {
  auto* list = static_cast<CContainerUI*>(window_.root->GetInterface(u"Container"));
  list->SetDelayedDestroy(false);
  ASSERT_TRUE(list->Remove(Option(u"b")));
  ASSERT_NE(window_.manager.OptionGroup(u"g"), nullptr);
  EXPECT_EQ(window_.manager.OptionGroup(u"g")->size(), 2u);
  Option(u"c")->Selected(true);  // walks the group: must not meet the deleted option
  EXPECT_FALSE(Option(u"a")->IsSelected());

  Option(u"a")->SetGroup(u"other");
  EXPECT_EQ(window_.manager.OptionGroup(u"g")->size(), 1u);
  Option(u"a")->Selected(true);
  EXPECT_TRUE(Option(u"c")->IsSelected());

  // Disabling keeps only the selection in the state.
  Option(u"a")->SetEnabled(false);
  EXPECT_EQ(Option(u"a")->GetButtonState(), UIState::Selected);
}

TEST_F(OptionTest, DeselectingInAGroupSaysNothingButAloneItReportsEitherWay) {
  Option(u"a")->Selected(false);
  EXPECT_EQ(window_.Count(u"selectchanged"), 0);
  Option(u"a")->SetGroup(u"");
  EXPECT_EQ(window_.Count(u"selectchanged"), 1);  // re-applied outside the group
  Option(u"a")->Selected(false);
  EXPECT_EQ(window_.Count(u"selectchanged"), 2);
}

TEST_F(OptionTest, ACheckBoxTogglesOnEveryClick) {
  CControlUI* check = window_.Find(u"check");
  EXPECT_EQ(check->GetClass(), u"CheckBoxUI");
  auto* box = static_cast<CCheckBoxUI*>(check->GetInterface(u"Option"));
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->IsChecked());
  window_.Click(100, 105);
  EXPECT_TRUE(box->IsChecked());
  EXPECT_EQ(window_.Pixel(100, 105), kBlue);
  window_.Click(100, 105);
  EXPECT_FALSE(box->IsChecked());
  EXPECT_EQ(window_.Pixel(100, 105), kRed);
  EXPECT_EQ(Reports(), (std::vector<std::u16string>{u"click:check", u"selectchanged:check", u"click:check",
                                                    u"selectchanged:check"}));
  // The group's options are untouched.
  EXPECT_TRUE(Option(u"a")->IsSelected());
}

// ---------------------------------------------------------------------------
// Text with links

TEST(TextTest, ClickingALinkReportsItsIndex) {
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="300,100">
    <VerticalLayout bkcolor="#FFFFFFFF">
      <Text name="links" height="40" showhtml="true"/>
      <Text name="plain" height="40" text="no links here"/>
    </VerticalLayout></Window>)"));
  auto* text = window.Find<CTextUI>(u"links", u"Text");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetControlFlags(), 0u);
  text->SetText(u"Go <a home>HHHH</a> or <a shop>HHHH</a>");
  SkinWindow::Pump();
  ASSERT_EQ(text->GetLinkCount(), 2);
  EXPECT_EQ(text->GetLinkContent(1), u"shop");
  EXPECT_EQ(text->GetLinkContent(2), u"");
  EXPECT_EQ(text->GetControlFlags(), ControlFlag::SetCursor);

  const RECT home = text->GetLinkRect(0);
  const RECT shop = text->GetLinkRect(1);
  ASSERT_FALSE(rect::IsEmpty(home));
  EXPECT_GT(shop.left, home.right);
  const int y = (home.top + home.bottom) / 2;

  // Hovering a link marks it and shows the hand.
  window.MoveTo(shop.left + 2, y);
  EXPECT_EQ(text->GetHoverLink(), 1);
  EXPECT_EQ(os::CursorShapeOf(os::GetCursor()), os::CursorShape::Hand);
  window.MoveTo(home.left + 2, y);
  EXPECT_EQ(text->GetHoverLink(), 0);
  window.MoveTo(2, y);  // over "Go"
  EXPECT_EQ(text->GetHoverLink(), -1);
  EXPECT_EQ(os::CursorShapeOf(os::GetCursor()), os::CursorShape::Arrow);

  window.Click(shop.left + 2, y);
  window.Click(2, y);
  window.Click(home.right - 2, y);
  ASSERT_EQ(window.Count(u"link"), 2);
  EXPECT_EQ(window.recorder.messages.back().type, u"link");
  EXPECT_EQ(window.recorder.messages.back().wParam, 0u);
  EXPECT_EQ(window.recorder.messages.back().sender, text);
  const NotifyMsg* first = nullptr;
  for (const NotifyMsg& m : window.recorder.messages) {
    if (m.type == u"link" && first == nullptr) first = &m;
  }
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->wParam, 1u);

  // Without text there are no links left to click.
  text->SetText(u"");
  SkinWindow::Pump();
  EXPECT_EQ(text->GetLinkCount(), 0);
  window.Click(shop.left + 2, y);
  EXPECT_EQ(window.Count(u"link"), 2);
  EXPECT_EQ(window.Find(u"plain")->GetControlFlags(), 0u);
}

}  // namespace
}  // namespace Kesto
