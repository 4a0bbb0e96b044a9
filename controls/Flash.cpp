#include "controls/Flash.h"

#include <optional>

#include "Core/ControlRegistry.h"
#include "platform/system/Kernel.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Flash", CFlashUI)

using os::ComPtr;
using os::FAILED;
using os::HRESULT;
using os::SUCCEEDED;

namespace {

std::u16string TextArg(const os::VARIANT& value) { return os::VariantString(&value).value_or(u""); }

os::LONG NumberArg(const os::VARIANT& value) { return os::VariantInteger(&value).value_or(0); }

}  // namespace

CFlashUI::CFlashUI() { clsid_ = CLSID_ShockwaveFlash; }

CFlashUI::~CFlashUI() {
  // The subscription goes while the object is still whole; the base's
  // release then finds nothing left to unsubscribe.
  CFlashUI::ReleaseControl();
}

std::u16string_view CFlashUI::GetClass() const { return u"FlashUI"; }

void* CFlashUI::GetInterface(std::u16string_view name) {
  if (name == u"Flash") return static_cast<CFlashUI*>(this);
  return CActiveXUI::GetInterface(name);
}

bool CFlashUI::DoCreateControl() {
  if (!CActiveXUI::DoCreateControl()) {
    if (!oleObject_) os::DebugOutput(os::DebugCategory::Ui, u"Flash: the player's class is not available\n");
    return false;
  }
  Subscribe();
  return true;
}

void CFlashUI::ReleaseControl() {
  Unsubscribe();
  CActiveXUI::ReleaseControl();
}

void CFlashUI::Subscribe() {
  ComPtr<os::IConnectionPointContainer> container;
  if (FAILED(GetControl(os::IID_IConnectionPointContainer, container.put_void())) || !container) return;
  ComPtr<os::IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(DIID_ShockwaveFlashEvents, point.put())) || !point) return;
  if (FAILED(point->Advise(static_cast<os::IDispatch*>(this), &cookie_))) cookie_ = 0;
}

void CFlashUI::Unsubscribe() {
  if (cookie_ == 0) return;
  ComPtr<os::IConnectionPointContainer> container;
  if (SUCCEEDED(GetControl(os::IID_IConnectionPointContainer, container.put_void())) && container) {
    ComPtr<os::IConnectionPoint> point;
    if (SUCCEEDED(container->FindConnectionPoint(DIID_ShockwaveFlashEvents, point.put())) && point) {
      point->Unadvise(cookie_);
    }
  }
  cookie_ = 0;
}

HRESULT CFlashUI::QueryInterface(const os::IID& riid, void** object) {
  if (object == nullptr) return os::E_POINTER;
  *object = nullptr;
  if (riid == os::IID_IUnknown || riid == os::IID_IDispatch || riid == DIID_ShockwaveFlashEvents) {
    *object = static_cast<os::IDispatch*>(this);
  } else {
    return os::E_NOINTERFACE;
  }
  AddRef();
  return os::S_OK;
}

HRESULT CFlashUI::GetTypeInfoCount(os::UINT* count) {
  if (count != nullptr) *count = 0;
  return os::E_NOTIMPL;
}

HRESULT CFlashUI::GetTypeInfo(os::UINT, os::LCID, os::ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return os::E_NOTIMPL;
}

HRESULT CFlashUI::GetIDsOfNames(const os::IID&, os::LPOLESTR*, os::UINT, os::LCID, os::DISPID*) {
  return os::E_NOTIMPL;
}

HRESULT CFlashUI::Invoke(os::DISPID member, const os::IID& riid, os::LCID, os::WORD, os::DISPPARAMS* params,
                         os::VARIANT*, os::EXCEPINFO*, os::UINT*) {
  if (riid != os::IID_NULL) return os::E_INVALIDARG;
  os::VARIANT* args = params != nullptr ? params->rgvarg : nullptr;
  const os::UINT count = params != nullptr ? params->cArgs : 0;
  // Arguments come last first; a short list is a malformed call.
  const auto need = [&](os::UINT n) { return args != nullptr && count >= n; };
  switch (member) {
    case kReadyStateChange:
      if (!need(1)) return os::DISP_E_BADPARAMCOUNT;
      if (handler_ != nullptr) handler_->OnReadyStateChange(NumberArg(args[0]));
      return os::S_OK;
    case kProgress:
      if (!need(1)) return os::DISP_E_BADPARAMCOUNT;
      if (handler_ != nullptr) handler_->OnProgress(NumberArg(args[0]));
      return os::S_OK;
    case kFSCommand:
      if (!need(2)) return os::DISP_E_BADPARAMCOUNT;
      if (handler_ != nullptr) handler_->FSCommand(TextArg(args[1]), TextArg(args[0]));
      return os::S_OK;
    case kFlashCall:
      if (!need(1)) return os::DISP_E_BADPARAMCOUNT;
      if (handler_ != nullptr) handler_->FlashCall(TextArg(args[0]));
      return os::S_OK;
    default:
      return os::DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace Kesto
