// Automation values: BSTR, VARIANT, DISPPARAMS and IDispatch, as far as the
// browser's events and its document model use them.
//
// BSTR is an owned wide string (no SysAllocString/SysFreeString pairing).
// VARIANT keeps the Windows shape — a type tag `vt` and a union of value parts
// (lVal, boolVal, pdispVal, pvarVal, pboolVal, ...) whose addresses callers
// may take — and owns what it holds: a VT_BSTR's string and one reference of a
// VT_DISPATCH or VT_UNKNOWN interface, released by Clear() and the destructor.
// By-reference values (VT_BYREF | ...) point at storage the VARIANT does not
// own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/Com.h"

namespace os {

// An owned, length-counted wide string.
class BSTR {
 public:
  BSTR() = default;
  BSTR(std::u16string_view text) : text_(text) {}
  // nullptr is the empty string, as a null BSTR is.
  BSTR(const char16_t* text) : text_(text ? std::u16string_view(text) : std::u16string_view()) {}
  BSTR(std::u16string&& text) : text_(std::move(text)) {}

  const std::u16string& str() const { return text_; }
  const char16_t* c_str() const { return text_.c_str(); }
  UINT Length() const { return static_cast<UINT>(text_.size()); }
  bool empty() const { return text_.empty(); }
  operator std::u16string_view() const { return text_; }

  friend bool operator==(const BSTR& a, std::u16string_view b) { return a.text_ == b; }
  friend bool operator==(const BSTR& a, const char16_t* b) {
    return a.text_ == (b ? std::u16string_view(b) : std::u16string_view());
  }

 private:
  std::u16string text_;
};

inline UINT SysStringLen(const BSTR& text) { return text.Length(); }

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_VARIANT = 12;
constexpr VARTYPE VT_UNKNOWN = 13;
constexpr VARTYPE VT_UI4 = 19;
constexpr VARTYPE VT_INT = 22;
constexpr VARTYPE VT_UINT = 23;
constexpr VARTYPE VT_ARRAY = 0x2000;
constexpr VARTYPE VT_BYREF = 0x4000;
constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

struct IDispatch;

class VARIANT {
 public:
  VARTYPE vt = VT_EMPTY;
  union {
    LONG lVal;
    ULONG ulVal;
    std::int16_t iVal;
    int intVal;
    UINT uintVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    VARIANT* pvarVal;        // VT_BYREF | VT_VARIANT
    VARIANT_BOOL* pboolVal;  // VT_BYREF | VT_BOOL
    LONG* plVal;             // VT_BYREF | VT_I4
    BSTR* pbstrVal;          // VT_BYREF | VT_BSTR
    IDispatch** ppdispVal;   // VT_BYREF | VT_DISPATCH
    IUnknown** ppunkVal;     // VT_BYREF | VT_UNKNOWN
    std::int64_t llVal = 0;  // keeps the whole value part zeroed
  };
  BSTR bstrVal;  // VT_BSTR

  VARIANT() {}
  ~VARIANT() { Clear(); }
  VARIANT(const VARIANT& other);
  VARIANT(VARIANT&& other) noexcept;
  VARIANT& operator=(const VARIANT& other);
  VARIANT& operator=(VARIANT&& other) noexcept;

  // Releases what the value owns and makes it VT_EMPTY.
  void Clear();

  static VARIANT Int(LONG value);                   // VT_I4
  static VARIANT UInt(ULONG value);                 // VT_UI4
  static VARIANT Bool(bool value);                  // VT_BOOL, VARIANT_TRUE/FALSE
  static VARIANT String(std::u16string_view text);  // VT_BSTR
  static VARIANT Dispatch(IDispatch* object);       // VT_DISPATCH, takes a reference
  static VARIANT Unknown(IUnknown* object);         // VT_UNKNOWN, takes a reference
  static VARIANT Null();                            // VT_NULL
  // An omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
  static VARIANT Missing();
  static VARIANT Ref(VARIANT* target);       // VT_BYREF | VT_VARIANT
  static VARIANT Ref(VARIANT_BOOL* target);  // VT_BYREF | VT_BOOL
  static VARIANT Ref(BSTR* target);          // VT_BYREF | VT_BSTR
  static VARIANT Ref(IDispatch** target);    // VT_BYREF | VT_DISPATCH
  static VARIANT Ref(LONG* target);          // VT_BYREF | VT_I4
};
using VARIANTARG = VARIANT;

void VariantInit(VARIANT* value);
HRESULT VariantClear(VARIANT* value);
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// The value behind any number of VT_BYREF | VT_VARIANT hops; nullptr when a
// hop is null.
const VARIANT* VariantTarget(const VARIANT* value);
// A text held by the value (VT_BSTR, or VT_BYREF | VT_BSTR, possibly behind
// VT_BYREF | VT_VARIANT hops); nullopt for anything else.
std::optional<std::u16string> VariantString(const VARIANT* value);
// A whole number held by the value (VT_I2, VT_I4, VT_UI4, VT_INT, VT_UINT,
// their VT_BYREF forms, behind VT_VARIANT hops); nullopt for anything else.
std::optional<LONG> VariantInteger(const VARIANT* value);
// True for an absent optional argument: a null pointer, VT_EMPTY, VT_NULL or
// VT_ERROR (after VT_VARIANT hops).
bool VariantIsMissing(const VARIANT* value);

// ---------------------------------------------------------------------------
// IDispatch
using DISPID = LONG;
using LCID = DWORD;

constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = HResult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = HResult(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = HResult(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = HResult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = HResult(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = HResult(0x80020009);
constexpr HRESULT DISP_E_BADINDEX = HResult(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = HResult(0x8002000E);

// The arguments of IDispatch::Invoke. As on Windows, rgvarg holds the
// positional arguments in reverse order: the last argument is rgvarg[0].
struct DISPPARAMS {
  VARIANTARG* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

struct EXCEPINFO;
struct ITypeInfo;

struct IDispatch : IUnknown {
  static constexpr IID kIid{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT OS_STDCALL GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
  virtual HRESULT OS_STDCALL GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                           DISPID* ids) = 0;
  virtual HRESULT OS_STDCALL Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;

 protected:
  ~IDispatch() = default;
};
constexpr IID IID_IDispatch = IDispatch::kIid;

// IDispatch for objects that are only reached through their vtables: no type
// information, no names, no members by id.
template <class Base>
struct NoAutomation : Base {
  HRESULT OS_STDCALL GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT OS_STDCALL GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OS_STDCALL GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT OS_STDCALL Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  ~NoAutomation() = default;
};

}  // namespace os
