#include "controls/WebBrowser.h"

#include "Core/ControlRegistry.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"WebBrowser", CWebBrowserUI)

using os::ComPtr;
using os::FAILED;
using os::FALSE;
using os::HRESULT;
using os::SUCCEEDED;
using os::TRUE;

// ---------------------------------------------------------------------------
// CWebBrowserEventHandler defaults

void CWebBrowserEventHandler::BeforeNavigate2(os::IDispatch*, void*, void*, void*, void*, void*, void*) {}
void CWebBrowserEventHandler::NavigateError(os::IDispatch*, void*, void*, void*, void*) {}
void CWebBrowserEventHandler::NavigateComplete2(os::IDispatch*, void*) {}
void CWebBrowserEventHandler::ProgressChange(os::LONG, os::LONG) {}
void CWebBrowserEventHandler::NewWindow3(os::IDispatch**, void*, os::DWORD, os::BSTR, os::BSTR) {}
void CWebBrowserEventHandler::NewWindow2(void*, os::IDispatch**) {}
void CWebBrowserEventHandler::CommandStateChange(os::LONG, os::VARIANT_BOOL) {}
void CWebBrowserEventHandler::DocumentComplete(os::IDispatch*, void*) {}

HRESULT CWebBrowserEventHandler::ShowContextMenu(os::DWORD, POINT*, os::IUnknown*, os::IDispatch*) {
  // Handled: the browser shows no menu of its own.
  return os::S_OK;
}

HRESULT CWebBrowserEventHandler::GetHostInfo(os::DOCHOSTUIINFO* info) {
  if (info != nullptr) {
    info->cbSize = 20;
    info->dwFlags |= os::DOCHOSTUIFLAG_NO3DBORDER;
    info->dwDoubleClick = os::DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss.clear();
    info->pchHostNS.clear();
  }
  return os::S_OK;
}

HRESULT CWebBrowserEventHandler::ShowUI(os::DWORD, os::IOleInPlaceActiveObject*, os::IOleCommandTarget*,
                                        os::IOleInPlaceFrame*, os::IOleInPlaceUIWindow*) {
  return os::S_FALSE;
}
HRESULT CWebBrowserEventHandler::HideUI() { return os::S_OK; }
HRESULT CWebBrowserEventHandler::UpdateUI() { return os::S_OK; }
HRESULT CWebBrowserEventHandler::EnableModeless(os::BOOL) { return os::S_OK; }
HRESULT CWebBrowserEventHandler::OnDocWindowActivate(os::BOOL) { return os::S_OK; }
HRESULT CWebBrowserEventHandler::OnFrameWindowActivate(os::BOOL) { return os::S_OK; }
HRESULT CWebBrowserEventHandler::ResizeBorder(const RECT*, os::IOleInPlaceUIWindow*, os::BOOL) {
  return os::S_OK;
}
HRESULT CWebBrowserEventHandler::TranslateAccelerator(os::MSG*, const os::GUID*, os::DWORD) {
  return os::S_FALSE;
}
HRESULT CWebBrowserEventHandler::GetOptionKeyPath(std::u16string*, os::DWORD) { return os::S_OK; }
HRESULT CWebBrowserEventHandler::GetDropTarget(os::IDropTarget*, os::IDropTarget**) { return os::E_NOTIMPL; }
HRESULT CWebBrowserEventHandler::GetExternal(os::IDispatch**) { return os::E_NOTIMPL; }
HRESULT CWebBrowserEventHandler::TranslateUrl(os::DWORD, os::LPCOLESTR, std::u16string*) { return os::S_OK; }
HRESULT CWebBrowserEventHandler::FilterDataObject(os::IDataObject*, os::IDataObject**) { return os::S_OK; }
HRESULT CWebBrowserEventHandler::Download(os::IMoniker*, os::IBindCtx*, os::DWORD, os::LONG, os::BINDINFO*,
                                          os::LPCOLESTR, os::LPCOLESTR, os::UINT) {
  return os::S_OK;
}

// ---------------------------------------------------------------------------
// The download manager handed out as a service: forwards to the handler.

class CWebBrowserUI::DownloadManager final : public os::IDownloadManager {
 public:
  explicit DownloadManager(CWebBrowserUI* owner) : owner_(owner) {}

  HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override {
    if (object == nullptr) return os::E_POINTER;
    *object = nullptr;
    if (riid != os::IID_IUnknown && riid != os::IID_IDownloadManager) return os::E_NOINTERFACE;
    *object = static_cast<os::IDownloadManager*>(this);
    AddRef();
    return os::S_OK;
  }
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  HRESULT OS_STDCALL Download(os::IMoniker* moniker, os::IBindCtx* context, os::DWORD bindVerb,
                              os::LONG bindFlags, os::BINDINFO* bindInfo, os::LPCOLESTR headers,
                              os::LPCOLESTR redirect, os::UINT codePage) override {
    CWebBrowserEventHandler* handler = owner_->handler_;
    if (handler == nullptr) return os::S_OK;
    return handler->Download(moniker, context, bindVerb, bindFlags, bindInfo, headers, redirect, codePage);
  }

 private:
  ~DownloadManager() = default;
  friend class os::RefCount;
  os::RefCount refs_;
  CWebBrowserUI* owner_;
};

// ---------------------------------------------------------------------------
// CWebBrowserUI

CWebBrowserUI::CWebBrowserUI() : handler_(&defaultHandler_) { clsid_ = os::CLSID_WebBrowser; }

CWebBrowserUI::~CWebBrowserUI() {
  // The release of the base class runs after this one: the subscription and
  // the accelerator go while the object is still whole.
  CWebBrowserUI::ReleaseControl();
  CActiveXUI::ReleaseControl();
}

std::u16string_view CWebBrowserUI::GetClass() const { return u"WebBrowserUI"; }

void* CWebBrowserUI::GetInterface(std::u16string_view name) {
  if (name == u"WebBrowser") return static_cast<CWebBrowserUI*>(this);
  return CActiveXUI::GetInterface(name);
}

void CWebBrowserUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"homepage") {
    homePage_ = value;
  } else if (name == u"autonavi") {
    autoNavigate_ = attr::ParseBool(value);
  } else {
    CActiveXUI::SetAttribute(name, value);
  }
}

void CWebBrowserUI::SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) {
  if (handler == nullptr || handler == handler_) return;
  handler_ = handler;
}

void CWebBrowserUI::Navigate2(std::u16string_view url) {
  if (url.empty() || !webBrowser_) return;
  os::VARIANT target = os::VARIANT::String(url);
  webBrowser_->Navigate2(&target, nullptr, nullptr, nullptr, nullptr);
}

void CWebBrowserUI::Navigate(std::u16string_view url) {
  if (url.empty() || !webBrowser_) return;
  webBrowser_->Navigate(os::BSTR(url), nullptr, nullptr, nullptr, nullptr);
}

void CWebBrowserUI::Refresh() {
  if (webBrowser_) webBrowser_->Refresh();
}

bool CWebBrowserUI::DoCreateControl() {
  if (!CActiveXUI::DoCreateControl()) return false;
  if (manager_ != nullptr) manager_->AddAcceleratorTranslator(this);
  GetControl(os::IID_IWebBrowser2, webBrowser_.put_void());
  if (autoNavigate_ && webBrowser_) Navigate2(homePage_.empty() ? std::u16string(u"about:blank") : homePage_);
  Subscribe();
  return true;
}

void CWebBrowserUI::ReleaseControl() {
  created_ = false;
  if (manager_ != nullptr) manager_->RemoveAcceleratorTranslator(this);
  Unsubscribe();
  webBrowser_.reset();
  CActiveXUI::ReleaseControl();
}

void CWebBrowserUI::Subscribe() {
  ComPtr<os::IConnectionPointContainer> container;
  if (FAILED(GetControl(os::IID_IConnectionPointContainer, container.put_void())) || !container) return;
  ComPtr<os::IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(os::DIID_DWebBrowserEvents2, point.put())) || !point) return;
  point->Advise(static_cast<os::IDispatch*>(this), &cookie_);
}

void CWebBrowserUI::Unsubscribe() {
  if (cookie_ == 0) return;
  ComPtr<os::IConnectionPointContainer> container;
  if (SUCCEEDED(GetControl(os::IID_IConnectionPointContainer, container.put_void())) && container) {
    ComPtr<os::IConnectionPoint> point;
    if (SUCCEEDED(container->FindConnectionPoint(os::DIID_DWebBrowserEvents2, point.put())) && point) {
      point->Unadvise(cookie_);
    }
  }
  cookie_ = 0;
}

HRESULT CWebBrowserUI::QueryInterface(const os::IID& riid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  if (riid == os::IID_IUnknown || riid == os::IID_IDocHostUIHandler) {
    *object = static_cast<os::IDocHostUIHandler*>(this);
  } else if (riid == os::IID_IDispatch) {
    *object = static_cast<os::IDispatch*>(this);
  } else if (riid == os::IID_IServiceProvider) {
    *object = static_cast<os::IServiceProvider*>(this);
  } else if (riid == os::IID_IOleCommandTarget) {
    *object = static_cast<os::IOleCommandTarget*>(this);
  } else {
    return os::E_NOINTERFACE;
  }
  AddRef();
  return os::S_OK;
}

// The control's life follows its container, not these counts: they only
// record the references the browser holds.
os::ULONG CWebBrowserUI::AddRef() { return refCount_.fetch_add(1) + 1; }
os::ULONG CWebBrowserUI::Release() { return refCount_.fetch_sub(1) - 1; }

HRESULT CWebBrowserUI::GetTypeInfoCount(os::UINT* count) {
  if (count != nullptr) *count = 0;
  return os::E_NOTIMPL;
}

HRESULT CWebBrowserUI::GetTypeInfo(os::UINT, os::LCID, os::ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return os::E_NOTIMPL;
}

HRESULT CWebBrowserUI::GetIDsOfNames(const os::IID&, os::LPOLESTR*, os::UINT, os::LCID, os::DISPID*) {
  return os::E_NOTIMPL;
}

HRESULT CWebBrowserUI::Invoke(os::DISPID member, const os::IID& riid, os::LCID, os::WORD,
                              os::DISPPARAMS* params, os::VARIANT*, os::EXCEPINFO*, os::UINT*) {
  if (riid != os::IID_NULL) return os::E_INVALIDARG;
  os::VARIANT* args = params != nullptr ? params->rgvarg : nullptr;
  const os::UINT count = params != nullptr ? params->cArgs : 0;
  // The arguments an event must have; a short list is a malformed call.
  auto need = [&](os::UINT n) { return args != nullptr && count >= n; };
  CWebBrowserEventHandler* handler = handler_;

  switch (member) {
    case os::DISPID_STATUSTEXTCHANGE:
      return os::S_OK;
    case os::DISPID_COMMANDSTATECHANGE:
      if (!need(2)) return os::DISP_E_BADPARAMCOUNT;
      if (handler) handler->CommandStateChange(args[1].lVal, args[0].boolVal);
      return os::S_OK;
    case os::DISPID_BEFORENAVIGATE2:
      if (!need(7)) return os::DISP_E_BADPARAMCOUNT;
      if (handler) {
        handler->BeforeNavigate2(args[6].pdispVal, &args[5].pvarVal, &args[4].pvarVal, &args[3].pvarVal,
                                 &args[2].pvarVal, &args[1].pvarVal, &args[0].pboolVal);
      }
      return os::S_OK;
    case os::DISPID_NEWWINDOW2:
      if (!need(2)) return os::DISP_E_BADPARAMCOUNT;
      if (handler) handler->NewWindow2(&args[0].pboolVal, args[1].ppdispVal);
      return os::S_OK;
    case os::DISPID_NAVIGATECOMPLETE2: {
      if (!need(2)) return os::DISP_E_BADPARAMCOUNT;
      // Documents get this control as their UI handler as soon as they exist.
      if (webBrowser_) {
        ComPtr<os::IDispatch> document;
        webBrowser_->get_Document(document.put());
        ComPtr<os::ICustomDoc> custom;
        if (document && SUCCEEDED(document.As(&custom)) && custom) {
          custom->SetUIHandler(static_cast<os::IDocHostUIHandler*>(this));
        }
      }
      if (handler) handler->NavigateComplete2(args[1].pdispVal, &args[0].pvarVal);
      return os::S_OK;
    }
    case os::DISPID_DOCUMENTCOMPLETE:
      if (!need(2)) return os::DISP_E_BADPARAMCOUNT;
      if (handler) handler->DocumentComplete(args[1].pdispVal, &args[0].pvarVal);
      return os::S_OK;
    case os::DISPID_NAVIGATEERROR:
      if (!need(5)) return os::DISP_E_BADPARAMCOUNT;
      if (handler) {
        handler->NavigateError(args[4].pdispVal, &args[3].pvarVal, &args[2].pvarVal, &args[1].pvarVal,
                               &args[0].pboolVal);
      }
      return os::S_OK;
    case os::DISPID_NEWWINDOW3:
      if (!need(5)) return os::DISP_E_BADPARAMCOUNT;
      if (handler) {
        handler->NewWindow3(args[4].ppdispVal, &args[3].pboolVal, args[2].ulVal, args[1].bstrVal,
                            args[0].bstrVal);
      }
      return os::S_OK;
    default:
      return os::DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT CWebBrowserUI::ShowContextMenu(os::DWORD id, POINT* point, os::IUnknown* target,
                                       os::IDispatch* object) {
  return handler_ ? handler_->ShowContextMenu(id, point, target, object) : os::S_FALSE;
}

HRESULT CWebBrowserUI::GetHostInfo(os::DOCHOSTUIINFO* info) {
  return handler_ ? handler_->GetHostInfo(info) : os::E_NOTIMPL;
}

HRESULT CWebBrowserUI::ShowUI(os::DWORD id, os::IOleInPlaceActiveObject* activeObject,
                              os::IOleCommandTarget* commandTarget, os::IOleInPlaceFrame* frame,
                              os::IOleInPlaceUIWindow* document) {
  return handler_ ? handler_->ShowUI(id, activeObject, commandTarget, frame, document) : os::S_OK;
}

HRESULT CWebBrowserUI::HideUI() { return handler_ ? handler_->HideUI() : os::S_OK; }
HRESULT CWebBrowserUI::UpdateUI() { return handler_ ? handler_->UpdateUI() : os::S_OK; }
HRESULT CWebBrowserUI::EnableModeless(os::BOOL enable) {
  return handler_ ? handler_->EnableModeless(enable) : os::E_NOTIMPL;
}
HRESULT CWebBrowserUI::OnDocWindowActivate(os::BOOL activate) {
  return handler_ ? handler_->OnDocWindowActivate(activate) : os::E_NOTIMPL;
}
HRESULT CWebBrowserUI::OnFrameWindowActivate(os::BOOL activate) {
  return handler_ ? handler_->OnFrameWindowActivate(activate) : os::E_NOTIMPL;
}
HRESULT CWebBrowserUI::ResizeBorder(const RECT* border, os::IOleInPlaceUIWindow* uiWindow,
                                    os::BOOL frameWindow) {
  return handler_ ? handler_->ResizeBorder(border, uiWindow, frameWindow) : os::E_NOTIMPL;
}
HRESULT CWebBrowserUI::TranslateAccelerator(os::MSG* message, const os::GUID* group, os::DWORD commandId) {
  return handler_ ? handler_->TranslateAccelerator(message, group, commandId) : os::S_FALSE;
}
HRESULT CWebBrowserUI::GetOptionKeyPath(std::u16string* key, os::DWORD reserved) {
  return handler_ ? handler_->GetOptionKeyPath(key, reserved) : os::E_NOTIMPL;
}
HRESULT CWebBrowserUI::GetDropTarget(os::IDropTarget* dropTarget, os::IDropTarget** replacement) {
  return handler_ ? handler_->GetDropTarget(dropTarget, replacement) : os::S_FALSE;
}
HRESULT CWebBrowserUI::GetExternal(os::IDispatch** external) {
  if (handler_) return handler_->GetExternal(external);
  return os::S_FALSE;
}
HRESULT CWebBrowserUI::TranslateUrl(os::DWORD translate, os::LPCOLESTR urlIn, std::u16string* urlOut) {
  if (handler_) return handler_->TranslateUrl(translate, urlIn, urlOut);
  if (urlOut != nullptr) urlOut->clear();
  return os::E_NOTIMPL;
}
HRESULT CWebBrowserUI::FilterDataObject(os::IDataObject* data, os::IDataObject** filtered) {
  if (handler_) return handler_->FilterDataObject(data, filtered);
  if (filtered != nullptr) *filtered = nullptr;
  return os::E_NOTIMPL;
}

HRESULT CWebBrowserUI::QueryService(const os::GUID& service, const os::IID& riid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  if (service == os::SID_SDownloadManager && riid == os::IID_IDownloadManager) {
    *object = static_cast<os::IDownloadManager*>(new DownloadManager(this));
    return os::S_OK;
  }
  return os::E_NOINTERFACE;
}

HRESULT CWebBrowserUI::QueryStatus(const os::GUID*, os::ULONG, os::OLECMD*, os::OLECMDTEXT*) {
  return os::OLECMDERR_E_NOTSUPPORTED;
}

HRESULT CWebBrowserUI::Exec(const os::GUID* group, os::DWORD command, os::DWORD, os::VARIANT*,
                            os::VARIANT* out) {
  if (group == nullptr || *group != os::CGID_DocHostCommandHandler) return os::OLECMDERR_E_UNKNOWNGROUP;
  if (command != os::OLECMDID_SHOWSCRIPTERROR) return os::OLECMDERR_E_NOTSUPPORTED;
  // Scripts go on and the browser shows no error dialog.
  if (out != nullptr) {
    out->Clear();
    out->vt = os::VT_BOOL;
    out->boolVal = os::VARIANT_TRUE;
  }
  return os::S_OK;
}

os::LRESULT CWebBrowserUI::TranslateAccelerator(os::MSG* msg) {
  if (msg == nullptr || msg->message < os::WM_KEYFIRST || msg->message > os::WM_KEYLAST) return os::S_FALSE;
  if (!webBrowser_) return os::E_NOTIMPL;
  const os::HWND focus = os::GetFocus();
  const os::HWND host = GetHostWindow();
  if (host == nullptr || (focus != host && !os::IsChild(host, focus))) return os::S_FALSE;
  ComPtr<os::IOleInPlaceActiveObject> active;
  if (FAILED(webBrowser_.As(&active)) || !active) return os::S_FALSE;
  return active->TranslateAccelerator(msg);
}

}  // namespace Kesto
