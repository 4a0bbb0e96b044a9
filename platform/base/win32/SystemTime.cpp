// The local wall-clock time is the system's.
#include "platform/base/SystemTime.h"

#include "platform/base/win32/Win32.h"

#include <cstddef>

namespace os {

static_assert(sizeof(os::SYSTEMTIME) == sizeof(::SYSTEMTIME));
static_assert(offsetof(os::SYSTEMTIME, wMilliseconds) == offsetof(::SYSTEMTIME, wMilliseconds));

void GetLocalTime(SYSTEMTIME* time) {
  if (time == nullptr) return;
  ::GetLocalTime(win32::As<::SYSTEMTIME*>(time));
}

}  // namespace os
