/* libcurl's two entry points with variable arguments. They are C: curl.h
   declares their last named parameter with an enumeration type, which C++
   does not allow to start a variable argument list with, and C does (an
   enumeration is compatible with its integer type). */
#include <stdarg.h>

#include "platform/net/CurlEntries.h"

/* The option's number says the type of its one argument; it is read as that
   type and passed on as that type. */
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  const struct lumora_curl_entries* curl = lumora_curl_load();
  if (curl == NULL) return CURLE_FAILED_INIT;
  va_list arguments;
  va_start(arguments, option);
  CURLcode result;
  if (option < CURLOPTTYPE_OBJECTPOINT) {
    result = curl->easy_setopt(handle, option, va_arg(arguments, long));
  } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
    result = curl->easy_setopt(handle, option, va_arg(arguments, void*));
  } else if (option < CURLOPTTYPE_OFF_T) {
    typedef void (*any_function)(void);
    result = curl->easy_setopt(handle, option, va_arg(arguments, any_function));
  } else if (option < CURLOPTTYPE_BLOB) {
    result = curl->easy_setopt(handle, option, va_arg(arguments, curl_off_t));
  } else {
    result = curl->easy_setopt(handle, option, va_arg(arguments, void*));
  }
  va_end(arguments);
  return result;
}

/* Every piece of information is written through the one pointer passed. */
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
  const struct lumora_curl_entries* curl = lumora_curl_load();
  if (curl == NULL) return CURLE_FAILED_INIT;
  va_list arguments;
  va_start(arguments, info);
  void* target = va_arg(arguments, void*);
  va_end(arguments);
  return curl->easy_getinfo(handle, info, target);
}
