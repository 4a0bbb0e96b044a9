// The Web Browser object over a scripted engine: in-place activation through
// the host's site, events and their argument layout, connection points, the
// host's UI handler, navigation arguments and the document model.
#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "platform/com/BrowserEngine.h"
#include "platform/com/HtmlDocument.h"
#include "platform/headless/Headless.h"
#include "platform/headless/StaticBrowser.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace {

using namespace os;
using namespace browsertest;

constexpr const char16_t* kHostClass = u"BrowserObjectTestHost";

// An engine driven by the test: it records what the object asks of it, and
// the test plays its events through `host`.
class ScriptedEngine final : public BrowserEngine {
 public:
  explicit ScriptedEngine(BrowserEngineHost* h) : host(h) { last = this; }
  ~ScriptedEngine() override {
    DestroyView();
    if (last == this) last = nullptr;
  }

  HWND CreateView(HWND parent, const RECT& rect) override {
    view = CreateWindowEx(0, kHostClass, u"view", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
    return view;
  }
  void DestroyView() override {
    if (view) DestroyWindow(std::exchange(view, nullptr));
  }
  HWND View() const override { return view; }
  void Navigate(std::u16string_view url, std::u16string_view headers) override {
    navigations.emplace_back(url);
    lastHeaders = headers;
  }
  void Refresh() override { ++refreshes; }
  void Stop() override { ++stops; }
  bool Busy() const override { return busy; }
  bool TranslateAccelerator(const MSG& message) override {
    keys.push_back(static_cast<UINT>(message.wParam));
    return message.wParam == VK_F5;
  }
  void HostInfoChanged() override { ++hostInfoChanges; }

  static inline ScriptedEngine* last = nullptr;
  BrowserEngineHost* host;
  HWND view = nullptr;
  std::vector<std::u16string> navigations;
  std::u16string lastHeaders;
  int refreshes = 0;
  int stops = 0;
  bool busy = false;
  std::vector<UINT> keys;
  int hostInfoChanges = 0;
};

std::unique_ptr<BrowserEngine> MakeScripted(BrowserEngineHost* host) {
  return std::make_unique<ScriptedEngine>(host);
}

class BrowserObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    RegisterBrowserEngineFactory("headless", &MakeScripted);
    WNDCLASSEXW wc;
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = kHostClass;
    RegisterClassEx(&wc);
    window = CreateWindowEx(0, kHostClass, u"host", WS_POPUP | WS_VISIBLE, 100, 100, 800, 600, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
  }
  void TearDown() override {
    hosted.Release();
    hosted = HostedBrowser();
    RegisterBrowserEngineFactory("headless", nullptr);
    CoUninitialize();
    headless::Reset();
  }

  ScriptedEngine& Engine() { return *ScriptedEngine::last; }
  void CreateHosted() {
    ASSERT_EQ(hosted.Create(window, kRect), S_OK);
    ASSERT_NE(ScriptedEngine::last, nullptr);
  }

  static constexpr RECT kRect{10, 40, 610, 440};
  HWND window = nullptr;
  HostedBrowser hosted;
};

TEST_F(BrowserObjectTest, InPlaceActivationFollowsTheSiteProtocol) {
  CreateHosted();
  EXPECT_EQ(hosted.site->calls, (std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivateEx",
                                                          "GetWindow", "GetWindowContext", "ShowObject"}));
  EXPECT_EQ(hosted.site->activateFlags, 0u);  // windowed, not windowless

  HWND view = hosted.View();
  ASSERT_TRUE(view);
  EXPECT_EQ(GetParent(view), window);
  RECT r;
  GetWindowRect(view, &r);
  EXPECT_EQ(r, (RECT{110, 140, 710, 540}));
  SHANDLE_PTR handle = 0;
  EXPECT_EQ(hosted.browser->get_HWND(&handle), S_OK);
  EXPECT_EQ(reinterpret_cast<HWND>(handle), view);

  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(hosted.ole.As(&inPlace), S_OK);
  RECT moved{0, 0, 300, 200};
  EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
  GetWindowRect(view, &r);
  EXPECT_EQ(r, (RECT{100, 100, 400, 300}));

  // Activating again changes nothing; UI activation tells site and frame.
  hosted.site->calls.clear();
  EXPECT_EQ(hosted.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, hosted.site.get(), 0, window, &kRect),
            S_OK);
  EXPECT_TRUE(hosted.site->calls.empty());
  EXPECT_EQ(hosted.ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, hosted.site.get(), 0, window, &kRect), S_OK);
  EXPECT_EQ(hosted.site->calls, (std::vector<std::string>{"OnUIActivate", "SetActiveObject"}));
  EXPECT_TRUE(IsSameObject(hosted.site->active.get(), hosted.browser.get()));
  EXPECT_EQ(GetFocus(), view);

  hosted.site->calls.clear();
  EXPECT_EQ(hosted.ole->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(hosted.site->calls,
            (std::vector<std::string>{"SetActiveObject(null)", "OnUIDeactivate", "OnInPlaceDeactivateEx"}));
  EXPECT_FALSE(hosted.site->active);
  EXPECT_FALSE(IsWindow(view));
  HWND none = window;
  ComPtr<IOleWindow> oleWindow;
  ASSERT_EQ(hosted.ole.As(&oleWindow), S_OK);
  EXPECT_EQ(oleWindow->GetWindow(&none), E_FAIL);
  EXPECT_EQ(none, nullptr);
}

TEST_F(BrowserObjectTest, ASiteThatRefusesOrLacksTheExtendedInterfaceIsServedAccordingly) {
  {
    HostedBrowser refused;
    refused.site = Make(new FakeSite(window, kRect));
    ComPtr<IOleObject> ole;
    ASSERT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IOleObject, ole.put_void()), S_OK);
    ole->SetClientSite(refused.site.get());
    refused.site->canActivate = S_FALSE;
    EXPECT_TRUE(
        FAILED(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, refused.site.get(), 0, window, &kRect)));
    EXPECT_EQ(refused.site->calls, (std::vector<std::string>{"CanInPlaceActivate"}));
    EXPECT_EQ(ScriptedEngine::last->view, nullptr);
    ole->SetClientSite(nullptr);
  }
  {
    ComPtr<FakeSite> plain = Make(new FakeSite(window, kRect));
    plain->withEx = false;
    ComPtr<IOleObject> ole;
    ASSERT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IOleObject, ole.put_void()), S_OK);
    ole->SetClientSite(plain.get());
    EXPECT_EQ(ole->DoVerb(OLEIVERB_SHOW, nullptr, plain.get(), 0, window, &kRect), S_OK);
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    EXPECT_EQ(plain->calls,
              (std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow",
                                        "GetWindowContext", "ShowObject", "OnInPlaceDeactivate"}));
  }
  // Without any site there is nothing to activate in.
  ComPtr<IOleObject> lonely;
  ASSERT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IOleObject, lonely.put_void()), S_OK);
  EXPECT_EQ(lonely->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, window, &kRect), E_UNEXPECTED);
  DWORD status = 0;
  EXPECT_EQ(lonely->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_TRUE(status & OLEMISC_SETCLIENTSITEFIRST);
  EXPECT_FALSE(status & OLEMISC_INVISIBLEATRUNTIME);
}

TEST_F(BrowserObjectTest, NavigationEventsCarryTheirArgumentsInReverseOrder) {
  CreateHosted();
  BrowserEngineHost* host = Engine().host;

  EXPECT_TRUE(host->BeforeNavigate(u"http://a/page", 0x40, u"frame", u"X-Test: 1\r\n"));
  const RecordedEvent* before = hosted.sink->Last(DISPID_BEFORENAVIGATE2);
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(before->iid, IID_NULL);
  EXPECT_EQ(before->flags, DISPATCH_METHOD);
  const VARTYPE kRefVariant = VT_BYREF | VT_VARIANT;
  EXPECT_EQ(before->types, (std::vector<VARTYPE>{VT_BYREF | VT_BOOL, kRefVariant, kRefVariant, kRefVariant,
                                                 kRefVariant, kRefVariant, VT_DISPATCH}));
  EXPECT_EQ(before->texts[5], u"http://a/page");
  EXPECT_EQ(before->numbers[4], 0x40);
  EXPECT_EQ(before->texts[3], u"frame");
  EXPECT_EQ(before->texts[2], std::nullopt);  // no post data
  EXPECT_EQ(before->texts[1], u"X-Test: 1\r\n");
  EXPECT_TRUE(IsSameObject(before->objects[6].get(), hosted.browser.get()));

  // A sink cancels through the pointer in the last argument.
  hosted.sink->react = [](DISPID id, DISPPARAMS* params) {
    if (id == DISPID_BEFORENAVIGATE2) *params->rgvarg[0].pboolVal = VARIANT_TRUE;
  };
  EXPECT_FALSE(host->BeforeNavigate(u"http://a/other", 0, u"", u""));
  hosted.sink->react = nullptr;

  host->NavigateComplete(u"http://a/page");
  const RecordedEvent* complete = hosted.sink->Last(DISPID_NAVIGATECOMPLETE2);
  ASSERT_NE(complete, nullptr);
  EXPECT_EQ(complete->types, (std::vector<VARTYPE>{kRefVariant, VT_DISPATCH}));
  EXPECT_EQ(complete->texts[0], u"http://a/page");
  EXPECT_TRUE(IsSameObject(complete->objects[1].get(), hosted.browser.get()));
  BSTR location;
  hosted.browser->get_LocationURL(&location);
  EXPECT_EQ(location, u"http://a/page");
  ComPtr<IHTMLDocument2> loading = hosted.Document();
  ASSERT_TRUE(loading);
  BSTR state;
  loading->get_readyState(&state);
  EXPECT_EQ(state, u"loading");

  DocumentContent content;
  content.title = u"Servers";
  content.elements.push_back(HtmlElementInfo{u"meta", {{u"name", u"win-width"}, {u"content", u"1000"}}, u""});
  host->DocumentComplete(u"http://a/page", content);
  const RecordedEvent* documentComplete = hosted.sink->Last(DISPID_DOCUMENTCOMPLETE);
  ASSERT_NE(documentComplete, nullptr);
  EXPECT_EQ(documentComplete->types, (std::vector<VARTYPE>{kRefVariant, VT_DISPATCH}));
  EXPECT_EQ(documentComplete->texts[0], u"http://a/page");
  // The document of NavigateComplete2 is the one completed.
  ComPtr<IHTMLDocument2> complete2 = hosted.Document();
  EXPECT_EQ(complete2.get(), loading.get());
  complete2->get_readyState(&state);
  EXPECT_EQ(state, u"complete");
  BSTR name;
  hosted.browser->get_LocationName(&name);
  EXPECT_EQ(name, u"Servers");

  EXPECT_FALSE(host->NavigateError(u"http://a/missing", u"", 404));
  const RecordedEvent* error = hosted.sink->Last(DISPID_NAVIGATEERROR);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->types,
            (std::vector<VARTYPE>{VT_BYREF | VT_BOOL, kRefVariant, kRefVariant, kRefVariant, VT_DISPATCH}));
  EXPECT_EQ(error->texts[3], u"http://a/missing");
  EXPECT_EQ(error->texts[2], u"");
  EXPECT_EQ(error->numbers[1], 404);
  hosted.sink->react = [](DISPID, DISPPARAMS* params) { *params->rgvarg[0].pboolVal = VARIANT_TRUE; };
  EXPECT_TRUE(host->NavigateError(u"http://a/missing", u"", INET_E_CANNOT_CONNECT));
  EXPECT_EQ(hosted.sink->Last(DISPID_NAVIGATEERROR)->numbers[1], INET_E_CANNOT_CONNECT);
  hosted.sink->react = nullptr;

  host->StatusTextChange(u"Done");
  const RecordedEvent* status = hosted.sink->Last(DISPID_STATUSTEXTCHANGE);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->types, (std::vector<VARTYPE>{VT_BSTR}));
  EXPECT_EQ(status->texts[0], u"Done");
  host->CommandStateChange(CSC_NAVIGATEBACK, true);
  const RecordedEvent* command = hosted.sink->Last(DISPID_COMMANDSTATECHANGE);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->types, (std::vector<VARTYPE>{VT_BOOL, VT_I4}));
  EXPECT_EQ(command->numbers[1], CSC_NAVIGATEBACK);
}

TEST_F(BrowserObjectTest, NewWindowAsksBothEventsAndTakesTheBrowserASinkSupplies) {
  CreateHosted();
  BrowserEngineHost* host = Engine().host;
  ComPtr<IWebBrowser2> target;
  EXPECT_TRUE(host->NewWindow(u"http://a/popup", u"http://a/", NWMF_USERINITED | NWMF_FIRST, &target));
  EXPECT_FALSE(target);
  EXPECT_EQ(hosted.sink->Ids(), (std::vector<DISPID>{DISPID_NEWWINDOW2, DISPID_NEWWINDOW3}));
  const RecordedEvent* two = hosted.sink->Last(DISPID_NEWWINDOW2);
  EXPECT_EQ(two->types, (std::vector<VARTYPE>{VT_BYREF | VT_BOOL, VT_BYREF | VT_DISPATCH}));
  const RecordedEvent* three = hosted.sink->Last(DISPID_NEWWINDOW3);
  EXPECT_EQ(three->types,
            (std::vector<VARTYPE>{VT_BSTR, VT_BSTR, VT_UI4, VT_BYREF | VT_BOOL, VT_BYREF | VT_DISPATCH}));
  EXPECT_EQ(three->texts[0], u"http://a/popup");
  EXPECT_EQ(three->texts[1], u"http://a/");
  EXPECT_EQ(three->numbers[2], static_cast<LONG>(NWMF_USERINITED | NWMF_FIRST));

  // A sink hands over another browser; the reference passes to the engine.
  ComPtr<IWebBrowser2> second;
  ASSERT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IWebBrowser2, second.put_void()),
            S_OK);
  second->AddRef();
  const ULONG before = second->Release();
  hosted.sink->react = [&](DISPID id, DISPPARAMS* params) {
    if (id != DISPID_NEWWINDOW3) return;
    IDispatch* d = second.get();
    d->AddRef();
    *params->rgvarg[4].ppdispVal = d;
  };
  EXPECT_TRUE(host->NewWindow(u"http://a/popup", u"http://a/", 0, &target));
  EXPECT_EQ(target.get(), second.get());
  target.reset();
  second->AddRef();
  EXPECT_EQ(second->Release(), before);  // nothing leaked

  // Cancelled in NewWindow2: NewWindow3 is not asked.
  hosted.sink->events.clear();
  hosted.sink->react = [](DISPID id, DISPPARAMS* params) {
    if (id == DISPID_NEWWINDOW2) *params->rgvarg[0].pboolVal = VARIANT_TRUE;
  };
  EXPECT_FALSE(host->NewWindow(u"http://a/popup", u"http://a/", 0, &target));
  EXPECT_EQ(hosted.sink->Ids(), (std::vector<DISPID>{DISPID_NEWWINDOW2}));
}

TEST_F(BrowserObjectTest, ConnectionPointKeepsSinksUntilTheyUnadvise) {
  CreateHosted();
  BrowserEngineHost* host = Engine().host;
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(hosted.ole.As(&container), S_OK);
  ComPtr<IConnectionPoint> other;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, other.put()), CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(other);
  IID iid;
  EXPECT_EQ(hosted.point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID_DWebBrowserEvents2);
  ComPtr<IConnectionPointContainer> back;
  EXPECT_EQ(hosted.point->GetConnectionPointContainer(back.put()), S_OK);
  EXPECT_TRUE(IsSameObject(back.get(), container.get()));

  ComPtr<EventSink> second = Make(new EventSink());
  DWORD secondCookie = 0;
  ASSERT_EQ(hosted.point->Advise(static_cast<IDispatch*>(second.get()), &secondCookie), S_OK);
  EXPECT_NE(secondCookie, hosted.cookie);
  host->StatusTextChange(u"one");
  EXPECT_EQ(hosted.sink->events.size(), 1u);
  EXPECT_EQ(second->events.size(), 1u);

  // The first sink unadvises the second during the event: it is not called.
  hosted.sink->react = [&](DISPID, DISPPARAMS*) { hosted.point->Unadvise(secondCookie); };
  host->StatusTextChange(u"two");
  EXPECT_EQ(hosted.sink->events.size(), 2u);
  EXPECT_EQ(second->events.size(), 1u);
  EXPECT_EQ(hosted.point->Unadvise(secondCookie), CONNECT_E_NOCONNECTION);
  hosted.sink->react = nullptr;

  // Only sinks that can take the events connect.
  ComPtr<FakeUiHandler> notASink = Make(new FakeUiHandler());
  DWORD cookie = 7;
  EXPECT_EQ(hosted.point->Advise(static_cast<IDocHostUIHandler*>(notASink.get()), &cookie),
            CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);

  EXPECT_EQ(hosted.point->Unadvise(hosted.cookie), S_OK);
  host->StatusTextChange(u"three");
  EXPECT_EQ(hosted.sink->events.size(), 2u);
  hosted.cookie = 0;
}

TEST_F(BrowserObjectTest, TheUiHandlerGivenToADocumentServesTheBrowser) {
  CreateHosted();
  BrowserEngineHost* host = Engine().host;
  ComPtr<FakeUiHandler> handler = Make(new FakeUiHandler());
  handler->flags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
  handler->css = u"body{margin:0}";

  // Before any handler: nothing to ask, defaults.
  EXPECT_EQ(host->HostInfo().dwFlags, 0u);
  EXPECT_FALSE(host->ShowContextMenu(CONTEXT_MENU_DEFAULT, POINT{1, 2}));
  EXPECT_FALSE(host->ScriptErrorContinue());

  // As the framework's control does on NavigateComplete2.
  hosted.sink->react = [&](DISPID id, DISPPARAMS*) {
    if (id != DISPID_NAVIGATECOMPLETE2) return;
    ComPtr<ICustomDoc> custom;
    ASSERT_EQ(hosted.Document().As(&custom), S_OK);
    EXPECT_EQ(custom->SetUIHandler(handler.get()), S_OK);
  };
  host->NavigateComplete(u"http://a/");
  EXPECT_EQ(Engine().hostInfoChanges, 1);
  const DOCHOSTUIINFO info = host->HostInfo();
  EXPECT_EQ(info.dwFlags, DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO);
  EXPECT_EQ(info.pchHostCss, u"body{margin:0}");

  EXPECT_TRUE(host->ShowContextMenu(CONTEXT_MENU_ANCHOR, POINT{30, 40}));
  ASSERT_EQ(handler->menus.size(), 1u);
  EXPECT_EQ(handler->menus[0].id, CONTEXT_MENU_ANCHOR);
  EXPECT_EQ(handler->menus[0].point, (POINT{30, 40}));
  handler->contextMenuAnswer = S_FALSE;
  EXPECT_FALSE(host->ShowContextMenu(CONTEXT_MENU_DEFAULT, POINT{30, 40}));

  EXPECT_TRUE(host->ScriptErrorContinue());
  EXPECT_EQ(handler->scriptErrors, 1);

  // Keys: the host's handler first, then the engine.
  ComPtr<IOleInPlaceActiveObject> active;
  ASSERT_EQ(hosted.ole.As(&active), S_OK);
  MSG f5{hosted.View(), WM_KEYDOWN, VK_F5, 0, 0, {}};
  EXPECT_EQ(active->TranslateAccelerator(&f5), S_OK);
  ASSERT_EQ(handler->accelerators.size(), 1u);
  EXPECT_EQ(handler->accelerators[0].command, IDM_REFRESH);
  EXPECT_EQ(Engine().keys, (std::vector<UINT>{VK_F5}));
  MSG letter{hosted.View(), WM_KEYDOWN, 'A', 0, 0, {}};
  EXPECT_EQ(active->TranslateAccelerator(&letter), S_FALSE);
  handler->acceleratorAnswer = S_OK;
  EXPECT_EQ(active->TranslateAccelerator(&letter), S_OK);
  EXPECT_EQ(Engine().keys.size(), 2u);  // the host used it; the engine was not asked

  // The handler stays for later documents; a handler without a command
  // target lets script errors show.
  hosted.sink->react = nullptr;
  host->NavigateComplete(u"http://a/next");
  EXPECT_EQ(host->HostInfo().dwFlags, DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO);
  handler->withCommandTarget = false;
  EXPECT_FALSE(host->ScriptErrorContinue());

  // Once the browser is closed its documents no longer reach it.
  ComPtr<IHTMLDocument2> document = hosted.Document();
  hosted.Release();
  ComPtr<ICustomDoc> custom;
  ASSERT_EQ(document.As(&custom), S_OK);
  EXPECT_EQ(custom->SetUIHandler(handler.get()), E_UNEXPECTED);
}

TEST_F(BrowserObjectTest, NavigationCallsCheckTheirArgumentsAndReachTheEngine) {
  CreateHosted();
  ScriptedEngine& engine = Engine();
  VARIANT url = VARIANT::String(u"http://a/");
  VARIANT byRef = VARIANT::Ref(&url);
  VARIANT headers = VARIANT::String(u"Referer: http://b/\r\n");
  EXPECT_EQ(hosted.browser->Navigate2(&byRef, nullptr, nullptr, nullptr, &headers), S_OK);
  EXPECT_EQ(engine.lastHeaders, u"Referer: http://b/\r\n");
  VARIANT missing = VARIANT::Missing();
  EXPECT_EQ(hosted.browser->Navigate(BSTR(u"http://c/"), &missing, &missing, &missing, &missing), S_OK);
  EXPECT_EQ(engine.navigations, (std::vector<std::u16string>{u"http://a/", u"http://c/"}));

  VARIANT number = VARIANT::Int(3);
  VARIANT empty = VARIANT::String(u"");
  VARIANT postData = VARIANT::String(u"a=1");
  EXPECT_EQ(hosted.browser->Navigate2(nullptr, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(hosted.browser->Navigate2(&number, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(hosted.browser->Navigate2(&empty, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(hosted.browser->Navigate2(&url, nullptr, nullptr, &postData, nullptr), E_NOTIMPL);
  EXPECT_EQ(engine.navigations.size(), 2u);

  hosted.browser->Refresh();
  hosted.browser->Stop();
  EXPECT_EQ(engine.refreshes, 1);
  EXPECT_EQ(engine.stops, 1);

  READYSTATE state;
  hosted.browser->get_ReadyState(&state);
  EXPECT_EQ(state, READYSTATE_UNINITIALIZED);
  engine.busy = true;
  VARIANT_BOOL busy;
  hosted.browser->get_Busy(&busy);
  EXPECT_EQ(busy, VARIANT_TRUE);
  hosted.browser->get_ReadyState(&state);
  EXPECT_EQ(state, READYSTATE_LOADING);
  engine.busy = false;
  engine.host->NavigateComplete(u"http://a/");
  engine.host->DocumentComplete(u"http://a/", DocumentContent{});
  hosted.browser->get_ReadyState(&state);
  EXPECT_EQ(state, READYSTATE_COMPLETE);

  hosted.browser->put_Visible(VARIANT_FALSE);
  EXPECT_FALSE(IsWindowVisible(hosted.View()));
  hosted.browser->put_Visible(VARIANT_TRUE);
  EXPECT_TRUE(IsWindowVisible(hosted.View()));
}

DocumentContent SamplePage() {
  DocumentContent c;
  c.title = u"Sample";
  c.elements = {
      {u"html", {}, u"Sample hi"},
      {u"head", {}, u"Sample"},
      {u"meta", {{u"name", u"win-width"}, {u"content", u"1000"}}, u""},
      {u"meta", {{u"name", u"win-bar"}, {u"content", u"e30="}}, u""},
      {u"title", {}, u"Sample"},
      {u"body", {{u"class", u"main"}}, u"hi"},
      {u"a", {{u"id", u"win-width"}, {u"href", u"/x"}}, u"hi"},
  };
  return c;
}

std::unique_ptr<BrowserEngine> Declines(BrowserEngineHost*) { return nullptr; }

// The backend supplies the engine when nothing registered for it makes one:
// the headless backend's is the static engine.
TEST(BrowserEngineChoiceTest, TheBackendsDefaultServesWithoutAFactoryOrWhenItDeclines) {
  for (BrowserEngineFactory factory : {static_cast<BrowserEngineFactory>(nullptr), &Declines}) {
    headless::Reset();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    RegisterBrowserEngineFactory("headless", factory);
    WNDCLASSEXW wc;
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = kHostClass;
    RegisterClassEx(&wc);
    HWND window = CreateWindowEx(0, kHostClass, u"host", WS_POPUP | WS_VISIBLE, 100, 100, 800, 600, nullptr,
                                 nullptr, nullptr, nullptr);
    HostedBrowser hosted;
    ASSERT_EQ(hosted.Create(window, RECT{0, 0, 400, 300}), S_OK);
    const HWND view = hosted.View();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(headless::InspectStaticBrowser(view).has_value());
    hosted.Release();
    RegisterBrowserEngineFactory("headless", nullptr);
    CoUninitialize();
  }
  headless::Reset();
}

TEST(HtmlDocumentTest, TheElementCollectionAnswersByIndexNameAndTag) {
  ComPtr<HtmlDocument> document = HtmlDocument::Create(u"http://a/", nullptr);
  document->Fill(u"http://a/", SamplePage());
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(document->get_all(all.put()), S_OK);
  LONG length = 0;
  all->get_length(&length);
  EXPECT_EQ(length, 7);

  std::vector<std::u16string> tags;
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IDispatch> item;
    ASSERT_EQ(all->item(VARIANT::Int(i), VARIANT::Int(i), item.put()), S_OK);
    ComPtr<IHTMLElement> element;
    ASSERT_EQ(item.As(&element), S_OK);
    BSTR tag;
    element->get_tagName(&tag);
    tags.push_back(tag.str());
  }
  EXPECT_EQ(tags, (std::vector<std::u16string>{u"HTML", u"HEAD", u"META", u"META", u"TITLE", u"BODY", u"A"}));
  ComPtr<IDispatch> byIndexOnly;
  ASSERT_EQ(all->item(VARIANT(), VARIANT::Int(6), byIndexOnly.put()), S_OK);
  ComPtr<IHTMLElement> last;
  ASSERT_EQ(byIndexOnly.As(&last), S_OK);
  BSTR lastTag;
  last->get_tagName(&lastTag);
  EXPECT_EQ(lastTag, u"A");
  ComPtr<IDispatch> none;
  EXPECT_EQ(all->item(VARIANT::Int(7), VARIANT(), none.put()), E_INVALIDARG);
  EXPECT_EQ(all->item(VARIANT::Int(-1), VARIANT(), none.put()), E_INVALIDARG);
  EXPECT_FALSE(none);

  // The same element object each time.
  ComPtr<IDispatch> first, again;
  all->item(VARIANT::Int(2), VARIANT(), first.put());
  all->item(VARIANT::Int(2), VARIANT(), again.put());
  EXPECT_EQ(first.get(), again.get());

  // By name: one match is the element, several a collection, none nothing.
  ComPtr<IDispatch> byName;
  ASSERT_EQ(all->item(VARIANT::String(u"win-bar"), VARIANT(), byName.put()), S_OK);
  ComPtr<IHTMLElement> bar;
  ASSERT_EQ(byName.As(&bar), S_OK);
  ComPtr<IDispatch> several;
  ASSERT_EQ(all->item(VARIANT::String(u"win-width"), VARIANT(), several.put()), S_OK);
  ComPtr<IHTMLElementCollection> subset;
  ASSERT_EQ(several.As(&subset), S_OK);
  subset->get_length(&length);
  EXPECT_EQ(length, 2);
  ComPtr<IDispatch> second;
  ASSERT_EQ(all->item(VARIANT::String(u"win-width"), VARIANT::Int(1), second.put()), S_OK);
  ComPtr<IHTMLElement> anchor;
  ASSERT_EQ(second.As(&anchor), S_OK);
  BSTR tag;
  anchor->get_tagName(&tag);
  EXPECT_EQ(tag, u"A");
  ComPtr<IDispatch> missing;
  EXPECT_EQ(all->item(VARIANT::String(u"nothing"), VARIANT(), missing.put()), S_OK);
  EXPECT_FALSE(missing);

  ComPtr<IDispatch> metas;
  ASSERT_EQ(all->tags(VARIANT::String(u"META"), metas.put()), S_OK);
  ComPtr<IHTMLElementCollection> metaCollection;
  ASSERT_EQ(metas.As(&metaCollection), S_OK);
  metaCollection->get_length(&length);
  EXPECT_EQ(length, 2);
}

TEST(HtmlDocumentTest, ElementsReadAndChangeTheirAttributes) {
  ComPtr<HtmlDocument> document = HtmlDocument::Create(u"http://a/", nullptr);
  BSTR state;
  document->get_readyState(&state);
  EXPECT_EQ(state, u"loading");
  ComPtr<IHTMLElementCollection> all;
  document->get_all(all.put());
  LONG length = -1;
  all->get_length(&length);
  EXPECT_EQ(length, 0);

  document->Fill(u"http://a/done", SamplePage());
  BSTR text;
  document->get_title(&text);
  EXPECT_EQ(text, u"Sample");
  document->get_URL(&text);
  EXPECT_EQ(text, u"http://a/done");
  ComPtr<IHTMLElement> body;
  ASSERT_EQ(document->get_body(body.put()), S_OK);
  body->get_className(&text);
  EXPECT_EQ(text, u"main");
  body->get_innerText(&text);
  EXPECT_EQ(text, u"hi");

  document->get_all(all.put());
  ComPtr<IDispatch> item;
  all->item(VARIANT::Int(2), VARIANT(), item.put());
  ComPtr<IHTMLElement> meta;
  ASSERT_EQ(item.As(&meta), S_OK);
  VARIANT value;
  ASSERT_EQ(meta->getAttribute(BSTR(u"content"), 0, &value), S_OK);
  EXPECT_EQ(value.vt, VT_BSTR);
  EXPECT_EQ(value.bstrVal, u"1000");
  ASSERT_EQ(meta->getAttribute(BSTR(u"NAME"), 0, &value), S_OK);  // any case
  EXPECT_EQ(value.bstrVal, u"win-width");
  ASSERT_EQ(meta->getAttribute(BSTR(u"NAME"), 1, &value), S_OK);  // exactly
  EXPECT_EQ(value.vt, VT_NULL);
  ASSERT_EQ(meta->getAttribute(BSTR(u"lang"), 0, &value), S_OK);
  EXPECT_EQ(value.vt, VT_NULL);
  EXPECT_EQ(meta->getAttribute(BSTR(u"name"), 0, nullptr), E_POINTER);

  EXPECT_EQ(meta->setAttribute(BSTR(u"content"), VARIANT::Int(788), 0), S_OK);
  meta->getAttribute(BSTR(u"content"), 0, &value);
  EXPECT_EQ(value.bstrVal, u"788");
  EXPECT_EQ(meta->setAttribute(BSTR(u"data-x"), VARIANT::String(u"y"), 0), S_OK);
  VARIANT_BOOL removed = VARIANT_FALSE;
  EXPECT_EQ(meta->removeAttribute(BSTR(u"DATA-X"), 0, &removed), S_OK);
  EXPECT_EQ(removed, VARIANT_TRUE);
  EXPECT_EQ(meta->removeAttribute(BSTR(u"data-x"), 0, &removed), S_OK);
  EXPECT_EQ(removed, VARIANT_FALSE);

  // A document without a browser behind it takes no UI handler.
  ComPtr<ICustomDoc> custom;
  ASSERT_EQ(document.As(&custom), S_OK);
  EXPECT_EQ(custom->SetUIHandler(nullptr), E_UNEXPECTED);
}

}  // namespace
