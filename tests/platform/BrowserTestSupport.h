// Test doubles for hosting the Web Browser object as the UI framework's
// ActiveX host does: a client and in-place site with its frame, an event sink
// that records DWebBrowserEvents2 calls, a UI handler, and an HTTP server for
// pages.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/Com.h"
#include "platform/com/Ole.h"
#include "platform/com/UrlCache.h"
#include "platform/com/Variant.h"
#include "platform/com/WebBrowser.h"

namespace browsertest {

using namespace os;

// A COM object implemented in a test: one count, deleted at zero.
#define BROWSERTEST_REFCOUNT                                          \
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }          \
  ULONG OS_STDCALL Release() override { return refs_.Release(this); } \
  RefCount refs_

// The container's site: IOleClientSite, IOleInPlaceSiteEx and, as its frame,
// IOleInPlaceFrame. Records the calls the object makes, in order.
class FakeSite final : public IOleClientSite, public IOleInPlaceSiteEx, public IOleInPlaceFrame {
 public:
  FakeSite(HWND window, RECT pos) : window_(window), pos_(pos) {}

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    IOleInPlaceSiteEx* site = this;
    IOleInPlaceFrame* frame = this;
    if (AnswerInterface<IUnknown>(riid, static_cast<IOleClientSite*>(this), object) ||
        AnswerInterface<IOleClientSite>(riid, static_cast<IOleClientSite*>(this), object) ||
        AnswerInterface<IOleWindow>(riid, static_cast<IOleWindow*>(site), object) ||
        AnswerInterface<IOleInPlaceSite>(riid, static_cast<IOleInPlaceSite*>(site), object) ||
        (withEx && AnswerInterface<IOleInPlaceSiteEx>(riid, site, object)) ||
        AnswerInterface<IOleInPlaceUIWindow>(riid, static_cast<IOleInPlaceUIWindow*>(frame), object) ||
        AnswerInterface<IOleInPlaceFrame>(riid, frame, object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  BROWSERTEST_REFCOUNT;

  // IOleClientSite
  HRESULT OS_STDCALL SaveObject() override { return Log("SaveObject", E_NOTIMPL); }
  HRESULT OS_STDCALL GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT OS_STDCALL ShowObject() override { return Log("ShowObject", S_OK); }
  HRESULT OS_STDCALL OnShowWindow(BOOL) override { return S_OK; }
  HRESULT OS_STDCALL RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (the site's and the frame's)
  HRESULT OS_STDCALL GetWindow(HWND* window) override {
    *window = window_;
    return Log("GetWindow", S_OK);
  }
  HRESULT OS_STDCALL ContextSensitiveHelp(BOOL) override { return S_OK; }

  // IOleInPlaceSite(Ex)
  HRESULT OS_STDCALL CanInPlaceActivate() override { return Log("CanInPlaceActivate", canActivate); }
  HRESULT OS_STDCALL OnInPlaceActivate() override { return Log("OnInPlaceActivate", S_OK); }
  HRESULT OS_STDCALL OnUIActivate() override { return Log("OnUIActivate", S_OK); }
  HRESULT OS_STDCALL GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* pos,
                                      RECT* clip, OLEINPLACEFRAMEINFO* info) override {
    *frame = this;
    AddRef();
    *document = nullptr;
    *pos = pos_;
    *clip = pos_;
    info->hwndFrame = window_;
    return Log("GetWindowContext", S_OK);
  }
  HRESULT OS_STDCALL Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL OnUIDeactivate(BOOL) override { return Log("OnUIDeactivate", S_OK); }
  HRESULT OS_STDCALL OnInPlaceDeactivate() override { return Log("OnInPlaceDeactivate", S_OK); }
  HRESULT OS_STDCALL DiscardUndoState() override { return S_OK; }
  HRESULT OS_STDCALL DeactivateAndUndo() override { return S_OK; }
  HRESULT OS_STDCALL OnPosRectChange(const RECT*) override { return S_OK; }
  HRESULT OS_STDCALL OnInPlaceActivateEx(BOOL*, DWORD flags) override {
    activateFlags = flags;
    return Log("OnInPlaceActivateEx", S_OK);
  }
  HRESULT OS_STDCALL OnInPlaceDeactivateEx(BOOL) override { return Log("OnInPlaceDeactivateEx", S_OK); }
  HRESULT OS_STDCALL RequestUIActivate() override { return S_OK; }

  // IOleInPlaceUIWindow / IOleInPlaceFrame
  HRESULT OS_STDCALL GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT OS_STDCALL RequestBorderSpace(const BORDERWIDTHS*) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT OS_STDCALL SetBorderSpace(const BORDERWIDTHS*) override { return S_OK; }
  HRESULT OS_STDCALL SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    active = object;
    return Log(object ? "SetActiveObject" : "SetActiveObject(null)", S_OK);
  }
  HRESULT OS_STDCALL InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return S_OK; }
  HRESULT OS_STDCALL SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT OS_STDCALL RemoveMenus(HMENU) override { return S_OK; }
  HRESULT OS_STDCALL SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT OS_STDCALL EnableModeless(BOOL) override { return S_OK; }
  HRESULT OS_STDCALL TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }

  std::vector<std::string> calls;
  HRESULT canActivate = S_OK;
  bool withEx = true;
  DWORD activateFlags = 0xFFFF;
  ComPtr<IOleInPlaceActiveObject> active;

 private:
  HRESULT Log(const char* call, HRESULT result) {
    calls.emplace_back(call);
    return result;
  }
  HWND window_;
  RECT pos_;
};

// One DWebBrowserEvents2 call as the sink saw it: the type of each argument
// and what the by-reference ones pointed at, read during the call.
struct RecordedEvent {
  DISPID id = 0;
  IID iid;
  WORD flags = 0;
  std::vector<VARTYPE> types;  // rgvarg order (reversed)
  std::vector<std::optional<std::u16string>> texts;
  std::vector<std::optional<LONG>> numbers;
  std::vector<ComPtr<IUnknown>> objects;  // VT_DISPATCH arguments
};

class EventSink final : public IDispatch {
 public:
  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (AnswerInterface<IUnknown>(riid, this, object) || AnswerInterface<IDispatch>(riid, this, object))
      return S_OK;
    return E_NOINTERFACE;
  }
  BROWSERTEST_REFCOUNT;

  HRESULT OS_STDCALL GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT OS_STDCALL GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                            EXCEPINFO*, UINT*) override {
    RecordedEvent e;
    e.id = member;
    e.iid = riid;
    e.flags = flags;
    for (UINT i = 0; params && i < params->cArgs; ++i) {
      const VARIANT& a = params->rgvarg[i];
      e.types.push_back(a.vt);
      e.texts.push_back(VariantString(&a));
      e.numbers.push_back(VariantInteger(&a));
      e.objects.push_back(a.vt == VT_DISPATCH ? ComPtr<IUnknown>(a.pdispVal) : ComPtr<IUnknown>());
    }
    events.push_back(std::move(e));
    if (react) react(member, params);
    return S_OK;
  }

  std::vector<DISPID> Ids() const {
    std::vector<DISPID> ids;
    for (const auto& e : events) ids.push_back(e.id);
    return ids;
  }
  // The ids without the status and command-state notices.
  std::vector<DISPID> NavigationIds() const {
    std::vector<DISPID> ids;
    for (const auto& e : events) {
      if (e.id != DISPID_STATUSTEXTCHANGE && e.id != DISPID_COMMANDSTATECHANGE) ids.push_back(e.id);
    }
    return ids;
  }
  const RecordedEvent* Last(DISPID id) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
      if (it->id == id) return &*it;
    }
    return nullptr;
  }

  std::vector<RecordedEvent> events;
  std::function<void(DISPID, DISPPARAMS*)> react;
};

// The host's document UI handler, with the command target scripts errors go to.
class FakeUiHandler final : public IDocHostUIHandler, public IOleCommandTarget {
 public:
  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (AnswerInterface<IUnknown>(riid, static_cast<IDocHostUIHandler*>(this), object) ||
        AnswerInterface<IDocHostUIHandler>(riid, this, object) ||
        (withCommandTarget && AnswerInterface<IOleCommandTarget>(riid, this, object))) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  BROWSERTEST_REFCOUNT;

  HRESULT OS_STDCALL ShowContextMenu(DWORD id, POINT* point, IUnknown*, IDispatch*) override {
    menus.push_back({id, *point});
    return contextMenuAnswer;
  }
  HRESULT OS_STDCALL GetHostInfo(DOCHOSTUIINFO* info) override {
    ++hostInfoCalls;
    info->cbSize = 20;
    info->dwFlags |= flags;
    info->pchHostCss = css;
    return S_OK;
  }
  HRESULT OS_STDCALL ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                            IOleInPlaceUIWindow*) override {
    return S_FALSE;
  }
  HRESULT OS_STDCALL HideUI() override { return S_OK; }
  HRESULT OS_STDCALL UpdateUI() override { return S_OK; }
  HRESULT OS_STDCALL EnableModeless(BOOL) override { return S_OK; }
  HRESULT OS_STDCALL OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT OS_STDCALL OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT OS_STDCALL ResizeBorder(const RECT*, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  HRESULT OS_STDCALL TranslateAccelerator(MSG* message, const GUID*, DWORD command) override {
    accelerators.push_back({message->message, static_cast<UINT>(message->wParam), command});
    return acceleratorAnswer;
  }
  HRESULT OS_STDCALL GetOptionKeyPath(std::u16string*, DWORD) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetDropTarget(IDropTarget*, IDropTarget**) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetExternal(IDispatch** external) override {
    *external = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL TranslateUrl(DWORD, LPCOLESTR, std::u16string*) override { return S_FALSE; }
  HRESULT OS_STDCALL FilterDataObject(IDataObject*, IDataObject** filtered) override {
    *filtered = nullptr;
    return S_FALSE;
  }

  HRESULT OS_STDCALL QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
    return OLECMDERR_E_NOTSUPPORTED;
  }
  HRESULT OS_STDCALL Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out) override {
    if (!group || *group != CGID_DocHostCommandHandler) return OLECMDERR_E_UNKNOWNGROUP;
    if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
    ++scriptErrors;
    *out = VARIANT::Bool(true);
    return S_OK;
  }

  struct Menu {
    DWORD id;
    POINT point;
  };
  struct Accelerator {
    UINT message;
    UINT key;
    DWORD command;
  };
  DWORD flags = 0;
  std::u16string css;
  HRESULT contextMenuAnswer = S_OK;
  HRESULT acceleratorAnswer = S_FALSE;
  bool withCommandTarget = true;
  int hostInfoCalls = 0;
  int scriptErrors = 0;
  std::vector<Menu> menus;
  std::vector<Accelerator> accelerators;
};

template <class T>
ComPtr<T> Make(T* object) {
  return ComPtr<T>::Adopt(object);
}

// A browser created, sited, activated and subscribed the way the UI
// framework's WebBrowser control does it.
struct HostedBrowser {
  ComPtr<IWebBrowser2> browser;
  ComPtr<IOleObject> ole;
  ComPtr<FakeSite> site;
  ComPtr<EventSink> sink = Make(new EventSink());
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;

  // Returns the first failure.
  HRESULT Create(HWND window, RECT rect) {
    site = Make(new FakeSite(window, rect));
    ComPtr<IOleControl> control;
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IOleControl, control.put_void());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = control.As(&ole))) return hr;
    DWORD status = 0;
    ole->GetMiscStatus(DVASPECT_CONTENT, &status);
    if (status & OLEMISC_SETCLIENTSITEFIRST) ole->SetClientSite(static_cast<IOleClientSite*>(site.get()));
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(ole.As(&persist))) persist->InitNew();
    ole->SetHostNames(u"UIActiveX", nullptr);
    hr = ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site.get()), 0, window,
                     &rect);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = ole.As(&browser))) return hr;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(hr = ole.As(&container))) return hr;
    if (FAILED(hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put()))) return hr;
    return point->Advise(static_cast<IDispatch*>(sink.get()), &cookie);
  }

  HRESULT Navigate(const std::string& url) {
    VARIANT v = VARIANT::String(std::u16string(url.begin(), url.end()));
    return browser->Navigate2(&v, nullptr, nullptr, nullptr, nullptr);
  }

  HWND View() const {
    HWND view = nullptr;
    ComPtr<IOleWindow> window;
    if (ole && SUCCEEDED(ole.As(&window))) window->GetWindow(&view);
    return view;
  }

  ComPtr<IHTMLDocument2> Document() const {
    ComPtr<IDispatch> d;
    ComPtr<IHTMLDocument2> document;
    if (browser && SUCCEEDED(browser->get_Document(d.put())) && d) d.As(&document);
    return document;
  }

  // As the framework's ReleaseControl: unsubscribe, close, drop the site.
  void Release() {
    if (point && cookie) point->Unadvise(cookie);
    point.reset();
    if (ole) {
      ole->Close(OLECLOSE_NOSAVE);
      ole->SetClientSite(nullptr);
    }
    browser.reset();
    ole.reset();
  }
};

// An HTTP server on an ephemeral loopback port: handlers are added to
// `server`, then Start() serves them on a thread of its own.
class PageServer {
 public:
  PageServer() { port_ = server.bind_to_any_port("127.0.0.1"); }
  ~PageServer() { Stop(); }
  void Start() {
    thread_ = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void Stop() {
    if (!thread_.joinable()) return;
    server.stop();
    thread_.join();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int port() const { return port_; }

  httplib::Server server;

 private:
  int port_ = 0;
  std::thread thread_;
};

inline std::u16string U16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// One URL-cache entry as enumeration delivered it.
struct SeenEntry {
  std::u16string url;
  std::u16string file;
  std::u16string extension;
  DWORD type = 0;
  unsigned long long size = 0;
};

// Walks the URL cache with the size protocol: each entry is first asked for
// without a buffer, then fetched into a buffer of exactly the size given.
inline std::vector<SeenEntry> EnumerateUrlCache(const char16_t* pattern = nullptr) {
  std::vector<SeenEntry> seen;
  std::vector<std::uint8_t> buffer;
  auto take = [&] {
    const auto* e = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    seen.push_back(SeenEntry{e->lpszSourceUrlName, e->lpszLocalFileName, e->lpszFileExtension,
                             e->CacheEntryType,
                             (static_cast<unsigned long long>(e->dwSizeHigh) << 32) | e->dwSizeLow});
  };
  DWORD size = 0;
  if (FindFirstUrlCacheEntry(pattern, nullptr, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return seen;
  buffer.assign(size, 0);
  HANDLE find =
      FindFirstUrlCacheEntry(pattern, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()), &size);
  if (!find) return seen;
  take();
  while (true) {
    size = 0;
    if (FindNextUrlCacheEntry(find, nullptr, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    buffer.assign(size, 0);
    if (!FindNextUrlCacheEntry(find, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()), &size))
      break;
    take();
  }
  FindCloseUrlCache(find);
  return seen;
}

}  // namespace browsertest
