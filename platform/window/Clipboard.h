// The clipboard's text, which cut, copy and paste of every text field
// exchange. The backend holds it: the gtk backend uses the desktop's
// CLIPBOARD selection (shared with other applications), the headless backend
// a string of the process that tests set and read with these same calls.
//
// On Windows it is the system's clipboard (CF_UNICODETEXT).
#pragma once

#include <string>
#include <string_view>

namespace os {

// UI thread only.
void SetClipboardText(std::u16string_view text);
// Empty when the clipboard holds no text.
std::u16string GetClipboardText();

}  // namespace os
