// libcurl, loaded the first time the program calls into it.
//
// The launcher shows its login window long before it sends its first request
// that matters to the player, yet a libcurl linked the usual way has the
// dynamic loader map and relocate it and the two dozen libraries it brings
// (TLS, Kerberos, LDAP, SSH, IDN) before main runs: a third of the loader's
// work at every start. These definitions stand in for the library's entry
// points the program calls; the first call, from any thread, loads the
// library, and the version check at start-up makes that call on a worker
// thread while the main thread readies the windows.
//
// Without the library every call fails as a request without a network does
// (no handle, CURLE_FAILED_INIT), and a debug line says why.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>
#include <string>

#include "platform/base/DebugOutput.h"

namespace {

// The soname of libcurl's interface, unchanged since 7.16.
constexpr const char* kLibrary = "libcurl.so.4";

struct Entries {
  CURLcode (*globalInit)(long) = nullptr;
  CURL* (*easyInit)() = nullptr;
  CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*easyPerform)(CURL*) = nullptr;
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
  void (*easyCleanup)(CURL*) = nullptr;
  curl_slist* (*slistAppend)(curl_slist*, const char*) = nullptr;
  void (*slistFreeAll)(curl_slist*) = nullptr;
};

template <typename Function>
bool Bind(void* library, const char* name, Function& slot) {
  slot = reinterpret_cast<Function>(dlsym(library, name));
  if (slot != nullptr) return true;
  os::DebugOutput(os::DebugCategory::Net, std::string(kLibrary) + " has no " + name);
  return false;
}

const Entries* Load() {
  // A function-local static: the first caller loads, concurrent ones wait.
  static const Entries* const loaded = []() -> const Entries* {
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = dlerror();
      os::DebugOutput(os::DebugCategory::Net,
                      std::string("no HTTP: ") + (why != nullptr ? why : kLibrary) + " could not be loaded");
      return nullptr;
    }
    static Entries entries;
    const bool complete = Bind(library, "curl_global_init", entries.globalInit) &&
                          Bind(library, "curl_easy_init", entries.easyInit) &&
                          Bind(library, "curl_easy_setopt", entries.easySetopt) &&
                          Bind(library, "curl_easy_perform", entries.easyPerform) &&
                          Bind(library, "curl_easy_getinfo", entries.easyGetinfo) &&
                          Bind(library, "curl_easy_cleanup", entries.easyCleanup) &&
                          Bind(library, "curl_slist_append", entries.slistAppend) &&
                          Bind(library, "curl_slist_free_all", entries.slistFreeAll);
    return complete ? &entries : nullptr;
  }();
  return loaded;
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
  const Entries* curl = Load();
  return curl != nullptr ? curl->globalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
  const Entries* curl = Load();
  return curl != nullptr ? curl->easyInit() : nullptr;
}

// The option's number says the type of its one argument; it is read as that
// type and passed on as that type.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  const Entries* curl = Load();
  if (curl == nullptr) return CURLE_FAILED_INIT;
  va_list arguments;
  va_start(arguments, option);
  CURLcode result;
  if (option < CURLOPTTYPE_OBJECTPOINT) {
    result = curl->easySetopt(handle, option, va_arg(arguments, long));
  } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
    result = curl->easySetopt(handle, option, va_arg(arguments, void*));
  } else if (option < CURLOPTTYPE_OFF_T) {
    using AnyFunction = void (*)();
    result = curl->easySetopt(handle, option, va_arg(arguments, AnyFunction));
  } else if (option < CURLOPTTYPE_BLOB) {
    result = curl->easySetopt(handle, option, va_arg(arguments, curl_off_t));
  } else {
    result = curl->easySetopt(handle, option, va_arg(arguments, void*));
  }
  va_end(arguments);
  return result;
}

CURLcode curl_easy_perform(CURL* handle) {
  const Entries* curl = Load();
  return curl != nullptr ? curl->easyPerform(handle) : CURLE_FAILED_INIT;
}

// Every piece of information is written through the one pointer passed.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
  const Entries* curl = Load();
  if (curl == nullptr) return CURLE_FAILED_INIT;
  va_list arguments;
  va_start(arguments, info);
  void* target = va_arg(arguments, void*);
  va_end(arguments);
  return curl->easyGetinfo(handle, info, target);
}

void curl_easy_cleanup(CURL* handle) {
  if (const Entries* curl = Load()) curl->easyCleanup(handle);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
  const Entries* curl = Load();
  return curl != nullptr ? curl->slistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
  if (const Entries* curl = Load()) curl->slistFreeAll(list);
}

}  // extern "C"
