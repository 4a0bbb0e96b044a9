// The "SysDateTimePick32" system class: the date model, its messages and
// notifications, the painting of the field, and the glue to the backend's
// drop-down calendar.
#include "platform/syscontrols/DatePicker.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {

namespace internal {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

SYSTEMTIME CivilFromDays(long days) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long dayOfEra = days - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long mp = (5 * dayOfYear + 2) / 153;
  const long month = mp + (mp < 10 ? 3 : -9);
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  t.wMonth = static_cast<WORD>(month);
  t.wDay = static_cast<WORD>(dayOfYear - (153 * mp + 2) / 5 + 1);
  return t;
}

// `from` moved by whole days, or by months with the day kept where the
// month has it (31 March and a month on is 30 April).
SYSTEMTIME MoveDate(const SYSTEMTIME& from, int days, int months) {
  SYSTEMTIME to = from;
  if (months != 0) {
    const int index = from.wYear * 12 + (from.wMonth - 1) + months;
    const int year = index / 12;
    const int month = index % 12 + 1;
    to.wYear = static_cast<WORD>(year);
    to.wMonth = static_cast<WORD>(month);
    to.wDay = static_cast<WORD>(std::min<int>(from.wDay, DaysInMonth(year, month)));
  }
  if (days != 0) {
    const SYSTEMTIME moved = CivilFromDays(DaysFromCivil(to.wYear, to.wMonth, to.wDay) + days);
    to.wYear = moved.wYear;
    to.wMonth = moved.wMonth;
    to.wDay = moved.wDay;
  }
  return to;
}

constexpr char16_t kDefaultFace[] = u"System";
constexpr int kDefaultFontSize = 16;
constexpr int kTextMargin = 3;
constexpr int kButtonWidth = 16;

std::uint32_t Argb(COLORREF c) {
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

std::u16string FormatDate(const SYSTEMTIME& date) {
  constexpr char kFormat[] = "%04d-%02d-%02d";
  const int length = std::snprintf(nullptr, 0, kFormat, date.wYear, date.wMonth, date.wDay);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), kFormat, date.wYear, date.wMonth, date.wDay);
  text.resize(static_cast<std::size_t>(length));
  return std::u16string(text.begin(), text.end());
}

class PickerState final : public NativeCalendarEvents {
 public:
  explicit PickerState(HWND h) : hwnd(h), font(std::make_unique<Font>(kDefaultFace, kDefaultFontSize)) {
    GetLocalTime(&date);
  }

  HWND hwnd;
  SYSTEMTIME date;
  SYSTEMTIME selection;  // the calendar's day while it is open
  HFONT fontHandle = nullptr;
  std::unique_ptr<Font> font;
  std::unique_ptr<NativeCalendar> calendar;
  bool opening = false;
  // Notifications and the calendar's callbacks may destroy the window; the
  // state then lives on, marked dead, until the outermost of them returns.
  int busy = 0;
  bool dead = false;

  void Picked(const SYSTEMTIME& day) override;
  void Dismissed() override;
  void SelectionChanged(const SYSTEMTIME& day) override;

  void Open();
  void Close();
  // Sets year, month and day, and reports it when they changed.
  void ChangeByPlayer(int year, int month, int day);
  void StepDay(int delta);
  // The calendar's keys: the selection moves, Enter picks, Escape closes.
  void CalendarKey(UINT vk);
  void SetFont(HFONT handle, bool redraw);
  void Notify(UINT code, NMHDR* header);
  void Paint();
  void Invalidate() { InvalidateRect(hwnd, nullptr, FALSE); }
};

class Busy {
 public:
  explicit Busy(PickerState* state) : state_(state) { ++state_->busy; }
  ~Busy() {
    if (--state_->busy == 0 && state_->dead) delete state_;
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  PickerState* state_;
};

PickerState* DataOf(HWND hwnd) { return reinterpret_cast<PickerState*>(GetWindowLongPtr(hwnd, 0)); }

void PickerState::Notify(UINT code, NMHDR* header) {
  NMHDR plain;
  if (header == nullptr) header = &plain;
  header->hwndFrom = hwnd;
  header->idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd, GWLP_ID));
  header->code = code;
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessage(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

void PickerState::Open() {
  if (calendar || opening || !IsWindowEnabled(hwnd) || !IsWindowVisible(hwnd)) return;
  Busy guard(this);
  opening = true;
  Notify(DTN_DROPDOWN, nullptr);
  opening = false;
  if (dead) return;
  auto root = Lookup(RootOf(hwnd));
  if (!root || !root->surface) return;
  RECT anchor{};
  GetWindowRect(hwnd, &anchor);
  selection = date;
  calendar = Sys().backend().OpenNativeCalendar(root->surface, anchor, date, this);
  if (!calendar) {
    DebugNote("date picker: the backend could not open a calendar");
    Notify(DTN_CLOSEUP, nullptr);
  }
}

void PickerState::Close() {
  if (!calendar) return;
  calendar.reset();
  Notify(DTN_CLOSEUP, nullptr);
}

void PickerState::ChangeByPlayer(int year, int month, int day) {
  SYSTEMTIME next = date;
  next.wYear = static_cast<WORD>(year);
  next.wMonth = static_cast<WORD>(month);
  next.wDay = static_cast<WORD>(day);
  if (!IsValidDate(next)) return;
  if (next.wYear == date.wYear && next.wMonth == date.wMonth && next.wDay == date.wDay) return;
  next.wDayOfWeek = static_cast<WORD>(DayOfWeek(year, month, day));
  date = next;
  Invalidate();
  NMDATETIMECHANGE change;
  change.dwFlags = static_cast<DWORD>(GDT_VALID);
  change.st = date;
  Notify(DTN_DATETIMECHANGE, &change.nmhdr);
}

void PickerState::StepDay(int delta) {
  const int days = DaysInMonth(date.wYear, date.wMonth);
  const int day = (date.wDay - 1 + delta + days) % days + 1;
  ChangeByPlayer(date.wYear, date.wMonth, day);
}

void PickerState::Picked(const SYSTEMTIME& day) {
  Busy guard(this);
  if (dead || !calendar) return;
  // The calendar goes first: a change handler that asks again finds it shut.
  std::unique_ptr<NativeCalendar> closing = std::move(calendar);
  closing.reset();
  ChangeByPlayer(day.wYear, day.wMonth, day.wDay);
  if (dead) return;
  Notify(DTN_CLOSEUP, nullptr);
}

void PickerState::SelectionChanged(const SYSTEMTIME& day) {
  if (IsValidDate(day)) selection = day;
}

void PickerState::CalendarKey(UINT vk) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  int days = 0;
  int months = 0;
  switch (vk) {
    case VK_ESCAPE:
    case VK_F4:
      Close();
      return;
    case VK_RETURN:
    case VK_SPACE:
      Picked(selection);
      return;
    case VK_LEFT:
      days = -1;
      break;
    case VK_RIGHT:
      days = 1;
      break;
    case VK_UP:
      days = -7;
      break;
    case VK_DOWN:
      days = 7;
      break;
    case VK_PRIOR:
      months = ctrl ? -12 : -1;
      break;
    case VK_NEXT:
      months = ctrl ? 12 : 1;
      break;
    case VK_HOME:
      days = 1 - selection.wDay;
      break;
    case VK_END:
      days = DaysInMonth(selection.wYear, selection.wMonth) - selection.wDay;
      break;
    default:
      return;
  }
  const SYSTEMTIME moved = MoveDate(selection, days, months);
  if (!IsValidDate(moved)) return;
  selection = moved;
  calendar->Select(selection);
}

void PickerState::Dismissed() {
  Busy guard(this);
  if (dead) return;
  Close();
}

void PickerState::SetFont(HFONT handle, bool redraw) {
  fontHandle = handle;
  font = handle ? std::make_unique<Font>(handle->FaceName(), handle->Size(), handle->Bold(),
                                         handle->Underline(), handle->Italic())
                : std::make_unique<Font>(kDefaultFace, kDefaultFontSize);
  if (redraw) Invalidate();
}

void PickerState::Paint() {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) {
    EndPaint(hwnd, &ps);
    return;
  }
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  Bitmap bitmap(width, height, GetWindowDeviceScale(hwnd));
  Canvas canvas(bitmap);
  canvas.FillRect(client, Argb(GetSysColor(enabled ? COLOR_WINDOW : COLOR_3DFACE)));
  const COLORREF ink = GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
  // The drop-down button: a raised box with a small down arrow.
  const int buttonWidth = std::min(kButtonWidth, width);
  const RECT button{width - buttonWidth, 0, width, height};
  canvas.FillRect(button, Argb(GetSysColor(COLOR_3DFACE)));
  canvas.FrameRect(button, 1, Argb(GetSysColor(COLOR_BTNSHADOW)));
  const int cx = button.left + buttonWidth / 2;
  const int cy = height / 2;
  for (int row = 0; row < 3; ++row) {
    canvas.FillRect(RECT{cx - 3 + row, cy - 1 + row, cx + 4 - row, cy + row}, Argb(ink));
  }
  RECT textRect{kTextMargin, 0, button.left, height};
  constexpr UINT kFormat = DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_LEFT;
  DrawText(&canvas, *font, FormatDate(date), textRect, kFormat, Argb(ink));
  BitBltToWindow(hwnd, 0, 0, width, height, PixelsOf(bitmap), 0, 0);
  EndPaint(hwnd, &ps);
}

LRESULT OnKeyDown(PickerState& d, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool alt = message == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
  if (d.calendar) {
    if (alt && wParam == VK_UP) {
      d.Close();
    } else {
      d.CalendarKey(static_cast<UINT>(wParam));
    }
    return 0;
  }
  if (wParam == VK_F4 || (alt && wParam == VK_DOWN)) {
    d.Open();
    return 0;
  }
  if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
    d.StepDay(wParam == VK_UP ? 1 : -1);
    return 0;
  }
  return DefWindowProc(d.hwnd, message, wParam, lParam);
}

LRESULT Handle(PickerState& d, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = d.hwnd;
  switch (message) {
    case WM_NCDESTROY:
      SetWindowLongPtr(hwnd, 0, 0);
      d.dead = true;
      d.calendar.reset();
      return DefWindowProc(hwnd, message, wParam, lParam);
    case DTM_GETSYSTEMTIME: {
      auto* out = reinterpret_cast<SYSTEMTIME*>(lParam);
      if (out == nullptr) return GDT_ERROR;
      *out = d.date;
      out->wDayOfWeek = static_cast<WORD>(DayOfWeek(d.date.wYear, d.date.wMonth, d.date.wDay));
      return GDT_VALID;
    }
    case DTM_SETSYSTEMTIME: {
      const auto* in = reinterpret_cast<const SYSTEMTIME*>(lParam);
      if (static_cast<LRESULT>(wParam) != GDT_VALID || in == nullptr || !IsValidDate(*in)) return FALSE;
      d.date = *in;
      d.date.wDayOfWeek = static_cast<WORD>(DayOfWeek(in->wYear, in->wMonth, in->wDay));
      d.Invalidate();
      return TRUE;
    }
    case DTM_CLOSEMONTHCAL:
      d.Close();
      return 0;
    case DTM_GETMONTHCAL:
      return d.calendar ? reinterpret_cast<LRESULT>(hwnd) : 0;
    case WM_SETFONT:
      d.SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(d.fontHandle);
    case WM_PAINT:
      d.Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers the whole client area
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (d.dead) return 0;
      if (d.calendar) {
        d.Close();
      } else {
        d.Open();
      }
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return OnKeyDown(d, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KILLFOCUS:
      d.Close();
      return 0;
    case WM_ENABLE:
      if (wParam == 0) d.Close();
      d.Invalidate();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam == 0) d.Close();
      return DefWindowProc(hwnd, message, wParam, lParam);
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT OS_STDCALL PickerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    if (GetClassLongPtr(hwnd, GCL_CBWNDEXTRA) < sizeof(LONG_PTR)) return FALSE;
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new PickerState(hwnd)));
    return DefWindowProc(hwnd, message, wParam, lParam);
  }
  PickerState* d = DataOf(hwnd);
  if (!d || d->dead) return DefWindowProc(hwnd, message, wParam, lParam);
  Busy busy(d);
  return Handle(*d, message, wParam, lParam);
}

}  // namespace

void RegisterDatePickerClass() {
  WNDCLASSEXW wc;
  wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
  wc.lpfnWndProc = &PickerProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = DATETIMEPICK_CLASS;
  RegisterSystemClassEx(wc, false);
}

}  // namespace internal
}  // namespace os
