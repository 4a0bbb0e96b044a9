// What happens when the launcher crashes: a minidump "morvaine-ie.dmp" in the
// current folder, then a box advising the full client, offering the partner
// site's home page. The crashed process cannot run its windows any more, so
// it replaces itself with a fresh launcher image that only shows the box.
#pragma once

#include "platform/system/CrashHandler.h"

inline constexpr char kCrashDumpFile[] = "morvaine-ie.dmp";
inline constexpr char16_t kCrashReportText[] = u"检测到当前系统IE版本太低，建议去Lumora游戏中心下载完整版";
// The environment variable that tells a fresh launcher image to show the box.
inline constexpr char kCrashReportVariable[] = "LUMORA_CRASH_REPORT";

// The process-wide unhandled-exception filter. Runs inside the fatal-signal
// handler: writes the dump, then relaunches the executable to show the box.
// Returns EXCEPTION_EXECUTE_HANDLER (the process then ends quietly) only when
// the relaunch fails.
os::LONG OS_STDCALL WriteCrashDump(os::EXCEPTION_POINTERS* pointers);

// Installs WriteCrashDump as the unhandled-exception filter.
void InstallCrashHandler();

// True in a launcher image started to report a crash; the request is taken
// out of the environment so that programs started from here do not inherit it.
bool TakeCrashReportRequest();

// The box, and the partner page on OK.
void ShowCrashReport();
