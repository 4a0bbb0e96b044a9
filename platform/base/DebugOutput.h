// Debug output for developers, in categories. It lives in the base group so
// that every group (the window system's input and surfaces among them) can
// speak without depending on the kernel's functions, whose OutputDebugString
// is the general category's line.
#pragma once

#include <string_view>

namespace os {

// Debug output. There is no debugger channel, so the text goes to standard
// error, one line per call, and only when LUMORA_DEBUG turns its category on;
// otherwise it is dropped.
//
// LUMORA_DEBUG is read at every call. A comma-separated list of category
// names (`window,input`; case and blanks around names do not matter; `all`
// names every category) turns on those categories. Any other non-empty value
// (`1`, `yes`, a list with a misspelt name) turns on all of them, so that a
// typo shows everything rather than hiding what was asked for; unset or
// empty, nothing is written.
enum class DebugCategory : unsigned {
  General,   // OutputDebugString's lines: the program's own notes
  Window,    // the window system and its backends: surfaces, moves, calendars
  Input,     // keys, pointer and input method on their way to windows
  Skin,      // skins read: tags, attributes nobody accepts, pictures
  Ui,        // the UI framework at run time: failures caught in dispatch
  Web,       // web engines: module loading, page loads
  Update,    // the launcher's update check, download and install
  Net,       // replies of the portal refused
  Settings,  // the registry file, environment overrides, portal hosts
};
inline constexpr unsigned kDebugCategoryCount = static_cast<unsigned>(DebugCategory::Settings) + 1;

// The category's name in LUMORA_DEBUG ("window").
std::string_view DebugCategoryName(DebugCategory category);
// Whether LUMORA_DEBUG turns the category on now: callers check it before
// building an expensive line.
bool DebugCategoryEnabled(DebugCategory category);
void DebugOutput(DebugCategory category, std::string_view text);
void DebugOutput(DebugCategory category, std::u16string_view text);

}  // namespace os
