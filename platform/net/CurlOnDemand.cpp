// libcurl, loaded the first time the program calls into it.
//
// The launcher shows its login window long before it sends its first request
// that matters to the player, yet a libcurl linked the usual way has the
// dynamic loader map and relocate it and the two dozen libraries it brings
// (TLS, Kerberos, LDAP, SSH, IDN) before main runs: a third of the loader's
// work at every start. These definitions (and those of CurlVarargs.c) stand
// in for the library's entry points the program calls; the first call, from
// any thread, loads the library; the program's entry has a worker make that
// call (HttpClient::ReadyAhead) while the main thread opens the display.
//
// Without the library every call fails as a request without a network does
// (no handle, CURLE_FAILED_INIT), and a debug line says why.
#include "platform/net/CurlEntries.h"

#include <dlfcn.h>

#include <string>

#include "platform/base/DebugOutput.h"

namespace {

// The soname of libcurl's interface, unchanged since 7.16.
constexpr const char* kLibrary = "libcurl.so.4";

// The library's symbols and those of its own libraries are looked up among
// themselves first. Otherwise the loader searches the launcher's hundred
// libraries for each of them, which doubles the load; and the load holds the
// loader's lock, which GTK's start-up on the main thread waits for. The
// sanitizers' runtimes refuse that flag (the test builds load it plainly).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUMORA_CURL_PLAIN_LOAD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define LUMORA_CURL_PLAIN_LOAD 1
#endif
#endif
#ifdef LUMORA_CURL_PLAIN_LOAD
constexpr int kLoadFlags = RTLD_NOW | RTLD_LOCAL;
#else
constexpr int kLoadFlags = RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND;
#endif

template <typename Function>
bool Bind(void* library, const char* name, Function& slot) {
  slot = reinterpret_cast<Function>(dlsym(library, name));
  if (slot != nullptr) return true;
  os::DebugOutput(os::DebugCategory::Net, std::string(kLibrary) + " has no " + name);
  return false;
}

const lumora_curl_entries* Load() {
  void* library = dlopen(kLibrary, kLoadFlags);
  if (library == nullptr) {
    const char* why = dlerror();
    os::DebugOutput(os::DebugCategory::Net,
                    std::string("no HTTP: ") + (why != nullptr ? why : kLibrary) + " could not be loaded");
    return nullptr;
  }
  static lumora_curl_entries entries;
  const bool complete = Bind(library, "curl_global_init", entries.global_init) &&
                        Bind(library, "curl_easy_init", entries.easy_init) &&
                        Bind(library, "curl_easy_setopt", entries.easy_setopt) &&
                        Bind(library, "curl_easy_perform", entries.easy_perform) &&
                        Bind(library, "curl_easy_getinfo", entries.easy_getinfo) &&
                        Bind(library, "curl_easy_cleanup", entries.easy_cleanup) &&
                        Bind(library, "curl_slist_append", entries.slist_append) &&
                        Bind(library, "curl_slist_free_all", entries.slist_free_all);
  return complete ? &entries : nullptr;
}

}  // namespace

extern "C" {

const lumora_curl_entries* lumora_curl_load() {
  // A function-local static: the first caller loads, concurrent ones wait.
  static const lumora_curl_entries* const loaded = Load();
  return loaded;
}

CURLcode curl_global_init(long flags) {
  const lumora_curl_entries* curl = lumora_curl_load();
  return curl != nullptr ? curl->global_init(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
  const lumora_curl_entries* curl = lumora_curl_load();
  return curl != nullptr ? curl->easy_init() : nullptr;
}

CURLcode curl_easy_perform(CURL* handle) {
  const lumora_curl_entries* curl = lumora_curl_load();
  return curl != nullptr ? curl->easy_perform(handle) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* handle) {
  if (const lumora_curl_entries* curl = lumora_curl_load()) curl->easy_cleanup(handle);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
  const lumora_curl_entries* curl = lumora_curl_load();
  return curl != nullptr ? curl->slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
  if (const lumora_curl_entries* curl = lumora_curl_load()) curl->slist_free_all(list);
}

}  // extern "C"
