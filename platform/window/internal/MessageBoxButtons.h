// The buttons a message box of a given type shows, and the one Enter (or an
// answer the box has no button for) picks. The rules of MB_* types belong to
// the window system's message boxes on every desktop.
#pragma once

#include <vector>

#include "platform/window/Messages.h"

namespace os::internal {

// IDOK, IDCANCEL, ... in the order the box shows them.
std::vector<int> MessageBoxButtons(UINT type);
// The MB_DEFBUTTONn button; the first one when the type has no such button.
int DefaultMessageBoxAnswer(UINT type);

}  // namespace os::internal
