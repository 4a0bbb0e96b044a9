// The rich edit control in a skinned headless window: typing through the
// manager's message filter, its filter rule, Enter and Tab, notifications,
// the tip, the caret, scroll bars and the input method's composition window,
// and nonsense attribute values.
#include <gtest/gtest.h>

#include "SkinHarness.h"
#include "controls/RichEdit.h"
#include "controls/ScrollBar.h"
#include "platform/syscontrols/Ime.h"
#include "platform/window/Clipboard.h"
#include "platform/window/MessageQueue.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

constexpr char16_t kSkin[] =
    uR"(<Window size="300,300">
  <Font name="Courier New" size="16"/>
  <Container name="root" bkcolor="#FFFFFFFF">
    <RichEdit name="note" float="true" pos="10,10,210,110" font="0" textcolor="#FF000000" textpadding="4,4,4,4"
              tipvalue="type here" tipvaluecolor="#FFFF0000" vscrollbar="true" autovscroll="true"/>
    <RichEdit name="line" float="true" pos="10,130,210,160" font="0" multiline="false" autohscroll="true"/>
    <RichEdit name="chat" float="true" pos="10,170,210,230" font="0" wantreturn="false" wanttab="false"/>
    <Button name="after" float="true" pos="220,10,290,40"/>
  </Container>
</Window>)";

class RichEditTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Load(kSkin)); }
  CRichEditUI* Edit(std::u16string_view name) { return window.Find<CRichEditUI>(name, u"RichEdit"); }
  void Type(std::u16string_view text) {
    os::inject::Text(text);
    SkinWindow::Pump();
  }
  void Press(os::UINT vk, os::UINT modifier = 0) {
    if (modifier != 0) os::inject::KeyDown(modifier);
    os::inject::KeyPress(vk);
    if (modifier != 0) os::inject::KeyUp(modifier);
    SkinWindow::Pump();
  }
  bool Filter(CRichEditUI* edit, os::UINT message, os::WPARAM wParam = 0, os::LPARAM lParam = 0) {
    bool handled = false;
    edit->MessageHandler(message, wParam, lParam, handled);
    return handled;
  }

  SkinWindow window;
};

TEST_F(RichEditTest, ClickTypeAndNotify) {
  CRichEditUI* note = Edit(u"note");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->GetClass(), u"RichEditUI");
  window.Click(50, 30);
  EXPECT_EQ(window.manager.Focus(), note);
  Type(u"hello");
  Press(os::VK_RETURN);
  Type(u"world");
  EXPECT_EQ(note->GetText(), u"hello\rworld");
  EXPECT_EQ(window.Count(u"textchanged"), 11);
  EXPECT_EQ(window.Count(u"return"), 0);
  // The caret sits where the text says, and blinks with the manager's timer.
  const os::POINT caret = note->GetTextServices().PosFromChar(note->GetTextServices().Caret());
  EXPECT_EQ(window.manager.CaretOwner(), note);
  EXPECT_EQ(window.manager.CaretRect().left, caret.x);
  const bool shown = window.manager.IsCaretShown();
  os::headless::Advance(os::GetCaretBlinkTime());
  EXPECT_NE(window.manager.IsCaretShown(), shown);

  CRichEditUI* chat = Edit(u"chat");
  window.Click(50, 200);
  Type(u"hi");
  Press(os::VK_RETURN);
  EXPECT_EQ(chat->GetText(), u"hi");
  EXPECT_EQ(window.Count(u"return"), 1);
  EXPECT_EQ(window.Last(u"return")->sender, chat);
  Press(os::VK_RETURN, os::VK_CONTROL);  // wantctrlreturn stays on
  EXPECT_EQ(chat->GetText(), u"hi\r");

  CRichEditUI* line = Edit(u"line");
  window.Click(50, 145);
  Type(u"one");
  Press(os::VK_RETURN, os::VK_CONTROL);
  EXPECT_EQ(line->GetText(), u"one");  // a single line never takes Enter
  EXPECT_EQ(window.Count(u"return"), 2);
}

TEST_F(RichEditTest, TabIsTypedOnlyWhenWanted) {
  CRichEditUI* note = Edit(u"note");
  window.Click(50, 30);
  Press(os::VK_TAB);
  EXPECT_EQ(note->GetText(), u"\t");
  EXPECT_EQ(window.manager.Focus(), note);
  window.Click(50, 200);
  Press(os::VK_TAB);
  EXPECT_EQ(Edit(u"chat")->GetText(), u"");
  EXPECT_EQ(window.manager.Focus(), window.Find(u"after"));
}

TEST_F(RichEditTest, FilterTakesMessagesOnlyAsTheRuleSays) {
  CRichEditUI* note = Edit(u"note");
  window.Click(50, 30);
  const os::LPARAM over = os::MAKELPARAM(50 + 100, 30 + 100);  // wheel points are on the screen
  EXPECT_TRUE(Filter(note, os::WM_KEYDOWN, os::VK_LEFT));
  EXPECT_TRUE(Filter(note, os::WM_MOUSEWHEEL, os::MAKEWPARAM(os::MK_CONTROL, 120), over));
  EXPECT_FALSE(Filter(note, os::WM_MOUSEWHEEL, os::MAKEWPARAM(0, 120), over));
  EXPECT_FALSE(Filter(Edit(u"chat"), os::WM_KEYDOWN, os::VK_LEFT));  // not focused

  note->SetMouseEnabled(false);
  EXPECT_FALSE(Filter(note, os::WM_MOUSEWHEEL, os::MAKEWPARAM(os::MK_CONTROL, 120), over));
  EXPECT_TRUE(Filter(note, os::WM_KEYDOWN, os::VK_LEFT));
  note->SetMouseEnabled(true);
  note->SetEnabled(false);
  EXPECT_FALSE(Filter(note, os::WM_KEYDOWN, os::VK_LEFT));
  note->SetEnabled(true);
  note->SetVisible(false);
  EXPECT_FALSE(Filter(note, os::WM_KEYDOWN, os::VK_LEFT));
  EXPECT_FALSE(Filter(note, os::WM_MOUSEWHEEL, os::MAKEWPARAM(os::MK_CONTROL, 120), over));
}

TEST_F(RichEditTest, ScrollBarsShowTheTextsRange) {
  CRichEditUI* note = Edit(u"note");
  CScrollBarUI* bar = note->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->IsVisible());
  note->SetText(u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10");
  SkinWindow::Pump();
  os::TextServices& text = note->GetTextServices();
  const os::RECT view = note->GetTextRect();
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), text.ContentSize().cy - (view.bottom - view.top));
  EXPECT_LE(view.right, bar->GetPos().left);
  // The bar moves the text, and a caret moved out of view brings it back.
  note->SetScrollPos(os::SIZE{0, 40});
  EXPECT_EQ(text.ScrollPos().y, 40);
  EXPECT_EQ(bar->GetScrollPos(), 40);
  window.Click(50, 30);
  Press(os::VK_END, os::VK_CONTROL);
  EXPECT_EQ(bar->GetScrollPos(), bar->GetScrollRange());
  // A plain wheel scrolls through the container; Ctrl+wheel is the text's own.
  window.MoveTo(50, 50);
  os::inject::Wheel(120);
  SkinWindow::Pump();
  EXPECT_LT(bar->GetScrollPos(), bar->GetScrollRange());
  note->SetText(u"");
  SkinWindow::Pump();
  EXPECT_FALSE(bar->IsVisible());
}

TEST_F(RichEditTest, TipShowsWhileEmptyAndUnfocused) {
  const os::RECT area{14, 14, 206, 40};
  const auto red = [&] {
    return window.CountIf(area,
                          [](std::uint32_t p) { return (p >> 16 & 0xFF) > 160 && (p >> 8 & 0xFF) < 100; });
  };
  const auto dark = [&] {
    return window.CountIf(area, [](std::uint32_t p) { return (p >> 16 & 0xFF) < 100 && (p & 0xFF) < 100; });
  };
  window.Click(250, 20);  // the window gave the first tab stop the focus
  EXPECT_GT(red(), 10);
  window.Click(50, 30);
  EXPECT_EQ(red(), 0);
  Type(u"ab");
  EXPECT_GT(dark(), 10);  // the text in its colour
  window.Click(250, 20);
  EXPECT_EQ(red(), 0);  // not empty: no tip
  EXPECT_GT(dark(), 10);
}

TEST_F(RichEditTest, CompositionWindowFollowsTheCaret) {
  CRichEditUI* note = Edit(u"note");
  window.Click(50, 30);
  Type(u"ab");
  const os::HIMC context = os::ImmGetContext(window.hwnd);
  os::SendMessage(window.hwnd, os::WM_IME_STARTCOMPOSITION, 0, 0);
  os::ImmSetCompositionString(context, os::GCS_COMPSTR, u"ni");
  os::SendMessage(window.hwnd, os::WM_IME_COMPOSITION, 0, os::GCS_COMPSTR);
  EXPECT_EQ(note->GetText(), u"abni");
  os::COMPOSITIONFORM form;
  ASSERT_TRUE(os::ImmGetCompositionWindow(context, &form));
  // At the caret, which now stands after the composition.
  EXPECT_EQ(form.ptCurrentPos, note->GetTextServices().PosFromChar(4));
  EXPECT_GT(form.ptCurrentPos.x, note->GetTextServices().PosFromChar(2).x);
  os::ImmSetCompositionString(context, os::GCS_RESULTSTR, u"你");
  os::SendMessage(window.hwnd, os::WM_IME_COMPOSITION, 0, os::GCS_RESULTSTR);
  os::SendMessage(window.hwnd, os::WM_IME_ENDCOMPOSITION, 0, 0);
  EXPECT_EQ(note->GetText(), u"ab你");
}

TEST_F(RichEditTest, ClipboardAndPasswordThroughTheControl) {
  CRichEditUI* line = Edit(u"line");
  window.Click(50, 145);
  os::SetClipboardText(u"pasted\r\nsecond");
  Press('V', os::VK_CONTROL);
  EXPECT_EQ(line->GetText(), u"pasted");  // one line takes the first line
  line->SetPasswordMode(true);
  line->SetSelAll();
  Press('C', os::VK_CONTROL);
  EXPECT_EQ(os::GetClipboardText(), u"pasted\r\nsecond");
}

TEST_F(RichEditTest, AttributesAndNonsenseValues) {
  CRichEditUI* e = Edit(u"line");
  e->SetAttribute(u"maxchar", u"12");
  EXPECT_EQ(e->GetLimitText(), 12);
  for (const char16_t* bad : {u"-5", u"abc", u"0", u"", u"99999999999999999999"}) {
    e->SetAttribute(u"maxchar", bad);
    EXPECT_GT(e->GetLimitText(), 0) << std::u16string(bad).size();
  }
  e->SetAttribute(u"maxchar", u"0");
  EXPECT_EQ(e->GetLimitText(), os::kTextServicesDefaultLimit);
  e->SetAttribute(u"align", u"right");
  EXPECT_EQ(e->GetAlign(), os::TxAlign::Right);
  e->SetAttribute(u"align", u"sideways");
  EXPECT_EQ(e->GetAlign(), os::TxAlign::Right);  // nonsense changes nothing
  e->SetAttribute(u"multiline", u"TRUE");
  EXPECT_FALSE(e->IsMultiLine());  // only the exact "true" is true
  e->SetAttribute(u"readonly", u"true");
  e->SetAttribute(u"password", u"true");
  e->SetAttribute(u"wanttab", u"false");
  e->SetAttribute(u"rich", u"false");
  EXPECT_TRUE(e->IsReadOnly());
  EXPECT_TRUE(e->IsPasswordMode());
  EXPECT_FALSE(e->IsWantTab());
  EXPECT_FALSE(e->IsRich());
  e->SetAttribute(u"hscrollbar", u"true");
  EXPECT_NE(e->GetHorizontalScrollBar(), nullptr);
  EXPECT_TRUE(e->GetScrollStyle() & os::WS_HSCROLL);
  e->SetAttribute(u"font", u"nonsense");    // the first font
  e->SetAttribute(u"font", u"-7");          // the default font
  e->SetAttribute(u"textpadding", u"x,y");  // zeros
  e->SetAttribute(u"textcolor", u"#zz");
  e->SetAttribute(u"normalimage", u"missing.png");
  e->SetText(u"\xD800 still \xDFFF fine");
  SkinWindow::Pump();
  EXPECT_EQ(e->GetText(), u"\uFFFD still \uFFFD fine");
  e->SetSel(-10, 1000);
  EXPECT_EQ(e->GetTextServices().SelEnd(), 14);
  EXPECT_FALSE(e->Redo());
}

}  // namespace
}  // namespace Kesto
