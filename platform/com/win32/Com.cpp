// COM on Windows: the system's apartments, class registry, GUID text forms
// and class objects. The one class we put our own face on is the Web
// Browser: its objects reach the host through SystemBrowser.h, because our
// declarations of its automation interfaces are not the system's.
#include "platform/com/Com.h"

#include <type_traits>

#include "platform/com/Ole.h"
#include "platform/com/WebBrowser.h"
#include "platform/com/win32/ComSystem.h"
#include "platform/com/win32/SystemBrowser.h"

namespace os {

namespace {

using win32::As;
using win32::Wide;

static_assert(sizeof(GUID) == sizeof(::GUID) && alignof(GUID) == alignof(::GUID));
static_assert(offsetof(GUID, Data4) == offsetof(::GUID, Data4));
static_assert(sizeof(HRESULT) == sizeof(::HRESULT));
static_assert(COINIT_APARTMENTTHREADED == ::COINIT_APARTMENTTHREADED);
static_assert(REGCLS_MULTIPLEUSE == ::REGCLS_MULTIPLEUSE);
// Our objects and the system's meet through each other's tables (an outer
// object, a class object, the browser's sites): every method on both sides
// has the system's convention, so a call from one into the other leaves the
// stack as it found it on 32-bit Windows too.
static_assert(std::is_same_v<decltype(&os::IUnknown::AddRef), os::ULONG (OS_STDCALL os::IUnknown::*)()>);
static_assert(std::is_same_v<decltype(&os::IUnknown::Release), os::ULONG (OS_STDCALL os::IUnknown::*)()>);
static_assert(std::is_same_v<decltype(&os::IUnknown::QueryInterface),
                             os::HRESULT (OS_STDCALL os::IUnknown::*)(const os::IID&, void**)>);
static_assert(std::is_same_v<decltype(&::IUnknown::AddRef), ::ULONG (OS_STDCALL ::IUnknown::*)()>);
static_assert(std::is_same_v<decltype(&::IUnknown::Release), ::ULONG (OS_STDCALL ::IUnknown::*)()>);

const ::GUID& Sys(REFGUID guid) { return *As<const ::GUID*>(&guid); }

// The CLSID of the version-1 Web Browser ("Shell.Explorer.1"), whose objects
// answer the same interfaces.
constexpr CLSID kWebBrowserV1{0xEAB22AC3, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};

bool IsWebBrowserClass(REFCLSID clsid) { return clsid == CLSID_WebBrowser || clsid == kWebBrowserV1; }

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = CLSID_NULL;
  if (!text) return CO_E_CLASSSTRING;
  const HRESULT hr = ::CLSIDFromString(Wide(text), As<::CLSID*>(clsid));
  if (FAILED(hr)) *clsid = CLSID_NULL;
  return hr;
}

HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
  if (!iid) return E_INVALIDARG;
  *iid = IID_NULL;
  if (!text) return S_OK;
  const HRESULT hr = ::IIDFromString(Wide(text), As<::IID*>(iid));
  if (FAILED(hr)) *iid = IID_NULL;
  return hr;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = CLSID_NULL;
  if (!progId) return CO_E_CLASSSTRING;
  const HRESULT hr = ::CLSIDFromProgID(Wide(progId), As<::CLSID*>(clsid));
  if (FAILED(hr)) *clsid = CLSID_NULL;
  return hr;
}

std::u16string StringFromGUID(REFGUID guid) {
  std::u16string text(39, u'\0');  // 38 characters and the terminator
  const int written = ::StringFromGUID2(Sys(guid), Wide(text.data()), static_cast<int>(text.size()));
  text.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
  return text;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  return ::StringFromGUID2(Sys(guid), Wide(buffer), capacity);
}

HRESULT CoInitialize(void* reserved) { return ::CoInitializeEx(reserved, ::COINIT_APARTMENTTHREADED); }
HRESULT CoInitializeEx(void* reserved, DWORD coInit) { return ::CoInitializeEx(reserved, coInit); }
void CoUninitialize() { ::CoUninitialize(); }

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsWebBrowserClass(clsid)) {
    return ::CoGetClassObject(Sys(clsid), context, static_cast<::COSERVERINFO*>(serverInfo), Sys(riid),
                              object);
  }
  // The system's class object would make objects the host cannot use; ours
  // makes them through the system's and wraps them.
  ComPtr<IUnknown> systemFactory;
  const HRESULT hr = ::CoGetClassObject(Sys(clsid), context, static_cast<::COSERVERINFO*>(serverInfo),
                                        ::IID_IClassFactory, systemFactory.put_void());
  if (FAILED(hr)) return hr;
  const CLSID which = clsid;
  ComPtr<IClassFactory> factory = MakeClassFactory([which, context](REFIID wanted, void** made) {
    return win32::CreateSystemBrowser(which, context, wanted, made);
  });
  return factory->QueryInterface(riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsWebBrowserClass(clsid)) {
    return ::CoCreateInstance(Sys(clsid), As<::IUnknown*>(outer), context, Sys(riid), object);
  }
  if (outer) return CLASS_E_NOAGGREGATION;
  return win32::CreateSystemBrowser(clsid, context, riid, object);
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD flags, DWORD* cookie) {
  if (!cookie) return E_INVALIDARG;
  *cookie = 0;
  if (!factory) return E_INVALIDARG;
  // Our IClassFactory has the system's vtable: the system calls it directly.
  return ::CoRegisterClassObject(Sys(clsid), As<::IUnknown*>(factory), context, flags, As<::DWORD*>(cookie));
}

HRESULT CoRevokeClassObject(DWORD cookie) { return ::CoRevokeClassObject(cookie); }

}  // namespace os
