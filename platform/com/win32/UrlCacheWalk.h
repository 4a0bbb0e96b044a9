// Reading WinINet's URL cache: the records of a search, each copied whole
// (the system's record with its strings after it), under the rules of our
// UrlCache.h. Shared by the cache and the cookie jar of the win32 flavour.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/UrlCache.h"

namespace os::win32 {

struct CacheRecord {
  std::vector<std::uint8_t> bytes;  // an INTERNET_CACHE_ENTRY_INFOW and its strings
  const INTERNET_CACHE_ENTRY_INFOW& Entry() const {
    return *reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(bytes.data());
  }
};

// The entries our pattern names now: "" or "*.*" every page, then every
// cookie; "cookie:" the cookies; "visited:" the history; anything else the
// pages and cookies whose URL begins with it (without regard to case). Each
// URL once.
std::vector<CacheRecord> ReadUrlCache(std::u16string_view pattern);

}  // namespace os::win32
