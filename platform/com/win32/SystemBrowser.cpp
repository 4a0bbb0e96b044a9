#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/DebugOutput.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Ole.h"
#include "platform/com/WebBrowser.h"
// These include the system headers, whose macros would rename ours: last.
#include "platform/com/win32/Automation.h"
#include "platform/com/win32/SystemBrowser.h"

namespace os::win32 {

namespace {

// ---------------------------------------------------------------------------
// Layouts the two sides share by pointer through the interfaces that pass
// unconverted.
static_assert(sizeof(os::MSG) == sizeof(::MSG));
static_assert(offsetof(os::MSG, message) == offsetof(::MSG, message));
static_assert(offsetof(os::MSG, wParam) == offsetof(::MSG, wParam));
static_assert(offsetof(os::MSG, lParam) == offsetof(::MSG, lParam));
static_assert(offsetof(os::MSG, time) == offsetof(::MSG, time));
static_assert(offsetof(os::MSG, pt) == offsetof(::MSG, pt));
static_assert(sizeof(RECT) == sizeof(::RECT) && offsetof(RECT, bottom) == offsetof(::RECT, bottom));
static_assert(sizeof(POINT) == sizeof(::POINT) && sizeof(SIZE) == sizeof(::SIZE));
static_assert(sizeof(os::SIZEL) == sizeof(::SIZEL));
static_assert(sizeof(os::OLEINPLACEFRAMEINFO) == sizeof(::OLEINPLACEFRAMEINFO));
static_assert(offsetof(os::OLEINPLACEFRAMEINFO, fMDIApp) == offsetof(::OLEINPLACEFRAMEINFO, fMDIApp));
static_assert(offsetof(os::OLEINPLACEFRAMEINFO, hwndFrame) == offsetof(::OLEINPLACEFRAMEINFO, hwndFrame));
static_assert(offsetof(os::OLEINPLACEFRAMEINFO, haccel) == offsetof(::OLEINPLACEFRAMEINFO, haccel));
static_assert(offsetof(os::OLEINPLACEFRAMEINFO, cAccelEntries) ==
              offsetof(::OLEINPLACEFRAMEINFO, cAccelEntries));
static_assert(sizeof(os::OLEMENUGROUPWIDTHS) == sizeof(::OLEMENUGROUPWIDTHS));
static_assert(sizeof(os::OLECMD) == sizeof(::OLECMD) &&
              offsetof(os::OLECMD, cmdf) == offsetof(::OLECMD, cmdf));
static_assert(sizeof(os::SHANDLE_PTR) == sizeof(::SHANDLE_PTR));
static_assert(sizeof(os::READYSTATE) == sizeof(::READYSTATE));
static_assert(sizeof(os::BOOL) == sizeof(::BOOL));
static_assert(sizeof(os::LONG) == sizeof(::LONG) && sizeof(os::ULONG) == sizeof(::ULONG));
// The system's DOCHOSTUIINFO is filled member by member from ours.
static_assert(sizeof(::DOCHOSTUIINFO) ==
              3 * sizeof(::DWORD) + 2 * sizeof(void*) + (sizeof(void*) == 8 ? 4 : 0));

const ::IID& Sys(REFIID iid) { return *As<const ::IID*>(&iid); }

// The system object of `system` that answers our interface Ours, seen through
// our declaration: only for interfaces whose vtables are the system's.
template <class Ours>
ComPtr<Ours> SystemPart(::IUnknown* system) {
  void* found = nullptr;
  if (!system || FAILED(system->QueryInterface(Sys(Ours::kIid), &found)) || !found) return {};
  return ComPtr<Ours>::Adopt(static_cast<Ours*>(found));
}

template <class Sys>
bool SystemQuery(::IUnknown* system, const ::IID& iid, ComPtr<Sys>* out) {
  return system && SUCCEEDED(system->QueryInterface(iid, out->put_void())) && *out;
}

bool SameSystemObject(::IUnknown* a, ::IUnknown* b) {
  ComPtr<::IUnknown> ua, ub;
  return SystemQuery(a, ::IID_IUnknown, &ua) && SystemQuery(b, ::IID_IUnknown, &ub) && ua.get() == ub.get();
}

// Takes a system BSTR out-parameter's text and frees it.
HRESULT TakeText(HRESULT hr, ::BSTR text, os::BSTR* out) {
  *out = os::BSTR(OurText(text));
  ::SysFreeString(text);
  return hr;
}

// A text property of a system object.
template <class System, class Getter>
HRESULT GetText(System* system, Getter getter, os::BSTR* out) {
  if (!out) return E_POINTER;
  ::BSTR text = nullptr;
  return TakeText((system->*getter)(&text), text, out);
}

// The interface our wrappers answer, leading back to the system object.
struct ISystemObject : os::IUnknown {
  // {6A1F6C0E-3B5D-4E2A-9C61-0D7E2B4A8F13}
  static constexpr IID kIid{0x6A1F6C0E, 0x3B5D, 0x4E2A, {0x9C, 0x61, 0x0D, 0x7E, 0x2B, 0x4A, 0x8F, 0x13}};
  // A new reference to the system's IDispatch of the object.
  virtual ::IDispatch* SystemDispatch() = 0;

 protected:
  ~ISystemObject() = default;
};

// What every wrapper of a system automation object shares: its reference
// count, the system object, the private interface and IDispatch without
// members (as our Linux objects have).
template <class Interface, class System>
class Wrapper : public NoAutomation<Interface>, public ISystemObject {
 public:
  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    Interface* self = this;
    if (AnswerInterface<os::IUnknown>(riid, static_cast<os::IUnknown*>(self), object) ||
        AnswerInterface<os::IDispatch>(riid, static_cast<os::IDispatch*>(self), object) ||
        AnswerInterface<Interface>(riid, self, object) ||
        AnswerInterface<ISystemObject>(riid, static_cast<ISystemObject*>(this), object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }
  ::IDispatch* SystemDispatch() override {
    system_->AddRef();
    return system_.get();
  }

 protected:
  explicit Wrapper(System* system) {
    system->AddRef();
    *system_.put() = system;
  }
  virtual ~Wrapper() = default;
  friend class os::RefCount;
  System* sys() const { return system_.get(); }

 private:
  RefCount refs_;
  ComPtr<System> system_;
};

// ---------------------------------------------------------------------------
// The document model

class SystemElement final : public Wrapper<os::IHTMLElement, ::IHTMLElement> {
 public:
  explicit SystemElement(::IHTMLElement* system) : Wrapper(system) {}

  HRESULT OS_STDCALL setAttribute(const os::BSTR& name, os::VARIANT value, LONG flags) override {
    SystemVariant v;
    if (HRESULT hr = ToSystem(value, v.get()); FAILED(hr)) return hr;
    ::BSTR n = SystemString(name.str());
    const HRESULT hr = sys()->setAttribute(n, *v, flags);
    ::SysFreeString(n);
    return hr;
  }
  HRESULT OS_STDCALL getAttribute(const os::BSTR& name, LONG flags, os::VARIANT* value) override {
    if (!value) return E_POINTER;
    value->Clear();
    SystemVariant v;
    ::BSTR n = SystemString(name.str());
    HRESULT hr = sys()->getAttribute(n, flags, v.get());
    ::SysFreeString(n);
    if (FAILED(hr)) return hr;
    // Absent attributes are VT_NULL; anything we do not carry reads as text
    // where the system can make it one.
    if (FAILED(ToOurs(*v, value)) && SUCCEEDED(::VariantChangeType(v.get(), v.get(), 0, ::VT_BSTR))) {
      hr = ToOurs(*v, value);
    }
    return hr;
  }
  HRESULT OS_STDCALL removeAttribute(const os::BSTR& name, LONG flags, VARIANT_BOOL* removed) override {
    ::BSTR n = SystemString(name.str());
    const HRESULT hr = sys()->removeAttribute(n, flags, removed);
    ::SysFreeString(n);
    return hr;
  }
  HRESULT OS_STDCALL get_className(os::BSTR* name) override {
    return GetText(sys(), &::IHTMLElement::get_className, name);
  }
  HRESULT OS_STDCALL get_id(os::BSTR* id) override { return GetText(sys(), &::IHTMLElement::get_id, id); }
  HRESULT OS_STDCALL get_tagName(os::BSTR* tag) override {
    return GetText(sys(), &::IHTMLElement::get_tagName, tag);
  }
  HRESULT OS_STDCALL get_innerText(os::BSTR* text) override {
    return GetText(sys(), &::IHTMLElement::get_innerText, text);
  }
};

class SystemCollection final : public Wrapper<os::IHTMLElementCollection, ::IHTMLElementCollection> {
 public:
  explicit SystemCollection(::IHTMLElementCollection* system) : Wrapper(system) {}

  HRESULT OS_STDCALL get_length(LONG* length) override { return sys()->get_length(As<::LONG*>(length)); }
  HRESULT OS_STDCALL item(os::VARIANT name, os::VARIANT index, os::IDispatch** element) override {
    if (!element) return E_POINTER;
    *element = nullptr;
    SystemVariant n, i;
    if (HRESULT hr = ToSystem(name, n.get()); FAILED(hr)) return hr;
    if (HRESULT hr = ToSystem(index, i.get()); FAILED(hr)) return hr;
    ComPtr<::IDispatch> found;
    const HRESULT hr = sys()->item(*n, *i, found.put());
    if (SUCCEEDED(hr)) *element = OurDispatchOf(found.get());
    return hr;
  }
  HRESULT OS_STDCALL tags(os::VARIANT tagName, os::IDispatch** collection) override {
    if (!collection) return E_POINTER;
    *collection = nullptr;
    SystemVariant t;
    if (HRESULT hr = ToSystem(tagName, t.get()); FAILED(hr)) return hr;
    ComPtr<::IDispatch> found;
    const HRESULT hr = sys()->tags(*t, found.put());
    if (SUCCEEDED(hr)) *collection = OurDispatchOf(found.get());
    return hr;
  }
};

class SystemDocument final : public Wrapper<os::IHTMLDocument2, ::IHTMLDocument2>, public os::ICustomDoc {
 public:
  // hostGone: the browser's flag for the handlers given through it (none for
  // documents reached otherwise).
  SystemDocument(::IHTMLDocument2* system, std::shared_ptr<const bool> hostGone = nullptr)
      : Wrapper(system), hostGone_(std::move(hostGone)) {}

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (object && riid == os::ICustomDoc::kIid) {
      *object = nullptr;
      ComPtr<::ICustomDoc> custom;
      if (!SystemQuery(sys(), __uuidof(::ICustomDoc), &custom)) return E_NOINTERFACE;
      *object = static_cast<os::ICustomDoc*>(this);
      AddRef();
      return S_OK;
    }
    return Wrapper::QueryInterface(riid, object);
  }
  ULONG OS_STDCALL AddRef() override { return Wrapper::AddRef(); }
  ULONG OS_STDCALL Release() override { return Wrapper::Release(); }

  HRESULT OS_STDCALL get_all(os::IHTMLElementCollection** all) override {
    if (!all) return E_POINTER;
    *all = nullptr;
    ComPtr<::IHTMLElementCollection> found;
    const HRESULT hr = sys()->get_all(found.put());
    if (SUCCEEDED(hr) && found) *all = new SystemCollection(found.get());
    return hr;
  }
  HRESULT OS_STDCALL get_body(os::IHTMLElement** body) override {
    if (!body) return E_POINTER;
    *body = nullptr;
    ComPtr<::IHTMLElement> found;
    const HRESULT hr = sys()->get_body(found.put());
    if (SUCCEEDED(hr) && found) *body = new SystemElement(found.get());
    return hr;
  }
  HRESULT OS_STDCALL get_title(os::BSTR* title) override {
    return GetText(sys(), &::IHTMLDocument2::get_title, title);
  }
  HRESULT OS_STDCALL put_title(const os::BSTR& title) override {
    ::BSTR text = SystemString(title.str());
    const HRESULT hr = sys()->put_title(text);
    ::SysFreeString(text);
    return hr;
  }
  HRESULT OS_STDCALL get_URL(os::BSTR* url) override {
    return GetText(sys(), &::IHTMLDocument2::get_URL, url);
  }
  HRESULT OS_STDCALL get_readyState(os::BSTR* state) override {
    return GetText(sys(), &::IHTMLDocument2::get_readyState, state);
  }

  HRESULT OS_STDCALL SetUIHandler(os::IDocHostUIHandler* handler) override {
    ComPtr<::ICustomDoc> custom;
    if (!SystemQuery(sys(), __uuidof(::ICustomDoc), &custom)) return E_NOINTERFACE;
    ComPtr<::IDocHostUIHandler> bridge;
    if (handler) *bridge.put() = SystemUiHandler(handler, hostGone_);
    return custom->SetUIHandler(bridge.get());
  }

 private:
  std::shared_ptr<const bool> hostGone_;
};

// ---------------------------------------------------------------------------
// A system IDispatch whose calls go to a function of ours, with their
// arguments converted (and by-reference ones written back).
class DispatchBridge final : public ::IDispatch {
 public:
  using Invoker = std::function<HRESULT(DISPID, WORD, os::DISPPARAMS*, os::VARIANT* result)>;
  using Namer = std::function<HRESULT(::LPOLESTR* names, ::UINT count, ::LCID, os::DISPID* ids)>;

  DispatchBridge(const ::IID& extra, Invoker invoke, Namer names)
      : extra_(extra), invoke_(std::move(invoke)), names_(std::move(names)) {}

  // A bridge standing for one object of ours, which the host gets back when
  // the bridge comes back from the system.
  explicit DispatchBridge(os::IDispatch* origin)
      : DispatchBridge(
            ::IID_IDispatch,
            [origin](DISPID member, WORD flags, os::DISPPARAMS* params, os::VARIANT* result) {
              return origin->Invoke(member, os::IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, nullptr,
                                    nullptr);
            },
            [origin](::LPOLESTR* names, ::UINT count, ::LCID locale, os::DISPID* ids) {
              return origin->GetIDsOfNames(os::IID_NULL, As<os::LPOLESTR*>(names), count, locale, ids);
            }) {
    origin_ = ComPtr<os::IDispatch>(origin);
  }

  // The object of ours a bridge stands for (a new reference), when `system`
  // is such a bridge.
  static os::IDispatch* OriginOf(::IUnknown* system) {
    void* found = nullptr;
    if (FAILED(system->QueryInterface(kBridgeIid, &found)) || !found) return nullptr;
    auto* bridge = static_cast<DispatchBridge*>(static_cast<::IDispatch*>(found));
    os::IDispatch* origin = bridge->origin_.get();
    if (origin) origin->AddRef();
    bridge->Release();
    return origin;
  }

  // No more calls reach the function (its owner is going).
  void Detach() {
    invoke_ = nullptr;
    names_ = nullptr;
    origin_ = nullptr;
  }

  ::HRESULT STDMETHODCALLTYPE QueryInterface(const ::IID& riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != ::IID_IUnknown && riid != ::IID_IDispatch && riid != extra_ && riid != kBridgeIid) {
      return E_NOINTERFACE;
    }
    *object = static_cast<::IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ::ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
  ::ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }
  ::HRESULT STDMETHODCALLTYPE GetTypeInfoCount(::UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE GetTypeInfo(::UINT, ::LCID, ::ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE GetIDsOfNames(const ::IID&, ::LPOLESTR* names, ::UINT count, ::LCID locale,
                                            ::DISPID* ids) override {
    if (names_) return names_(names, count, locale, As<os::DISPID*>(ids));
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  ::HRESULT STDMETHODCALLTYPE Invoke(::DISPID member, const ::IID&, ::LCID, ::WORD flags,
                                     ::DISPPARAMS* params, ::VARIANT* result, ::EXCEPINFO*,
                                     ::UINT*) override {
    if (!invoke_) return S_OK;       // the owner is gone: events fall silent
    const Invoker invoke = invoke_;  // the call may detach this bridge
    ArgumentsAsOurs args;
    if (HRESULT hr = args.Load(params); FAILED(hr)) {
      os::DebugOutput(os::DebugCategory::Web,
                      u"com: a call from the system carried an argument type we do not convert");
      return hr;
    }
    os::VARIANT ours;
    const HRESULT hr = invoke(member, flags, args.Params(), result ? &ours : nullptr);
    args.WriteBack();
    if (result && SUCCEEDED(hr)) ToSystem(ours, result);
    return hr;
  }

 private:
  // {2D4C7B90-6E1A-4F38-B5D2-9A0C3E7F1B64}: answered by our bridges only.
  static constexpr ::IID kBridgeIid{
      0x2D4C7B90, 0x6E1A, 0x4F38, {0xB5, 0xD2, 0x9A, 0x0C, 0x3E, 0x7F, 0x1B, 0x64}};

  ~DispatchBridge() = default;
  friend class os::RefCount;
  RefCount refs_;
  ::IID extra_;
  Invoker invoke_;
  Namer names_;
  ComPtr<os::IDispatch> origin_;
};

// A system object of no kind we wrap, as the host sees it: its calls convert
// our arguments (by-reference ones pass their values) and its result.
class SystemDispatchView final : public os::IDispatch, public ISystemObject {
 public:
  explicit SystemDispatchView(::IDispatch* system) {
    system->AddRef();
    *system_.put() = system;
  }

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (AnswerInterface<os::IUnknown>(riid, static_cast<os::IDispatch*>(this), object) ||
        AnswerInterface<os::IDispatch>(riid, this, object) ||
        AnswerInterface<ISystemObject>(riid, this, object)) {
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }
  ::IDispatch* SystemDispatch() override {
    system_->AddRef();
    return system_.get();
  }

  HRESULT OS_STDCALL GetTypeInfoCount(UINT* count) override { return system_->GetTypeInfoCount(count); }
  HRESULT OS_STDCALL GetTypeInfo(UINT index, LCID locale, os::ITypeInfo** info) override {
    return system_->GetTypeInfo(index, locale, As<::ITypeInfo**>(info));
  }
  HRESULT OS_STDCALL GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                   DISPID* ids) override {
    return system_->GetIDsOfNames(*As<const ::IID*>(&riid), As<::LPOLESTR*>(names), count, locale,
                                  As<::DISPID*>(ids));
  }
  HRESULT OS_STDCALL Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, os::DISPPARAMS* params,
                            os::VARIANT* result, os::EXCEPINFO*, UINT* argumentError) override {
    const UINT count = params ? params->cArgs : 0;
    if (count > 0 && !params->rgvarg) return E_INVALIDARG;
    std::vector<::VARIANT> args(count);
    for (::VARIANT& a : args) ::VariantInit(&a);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count && SUCCEEDED(hr); ++i) hr = ToSystem(params->rgvarg[i], &args[i]);
    if (SUCCEEDED(hr)) {
      ::DISPPARAMS system{args.data(), params ? As<::DISPID*>(params->rgdispidNamedArgs) : nullptr, count,
                          params ? params->cNamedArgs : 0};
      SystemVariant out;
      hr = system_->Invoke(member, *As<const ::IID*>(&riid), locale, flags, &system,
                           result ? out.get() : nullptr, nullptr, argumentError);
      if (SUCCEEDED(hr) && result) hr = ToOurs(*out, result);
    }
    for (::VARIANT& a : args) ::VariantClear(&a);
    return hr;
  }

 private:
  ~SystemDispatchView() = default;
  friend class os::RefCount;
  RefCount refs_;
  ComPtr<::IDispatch> system_;
};

// ---------------------------------------------------------------------------
// A UI handler of ours as the system sees it.
// Besides the handler it answers the command target (script errors), the
// service provider (the download manager, whose vtable is the system's; other
// services are refused, their interfaces being unknown here) and IDispatch
// (ambient properties, converted) when our handler's object does.
class UiHandlerBridge final : public ::IDocHostUIHandler,
                              public ::IOleCommandTarget,
                              public ::IServiceProvider {
 public:
  UiHandlerBridge(os::IDocHostUIHandler* ours, std::shared_ptr<const bool> hostGone)
      : ours_(ours), hostGone_(std::move(hostGone)) {
    ours_->QueryInterface(os::IOleCommandTarget::kIid, commands_.put_void());
    ours_->QueryInterface(os::IServiceProvider::kIid, services_.put_void());
    ComPtr<os::IDispatch> dispatch;
    if (SUCCEEDED(ours_->QueryInterface(os::IDispatch::kIid, dispatch.put_void())) && dispatch) {
      *dispatch_.put() = new DispatchBridge(dispatch.get());
    }
  }

  ::HRESULT STDMETHODCALLTYPE QueryInterface(const ::IID& riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == ::IID_IUnknown || riid == ::IID_IDocHostUIHandler) {
      *object = static_cast<::IDocHostUIHandler*>(this);
    } else if (riid == ::IID_IOleCommandTarget && commands_) {
      *object = static_cast<::IOleCommandTarget*>(this);
    } else if (riid == ::IID_IServiceProvider && services_) {
      *object = static_cast<::IServiceProvider*>(this);
    } else if (riid == ::IID_IDispatch && dispatch_) {
      return dispatch_->QueryInterface(riid, object);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ::ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
  ::ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }

  ::HRESULT STDMETHODCALLTYPE ShowContextMenu(::DWORD id, ::POINT* point, ::IUnknown* target,
                                              ::IDispatch* object) override {
    if (!Live()) return E_FAIL;
    return ours_->ShowContextMenu(id, As<POINT*>(point), As<os::IUnknown*>(target),
                                  As<os::IDispatch*>(object));
  }
  ::HRESULT STDMETHODCALLTYPE GetHostInfo(::DOCHOSTUIINFO* info) override {
    if (!Live()) return E_FAIL;
    if (!info) return E_POINTER;
    os::DOCHOSTUIINFO ours;
    const HRESULT hr = ours_->GetHostInfo(&ours);
    if (FAILED(hr)) return hr;
    info->dwFlags = ours.dwFlags;
    info->dwDoubleClick = ours.dwDoubleClick;
    info->pchHostCss = TaskString(ours.pchHostCss);
    info->pchHostNS = TaskString(ours.pchHostNS);
    return hr;
  }
  ::HRESULT STDMETHODCALLTYPE ShowUI(::DWORD id, ::IOleInPlaceActiveObject* active,
                                     ::IOleCommandTarget* target, ::IOleInPlaceFrame* frame,
                                     ::IOleInPlaceUIWindow* document) override {
    if (!Live()) return E_FAIL;
    return ours_->ShowUI(id, As<os::IOleInPlaceActiveObject*>(active), As<os::IOleCommandTarget*>(target),
                         As<os::IOleInPlaceFrame*>(frame), As<os::IOleInPlaceUIWindow*>(document));
  }
  ::HRESULT STDMETHODCALLTYPE HideUI() override {
    if (!Live()) return E_FAIL;
    return ours_->HideUI();
  }
  ::HRESULT STDMETHODCALLTYPE UpdateUI() override {
    if (!Live()) return E_FAIL;
    return ours_->UpdateUI();
  }
  ::HRESULT STDMETHODCALLTYPE EnableModeless(::BOOL enable) override {
    if (!Live()) return E_FAIL;
    return ours_->EnableModeless(enable);
  }
  ::HRESULT STDMETHODCALLTYPE OnDocWindowActivate(::BOOL activate) override {
    if (!Live()) return E_FAIL;
    return ours_->OnDocWindowActivate(activate);
  }
  ::HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(::BOOL activate) override {
    if (!Live()) return E_FAIL;
    return ours_->OnFrameWindowActivate(activate);
  }
  ::HRESULT STDMETHODCALLTYPE ResizeBorder(const ::RECT* border, ::IOleInPlaceUIWindow* window,
                                           ::BOOL frameWindow) override {
    if (!Live()) return E_FAIL;
    return ours_->ResizeBorder(As<const RECT*>(border), As<os::IOleInPlaceUIWindow*>(window), frameWindow);
  }
  ::HRESULT STDMETHODCALLTYPE TranslateAccelerator(::MSG* message, const ::GUID* group,
                                                   ::DWORD command) override {
    if (!Live()) return E_FAIL;
    return ours_->TranslateAccelerator(As<os::MSG*>(message), As<const os::GUID*>(group), command);
  }
  ::HRESULT STDMETHODCALLTYPE GetOptionKeyPath(::LPOLESTR* key, ::DWORD reserved) override {
    if (!key) return E_POINTER;
    *key = nullptr;
    if (!Live()) return E_FAIL;
    std::u16string path;
    const HRESULT hr = ours_->GetOptionKeyPath(&path, reserved);
    if (hr == S_OK) *key = TaskString(path);
    return hr == S_OK && !*key ? S_FALSE : hr;
  }
  ::HRESULT STDMETHODCALLTYPE GetDropTarget(::IDropTarget* target, ::IDropTarget** replacement) override {
    if (!Live()) return E_FAIL;
    return ours_->GetDropTarget(As<os::IDropTarget*>(target), As<os::IDropTarget**>(replacement));
  }
  ::HRESULT STDMETHODCALLTYPE GetExternal(::IDispatch** external) override {
    if (!external) return E_POINTER;
    *external = nullptr;
    if (!Live()) return E_FAIL;
    os::IDispatch* ours = nullptr;
    const HRESULT hr = ours_->GetExternal(&ours);
    if (FAILED(hr) || !ours) return FAILED(hr) ? hr : S_FALSE;
    // The page's scripts call it with the system's arguments: they pass
    // through a bridge to our object.
    *external = SystemDispatchOf(ours);
    ours->Release();
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE TranslateUrl(::DWORD translate, ::LPWSTR urlIn, ::LPWSTR* urlOut) override {
    if (!urlOut) return E_POINTER;
    *urlOut = nullptr;
    if (!Live()) return E_FAIL;
    std::u16string out;
    const HRESULT hr = ours_->TranslateUrl(translate, urlIn ? Ours(urlIn) : u"", &out);
    if (hr != S_OK || out.empty()) return S_FALSE;
    *urlOut = TaskString(out);
    return *urlOut ? S_OK : E_OUTOFMEMORY;
  }
  ::HRESULT STDMETHODCALLTYPE FilterDataObject(::IDataObject* data, ::IDataObject** filtered) override {
    if (!Live()) return E_FAIL;
    return ours_->FilterDataObject(As<os::IDataObject*>(data), As<os::IDataObject**>(filtered));
  }

  // IOleCommandTarget
  ::HRESULT STDMETHODCALLTYPE QueryStatus(const ::GUID* group, ::ULONG count, ::OLECMD* commands,
                                          ::OLECMDTEXT* text) override {
    if (!Live()) return E_FAIL;
    return commands_->QueryStatus(As<const os::GUID*>(group), count, As<os::OLECMD*>(commands),
                                  As<os::OLECMDTEXT*>(text));
  }
  ::HRESULT STDMETHODCALLTYPE Exec(const ::GUID* group, ::DWORD command, ::DWORD option, ::VARIANT* in,
                                   ::VARIANT* out) override {
    if (!Live()) return E_FAIL;
    os::VARIANT ourIn, ourOut;
    // An argument we cannot carry reaches the host as missing.
    if (in && FAILED(ToOurs(*in, &ourIn))) ourIn.Clear();
    const HRESULT hr = commands_->Exec(As<const os::GUID*>(group), command, option, in ? &ourIn : nullptr,
                                       out ? &ourOut : nullptr);
    if (out && SUCCEEDED(hr)) ToSystem(ourOut, out);
    return hr;
  }

  // IServiceProvider
  ::HRESULT STDMETHODCALLTYPE QueryService(const ::GUID& service, const ::IID& riid, void** object) override {
    if (!Live()) return E_FAIL;
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != *As<const ::IID*>(&os::IID_IDownloadManager) && riid != ::IID_IUnknown) return E_NOINTERFACE;
    return services_->QueryService(*As<const os::GUID*>(&service), *As<const os::IID*>(&riid), object);
  }

 private:
  ~UiHandlerBridge() = default;

  // False once the browser our handler was given through is closed or gone:
  // the host's handler may be gone with it, so it is let go and not called.
  bool Live() {
    if (hostGone_ && *hostGone_ && ours_) {
      ours_.reset();
      commands_.reset();
      services_.reset();
      if (dispatch_) dispatch_->Detach();
    }
    return ours_ != nullptr;
  }

  friend class os::RefCount;
  RefCount refs_;
  ComPtr<os::IDocHostUIHandler> ours_;
  ComPtr<os::IOleCommandTarget> commands_;
  ComPtr<os::IServiceProvider> services_;
  ComPtr<DispatchBridge> dispatch_;
  std::shared_ptr<const bool> hostGone_;
};

// ---------------------------------------------------------------------------
// The browser object

class SystemBrowserObject final : public NoAutomation<os::IWebBrowser2>,
                                  public os::IOleObject,
                                  public os::IOleControl,
                                  public os::IOleInPlaceObject,
                                  public os::IOleInPlaceActiveObject,
                                  public os::IPersistStreamInit,
                                  public os::IObjectWithSite,
                                  public os::IConnectionPointContainer,
                                  public ISystemObject {
 public:
  // Wraps the system's browser object; empty when it is not one. A frame's
  // browser may lack the OLE interfaces: the wrapper then lacks them too.
  static ComPtr<SystemBrowserObject> Wrap(::IUnknown* system) {
    ComPtr<SystemBrowserObject> made = ComPtr<SystemBrowserObject>::Adopt(new SystemBrowserObject());
    if (!SystemQuery(system, ::IID_IWebBrowser2, &made->web_)) return {};
    made->ole_ = SystemPart<os::IOleObject>(system);
    made->control_ = SystemPart<os::IOleControl>(system);
    made->inPlace_ = SystemPart<os::IOleInPlaceObject>(system);
    made->active_ = SystemPart<os::IOleInPlaceActiveObject>(system);
    made->persist_ = SystemPart<os::IPersistStreamInit>(system);
    made->withSite_ = SystemPart<os::IObjectWithSite>(system);
    made->ListenToSystem();
    return made;
  }

  // The wrapper the host holds for this system object, when there is one.
  static SystemBrowserObject* Find(::IUnknown* system);

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    os::IWebBrowser2* browser = this;
    os::IOleInPlaceObject* inPlace = this;
    const bool answered =
        AnswerInterface<os::IUnknown>(riid, static_cast<os::IUnknown*>(browser), object) ||
        AnswerInterface<os::IDispatch>(riid, static_cast<os::IDispatch*>(browser), object) ||
        AnswerInterface<os::IWebBrowser2>(riid, browser, object) ||
        (ole_ && AnswerInterface<os::IOleObject>(riid, this, object)) ||
        AnswerInterface<os::IConnectionPointContainer>(riid, this, object) ||
        AnswerInterface<ISystemObject>(riid, this, object) ||
        (control_ && AnswerInterface<os::IOleControl>(riid, this, object)) ||
        (inPlace_ && AnswerInterface<os::IOleWindow>(riid, static_cast<os::IOleWindow*>(inPlace), object)) ||
        (inPlace_ && AnswerInterface<os::IOleInPlaceObject>(riid, inPlace, object)) ||
        (active_ && AnswerInterface<os::IOleInPlaceActiveObject>(riid, this, object)) ||
        (persist_ && AnswerInterface<os::IPersist>(riid, static_cast<os::IPersist*>(this), object)) ||
        (persist_ && AnswerInterface<os::IPersistStreamInit>(riid, this, object)) ||
        (withSite_ && AnswerInterface<os::IObjectWithSite>(riid, this, object));
    return answered ? S_OK : E_NOINTERFACE;
  }
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  ::IDispatch* SystemDispatch() override {
    web_->AddRef();
    return web_.get();
  }

  // IWebBrowser2
  HRESULT OS_STDCALL Navigate(const os::BSTR& url, os::VARIANT* flags, os::VARIANT* targetFrameName,
                              os::VARIANT* postData, os::VARIANT* headers) override {
    os::VARIANT where = os::VARIANT::String(url.str());
    return Navigate2(&where, flags, targetFrameName, postData, headers);
  }
  HRESULT OS_STDCALL Navigate2(os::VARIANT* url, os::VARIANT* flags, os::VARIANT* targetFrameName,
                               os::VARIANT* postData, os::VARIANT* headers) override {
    const std::optional<std::u16string> where = os::VariantString(url);
    if (!where || where->empty()) return E_INVALIDARG;
    // Post data would be a byte array, which our VARIANT does not carry.
    if (!os::VariantIsMissing(postData)) return E_NOTIMPL;
    SystemVariant u, f, t, p, h;
    ToSystem(os::VARIANT::String(*where), u.get());
    for (auto [ours, system] : {std::pair{flags, f.get()}, {targetFrameName, t.get()}, {headers, h.get()}}) {
      if (os::VariantIsMissing(ours)) continue;
      if (HRESULT hr = ToSystem(*ours, system); FAILED(hr)) return hr;
    }
    return web_->Navigate2(u.get(), f.get(), t.get(), p.get(), h.get());
  }
  HRESULT OS_STDCALL Refresh() override { return web_->Refresh(); }
  HRESULT OS_STDCALL Refresh2(os::VARIANT* level) override {
    SystemVariant l;
    if (!os::VariantIsMissing(level)) {
      if (HRESULT hr = ToSystem(*level, l.get()); FAILED(hr)) return hr;
    }
    return web_->Refresh2(l.get());
  }
  HRESULT OS_STDCALL Stop() override { return web_->Stop(); }
  HRESULT OS_STDCALL get_Document(os::IDispatch** document) override {
    if (!document) return E_POINTER;
    *document = nullptr;
    ComPtr<::IDispatch> found;
    if (FAILED(web_->get_Document(found.put())) || !found) return S_OK;  // no document yet
    ComPtr<::IHTMLDocument2> html;
    if (SystemQuery(found.get(), ::IID_IHTMLDocument2, &html)) {
      *document = static_cast<os::IHTMLDocument2*>(new SystemDocument(html.get(), closed_));
    } else {
      *document = OurDispatchOf(found.get());
    }
    return S_OK;
  }
  HRESULT OS_STDCALL get_LocationURL(os::BSTR* url) override {
    return GetText(web_.get(), &::IWebBrowser2::get_LocationURL, url);
  }
  HRESULT OS_STDCALL get_LocationName(os::BSTR* name) override {
    return GetText(web_.get(), &::IWebBrowser2::get_LocationName, name);
  }
  HRESULT OS_STDCALL get_Busy(VARIANT_BOOL* busy) override { return web_->get_Busy(busy); }
  HRESULT OS_STDCALL get_ReadyState(os::READYSTATE* state) override {
    return web_->get_ReadyState(As<::READYSTATE*>(state));
  }
  HRESULT OS_STDCALL get_Silent(VARIANT_BOOL* silent) override { return web_->get_Silent(silent); }
  HRESULT OS_STDCALL put_Silent(VARIANT_BOOL silent) override { return web_->put_Silent(silent); }
  HRESULT OS_STDCALL get_Visible(VARIANT_BOOL* visible) override { return web_->get_Visible(visible); }
  HRESULT OS_STDCALL put_Visible(VARIANT_BOOL visible) override { return web_->put_Visible(visible); }
  HRESULT OS_STDCALL get_HWND(os::SHANDLE_PTR* window) override {
    return web_->get_HWND(As<::SHANDLE_PTR*>(window));
  }
  HRESULT OS_STDCALL get_Type(os::BSTR* type) override {
    return GetText(web_.get(), &::IWebBrowser2::get_Type, type);
  }

  // IOleObject: the system's, called through our declaration of its vtable.
  HRESULT OS_STDCALL SetClientSite(os::IOleClientSite* site) override { return ole_->SetClientSite(site); }
  HRESULT OS_STDCALL GetClientSite(os::IOleClientSite** site) override { return ole_->GetClientSite(site); }
  HRESULT OS_STDCALL SetHostNames(LPCOLESTR app, LPCOLESTR object) override {
    return ole_->SetHostNames(app, object);
  }
  // The UI handlers given through this browser's documents are let go: the
  // host may be going too. A browser activated again starts afresh.
  HRESULT OS_STDCALL Close(DWORD saveOption) override {
    const HRESULT hr = ole_->Close(saveOption);
    *closed_ = true;
    closed_ = std::make_shared<bool>(false);
    return hr;
  }
  HRESULT OS_STDCALL SetMoniker(DWORD which, os::IMoniker* moniker) override {
    return ole_->SetMoniker(which, moniker);
  }
  HRESULT OS_STDCALL GetMoniker(DWORD assign, DWORD which, os::IMoniker** moniker) override {
    return ole_->GetMoniker(assign, which, moniker);
  }
  HRESULT OS_STDCALL InitFromData(os::IDataObject* data, BOOL creation, DWORD reserved) override {
    return ole_->InitFromData(data, creation, reserved);
  }
  HRESULT OS_STDCALL GetClipboardData(DWORD reserved, os::IDataObject** data) override {
    return ole_->GetClipboardData(reserved, data);
  }
  HRESULT OS_STDCALL DoVerb(LONG verb, os::MSG* message, os::IOleClientSite* site, LONG index, HWND parent,
                            const RECT* posRect) override {
    return ole_->DoVerb(verb, message, site, index, parent, posRect);
  }
  HRESULT OS_STDCALL EnumVerbs(os::IEnumOLEVERB** verbs) override { return ole_->EnumVerbs(verbs); }
  HRESULT OS_STDCALL Update() override { return ole_->Update(); }
  HRESULT OS_STDCALL IsUpToDate() override { return ole_->IsUpToDate(); }
  HRESULT OS_STDCALL GetUserClassID(CLSID* clsid) override { return ole_->GetUserClassID(clsid); }
  HRESULT OS_STDCALL GetUserType(DWORD form, LPOLESTR* userType) override {
    return ole_->GetUserType(form, userType);
  }
  HRESULT OS_STDCALL SetExtent(DWORD aspect, os::SIZEL* size) override {
    return ole_->SetExtent(aspect, size);
  }
  HRESULT OS_STDCALL GetExtent(DWORD aspect, os::SIZEL* size) override {
    return ole_->GetExtent(aspect, size);
  }
  HRESULT OS_STDCALL Advise(os::IAdviseSink* sink, DWORD* connection) override {
    return ole_->Advise(sink, connection);
  }
  HRESULT OS_STDCALL Unadvise(DWORD connection) override { return ole_->Unadvise(connection); }
  HRESULT OS_STDCALL EnumAdvise(os::IEnumSTATDATA** advise) override { return ole_->EnumAdvise(advise); }
  HRESULT OS_STDCALL GetMiscStatus(DWORD aspect, DWORD* status) override {
    return ole_->GetMiscStatus(aspect, status);
  }
  HRESULT OS_STDCALL SetColorScheme(os::LOGPALETTE* palette) override {
    return ole_->SetColorScheme(palette);
  }

  // IOleControl
  HRESULT OS_STDCALL GetControlInfo(os::CONTROLINFO* info) override { return control_->GetControlInfo(info); }
  HRESULT OS_STDCALL OnMnemonic(os::MSG* message) override { return control_->OnMnemonic(message); }
  HRESULT OS_STDCALL OnAmbientPropertyChange(DISPID id) override {
    return control_->OnAmbientPropertyChange(id);
  }
  HRESULT OS_STDCALL FreezeEvents(BOOL freeze) override { return control_->FreezeEvents(freeze); }

  // IOleWindow (of both in-place interfaces)
  HRESULT OS_STDCALL GetWindow(HWND* window) override {
    return inPlace_ ? inPlace_->GetWindow(window) : active_->GetWindow(window);
  }
  HRESULT OS_STDCALL ContextSensitiveHelp(BOOL enterMode) override {
    return inPlace_ ? inPlace_->ContextSensitiveHelp(enterMode) : active_->ContextSensitiveHelp(enterMode);
  }

  // IOleInPlaceObject
  HRESULT OS_STDCALL InPlaceDeactivate() override { return inPlace_->InPlaceDeactivate(); }
  HRESULT OS_STDCALL UIDeactivate() override { return inPlace_->UIDeactivate(); }
  HRESULT OS_STDCALL SetObjectRects(const RECT* posRect, const RECT* clipRect) override {
    return inPlace_->SetObjectRects(posRect, clipRect);
  }
  HRESULT OS_STDCALL ReactivateAndUndo() override { return inPlace_->ReactivateAndUndo(); }

  // IOleInPlaceActiveObject
  HRESULT OS_STDCALL TranslateAccelerator(os::MSG* message) override {
    return active_->TranslateAccelerator(message);
  }
  HRESULT OS_STDCALL OnFrameWindowActivate(BOOL activate) override {
    return active_->OnFrameWindowActivate(activate);
  }
  HRESULT OS_STDCALL OnDocWindowActivate(BOOL activate) override {
    return active_->OnDocWindowActivate(activate);
  }
  HRESULT OS_STDCALL ResizeBorder(const RECT* border, os::IOleInPlaceUIWindow* window,
                                  BOOL frameWindow) override {
    return active_->ResizeBorder(border, window, frameWindow);
  }
  HRESULT OS_STDCALL EnableModeless(BOOL enable) override { return active_->EnableModeless(enable); }

  // IPersistStreamInit
  HRESULT OS_STDCALL GetClassID(CLSID* clsid) override { return persist_->GetClassID(clsid); }
  HRESULT OS_STDCALL IsDirty() override { return persist_->IsDirty(); }
  HRESULT OS_STDCALL Load(os::IStream* stream) override { return persist_->Load(stream); }
  HRESULT OS_STDCALL Save(os::IStream* stream, BOOL clearDirty) override {
    return persist_->Save(stream, clearDirty);
  }
  HRESULT OS_STDCALL GetSizeMax(std::uint64_t* size) override { return persist_->GetSizeMax(size); }
  HRESULT OS_STDCALL InitNew() override { return persist_->InitNew(); }

  // IObjectWithSite
  HRESULT OS_STDCALL SetSite(os::IUnknown* site) override { return withSite_->SetSite(site); }
  HRESULT OS_STDCALL GetSite(REFIID riid, void** site) override { return withSite_->GetSite(riid, site); }

  // IConnectionPointContainer: DWebBrowserEvents2, with our arguments.
  HRESULT OS_STDCALL EnumConnectionPoints(os::IEnumConnectionPoints** points) override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL FindConnectionPoint(REFIID riid, os::IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    events_->AddRef();
    *point = events_.get();
    return S_OK;
  }

 private:
  SystemBrowserObject() {
    events_ = ComPtr<DispatchConnectionPoint>::Adopt(new DispatchConnectionPoint(
        DIID_DWebBrowserEvents2, static_cast<os::IConnectionPointContainer*>(this)));
  }
  ~SystemBrowserObject() {
    *closed_ = true;
    events_->Detach();
    if (sink_) sink_->Detach();
    if (systemPoint_ && cookie_ != 0) systemPoint_->Unadvise(cookie_);
    Living().erase(std::remove(Living().begin(), Living().end(), this), Living().end());
  }
  friend class os::RefCount;

  static std::vector<SystemBrowserObject*>& Living() {
    static std::vector<SystemBrowserObject*> living;
    return living;
  }

  // One sink on the system's event point for all our sinks.
  void ListenToSystem() {
    Living().push_back(this);
    ComPtr<::IConnectionPointContainer> container;
    if (!SystemQuery(web_.get(), ::IID_IConnectionPointContainer, &container)) return;
    if (FAILED(container->FindConnectionPoint(::DIID_DWebBrowserEvents2, systemPoint_.put())) ||
        !systemPoint_) {
      return;
    }
    *sink_.put() = new DispatchBridge(
        ::DIID_DWebBrowserEvents2,
        [this](DISPID member, WORD, os::DISPPARAMS* params, os::VARIANT*) {
          // A sink may release the host's last reference.
          ComPtr<os::IWebBrowser2> keep(this);
          events_->Fire(member, params);
          return S_OK;
        },
        nullptr);
    ::DWORD cookie = 0;
    if (FAILED(systemPoint_->Advise(sink_.get(), &cookie))) {
      os::DebugOutput(os::DebugCategory::Web, u"com: the system browser refused our event sink");
      return;
    }
    cookie_ = cookie;
  }

  RefCount refs_;
  ComPtr<::IWebBrowser2> web_;
  ComPtr<os::IOleObject> ole_;
  ComPtr<os::IOleControl> control_;
  ComPtr<os::IOleInPlaceObject> inPlace_;
  ComPtr<os::IOleInPlaceActiveObject> active_;
  ComPtr<os::IPersistStreamInit> persist_;
  ComPtr<os::IObjectWithSite> withSite_;
  ComPtr<DispatchConnectionPoint> events_;
  ComPtr<::IConnectionPoint> systemPoint_;
  ComPtr<DispatchBridge> sink_;  // and the system, while advised
  std::shared_ptr<bool> closed_ = std::make_shared<bool>(false);
  ::DWORD cookie_ = 0;
};

SystemBrowserObject* SystemBrowserObject::Find(::IUnknown* system) {
  for (SystemBrowserObject* living : Living()) {
    if (SameSystemObject(living->web_.get(), system)) return living;
  }
  return nullptr;
}

}  // namespace

HRESULT CreateSystemBrowser(REFCLSID clsid, DWORD context, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComPtr<::IUnknown> system;
  const HRESULT hr =
      ::CoCreateInstance(*As<const ::CLSID*>(&clsid), nullptr, context, ::IID_IUnknown, system.put_void());
  if (FAILED(hr)) return hr;
  ComPtr<SystemBrowserObject> browser = SystemBrowserObject::Wrap(system.get());
  // The host embeds what it creates: without IOleObject it cannot.
  ComPtr<os::IOleObject> embeddable;
  if (!browser || FAILED(browser->QueryInterface(os::IOleObject::kIid, embeddable.put_void())))
    return E_NOINTERFACE;
  return browser->QueryInterface(riid, object);
}

::IDispatch* SystemDispatchOf(os::IDispatch* ours) {
  if (!ours) return nullptr;
  ComPtr<ISystemObject> wrapper;
  if (SUCCEEDED(ours->QueryInterface(ISystemObject::kIid, wrapper.put_void())) && wrapper) {
    return wrapper->SystemDispatch();
  }
  return new DispatchBridge(ours);
}

os::IDispatch* OurDispatchOf(::IDispatch* system) {
  if (!system) return nullptr;
  if (os::IDispatch* origin = DispatchBridge::OriginOf(system)) return origin;
  if (SystemBrowserObject* known = SystemBrowserObject::Find(system)) {
    known->AddRef();
    return static_cast<os::IWebBrowser2*>(known);
  }
  ComPtr<::IWebBrowser2> browser;
  if (SystemQuery(system, ::IID_IWebBrowser2, &browser)) {
    // A browser the host has not seen (a frame): a wrapper of its own. The
    // system's object itself must never reach the host, which would call it
    // through our declaration of IWebBrowser2.
    ComPtr<SystemBrowserObject> wrapped = SystemBrowserObject::Wrap(system);
    return wrapped ? static_cast<os::IWebBrowser2*>(wrapped.detach()) : nullptr;
  }
  ComPtr<::IHTMLDocument2> document;
  if (SystemQuery(system, ::IID_IHTMLDocument2, &document)) {
    return static_cast<os::IHTMLDocument2*>(new SystemDocument(document.get()));
  }
  ComPtr<::IHTMLElementCollection> collection;
  if (SystemQuery(system, ::IID_IHTMLElementCollection, &collection)) {
    return new SystemCollection(collection.get());
  }
  ComPtr<::IHTMLElement> element;
  if (SystemQuery(system, ::IID_IHTMLElement, &element)) return new SystemElement(element.get());
  return new SystemDispatchView(system);
}

::IDocHostUIHandler* SystemUiHandler(os::IDocHostUIHandler* ours, std::shared_ptr<const bool> hostGone) {
  if (!ours) return nullptr;
  return new UiHandlerBridge(ours, std::move(hostGone));
}

}  // namespace os::win32
