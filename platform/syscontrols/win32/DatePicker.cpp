// The date field is comctl32's "SysDateTimePick32" (registered by
// InitCommonControlsEx, platform/win32/SystemClasses.cpp); its messages and
// notifications are the ones our header names. This file checks that the
// structure its notifications carry is the system's.
#include "platform/syscontrols/DatePicker.h"

#include <cstddef>

// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

#include <commctrl.h>

namespace os {

static_assert(sizeof(os::NMDATETIMECHANGE) == sizeof(::NMDATETIMECHANGE));
static_assert(offsetof(os::NMDATETIMECHANGE, dwFlags) == offsetof(::NMDATETIMECHANGE, dwFlags));
static_assert(offsetof(os::NMDATETIMECHANGE, st) == offsetof(::NMDATETIMECHANGE, st));

}  // namespace os
