// The per-user base folders of the XDG base-directory convention, which
// stand in for the Windows profile folders (application data, cache, settings).
// On Windows they are those profile folders themselves, in UTF-8 with "/" as
// separator, and folders are private by the profile's own permissions.
#pragma once

#include <filesystem>
#include <string>

namespace os {

// The user's home folder: $HOME, or the password database when HOME is unset
// or empty. Empty when neither knows it.
std::string HomeFolder();

// $XDG_DATA_HOME, else ~/.local/share.
std::string XdgDataHome();
// $XDG_CACHE_HOME, else ~/.cache.
std::string XdgCacheHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::string XdgConfigHome();

// Creates folder and its missing parents. The folders it creates, and folder
// itself when it already existed, become private to the user (0700): the
// launcher's folders hold tokens, cookies and cached pages. Parents that
// existed keep their modes. True when folder is a directory afterwards.
bool CreatePrivateFolders(const std::filesystem::path& folder);
// The same for a folder given as UTF-8 text, as the launcher keeps its paths.
// (On Windows a path made from narrow text reads it in the ANSI code page,
// which cannot spell every user's folder.)
bool CreatePrivateFolders(const std::string& utf8Folder);

}  // namespace os
