#include "platform/com/win32/Automation.h"

#include <cstring>

namespace os::win32 {

namespace {

static_assert(sizeof(os::IID) == sizeof(::IID));
static_assert(sizeof(os::DISPID) == sizeof(::DISPID));
static_assert(sizeof(os::VARIANT_BOOL) == sizeof(::VARIANT_BOOL));
static_assert(sizeof(os::VARTYPE) == sizeof(::VARTYPE));

constexpr VARTYPE kByRef = os::VT_BYREF;

}  // namespace

::BSTR SystemString(std::u16string_view text) {
  return ::SysAllocStringLen(Wide(text.data()), static_cast<UINT>(text.size()));
}

std::u16string OurText(::BSTR text) {
  if (!text) return {};
  return std::u16string(Ours(text), ::SysStringLen(text));
}

wchar_t* TaskString(std::u16string_view text) {
  if (text.empty()) return nullptr;
  auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (!copy) return nullptr;
  std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
  copy[text.size()] = L'\0';
  return copy;
}

HRESULT ToOurs(const ::VARIANT& system, os::VARIANT* ours) {
  ours->Clear();
  const ::VARIANT* value = &system;
  // By-reference variants: the value they point at.
  while (value->vt == (kByRef | os::VT_VARIANT)) {
    if (!value->pvarVal) return S_OK;
    value = value->pvarVal;
  }
  const bool ref = (value->vt & kByRef) != 0;
  const VARTYPE type = value->vt & ~kByRef;
  if (ref && !value->byref) return DISP_E_TYPEMISMATCH;
  switch (type) {
    case os::VT_EMPTY:
    case os::VT_NULL:
      if (ref) return DISP_E_TYPEMISMATCH;
      ours->vt = type;
      return S_OK;
    case os::VT_I2:
      *ours = os::VARIANT::Int(ref ? *value->piVal : value->iVal);
      return S_OK;
    case os::VT_I4:
    case os::VT_INT:
      *ours = os::VARIANT::Int(ref ? *value->plVal : value->lVal);
      ours->vt = type;
      return S_OK;
    case os::VT_UI4:
    case os::VT_UINT:
      *ours = os::VARIANT::UInt(ref ? *value->pulVal : value->ulVal);
      ours->vt = type;
      return S_OK;
    case os::VT_BOOL:
      *ours = os::VARIANT::Bool((ref ? *value->pboolVal : value->boolVal) != 0);
      return S_OK;
    case os::VT_ERROR:
      ours->vt = os::VT_ERROR;
      ours->scode = ref ? *value->pscode : value->scode;
      return S_OK;
    case os::VT_BSTR:
      *ours = os::VARIANT::String(OurText(ref ? *value->pbstrVal : value->bstrVal));
      return S_OK;
    case os::VT_DISPATCH:
      ours->vt = os::VT_DISPATCH;
      ours->pdispVal = OurDispatchOf(ref ? *value->ppdispVal : value->pdispVal);
      return S_OK;
    case os::VT_UNKNOWN:
      *ours = os::VARIANT::Unknown(reinterpret_cast<os::IUnknown*>(ref ? *value->ppunkVal : value->punkVal));
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToSystem(const os::VARIANT& ours, ::VARIANT* system) {
  ::VariantClear(system);
  const os::VARIANT* value = os::VariantTarget(&ours);
  if (!value) return S_OK;  // a null reference: empty
  const bool ref = (value->vt & kByRef) != 0;
  const VARTYPE type = value->vt & ~kByRef;
  if (ref && !value->plVal) return DISP_E_TYPEMISMATCH;
  switch (type) {
    case os::VT_EMPTY:
    case os::VT_NULL:
      if (ref) return DISP_E_TYPEMISMATCH;
      system->vt = type;
      return S_OK;
    case os::VT_I2:
      if (ref) return DISP_E_TYPEMISMATCH;
      system->vt = ::VT_I2;
      system->iVal = value->iVal;
      return S_OK;
    case os::VT_I4:
    case os::VT_INT:
      system->vt = type;
      system->lVal = ref ? *value->plVal : value->lVal;
      return S_OK;
    case os::VT_UI4:
    case os::VT_UINT:
      if (ref) return DISP_E_TYPEMISMATCH;
      system->vt = type;
      system->ulVal = value->ulVal;
      return S_OK;
    case os::VT_BOOL:
      system->vt = ::VT_BOOL;
      system->boolVal = ref ? *value->pboolVal : value->boolVal;
      return S_OK;
    case os::VT_ERROR:
      if (ref) return DISP_E_TYPEMISMATCH;
      system->vt = ::VT_ERROR;
      system->scode = value->scode;
      return S_OK;
    case os::VT_BSTR: {
      const std::u16string& text = ref ? value->pbstrVal->str() : value->bstrVal.str();
      ::BSTR copy = SystemString(text);
      if (!copy) return E_OUTOFMEMORY;
      system->vt = ::VT_BSTR;
      system->bstrVal = copy;
      return S_OK;
    }
    case os::VT_DISPATCH: {
      system->vt = ::VT_DISPATCH;
      system->pdispVal = SystemDispatchOf(ref ? *value->ppdispVal : value->pdispVal);
      return S_OK;
    }
    case os::VT_UNKNOWN: {
      if (ref) return DISP_E_TYPEMISMATCH;
      if (value->punkVal) value->punkVal->AddRef();
      system->vt = ::VT_UNKNOWN;
      system->punkVal = reinterpret_cast<::IUnknown*>(value->punkVal);
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ArgumentsAsOurs::Load(const ::DISPPARAMS* params) {
  slots_.clear();
  args_.clear();
  named_.clear();
  params_ = os::DISPPARAMS();
  if (!params || params->cArgs == 0) return S_OK;
  if (!params->rgvarg) return E_INVALIDARG;
  args_.resize(params->cArgs);
  for (UINT i = 0; i < params->cArgs; ++i) {
    ::VARIANT& arg = params->rgvarg[i];
    Slot& slot = slots_.emplace_back();
    slot.system = &arg;
    os::VARIANT& ours = args_[i];
    const bool ref = (arg.vt & kByRef) != 0;
    if (ref && !arg.byref) return DISP_E_TYPEMISMATCH;
    switch (arg.vt) {
      case kByRef | os::VT_VARIANT:
        if (HRESULT hr = ToOurs(*arg.pvarVal, &slot.target); FAILED(hr)) return hr;
        ours = os::VARIANT::Ref(&slot.target);
        break;
      case kByRef | os::VT_BOOL:
        slot.flag = *arg.pboolVal;
        ours = os::VARIANT::Ref(&slot.flag);
        break;
      case kByRef | os::VT_I4:
        slot.number = *arg.plVal;
        ours = os::VARIANT::Ref(&slot.number);
        break;
      case kByRef | os::VT_BSTR:
        slot.text = os::BSTR(OurText(*arg.pbstrVal));
        ours = os::VARIANT::Ref(&slot.text);
        break;
      case kByRef | os::VT_DISPATCH:
        // The callee may store an object here (NewWindow2's browser); what
        // the system passed in is not shown to it.
        slot.dispatch = nullptr;
        ours = os::VARIANT::Ref(&slot.dispatch);
        break;
      default:
        if (HRESULT hr = ToOurs(arg, &ours); FAILED(hr)) return hr;
    }
  }
  if (params->cNamedArgs > 0 && params->rgdispidNamedArgs) {
    named_.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
  }
  params_.rgvarg = args_.data();
  params_.cArgs = static_cast<UINT>(args_.size());
  params_.rgdispidNamedArgs = named_.empty() ? nullptr : named_.data();
  params_.cNamedArgs = static_cast<UINT>(named_.size());
  return S_OK;
}

void ArgumentsAsOurs::WriteBack() {
  for (Slot& slot : slots_) {
    ::VARIANT& arg = *slot.system;
    switch (arg.vt) {
      case kByRef | os::VT_BOOL:
        *arg.pboolVal = slot.flag;
        break;
      case kByRef | os::VT_I4:
        *arg.plVal = slot.number;
        break;
      case kByRef | os::VT_BSTR:
        if (OurText(*arg.pbstrVal) != slot.text.str()) {
          ::SysFreeString(*arg.pbstrVal);
          *arg.pbstrVal = SystemString(slot.text.str());
        }
        break;
      case kByRef | os::VT_DISPATCH:
        if (slot.dispatch) {
          // The callee handed over a reference; the system side gets its own.
          ::IDispatch* system = SystemDispatchOf(slot.dispatch);
          if (*arg.ppdispVal) (*arg.ppdispVal)->Release();
          *arg.ppdispVal = system;
          slot.dispatch->Release();
          slot.dispatch = nullptr;
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace os::win32
