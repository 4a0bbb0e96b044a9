// The system's Web Browser class through our interfaces: created and
// activated in place in a window the way our ActiveX host does it, its events
// reaching our sink with our arguments, and our UI handler called by the
// system through the bridge. Under Wine the engine behind the pages (Gecko)
// is missing: the object may be made and activated while its pages fail;
// every step must then fail with its HRESULT, never crash or leak our site.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "ComTestSupport.h"
#include "platform/base/Unicode.h"
#include "platform/com/Com.h"
#include "platform/com/Ole.h"
#include "platform/com/Variant.h"
#include "platform/com/WebBrowser.h"
// The system headers last: their macros would rename ours.
#include "platform/com/win32/SystemBrowser.h"

namespace {

using comtest::RecordingSink;

// A client and in-place site as small as the browser accepts.
class TestSite final : public os::IOleClientSite, public os::IOleInPlaceSite {
 public:
  explicit TestSite(::HWND window) : window_(window) {}

  os::HRESULT QueryInterface(const os::IID& riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    os::IOleInPlaceSite* inPlace = this;
    if (os::AnswerInterface<os::IUnknown>(riid, static_cast<os::IOleClientSite*>(this), object) ||
        os::AnswerInterface<os::IOleClientSite>(riid, this, object) ||
        os::AnswerInterface<os::IOleWindow>(riid, static_cast<os::IOleWindow*>(inPlace), object) ||
        os::AnswerInterface<os::IOleInPlaceSite>(riid, inPlace, object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  os::ULONG AddRef() override { return refs_.Add(); }
  os::ULONG Release() override { return refs_.Release(this); }
  os::ULONG References() const { return refs_.Value(); }

  os::HRESULT SaveObject() override { return S_OK; }
  os::HRESULT GetMoniker(os::DWORD, os::DWORD, os::IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  os::HRESULT GetContainer(os::IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  os::HRESULT ShowObject() override { return S_OK; }
  os::HRESULT OnShowWindow(os::BOOL) override { return S_OK; }
  os::HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

  os::HRESULT GetWindow(os::HWND* window) override {
    if (!window) return E_POINTER;
    *window = reinterpret_cast<os::HWND>(window_);
    return S_OK;
  }
  os::HRESULT ContextSensitiveHelp(os::BOOL) override { return E_NOTIMPL; }
  os::HRESULT CanInPlaceActivate() override { return S_OK; }
  os::HRESULT OnInPlaceActivate() override {
    activated = true;
    return S_OK;
  }
  os::HRESULT OnUIActivate() override { return S_OK; }
  os::HRESULT GetWindowContext(os::IOleInPlaceFrame** frame, os::IOleInPlaceUIWindow** document,
                               os::RECT* posRect, os::RECT* clipRect,
                               os::OLEINPLACEFRAMEINFO* frameInfo) override {
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    ::RECT client{};
    ::GetClientRect(window_, &client);
    const os::RECT r{client.left, client.top, client.right, client.bottom};
    if (posRect) *posRect = r;
    if (clipRect) *clipRect = r;
    if (frameInfo) {
      frameInfo->fMDIApp = FALSE;
      frameInfo->hwndFrame = reinterpret_cast<os::HWND>(window_);
      frameInfo->haccel = nullptr;
      frameInfo->cAccelEntries = 0;
    }
    return S_OK;
  }
  os::HRESULT Scroll(os::SIZE) override { return E_NOTIMPL; }
  os::HRESULT OnUIDeactivate(os::BOOL) override { return S_OK; }
  os::HRESULT OnInPlaceDeactivate() override {
    activated = false;
    return S_OK;
  }
  os::HRESULT DiscardUndoState() override { return E_NOTIMPL; }
  os::HRESULT DeactivateAndUndo() override { return E_NOTIMPL; }
  os::HRESULT OnPosRectChange(const os::RECT*) override { return S_OK; }

  bool activated = false;

 private:
  ~TestSite() = default;
  friend class os::RefCount;
  os::RefCount refs_;
  ::HWND window_;
};

void PumpFor(std::chrono::milliseconds span) {
  const auto until = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < until) {
    ::MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

class Win32BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(os::CoInitialize(nullptr)));
    window_ =
        ::CreateWindowExW(0, L"STATIC", L"browser host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                          0, 0, 640, 480, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  void TearDown() override {
    if (window_) ::DestroyWindow(window_);
    PumpFor(std::chrono::milliseconds(50));
    os::CoUninitialize();
  }
  ::HWND window_ = nullptr;
};

TEST_F(Win32BrowserTest, TheBrowserIsCreatedAndActivatedInPlaceOrFailsWithItsResult) {
  if (!window_) GTEST_SKIP() << "no window could be made (no display)";
  os::ComPtr<os::IOleControl> control;
  const os::HRESULT made = os::CoCreateInstance(os::CLSID_WebBrowser, nullptr, CLSCTX_ALL,
                                                os::IID_IOleControl, control.put_void());
  std::printf("browser: CoCreateInstance 0x%08lx\n", static_cast<unsigned long>(made));
  if (FAILED(made)) {
    EXPECT_FALSE(control);
    return;
  }
  ASSERT_TRUE(control);

  // One identity for every interface the host asks for, all of them ours.
  os::ComPtr<os::IOleObject> ole;
  os::ComPtr<os::IWebBrowser2> browser;
  os::ComPtr<os::IConnectionPointContainer> points;
  os::ComPtr<os::IOleInPlaceObject> inPlace;
  ASSERT_EQ(control.As(&ole), S_OK);
  ASSERT_EQ(control.As(&browser), S_OK);
  ASSERT_EQ(control.As(&points), S_OK);
  ASSERT_EQ(control.As(&inPlace), S_OK);
  EXPECT_TRUE(os::IsSameObject(ole.get(), browser.get()));
  EXPECT_TRUE(os::IsSameObject(points.get(), inPlace.get()));

  os::ComPtr<TestSite> site = os::ComPtr<TestSite>::Adopt(new TestSite(window_));
  {
    os::ComPtr<RecordingSink> sink = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
    os::ComPtr<os::IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(os::DIID_DWebBrowserEvents2, point.put()), S_OK);
    os::DWORD cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<os::IDispatch*>(sink.get()), &cookie), S_OK);

    os::DWORD status = 0;
    ole->GetMiscStatus(os::DVASPECT_CONTENT, &status);
    EXPECT_EQ(ole->SetClientSite(site.get()), S_OK);
    os::ComPtr<os::IOleClientSite> held;
    EXPECT_EQ(ole->GetClientSite(held.put()), S_OK);
    EXPECT_EQ(held.get(), static_cast<os::IOleClientSite*>(site.get()));
    held.reset();

    os::RECT where{0, 0, 640, 480};
    const os::HRESULT activated = ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0,
                                              reinterpret_cast<os::HWND>(window_), &where);
    std::printf("browser: in-place activation 0x%08lx\n", static_cast<unsigned long>(activated));
    if (SUCCEEDED(activated)) {
      EXPECT_TRUE(site->activated);
      os::HWND view = nullptr;
      EXPECT_EQ(inPlace->GetWindow(&view), S_OK);
      EXPECT_TRUE(view && ::IsChild(window_, reinterpret_cast<::HWND>(view)));
      os::RECT smaller{10, 10, 300, 200};
      EXPECT_EQ(inPlace->SetObjectRects(&smaller, &smaller), S_OK);
    }

    // Our rules before the system's: no URL, or post data, is refused here.
    EXPECT_EQ(browser->Navigate(os::BSTR(u""), nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    os::VARIANT post = os::VARIANT::String(u"a=b");
    os::VARIANT url = os::VARIANT::String(u"about:blank");
    EXPECT_EQ(browser->Navigate2(&url, nullptr, nullptr, &post, nullptr), E_NOTIMPL);

    const os::HRESULT navigated = browser->Navigate2(&url, nullptr, nullptr, nullptr, nullptr);
    std::printf("browser: Navigate2 0x%08lx\n", static_cast<unsigned long>(navigated));
    PumpFor(std::chrono::milliseconds(1500));
    std::printf("browser: %zu events:", sink->calls.size());
    for (const comtest::Call& call : sink->calls) std::printf(" %ld", static_cast<long>(call.member));
    std::printf("\n");
    if (SUCCEEDED(navigated)) {
      // The navigation announces itself, and ends in a document or (with no
      // engine) an error, each with our arguments.
      ASSERT_FALSE(sink->calls.empty());
      const comtest::Call& before = sink->calls.front();
      EXPECT_EQ(before.member, os::DISPID_BEFORENAVIGATE2);
      ASSERT_EQ(before.args.size(), 7u);
      EXPECT_EQ(before.args[6].vt, os::VT_DISPATCH);
      EXPECT_TRUE(os::IsSameObject(before.args[6].pdispVal, browser.get()))
          << "the event names another browser";
      EXPECT_EQ(os::VariantString(&before.args[5]), u"about:blank");
      EXPECT_EQ(before.args[0].boolVal, VARIANT_FALSE);
      const auto ended = [&](const comtest::Call& call) {
        return call.member == os::DISPID_DOCUMENTCOMPLETE || call.member == os::DISPID_NAVIGATEERROR;
      };
      auto end = std::find_if(sink->calls.begin(), sink->calls.end(), ended);
      ASSERT_NE(end, sink->calls.end()) << "the navigation neither completed nor failed";
      if (end->member == os::DISPID_NAVIGATEERROR) {
        ASSERT_EQ(end->args.size(), 5u);
        EXPECT_EQ(os::VariantString(&end->args[3]), u"about:blank");
        EXPECT_TRUE(os::VariantInteger(&end->args[1]).has_value()) << "no status code";
      }

      // A sink that cancels stops the next navigation before it starts.
      sink->calls.clear();
      sink->cancel = true;
      os::VARIANT other = os::VARIANT::String(u"http://lumora.test/cancelled");
      browser->Navigate2(&other, nullptr, nullptr, nullptr, nullptr);
      PumpFor(std::chrono::milliseconds(1000));
      ASSERT_FALSE(sink->calls.empty());
      EXPECT_EQ(sink->calls.front().member, os::DISPID_BEFORENAVIGATE2);
      EXPECT_EQ(std::count_if(sink->calls.begin(), sink->calls.end(), ended), 0)
          << "the cancel did not reach the system";
    }
    os::BSTR location;
    browser->get_LocationURL(&location);
    os::ComPtr<os::IDispatch> document;
    EXPECT_EQ(browser->get_Document(document.put()), S_OK);

    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink->References(), 1u);
    if (SUCCEEDED(activated)) inPlace->InPlaceDeactivate();
    ole->Close(os::OLECLOSE_NOSAVE);
    EXPECT_EQ(ole->SetClientSite(nullptr), S_OK);
  }
  ole.reset();
  browser.reset();
  points.reset();
  inPlace.reset();
  control.reset();
  PumpFor(std::chrono::milliseconds(100));
  EXPECT_EQ(site->References(), 1u) << "the browser kept our site";
}

// Browsers in event arguments (frames among them) reach the host wrapped,
// never as the system's object, whose IWebBrowser2 is not ours; what the host
// hands back reaches the system as the system's own object.
TEST_F(Win32BrowserTest, SystemBrowsersReachTheHostWrappedAndGoBackAsThemselves) {
  ::IDispatch* system = nullptr;
  const ::HRESULT made = ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                            reinterpret_cast<void**>(&system));
  if (FAILED(made)) GTEST_SKIP() << "the system has no Web Browser class";
  os::IDispatch* ours = os::win32::OurDispatchOf(system);
  ASSERT_NE(ours, nullptr);
  EXPECT_NE(static_cast<void*>(ours), static_cast<void*>(system));
  os::ComPtr<os::IWebBrowser2> browser;
  ASSERT_EQ(ours->QueryInterface(os::IID_IWebBrowser2, browser.put_void()), S_OK);
  os::VARIANT_BOOL busy = -2;
  EXPECT_EQ(browser->get_Busy(&busy), S_OK);  // through our vtable, converted
  EXPECT_NE(busy, -2);
  // While the host holds it, the same system object maps to the same wrapper.
  os::IDispatch* again = os::win32::OurDispatchOf(system);
  EXPECT_EQ(again, ours);
  if (again) again->Release();

  ::IDispatch* back = os::win32::SystemDispatchOf(ours);
  ::IUnknown* backIdentity = nullptr;
  ::IUnknown* systemIdentity = nullptr;
  back->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&backIdentity));
  system->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&systemIdentity));
  EXPECT_EQ(backIdentity, systemIdentity);
  backIdentity->Release();
  systemIdentity->Release();
  back->Release();

  // An object of ours goes to the system as a bridge that converts the
  // system's calls, and comes back as itself.
  os::ComPtr<RecordingSink> sink = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  ::IDispatch* bridge = os::win32::SystemDispatchOf(sink.get());
  EXPECT_NE(static_cast<void*>(bridge), static_cast<void*>(static_cast<os::IDispatch*>(sink.get())));
  os::IDispatch* itself = os::win32::OurDispatchOf(bridge);
  EXPECT_EQ(itself, static_cast<os::IDispatch*>(sink.get()));
  itself->Release();
  bridge->Release();
  EXPECT_EQ(sink->References(), 1u);

  browser.reset();
  ours->Release();
  system->Release();
}

// The browser's class object, like CoCreateInstance, makes browsers of ours;
// ours cannot be aggregated.
TEST_F(Win32BrowserTest, TheBrowsersClassObjectMakesWrappedBrowsers) {
  os::ComPtr<os::IClassFactory> factory;
  const os::HRESULT found = os::CoGetClassObject(os::CLSID_WebBrowser, CLSCTX_ALL, nullptr,
                                                 os::IID_IClassFactory, factory.put_void());
  if (FAILED(found)) GTEST_SKIP() << "the system has no Web Browser class";
  os::ComPtr<os::IWebBrowser2> browser;
  ASSERT_EQ(factory->CreateInstance(nullptr, os::IID_IWebBrowser2, browser.put_void()), S_OK);
  ::IDispatch* system = os::win32::SystemDispatchOf(browser.get());
  EXPECT_NE(static_cast<void*>(system), static_cast<void*>(static_cast<os::IDispatch*>(browser.get())));
  system->Release();

  os::ComPtr<RecordingSink> outer = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  void* aggregated = nullptr;
  EXPECT_EQ(
      os::CoCreateInstance(os::CLSID_WebBrowser, outer.get(), CLSCTX_ALL, os::IID_IUnknown, &aggregated),
      CLASS_E_NOAGGREGATION);
  EXPECT_EQ(aggregated, nullptr);
  EXPECT_EQ(outer->References(), 1u);
}

// ---------------------------------------------------------------------------
// Our UI handler, called by the system through the bridge.

class TestUiHandler final : public os::IDocHostUIHandler,
                            public os::IOleCommandTarget,
                            public os::IServiceProvider {
 public:
  os::HRESULT QueryInterface(const os::IID& riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (os::AnswerInterface<os::IUnknown>(riid, static_cast<os::IDocHostUIHandler*>(this), object) ||
        os::AnswerInterface<os::IDocHostUIHandler>(riid, this, object) ||
        os::AnswerInterface<os::IOleCommandTarget>(riid, this, object) ||
        os::AnswerInterface<os::IServiceProvider>(riid, this, object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  os::ULONG AddRef() override { return refs_.Add(); }
  os::ULONG Release() override { return refs_.Release(this); }
  os::ULONG References() const { return refs_.Value(); }

  // The download manager's service: this object stands for it.
  os::HRESULT QueryService(const os::GUID& service, const os::IID& riid, void** object) override {
    if (service != os::SID_SDownloadManager) return E_NOINTERFACE;
    return QueryInterface(riid == os::IID_IDownloadManager ? os::IID_IUnknown : riid, object);
  }

  os::HRESULT ShowContextMenu(os::DWORD, os::POINT* point, os::IUnknown*, os::IDispatch*) override {
    menuAt = point ? *point : os::POINT{-1, -1};
    return S_OK;
  }
  os::HRESULT GetHostInfo(os::DOCHOSTUIINFO* info) override {
    info->dwFlags = os::DOCHOSTUIFLAG_NO3DBORDER | os::DOCHOSTUIFLAG_SCROLL_NO;
    info->dwDoubleClick = os::DOCHOSTUIDBLCLK_SHOWCODE;
    info->pchHostCss = u"body{margin:0}";
    return S_OK;
  }
  os::HRESULT ShowUI(os::DWORD, os::IOleInPlaceActiveObject*, os::IOleCommandTarget*, os::IOleInPlaceFrame*,
                     os::IOleInPlaceUIWindow*) override {
    return S_FALSE;
  }
  os::HRESULT HideUI() override { return S_OK; }
  os::HRESULT UpdateUI() override { return S_OK; }
  os::HRESULT EnableModeless(os::BOOL) override { return S_OK; }
  os::HRESULT OnDocWindowActivate(os::BOOL) override { return S_OK; }
  os::HRESULT OnFrameWindowActivate(os::BOOL) override { return S_OK; }
  os::HRESULT ResizeBorder(const os::RECT*, os::IOleInPlaceUIWindow*, os::BOOL) override { return S_OK; }
  os::HRESULT TranslateAccelerator(os::MSG* message, const os::GUID*, os::DWORD) override {
    return message && message->message == 0x0100 && message->wParam == 0x74 ? S_OK : S_FALSE;  // F5
  }
  os::HRESULT GetOptionKeyPath(std::u16string* key, os::DWORD) override {
    *key = u"Software\\Lumora\\Browser";
    return S_OK;
  }
  os::HRESULT GetDropTarget(os::IDropTarget*, os::IDropTarget**) override { return E_NOTIMPL; }
  os::HRESULT GetExternal(os::IDispatch** external) override {
    *external = nullptr;
    if (!external_) return E_NOTIMPL;
    external_->AddRef();
    *external = external_;
    return S_OK;
  }
  os::HRESULT TranslateUrl(os::DWORD, os::LPCOLESTR in, std::u16string* out) override {
    if (std::u16string_view(in) != u"http://old.test/") return S_FALSE;
    *out = u"http://new.test/";
    return S_OK;
  }
  os::HRESULT FilterDataObject(os::IDataObject*, os::IDataObject**) override { return S_FALSE; }

  os::HRESULT QueryStatus(const os::GUID*, os::ULONG, os::OLECMD*, os::OLECMDTEXT*) override {
    return E_NOTIMPL;
  }
  os::HRESULT Exec(const os::GUID* group, os::DWORD command, os::DWORD, os::VARIANT*,
                   os::VARIANT* out) override {
    if (!group || *group != os::CGID_DocHostCommandHandler || command != os::OLECMDID_SHOWSCRIPTERROR) {
      return OLECMDERR_E_NOTSUPPORTED;
    }
    if (out) *out = os::VARIANT::Bool(true);
    return S_OK;
  }

  os::POINT menuAt{};
  os::IDispatch* external_ = nullptr;

 private:
  ~TestUiHandler() = default;
  friend class os::RefCount;
  os::RefCount refs_;
};

TEST(Win32UiHandlerBridge, TheSystemReadsOurAnswersInItsOwnForms) {
  os::ComPtr<TestUiHandler> ours = os::ComPtr<TestUiHandler>::Adopt(new TestUiHandler());
  ::IDocHostUIHandler* system = os::win32::SystemUiHandler(ours.get());
  ASSERT_NE(system, nullptr);

  ::DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_EQ(system->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, static_cast<::DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO));
  EXPECT_EQ(info.dwDoubleClick, static_cast<::DWORD>(DOCHOSTUIDBLCLK_SHOWCODE));
  ASSERT_NE(info.pchHostCss, nullptr);
  EXPECT_EQ(std::wstring(info.pchHostCss), L"body{margin:0}");
  EXPECT_EQ(info.pchHostNS, nullptr);
  ::CoTaskMemFree(info.pchHostCss);

  ::LPOLESTR key = nullptr;
  ASSERT_EQ(system->GetOptionKeyPath(&key, 0), S_OK);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(std::wstring(key), L"Software\\Lumora\\Browser");
  ::CoTaskMemFree(key);

  ::LPWSTR translated = nullptr;
  wchar_t oldUrl[] = L"http://old.test/";
  ASSERT_EQ(system->TranslateUrl(0, oldUrl, &translated), S_OK);
  ASSERT_NE(translated, nullptr);
  EXPECT_EQ(std::wstring(translated), L"http://new.test/");
  ::CoTaskMemFree(translated);
  wchar_t otherUrl[] = L"http://other.test/";
  EXPECT_EQ(system->TranslateUrl(0, otherUrl, &translated), S_FALSE);
  EXPECT_EQ(translated, nullptr);

  ::POINT at{12, 34};
  EXPECT_EQ(system->ShowContextMenu(0, &at, nullptr, nullptr), S_OK);
  EXPECT_EQ(ours->menuAt.x, 12);
  EXPECT_EQ(ours->menuAt.y, 34);
  ::MSG f5{};
  f5.message = WM_KEYDOWN;
  f5.wParam = VK_F5;
  EXPECT_EQ(system->TranslateAccelerator(&f5, nullptr, 0), S_OK);
  f5.wParam = VK_F6;
  EXPECT_EQ(system->TranslateAccelerator(&f5, nullptr, 0), S_FALSE);

  // Script errors: the command target answers with the system's VARIANT.
  ::IOleCommandTarget* commands = nullptr;
  ASSERT_EQ(system->QueryInterface(IID_IOleCommandTarget, reinterpret_cast<void**>(&commands)), S_OK);
  ::VARIANT out;
  ::VariantInit(&out);
  EXPECT_EQ(commands->Exec(reinterpret_cast<const ::GUID*>(&os::CGID_DocHostCommandHandler),
                           OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out),
            S_OK);
  EXPECT_EQ(out.vt, VT_BOOL);
  EXPECT_EQ(out.boolVal, VARIANT_TRUE);
  ::VariantClear(&out);
  EXPECT_EQ(
      commands->Exec(reinterpret_cast<const ::GUID*>(&os::CGID_DocHostCommandHandler), 1, 0, nullptr, &out),
      OLECMDERR_E_NOTSUPPORTED);
  commands->Release();

  // The page's external object: the system calls our dispatch object with
  // its own arguments.
  os::ComPtr<RecordingSink> external = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  ours->external_ = external.get();
  ::IDispatch* bridge = nullptr;
  ASSERT_EQ(system->GetExternal(&bridge), S_OK);
  ASSERT_NE(bridge, nullptr);
  ::VARIANT arg;
  ::VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = ::SysAllocString(L"hello");
  ::DISPPARAMS params{&arg, nullptr, 1, 0};
  EXPECT_EQ(bridge->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
  ASSERT_EQ(external->calls.size(), 1u);
  EXPECT_EQ(external->calls[0].member, 5);
  EXPECT_EQ(os::VariantString(&external->calls[0].args[0]), u"hello");
  ::VariantClear(&arg);
  bridge->Release();
  EXPECT_EQ(external->References(), 1u);

  // The download manager passes (its vtable is the system's); services whose
  // interfaces the bridge does not know are refused.
  ::IServiceProvider* services = nullptr;
  ASSERT_EQ(system->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services)), S_OK);
  void* manager = nullptr;
  const auto& managerId = *reinterpret_cast<const ::GUID*>(&os::SID_SDownloadManager);
  EXPECT_EQ(services->QueryService(managerId, managerId, &manager), S_OK);
  EXPECT_EQ(manager, static_cast<os::IUnknown*>(static_cast<os::IDocHostUIHandler*>(ours.get())));
  if (manager) static_cast<os::IUnknown*>(manager)->Release();
  EXPECT_EQ(services->QueryService(managerId, IID_IDispatch, &manager), E_NOINTERFACE);
  EXPECT_EQ(manager, nullptr);
  services->Release();

  system->Release();
  EXPECT_EQ(ours->References(), 1u);
}

// The host's handler may go with its browser: once the browser is closed the
// bridge the system still holds lets go of it and calls it no more.
TEST(Win32UiHandlerBridge, ABridgeOfAClosedBrowserLetsGoOfTheHandler) {
  os::ComPtr<TestUiHandler> ours = os::ComPtr<TestUiHandler>::Adopt(new TestUiHandler());
  auto gone = std::make_shared<bool>(false);
  ::IDocHostUIHandler* system = os::win32::SystemUiHandler(ours.get(), gone);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->HideUI(), S_OK);
  EXPECT_GT(ours->References(), 1u);

  *gone = true;
  ::POINT at{5, 6};
  EXPECT_EQ(system->ShowContextMenu(0, &at, nullptr, nullptr), E_FAIL);
  EXPECT_EQ(ours->menuAt.x, 0) << "a gone host was called";
  EXPECT_EQ(ours->References(), 1u);
  ::LPWSTR translated = reinterpret_cast<::LPWSTR>(&at);  // garbage the bridge must clear
  wchar_t url[] = L"http://old.test/";
  EXPECT_EQ(system->TranslateUrl(0, url, &translated), E_FAIL);
  EXPECT_EQ(translated, nullptr);
  ::IOleCommandTarget* commands = nullptr;
  EXPECT_EQ(system->QueryInterface(IID_IOleCommandTarget, reinterpret_cast<void**>(&commands)),
            E_NOINTERFACE);
  system->Release();
}

}  // namespace
