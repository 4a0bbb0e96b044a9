// The login window on the headless backend against a portal stand-in:
// construction, restored account, placeholders, notification rows, Enter,
// hit test and window commands.
#include <gtest/gtest.h>

#include "LoginFixture.h"
#include "controls/PictureAhead.h"
#include "platform/gfx/FontsAhead.h"
#include "controls/Render.h"
#include "login/RememberedAccount.h"
#include "platform/com/BrowserEngine.h"
#include "platform/window/Backend.h"
#include "platform/window/Paint.h"
#include "support/MachineIdentity.h"

namespace logintest {
namespace {

using testsupport::ReadFileBytes;

TEST_F(LoginWindowTest, ConstructionWritesTheChannelFile) {
  CalveraWnd window;
  EXPECT_EQ(ReadFileBytes(dir_.path() / "lumora" / "channel.ini"), std::string("360gj\0", 6));
  EXPECT_EQ(window.ChannelCode(), "360gj");
}

int gEngineLoads = 0;
bool CountEngineLoad() {
  ++gEngineLoads;
  return true;
}

// The web engine's module is mapped while the player types, never before the
// window is seen, and once.
TEST_F(LoginWindowTest, TheWebEngineLoadsOnceAfterTheFirstFrame) {
  gEngineLoads = 0;
  os::RegisterBrowserEngineLoader(os::CurrentBackendName(), &CountEngineLoad);
  window_ = std::make_unique<CalveraWnd>();
  window_->Create(nullptr, u"LumoraMorvaine", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
  window_->CenterWindow();
  window_->ShowWindow(true, true);
  EXPECT_EQ(gEngineLoads, 0) << "loaded before any frame was drawn";
  os::headless::Pump();
  EXPECT_EQ(gEngineLoads, 1);
  os::InvalidateRect(window_->GetHWND(), nullptr, 0);
  os::headless::Pump();
  Click(u"user");
  EXPECT_EQ(gEngineLoads, 1) << "later frames load nothing again";
  os::RegisterBrowserEngineLoader(os::CurrentBackendName(), nullptr);
}

// The background is decoded while the window is created, and the first
// frame takes that picture instead of decoding it again.
TEST_F(LoginWindowTest, TheBackgroundIsDecodedAheadForTheFirstFrame) {
  Kesto::PictureAhead::Discard();
  window_ = std::make_unique<CalveraWnd>();
  EXPECT_EQ(Kesto::PictureAhead::Pending(), 1u) << "nothing was started at construction";
  window_->Create(nullptr, u"LumoraMorvaine", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
  window_->ShowWindow(true, true);
  os::headless::Pump();
  ASSERT_TRUE(os::headless::LastFrame(window_->GetHWND()));
  EXPECT_EQ(Kesto::PictureAhead::Pending(), 0u) << "the frame decoded the background itself";
  const Kesto::ImageInfo* background = window_->GetManager().FindImage(kLoginBackground);
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->width, 1100);
  EXPECT_EQ(background->height, 720);
}

// Started before the window exists (the start-up's decisions run
// meanwhile): the window's construction takes the skin's fonts, its first
// frame the background and the other pictures started ahead, every one of
// them (none was started that the first frame does not draw).
TEST_F(LoginWindowTest, WhatStartsAheadIsTakenByTheWindowItWasStartedFor) {
  Kesto::PictureAhead::Discard();
  CalveraWnd::StartAhead();
  EXPECT_TRUE(os::FontsAhead::Pending());
  const std::size_t pictures = Kesto::PictureAhead::Pending();
  EXPECT_GT(pictures, 1u) << "the background and the controls' first pictures";
  window_ = std::make_unique<CalveraWnd>();
  EXPECT_FALSE(os::FontsAhead::Pending()) << "the window's manager made its fonts without them";
  EXPECT_EQ(Kesto::PictureAhead::Pending(), pictures) << "the construction started the background twice";
  window_->Create(nullptr, u"LumoraMorvaine", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
  window_->ShowWindow(true, true);
  os::headless::Pump();
  ASSERT_TRUE(os::headless::LastFrame(window_->GetHWND()));
  EXPECT_EQ(Kesto::PictureAhead::Pending(), 0u) << "a picture started ahead that the first frame does not draw";
  const Kesto::FontInfo* font = window_->GetManager().FontAt(2);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->size, 16);
  EXPECT_GT(font->Metrics().height, 0);
}

TEST_F(LoginWindowTest, OpensOnTheLoginPageWithItsPlaceholders) {
  CalveraWnd& window = Open();
  os::RECT rect{};
  os::GetWindowRect(window.GetHWND(), &rect);
  EXPECT_EQ(rect.right - rect.left, 1100);
  EXPECT_EQ(rect.bottom - rect.top, 720);
  EXPECT_EQ(os::GetWindowText(window.GetHWND()), u"LumoraMorvaine");
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(Text(u"user"), u"请输入Lumora账号");
  EXPECT_EQ(Text(u"pass"), u"请输入密码");
  EXPECT_FALSE(Edit(u"pass")->IsPasswordMode());
  // The later of the two text colours of the back link is the one in effect.
  auto* back = static_cast<Kesto::CLabelUI*>(Control(u"restore2loginbtn")->GetInterface(u"Label"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetTextColor() & 0x00FFFFFF, 0xFF3B29u);
}

TEST_F(LoginWindowTest, FirstFocusOfThePasswordClearsAndMasksItOnce) {
  Open();
  Click(u"pass");
  EXPECT_EQ(Text(u"pass"), u"");
  EXPECT_TRUE(Edit(u"pass")->IsPasswordMode());
  Type(u"secret");
  Click(u"user");
  Click(u"pass");
  EXPECT_EQ(Text(u"pass"), u"secret");

  // On the registration page the first focus on either field prepares both.
  Click(u"regaccount");
  ASSERT_EQ(Page(), 1);
  Click(u"regpassconfirm");
  EXPECT_EQ(Text(u"regpass"), u"");
  EXPECT_EQ(Text(u"regpassconfirm"), u"");
  EXPECT_TRUE(Edit(u"regpass")->IsPasswordMode());
  EXPECT_TRUE(Edit(u"regpassconfirm")->IsPasswordMode());
  // The account field keeps its placeholder until the player deletes it.
  Click(u"reguser");
  EXPECT_EQ(Text(u"reguser"), u"请输入Lumora账号");
}

TEST_F(LoginWindowTest, ARememberedAccountIsRestoredAndNotClearedByTheFocus) {
  ASSERT_TRUE(SaveRememberedAccount("keeper", "kept-pw", 2, 0));
  Open();
  EXPECT_EQ(Text(u"user"), u"keeper");
  EXPECT_EQ(Text(u"pass"), u"kept-pw");
  EXPECT_TRUE(Edit(u"pass")->IsPasswordMode());
  Click(u"pass");
  EXPECT_EQ(Text(u"pass"), u"kept-pw");
}

TEST_F(LoginWindowTest, ARecordWithOtherMarksIsNotRestored) {
  ASSERT_TRUE(SaveRememberedAccount("keeper", "kept-pw", 1, 0));
  Open();
  EXPECT_EQ(Text(u"user"), u"请输入Lumora账号");
  EXPECT_FALSE(Edit(u"pass")->IsPasswordMode());
}

TEST_F(LoginWindowTest, PressesSwitchPagesAndTheTypedTextsStay) {
  Open();
  Fill(u"user", u"alice");
  Click(u"regaccount");
  EXPECT_EQ(Page(), 1);
  Fill(u"reguser", u"bob");
  Click(u"restore2loginbtn");
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(Text(u"user"), u"alice");
  EXPECT_EQ(Text(u"reguser"), u"bob");
  // The switch comes with the press already: the focus moves on it.
  const os::RECT pos = Control(u"regaccount")->GetPos();
  os::inject::MouseMove(ScreenPoint((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2));
  os::inject::MouseDown();
  os::headless::Pump();
  EXPECT_EQ(Page(), 1);
  os::inject::MouseUp();
  os::headless::Pump();
}

TEST_F(LoginWindowTest, LinkButtonsOpenThePortalPagesAndTheWindowButtonsAct) {
  CalveraWnd& window = Open();
  Click(u"webbtn");
  Click(u"chargebtn");
  Click(u"bbsbtn");
  const auto launches = launches_.Launches();
  ASSERT_EQ(launches.size(), 3u);
  const std::u16string web = os::Utf8ToUtf16("http://" + portal_.Host());
  EXPECT_EQ(launches[0].parameters, web);
  EXPECT_EQ(launches[1].parameters, web + u"/v2_payment/index.html");
  EXPECT_EQ(launches[2].parameters, u"http://127.0.0.1:2/");
  EXPECT_TRUE(portal_.LoginBodies().empty());

  Click(u"minibtn");
  EXPECT_TRUE(os::IsIconic(window.GetHWND()));
  os::ShowWindow(window.GetHWND(), os::SW_RESTORE);
  os::headless::Pump();
  EXPECT_FALSE(os::headless::PendingQuit().has_value());
  Click(u"closebtn");
  ASSERT_TRUE(os::headless::PendingQuit().has_value());
  EXPECT_EQ(*os::headless::PendingQuit(), 0);
  // Closing ends the loop; the window itself is left alone.
  EXPECT_TRUE(os::IsWindow(window.GetHWND()));
}

TEST_F(LoginWindowTest, SystemCloseQuitsAndCaptionDoubleClicksDoNothing) {
  CalveraWnd& window = Open();
  os::inject::DoubleClick(ScreenPoint(100, 100));  // the background, inside the caption
  os::headless::Pump();
  EXPECT_FALSE(os::IsZoomed(window.GetHWND()));
  EXPECT_FALSE(os::headless::PendingQuit().has_value());
  Press(os::VK_ESCAPE);
  EXPECT_FALSE(os::headless::PendingQuit().has_value());
  EXPECT_TRUE(os::IsWindowVisible(window.GetHWND()));

  os::SendMessage(window.GetHWND(), os::WM_SYSCOMMAND, os::SC_CLOSE, 0);
  ASSERT_TRUE(os::headless::PendingQuit().has_value());
  EXPECT_EQ(*os::headless::PendingQuit(), 0);
  EXPECT_TRUE(os::IsWindow(window.GetHWND()));
}

TEST_F(LoginWindowTest, FieldsAndButtonsInTheCaptionStayClickable) {
  CalveraWnd& window = Open();
  auto hitTest = [&](Kesto::CControlUI* control) {
    const os::RECT pos = control->GetPos();
    const os::POINT p = ScreenPoint((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
    return os::SendMessage(window.GetHWND(), os::WM_NCHITTEST, 0, os::MAKELPARAM(p.x, p.y));
  };
  EXPECT_EQ(hitTest(Control(u"user")), os::HTCLIENT);
  EXPECT_EQ(hitTest(Control(u"startbtn")), os::HTCLIENT);
  EXPECT_EQ(hitTest(Control(u"closebtn")), os::HTCLIENT);
  const os::POINT background = ScreenPoint(100, 100);
  EXPECT_EQ(
      os::SendMessage(window.GetHWND(), os::WM_NCHITTEST, 0, os::MAKELPARAM(background.x, background.y)),
      os::HTCAPTION);
  const os::POINT below = ScreenPoint(100, 700);
  EXPECT_EQ(os::SendMessage(window.GetHWND(), os::WM_NCHITTEST, 0, os::MAKELPARAM(below.x, below.y)),
            os::HTCLIENT);
}

TEST_F(LoginWindowTest, EnterInThePasswordLogsInAndEnterInTheAccountDoesNothing) {
  Open();
  Fill(u"user", u"alice");
  Press(os::VK_RETURN);
  EXPECT_TRUE(portal_.LoginBodies().empty());
  EXPECT_TRUE(BoxTexts().empty());

  Click(u"pass");
  Type(u"pw1");
  Press(os::VK_RETURN);
  ASSERT_EQ(portal_.LoginBodies().size(), 1u);
  EXPECT_EQ(portal_.LoginBodies()[0], "&gid=73&username=alice&password=pw1");
}

TEST_F(LoginWindowTest, EnterOnTheWindowSubmitsTheCurrentPage) {
  CalveraWnd& window = Open();
  // No field is being typed in: the key reaches the window itself.
  os::SendMessage(window.GetHWND(), os::WM_KEYDOWN, os::VK_RETURN, 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"请输入游戏账号或者密码"});
  EXPECT_TRUE(portal_.LoginBodies().empty());

  Click(u"regaccount");
  Fill(u"reguser", u"carol");
  Click(u"regpass");
  Type(u"abc");
  Click(u"regpassconfirm");
  Type(u"abc");
  os::SendMessage(window.GetHWND(), os::WM_KEYDOWN, os::VK_RETURN, 0);
  EXPECT_EQ(portal_.RegistrationBodies().size(), 1u);
}

TEST_F(LoginWindowTest, EnterInEitherRegistrationPasswordRegisters) {
  Open();
  portal_.SetRegistrationReply(R"({"status":"500","message":"taken"})");
  Click(u"regaccount");
  Fill(u"reguser", u"dave");
  Click(u"regpass");
  Type(u"x1");
  Click(u"regpassconfirm");
  Type(u"x1");
  Press(os::VK_RETURN);
  Click(u"regpass");
  Press(os::VK_RETURN);
  Click(u"reguser");
  Press(os::VK_RETURN);
  EXPECT_EQ(portal_.RegistrationBodies().size(), 2u);
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{u"taken", u"taken"}));
}

}  // namespace
}  // namespace logintest
