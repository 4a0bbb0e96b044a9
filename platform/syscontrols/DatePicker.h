// The system "SysDateTimePick32" class: a date field with a drop-down
// calendar, with the Win32 date-time picker's messages and notifications.
// Applications superclass it as they do the "Edit" class.
//
// The field paints the date as "yyyy-MM-dd" with a drop-down button at its
// right; it keeps a whole SYSTEMTIME, and only year, month and day change
// through the calendar (the time of day stays as it was set).
//
// Messages:
//   DTM_GETSYSTEMTIME(0, SYSTEMTIME*)   copies the date (day of the week
//                         filled in); GDT_VALID, or GDT_ERROR for a null
//                         pointer.
//   DTM_SETSYSTEMTIME(GDT_VALID, const SYSTEMTIME*)   sets it; nonzero on
//                         success. A date that is no calendar date, or lies
//                         outside kDateMinYear..kDateMaxYear, is refused
//                         (zero) and the old one kept; so is GDT_NONE (the
//                         field always holds a date). No notification, as on
//                         Windows: only the player's changes are reported.
//   DTM_CLOSEMONTHCAL     closes an open calendar (DTN_CLOSEUP follows).
//   DTM_GETMONTHCAL       nonzero (the field itself) while the calendar is
//                         open, else null: there is no separate calendar window.
//   WM_SETFONT, WM_GETFONT  as for the "Edit" class.
//
// Notifications go to the parent (the owner of a popup field) as WM_NOTIFY
// with the window's id as wParam:
//   DTN_DROPDOWN          the calendar is about to open;
//   DTN_DATETIMECHANGE    the player picked another date (an NMDATETIMECHANGE
//                         with GDT_VALID and the new date); picking the date
//                         already shown changes nothing and says nothing;
//   DTN_CLOSEUP           the calendar closed, picked or not.
// A handler may destroy the field; nothing after it then happens.
//
// Opening: a left click on the field, F4 or Alt+Down. While the calendar is
// open the field keeps the focus and its keys work the calendar, as the
// Windows month calendar's do: Left / Right a day, Up / Down a week, Page Up
// / Page Down a month (with Ctrl a year, the day kept where the month has
// it), Home / End the month's first and last day; Enter or Space picks the
// selected day. Closing: a day picked (a click on it, or Enter), Escape, F4,
// Alt+Up, a click outside the calendar, the field losing the focus, being
// disabled, hidden or destroyed (destruction itself sends nothing, but a
// focused field loses the focus first, and that closes the calendar with
// DTN_CLOSEUP). Up / Down on the closed field step the day within its
// month, wrapping as the Windows field does, and are reported as changes.
//
// Backends show the calendar through Backend::OpenNativeCalendar (gtk: a
// GtkCalendar in a popup under the field, whose keys come back to the field
// as input). The headless backend records the open calendar; tests click a
// day, browse or click outside through platform/headless/Headless.h, and
// give keys to the field as a player does.
//
// On Windows the class is comctl32's own, registered by
// InitCommonControlsEx; the calendar rules below are shared.
#pragma once

#include "platform/base/SystemTime.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace os {

inline constexpr char16_t DATETIMEPICK_CLASS[] = u"SysDateTimePick32";

constexpr UINT DTM_FIRST = 0x1000;
constexpr UINT DTM_GETSYSTEMTIME = DTM_FIRST + 1;
constexpr UINT DTM_SETSYSTEMTIME = DTM_FIRST + 2;
constexpr UINT DTM_GETMONTHCAL = DTM_FIRST + 8;
constexpr UINT DTM_CLOSEMONTHCAL = DTM_FIRST + 13;

constexpr UINT DTN_FIRST2 = 0U - 753U;
constexpr UINT DTN_CLOSEUP = DTN_FIRST2;
constexpr UINT DTN_DROPDOWN = DTN_FIRST2 - 1;
constexpr UINT DTN_DATETIMECHANGE = DTN_FIRST2 - 6;

constexpr LRESULT GDT_ERROR = -1;
constexpr LRESULT GDT_VALID = 0;
constexpr LRESULT GDT_NONE = 1;

// Styles of the Windows field this one does not distinguish between (it
// always shows the short date with a drop-down calendar).
constexpr DWORD DTS_SHORTDATEFORMAT = 0x0000;
constexpr DWORD DTS_LONGDATEFORMAT = 0x0004;

struct NMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags = 0;
  SYSTEMTIME st;
};

// The years the field accepts.
constexpr int kDateMinYear = 1601;
constexpr int kDateMaxYear = 9999;

int DaysInMonth(int year, int month);  // 0 for a month outside 1-12
// A calendar date within kDateMinYear..kDateMaxYear (the time of day is not
// looked at).
bool IsValidDate(const SYSTEMTIME& date);
// 0 (Sunday) to 6, by the proleptic Gregorian calendar.
int DayOfWeek(int year, int month, int day);

}  // namespace os
