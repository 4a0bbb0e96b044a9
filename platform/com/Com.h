// Component objects reduced to what hosting the web browser needs: result
// codes, GUIDs and their text form, IUnknown with reference counting and
// interface queries, a smart pointer, class factories and creation of objects
// by class id through a process-wide class registry.
//
// Interfaces are C++ abstract classes. They have no virtual destructor: an
// object lives as long as references to it exist, and deletes itself when the
// last one is released. Calls belong to the thread that created the object
// (single-threaded apartment); only the reference counts are atomic.
//
// In the Windows program these functions are the system's (the interfaces
// declared here have its vtables), with the rules below kept where the
// system's differ: failures leave CLSID_NULL, a null text is refused, and the
// Web Browser class is made through the wrapper of platform/com/WebBrowser.h.
#pragma once

#include <atomic>
#include <compare>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/Types.h"

namespace os {

// ---------------------------------------------------------------------------
// Result codes
using HRESULT = std::int32_t;
using SCODE = HRESULT;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT HResult(std::uint32_t value) { return static_cast<HRESULT>(value); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = HResult(0x80004002);
constexpr HRESULT E_POINTER = HResult(0x80004003);
constexpr HRESULT E_ABORT = HResult(0x80004004);
constexpr HRESULT E_FAIL = HResult(0x80004005);
constexpr HRESULT E_UNEXPECTED = HResult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = HResult(0x80070005);
constexpr HRESULT E_HANDLE = HResult(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = HResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = HResult(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = HResult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HResult(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = HResult(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = HResult(0x800401F0);
constexpr HRESULT CO_E_ALREADYINITIALIZED = HResult(0x800401F1);
constexpr HRESULT CO_E_CLASSSTRING = HResult(0x800401F3);
constexpr HRESULT CO_E_OBJNOTREG = HResult(0x800401FB);

constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = HResult(0x80040003);
constexpr HRESULT OLE_E_NOCONNECTION = HResult(0x80040004);
constexpr HRESULT OLE_E_NOTRUNNING = HResult(0x80040005);
constexpr HRESULT OLE_E_BLANK = HResult(0x80040007);
constexpr HRESULT OLE_E_INVALIDRECT = HResult(0x8004000D);
constexpr HRESULT OLE_E_NOT_INPLACEACTIVE = HResult(0x80040010);
constexpr HRESULT OLE_S_USEREG = HResult(0x00040000);
constexpr HRESULT OLEOBJ_E_NOVERBS = HResult(0x80040180);
constexpr HRESULT OLEOBJ_S_INVALIDVERB = HResult(0x00040180);
constexpr HRESULT OLEOBJ_S_CANNOT_DOVERB_NOW = HResult(0x00040181);
constexpr HRESULT INPLACE_E_NOTUNDOABLE = HResult(0x800401A0);
constexpr HRESULT INPLACE_E_NOTOOLSPACE = HResult(0x800401A1);

constexpr HRESULT CONNECT_E_NOCONNECTION = HResult(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = HResult(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = HResult(0x80040202);

constexpr HRESULT OLECMDERR_E_NOTSUPPORTED = HResult(0x80040100);
constexpr HRESULT OLECMDERR_E_DISABLED = HResult(0x80040101);
constexpr HRESULT OLECMDERR_E_CANCELED = HResult(0x80040103);
constexpr HRESULT OLECMDERR_E_UNKNOWNGROUP = HResult(0x80040104);

// ---------------------------------------------------------------------------
// GUIDs
struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
  friend constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
      if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
  }
  // An arbitrary but total order, for maps keyed by class id.
  friend constexpr std::strong_ordering operator<=>(const GUID& a, const GUID& b) {
    if (auto c = a.Data1 <=> b.Data1; c != 0) return c;
    if (auto c = a.Data2 <=> b.Data2; c != 0) return c;
    if (auto c = a.Data3 <=> b.Data3; c != 0) return c;
    for (int i = 0; i < 8; ++i) {
      if (auto c = a.Data4[i] <=> b.Data4[i]; c != 0) return c;
    }
    return std::strong_ordering::equal;
  }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{};
constexpr IID IID_NULL{};
constexpr CLSID CLSID_NULL{};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// Parses the registry form "{8856F961-340A-11D0-A96B-00C04FD705A2}" (hex
// digits in either case, braces required). Anything else gives
// CO_E_CLASSSTRING, except a registered ProgID (CLSIDFromProgID), which
// Windows accepts here too. On failure *clsid becomes CLSID_NULL.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);
// The class id of a ProgID; the platform knows "Shell.Explorer" and
// "Shell.Explorer.2" (the Web Browser class), compared without regard to case.
// Unknown names give CO_E_CLASSSTRING and CLSID_NULL.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// The registry form, upper-case hex, with braces (38 characters).
std::u16string StringFromGUID(REFGUID guid);
// StringFromGUID2: writes the text and its terminator into buffer when it
// fits (39 units); returns the units written, 0 when it does not fit.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);

// ---------------------------------------------------------------------------
// IUnknown
struct IUnknown {
  static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  // On success *object holds a new reference; on failure it is nullptr.
  virtual HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG OS_STDCALL AddRef() = 0;
  virtual ULONG OS_STDCALL Release() = 0;

 protected:
  ~IUnknown() = default;
};
constexpr IID IID_IUnknown = IUnknown::kIid;

// The reference count of an object implemented in C++: starts at the given
// value; Release deletes the object when it reaches zero. Increments and
// decrements are atomic.
class RefCount {
 public:
  explicit RefCount(ULONG initial = 1) : count_(initial) {}
  ULONG Add() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  template <class Object>
  ULONG Release(Object* self) {
    const ULONG left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete self;
    return left;
  }
  ULONG Value() const { return count_.load(std::memory_order_relaxed); }

 private:
  std::atomic<ULONG> count_;
};

// Hands out `view` for riid == I::kIid: AddRefs it and stores it. Returns
// whether it did. Objects answer QueryInterface with a chain of these.
template <class I>
bool AnswerInterface(REFIID riid, I* view, void** object) {
  if (riid != I::kIid) return false;
  view->AddRef();
  *object = view;
  return true;
}

// A counted reference to an interface, as CComPtr keeps one.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { reset(); }
  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }

  // Takes over a reference the caller owns (an out parameter's result).
  static ComPtr Adopt(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases what is held and gives the slot to an out parameter.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  // Gives up the reference without releasing it.
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  // QueryInterface for U into out.
  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (!out) return E_POINTER;
    if (!p_) {
      out->reset();
      return E_POINTER;
    }
    return p_->QueryInterface(U::kIid, out->put_void());
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// Two interface pointers belong to one object when their IUnknowns are equal.
bool IsSameObject(IUnknown* a, IUnknown* b);

// ---------------------------------------------------------------------------
// Class factories and creation
struct IClassFactory : IUnknown {
  static constexpr IID kIid{0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT OS_STDCALL LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};
constexpr IID IID_IClassFactory = IClassFactory::kIid;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_SERVER | CLSCTX_INPROC_HANDLER;  // 23

constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;

constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_MULTITHREADED = 0x0;

// Per thread, counted: the first call answers S_OK, later ones S_FALSE; each
// successful call needs one CoUninitialize. Creating objects needs it.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();

// Every class object a process can create is found here: the ones registered
// with CoRegisterClassObject (the newest registration of a class id wins),
// then the platform's own classes (the Web Browser class). Contexts other than
// in-process ones are served in process as well; a context with none of the
// CLSCTX_ALL bits gives E_INVALIDARG. Without CoInitialize on the calling thread:
// CO_E_NOTINITIALIZED. Unknown classes: REGDB_E_CLASSNOTREG.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);

// The registry keeps a reference to factory until CoRevokeClassObject with the
// cookie it gave. Registrations are process-wide.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD flags, DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

// A class factory around a creation function, for classes implemented in
// C++: CreateInstance refuses aggregation (CLASS_E_NOAGGREGATION) and calls
// create(riid, object).
using ObjectCreator = std::function<HRESULT(REFIID riid, void** object)>;
ComPtr<IClassFactory> MakeClassFactory(ObjectCreator create);

}  // namespace os
