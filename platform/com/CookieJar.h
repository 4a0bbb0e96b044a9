// The cookies of the platform's web engines, in the Netscape cookie-file line
// format libcurl reads and writes ("domain<TAB>tailmatch<TAB>path<TAB>secure
// <TAB>expires<TAB>name<TAB>value", "#HttpOnly_" before the domain of HTTP-only
// cookies). Persistent cookies live in the CSIDL_COOKIES folder, one file per
// site and path ("user@host_path.txt", the files Internet Explorer keeps
// there); session cookies (expires 0) stay in memory for the process's
// lifetime. Each cookie file is one entry of the URL cache, named
// "Cookie:user@host/path". Thread-safe.
//
// In the Windows program the cookies are WinINet's, shared with the system's
// web engine: lines are stored with InternetSetCookieEx, and read back per
// site with the host, path, name and value only (flags off, expires 0), as
// WinINet gives them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace os {

// Every cookie known: the files' and this session's.
std::vector<std::string> LoadCookieLines();
// Replaces the known cookies with lines (an engine's whole cookie list after
// a transfer): files are rewritten per site and path, files of sites with no
// persistent cookie left are removed, session cookies are kept in memory.
// Returns false when the folder cannot be written.
bool StoreCookieLines(const std::vector<std::string>& lines);

struct CookieEntry {
  std::u16string url;   // "Cookie:user@host/path"
  std::u16string file;  // the cookie file
  unsigned long long size = 0;
  long long modified = 0;  // seconds since 1970
};
std::vector<CookieEntry> CookieEntries();
// Removes the cookie file of the entry; false when there is none.
bool DeleteCookieEntry(std::u16string_view url);

// The name in cookie entries: the login name, "user" when unknown.
std::u16string CookieUserName();

}  // namespace os
