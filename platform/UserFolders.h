// The per-user base folders of the XDG base-directory convention, which
// stand in for the Windows profile folders (application data, cache, settings).
#pragma once

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

}  // namespace os
