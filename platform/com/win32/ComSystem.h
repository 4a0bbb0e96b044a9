// The system's COM, OLE, automation, browser and WinINet headers as the com
// group's win32 sources see them. Include the platform headers a source
// implements first, then this one (it includes platform/base/win32/Win32.h).
//
// The system headers make many of our names macros: result codes (S_OK,
// E_FAIL), DISPID_VALUE, OLEIVERB_*, and the generic-text WinINet functions.
// The values are equal to ours, so sources write these names unqualified
// (never os::S_OK, which the preprocessor would break); the WinINet macros
// that are also names of ours are undefined below, and sources call the W
// functions by their full names.
#pragma once

#include "platform/base/win32/Win32.h"

#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>
#include <wininet.h>

#undef FindFirstUrlCacheEntry
#undef FindNextUrlCacheEntry
#undef DeleteUrlCacheEntry
#undef InternetSetCookie
#undef InternetGetCookie
#undef CreateUrlCacheEntry
#undef CommitUrlCacheEntry
#undef GetUrlCacheEntryInfo
#undef GetUserName
