// The gtk backend's web engine lives in a module of its own, loaded the first
// time a browser object is made: the login window never maps WebKitGTK or
// JavaScriptCore, which cost start-up time and memory.
//
// The module is looked for, in this order, at $LUMORA_WEB_ENGINE_MODULE (a
// path), beside the executable, in "../lib/morvaine/" from the executable's
// folder (the build tree, and an install under /usr/local), in the folder the
// install rules use, relative to the installed executable's (an install tree,
// wherever it was moved to), and in "../lib/<multiarch>/morvaine/"; each place
// once. Its entry registers the engine; when no
// module loads, browser objects cannot be made (the class is not registered)
// and the debug output says what was tried.
#pragma once

#include <string>
#include <vector>

namespace os::gtk {

// The file name of the module and of its entry point.
inline constexpr const char* kWebEngineModuleName = "morvaine-webkit.so";
inline constexpr const char* kWebEngineModuleEntry = "lumora_web_engine_register";
// The version both sides are built for; a module of another is refused.
inline constexpr int kWebEngineModuleAbi = 1;

// Registers the loader for the "gtk" backend. Called by RegisterBackend.
void RegisterWebEngineModuleLoader();

// The paths tried, in order, for an executable in exeFolder (ending in "/").
std::vector<std::string> WebEngineModuleCandidates(const std::string& exeFolder);

}  // namespace os::gtk
