/* The libcurl functions the programs call, found in the library that
   CurlOnDemand.cpp loads on the first call. C as well as C++: the entry points
   with variable arguments are defined in C (CurlVarargs.c), where their
   declarations from curl.h start their argument lists legally. */
#ifndef LUMORA_PLATFORM_NET_CURL_ENTRIES_H
#define LUMORA_PLATFORM_NET_CURL_ENTRIES_H

#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#ifdef __cplusplus
extern "C" {
#endif

struct lumora_curl_entries {
  CURLcode (*global_init)(long flags);
  CURL* (*easy_init)(void);
  CURLcode (*easy_setopt)(CURL* handle, CURLoption option, ...);
  CURLcode (*easy_perform)(CURL* handle);
  CURLcode (*easy_getinfo)(CURL* handle, CURLINFO info, ...);
  void (*easy_cleanup)(CURL* handle);
  struct curl_slist* (*slist_append)(struct curl_slist* list, const char* text);
  void (*slist_free_all)(struct curl_slist* list);
};

/* The library's entries, loaded on the first call from any thread; null when
   the library or one of its entries is missing (said once on the debug
   output). */
const struct lumora_curl_entries* lumora_curl_load(void);

#ifdef __cplusplus
}
#endif

#endif
