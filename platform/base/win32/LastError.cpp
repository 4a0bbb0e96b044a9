// The last error is the system's, so that a code set by a Win32 call the
// platform forwards to is the one its caller reads.
#include "platform/base/LastError.h"

#include "platform/base/win32/Win32.h"

namespace os {

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD error) { ::SetLastError(error); }

}  // namespace os
