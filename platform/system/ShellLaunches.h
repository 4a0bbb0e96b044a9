// What every flavour's ShellExecute does before it starts anything: hand the
// launch to the current recorder and to the launch log of LUMORA_SHELL_LOG.
// Internal to the system group.
#pragma once

#include "platform/system/Shell.h"

namespace os {

// Records launch with the newest ShellLaunchRecorder and appends it to the
// file LUMORA_SHELL_LOG names. False when the program is not to be started:
// the recorder was made without spawning, or the log stands in for the launch.
bool RecordShellLaunch(const ShellLaunch& launch);

}  // namespace os
