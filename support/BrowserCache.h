// Clearing the web engine's cache and cookies: the URL-cache walk, the tree
// deletion and index wiping it is built from, and the fixed sequence the game
// window's clear-cache button runs.
#pragma once

#include <string>

// Walks the URL cache (entry by entry, each fetched with the size protocol)
// and deletes by source URL every entry that is not a cookie (mode 0) or
// every cookie entry (mode 1); any other mode deletes nothing. Deletion
// failures are ignored. Returns true when the cache had at least one entry to
// walk.
bool ClearUrlCache(int mode);

// Deletes what folder holds, depth first: every file (made writable first if
// it was read-only) and every emptied subfolder; folder itself stays. Files
// named "desktop.ini" (any case) stay unless removeDesktopIni; files named
// "index.dat" (any case) are first wiped with WipeIndexFile when wipeIndexDat.
// Symbolic links are removed as links: never followed, never changed through.
// Whatever cannot be deleted stays and the walk goes on. Returns false only
// when folder cannot be listed.
bool DeleteTree(const std::u16string& folder, bool removeDesktopIni, bool wipeIndexDat);

// Overwrites with zeros everything after the first 64 bytes of the existing
// file folder/name, in blocks of 10000 bytes; files of 64 bytes or less stay
// as they are. Only a regular file is written (not through a symbolic link,
// never a device or pipe). Returns whether the file could be opened.
bool WipeIndexFile(const std::u16string& folder, const std::u16string& name);

// ClearUrlCache(0); DeleteTree(the CSIDL_INTERNET_CACHE folder, false, false);
// ClearUrlCache(1); DeleteTree(the CSIDL_COOKIES folder, false, false).
// Missing folders are skipped; no result.
void ClearBrowserCache();
