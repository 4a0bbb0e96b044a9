// The Web Browser object: in-place activation in a host's site, IWebBrowser2,
// the DWebBrowserEvents2 connection point, the document model and the host's
// UI handler. Page loading is the engine's (platform/com/BrowserEngine.h).
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/com/BrowserEngine.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/HtmlDocument.h"
#include "platform/com/WebBrowser.h"
#include "platform/com/internal/ComClasses.h"
#include "platform/window/Backend.h"
#include "platform/window/Input.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {

namespace {

// What the Web Browser control reports: its client site comes before
// initialisation, it activates when visible, and it draws in its own window.
constexpr DWORD kMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;

struct EngineFactories {
  std::mutex mutex;
  std::map<std::string, BrowserEngineFactory, std::less<>> byBackend;
  std::map<std::string, WebEngineDataCleaner, std::less<>> cleaners;
  std::map<std::string, BrowserEngineLoader, std::less<>> loaders;
};

EngineFactories& Factories() {
  static EngineFactories factories;
  return factories;
}

class WebBrowserObject final : public NoAutomation<IWebBrowser2>,
                               public IOleObject,
                               public IOleControl,
                               public IOleInPlaceObject,
                               public IOleInPlaceActiveObject,
                               public IPersistStreamInit,
                               public IObjectWithSite,
                               public IConnectionPointContainer,
                               public BrowserEngineHost {
 public:
  WebBrowserObject()
      : events_(ComPtr<DispatchConnectionPoint>::Adopt(
            new DispatchConnectionPoint(DIID_DWebBrowserEvents2, this))),
        uiSink_(NewUiSink()) {
    engine_ = CreateBrowserEngine(this);
  }

  // --- IUnknown ----------------------------------------------------------------
  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    IWebBrowser2* browser = this;
    IOleInPlaceObject* inPlace = this;
    if (AnswerInterface<IUnknown>(riid, browser, object) ||
        AnswerInterface<IDispatch>(riid, browser, object) ||
        AnswerInterface<IWebBrowser2>(riid, browser, object) ||
        AnswerInterface<IOleObject>(riid, static_cast<IOleObject*>(this), object) ||
        AnswerInterface<IOleControl>(riid, static_cast<IOleControl*>(this), object) ||
        AnswerInterface<IOleWindow>(riid, static_cast<IOleWindow*>(inPlace), object) ||
        AnswerInterface<IOleInPlaceObject>(riid, inPlace, object) ||
        AnswerInterface<IOleInPlaceActiveObject>(riid, static_cast<IOleInPlaceActiveObject*>(this), object) ||
        AnswerInterface<IPersist>(riid, static_cast<IPersist*>(static_cast<IPersistStreamInit*>(this)),
                                  object) ||
        AnswerInterface<IPersistStreamInit>(riid, static_cast<IPersistStreamInit*>(this), object) ||
        AnswerInterface<IObjectWithSite>(riid, static_cast<IObjectWithSite*>(this), object) ||
        AnswerInterface<IConnectionPointContainer>(riid, static_cast<IConnectionPointContainer*>(this),
                                                   object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  // --- IWebBrowser2 ----------------------------------------------------------------
  HRESULT OS_STDCALL Navigate(const BSTR& url, VARIANT*, VARIANT*, VARIANT* postData,
                              VARIANT* headers) override {
    return StartNavigation(url.str(), postData, headers);
  }

  HRESULT OS_STDCALL Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT* postData,
                               VARIANT* headers) override {
    if (!url) return E_POINTER;
    auto text = VariantString(url);
    if (!text) return E_INVALIDARG;
    return StartNavigation(*text, postData, headers);
  }

  HRESULT OS_STDCALL Refresh() override {
    engine_->Refresh();
    return S_OK;
  }
  HRESULT OS_STDCALL Refresh2(VARIANT*) override { return Refresh(); }

  HRESULT OS_STDCALL Stop() override {
    engine_->Stop();
    return S_OK;
  }

  HRESULT OS_STDCALL get_Document(IDispatch** document) override {
    if (!document) return E_POINTER;
    *document = nullptr;
    if (document_) {
      IHTMLDocument2* d = document_.get();
      d->AddRef();
      *document = d;
    }
    return S_OK;
  }

  HRESULT OS_STDCALL get_LocationURL(BSTR* url) override {
    if (!url) return E_POINTER;
    *url = BSTR(locationUrl_);
    return S_OK;
  }

  HRESULT OS_STDCALL get_LocationName(BSTR* name) override {
    if (!name) return E_POINTER;
    if (document_ && !document_->Title().empty()) {
      *name = BSTR(document_->Title());
    } else {
      *name = BSTR(locationUrl_);
    }
    return S_OK;
  }

  HRESULT OS_STDCALL get_Busy(VARIANT_BOOL* busy) override {
    if (!busy) return E_POINTER;
    *busy = engine_->Busy() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  HRESULT OS_STDCALL get_ReadyState(READYSTATE* state) override {
    if (!state) return E_POINTER;
    if (engine_->Busy()) {
      *state = document_ ? READYSTATE_INTERACTIVE : READYSTATE_LOADING;
    } else if (!document_) {
      *state = READYSTATE_UNINITIALIZED;
    } else {
      *state = document_->Complete() ? READYSTATE_COMPLETE : READYSTATE_INTERACTIVE;
    }
    return S_OK;
  }

  HRESULT OS_STDCALL get_Silent(VARIANT_BOOL* silent) override {
    if (!silent) return E_POINTER;
    *silent = silent_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT OS_STDCALL put_Silent(VARIANT_BOOL silent) override {
    silent_ = silent != VARIANT_FALSE;
    return S_OK;
  }

  HRESULT OS_STDCALL get_Visible(VARIANT_BOOL* visible) override {
    if (!visible) return E_POINTER;
    *visible = visible_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT OS_STDCALL put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible != VARIANT_FALSE;
    if (HWND view = engine_->View()) ShowWindow(view, visible_ ? SW_SHOWNA : SW_HIDE);
    return S_OK;
  }

  HRESULT OS_STDCALL get_HWND(SHANDLE_PTR* window) override {
    if (!window) return E_POINTER;
    *window = 0;
    HWND view = engine_->View();
    if (!view) return E_FAIL;
    *window = reinterpret_cast<SHANDLE_PTR>(view);
    return S_OK;
  }

  HRESULT OS_STDCALL get_Type(BSTR* type) override {
    if (!type) return E_POINTER;
    *type = BSTR();
    if (!document_) return E_FAIL;
    *type = BSTR(u"HTML Document");
    return S_OK;
  }

  // --- IOleObject ------------------------------------------------------------------
  HRESULT OS_STDCALL SetClientSite(IOleClientSite* site) override {
    clientSite_ = site;
    return S_OK;
  }
  HRESULT OS_STDCALL GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = clientSite_.get();
    if (*site) (*site)->AddRef();
    return S_OK;
  }
  HRESULT OS_STDCALL SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }

  HRESULT OS_STDCALL Close(DWORD) override {
    InPlaceDeactivate();
    engine_->Stop();
    document_.reset();
    // Documents the host still holds no longer reach the browser.
    *uiSink_ = nullptr;
    uiSink_ = NewUiSink();
    SetUiHandler(nullptr);
    return S_OK;
  }

  HRESULT OS_STDCALL SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetClipboardData(DWORD, IDataObject** data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }

  HRESULT OS_STDCALL DoVerb(LONG verb, MSG*, IOleClientSite* activeSite, LONG, HWND parent,
                            const RECT* posRect) override {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW: {
        const HRESULT hr = InPlaceActivate(activeSite, parent, posRect);
        if (SUCCEEDED(hr)) put_Visible(VARIANT_TRUE);
        return hr;
      }
      case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(activeSite, parent, posRect);
      case OLEIVERB_UIACTIVATE: {
        const HRESULT hr = InPlaceActivate(activeSite, parent, posRect);
        if (FAILED(hr)) return hr;
        return UIActivate();
      }
      case OLEIVERB_HIDE:
        UIDeactivate();
        return put_Visible(VARIANT_FALSE);
      case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
      default:
        if (verb > 0) {
          const HRESULT hr = DoVerb(OLEIVERB_PRIMARY, nullptr, activeSite, 0, parent, posRect);
          return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;  // OLEIVERB_OPEN: there is no window of our own to open in
    }
  }

  HRESULT OS_STDCALL EnumVerbs(IEnumOLEVERB** verbs) override {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL Update() override { return S_OK; }
  HRESULT OS_STDCALL IsUpToDate() override { return S_OK; }
  HRESULT OS_STDCALL GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT OS_STDCALL GetUserType(DWORD, LPOLESTR* userType) override {
    if (userType) *userType = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL SetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
  }
  HRESULT OS_STDCALL GetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_INVALIDARG;
    *size = extent_;
    return S_OK;
  }
  HRESULT OS_STDCALL Advise(IAdviseSink*, DWORD* connection) override {
    if (connection) *connection = 0;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL EnumAdvise(IEnumSTATDATA** advise) override {
    if (advise) *advise = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
  }
  HRESULT OS_STDCALL SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // --- IOleControl ---------------------------------------------------------------------
  HRESULT OS_STDCALL GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL OnMnemonic(MSG*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL OnAmbientPropertyChange(DISPID) override { return S_OK; }
  HRESULT OS_STDCALL FreezeEvents(BOOL) override { return S_OK; }

  // --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ---------------------------
  HRESULT OS_STDCALL GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = engine_->View();
    return *window ? S_OK : E_FAIL;
  }
  HRESULT OS_STDCALL ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  HRESULT OS_STDCALL InPlaceDeactivate() override {
    if (!inPlaceActive_) return S_OK;
    UIDeactivate();
    inPlaceActive_ = false;
    engine_->DestroyView();
    ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
    ComPtr<IOleInPlaceSiteEx> siteEx = std::move(inPlaceSiteEx_);
    frame_.reset();
    uiWindow_.reset();
    if (siteEx) {
      siteEx->OnInPlaceDeactivateEx(TRUE);
    } else if (site) {
      site->OnInPlaceDeactivate();
    }
    return S_OK;
  }

  HRESULT OS_STDCALL UIDeactivate() override {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (uiHandler_) uiHandler_->HideUI();
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
  }

  HRESULT OS_STDCALL SetObjectRects(const RECT* posRect, const RECT*) override {
    if (!posRect) return E_POINTER;
    posRect_ = *posRect;
    if (HWND view = engine_->View()) {
      MoveWindow(view, posRect->left, posRect->top, posRect->right - posRect->left,
                 posRect->bottom - posRect->top, TRUE);
    }
    return S_OK;
  }

  HRESULT OS_STDCALL ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }

  HRESULT OS_STDCALL TranslateAccelerator(MSG* message) override {
    if (!message) return E_INVALIDARG;
    if (uiHandler_) {
      const bool refreshKey = message->message == WM_KEYDOWN && message->wParam == VK_F5;
      if (uiHandler_->TranslateAccelerator(message, &CGID_MSHTML, refreshKey ? IDM_REFRESH : 0) == S_OK) {
        return S_OK;
      }
    }
    return engine_->TranslateAccelerator(*message) ? S_OK : S_FALSE;
  }
  HRESULT OS_STDCALL OnFrameWindowActivate(BOOL activate) override {
    if (uiHandler_) uiHandler_->OnFrameWindowActivate(activate);
    return S_OK;
  }
  HRESULT OS_STDCALL OnDocWindowActivate(BOOL activate) override {
    if (uiHandler_) uiHandler_->OnDocWindowActivate(activate);
    return S_OK;
  }
  HRESULT OS_STDCALL ResizeBorder(const RECT* border, IOleInPlaceUIWindow* uiWindow,
                                  BOOL frameWindow) override {
    if (uiHandler_) uiHandler_->ResizeBorder(border, uiWindow, frameWindow);
    return S_OK;
  }
  HRESULT OS_STDCALL EnableModeless(BOOL enable) override {
    if (uiHandler_) uiHandler_->EnableModeless(enable);
    return S_OK;
  }

  // --- IPersistStreamInit --------------------------------------------------------------
  HRESULT OS_STDCALL GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_WebBrowser;
    return S_OK;
  }
  HRESULT OS_STDCALL IsDirty() override { return S_FALSE; }
  HRESULT OS_STDCALL Load(IStream*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL Save(IStream*, BOOL) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetSizeMax(std::uint64_t*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL InitNew() override { return S_OK; }

  // --- IObjectWithSite ------------------------------------------------------------------
  HRESULT OS_STDCALL SetSite(IUnknown* site) override {
    site_ = site;
    return S_OK;
  }
  HRESULT OS_STDCALL GetSite(REFIID riid, void** site) override {
    if (!site) return E_POINTER;
    *site = nullptr;
    if (!site_) return E_FAIL;
    return site_->QueryInterface(riid, site);
  }

  // --- IConnectionPointContainer --------------------------------------------------------
  HRESULT OS_STDCALL EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    *point = events_.get();
    events_->AddRef();
    return S_OK;
  }

  // --- BrowserEngineHost ----------------------------------------------------------------
  bool BeforeNavigate(std::u16string_view url, LONG flags, std::u16string_view targetFrame,
                      std::u16string_view headers) override {
    VARIANT vUrl = VARIANT::String(url);
    VARIANT vFlags = VARIANT::Int(flags);
    VARIANT vFrame = VARIANT::String(targetFrame);
    VARIANT vPostData;
    VARIANT vHeaders = VARIANT::String(headers);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[7];
    args[6] = VARIANT::Dispatch(this);
    args[5] = VARIANT::Ref(&vUrl);
    args[4] = VARIANT::Ref(&vFlags);
    args[3] = VARIANT::Ref(&vFrame);
    args[2] = VARIANT::Ref(&vPostData);
    args[1] = VARIANT::Ref(&vHeaders);
    args[0] = VARIANT::Ref(&cancel);
    Fire(DISPID_BEFORENAVIGATE2, args, 7);
    return cancel == VARIANT_FALSE;
  }

  void NavigateComplete(std::u16string_view url) override {
    document_ = HtmlDocument::Create(std::u16string(url), uiSink_);
    locationUrl_ = url;
    VARIANT vUrl = VARIANT::String(url);
    VARIANT args[2];
    args[1] = VARIANT::Dispatch(this);
    args[0] = VARIANT::Ref(&vUrl);
    Fire(DISPID_NAVIGATECOMPLETE2, args, 2);
  }

  void DocumentComplete(std::u16string_view url, DocumentContent content) override {
    if (!document_) document_ = HtmlDocument::Create(std::u16string(url), uiSink_);
    document_->Fill(std::u16string(url), std::move(content));
    locationUrl_ = url;
    VARIANT vUrl = VARIANT::String(url);
    VARIANT args[2];
    args[1] = VARIANT::Dispatch(this);
    args[0] = VARIANT::Ref(&vUrl);
    Fire(DISPID_DOCUMENTCOMPLETE, args, 2);
  }

  bool NavigateError(std::u16string_view url, std::u16string_view targetFrame, LONG statusCode) override {
    VARIANT vUrl = VARIANT::String(url);
    VARIANT vFrame = VARIANT::String(targetFrame);
    VARIANT vStatus = VARIANT::Int(statusCode);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[5];
    args[4] = VARIANT::Dispatch(this);
    args[3] = VARIANT::Ref(&vUrl);
    args[2] = VARIANT::Ref(&vFrame);
    args[1] = VARIANT::Ref(&vStatus);
    args[0] = VARIANT::Ref(&cancel);
    Fire(DISPID_NAVIGATEERROR, args, 5);
    return cancel != VARIANT_FALSE;
  }

  bool NewWindow(std::u16string_view url, std::u16string_view referrer, DWORD flags,
                 ComPtr<IWebBrowser2>* target) override {
    if (target) target->reset();
    // In/out: a sink that stores a browser hands over a reference, and one
    // that replaces an earlier sink's choice releases that one first.
    IDispatch* chosen = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    {
      VARIANT args[2];
      args[1] = VARIANT::Ref(&chosen);
      args[0] = VARIANT::Ref(&cancel);
      Fire(DISPID_NEWWINDOW2, args, 2);
    }
    if (cancel == VARIANT_FALSE) {
      VARIANT args[5];
      args[4] = VARIANT::Ref(&chosen);
      args[3] = VARIANT::Ref(&cancel);
      args[2] = VARIANT::UInt(flags);
      args[1] = VARIANT::String(referrer);
      args[0] = VARIANT::String(url);
      Fire(DISPID_NEWWINDOW3, args, 5);
    }
    ComPtr<IDispatch> owned = ComPtr<IDispatch>::Adopt(chosen);
    if (cancel != VARIANT_FALSE) return false;
    if (owned && target) owned.As(target);
    return true;
  }

  void StatusTextChange(std::u16string_view text) override {
    VARIANT args[1];
    args[0] = VARIANT::String(text);
    Fire(DISPID_STATUSTEXTCHANGE, args, 1);
  }

  void CommandStateChange(LONG command, bool enable) override {
    VARIANT args[2];
    args[1] = VARIANT::Int(command);
    args[0] = VARIANT::Bool(enable);
    Fire(DISPID_COMMANDSTATECHANGE, args, 2);
  }

  DOCHOSTUIINFO HostInfo() override {
    DOCHOSTUIINFO info;
    if (!uiHandler_) return info;
    ComPtr<IDocHostUIHandler> handler = uiHandler_;
    if (FAILED(handler->GetHostInfo(&info))) return DOCHOSTUIINFO{};
    return info;
  }

  bool ShowContextMenu(DWORD id, POINT screen) override {
    if (!uiHandler_) return false;
    ComPtr<IDocHostUIHandler> handler = uiHandler_;
    return handler->ShowContextMenu(id, &screen, nullptr, nullptr) == S_OK;
  }

  bool ScriptErrorContinue() override {
    if (!uiHandler_) return false;
    ComPtr<IOleCommandTarget> target;
    if (FAILED(uiHandler_.As(&target)) || !target) return false;
    VARIANT in;
    if (document_) in = VARIANT::Unknown(static_cast<IHTMLDocument2*>(document_.get()));
    VARIANT out;
    const HRESULT hr = target->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR,
                                    OLECMDEXECOPT_DODEFAULT, &in, &out);
    return SUCCEEDED(hr) && out.vt == VT_BOOL && out.boolVal != VARIANT_FALSE;
  }

  void ViewActivated() override {
    if (inPlaceActive_) UIActivate();
  }

  bool Silent() const override { return silent_; }

  ComPtr<IUnknown> KeepAlive() override { return ComPtr<IUnknown>(static_cast<IWebBrowser2*>(this)); }

 private:
  ~WebBrowserObject() {
    events_->Detach();
    *uiSink_ = nullptr;
    engine_.reset();
  }
  friend class os::RefCount;

  std::shared_ptr<HtmlDocument::UiHandlerSink> NewUiSink() {
    return std::make_shared<HtmlDocument::UiHandlerSink>(
        [this](IDocHostUIHandler* handler) { SetUiHandler(handler); });
  }

  HRESULT StartNavigation(const std::u16string& url, VARIANT* postData, VARIANT* headers) {
    if (url.empty()) return E_INVALIDARG;
    if (!VariantIsMissing(postData)) return E_NOTIMPL;
    engine_->Navigate(url, VariantString(headers).value_or(std::u16string()));
    return S_OK;
  }

  void Fire(DISPID member, VARIANT* args, UINT count) {
    DISPPARAMS params;
    params.rgvarg = args;
    params.cArgs = count;
    events_->Fire(member, &params);
  }

  void SetUiHandler(IDocHostUIHandler* handler) {
    if (uiHandler_.get() == handler) return;
    uiHandler_ = handler;
    if (engine_) engine_->HostInfoChanged();
  }

  HRESULT InPlaceActivate(IOleClientSite* activeSite, HWND parent, const RECT* posRect) {
    if (inPlaceActive_) return S_OK;
    IOleClientSite* site = activeSite ? activeSite : clientSite_.get();
    if (!site) return E_UNEXPECTED;
    ComPtr<IOleInPlaceSite> inPlaceSite;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.put_void())) || !inPlaceSite) {
      return E_NOINTERFACE;
    }
    if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    ComPtr<IOleInPlaceSiteEx> siteEx;
    inPlaceSite.As(&siteEx);
    BOOL noRedraw = FALSE;
    HRESULT hr = siteEx ? siteEx->OnInPlaceActivateEx(&noRedraw, 0) : inPlaceSite->OnInPlaceActivate();
    if (FAILED(hr)) return hr;

    HWND host = nullptr;
    if (FAILED(inPlaceSite->GetWindow(&host)) || !host) host = parent;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> uiWindow;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo;
    if (FAILED(inPlaceSite->GetWindowContext(frame.put(), uiWindow.put(), &pos, &clip, &frameInfo))) {
      frame.reset();
      uiWindow.reset();
      pos = posRect ? *posRect : RECT{};
    }
    HWND view = host ? engine_->CreateView(host, pos) : nullptr;
    if (!view) {
      if (siteEx) {
        siteEx->OnInPlaceDeactivateEx(TRUE);
      } else {
        inPlaceSite->OnInPlaceDeactivate();
      }
      return E_FAIL;
    }
    if (!visible_) ShowWindow(view, SW_HIDE);
    inPlaceSite_ = std::move(inPlaceSite);
    inPlaceSiteEx_ = std::move(siteEx);
    frame_ = std::move(frame);
    uiWindow_ = std::move(uiWindow);
    posRect_ = pos;
    inPlaceActive_ = true;
    site->ShowObject();
    return S_OK;
  }

  HRESULT UIActivate() {
    if (!inPlaceActive_) return OLE_E_NOT_INPLACEACTIVE;
    if (uiActive_) return S_OK;
    uiActive_ = true;
    if (inPlaceSite_) inPlaceSite_->OnUIActivate();
    IOleInPlaceActiveObject* active = this;
    if (frame_) frame_->SetActiveObject(active, nullptr);
    if (uiWindow_) uiWindow_->SetActiveObject(active, nullptr);
    if (uiHandler_) uiHandler_->ShowUI(DOCHOSTUITYPE_BROWSE, active, nullptr, frame_.get(), uiWindow_.get());
    HWND view = engine_->View();
    if (view && GetFocus() != view && !IsChild(view, GetFocus())) SetFocus(view);
    return S_OK;
  }

  RefCount refs_;
  ComPtr<DispatchConnectionPoint> events_;
  std::shared_ptr<HtmlDocument::UiHandlerSink> uiSink_;
  std::unique_ptr<BrowserEngine> engine_;

  ComPtr<IOleClientSite> clientSite_;
  ComPtr<IUnknown> site_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceSiteEx> inPlaceSiteEx_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceUIWindow> uiWindow_;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  RECT posRect_{};
  SIZEL extent_{};

  ComPtr<HtmlDocument> document_;
  ComPtr<IDocHostUIHandler> uiHandler_;
  std::u16string locationUrl_;
  bool silent_ = false;
  bool visible_ = true;
};

}  // namespace

namespace {

// One registration per backend name; nullptr removes it.
template <class Hook>
void SetHook(std::map<std::string, Hook, std::less<>> EngineFactories::*hooks, std::string_view backend,
             Hook hook) {
  EngineFactories& f = Factories();
  std::lock_guard lock(f.mutex);
  auto& map = f.*hooks;
  if (hook) {
    map.insert_or_assign(std::string(backend), hook);
  } else if (auto it = map.find(backend); it != map.end()) {
    map.erase(it);
  }
}

// The current backend's registration, or nullptr; read under the lock and
// called without it (a module's entry registers hooks of its own).
template <class Hook>
Hook HookOf(std::map<std::string, Hook, std::less<>> EngineFactories::*hooks) {
  EngineFactories& f = Factories();
  std::lock_guard lock(f.mutex);
  auto& map = f.*hooks;
  auto it = map.find(CurrentBackendName());
  return it != map.end() ? it->second : nullptr;
}

}  // namespace

void RegisterBrowserEngineFactory(std::string_view backend, BrowserEngineFactory factory) {
  SetHook(&EngineFactories::byBackend, backend, factory);
}

std::unique_ptr<BrowserEngine> CreateBrowserEngine(BrowserEngineHost* host) {
  if (BrowserEngineFactory factory = HookOf(&EngineFactories::byBackend)) {
    if (auto engine = factory(host)) return engine;
  }
  return internal::Sys().backend().CreateDefaultBrowserEngine(host);
}

void RegisterBrowserEngineLoader(std::string_view backend, BrowserEngineLoader loader) {
  SetHook(&EngineFactories::loaders, backend, loader);
}

bool BrowserEngineAvailable() {
  BrowserEngineLoader loader = HookOf(&EngineFactories::loaders);
  return loader == nullptr || loader();
}

void WarmBrowserEngine() { BrowserEngineAvailable(); }

void RegisterWebEngineDataCleaner(std::string_view backend, WebEngineDataCleaner cleaner) {
  SetHook(&EngineFactories::cleaners, backend, cleaner);
}

void ClearWebEngineData() {
  if (!BrowserEngineAvailable()) return;
  if (WebEngineDataCleaner cleaner = HookOf(&EngineFactories::cleaners)) cleaner();
}

namespace internal {

HRESULT CreateWebBrowserObject(REFIID riid, void** object) {
  if (!BrowserEngineAvailable()) {
    if (object != nullptr) *object = nullptr;
    return REGDB_E_CLASSNOTREG;
  }
  ComPtr<IWebBrowser2> browser = ComPtr<IWebBrowser2>::Adopt(new WebBrowserObject());
  return browser->QueryInterface(riid, object);
}

}  // namespace internal

}  // namespace os
