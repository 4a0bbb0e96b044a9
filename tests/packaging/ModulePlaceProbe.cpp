// Says where a launcher installed in a given folder finds its web engine
// module, by the launcher's own search: prints the first place that holds a
// file and exits 0, or lists the places tried on standard error and exits 1.
// $LUMORA_WEB_ENGINE_MODULE is ignored, so only the install layout counts.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gtk/WebEngineModule.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: module_place_probe BIN_FOLDER\n", stderr);
    return 2;
  }
  ::unsetenv("LUMORA_WEB_ENGINE_MODULE");
  std::string folder = argv[1];
  if (folder.empty() || folder.back() != '/') folder += '/';
  const auto places = os::gtk::WebEngineModuleCandidates(folder);
  for (const std::string& place : places) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(place, ec)) {
      std::printf("%s\n", std::filesystem::canonical(place, ec).c_str());
      return 0;
    }
  }
  for (const std::string& place : places) std::fprintf(stderr, "not found: %s\n", place.c_str());
  return 1;
}
