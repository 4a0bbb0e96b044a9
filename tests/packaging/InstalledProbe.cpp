// Answers questions about an installed tree the way the installed programs
// and the desktop would:
//   installed_probe module BIN_FOLDER
//     where a launcher installed in BIN_FOLDER finds its web engine module, by
//     the launcher's own search ($LUMORA_WEB_ENGINE_MODULE ignored, so only
//     the install layout counts);
//   installed_probe icon NAME SIZE
//     the file the desktop's icon theme gives for an icon name (needs a
//     display; the theme reads $XDG_DATA_DIRS).
// Prints the file and exits 0, or says what was missing on standard error and
// exits 1; 2 for a wrong command line.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gtk/WebEngineModule.h"

namespace {

int Module(std::string folder) {
  ::unsetenv("LUMORA_WEB_ENGINE_MODULE");
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

int Icon(const char* name, int size) {
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fputs("installed_probe: no display\n", stderr);
    return 1;
  }
  GtkIconInfo* info =
      gtk_icon_theme_lookup_icon(gtk_icon_theme_get_default(), name, size, GTK_ICON_LOOKUP_NO_SVG);
  if (info == nullptr) {
    std::fprintf(stderr, "no icon named %s\n", name);
    return 1;
  }
  std::printf("%s\n", gtk_icon_info_get_filename(info));
  g_object_unref(info);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "module" && argc == 3) return Module(argv[2]);
  if (command == "icon" && argc == 4) return Icon(argv[2], std::atoi(argv[3]));
  std::fputs("usage: installed_probe module BIN_FOLDER | icon NAME SIZE\n", stderr);
  return 2;
}
