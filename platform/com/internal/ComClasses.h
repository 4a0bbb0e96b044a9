// The platform's own component classes and the apartment state the class
// registry checks.
#pragma once

#include "platform/com/Com.h"

namespace os::internal {

bool ComInitializedOnThisThread();

// A new Web Browser object with the engine of the current backend.
HRESULT CreateWebBrowserObject(REFIID riid, void** object);

}  // namespace os::internal
