#include "platform/base/WorkerPriority.h"

#include "platform/base/win32/Win32.h"

namespace os {

void LowerThisThreadPriority() { ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

}  // namespace os
