// The static browser behind the Web Browser class on the headless backend,
// hosted as the UI framework hosts it, against pages served over HTTP.
#include "platform/headless/StaticBrowser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "BrowserTestSupport.h"
#include "platform/base/Unicode.h"
#include "platform/com/CookieJar.h"
#include "platform/com/UrlCache.h"
#include "platform/headless/Headless.h"
#include "platform/system/Shell.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"
#include "testsupport/TempDir.h"

namespace {

using namespace os;
using namespace browsertest;
using headless::StaticBrowserState;

constexpr const char16_t* kHostClass = u"StaticBrowserTestHost";

class StaticBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    WNDCLASSEXW wc;
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = kHostClass;
    RegisterClassEx(&wc);
    window = CreateWindowEx(0, kHostClass, u"host", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_TRUE(window);
    ASSERT_EQ(hosted.Create(window, kRect), S_OK);
    ASSERT_TRUE(hosted.View());

    server.server.Get("/page", [this](const httplib::Request&, httplib::Response& res) {
      ++pageRequests;
      res.set_content(
          "<!DOCTYPE html><html><head><title> Server  list </title>"
          "<meta name=\"win-width\" content=\"1000\"><META NAME=\"win-sizeble\" CONTENT=\"true\">"
          "</head><body><a href=\"/game?sid=1\">Play</a> <a href=\"popup\" "
          "target=\"_blank\">News</a></body></html>",
          "text/html; charset=utf-8");
    });
    server.server.Get("/counted", [this](const httplib::Request&, httplib::Response& res) {
      const int n = ++countedRequests;
      res.set_content("<title>Load " + std::to_string(n) + "</title>", "text/html");
    });
    server.server.Get("/old",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
    server.server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("<title>Not here</title>", "text/html");
    });
    server.server.Get("/game", [this](const httplib::Request& req, httplib::Response& res) {
      gameQueries.push_back(req.get_param_value("sid") + "|" + req.get_param_value("version"));
      res.set_content("<title>Game</title>", "text/html");
    });
    server.server.Get("/cookie", [this](const httplib::Request& req, httplib::Response& res) {
      cookieHeaders.push_back(req.get_header_value("Cookie"));
      res.set_header("Set-Cookie", "player=42; Path=/; Max-Age=3600");
      res.set_content("<title>Cookie</title>", "text/html");
    });
    server.server.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
      ++slowRequests;
      for (int i = 0; i < 300 && !releaseSlow; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      res.set_content("<title>Slow</title>", "text/html");
    });
    server.Start();
  }

  void TearDown() override {
    releaseSlow = true;
    hosted.Release();
    hosted = HostedBrowser();
    CoUninitialize();
    headless::Reset();
  }

  void Load(const std::string& path) {
    ASSERT_EQ(hosted.Navigate(server.Url(path)), S_OK);
    ASSERT_TRUE(headless::WaitForStaticBrowsers());
  }

  StaticBrowserState State() {
    auto state = headless::InspectStaticBrowser(hosted.View());
    EXPECT_TRUE(state.has_value());
    return state.value_or(StaticBrowserState{});
  }

  static constexpr RECT kRect{0, 30, 800, 600};
  testsupport::TempDir temp;
  testsupport::ScopedEnv cacheHome{"XDG_CACHE_HOME", (temp.path() / "cache").string()};
  testsupport::ScopedEnv dataHome{"XDG_DATA_HOME", (temp.path() / "data").string()};
  PageServer server;
  std::atomic<int> pageRequests{0};
  std::atomic<int> countedRequests{0};
  std::atomic<int> slowRequests{0};
  std::atomic<bool> releaseSlow{false};
  std::vector<std::string> gameQueries;
  std::vector<std::string> cookieHeaders;
  HWND window = nullptr;
  HostedBrowser hosted;
};

TEST_F(StaticBrowserTest, APageLoadRaisesItsEventsInOrderFromTheMessageLoop) {
  const std::string url = server.Url("/page");
  ASSERT_EQ(hosted.Navigate(url), S_OK);
  EXPECT_TRUE(hosted.sink->events.empty());  // nothing inside the call
  VARIANT_BOOL busy;
  hosted.browser->get_Busy(&busy);
  EXPECT_EQ(busy, VARIANT_TRUE);

  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE}));
  EXPECT_EQ(hosted.sink->Last(DISPID_BEFORENAVIGATE2)->texts[5], U16(url));
  EXPECT_EQ(hosted.sink->Last(DISPID_BEFORENAVIGATE2)->texts[3], u"");  // the top-level frame
  EXPECT_EQ(hosted.sink->Last(DISPID_DOCUMENTCOMPLETE)->texts[0], U16(url));
  hosted.browser->get_Busy(&busy);
  EXPECT_EQ(busy, VARIANT_FALSE);
  BSTR location;
  hosted.browser->get_LocationURL(&location);
  EXPECT_EQ(location, U16(url));

  const StaticBrowserState state = State();
  EXPECT_EQ(state.title, u"Server list");
  EXPECT_EQ(state.url, U16(url));
  ASSERT_EQ(state.links.size(), 2u);
  EXPECT_EQ(state.links[0].href, U16(server.Url("/game?sid=1")));
  EXPECT_EQ(state.links[1].href, U16(server.Url("/popup")));
  EXPECT_EQ(state.links[1].target, u"_blank");
}

TEST_F(StaticBrowserTest, TheDocumentListsEveryElementWithUpperCaseTagsAndItsAttributes) {
  Load("/page");
  ComPtr<IHTMLDocument2> document = hosted.Document();
  ASSERT_TRUE(document);
  BSTR title;
  document->get_title(&title);
  EXPECT_EQ(title, u"Server list");
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(document->get_all(all.put()), S_OK);
  LONG length = 0;
  all->get_length(&length);
  std::vector<std::u16string> tags;
  std::vector<std::pair<std::u16string, std::u16string>> metas;
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IDispatch> item;
    ASSERT_EQ(all->item(VARIANT::Int(i), VARIANT::Int(i), item.put()), S_OK);
    ComPtr<IHTMLElement> element;
    ASSERT_EQ(item.As(&element), S_OK);
    BSTR tag;
    element->get_tagName(&tag);
    tags.push_back(tag.str());
    if (tag == u"META") {
      VARIANT name, content;
      element->getAttribute(BSTR(u"name"), 0, &name);
      element->getAttribute(BSTR(u"content"), 0, &content);
      metas.emplace_back(name.bstrVal.str(), content.bstrVal.str());
    }
  }
  EXPECT_EQ(tags,
            (std::vector<std::u16string>{u"HTML", u"HEAD", u"TITLE", u"META", u"META", u"BODY", u"A", u"A"}));
  EXPECT_EQ(metas, (std::vector<std::pair<std::u16string, std::u16string>>{{u"win-width", u"1000"},
                                                                           {u"win-sizeble", u"true"}}));
}

TEST_F(StaticBrowserTest, CancellingBeforeNavigateStopsTheLoad) {
  hosted.sink->react = [](DISPID id, DISPPARAMS* params) {
    if (id == DISPID_BEFORENAVIGATE2) *params->rgvarg[0].pboolVal = VARIANT_TRUE;
  };
  Load("/page");
  EXPECT_EQ(hosted.sink->NavigationIds(), (std::vector<DISPID>{DISPID_BEFORENAVIGATE2}));
  EXPECT_EQ(pageRequests, 0);
  VARIANT_BOOL busy;
  hosted.browser->get_Busy(&busy);
  EXPECT_EQ(busy, VARIANT_FALSE);
  ComPtr<IDispatch> document;
  hosted.browser->get_Document(document.put());
  EXPECT_FALSE(document);
}

TEST_F(StaticBrowserTest, AHandlerCancelsAndNavigatesElsewhereFromBeforeNavigate) {
  // What the game handler does to mark gateway addresses.
  hosted.sink->react = [this](DISPID id, DISPPARAMS* params) {
    if (id != DISPID_BEFORENAVIGATE2) return;
    const std::u16string url = *VariantString(&params->rgvarg[5]);
    if (url.find(u"version=") != std::u16string::npos) return;
    *params->rgvarg[0].pboolVal = VARIANT_TRUE;
    VARIANT marked = VARIANT::String(url + u"&version=morvaine");
    hosted.browser->Navigate2(&marked, nullptr, nullptr, nullptr, nullptr);
  };
  Load("/game?sid=7");
  EXPECT_EQ(gameQueries, (std::vector<std::string>{"7|morvaine"}));
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2,
                                 DISPID_DOCUMENTCOMPLETE}));
  EXPECT_EQ(hosted.sink->Last(DISPID_DOCUMENTCOMPLETE)->texts[0],
            U16(server.Url("/game?sid=7&version=morvaine")));
}

TEST_F(StaticBrowserTest, FailedLoadsRaiseNavigateErrorAndKeepTheDocument) {
  Load("/page");
  ComPtr<IHTMLDocument2> before = hosted.Document();
  hosted.sink->events.clear();

  Load("/missing");
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_NAVIGATEERROR}));
  const RecordedEvent* error = hosted.sink->Last(DISPID_NAVIGATEERROR);
  EXPECT_EQ(error->texts[3], U16(server.Url("/missing")));
  EXPECT_EQ(error->numbers[1], 404);
  EXPECT_EQ(hosted.Document().get(), before.get());
  StaticBrowserState state = State();
  EXPECT_EQ(state.errorStatus, 404);
  EXPECT_EQ(state.errorUrl, U16(server.Url("/missing")));

  // Nothing listens on a port that was just closed.
  int closedPort = 0;
  {
    PageServer gone;
    gone.Start();
    closedPort = gone.port();
  }
  hosted.sink->events.clear();
  const std::string unreachable = "http://127.0.0.1:" + std::to_string(closedPort) + "/";
  ASSERT_EQ(hosted.Navigate(unreachable), S_OK);
  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_NAVIGATEERROR}));
  EXPECT_EQ(hosted.sink->Last(DISPID_NAVIGATEERROR)->numbers[1], INET_E_CANNOT_CONNECT);

  // A host that cancels the error keeps the engine from showing its error page.
  hosted.sink->react = [](DISPID id, DISPPARAMS* params) {
    if (id == DISPID_NAVIGATEERROR) *params->rgvarg[0].pboolVal = VARIANT_TRUE;
  };
  Load("/page");
  Load("/missing");
  state = State();
  EXPECT_FALSE(state.errorStatus.has_value());
  EXPECT_EQ(state.title, u"Server list");
}

TEST_F(StaticBrowserTest, RedirectsAreFollowedAndTheFinalAddressReported) {
  Load("/old");
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE}));
  EXPECT_EQ(hosted.sink->Last(DISPID_BEFORENAVIGATE2)->texts[5], U16(server.Url("/old")));
  EXPECT_EQ(hosted.sink->Last(DISPID_NAVIGATECOMPLETE2)->texts[0], U16(server.Url("/page")));
  EXPECT_EQ(hosted.sink->Last(DISPID_DOCUMENTCOMPLETE)->texts[0], U16(server.Url("/page")));
  EXPECT_EQ(State().title, u"Server list");
}

TEST_F(StaticBrowserTest, RefreshLoadsTheCurrentPageAgainWithOnlyDocumentComplete) {
  VARIANT_BOOL busy;
  EXPECT_EQ(hosted.browser->Refresh(), S_OK);  // nothing loaded yet: nothing to do
  hosted.browser->get_Busy(&busy);
  EXPECT_EQ(busy, VARIANT_FALSE);

  Load("/counted");
  EXPECT_EQ(State().title, u"Load 1");
  ComPtr<IHTMLDocument2> document = hosted.Document();
  hosted.sink->events.clear();
  ASSERT_EQ(hosted.browser->Refresh(), S_OK);
  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  EXPECT_EQ(countedRequests, 2);
  EXPECT_EQ(hosted.sink->NavigationIds(), (std::vector<DISPID>{DISPID_DOCUMENTCOMPLETE}));
  EXPECT_EQ(State().title, u"Load 2");
  BSTR title;
  hosted.Document()->get_title(&title);
  EXPECT_EQ(title, u"Load 2");

  // F5 in the view refreshes as well.
  SetFocus(hosted.View());
  inject::KeyPress(VK_F5);
  headless::Pump();
  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  EXPECT_EQ(countedRequests, 3);
}

TEST_F(StaticBrowserTest, StopAbandonsALoadWithoutEvents) {
  ASSERT_EQ(hosted.Navigate(server.Url("/slow")), S_OK);
  // Let the request reach the server.
  for (int i = 0; i < 500 && slowRequests == 0; ++i) {
    headless::Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(slowRequests, 1);
  ASSERT_EQ(hosted.browser->Stop(), S_OK);
  VARIANT_BOOL busy;
  hosted.browser->get_Busy(&busy);
  EXPECT_EQ(busy, VARIANT_FALSE);
  releaseSlow = true;
  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  headless::Pump();
  EXPECT_EQ(hosted.sink->NavigationIds(), (std::vector<DISPID>{DISPID_BEFORENAVIGATE2}));
}

TEST_F(StaticBrowserTest, AboutBlankCompletesWithAnEmptyDocument) {
  ASSERT_EQ(hosted.Navigate("about:blank"), S_OK);
  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE}));
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(hosted.Document()->get_all(all.put()), S_OK);
  LONG length = 0;
  all->get_length(&length);
  EXPECT_EQ(length, 3);  // HTML, HEAD, BODY
}

TEST_F(StaticBrowserTest, LinksNavigateWhenClickedAndNewWindowsAskTheHost) {
  Load("/page");
  StaticBrowserState state = State();
  ASSERT_EQ(state.links.size(), 2u);
  auto clickAt = [this](const RECT& r) {
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(hosted.View(), &p);
    inject::Click(p);
    headless::Pump();
  };

  // A link in a new window: NewWindow2 and NewWindow3; not cancelled, the
  // page goes to the desktop's browser.
  ShellLaunchRecorder launches(false);
  hosted.sink->events.clear();
  clickAt(state.links[1].rect);
  EXPECT_EQ(hosted.sink->NavigationIds(), (std::vector<DISPID>{DISPID_NEWWINDOW2, DISPID_NEWWINDOW3}));
  EXPECT_EQ(hosted.sink->Last(DISPID_NEWWINDOW3)->texts[0], U16(server.Url("/popup")));
  EXPECT_EQ(hosted.sink->Last(DISPID_NEWWINDOW3)->texts[1], U16(server.Url("/page")));
  ASSERT_EQ(launches.Launches().size(), 1u);
  EXPECT_EQ(launches.Launches()[0].file, U16(server.Url("/popup")));
  // Cancelled: nothing opens.
  hosted.sink->react = [](DISPID id, DISPPARAMS* params) {
    if (id == DISPID_NEWWINDOW3) *params->rgvarg[3].pboolVal = VARIANT_TRUE;
  };
  clickAt(state.links[1].rect);
  EXPECT_EQ(launches.Launches().size(), 1u);
  hosted.sink->react = nullptr;

  // A plain link navigates in place.
  hosted.sink->events.clear();
  clickAt(state.links[0].rect);
  ASSERT_TRUE(headless::WaitForStaticBrowsers());
  EXPECT_EQ(hosted.sink->NavigationIds(),
            (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE}));
  EXPECT_EQ(gameQueries, (std::vector<std::string>{"1|"}));
  EXPECT_EQ(State().title, u"Game");
  // Clicking the view made the browser UI-active in its site.
  EXPECT_TRUE(IsSameObject(hosted.site->active.get(), hosted.browser.get()));
}

TEST_F(StaticBrowserTest, HostFlagsReachThePaintingAndContextMenusTheHost) {
  ComPtr<FakeUiHandler> handler = Make(new FakeUiHandler());
  hosted.sink->react = [&](DISPID id, DISPPARAMS*) {
    if (id != DISPID_NAVIGATECOMPLETE2) return;
    ComPtr<ICustomDoc> custom;
    if (SUCCEEDED(hosted.Document().As(&custom))) custom->SetUIHandler(handler.get());
  };
  // The sunken border and the scroll bar show until the host turns them off.
  auto pixel = [this](int x, int y) {
    headless::Pump();
    auto frame = headless::LastFrame(window);
    EXPECT_TRUE(frame.has_value());
    const std::size_t at = (static_cast<std::size_t>(y) * frame->width + x) * 4;
    return std::uint32_t{frame->bgra[at]} | std::uint32_t{frame->bgra[at + 1]} << 8 |
           std::uint32_t{frame->bgra[at + 2]} << 16;
  };
  Load("/page");
  EXPECT_TRUE(State().hostInfoRead);
  EXPECT_NE(pixel(0, 30), 0xFFFFFFu);     // border at the view's corner
  EXPECT_NE(pixel(790, 300), 0xFFFFFFu);  // scroll bar on the right
  handler->flags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_DISABLE_HELP_MENU;
  Load("/page");
  EXPECT_EQ(State().hostFlags, handler->flags);
  EXPECT_EQ(pixel(0, 30), 0xFFFFFFu);
  EXPECT_EQ(pixel(790, 300), 0xFFFFFFu);

  // Right clicks: the host decides; a menu it leaves to the engine is counted.
  POINT p{400, 500};
  ClientToScreen(hosted.View(), &p);
  inject::Click(p, MouseButton::Right);
  headless::Pump();
  ASSERT_EQ(handler->menus.size(), 1u);
  EXPECT_EQ(handler->menus[0].id, CONTEXT_MENU_DEFAULT);
  EXPECT_EQ(handler->menus[0].point, p);
  EXPECT_EQ(State().engineContextMenus, 0);
  handler->contextMenuAnswer = S_FALSE;
  inject::Click(p, MouseButton::Right);
  headless::Pump();
  EXPECT_EQ(State().engineContextMenus, 1);
}

TEST_F(StaticBrowserTest, LoadedPagesAndCookiesEnterTheUrlCache) {
  Load("/cookie");
  Load("/cookie");
  ASSERT_EQ(cookieHeaders.size(), 2u);
  EXPECT_EQ(cookieHeaders[0], "");
  EXPECT_EQ(cookieHeaders[1], "player=42");

  const std::vector<SeenEntry> entries = EnumerateUrlCache();
  std::vector<std::u16string> urls;
  std::vector<DWORD> types;
  for (const SeenEntry& e : entries) {
    urls.push_back(e.url);
    types.push_back(e.type);
    EXPECT_TRUE(std::filesystem::exists(Utf16ToUtf8(e.file)));
  }
  EXPECT_EQ(urls, (std::vector<std::u16string>{U16(server.Url("/cookie")),
                                               u"Cookie:" + CookieUserName() + u"@127.0.0.1/"}));
  EXPECT_EQ(types, (std::vector<DWORD>{NORMAL_CACHE_ENTRY, NORMAL_CACHE_ENTRY | COOKIE_CACHE_ENTRY}));
}

}  // namespace
