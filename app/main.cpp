// Process entry of the Morvaine launcher.
#include "app/CrashReport.h"
#include "app/Startup.h"
#include "platform/ShowCommands.h"

int main() {
  // A launcher image started by the crash handler only tells the player.
  if (TakeCrashReportRequest()) {
    ShowCrashReport();
    return 0;
  }
  return WinMain(nullptr, nullptr, nullptr, os::SW_SHOWNORMAL);
}
