// Process entry of the Morvaine launcher.
#include "app/CrashReport.h"
#include "app/Startup.h"
#include "platform/ShowCommands.h"
#include "platform/gtk/Gtk.h"

int main() {
  // Real windows unless LUMORA_PLATFORM asks for the headless backend.
  os::gtk::RegisterBackend();
  // A launcher image started by the crash handler only tells the player.
  if (TakeCrashReportRequest()) {
    ShowCrashReport();
    return 0;
  }
  return WinMain(nullptr, nullptr, nullptr, os::SW_SHOWNORMAL);
}
