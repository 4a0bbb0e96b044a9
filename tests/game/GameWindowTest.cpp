// The game window with its browser, headless, against stand-in portal hosts
// (cpp-httplib) and against the local portal.
#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "Core/UIManager.h"
#include "game/GameBrowserEventHandler.h"
#include "game/OpenGameWindow.h"
#include "game/WebBrowserWnd.h"
#include "platform/base/Unicode.h"
#include "platform/com/Com.h"
#include "platform/headless/Headless.h"
#include "platform/headless/StaticBrowser.h"
#include "platform/system/Kernel.h"
#include "platform/system/Profile.h"
#include "platform/system/Shell.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Messages.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "portal/Portal.h"
#include "support/Encoding.h"
#include "support/PortalHosts.h"
#include "testsupport/TempDir.h"

namespace {

using os::headless::MessageBoxes;

std::u16string U16(const std::string& s) { return os::Utf8ToUtf16(s); }

// A stand-in host that serves pages set by the test and records the
// requests it sees.
class StandIn {
 public:
  StandIn() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::string page;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(req.target);
        page = page_;
      }
      res.set_content(page, "text/html; charset=utf-8");
    });
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~StandIn() {
    server_.stop();
    thread_.join();
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::u16string Url(const std::string& path) const { return U16("http://" + Host() + path); }
  void SetPage(std::string page) {
    std::lock_guard<std::mutex> lock(mutex_);
    page_ = std::move(page);
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::string page_ = "<title>blank</title>";
  std::vector<std::string> requests_;
};

std::string MetaPage(const std::string& metas) {
  return "<!DOCTYPE html><html><head><title>Servers</title>" + metas + "</head><body>list</body></html>";
}

std::string Meta(const std::string& name, const std::string& content) {
  return "<meta name=\"" + name + "\" content=\"" + content + "\">";
}

std::string BarJson(const std::string& more, const std::string& charge) {
  return Base64Encode(
      "{\"ServerName\":\"S1 星落\",\"Announcement\":\"维护\",\"AnnouncementURL\":"
      "\"http://news/a\",\"MoreURL\":\"" +
      more + "\",\"ChargeURL\":\"" + charge + "\"}");
}

class GameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::headless::Reset();
    ASSERT_TRUE(os::SUCCEEDED(os::CoInitialize(nullptr)));
    Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
    ReloadPortalHosts();
  }

  void TearDown() override {
    if (window_ != nullptr && window_->GetHWND() != nullptr) os::DestroyWindow(window_->GetHWND());
    delete window_;
    window_ = nullptr;
    os::CoUninitialize();
    Kesto::UIManager::SetProcessInstance(nullptr);
    os::headless::Reset();
    ReloadPortalHosts();
  }

  // The game window as the login opens it, moved to a known place.
  void Open(const std::u16string& url, const std::u16string& uid = u"7", const std::u16string& token = u"t") {
    window_ = OpenGameWindow(url, uid, token);
    ASSERT_NE(window_, nullptr);
    Settle();
  }

  os::HWND Hwnd() const { return window_->GetHWND(); }

  void Settle() {
    ASSERT_TRUE(os::headless::WaitForStaticBrowsers());
    os::headless::Pump();
  }

  void Navigate(const std::u16string& url) {
    window_->Browser()->Navigate2(url);
    Settle();
  }

  os::RECT WindowRect() const {
    os::RECT r{};
    os::GetWindowRect(Hwnd(), &r);
    return r;
  }

  Kesto::CControlUI* Control(std::u16string_view name) {
    return window_->GetManager().FindControlByName(name);
  }

  void ClickOn(std::u16string_view name) {
    Kesto::CControlUI* control = Control(name);
    ASSERT_NE(control, nullptr);
    const os::RECT r = control->GetPos();
    os::POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    os::ClientToScreen(Hwnd(), &p);
    os::inject::Click(p);
    os::headless::Pump();
  }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", (temp_.path() / "data").string()};
  testsupport::ScopedEnv cache_{"XDG_CACHE_HOME", (temp_.path() / "cache").string()};
  testsupport::ScopedEnv config_{"XDG_CONFIG_HOME", (temp_.path() / "config").string()};
  WebBrowserWnd* window_ = nullptr;
};

// Stand-in hosts for the API, web and game roles.
class StandInHostsTest : public GameWindowTest {
 protected:
  void SetUp() override {
    GameWindowTest::SetUp();
    hosts_ = std::make_unique<testsupport::ScopedEnv>(
        "LUMORA_PORTAL_HOSTS", "api=" + api_.Host() + ",web=" + web_.Host() + ",game=" + game_.Host());
    ReloadPortalHosts();
  }
  void TearDown() override {
    GameWindowTest::TearDown();
    hosts_.reset();
    ReloadPortalHosts();
  }

  // Opens the window on a blank web page, placed at left 100, 788 wide.
  void OpenPlaced() {
    Open(web_.Url("/blank?x=1"));
    os::SetWindowPos(Hwnd(), nullptr, 100, 50, 788, 600, os::SWP_NOZORDER);
  }

  StandIn api_, web_, game_, other_;
  std::unique_ptr<testsupport::ScopedEnv> hosts_;
};

TEST_F(StandInHostsTest, OpenGameAppendsUidAndTokenAndLabelsTheWindow) {
  Open(web_.Url("/page?x=1"), u"7", u"t");
  EXPECT_EQ(web_.Requests(), (std::vector<std::string>{"/page?x=1&uid=7&token=t"}));
  char16_t title[64] = {};
  os::GetWindowText(Hwnd(), title, 64);
  EXPECT_EQ(std::u16string(title), u"LumoraMorvaine");
  EXPECT_EQ(Control(u"gamename")->GetText(), u"LumoraMorvaine");
  EXPECT_EQ(window_->FullMode(), 1);
}

TEST_F(StandInHostsTest, WidthAndHeightMetasRecentreOnTheOldPositionTruncatingTowardZero) {
  OpenPlaced();
  web_.SetPage(MetaPage(Meta("win-width", "1000") + Meta("win-height", "640")));
  Navigate(web_.Url("/a"));
  os::RECT r = WindowRect();
  EXPECT_EQ(r.left, -6);  // 100 + (788 - 1000) / 2
  EXPECT_EQ(r.right - r.left, 1000);
  EXPECT_EQ(r.top, 30);  // 50 + (600 - 640) / 2
  EXPECT_EQ(r.bottom - r.top, 640);

  os::SetWindowPos(Hwnd(), nullptr, 100, 50, 788, 600, os::SWP_NOZORDER);
  web_.SetPage(MetaPage(Meta("win-width", "789")));
  Navigate(web_.Url("/b"));
  r = WindowRect();
  EXPECT_EQ(r.left, 100);  // (788 - 789) / 2 truncates to 0
  EXPECT_EQ(r.right - r.left, 789);
}

TEST_F(StandInHostsTest, MetaKeysAreExactAndOnlyPortalOriginsCount) {
  OpenPlaced();
  // Wrong case of the key, and a page of another host: both ignored.
  web_.SetPage(MetaPage(Meta("Win-Width", "1000")));
  Navigate(web_.Url("/a"));
  other_.SetPage(MetaPage(Meta("win-width", "1000")));
  Navigate(other_.Url("/b"));
  EXPECT_EQ(WindowRect().right - WindowRect().left, 788);
  EXPECT_EQ(WindowRect().left, 100);

  // The API host is a portal origin too; a content that is no number is 0,
  // which the window's minimum size then holds up.
  api_.SetPage(MetaPage(Meta("win-width", " +900px")));
  Navigate(api_.Url("/c"));
  EXPECT_EQ(WindowRect().right - WindowRect().left, 900);
}

TEST_F(StandInHostsTest, SizableAndFullFlagsAreTrueOnlyForExactlyTrue) {
  OpenPlaced();
  web_.SetPage(MetaPage(Meta("win-sizeble", "True") + Meta("win-full", "yes")));
  Navigate(web_.Url("/a"));
  const os::RECT none{0, 0, 0, 0};
  EXPECT_EQ(window_->GetManager().SizingBorder(), none);
  EXPECT_EQ(window_->FullMode(), 9999);
  EXPECT_FALSE(Control(u"maxbtn")->IsEnabled());
  EXPECT_FALSE(os::IsZoomed(Hwnd()));

  web_.SetPage(MetaPage(Meta("win-sizeble", "true") + Meta("win-full", "true")));
  Navigate(web_.Url("/b"));
  const os::RECT border{4, 0, 4, 4};
  EXPECT_EQ(window_->GetManager().SizingBorder(), border);
  EXPECT_EQ(window_->FullMode(), 10000);
  EXPECT_TRUE(Control(u"maxbtn")->IsEnabled());
  EXPECT_TRUE(os::IsZoomed(Hwnd()));
}

TEST_F(StandInHostsTest, CaptionDoubleClickFollowsFullMode) {
  OpenPlaced();
  // Initial mode 1 allows it.
  EXPECT_EQ(os::SendMessage(Hwnd(), os::WM_NCLBUTTONDBLCLK, os::HTCAPTION, 0), 1);
  EXPECT_TRUE(os::IsZoomed(Hwnd()));
  EXPECT_EQ(os::SendMessage(Hwnd(), os::WM_NCLBUTTONDBLCLK, os::HTCAPTION, 0), 1);
  EXPECT_FALSE(os::IsZoomed(Hwnd()));

  os::SendMessage(Hwnd(), WM_GAME_SET_FULL, GAME_FLAG_OFF, 0);
  EXPECT_EQ(os::SendMessage(Hwnd(), os::WM_NCLBUTTONDBLCLK, os::HTCAPTION, 0), 1);
  EXPECT_FALSE(os::IsZoomed(Hwnd()));

  os::SendMessage(Hwnd(), WM_GAME_SET_FULL, GAME_FLAG_ON, 0);  // maximises
  EXPECT_TRUE(os::IsZoomed(Hwnd()));
  os::SendMessage(Hwnd(), os::WM_NCLBUTTONDBLCLK, os::HTCAPTION, 0);
  EXPECT_FALSE(os::IsZoomed(Hwnd()));
}

TEST_F(StandInHostsTest, SizableClientAddressPostsSizableThenFullAndStillLoads) {
  Open(web_.Url("/blank?x=1"));
  std::vector<std::pair<os::UINT, os::WPARAM>> seen;
  // Every message the loop dispatches passes here, the browser's waits included.
  os::headless::SetDefaultPreTranslate([&](os::MSG& msg) {
    if (msg.hwnd == Hwnd() && msg.message >= WM_GAME_SET_WIDTH && msg.message <= WM_GAME_SET_BAR) {
      seen.emplace_back(msg.message, msg.wParam);
    }
    return false;
  });
  Navigate(api_.Url("/client/redirect.html?sizeble=true&full=true"));
  EXPECT_EQ(seen, (std::vector<std::pair<os::UINT, os::WPARAM>>{{WM_GAME_SET_SIZABLE, GAME_FLAG_ON},
                                                                {WM_GAME_SET_FULL, GAME_FLAG_ON}}));
  EXPECT_EQ(api_.Requests().back(), "/client/redirect.html?sizeble=true&full=true");
  EXPECT_TRUE(os::IsZoomed(Hwnd()));

  // Outside "/client", or on another host, the address asks for nothing.
  seen.clear();
  Navigate(api_.Url("/other?sizeble=true&full=true"));
  Navigate(other_.Url("/client/x?sizeble=true&full=true"));
  os::headless::SetDefaultPreTranslate(nullptr);
  EXPECT_TRUE(seen.empty());
}

TEST_F(StandInHostsTest, GatewayAddressesAreMarkedOnceAndOnlyWithAllThreeKeys) {
  Open(web_.Url("/blank?x=1"));
  Navigate(game_.Url("/game.html?sid=3&sign=ab&uid=7"));
  Navigate(game_.Url("/game.html?sid=4&uid=7"));
  Navigate(game_.Url("/game.html?sid=5&sign=cd&uid=7&version=morvaine"));
  EXPECT_EQ(game_.Requests(), (std::vector<std::string>{"/game.html?sid=3&sign=ab&uid=7&version=morvaine",
                                                        "/game.html?sid=4&uid=7",
                                                        "/game.html?sid=5&sign=cd&uid=7&version=morvaine"}));
}

TEST_F(StandInHostsTest, TitleBarShowsServerAndAnnouncementAndOnlyTheLinksGiven) {
  OpenPlaced();
  web_.SetPage(MetaPage(Meta("win-bar", BarJson("", "http://pay/top?a=1"))));
  Navigate(web_.Url("/a"));
  EXPECT_EQ(Control(u"gamearea")->GetText(), u"S1 星落 公告:维护");
  EXPECT_FALSE(Control(u"more")->IsVisible());
  EXPECT_TRUE(Control(u"charge")->IsVisible());
  EXPECT_TRUE(Control(u"more")->IsMouseEnabled());
  EXPECT_TRUE(Control(u"gamearea")->IsMouseEnabled());
  EXPECT_EQ(window_->AnnouncementUrl(), u"http://news/a");
  EXPECT_EQ(window_->ChargeAddress(), u"http://pay/top?a=1&uid=7&token=t&ver=3");

  // The top-up link opens the stored address with uid, token and version.
  os::ShellLaunchRecorder launches(false);
  ClickOn(u"charge");
  ASSERT_FALSE(launches.Launches().empty());
  EXPECT_NE(launches.Launches().back().parameters.find(u"http://pay/top?a=1&uid=7&token=t&ver=3"),
            std::u16string::npos);

  // A bar that is not Base64 of JSON empties the values and hides both links.
  web_.SetPage(MetaPage(Meta("win-bar", "%%%not base64")));
  Navigate(web_.Url("/b"));
  EXPECT_EQ(Control(u"gamearea")->GetText(), u" 公告:");
  EXPECT_FALSE(Control(u"charge")->IsVisible());
  EXPECT_TRUE(window_->ChargeUrl().empty());
}

TEST_F(StandInHostsTest, ClearCacheAlwaysEndsWithItsBox) {
  OpenPlaced();
  ClickOn(u"clearcachebtn");
  const auto boxes = MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"清空IE缓存成功!");
  EXPECT_EQ(boxes[0].caption, u"警告");
  EXPECT_EQ(boxes[0].owner, nullptr);
}

TEST_F(StandInHostsTest, SystemCloseAndCloseButtonPostQuit) {
  OpenPlaced();
  os::SendMessage(Hwnd(), os::WM_SYSCOMMAND, os::SC_CLOSE, 0);
  EXPECT_TRUE(os::IsWindow(Hwnd()));
  os::headless::Pump();
  EXPECT_EQ(os::headless::PendingQuit(), std::optional<int>(0));
}

// The opened-game check over the shared record file.
class OpenedGameTest : public StandInHostsTest {
 protected:
  void SetUp() override {
    StandInHostsTest::SetUp();
    OpenPlaced();
    file_ = OpenedGameFile();
    std::filesystem::create_directories(std::filesystem::path(os::Utf16ToUtf8(file_)).parent_path());
  }
  void Record(const std::u16string& section, const std::u16string& gid, const std::u16string& sid) {
    const std::u16string id = EscapeUtf16Units(u"LumoraMorvaine");
    os::WritePrivateProfileString(section.c_str(), u"id", id.c_str(), file_);
    os::WritePrivateProfileString(section.c_str(), u"uid", u"7", file_);
    os::WritePrivateProfileString(section.c_str(), u"gid", gid.c_str(), file_);
    os::WritePrivateProfileString(section.c_str(), u"sid", sid.c_str(), file_);
  }
  std::vector<std::u16string> Sections() {
    std::u16string names;
    os::GetPrivateProfileSectionNames(&names, 1024, file_);
    return os::SplitMultiString(names);
  }
  std::u16string file_;
};

TEST_F(OpenedGameTest, AMatchingRecordRefusesAndStaleSectionsGo) {
  os::headless::ForeignWindowDesc foreign;
  foreign.caption = u"LumoraMorvaine";
  foreign.processId = 4242;
  os::headless::AddForeignWindow(foreign);
  Record(u"4242", u"73", u"5");
  Record(u"999999", u"73", u"6");  // no window of that process any more

  EXPECT_EQ(os::SendMessage(Hwnd(), WM_GAME_OPENED, 73, 5), 0);
  const auto boxes = MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"您已经打开相同区服的游戏!");
  EXPECT_EQ(boxes[0].caption, u"警告");
  EXPECT_EQ(Sections(), (std::vector<std::u16string>{u"4242"}));
}

TEST_F(OpenedGameTest, ADeadProcessesRecordStillCountsButAnotherServerIsRecorded) {
  Record(u"999999", u"73", u"5");
  // The stale record is removed, yet it was a candidate: same server refused.
  EXPECT_EQ(os::SendMessage(Hwnd(), WM_GAME_OPENED, 73, 5), 0);
  EXPECT_TRUE(Sections().empty());

  os::headless::ClearMessageBoxes();
  EXPECT_EQ(os::SendMessage(Hwnd(), WM_GAME_OPENED, 73, 6), 1);
  EXPECT_TRUE(MessageBoxes().empty());
  const std::u16string own = U16(std::to_string(os::GetCurrentProcessId()));
  EXPECT_EQ(Sections(), (std::vector<std::u16string>{own}));
  std::u16string value;
  os::GetPrivateProfileString(own.c_str(), u"sid", u"", &value, 1024, file_);
  EXPECT_EQ(value, u"6");
  // Our own window is alive, so a second open of that server is refused.
  EXPECT_EQ(os::SendMessage(Hwnd(), WM_GAME_OPENED, 73, 6), 0);
}

TEST(GameBarDecoding, NumbersAndBarTextsFollowTheRuntimeRules) {
  EXPECT_EQ(ParseLeadingInt(u"  -12x"), -12);
  EXPECT_EQ(ParseLeadingInt(u"abc"), 0);
  EXPECT_EQ(ParseLeadingInt(u"99999999999"), 2147483647);
  // A member of 256 bytes or more is empty; non-string members are empty.
  const std::string longName(256, 'a');
  const GameBarData bar = DecodeGameBar(
      U16(Base64Encode("{\"ServerName\":\"" + longName + "\",\"Announcement\":5,\"MoreURL\":\"m\"}")));
  EXPECT_TRUE(bar.serverName.empty());
  EXPECT_TRUE(bar.announcement.empty());
  EXPECT_EQ(bar.moreUrl, u"m");
  // A character beyond U+00FF cannot be narrowed: nothing is decoded.
  EXPECT_TRUE(DecodeGameBar(u"星" + U16(Base64Encode("{\"MoreURL\":\"m\"}"))).moreUrl.empty());
  // Nesting the JSON reader refuses by throwing leaves the bar without data.
  const GameBarData deep = DecodeGameBar(U16(Base64Encode(std::string(3000, '[') + std::string(3000, ']'))));
  EXPECT_TRUE(deep.serverName.empty() && deep.moreUrl.empty());
}

// The local portal: a real login, its server list, and the window it shapes.
class PortalGameTest : public GameWindowTest {
 protected:
  void SetUp() override {
    GameWindowTest::SetUp();
    portal::Options options = portal::DefaultOptions();
    options.ports.fill(0);
    options.dataDir = temp_.path() / "portal";
    options.logRequests = false;
    options.passwordIterations = 1000;
    portal_ = std::make_unique<portal::Portal>(options);
    std::string error;
    ASSERT_TRUE(portal_->Start(&error)) << error;
    std::string hosts;
    for (portal::Role role : portal::kAllRoles) {
      hosts += std::string(hosts.empty() ? "" : ",") + std::string(portal::RoleName(role)) +
               "=127.0.0.1:" + std::to_string(portal_->Port(role));
    }
    hosts_ = std::make_unique<testsupport::ScopedEnv>("LUMORA_PORTAL_HOSTS", hosts);
    ReloadPortalHosts();
  }
  void TearDown() override {
    GameWindowTest::TearDown();
    portal_.reset();
    hosts_.reset();
    ReloadPortalHosts();
  }

  Json::Value LogIn() {
    httplib::Client web("127.0.0.1", portal_->Port(portal::Role::kWeb));
    web.Post(
        "/register/tillow.html",
        "gid=73&username=player01&password=secret12&password_again=secret12&channel=360gj&version=1.0.0.1",
        "application/x-www-form-urlencoded");
    auto res = web.Post("/login/tillow.html", "&gid=73&username=player01&password=secret12",
                        "application/x-www-form-urlencoded");
    Json::Value reply;
    if (res) Json::Reader().parse(res->body, reply);
    return reply;
  }

  std::unique_ptr<portal::Portal> portal_;
  std::unique_ptr<testsupport::ScopedEnv> hosts_;
};

TEST_F(PortalGameTest, TheServerListShapesAndLabelsTheWindow) {
  const Json::Value login = LogIn();
  ASSERT_EQ(login["status"].asString(), "200");
  Open(U16(login["open_url"].asString()), U16(login["uid"].asString()), U16(login["token"].asString()));
  os::headless::Pump();

  const os::RECT r = WindowRect();
  EXPECT_EQ(r.right - r.left, 1000);
  EXPECT_EQ(r.bottom - r.top, 640);
  const os::RECT border{4, 0, 4, 4};
  EXPECT_EQ(window_->GetManager().SizingBorder(), border);
  EXPECT_EQ(window_->FullMode(), 9999);
  EXPECT_FALSE(Control(u"maxbtn")->IsEnabled());
  EXPECT_EQ(Control(u"gamearea")->GetText().rfind(u"Morvaine 公告:", 0), 0u);
  EXPECT_TRUE(Control(u"more")->IsVisible());
  EXPECT_TRUE(Control(u"charge")->IsVisible());

  const std::filesystem::path snapshot =
      std::filesystem::path(std::getenv("LUMORA_TEST_BINARY_DIR") ? std::getenv("LUMORA_TEST_BINARY_DIR")
                                                                  : ".") /
      "game-window.png";
  EXPECT_TRUE(os::headless::Snapshot(Hwnd(), snapshot));
}

}  // namespace
