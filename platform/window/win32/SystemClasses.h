// The system's own controls need their classes registered before a window
// of theirs is made or looked up (comctl32's tooltips and date pickers). The
// window group cannot reach the system controls, so, as on Linux, the
// platform library that puts the groups together does it
// (platform/win32/SystemClasses.cpp); window functions that take a class
// name call this first. Cheap after the first call; any thread.
#pragma once

namespace os::win32 {

void EnsureSystemClasses();

}  // namespace os::win32
