// The web engine of the gtk backend: a WebKitGTK web view placed in the
// top-level surface of the browser's view window, reporting to the browser
// object through BrowserEngineHost. All browsers of the process share one
// web context whose disk cache lives in "lumora/webkit" under the
// CSIDL_LOCAL_APPDATA folder and whose cookies (a SQLite file) and site data
// live in "lumora/webkit" under the CSIDL_APPDATA folder; the launcher's
// cache clearing empties them through WebKit's data manager.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/com/BrowserEngine.h"

typedef struct _GError GError;

namespace os::gtk {

// Makes WebKit the engine of browsers created under the "gtk" backend and
// its data manager the target of ClearWebEngineData. Called by the engine
// module's entry when the launcher loads it (see WebEngineModule.h), or
// directly by programs that link the engine in.
void RegisterWebKitEngine();

std::unique_ptr<BrowserEngine> CreateWebKitEngine(BrowserEngineHost* host);

// The class name of the engine's view windows.
constexpr const char16_t* kWebKitViewClass = u"LumoraWebKitView";

// The user style sheet that carries the host's wishes: no scroll bars (and no
// scrolling) with DOCHOSTUIFLAG_SCROLL_NO, then the host's own style sheet.
// WebKit draws no 3-D border, so DOCHOSTUIFLAG_NO3DBORDER needs nothing.
std::string HostStyleSheet(const DOCHOSTUIINFO& info);

// The NavigateError status of a failed load: an INET_E_* code. None when the
// failure is no error to report (the load was cancelled or replaced).
std::optional<LONG> NavigateErrorStatus(const GError* error);

}  // namespace os::gtk
