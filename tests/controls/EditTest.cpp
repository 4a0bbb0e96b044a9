// The edit control in a skinned headless window: the native edit window it
// opens on focus and click, typing and the notifications it gives, Enter and
// Tab, password masking, read-only fields, colours, closing on focus loss,
// the layered-window popup, and how the control paints tip, text and state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "Core/WindowImplBase.h"
#include "controls/Container.h"
#include "controls/Edit.h"
#include "platform/gfx/Canvas.h"
#include "platform/headless/Headless.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/Input.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

constexpr char16_t kOpaqueSkin[] =
    uR"(<Window size="400,300">
  <Container name="root" bkcolor="#FFFFFFFF">
    <Edit name="user" float="true" pos="20,20,220,60" textpadding="10,0,10,0" tipvalue="name"/>
    <Edit name="pass" float="true" pos="20,80,220,110" password="true" passwordchar="#"/>
    <Edit name="ro" float="true" pos="20,130,220,160" readonly="true" text="fixed"/>
    <Edit name="off" float="true" pos="20,170,220,200" enabled="false"/>
    <Edit name="colored" float="true" pos="20,210,220,240" nativebkcolor="#FF102030" nativetextcolor="#FFAABBCC"/>
    <Button name="ok" float="true" pos="250,20,300,60"/>
  </Container>
</Window>)";

constexpr char16_t kLayeredSkin[] =
    uR"(<Window size="400,300" bktrans="true">
  <Container name="root" bkcolor="#FFFFFFFF">
    <Edit name="user" float="true" pos="20,20,220,60"/>
    <Edit name="pass" float="true" pos="20,80,220,110" password="true"/>
  </Container>
</Window>)";

// A window whose skin is the text it is given; it records notifications.
class EditWindow : public WindowImplBase {
 public:
  explicit EditWindow(const char16_t* skin) : skin_(skin) {}
  std::u16string_view GetWindowClassName() const override { return u"KestoEditTestWindow"; }
  std::u16string GetSkinFolder() override { return u""; }
  std::u16string GetSkinFile() override { return skin_; }
  void Notify(NotifyMsg& msg) override {
    if (msg.type != u"setfocus" && msg.type != u"killfocus" && msg.type != u"windowinit") {
      const std::u16string name = msg.sender ? msg.sender->GetName() : u"";
      notes.push_back(std::string(msg.type.begin(), msg.type.end()) + ":" +
                      std::string(name.begin(), name.end()));
    }
    WindowImplBase::Notify(msg);
  }
  CEditUI* Edit(std::u16string_view name) {
    return static_cast<CEditUI*>(GetManager().FindControlByName(name)->GetInterface(u"Edit"));
  }
  os::POINT Screen(int x, int y) const {
    os::POINT p{x, y};
    os::ClientToScreen(GetHWND(), &p);
    return p;
  }
  std::vector<std::string> notes;

 private:
  const char16_t* skin_;
};

int Pump() {
  return os::headless::Pump([](os::MSG& msg) { return UIManager::TranslateForManagers(&msg); });
}

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::headless::Reset();
    UIManager::SetSkinArchive(u"", false);
    UIManager::SetSkinRoot(u"");
  }
  void TearDown() override {
    os::headless::Reset();
    UIManager::SetSkinRoot(u"");
  }
  // Creates the window at (100, 100), shown and laid out.
  void Open(EditWindow& window) {
    ASSERT_NE(window.Create(nullptr, u"edit test", os::WS_POPUP | os::WS_VISIBLE, 0, 100, 100, 0, 0),
              nullptr);
    os::SetWindowPos(window, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
    Pump();
  }
  static os::RECT ClientRectOf(os::HWND child) {
    os::RECT r{};
    os::GetWindowRect(child, &r);
    os::POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    os::ScreenToClient(os::GetParent(child), &corners[0]);
    os::ScreenToClient(os::GetParent(child), &corners[1]);
    return os::RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  }
  static long Style(os::HWND hwnd) { return os::GetWindowLong(hwnd, os::GWL_STYLE); }
  static std::size_t Count(const std::vector<std::string>& notes, const std::string& what) {
    return static_cast<std::size_t>(std::count(notes.begin(), notes.end(), what));
  }
};

TEST_F(EditTest, FocusOpensTheNativeWindowOverTheTextArea) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  // The first layout gave the first field the focus, and it opened.
  CEditUI* user = window.Edit(u"user");
  EXPECT_NE(user->GetNativeWindow(), nullptr);
  window.GetManager().SetFocus(nullptr);
  Pump();
  ASSERT_EQ(user->GetNativeWindow(), nullptr);

  window.GetManager().SetFocus(user);
  const os::HWND edit = user->GetNativeWindow();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(os::GetClassName(edit), u"EditWnd");
  EXPECT_EQ(os::GetParent(edit), window.GetHWND());
  EXPECT_EQ(os::GetFocus(), edit);
  EXPECT_EQ(static_cast<os::DWORD>(Style(edit)) &
                (os::WS_CHILD | os::WS_POPUP | os::ES_AUTOHSCROLL | os::ES_PASSWORD),
            os::WS_CHILD | os::ES_AUTOHSCROLL);
  EXPECT_TRUE(os::IsWindowVisible(edit));

  // Item 20,20,220,60 minus padding 10,0,10,0, centred on the font height.
  const int height = window.GetManager().DefaultFont()->Metrics().height;
  ASSERT_LT(height, 40);
  const os::RECT pos = ClientRectOf(edit);
  EXPECT_EQ(pos.left, 30);
  EXPECT_EQ(pos.right, 210);
  EXPECT_EQ(pos.top, 20 + (40 - height) / 2);
  EXPECT_EQ(pos.bottom - pos.top, height);

  EXPECT_EQ(os::SendMessage(edit, os::EM_GETLIMITTEXT, 0, 0), 255);
  EXPECT_EQ(os::SendMessage(edit, os::EM_GETMARGINS, 0, 0), 0);
  EXPECT_EQ(os::SendMessage(edit, os::EM_GETMODIFY, 0, 0), 0);
  // Opening shows the text the control has; that is no change.
  EXPECT_EQ(Count(window.notes, "textchanged:user"), 0u);
}

TEST_F(EditTest, TypingReachesTheControlAndEachChangeIsNotified) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* user = window.Edit(u"user");
  os::inject::Click(window.Screen(100, 40));
  Pump();
  ASSERT_NE(user->GetNativeWindow(), nullptr);

  os::inject::Text(u"abc");
  Pump();
  EXPECT_EQ(user->GetText(), u"abc");
  EXPECT_EQ(Count(window.notes, "textchanged:user"), 3u);
  os::inject::KeyPress(os::VK_BACK);
  Pump();
  EXPECT_EQ(user->GetText(), u"ab");
  EXPECT_EQ(Count(window.notes, "textchanged:user"), 4u);

  // A text set by the program shows in the open window without a notice.
  user->SetText(u"preset");
  EXPECT_EQ(os::GetWindowText(user->GetNativeWindow()), u"preset");
  EXPECT_EQ(Count(window.notes, "textchanged:user"), 4u);
  user->SetMaxChar(7);
  os::inject::KeyPress(os::VK_END);
  os::inject::Text(u"xyz");
  Pump();
  EXPECT_EQ(user->GetText(), u"presetx");
}

TEST_F(EditTest, ClickingAFocusedButClosedFieldReopensItWithEverythingSelected) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* user = window.Edit(u"user");
  user->SetText(u"hello");
  os::inject::Click(window.Screen(100, 40));
  Pump();
  ASSERT_NE(user->GetNativeWindow(), nullptr);

  // The native focus goes elsewhere; the control keeps the framework's focus.
  os::SetFocus(window.GetHWND());
  Pump();
  ASSERT_EQ(user->GetNativeWindow(), nullptr);
  ASSERT_TRUE(user->IsFocused());

  // The click lands on the padding beside the (closed) native window.
  os::inject::Click(window.Screen(25, 40));
  Pump();
  ASSERT_NE(user->GetNativeWindow(), nullptr);
  os::DWORD start = 0, end = 0;
  os::SendMessage(user->GetNativeWindow(), os::EM_GETSEL, reinterpret_cast<os::WPARAM>(&start),
                  reinterpret_cast<os::LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 5u);
}

TEST_F(EditTest, EnterGivesReturnAndTabMovesTheFocusOnce) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* user = window.Edit(u"user");
  CEditUI* pass = window.Edit(u"pass");
  window.GetManager().SetFocus(user);
  Pump();

  os::inject::KeyPress(os::VK_RETURN);
  Pump();
  EXPECT_EQ(Count(window.notes, "return:user"), 1u);
  EXPECT_EQ(user->GetText(), u"");

  const os::HWND userEdit = user->GetNativeWindow();
  os::inject::KeyPress(os::VK_TAB);
  Pump();
  EXPECT_EQ(window.GetManager().Focus(), pass);
  EXPECT_FALSE(os::IsWindow(userEdit));
  EXPECT_EQ(user->GetNativeWindow(), nullptr);
  ASSERT_NE(pass->GetNativeWindow(), nullptr);
  EXPECT_EQ(os::GetFocus(), pass->GetNativeWindow());

  os::inject::KeyDown(os::VK_SHIFT);
  os::inject::KeyPress(os::VK_TAB);
  os::inject::KeyUp(os::VK_SHIFT);
  Pump();
  EXPECT_EQ(window.GetManager().Focus(), user);
}

TEST_F(EditTest, PasswordFieldsMaskTypingButKeepTheText) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* pass = window.Edit(u"pass");
  window.GetManager().SetFocus(pass);
  const os::HWND edit = pass->GetNativeWindow();
  ASSERT_NE(edit, nullptr);
  EXPECT_NE(Style(edit) & os::ES_PASSWORD, 0);
  EXPECT_EQ(os::SendMessage(edit, os::EM_GETPASSWORDCHAR, 0, 0), u'#');
  os::inject::Text(u"secret");
  Pump();
  EXPECT_EQ(pass->GetText(), u"secret");
  EXPECT_EQ(os::GetWindowText(edit), u"secret");

  // A plain field switched to password mode while open masks at once; a
  // password character given to a plain field leaves it readable.
  CEditUI* user = window.Edit(u"user");
  window.GetManager().SetFocus(user);
  Pump();
  user->SetPasswordChar(u'%');
  EXPECT_EQ(os::SendMessage(user->GetNativeWindow(), os::EM_GETPASSWORDCHAR, 0, 0), 0);
  user->SetPasswordMode(true);
  EXPECT_EQ(os::SendMessage(user->GetNativeWindow(), os::EM_GETPASSWORDCHAR, 0, 0), u'%');
}

TEST_F(EditTest, ReadOnlyFieldsRefuseTyping) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* ro = window.Edit(u"ro");
  window.GetManager().SetFocus(ro);
  ASSERT_NE(ro->GetNativeWindow(), nullptr);
  EXPECT_NE(Style(ro->GetNativeWindow()) & os::ES_READONLY, 0);
  os::inject::Text(u"zz");
  os::inject::KeyPress(os::VK_BACK);
  Pump();
  EXPECT_EQ(ro->GetText(), u"fixed");
  EXPECT_EQ(Count(window.notes, "textchanged:ro"), 0u);

  ro->SetReadOnly(false);
  os::inject::Text(u"!");
  Pump();
  EXPECT_NE(ro->GetText(), u"fixed");

  // A disabled field opens nothing and is no tab stop.
  CEditUI* off = window.Edit(u"off");
  window.GetManager().SetFocus(off);
  EXPECT_EQ(off->GetNativeWindow(), nullptr);
  EXPECT_EQ(off->GetControlFlags(), 0u);
}

TEST_F(EditTest, LosingTheFocusClosesTheNativeWindowAndKeepsTheText) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* user = window.Edit(u"user");
  os::inject::Click(window.Screen(100, 40));
  Pump();
  os::inject::Text(u"kept");
  Pump();
  const os::HWND edit = user->GetNativeWindow();
  ASSERT_NE(edit, nullptr);

  os::inject::Click(window.Screen(275, 40));  // the button
  Pump();
  EXPECT_FALSE(os::IsWindow(edit));
  EXPECT_EQ(user->GetNativeWindow(), nullptr);
  EXPECT_EQ(user->GetText(), u"kept");
  EXPECT_EQ(window.GetManager().Focus(), window.GetManager().FindControlByName(u"ok"));

  // Away and back within one message: the field that lost its native window
  // a moment ago gets a fresh one and keeps it.
  CEditUI* pass = window.Edit(u"pass");
  window.GetManager().SetFocus(user);
  window.GetManager().SetFocus(pass);
  window.GetManager().SetFocus(user);
  Pump();
  ASSERT_NE(user->GetNativeWindow(), nullptr);
  EXPECT_EQ(os::GetFocus(), user->GetNativeWindow());
  EXPECT_EQ(os::GetWindowText(user->GetNativeWindow()), u"kept");
  EXPECT_EQ(pass->GetNativeWindow(), nullptr);
}

TEST_F(EditTest, ResizingTheWindowReopensTheFieldOnceLaidOut) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* pass = window.Edit(u"pass");
  window.GetManager().SetFocus(pass);
  os::inject::Text(u"pw");
  Pump();
  const os::HWND before = pass->GetNativeWindow();
  ASSERT_NE(before, nullptr);
  os::SetWindowPos(window, nullptr, 0, 0, 500, 350, os::SWP_NOMOVE | os::SWP_NOZORDER);
  Pump();
  EXPECT_FALSE(os::IsWindow(before));
  EXPECT_EQ(window.GetManager().Focus(), pass);
  ASSERT_NE(pass->GetNativeWindow(), nullptr);
  EXPECT_EQ(os::GetFocus(), pass->GetNativeWindow());
  EXPECT_EQ(os::GetWindowText(pass->GetNativeWindow()), u"pw");
}

TEST_F(EditTest, HidingOrRemovingAnOpenFieldTakesTheNativeWindowAway) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* user = window.Edit(u"user");
  window.GetManager().SetFocus(user);
  os::HWND edit = user->GetNativeWindow();
  ASSERT_NE(edit, nullptr);
  user->SetVisible(false);
  Pump();
  EXPECT_FALSE(os::IsWindow(edit));

  CEditUI* pass = window.Edit(u"pass");
  window.GetManager().SetFocus(pass);
  edit = pass->GetNativeWindow();
  ASSERT_NE(edit, nullptr);
  auto* root = static_cast<CContainerUI*>(window.GetManager().Root()->GetInterface(u"Container"));
  ASSERT_TRUE(root->Remove(pass));
  Pump();
  EXPECT_FALSE(os::IsWindow(edit));
  // Typing after the field went reaches nothing of it.
  os::inject::Text(u"x");
  Pump();
}

TEST_F(EditTest, NativeColoursComeFromTheSkinOrStaySystemColours) {
  EditWindow window(kOpaqueSkin);
  Open(window);
  CEditUI* colored = window.Edit(u"colored");
  window.GetManager().SetFocus(colored);
  os::HWND edit = colored->GetNativeWindow();
  ASSERT_NE(edit, nullptr);
  os::HDC dc = os::GetDC(edit);
  auto brush = reinterpret_cast<os::HBRUSH>(os::SendMessage(window.GetHWND(), os::WM_CTLCOLOREDIT,
                                                            reinterpret_cast<os::WPARAM>(dc),
                                                            reinterpret_cast<os::LPARAM>(edit)));
  os::COLORREF brushColor = 0;
  ASSERT_TRUE(os::GetBrushColor(brush, &brushColor));
  EXPECT_EQ(brushColor, os::RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(os::GetTextColor(dc), os::RGB(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(os::GetBkMode(dc), os::TRANSPARENT);
  os::ReleaseDC(edit, dc);

  CEditUI* user = window.Edit(u"user");
  window.GetManager().SetFocus(user);
  Pump();
  edit = user->GetNativeWindow();
  dc = os::GetDC(edit);
  EXPECT_EQ(os::SendMessage(window.GetHWND(), os::WM_CTLCOLOREDIT, reinterpret_cast<os::WPARAM>(dc),
                            reinterpret_cast<os::LPARAM>(edit)),
            0);
  os::ReleaseDC(edit, dc);
}

TEST_F(EditTest, OverALayeredWindowTheNativeWindowIsAPopupInScreenCoordinates) {
  EditWindow window(kLayeredSkin);
  Open(window);
  CEditUI* user = window.Edit(u"user");
  CEditUI* pass = window.Edit(u"pass");
  window.GetManager().SetFocus(user);
  const os::HWND edit = user->GetNativeWindow();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(static_cast<os::DWORD>(Style(edit)) & (os::WS_CHILD | os::WS_POPUP), os::WS_POPUP);
  EXPECT_EQ(os::GetWindow(edit, os::GW_OWNER), window.GetHWND());
  os::RECT screen{};
  os::GetWindowRect(edit, &screen);
  const int height = window.GetManager().DefaultFont()->Metrics().height;
  EXPECT_EQ(screen.left, 100 + 24);
  EXPECT_EQ(screen.top, 100 + 23 + (34 - height) / 2);

  os::inject::Text(u"hi");
  os::inject::KeyPress(os::VK_RETURN);
  Pump();
  EXPECT_EQ(user->GetText(), u"hi");
  EXPECT_EQ(Count(window.notes, "textchanged:user"), 2u);
  EXPECT_EQ(Count(window.notes, "return:user"), 1u);
  // No manager sees the popup's keys first: the field moves the focus.
  os::inject::KeyPress(os::VK_TAB);
  Pump();
  EXPECT_EQ(window.GetManager().Focus(), pass);
  EXPECT_FALSE(os::IsWindow(edit));
}

// --- Painting ----------------------------------------------------------------------------

class EditPaintTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    testsupport::WriteFileBytes(dir_ / "normal.png", controltest::SolidPng(4, 4, 0x0000FF));
    testsupport::WriteFileBytes(dir_ / "hot.png", controltest::SolidPng(4, 4, 0x00FF00));
    testsupport::WriteFileBytes(dir_ / "focused.png", controltest::SolidPng(4, 4, 0xFF0000));
    testsupport::WriteFileBytes(dir_ / "disabled.png", controltest::SolidPng(4, 4, 0x808080));
    UIManager::SetSkinRoot(dir_.path().u16string() + u"/");
  }
  // The control alone, painted into a fresh bitmap of the window's size.
  static os::Bitmap Paint(CControlUI* control) {
    os::Bitmap bitmap(400, 300);
    os::Canvas canvas(bitmap);
    control->DoPaint(canvas, control->GetPos());
    return bitmap;
  }
  static std::uint32_t Centre(const os::Bitmap& bitmap, CControlUI* control) {
    const RECT& r = control->GetPos();
    return bitmap.Pixel((r.left + r.right) / 2, r.top + 1);
  }
  testsupport::TempDir dir_;
};

constexpr char16_t kPaintSkin[] =
    uR"(<Window size="400,300">
  <Container name="root">
    <Edit name="images" float="true" pos="10,10,110,40" normalimage="normal.png" hotimage="hot.png"
          focusedimage="focused.png" disabledimage="disabled.png"/>
    <Edit name="partial" float="true" pos="10,50,110,80" normalimage="normal.png" disabledimage="disabled.png"/>
    <Edit name="tip" float="true" pos="10,90,300,130" tipvalue="WWWW" tipvaluecolor="#FF00C000"
          textcolor="#FF0000C0" bkcolor="#FFFFFFFF"/>
    <Edit name="masked" float="true" pos="10,140,300,180" password="true" textcolor="#FF000000"/>
    <Edit name="plain" float="true" pos="10,190,300,230" textcolor="#FF000000"/>
  </Container>
</Window>)";

// Pixels of the rectangle whose colour leans clearly to one channel (text
// is antialiased, so few pixels carry the exact text colour).
enum class Tint { Green, Blue, Ink };
int CountTinted(const os::Bitmap& bitmap, const RECT& r, Tint tint) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const std::uint32_t p = bitmap.Pixel(x, y);
      const int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF, blue = p & 0xFF;
      if (tint == Tint::Green && green > red + 60 && green > blue + 60) ++n;
      if (tint == Tint::Blue && blue > red + 60 && blue > green + 60) ++n;
      if (tint == Tint::Ink && red < 128 && green < 128 && blue < 128) ++n;
    }
  }
  return n;
}

TEST_F(EditPaintTest, StateImagesFollowDisabledFocusedHotAndFallBackToNormal) {
  EditWindow window(kPaintSkin);
  Open(window);
  window.GetManager().SetFocus(nullptr);  // the first field took the focus
  Pump();
  CEditUI* images = window.Edit(u"images");
  EXPECT_EQ(Centre(Paint(images), images), 0xFF0000FFu);
  ControlEvent enter = controltest::MakeEvent(UIEvent::MouseEnter);
  images->Event(enter);
  EXPECT_EQ(Centre(Paint(images), images), 0xFF00FF00u);
  window.GetManager().SetFocus(images);
  EXPECT_EQ(Centre(Paint(images), images), 0xFFFF0000u);
  images->SetEnabled(false);
  EXPECT_EQ(Centre(Paint(images), images), 0xFF808080u);

  // Without an image for its state the field shows its normal one; disabled
  // wins over focused.
  CEditUI* partial = window.Edit(u"partial");
  partial->Event(enter);
  EXPECT_EQ(Centre(Paint(partial), partial), 0xFF0000FFu);
  window.GetManager().SetFocus(partial);
  EXPECT_EQ(Centre(Paint(partial), partial), 0xFF0000FFu);
  partial->SetEnabled(false);
  EXPECT_EQ(Centre(Paint(partial), partial), 0xFF808080u);
}

TEST_F(EditPaintTest, TheTipShowsWhileEmptyOrEqualAndPasswordsPaintMasked) {
  EditWindow window(kPaintSkin);
  Open(window);
  CEditUI* tip = window.Edit(u"tip");
  const RECT area = tip->GetPos();
  EXPECT_GT(CountTinted(Paint(tip), area, Tint::Green), 0);
  tip->SetText(u"WWWW");
  EXPECT_GT(CountTinted(Paint(tip), area, Tint::Green), 0);
  EXPECT_EQ(CountTinted(Paint(tip), area, Tint::Blue), 0);
  tip->SetText(u"WWWWW");
  EXPECT_EQ(CountTinted(Paint(tip), area, Tint::Green), 0);
  EXPECT_GT(CountTinted(Paint(tip), area, Tint::Blue), 0);

  // Masked text paints exactly as the same number of mask characters.
  CEditUI* masked = window.Edit(u"masked");
  CEditUI* plain = window.Edit(u"plain");
  masked->SetText(u"ab");
  plain->SetText(u"**");
  const os::Bitmap maskedPixels = Paint(masked);
  const os::Bitmap plainPixels = Paint(plain);
  const int dy = plain->GetPos().top - masked->GetPos().top;
  int differences = 0;
  for (int y = masked->GetPos().top; y < masked->GetPos().bottom; ++y) {
    for (int x = masked->GetPos().left; x < masked->GetPos().right; ++x) {
      if (maskedPixels.Pixel(x, y) != plainPixels.Pixel(x, y + dy)) ++differences;
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_GT(CountTinted(maskedPixels, masked->GetPos(), Tint::Ink), 0);
  // The clear text would look different.
  plain->SetText(u"ab");
  EXPECT_GT(CountTinted(Paint(plain), plain->GetPos(), Tint::Ink), 0);
  const os::Bitmap clearPixels = Paint(plain);
  differences = 0;
  for (int y = masked->GetPos().top; y < masked->GetPos().bottom; ++y) {
    for (int x = masked->GetPos().left; x < masked->GetPos().right; ++x) {
      if (maskedPixels.Pixel(x, y) != clearPixels.Pixel(x, y + dy)) ++differences;
    }
  }
  EXPECT_GT(differences, 0);
}

}  // namespace
}  // namespace Kesto
