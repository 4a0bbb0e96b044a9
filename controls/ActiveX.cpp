#include "controls/ActiveX.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"ActiveX", CActiveXUI)

using os::ComPtr;
using os::FAILED;
using os::FALSE;
using os::HRESULT;
using os::SUCCEEDED;
using os::TRUE;

namespace {

// The screen's logical pixels per inch: the platform draws at 96 on every
// backend, which is what extents in HIMETRIC are reckoned against.
constexpr int kLogicalPixelsPerInch = 96;

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long product = static_cast<long long>(number) * numerator;
  // Rounded half away from zero, as the system function rounds.
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

RECT AtOrigin(RECT r) { return RECT{0, 0, r.right - r.left, r.bottom - r.top}; }

constexpr std::size_t kClassTextLimit = 99;

}  // namespace

// ---------------------------------------------------------------------------
// CActiveXUI

CActiveXUI::CActiveXUI() = default;

CActiveXUI::~CActiveXUI() { CActiveXUI::ReleaseControl(); }

std::u16string_view CActiveXUI::GetClass() const { return u"ActiveXUI"; }

void* CActiveXUI::GetInterface(std::u16string_view name) {
  if (name == u"ActiveX") return static_cast<CActiveXUI*>(this);
  return CControlUI::GetInterface(name);
}

void CActiveXUI::SetDelayCreate(bool delayCreate) {
  if (delayCreate_ == delayCreate) return;
  if (!delayCreate && !created_ && clsid_ != os::CLSID_NULL) DoCreateControl();
  delayCreate_ = delayCreate;
}

bool CActiveXUI::CreateControl(std::u16string_view text) {
  const std::u16string copy(text.substr(0, kClassTextLimit));
  os::CLSID clsid{};
  if (!copy.empty() && copy.front() == u'{') {
    os::CLSIDFromString(copy.c_str(), &clsid);
  } else {
    os::CLSIDFromProgID(copy.c_str(), &clsid);
  }
  return CreateControl(clsid);
}

bool CActiveXUI::CreateControl(const os::CLSID& clsid) {
  if (clsid == os::CLSID_NULL) return false;
  created_ = false;
  clsid_ = clsid;
  if (!delayCreate_) DoCreateControl();
  return true;
}

HRESULT CActiveXUI::GetControl(const os::IID& iid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  if (!oleObject_) return os::E_FAIL;
  return oleObject_->QueryInterface(iid, object);
}

void CActiveXUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  if (hostWnd_ != nullptr && site_ != nullptr && !site_->windowless_) {
    os::ShowWindow(hostWnd_, IsVisible() ? os::SW_SHOW : os::SW_HIDE);
  }
}

void CActiveXUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  if (hostWnd_ != nullptr && site_ != nullptr && !site_->windowless_) {
    os::ShowWindow(hostWnd_, IsVisible() ? os::SW_SHOW : os::SW_HIDE);
  }
}

void CActiveXUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  if (!created_) DoCreateControl();
  if (!oleObject_ || site_ == nullptr) return;

  os::SIZEL extent{MulDiv(2540, item_.right - item_.left, kLogicalPixelsPerInch),
                   MulDiv(2540, item_.bottom - item_.top, kLogicalPixelsPerInch)};
  oleObject_->SetExtent(os::DVASPECT_CONTENT, &extent);
  if (os::IOleInPlaceObject* object = site_->InPlaceObject()) {
    RECT r = item_;
    if (!site_->windowless_) r = AtOrigin(r);
    object->SetObjectRects(&r, &r);
  }
  if (!site_->windowless_ && site_->window_ != nullptr && site_->window_->GetHWND() != nullptr) {
    os::MoveWindow(site_->window_->GetHWND(), item_.left, item_.top, item_.right - item_.left,
                   item_.bottom - item_.top, TRUE);
  }
}

void CActiveXUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  (void)dc;
  if (site_ == nullptr || !site_->windowless_ || !site_->viewObject_) return;
  RECT overlap{std::max(paint.left, item_.left), std::max(paint.top, item_.top),
               std::min(paint.right, item_.right), std::min(paint.bottom, item_.bottom)};
  if (rect::IsEmpty(overlap)) return;
  // Windowless objects draw through the window's device context; the
  // platform's contexts only name the window they belong to.
  const os::HDC hdc = manager_ != nullptr ? os::GetDC(manager_->Window()) : nullptr;
  os::RECTL bounds = item_;
  site_->viewObject_->Draw(os::DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hdc, &bounds, nullptr,
                           nullptr, 0);
  if (hdc != nullptr) os::ReleaseDC(manager_->Window(), hdc);
}

void CActiveXUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"clsid") {
    CreateControl(value);
  } else if (name == u"modulename") {
    SetModuleName(value);
  } else if (name == u"delaycreate") {
    SetDelayCreate(attr::ParseBool(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

os::LRESULT CActiveXUI::MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                       bool& handled) {
  if (site_ == nullptr || !site_->inPlaceActive_ || !site_->windowless_ || !site_->inPlaceObject_) return 0;
  bool mark = true;
  const bool mouse = message >= os::WM_MOUSEFIRST && message <= os::WM_MOUSELAST;
  if (mouse || message == os::WM_SETCURSOR) {
    if (mouse && !IsMouseEnabled()) return 0;
    if (!site_->captured_) {
      ComPtr<os::IViewObjectEx> viewEx;
      if (site_->viewObject_) site_->viewObject_.As(&viewEx);
      if (!viewEx) return 0;
      POINT point{os::GET_X_LPARAM(lParam), os::GET_Y_LPARAM(lParam)};
      if (message == os::WM_SETCURSOR) {
        os::GetCursorPos(&point);
        os::ScreenToClient(manager_->Window(), &point);
      }
      os::DWORD hit = os::HITRESULT_OUTSIDE;
      viewEx->QueryHitPoint(os::DVASPECT_CONTENT, &item_, point, 0, &hit);
      if (hit != os::HITRESULT_HIT) return 0;
    }
    if (message == os::WM_SETCURSOR) mark = false;
  } else if (message >= os::WM_KEYFIRST && message <= os::WM_KEYLAST) {
    if (!IsFocused()) return 0;
  } else if (message == os::WM_HELP || message == os::WM_CONTEXTMENU) {
    mark = false;
  } else {
    return 0;
  }
  os::LRESULT result = 0;
  const HRESULT hr = site_->inPlaceObject_->OnWindowMessage(message, wParam, lParam, &result);
  if (hr == os::S_OK) handled = mark;
  return result;
}

void CActiveXUI::ReleaseControl() {
  hostWnd_ = nullptr;
  if (oleObject_) {
    ComPtr<os::IObjectWithSite> withSite;
    if (SUCCEEDED(oleObject_.As(&withSite)) && withSite) withSite->SetSite(nullptr);
    oleObject_->Close(os::OLECLOSE_NOSAVE);
    oleObject_->SetClientSite(nullptr);
    oleObject_.reset();
  }
  if (site_ != nullptr) {
    site_->owner_ = nullptr;
    if (site_->window_ != nullptr) {
      site_->window_->Forget();
      if (site_->window_->GetHWND() != nullptr) os::DestroyWindow(site_->window_->GetHWND());
      site_->window_ = nullptr;
    }
    site_->Release();
    site_ = nullptr;
  }
  if (manager_ != nullptr) manager_->RemoveMessageFilter(this);
}

bool CActiveXUI::DoCreateControl() {
  ReleaseControl();
  created_ = true;

  ComPtr<os::IOleControl> control;
  // Loading a control from a named module would need the module's exported
  // class-object function; the platform has no such modules, so a module
  // name falls through to creation from the class registry.
  HRESULT hr = os::CoCreateInstance(clsid_, nullptr, os::CLSCTX_ALL, os::IID_IOleControl, control.put_void());
  if (FAILED(hr) || !control) return false;
  if (FAILED(control.As(&oleObject_)) || !oleObject_) return false;

  site_ = new CActiveXCtrl();
  site_->owner_ = this;
  os::IOleClientSite* clientSite = site_;

  os::DWORD status = 0;
  oleObject_->GetMiscStatus(os::DVASPECT_CONTENT, &status);
  if ((status & os::OLEMISC_SETCLIENTSITEFIRST) != 0) oleObject_->SetClientSite(clientSite);
  ComPtr<os::IPersistStreamInit> persist;
  oleObject_.As(&persist);
  if (persist) {
    hr = persist->InitNew();
    if (FAILED(hr)) return false;
  }
  if ((status & os::OLEMISC_SETCLIENTSITEFIRST) == 0) oleObject_->SetClientSite(clientSite);

  ComPtr<os::IViewObjectEx> viewEx;
  ComPtr<os::IViewObject2> view2;
  ComPtr<os::IViewObject> view;
  if (SUCCEEDED(oleObject_.As(&viewEx)) && viewEx) {
    site_->viewObject_ = ComPtr<os::IViewObject>(viewEx.get());
  } else if (SUCCEEDED(oleObject_.As(&view2)) && view2) {
    site_->viewObject_ = ComPtr<os::IViewObject>(view2.get());
  } else if (SUCCEEDED(oleObject_.As(&view)) && view) {
    site_->viewObject_ = view;
  }

  oleObject_->SetHostNames(u"UIActiveX", nullptr);
  if (manager_ != nullptr) manager_->SendNotify(this, u"showactivex", 0, 0, false);

  if ((status & os::OLEMISC_INVISIBLEATRUNTIME) == 0) {
    hr = oleObject_->DoVerb(os::OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0,
                            manager_ != nullptr ? manager_->Window() : nullptr, &item_);
  }
  if (!oleObject_) return false;  // a handler of "showactivex" may have released it
  ComPtr<os::IObjectWithSite> withSite;
  if (SUCCEEDED(oleObject_.As(&withSite)) && withSite) {
    withSite->SetSite(static_cast<os::IOleClientSite*>(site_));
  }
  return SUCCEEDED(hr);
}

// ---------------------------------------------------------------------------
// CActiveXWnd

os::HWND CActiveXWnd::Init(CActiveXCtrl* owner, os::HWND parent) {
  owner_ = owner;
  const RECT item = owner->owner_ != nullptr ? owner->owner_->GetPos() : RECT{};
  return Create(parent, u"UIActiveX",
                os::WS_CHILD | os::WS_VISIBLE | os::WS_CLIPSIBLINGS | os::WS_CLIPCHILDREN, 0, item);
}

std::u16string_view CActiveXWnd::GetWindowClassName() const { return u"ActiveXWnd"; }

void CActiveXWnd::OnFinalMessage(os::HWND) {
  if (owner_ != nullptr && owner_->window_ == this) owner_->window_ = nullptr;
  delete this;
}

void CActiveXWnd::DoVerb(os::LONG verb) {
  if (owner_ == nullptr || owner_->owner_ == nullptr || !owner_->owner_->oleObject_) return;
  const RECT item = owner_->owner_->GetPos();
  owner_->owner_->oleObject_->DoVerb(verb, nullptr, static_cast<os::IOleClientSite*>(owner_), 0, GetHWND(),
                                     &item);
}

os::LRESULT CActiveXWnd::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case os::WM_PAINT:
      os::ValidateRect(GetHWND(), nullptr);
      return 0;
    case os::WM_SETFOCUS:
      if (owner_ != nullptr) {
        owner_->focused_ = true;
        if (!owner_->uiActivated_) DoVerb(os::OLEIVERB_UIACTIVATE);
      }
      return 0;
    case os::WM_KILLFOCUS:
      if (owner_ != nullptr) owner_->focused_ = false;
      return 0;
    case os::WM_ERASEBKGND:
      if (owner_ != nullptr && owner_->viewObject_) return 1;
      break;
    case os::WM_MOUSEACTIVATE: {
      if (owner_ != nullptr && owner_->owner_ != nullptr && owner_->owner_->oleObject_) {
        os::DWORD status = 0;
        owner_->owner_->oleObject_->GetMiscStatus(os::DVASPECT_CONTENT, &status);
        if ((status & os::OLEMISC_NOUIACTIVATE) != 0) return 0;
        if (!owner_->inPlaceActive_) DoVerb(os::OLEIVERB_INPLACEACTIVATE);
      }
      break;
    }
    case os::WM_MOUSEWHEEL:
      return 0;
    default:
      break;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// CActiveXCtrl

CActiveXCtrl::CActiveXCtrl() = default;

HRESULT CActiveXCtrl::QueryInterface(const os::IID& riid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  os::IOleInPlaceSiteWindowless* inPlace = this;
  if (riid == os::IID_IUnknown || riid == os::IID_IOleWindow || riid == os::IID_IOleInPlaceSite ||
      riid == os::IID_IOleInPlaceSiteEx || riid == os::IID_IOleInPlaceSiteWindowless) {
    *object = inPlace;
  } else if (riid == os::IID_IOleClientSite) {
    *object = static_cast<os::IOleClientSite*>(this);
  } else if (riid == os::IID_IOleControlSite) {
    *object = static_cast<os::IOleControlSite*>(this);
  } else if (riid == os::IID_IOleContainer || riid == os::IID_IParseDisplayName) {
    *object = static_cast<os::IOleContainer*>(this);
  } else if (riid == os::IID_IObjectWithSite) {
    *object = static_cast<os::IObjectWithSite*>(this);
  } else {
    return os::E_NOINTERFACE;
  }
  AddRef();
  return os::S_OK;
}

os::IOleInPlaceObject* CActiveXCtrl::InPlaceObject() const {
  if (inPlaceObject_) return inPlaceObject_.get();
  return windowedObject_.get();
}

HRESULT CActiveXCtrl::SetSite(os::IUnknown* site) {
  unkSite_ = site;
  return os::S_OK;
}

HRESULT CActiveXCtrl::GetSite(const os::IID& riid, void** site) {
  if (site == nullptr) return os::E_POINTER;
  *site = nullptr;
  if (!unkSite_) return os::E_FAIL;
  return unkSite_->QueryInterface(riid, site);
}

HRESULT CActiveXCtrl::SaveObject() { return os::E_NOTIMPL; }

HRESULT CActiveXCtrl::GetMoniker(os::DWORD, os::DWORD, os::IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return os::E_NOTIMPL;
}

HRESULT CActiveXCtrl::GetContainer(os::IOleContainer** container) {
  if (container == nullptr) return os::E_POINTER;
  *container = nullptr;
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  HRESULT hr = os::E_NOTIMPL;
  if (unkSite_) hr = unkSite_->QueryInterface(os::IID_IOleContainer, reinterpret_cast<void**>(container));
  if (FAILED(hr)) hr = QueryInterface(os::IID_IOleContainer, reinterpret_cast<void**>(container));
  return hr;
}

HRESULT CActiveXCtrl::ShowObject() {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  if (os::HWND wnd = owner_->GetHostWindow()) {
    const os::HDC dc = os::GetDC(wnd);
    if (dc == nullptr) return os::E_FAIL;
    os::ReleaseDC(wnd, dc);
  }
  return os::S_OK;
}

HRESULT CActiveXCtrl::OnShowWindow(os::BOOL) { return os::E_NOTIMPL; }
HRESULT CActiveXCtrl::RequestNewObjectLayout() { return os::E_NOTIMPL; }

HRESULT CActiveXCtrl::CanWindowlessActivate() { return os::S_OK; }

HRESULT CActiveXCtrl::GetCapture() {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  return captured_ ? os::S_OK : os::S_FALSE;
}

HRESULT CActiveXCtrl::SetCapture(os::BOOL capture) {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  captured_ = capture != FALSE;
  if (captured_) {
    os::SetCapture(owner_->GetHostWindow());
  } else {
    os::ReleaseCapture();
  }
  return os::S_OK;
}

HRESULT CActiveXCtrl::GetFocus() {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  return focused_ ? os::S_OK : os::S_FALSE;
}

HRESULT CActiveXCtrl::SetFocus(os::BOOL focus) {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  focused_ = focus != FALSE;
  if (focused_) owner_->SetFocus();
  return os::S_OK;
}

HRESULT CActiveXCtrl::GetDC(const RECT*, os::DWORD flags, os::HDC* dc) {
  if (dc == nullptr) return os::E_POINTER;
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  *dc = os::GetDC(owner_->GetHostWindow());
  if ((flags & os::OLEDC_PAINTBKGND) != 0) {
    // The background is the window colour; the object paints over it
    // through its own drawing, which here is the engine's view.
    RECT item = owner_->GetPos();
    if (!windowless_) item = AtOrigin(item);
    os::InvalidateRect(owner_->GetHostWindow(), &item, TRUE);
  }
  return *dc != nullptr ? os::S_OK : os::E_FAIL;
}

HRESULT CActiveXCtrl::ReleaseDC(os::HDC dc) {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  os::ReleaseDC(owner_->GetHostWindow(), dc);
  return os::S_OK;
}

HRESULT CActiveXCtrl::InvalidateRect(const RECT* rect, os::BOOL erase) {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  if (owner_->GetHostWindow() == nullptr) return os::E_FAIL;
  return os::InvalidateRect(owner_->GetHostWindow(), rect, erase) ? os::S_OK : os::E_FAIL;
}

HRESULT CActiveXCtrl::InvalidateRgn(os::HRGN, os::BOOL erase) { return InvalidateRect(nullptr, erase); }

HRESULT CActiveXCtrl::ScrollRect(int, int, const RECT*, const RECT*) { return os::S_OK; }
HRESULT CActiveXCtrl::AdjustRect(RECT*) { return os::S_OK; }

HRESULT CActiveXCtrl::OnDefWindowMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                         os::LRESULT* result) {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  const os::LRESULT r = os::DefWindowProc(owner_->GetHostWindow(), message, wParam, lParam);
  if (result != nullptr) *result = r;
  return os::S_OK;
}

HRESULT CActiveXCtrl::OnInPlaceActivateEx(os::BOOL* noRedraw, os::DWORD flags) {
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  if (!owner_->oleObject_) return os::E_UNEXPECTED;
  (void)noRedraw;
  ComPtr<os::IOleControlSite> self(static_cast<os::IOleControlSite*>(this));
  // Keeps the object running while it is in place.
  locked_ = true;
  HRESULT hr = os::E_FAIL;
  UIManager* manager = owner_->GetManager();
  if ((flags & os::ACTIVATE_WINDOWLESS) != 0) {
    windowless_ = true;
    hr = owner_->oleObject_.As(&inPlaceObject_);
    if (SUCCEEDED(hr) && inPlaceObject_) {
      // A host window made because the object asked for its window first
      // has no use for a windowless object.
      if (window_ != nullptr) os::DestroyWindow(window_->GetHWND());
      owner_->hostWnd_ = manager != nullptr ? manager->Window() : nullptr;
      if (manager != nullptr) manager->AddMessageFilter(owner_);
    }
  }
  if (FAILED(hr) || !inPlaceObject_) {
    windowless_ = false;
    inPlaceObject_.reset();
    MakeHostWindow();
    hr = owner_->oleObject_.As(&windowedObject_);
  }
  if (os::IOleInPlaceObject* object = InPlaceObject()) {
    RECT item = owner_->GetPos();
    if (!windowless_) item = AtOrigin(item);
    object->SetObjectRects(&item, &item);
  }
  inPlaceActive_ = SUCCEEDED(hr);
  return hr;
}

HRESULT CActiveXCtrl::OnInPlaceDeactivateEx(os::BOOL) {
  inPlaceActive_ = false;
  inPlaceObject_.reset();
  windowedObject_.reset();
  if (window_ != nullptr) {
    CActiveXWnd* window = window_;
    window_ = nullptr;
    window->Forget();
    if (window->GetHWND() != nullptr) {
      os::DestroyWindow(window->GetHWND());
    } else {
      delete window;
    }
  }
  return os::S_OK;
}

HRESULT CActiveXCtrl::RequestUIActivate() { return os::S_OK; }
HRESULT CActiveXCtrl::CanInPlaceActivate() { return os::S_OK; }

HRESULT CActiveXCtrl::OnInPlaceActivate() {
  os::BOOL noRedraw = FALSE;
  return OnInPlaceActivateEx(&noRedraw, 0);
}

HRESULT CActiveXCtrl::OnUIActivate() {
  uiActivated_ = true;
  return os::S_OK;
}

HRESULT CActiveXCtrl::GetWindowContext(os::IOleInPlaceFrame** frame, os::IOleInPlaceUIWindow** document,
                                       RECT* posRect, RECT* clipRect, os::OLEINPLACEFRAMEINFO* frameInfo) {
  if (frame == nullptr || document == nullptr || posRect == nullptr || clipRect == nullptr)
    return os::E_POINTER;
  *frame = nullptr;
  *document = nullptr;
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  if (window_ != nullptr && window_->GetHWND() != nullptr) {
    os::GetClientRect(window_->GetHWND(), posRect);
  } else {
    *posRect = owner_->GetPos();
  }
  *clipRect = *posRect;
  *frame = new CActiveXFrameWnd(owner_);
  if (frameInfo != nullptr) {
    frameInfo->cb = 20;
    frameInfo->fMDIApp = FALSE;
    UIManager* manager = owner_->GetManager();
    frameInfo->hwndFrame = manager != nullptr ? manager->Window() : nullptr;
    // One empty accelerator entry: the frame translates no keys itself.
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 1;
  }
  return os::S_OK;
}

HRESULT CActiveXCtrl::Scroll(SIZE) { return os::E_NOTIMPL; }

HRESULT CActiveXCtrl::OnUIDeactivate(os::BOOL) {
  uiActivated_ = false;
  return os::S_OK;
}

HRESULT CActiveXCtrl::OnInPlaceDeactivate() { return OnInPlaceDeactivateEx(TRUE); }
HRESULT CActiveXCtrl::DiscardUndoState() { return os::E_NOTIMPL; }
HRESULT CActiveXCtrl::DeactivateAndUndo() { return os::E_NOTIMPL; }
HRESULT CActiveXCtrl::OnPosRectChange(const RECT*) { return os::E_NOTIMPL; }

HRESULT CActiveXCtrl::GetWindow(os::HWND* window) {
  if (window == nullptr) return os::E_POINTER;
  if (owner_ == nullptr) return os::E_UNEXPECTED;
  *window = owner_->GetHostWindow();
  // An object may ask for its parent window before it says it is in place
  // (the system's browser does): it gets the host window it will live in, at
  // the control's place, not the container's window, whose origin would
  // put it over the window's top-left corner.
  if (*window == nullptr && !inPlaceActive_ && owner_->oleObject_) *window = MakeHostWindow();
  if (*window == nullptr && owner_->GetManager() != nullptr) *window = owner_->GetManager()->Window();
  return *window != nullptr ? os::S_OK : os::E_FAIL;
}

os::HWND CActiveXCtrl::MakeHostWindow() {
  if (window_ == nullptr) {
    UIManager* manager = owner_->GetManager();
    window_ = new CActiveXWnd();
    owner_->hostWnd_ = window_->Init(this, manager != nullptr ? manager->Window() : nullptr);
    if (owner_->hostWnd_ == nullptr) {
      delete window_;
      window_ = nullptr;
    }
  }
  return owner_->hostWnd_;
}

HRESULT CActiveXCtrl::ContextSensitiveHelp(os::BOOL) { return os::S_OK; }

HRESULT CActiveXCtrl::OnControlInfoChanged() { return os::S_OK; }

HRESULT CActiveXCtrl::LockInPlaceActive(os::BOOL lock) {
  locked_ = lock != FALSE;
  return os::S_OK;
}

HRESULT CActiveXCtrl::GetExtendedControl(os::IDispatch** control) {
  if (control == nullptr) return os::E_POINTER;
  *control = nullptr;
  if (owner_ == nullptr || !owner_->oleObject_) return os::E_UNEXPECTED;
  return owner_->oleObject_->QueryInterface(os::IID_IDispatch, reinterpret_cast<void**>(control));
}

HRESULT CActiveXCtrl::TransformCoords(os::POINTL*, POINT*, os::DWORD) { return os::S_OK; }
HRESULT CActiveXCtrl::TranslateAccelerator(os::MSG*, os::DWORD) { return os::S_FALSE; }

HRESULT CActiveXCtrl::OnFocus(os::BOOL gotFocus) {
  focused_ = gotFocus != FALSE;
  return os::S_OK;
}

HRESULT CActiveXCtrl::ShowPropertyFrame() { return os::E_NOTIMPL; }

HRESULT CActiveXCtrl::EnumObjects(os::DWORD, os::IEnumUnknown** objects) {
  if (objects == nullptr) return os::E_POINTER;
  *objects = nullptr;
  if (owner_ == nullptr || !owner_->oleObject_) return os::E_UNEXPECTED;
  *objects = new CActiveXEnum(owner_->oleObject_.get());
  return os::S_OK;
}

HRESULT CActiveXCtrl::LockContainer(os::BOOL lock) {
  locked_ = lock != FALSE;
  return os::E_NOTIMPL;
}

HRESULT CActiveXCtrl::ParseDisplayName(os::IBindCtx*, os::LPOLESTR, os::ULONG*, os::IMoniker** out) {
  if (out != nullptr) *out = nullptr;
  return os::E_NOTIMPL;
}

// ---------------------------------------------------------------------------
// CActiveXFrameWnd

HRESULT CActiveXFrameWnd::QueryInterface(const os::IID& riid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  if (riid == os::IID_IUnknown || riid == os::IID_IOleWindow || riid == os::IID_IOleInPlaceUIWindow ||
      riid == os::IID_IOleInPlaceFrame) {
    *object = static_cast<os::IOleInPlaceFrame*>(this);
    AddRef();
    return os::S_OK;
  }
  return os::E_NOINTERFACE;
}

HRESULT CActiveXFrameWnd::GetWindow(os::HWND* window) {
  if (window == nullptr) return os::E_POINTER;
  *window = (owner_ != nullptr && owner_->GetManager() != nullptr) ? owner_->GetManager()->Window() : nullptr;
  return os::S_OK;
}

HRESULT CActiveXFrameWnd::RequestBorderSpace(const os::BORDERWIDTHS*) { return os::INPLACE_E_NOTOOLSPACE; }

HRESULT CActiveXFrameWnd::SetActiveObject(os::IOleInPlaceActiveObject* object, os::LPCOLESTR) {
  activeObject_ = object;
  return os::S_OK;
}

HRESULT CActiveXFrameWnd::TranslateAccelerator(os::MSG*, os::WORD) { return os::S_FALSE; }

// ---------------------------------------------------------------------------
// CActiveXEnum

HRESULT CActiveXEnum::QueryInterface(const os::IID& riid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  if (riid == os::IID_IUnknown || riid == os::IID_IEnumUnknown) {
    *object = static_cast<os::IEnumUnknown*>(this);
    AddRef();
    return os::S_OK;
  }
  return os::E_NOINTERFACE;
}

HRESULT CActiveXEnum::Next(os::ULONG count, os::IUnknown** items, os::ULONG* fetched) {
  if (items == nullptr) return os::E_POINTER;
  os::ULONG got = 0;
  if (count > 0 && position_ == 0 && object_) {
    object_->AddRef();
    items[0] = object_.get();
    got = 1;
    ++position_;
  }
  if (fetched != nullptr) *fetched = got;
  return got == count ? os::S_OK : os::S_FALSE;
}

HRESULT CActiveXEnum::Skip(os::ULONG count) {
  position_ += count;
  return position_ <= 1 ? os::S_OK : os::S_FALSE;
}

HRESULT CActiveXEnum::Reset() {
  position_ = 0;
  return os::S_OK;
}

HRESULT CActiveXEnum::Clone(os::IEnumUnknown** copy) {
  if (copy == nullptr) return os::E_POINTER;
  auto* clone = new CActiveXEnum(object_.get());
  clone->position_ = position_;
  *copy = clone;
  return os::S_OK;
}

}  // namespace Kesto
