// Message boxes. The box is modal for its owner (the owner's top-level window
// is disabled while it is up) and answers with an ID* value.
//
// On Windows the box is the system's (MessageBoxW); the answerer is asked in
// MessageBox before the system's box would open, with the owner's top-level
// window disabled meanwhile. Boxes that system code opens by itself are not
// offered to it.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "platform/window/Window.h"

namespace os {

// type: MB_OK, MB_OKCANCEL, ... with optional MB_ICON*, MB_DEFBUTTON*.
int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The launcher's automation answers boxes itself: while an answerer is set,
// every box is offered to it once the owner is disabled, as the desktop would
// show it. An answer is taken as the player's (one the box has no button for
// becomes the default button) and the desktop shows nothing; nullopt lets the
// desktop show the box. One answerer per process; an empty one removes it.
using MessageBoxAnswerer = std::function<std::optional<int>(HWND owner, std::u16string_view text,
                                                            std::u16string_view caption, UINT type)>;
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

}  // namespace os
