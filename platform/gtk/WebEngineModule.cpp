#include "platform/gtk/WebEngineModule.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/base/Unicode.h"
#include "platform/com/BrowserEngine.h"
#include "platform/gtk/DesktopTheme.h"
#include "platform/system/Kernel.h"

#ifndef LUMORA_MULTIARCH
#define LUMORA_MULTIARCH ""
#endif
#ifndef LUMORA_INSTALLED_MODULE_DIR
#define LUMORA_INSTALLED_MODULE_DIR ""
#endif

namespace os::gtk {
namespace {

using Entry = int (*)(int abi);

// Loads the first candidate that opens and whose entry accepts our version.
bool LoadOnce() {
  const std::string exeFolder = Utf16ToUtf8(GetModuleFolder());
  std::string tried;
  for (const std::string& path : WebEngineModuleCandidates(exeFolder)) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) continue;
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* why = ::dlerror();
      tried += "\n  " + path + ": " + (why != nullptr ? why : "cannot be loaded");
      continue;
    }
    auto entry = reinterpret_cast<Entry>(::dlsym(module, kWebEngineModuleEntry));
    if (entry != nullptr && entry(kWebEngineModuleAbi) == kWebEngineModuleAbi) {
      DebugOutput(DebugCategory::Web, "platform.webengine: loaded " + path);
      // Never closed: the engine's code runs until the process ends.
      return true;
    }
    tried += "\n  " + path + ": not an engine module of this launcher";
    ::dlclose(module);
  }
  DebugOutput(DebugCategory::Web,
              "platform.webengine: no web engine module; pages cannot be shown" +
                  (tried.empty() ? std::string(" (none of the places holds one)") : tried));
  return false;
}

bool LoadWebEngineModule() {
  // The view and the engine's own widgets show the theme.
  LoadDesktopTheme();
  static const bool loaded = LoadOnce();
  return loaded;
}

}  // namespace

std::vector<std::string> WebEngineModuleCandidates(const std::string& exeFolder) {
  std::vector<std::string> paths;
  if (const char* chosen = std::getenv("LUMORA_WEB_ENGINE_MODULE"); chosen != nullptr && *chosen != 0) {
    paths.emplace_back(chosen);
  }
  // Each place once: the install rules' folder may be one of the usual ones.
  auto add = [&](const std::string& folder) {
    std::string path = exeFolder + folder + kWebEngineModuleName;
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(std::move(path));
  };
  add("");
  add("../lib/morvaine/");
  add(LUMORA_INSTALLED_MODULE_DIR);
  const std::string multiarch = LUMORA_MULTIARCH;
  if (!multiarch.empty()) add("../lib/" + multiarch + "/morvaine/");
  return paths;
}

void RegisterWebEngineModuleLoader() { RegisterBrowserEngineLoader("gtk", &LoadWebEngineModule); }

}  // namespace os::gtk
