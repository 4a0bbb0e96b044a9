// Process entry of the Morvaine launcher.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/CrashReport.h"
#include "app/Startup.h"
#include "platform/base/ShowCommands.h"
#include "platform/gtk/Gtk.h"
#include "platform/window/Backend.h"

namespace {

std::string Quoted(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? "\"" + std::string(value) + "\"" : std::string("(not set)");
}

}  // namespace

int main() {
  // The workers begin while GTK opens the display (a few milliseconds of the
  // first frame's time).
  StartLoginAhead();
  // Real windows unless LUMORA_PLATFORM asks for the headless backend.
  os::gtk::RegisterBackend();
  // Without a desktop every box would go unseen (and be answered by nobody),
  // so the launcher stops before it decides anything.
  if (!os::StartConfiguredBackend()) {
    std::string line = "morvaine: cannot open the display " + Quoted("DISPLAY");
    if (std::getenv("WAYLAND_DISPLAY") != nullptr)
      line += " (WAYLAND_DISPLAY " + Quoted("WAYLAND_DISPLAY") + ")";
    line += "; the launcher needs a desktop session\n";
    std::fputs(line.c_str(), stderr);
    return 2;
  }
  // A launcher image started by the crash handler only tells the player.
  if (TakeCrashReportRequest()) {
    ShowCrashReport();
    return 0;
  }
  return WinMain(nullptr, nullptr, nullptr, os::SW_SHOWNORMAL);
}
