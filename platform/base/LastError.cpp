// The calling thread's last-error code.
#include "platform/base/LastError.h"

namespace os {
namespace {

thread_local DWORD tLastError = 0;

}  // namespace

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD error) { tLastError = error; }

}  // namespace os
