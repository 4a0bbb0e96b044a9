// Message boxes. The box is modal for its owner (the owner's top-level window
// is disabled while it is up) and answers with an ID* value.
#pragma once

#include "platform/Window.h"

namespace os {

// type: MB_OK, MB_OKCANCEL, ... with optional MB_ICON*, MB_DEFBUTTON*.
int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

}  // namespace os
