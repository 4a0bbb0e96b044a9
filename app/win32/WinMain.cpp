// Process entry of the Windows launcher, morvaine.exe: a GUI program that the
// system starts at wWinMain (linked with -municode). It takes the launcher's
// own path as the Linux entry does, with the module instance the system hands
// over, so that resource lookups search this executable.
//
// <windows.h> stays out of the code above the platform: the entry's
// signature is spelled in plain types of the same sizes and calling
// convention.
#include "app/CrashReport.h"
#include "app/Startup.h"
#include "platform/base/ShowCommands.h"
#include "platform/window/Backend.h"

extern "C" int __stdcall wWinMain(void* instance, void* previousInstance, wchar_t* commandLine,
                                  int showCommand);

extern "C" int __stdcall wWinMain(void* instance, void*, wchar_t*, int) {
  // On Windows the configured backend is the system itself; it fails only
  // when the process has no desktop to show windows on, and then nobody
  // would see a box either.
  if (!os::StartConfiguredBackend()) return 2;
  // A launcher image started by the crash handler only tells the player.
  if (TakeCrashReportRequest()) {
    ShowCrashReport();
    return 0;
  }
  // The launcher has no command line (its settings come from the
  // environment), so neither it nor the show command is passed on: the
  // login window shows itself the way it does on Linux.
  return WinMain(static_cast<os::HINSTANCE>(instance), nullptr, nullptr, os::SW_SHOWNORMAL);
}
