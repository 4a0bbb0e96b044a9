// The entry of the web engine module (see platform/gtk/WebEngineModule.h).
// The module carries only the engine; the platform layer it talks to is the
// executable's own, whose symbols the executable exports.
#include "platform/gtk/WebEngineModule.h"
#include "platform/gtk/webkit/WebKitEngine.h"

extern "C" __attribute__((visibility("default"))) int lumora_web_engine_register(int abi) {
  if (abi != os::gtk::kWebEngineModuleAbi) return 0;
  os::gtk::RegisterWebKitEngine();
  return os::gtk::kWebEngineModuleAbi;
}
