// The skinned window base on the headless window system: creation from a skin
// archive in the resources, the frame it removes, hit testing of caption and
// sizing border, the work area when maximised, the system buttons, default
// keys, centring, icons and the fatal skin failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Core/WindowImplBase.h"
#include "WindowBaseTestSupport.h"
#include "controls/Edit.h"
#include "platform/base/Unicode.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/window/Icon.h"
#include "platform/window/Paint.h"
#include "testsupport/TempDir.h"

namespace windowtest {
namespace {

constexpr int kArchive = 901;

// A sizable window: 4-pixel border, 40-pixel caption, round corners, limits.
constexpr char kSizableSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,40" sizebox="4,4,4,4" roundcorner="6,6" mininfo="300,200" maxinfo="600,500">
  <Container name="root" bkcolor="#FF336699">
    <FakeButton name="capbtn" float="true" pos="300,5,330,35"/>
    <Field name="field" float="true" pos="20,100,200,130"/>
  </Container>
</Window>)";

// No sizing border, square corners, no limits, and the system buttons.
constexpr char kFixedSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,40" sizebox="0,0,0,0" roundcorner="0,0">
  <Container name="root" bkcolor="#FF996633">
    <FakeButton name="minbtn" float="true" pos="280,5,300,25"/>
    <FakeButton name="maxbtn" float="true" pos="310,5,330,25"/>
    <FakeButton name="restorebtn" float="true" pos="310,5,330,25" visible="false"/>
    <FakeButton name="closebtn" float="true" pos="340,5,360,25"/>
    <Field name="field" float="true" pos="20,100,200,130"/>
  </Container>
</Window>)";

// Real controls inside the caption.
constexpr char kCaptionControlsSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,60">
  <Container name="root" bkcolor="#FF336699">
    <Button name="button" float="true" pos="300,10,360,40"/>
    <Option name="option" float="true" pos="240,10,290,40"/>
    <Edit name="edit" float="true" pos="20,10,200,40"/>
    <Label name="label" float="true" pos="20,44,200,58"/>
  </Container>
</Window>)";

class WindowImplBaseTest : public WindowBaseFixture {
 protected:
  static void SetUpTestSuite() {
    RegisterSkinArchive(kArchive, {{"sizable.xml", kSizableSkin},
                                   {"fixed.xml", kFixedSkin},
                                   {"caption.xml", kCaptionControlsSkin},
                                   {"broken.xml", "<Window size=\"10,10\"><Container></Window>"}});
  }
};

TEST_F(WindowImplBaseTest, CreationBuildsTheSkinAndDropsTheSystemFrame) {
  TestWindow window(kArchive, u"sizable.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  EXPECT_EQ(window.initCount, 1);
  ASSERT_NE(window.Find(u"field"), nullptr);
  EXPECT_EQ(UIManager::SkinArchiveName(), u"membuffer");

  // The frame is gone and the skin sized the window: client == window.
  const os::LONG style = os::GetWindowLong(window, os::GWL_STYLE);
  EXPECT_EQ(style & os::WS_CAPTION, 0);
  EXPECT_EQ(style & (os::WS_CLIPSIBLINGS | os::WS_CLIPCHILDREN), os::WS_CLIPSIBLINGS | os::WS_CLIPCHILDREN);
  EXPECT_EQ(window.GetStyle() & os::WS_CAPTION, 0);
  const os::RECT rect = window.WindowRect();
  os::RECT client{};
  os::GetClientRect(window, &client);
  EXPECT_EQ(Width(rect), 400);
  EXPECT_EQ(Height(rect), 300);
  EXPECT_EQ(Width(client), 400);
  EXPECT_EQ(Height(client), 300);

  // Round corners cut the corner pixels but keep the last column and row.
  os::HRGN region = os::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(os::GetWindowRgn(window, region), os::RGN_ERROR);
  EXPECT_FALSE(os::PtInRegion(region, 0, 0));
  EXPECT_TRUE(os::PtInRegion(region, 200, 150));
  EXPECT_TRUE(os::PtInRegion(region, 200, 299));
  EXPECT_TRUE(os::PtInRegion(region, 399, 150));
  os::DeleteObject(region);
}

TEST_F(WindowImplBaseTest, EveryResourceKindFindsItsSkin) {
  // A numbered "xml" resource.
  static const std::string resourceSkin = kFixedSkin;
  os::RegisterResource(nullptr, 950, u"xml", resourceSkin.data(), resourceSkin.size());
  TestWindow fromResource(0, u"950");
  fromResource.kind = Kesto::ResourceKind::Resource;
  ASSERT_NE(fromResource.CreateDefault(), nullptr);
  EXPECT_NE(fromResource.Find(u"maxbtn"), nullptr);

  // An archive file beside the skin root.
  testsupport::TempDir dir;
  ziptest::Builder zip;
  zip.Add("Skins/Main.xml", kSizableSkin);
  testsupport::WriteFileBytes(dir / "skins.zip", zip.Build());
  UIManager::SetSkinRoot(dir.path().u16string());
  TestWindow fromZip(0, u"skins\\main.xml");
  fromZip.kind = Kesto::ResourceKind::Zip;
  fromZip.zipFile = u"skins.zip";
  ASSERT_NE(fromZip.CreateDefault(), nullptr);
  EXPECT_NE(fromZip.Find(u"capbtn"), nullptr);
  EXPECT_TRUE(UIManager::IsSkinArchiveKeptOpen());

  // A plain file in the skin root.
  UIManager::SetSkinArchive(u"", false);
  testsupport::WriteFileBytes(dir / "plain.xml", kFixedSkin);
  TestWindow fromFile(0, u"plain.xml");
  fromFile.kind = Kesto::ResourceKind::File;
  ASSERT_NE(fromFile.CreateDefault(), nullptr);
  EXPECT_NE(fromFile.Find(u"closebtn"), nullptr);
  EXPECT_TRUE(os::headless::MessageBoxes().empty());
}

TEST_F(WindowImplBaseTest, ASkinWithAShadowGetsAClickThroughWindowAroundIt) {
  static const char kShadowSkin[] = R"(<Window size="200,100" showshadow="true" shadowsize="6">
    <Container bkcolor="#FF000000"/></Window>)";
  RegisterSkinArchive(902, {{"shadow.xml", kShadowSkin}});
  TestWindow window(902, u"shadow.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 300, 200, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();
  const os::HWND shadow = window.GetManager().Shadow().Window();
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(os::GetClassName(shadow), u"KestoShadowWnd");
  EXPECT_EQ(os::GetWindow(shadow, os::GW_OWNER), window.GetHWND());
  const os::LONG ex = os::GetWindowLong(shadow, os::GWL_EXSTYLE);
  EXPECT_NE(ex & static_cast<os::LONG>(os::WS_EX_LAYERED), 0);
  EXPECT_NE(ex & static_cast<os::LONG>(os::WS_EX_TRANSPARENT), 0);
  EXPECT_TRUE(os::IsWindowVisible(shadow));
  os::RECT around{};
  os::GetWindowRect(shadow, &around);
  EXPECT_EQ(around.left, 294);
  EXPECT_EQ(around.top, 194);
  EXPECT_EQ(around.right, 506);
  EXPECT_EQ(around.bottom, 306);
  // Clicks on the shadow fall through to what lies below.
  EXPECT_NE(os::WindowFromPoint(os::POINT{296, 250}), shadow);

  os::ShowWindow(window, os::SW_MINIMIZE);
  EXPECT_FALSE(os::IsWindowVisible(shadow));
  os::ShowWindow(window, os::SW_RESTORE);
  EXPECT_TRUE(os::IsWindowVisible(shadow));
}

TEST_F(WindowImplBaseTest, SquareCornersStillShapeTheWindowOnePixelLarger) {
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::HRGN region = os::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(os::GetWindowRgn(window, region), os::RGN_ERROR);
  os::RECT box{};
  os::GetRgnBox(region, &box);
  EXPECT_EQ(box.right, 401);
  EXPECT_EQ(box.bottom, 301);
  EXPECT_TRUE(os::PtInRegion(region, 0, 0));
  EXPECT_TRUE(os::PtInRegion(region, 399, 299));
  os::DeleteObject(region);
}

TEST_F(WindowImplBaseTest, MissingArchiveLeavesAnEmptyWindowWithoutAMessage) {
  TestWindow window(4711, u"sizable.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  EXPECT_TRUE(os::IsWindow(window));
  EXPECT_EQ(window.GetManager().Root(), nullptr);
  EXPECT_EQ(window.initCount, 0);
  EXPECT_TRUE(os::headless::MessageBoxes().empty());
}

TEST_F(WindowImplBaseTest, CaptionDragMovesTheWindowButNotFromTheClientArea) {
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();

  EXPECT_EQ(window.HitTest(100, 20), os::HTCAPTION);
  os::inject::Drag(window.Screen(100, 20), window.Screen(150, 50));
  Pump();
  EXPECT_EQ(window.WindowRect().left, 150);
  EXPECT_EQ(window.WindowRect().top, 130);

  // Below the caption the press belongs to the controls.
  EXPECT_EQ(window.HitTest(100, 200), os::HTCLIENT);
  os::inject::Drag(window.Screen(100, 200), window.Screen(160, 260));
  Pump();
  EXPECT_EQ(window.WindowRect().left, 150);
  EXPECT_EQ(window.WindowRect().top, 130);
}

TEST_F(WindowImplBaseTest, ButtonsInsideTheCaptionStayClickable) {
  TestWindow window(kArchive, u"sizable.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();
  const os::RECT before = window.WindowRect();

  EXPECT_EQ(window.HitTest(315, 20), os::HTCLIENT);
  os::inject::Click(window.Screen(315, 20));
  Pump();
  EXPECT_NE(std::find(window.notifications.begin(), window.notifications.end(), "click:capbtn"),
            window.notifications.end());
  os::inject::Drag(window.Screen(315, 20), window.Screen(365, 60));
  Pump();
  EXPECT_EQ(window.WindowRect().left, before.left);
  EXPECT_EQ(window.WindowRect().top, before.top);

  // A control of another class in the caption is part of the caption.
  window.Find(u"field")->SetPos(os::RECT{20, 10, 200, 30});
  EXPECT_EQ(window.HitTest(50, 20), os::HTCAPTION);
}

TEST_F(WindowImplBaseTest, ButtonsAndOptionsAreClientInTheCaptionEditsAndLabelsAreCaption) {
  TestWindow window(kArchive, u"caption.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();
  EXPECT_EQ(window.HitTest(330, 25), os::HTCLIENT);   // Button
  EXPECT_EQ(window.HitTest(265, 25), os::HTCLIENT);   // Option
  EXPECT_EQ(window.HitTest(100, 25), os::HTCAPTION);  // Edit: the base leaves it to the caption
  EXPECT_EQ(window.HitTest(100, 50), os::HTCAPTION);  // Label
  EXPECT_EQ(window.HitTest(100, 100), os::HTCLIENT);  // below the caption

  window.notifications.clear();
  os::inject::Click(window.Screen(330, 25));
  Pump();
  EXPECT_NE(std::find(window.notifications.begin(), window.notifications.end(), "click:button"),
            window.notifications.end());
  os::inject::Drag(window.Screen(330, 25), window.Screen(380, 75));
  Pump();
  EXPECT_EQ(window.WindowRect().left, 100);
  os::inject::Drag(window.Screen(100, 50), window.Screen(150, 100));
  Pump();
  EXPECT_EQ(window.WindowRect().left, 150);
  EXPECT_EQ(window.WindowRect().top, 150);
}

TEST_F(WindowImplBaseTest, WithoutSizingBorderNothingResizes) {
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();

  for (const os::POINT p : {os::POINT{0, 0}, os::POINT{399, 0}, os::POINT{0, 299}, os::POINT{399, 299},
                            os::POINT{0, 150}, os::POINT{399, 150}, os::POINT{200, 299}}) {
    const os::LRESULT hit = window.HitTest(p.x, p.y);
    EXPECT_TRUE(hit == os::HTCLIENT || hit == os::HTCAPTION) << p.x << "," << p.y << " → " << hit;
  }
  os::inject::Drag(window.Screen(399, 299), window.Screen(450, 350));
  Pump();
  EXPECT_EQ(Width(window.WindowRect()), 400);
  EXPECT_EQ(Height(window.WindowRect()), 300);
}

TEST_F(WindowImplBaseTest, SizingBorderGivesEdgeCodesAndResizes) {
  TestWindow window(kArchive, u"sizable.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();

  EXPECT_EQ(window.HitTest(0, 0), os::HTTOPLEFT);
  EXPECT_EQ(window.HitTest(399, 0), os::HTTOPRIGHT);
  EXPECT_EQ(window.HitTest(200, 3), os::HTTOP);
  EXPECT_EQ(window.HitTest(3, 150), os::HTLEFT);
  EXPECT_EQ(window.HitTest(396, 150), os::HTRIGHT);
  EXPECT_EQ(window.HitTest(0, 299), os::HTBOTTOMLEFT);
  EXPECT_EQ(window.HitTest(399, 299), os::HTBOTTOMRIGHT);
  EXPECT_EQ(window.HitTest(200, 296), os::HTBOTTOM);
  // The bands are exactly as wide as the skin says, on every side.
  EXPECT_EQ(window.HitTest(4, 150), os::HTCLIENT);
  EXPECT_EQ(window.HitTest(395, 150), os::HTCLIENT);
  EXPECT_EQ(window.HitTest(200, 295), os::HTCLIENT);
  EXPECT_EQ(window.HitTest(200, 4), os::HTCAPTION);

  os::inject::Drag(window.Screen(398, 150), window.Screen(448, 150));
  Pump();
  EXPECT_EQ(Width(window.WindowRect()), 450);
  os::inject::Drag(window.Screen(200, 298), window.Screen(200, 338));
  Pump();
  EXPECT_EQ(Height(window.WindowRect()), 340);
}

TEST_F(WindowImplBaseTest, TrackSizesFollowTheSkinAndTheWorkArea) {
  os::headless::SetScreen(os::SIZE{1920, 1080}, os::RECT{0, 0, 1920, 1040});
  TestWindow window(kArchive, u"sizable.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);

  os::SetWindowPos(window, nullptr, 0, 0, 100, 100, os::SWP_NOMOVE | os::SWP_NOZORDER);
  EXPECT_EQ(Width(window.WindowRect()), 300);
  EXPECT_EQ(Height(window.WindowRect()), 200);
  os::SetWindowPos(window, nullptr, 0, 0, 2000, 2000, os::SWP_NOMOVE | os::SWP_NOZORDER);
  EXPECT_EQ(Width(window.WindowRect()), 600);
  EXPECT_EQ(Height(window.WindowRect()), 500);

  // Dragging the border past the limits stops at them.
  os::SetWindowPos(window, nullptr, 100, 100, 400, 300, os::SWP_NOZORDER);
  Pump();
  os::inject::Drag(window.Screen(398, 150), window.Screen(100, 150));
  Pump();
  EXPECT_EQ(Width(window.WindowRect()), 300);

  // Without skin limits the work area bounds the window.
  TestWindow plain(kArchive, u"fixed.xml");
  ASSERT_NE(plain.CreateDefault(), nullptr);
  os::MINMAXINFO info{};
  info.ptMinTrackSize = os::POINT{112, 27};
  os::SendMessage(plain, os::WM_GETMINMAXINFO, 0, reinterpret_cast<os::LPARAM>(&info));
  EXPECT_EQ(info.ptMaxTrackSize.x, 1920);
  EXPECT_EQ(info.ptMaxTrackSize.y, 1040);
  EXPECT_EQ(info.ptMaxPosition.x, 0);
  EXPECT_EQ(info.ptMaxPosition.y, 0);
  EXPECT_EQ(info.ptMinTrackSize.x, 0);
  EXPECT_EQ(info.ptMinTrackSize.y, 0);
}

TEST_F(WindowImplBaseTest, MaximiseCoversTheWorkAreaAndSwapsTheButtons) {
  // A taskbar on the left: the work area does not start at the origin.
  os::headless::SetScreen(os::SIZE{1920, 1080}, os::RECT{60, 0, 1920, 1080});
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 300, 200, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();
  CControlUI* maxButton = window.Find(u"maxbtn");
  CControlUI* restoreButton = window.Find(u"restorebtn");
  ASSERT_NE(maxButton, nullptr);
  ASSERT_NE(restoreButton, nullptr);

  os::inject::Click(window.Screen(320, 15));
  Pump();
  ASSERT_TRUE(os::IsZoomed(window));
  EXPECT_FALSE(maxButton->IsVisible());
  EXPECT_TRUE(restoreButton->IsVisible());
  os::RECT client{};
  os::GetClientRect(window, &client);
  os::POINT origin{0, 0};
  os::ClientToScreen(window, &origin);
  EXPECT_EQ(origin.x, 60);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(Width(client), 1860);
  EXPECT_EQ(Height(client), 1080);
  // Maximised, even the edge of the window is no sizing border.
  EXPECT_NE(window.HitTest(0, 500), os::HTLEFT);

  os::inject::Click(window.Screen(320, 15));  // now the restore button
  Pump();
  EXPECT_FALSE(os::IsZoomed(window));
  EXPECT_TRUE(maxButton->IsVisible());
  EXPECT_FALSE(restoreButton->IsVisible());
  EXPECT_EQ(window.WindowRect().left, 300);
  EXPECT_EQ(window.WindowRect().top, 200);
  EXPECT_EQ(Width(window.WindowRect()), 400);
}

TEST_F(WindowImplBaseTest, SystemButtonsMinimiseAndClose) {
  TestWindow window(kArchive, u"fixed.xml");
  const os::HWND hwnd = window.CreateDefault();
  ASSERT_NE(hwnd, nullptr);
  Pump();

  os::inject::Click(window.Screen(290, 15));
  Pump();
  EXPECT_TRUE(os::IsIconic(hwnd));
  os::ShowWindow(hwnd, os::SW_RESTORE);
  Pump();

  os::inject::Click(window.Screen(350, 15));
  Pump();
  EXPECT_FALSE(os::IsWindow(hwnd));
  EXPECT_EQ(window.GetHWND(), nullptr);
  ASSERT_EQ(window.finalWindows.size(), 1u);
  EXPECT_EQ(window.finalWindows[0], hwnd);
  // The base never ends the message loop itself.
  EXPECT_FALSE(os::headless::PendingQuit().has_value());
}

TEST_F(WindowImplBaseTest, SystemCloseCommandClosesThroughTheCloseMessage) {
  TestWindow window(kArchive, u"fixed.xml");
  const os::HWND hwnd = window.CreateDefault();
  ASSERT_NE(hwnd, nullptr);
  os::SendMessage(hwnd, os::WM_SYSCOMMAND, os::SC_CLOSE | 0x3, 0);
  EXPECT_FALSE(os::IsWindow(hwnd));
  EXPECT_EQ(window.finalWindows.size(), 1u);
}

TEST_F(WindowImplBaseTest, EnterAndEscapeReachTheDefaultKeysAndTheFocusedControl) {
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  Pump();
  os::inject::Click(window.Screen(50, 110));  // focuses the field
  Pump();
  window.events.clear();

  os::inject::KeyPress(os::VK_ESCAPE);
  os::inject::KeyPress(os::VK_RETURN);
  os::inject::KeyPress(u'A');
  Pump();
  EXPECT_EQ(window.defaultKeys, (std::vector<os::WPARAM>{os::VK_ESCAPE, os::VK_RETURN}));
  const std::vector<std::string> keyDowns = [&] {
    std::vector<std::string> out;
    for (const std::string& e : window.events) {
      if (e.rfind("field:3:", 0) == 0) out.push_back(e);
    }
    return out;
  }();
  EXPECT_EQ(keyDowns, (std::vector<std::string>{"field:3:27", "field:3:13", "field:3:65"}));
  // Escape is answered as taken, yet nothing closes the window.
  bool handled = false;
  EXPECT_EQ(window.MessageHandler(os::WM_KEYDOWN, os::VK_ESCAPE, 0, handled), 1);
  EXPECT_FALSE(handled);
  EXPECT_EQ(window.MessageHandler(os::WM_KEYDOWN, os::VK_RETURN, 0, handled), 0);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(os::IsWindowVisible(window));
}

TEST_F(WindowImplBaseTest, CenterWindowUsesTheWorkAreaAndKeepsTheTopLeftOnIt) {
  os::headless::SetScreen(os::SIZE{1920, 1080}, os::RECT{0, 0, 1920, 1040});
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  window.CenterWindow();
  EXPECT_EQ(window.WindowRect().left, 760);
  EXPECT_EQ(window.WindowRect().top, 370);
  EXPECT_EQ(Width(window.WindowRect()), 400);

  // Larger than the work area: the left and top edges stay visible.
  os::headless::SetScreen(os::SIZE{1920, 1080}, os::RECT{100, 50, 1920, 1080});
  os::SetWindowLong(window, os::GWL_STYLE, os::WS_POPUP | os::WS_VISIBLE);
  os::SetWindowPos(window, nullptr, 0, 0, 1900, 1000, os::SWP_NOMOVE | os::SWP_NOZORDER);
  ASSERT_EQ(Width(window.WindowRect()), 1900);
  window.CenterWindow();
  EXPECT_EQ(window.WindowRect().left, 100);
  EXPECT_EQ(window.WindowRect().top, 65);
}

TEST_F(WindowImplBaseTest, CenterWindowCentresAnOwnedWindowOnItsOwner) {
  os::headless::SetScreen(os::SIZE{1920, 1080}, os::RECT{0, 0, 1920, 1040});
  TestWindow owner(kArchive, u"sizable.xml");
  ASSERT_NE(owner.CreateDefault(), nullptr);
  os::SetWindowPos(owner, nullptr, 100, 100, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  TestWindow dialog(kArchive, u"fixed.xml");
  ASSERT_NE(dialog.Create(owner, u"dialog", os::WS_POPUP | os::WS_VISIBLE, 0, 0, 0, 0, 0), nullptr);
  os::SetWindowPos(dialog, nullptr, 0, 0, 200, 100, os::SWP_NOMOVE | os::SWP_NOZORDER);
  dialog.CenterWindow();
  EXPECT_EQ(dialog.WindowRect().left, 200);  // owner 100..500
  EXPECT_EQ(dialog.WindowRect().top, 200);   // owner 100..400
}

TEST_F(WindowImplBaseTest, SetIconTakesBothIconsFromTheGroupAtTheLargeSize) {
  TestWindow window(kArchive, u"fixed.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  window.SetIcon(115);
  for (const os::WPARAM which : {os::ICON_BIG, os::ICON_SMALL}) {
    auto icon = reinterpret_cast<os::HICON>(os::SendMessage(window, os::WM_GETICON, which, 0));
    os::ICONDETAILS details;
    ASSERT_TRUE(os::GetIconDetails(icon, &details)) << which;
    EXPECT_EQ(details.width, 32);
    EXPECT_EQ(details.image.width, 32);
  }
  const auto first = os::SendMessage(window, os::WM_GETICON, os::ICON_BIG, 0);
  window.SetIcon(4712);  // no such group: the icons stay
  EXPECT_EQ(os::SendMessage(window, os::WM_GETICON, os::ICON_BIG, 0), first);
}

TEST_F(WindowImplBaseTest, ClosedWindowLetsGoOfItsManager) {
  TestWindow window(kArchive, u"fixed.xml");
  const os::HWND hwnd = window.CreateDefault();
  ASSERT_NE(hwnd, nullptr);
  window.Close(7);
  EXPECT_TRUE(os::IsWindow(hwnd));  // posted, not sent
  Pump();
  EXPECT_FALSE(os::IsWindow(hwnd));
  // Notifications and key filtering no longer reach the object.
  os::LRESULT result = 0;
  EXPECT_FALSE(window.GetManager().PreMessage(os::WM_KEYDOWN, os::VK_ESCAPE, 0, result));
  EXPECT_TRUE(window.defaultKeys.empty());
  window.Close();  // no window: nothing posted
  EXPECT_EQ(Pump(), 0);
}

TEST_F(WindowImplBaseTest, TheLoginSkinOfTheExecutableBuildsIntoALayeredWindow) {
  TestWindow window(113, u"calvera.xml");
  ASSERT_NE(window.CreateDefault(), nullptr);
  os::SetWindowPos(window, nullptr, 100, 50, 0, 0, os::SWP_NOSIZE | os::SWP_NOZORDER);
  Pump();
  ASSERT_NE(window.GetManager().Root(), nullptr);
  EXPECT_EQ(Width(window.WindowRect()), 1100);
  EXPECT_EQ(Height(window.WindowRect()), 720);
  EXPECT_TRUE(window.GetManager().IsLayeredBackground());
  CControlUI* user = window.Find(u"user");
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->GetClass(), u"EditUI");

  EXPECT_EQ(window.HitTest(100, 100), os::HTCAPTION);  // the background picture
  EXPECT_EQ(window.HitTest(980, 240), os::HTCLIENT);   // closebtn
  EXPECT_EQ(window.HitTest(100, 700), os::HTCLIENT);   // below the caption
  // The base counts edits as caption; the login window decides otherwise.
  const os::RECT field = user->GetPos();
  EXPECT_EQ(window.HitTest((field.left + field.right) / 2, (field.top + field.bottom) / 2), os::HTCAPTION);

  // Focused, the field opens a popup over the layered window, and typing
  // reaches the control.
  auto* edit = static_cast<Kesto::CEditUI*>(user->GetInterface(u"Edit"));
  ASSERT_NE(edit, nullptr);
  window.GetManager().SetFocus(edit);
  ASSERT_NE(edit->GetNativeWindow(), nullptr);
  EXPECT_NE(os::GetWindowLong(edit->GetNativeWindow(), os::GWL_STYLE) & static_cast<os::LONG>(os::WS_POPUP),
            0);
  os::SendMessage(edit->GetNativeWindow(), os::EM_SETSEL, 0, -1);
  os::inject::Text(u"player1");
  Pump();
  EXPECT_EQ(user->GetText(), u"player1");
}

TEST_F(WindowImplBaseTest, AWindowOutlivingItsObjectRunsOnWithoutIt) {
  os::HWND hwnd = nullptr;
  {
    TestWindow window(kArchive, u"fixed.xml");
    hwnd = window.CreateDefault();
    ASSERT_NE(hwnd, nullptr);
    window.SetIcon(115);
    Pump();
    os::inject::Click(window.Screen(50, 110));
    Pump();
  }
  // Input, a resize, a paint and the close reach only the default handling
  // (the sanitizer would catch a call into the destroyed object or manager).
  os::inject::Click(os::POINT{50, 110});
  os::inject::KeyPress(os::VK_ESCAPE);
  os::SetWindowPos(hwnd, nullptr, 0, 0, 300, 200, os::SWP_NOMOVE | os::SWP_NOZORDER);
  os::InvalidateRect(hwnd, nullptr, os::FALSE);
  Pump();
  EXPECT_EQ(os::SendMessage(hwnd, os::WM_GETICON, os::ICON_BIG, 0), 0);
  EXPECT_TRUE(os::DestroyWindow(hwnd));
}

// The box is shown, then the process ends; each case runs in a child process.
class SkinFailureDeathTest : public WindowImplBaseTest {
 protected:
  static void ReportBoxes() {
    for (const auto& box : os::headless::MessageBoxes()) {
      std::fprintf(stderr, "box [%s] [%s] %u\n", os::Utf16ToUtf8(box.text).c_str(),
                   os::Utf16ToUtf8(box.caption).c_str(), box.type);
    }
  }
  static void CreateAndReport(const char16_t* skin) {
    std::atexit(&ReportBoxes);
    TestWindow window(kArchive, skin);
    window.CreateDefault();
    std::fprintf(stderr, "still running\n");
  }
};

TEST_F(SkinFailureDeathTest, ASkinThatDoesNotBuildShowsTheBoxAndExitsWithOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string box = "box \\[加载资源文件失败\\] \\[UiLib提示\\] 16";
  EXPECT_EXIT(CreateAndReport(u"missing.xml"), ::testing::ExitedWithCode(1), box);
  EXPECT_EXIT(CreateAndReport(u"broken.xml"), ::testing::ExitedWithCode(1), box);
}

}  // namespace
}  // namespace windowtest
