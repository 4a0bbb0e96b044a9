// WM_SETFONT and WM_GETFONT between our code and the system's controls. Our
// code speaks of fonts as the platform's Font objects (DeviceContext.h:
// HFONT is a Font*); the system's procedures (its "Edit", date fields...)
// take and give GDI fonts. Where a message leaves our code for a procedure
// of the system's — CallWindowProc with one (a superclass passing on), or a
// message to a window whose procedure is one — WM_SETFONT carries the Font's
// GDI font instead, and WM_GETFONT's answer comes back as the Font last set
// (nullptr, the default font, for one our code did not set).
#pragma once

#include <functional>

#include "platform/window/Window.h"

namespace os::win32 {

// Whether a window procedure is the system's (not in the executable).
bool IsSystemProcedure(const void* procedure);
bool HasSystemProcedure(HWND hwnd);
// Calls `call` with the message's wParam as the system takes it and returns
// its result as our code takes it; other messages pass unchanged.
LRESULT WithSystemFonts(UINT message, WPARAM wParam, const std::function<LRESULT(WPARAM)>& call);

}  // namespace os::win32
