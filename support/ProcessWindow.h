// The top-level window of a process.
#pragma once

#include "platform/base/Types.h"

// The first top-level window, in Z order from the top of the desktop, whose
// owning process is processId (visible or not); nullptr when there is none.
os::HWND FindProcessWindow(os::DWORD processId);
