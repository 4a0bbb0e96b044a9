// Automation values where our objects meet the system's. Our BSTR and VARIANT
// own std::u16string text (the code above the platform reads them as such);
// the system's are oleaut32 allocations in a 24-byte (16 on 32-bit) VARIANT.
// Their layouts cannot be the same, so values are converted at the edge, in
// both directions, with oleaut32 doing the system side's allocation and
// clearing (SysAllocStringLen, SysFreeString, VariantClear).
//
// Objects inside values cross as the other side should see them (below):
// VT_DISPATCH through the wrappers and bridges of SystemBrowser.cpp,
// VT_UNKNOWN as it is, IUnknown's vtable being the same on both sides.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/com/win32/ComSystem.h"

namespace os::win32 {

// A system BSTR holding text (nullptr only when out of memory). The caller
// frees it with SysFreeString.
::BSTR SystemString(std::u16string_view text);
// The text of a system BSTR; a null BSTR is the empty text.
std::u16string OurText(::BSTR text);
// A copy of text in task memory (CoTaskMemAlloc), as out-parameters of the
// host interfaces hand text to the system; nullptr for an empty text.
wchar_t* TaskString(std::u16string_view text);

// Objects crossing between the sides: the system's as the host should see
// them (our wrapper for browsers, documents, element collections and
// elements; our own object again for a bridge of ours; otherwise a view whose
// IDispatch converts the calls), and ours as the system should see them (the
// system object a wrapper stands for; otherwise a bridge whose IDispatch
// converts the system's calls). Each returns a new reference; nullptr for
// nullptr. Implemented with the wrappers (SystemBrowser.cpp).
os::IDispatch* OurDispatchOf(::IDispatch* system);
::IDispatch* SystemDispatchOf(os::IDispatch* ours);

// A system value as ours: numbers, booleans, errors, strings and objects
// (with a new reference, VT_DISPATCH mapped as above, VT_UNKNOWN as it is:
// IUnknown's vtable is the same on both sides); by-reference values become
// the value they point at. VT_EMPTY and VT_NULL as they are; anything else
// gives DISP_E_TYPEMISMATCH and leaves *ours empty.
HRESULT ToOurs(const ::VARIANT& system, os::VARIANT* ours);
// Our value as the system's, into a VARIANT the caller initialised (it is
// cleared first) and later clears with VariantClear. By-reference values
// become the value they point at.
HRESULT ToSystem(const os::VARIANT& ours, ::VARIANT* system);

// A system VARIANT that clears itself.
class SystemVariant {
 public:
  SystemVariant() { ::VariantInit(&value_); }
  ~SystemVariant() { ::VariantClear(&value_); }
  SystemVariant(const SystemVariant&) = delete;
  SystemVariant& operator=(const SystemVariant&) = delete;
  ::VARIANT* get() { return &value_; }
  const ::VARIANT& operator*() const { return value_; }

 private:
  ::VARIANT value_;
};

// The system's argument list of one call seen as ours, for handing a call the
// system makes to an object of ours. By-reference arguments become
// references to values held here; WriteBack() copies what the callee left in
// them back to the system's targets (Cancel flags, a browser stored through
// ppDisp, strings and numbers). A VT_BYREF | VT_DISPATCH argument starts
// empty for the callee (NewWindow2's ppDisp comes in empty).
class ArgumentsAsOurs {
 public:
  // Fails (DISP_E_TYPEMISMATCH) when an argument has a type we do not carry.
  HRESULT Load(const ::DISPPARAMS* params);
  void WriteBack();
  os::DISPPARAMS* Params() { return &params_; }

 private:
  struct Slot {
    ::VARIANT* system = nullptr;        // the system's argument
    os::VARIANT target;                 // the value a by-reference argument points at
    VARIANT_BOOL flag = 0;              // VT_BYREF | VT_BOOL
    LONG number = 0;                    // VT_BYREF | VT_I4
    os::BSTR text;                      // VT_BYREF | VT_BSTR
    os::IDispatch* dispatch = nullptr;  // VT_BYREF | VT_DISPATCH
  };
  std::deque<Slot> slots_;  // stable addresses
  std::vector<os::VARIANT> args_;
  std::vector<DISPID> named_;
  os::DISPPARAMS params_;
};

}  // namespace os::win32
