// VARIANT ownership (strings and interface references) and the readers that
// see through by-reference values.
#include "platform/com/Variant.h"

namespace os {

namespace {

// Interface references a value owns: VT_DISPATCH and VT_UNKNOWN (not by
// reference, not arrays).
IUnknown* OwnedInterface(const VARIANT& v) {
  if (v.vt == VT_DISPATCH) return v.pdispVal;
  if (v.vt == VT_UNKNOWN) return v.punkVal;
  return nullptr;
}

void CopyFrom(VARIANT& target, const VARIANT& source) {
  target.vt = source.vt;
  target.llVal = source.llVal;
  target.bstrVal = source.bstrVal;
  if (IUnknown* p = OwnedInterface(target)) p->AddRef();
}

}  // namespace

VARIANT::VARIANT(const VARIANT& other) { CopyFrom(*this, other); }

VARIANT::VARIANT(VARIANT&& other) noexcept
    : vt(other.vt), llVal(other.llVal), bstrVal(std::move(other.bstrVal)) {
  other.vt = VT_EMPTY;
  other.llVal = 0;
}

VARIANT& VARIANT::operator=(const VARIANT& other) {
  if (this != &other) {
    VARIANT copy(other);
    *this = std::move(copy);
  }
  return *this;
}

VARIANT& VARIANT::operator=(VARIANT&& other) noexcept {
  if (this != &other) {
    Clear();
    vt = other.vt;
    llVal = other.llVal;
    bstrVal = std::move(other.bstrVal);
    other.vt = VT_EMPTY;
    other.llVal = 0;
    other.bstrVal = BSTR();
  }
  return *this;
}

void VARIANT::Clear() {
  IUnknown* owned = OwnedInterface(*this);
  vt = VT_EMPTY;
  llVal = 0;
  bstrVal = BSTR();
  if (owned) owned->Release();
}

VARIANT VARIANT::Int(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT VARIANT::UInt(ULONG value) {
  VARIANT v;
  v.vt = VT_UI4;
  v.ulVal = value;
  return v;
}

VARIANT VARIANT::Bool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT VARIANT::String(std::u16string_view text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = BSTR(text);
  return v;
}

VARIANT VARIANT::Dispatch(IDispatch* object) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  if (object) object->AddRef();
  return v;
}

VARIANT VARIANT::Unknown(IUnknown* object) {
  VARIANT v;
  v.vt = VT_UNKNOWN;
  v.punkVal = object;
  if (object) object->AddRef();
  return v;
}

VARIANT VARIANT::Null() {
  VARIANT v;
  v.vt = VT_NULL;
  return v;
}

VARIANT VARIANT::Missing() {
  VARIANT v;
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

VARIANT VARIANT::Ref(VARIANT* target) {
  VARIANT v;
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}

VARIANT VARIANT::Ref(VARIANT_BOOL* target) {
  VARIANT v;
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = target;
  return v;
}

VARIANT VARIANT::Ref(BSTR* target) {
  VARIANT v;
  v.vt = VT_BYREF | VT_BSTR;
  v.pbstrVal = target;
  return v;
}

VARIANT VARIANT::Ref(IDispatch** target) {
  VARIANT v;
  v.vt = VT_BYREF | VT_DISPATCH;
  v.ppdispVal = target;
  return v;
}

VARIANT VARIANT::Ref(LONG* target) {
  VARIANT v;
  v.vt = VT_BYREF | VT_I4;
  v.plVal = target;
  return v;
}

void VariantInit(VARIANT* value) {
  // Like the Windows function, this overwrites without releasing: only for
  // values that hold nothing yet.
  if (!value) return;
  value->vt = VT_EMPTY;
  value->llVal = 0;
}

HRESULT VariantClear(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  value->Clear();
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (!target || !source) return E_INVALIDARG;
  *target = *source;
  return S_OK;
}

const VARIANT* VariantTarget(const VARIANT* value) {
  // A chain of references longer than this is a loop.
  for (int hops = 0; value && value->vt == (VT_BYREF | VT_VARIANT); ++hops) {
    if (hops > 16) return nullptr;
    value = value->pvarVal;
  }
  return value;
}

std::optional<std::u16string> VariantString(const VARIANT* value) {
  value = VariantTarget(value);
  if (!value) return std::nullopt;
  if (value->vt == VT_BSTR) return value->bstrVal.str();
  if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal) return value->pbstrVal->str();
  return std::nullopt;
}

std::optional<LONG> VariantInteger(const VARIANT* value) {
  value = VariantTarget(value);
  if (!value) return std::nullopt;
  switch (value->vt) {
    case VT_I2:
      return value->iVal;
    case VT_I4:
    case VT_INT:
      return value->lVal;
    case VT_UI4:
    case VT_UINT:
      return static_cast<LONG>(value->ulVal);
    case VT_BYREF | VT_I4:
      if (value->plVal) return *value->plVal;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

bool VariantIsMissing(const VARIANT* value) {
  if (!value) return true;
  value = VariantTarget(value);
  return !value || value->vt == VT_EMPTY || value->vt == VT_NULL || value->vt == VT_ERROR;
}

}  // namespace os
