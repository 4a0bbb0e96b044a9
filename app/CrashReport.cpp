#include "app/CrashReport.h"

#include <string>

#include "app/Startup.h"
#include "platform/base/Unicode.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/system/Kernel.h"
#include "platform/system/MiniDump.h"
#include "platform/window/Messages.h"
#include "support/DefaultBrowser.h"
#include "support/PortalHosts.h"

namespace {

// "NAME=1" for the relaunch, built before any crash so the filter does not
// have to assemble it.
constexpr char kRelaunchAssignment[] = "LUMORA_CRASH_REPORT=1";
static_assert(std::char_traits<char>::compare(kRelaunchAssignment, kCrashReportVariable,
                                              sizeof(kCrashReportVariable) - 1) == 0);

}  // namespace

os::LONG OS_STDCALL WriteCrashDump(os::EXCEPTION_POINTERS* pointers) {
  // Always a new file: an older dump is replaced.
  os::HANDLE file = os::CreateDumpFile(kCrashDumpFile);
  os::MINIDUMP_EXCEPTION_INFORMATION exception{os::CurrentKernelThreadId(), pointers, os::TRUE};
  os::MiniDumpWriteDump(os::GetCurrentProcess(), os::GetCurrentProcessId(), file, os::MiniDumpNormal,
                        &exception, nullptr, nullptr);
  os::CloseDumpFile(file);
  os::RelaunchSelf(kRelaunchAssignment);
  return os::EXCEPTION_EXECUTE_HANDLER;
}

void InstallCrashHandler() { os::SetUnhandledExceptionFilter(&WriteCrashDump); }

bool TakeCrashReportRequest() {
  const auto value = os::GetEnvironmentVariable(kCrashReportVariable);
  if (!value) return false;
  os::SetEnvironmentVariable(kCrashReportVariable, nullptr);
  return *value == "1";
}

void ShowCrashReport() {
  const int answer = os::MessageBox(nullptr, kCrashReportText, kLauncherCaption, os::MB_OKCANCEL);
  if (answer != os::IDOK) return;
  OpenInBrowser(os::Utf8ToUtf16(PortalUrl(GetPortalHosts().partner, "/index.php")));
}
