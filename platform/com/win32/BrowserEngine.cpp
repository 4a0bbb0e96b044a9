// The engine seam on Windows. Pages are rendered by the system's Web Browser
// class, which the browser object wraps (SystemBrowser.h): no engine of ours
// is made, so engine factories and loaders are kept but never asked. The
// engine's libraries are the system's (ieframe, mshtml); its cache and
// cookies live in WinINet, where the URL cache functions reach them, except
// the session's cookies in WinINet's memory, which clearing ends.
#include "platform/com/BrowserEngine.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/com/win32/ComSystem.h"

namespace os {

namespace {

struct Registrations {
  std::mutex lock;
  std::map<std::string, BrowserEngineFactory, std::less<>> factories;
  std::map<std::string, BrowserEngineLoader, std::less<>> loaders;
  std::map<std::string, WebEngineDataCleaner, std::less<>> cleaners;
};
Registrations& TheRegistrations() {
  static Registrations r;
  return r;
}

// The name the registrations use for the Windows program's window system.
constexpr std::string_view kBackend = "win32";

template <class Hook>
void Set(std::map<std::string, Hook, std::less<>>& hooks, std::string_view backend, Hook hook) {
  std::lock_guard<std::mutex> hold(TheRegistrations().lock);
  if (hook) {
    hooks[std::string(backend)] = hook;
  } else if (auto it = hooks.find(backend); it != hooks.end()) {
    hooks.erase(it);
  }
}

}  // namespace

void RegisterBrowserEngineFactory(std::string_view backend, BrowserEngineFactory factory) {
  Set(TheRegistrations().factories, backend, factory);
}

std::unique_ptr<BrowserEngine> CreateBrowserEngine(BrowserEngineHost*) { return nullptr; }

void RegisterBrowserEngineLoader(std::string_view backend, BrowserEngineLoader loader) {
  Set(TheRegistrations().loaders, backend, loader);
}

bool BrowserEngineAvailable() {
  // The class is there when its server is registered, as CoCreateInstance
  // would find it.
  const std::wstring key =
      L"CLSID\\" + win32::WideString(StringFromGUID(CLSID_WebBrowser)) + L"\\InprocServer32";
  ::HKEY found = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &found) != ERROR_SUCCESS) return false;
  ::RegCloseKey(found);
  return true;
}

void WarmBrowserEngine() {
  // Mapped once and kept for the process, as the first browser would.
  static const bool warmed = [] {
    const ::HMODULE frame = ::LoadLibraryExW(L"ieframe.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const ::HMODULE html = ::LoadLibraryExW(L"mshtml.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return frame != nullptr && html != nullptr;
  }();
  (void)warmed;
}

void RegisterWebEngineDataCleaner(std::string_view backend, WebEngineDataCleaner cleaner) {
  Set(TheRegistrations().cleaners, backend, cleaner);
}

void ClearWebEngineData() {
  // The session's cookies, which no cache entry holds.
  ::InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
  WebEngineDataCleaner cleaner = nullptr;
  {
    std::lock_guard<std::mutex> hold(TheRegistrations().lock);
    if (auto it = TheRegistrations().cleaners.find(kBackend); it != TheRegistrations().cleaners.end()) {
      cleaner = it->second;
    }
  }
  if (cleaner) cleaner();
}

}  // namespace os
