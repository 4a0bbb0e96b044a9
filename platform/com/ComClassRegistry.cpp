// The process-wide class registry behind CoCreateInstance: class objects
// registered at run time, then the platform's built-in classes, and the
// ProgIDs the platform knows.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/com/Com.h"
#include "platform/com/WebBrowser.h"
#include "platform/com/internal/ComClasses.h"

namespace os {

namespace {

struct Registration {
  DWORD cookie = 0;
  CLSID clsid;
  ComPtr<IUnknown> factory;
};

struct Registry {
  std::mutex mutex;
  std::vector<Registration> entries;  // oldest first
  DWORD nextCookie = 1;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

struct BuiltInClass {
  CLSID clsid;
  HRESULT (*create)(REFIID riid, void** object);
};

constexpr BuiltInClass kBuiltIn[] = {
    {CLSID_WebBrowser, &internal::CreateWebBrowserObject},
};

struct ProgId {
  std::u16string_view name;
  CLSID clsid;
};

constexpr ProgId kProgIds[] = {
    {u"Shell.Explorer", CLSID_WebBrowser},
    {u"Shell.Explorer.2", CLSID_WebBrowser},
};

bool EqualNoCaseAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = CLSID_NULL;
  if (!progId) return E_INVALIDARG;
  for (const ProgId& p : kProgIds) {
    if (EqualNoCaseAscii(p.name, progId)) {
      *clsid = p.clsid;
      return S_OK;
    }
  }
  return CO_E_CLASSSTRING;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if ((context & CLSCTX_ALL) == 0) return E_INVALIDARG;
  if (!internal::ComInitializedOnThisThread()) return CO_E_NOTINITIALIZED;
  ComPtr<IUnknown> factory;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = std::find_if(r.entries.rbegin(), r.entries.rend(),
                           [&](const Registration& e) { return e.clsid == clsid; });
    if (it != r.entries.rend()) factory = it->factory;
  }
  if (factory) return factory->QueryInterface(riid, object);
  for (const BuiltInClass& c : kBuiltIn) {
    if (c.clsid == clsid) {
      ComPtr<IClassFactory> builtIn = MakeClassFactory(c.create);
      return builtIn->QueryInterface(riid, object);
    }
  }
  return REGDB_E_CLASSNOTREG;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComPtr<IClassFactory> factory;
  const HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.put_void());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, riid, object);
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD, DWORD* cookie) {
  if (!factory || !cookie) return E_INVALIDARG;
  *cookie = 0;
  if ((context & CLSCTX_ALL) == 0) return E_INVALIDARG;
  if (!internal::ComInitializedOnThisThread()) return CO_E_NOTINITIALIZED;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  Registration entry;
  entry.cookie = r.nextCookie++;
  entry.clsid = clsid;
  entry.factory = factory;
  *cookie = entry.cookie;
  r.entries.push_back(std::move(entry));
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  ComPtr<IUnknown> released;  // let go of the factory outside the lock
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = std::find_if(r.entries.begin(), r.entries.end(),
                         [&](const Registration& e) { return e.cookie == cookie; });
  if (it == r.entries.end()) return CO_E_OBJNOTREG;
  released = std::move(it->factory);
  r.entries.erase(it);
  return S_OK;
}

}  // namespace os
