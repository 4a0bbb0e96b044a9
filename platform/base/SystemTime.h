// Calendar dates and times of day in the shape Windows exchanges them, and the
// local wall-clock time.
#pragma once

#include "platform/base/Types.h"

namespace os {

// A calendar date and time of day, as the Windows kernel and the date picker
// exchange them: months 1-12, days 1-31, wDayOfWeek 0 (Sunday) to 6.
struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;
  WORD wDayOfWeek = 0;
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};

// The wall-clock time in the local time zone (localtime_r over the realtime
// clock). A null argument is ignored.
void GetLocalTime(SYSTEMTIME* time);

}  // namespace os
