// The calendar rules of the date field: the same on every desktop, whether
// the field is ours or the system's.
#include "platform/syscontrols/DatePicker.h"

namespace os {

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsValidDate(const SYSTEMTIME& date) {
  if (date.wYear < kDateMinYear || date.wYear > kDateMaxYear) return false;
  return date.wDay >= 1 && date.wDay <= DaysInMonth(date.wYear, date.wMonth);
}

int DayOfWeek(int year, int month, int day) {
  // Sakamoto's method.
  static constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[(month + 11) % 12] + day) % 7;
}

}  // namespace os
