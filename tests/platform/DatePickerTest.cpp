// The "SysDateTimePick32" system class on the headless backend: its date
// messages, the calendar it drops down and what the player does in it, the
// notifications to the parent, the keys of the closed field, the painted
// date, and its behaviour when handlers destroy it mid-way.
#include "platform/syscontrols/DatePicker.h"

#include <optional>

#include "WindowTestSupport.h"
#include "platform/gfx/Text.h"
#include "platform/window/DeviceContext.h"

namespace wintest {
namespace {

constexpr int kPickerId = 9;
constexpr RECT kPickerRect{10, 10, 150, 34};

SYSTEMTIME Date(int year, int month, int day) {
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(year);
  t.wMonth = static_cast<WORD>(month);
  t.wDay = static_cast<WORD>(day);
  return t;
}

struct Notice {
  UINT code = 0;
  HWND from = nullptr;
  UINT_PTR id = 0;
  std::optional<SYSTEMTIME> date;  // DTN_DATETIMECHANGE
};

class DatePickerTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    parent = Popup({100, 100, 500, 300});
    // WM_NOTIFY records live on the sender's stack: copy them as they come.
    On(parent, [this](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
      if (message != WM_NOTIFY) return std::nullopt;
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      Notice n{header->code, header->hwndFrom, header->idFrom, std::nullopt};
      if (header->code == DTN_DATETIMECHANGE) n.date = reinterpret_cast<const NMDATETIMECHANGE*>(lParam)->st;
      notices.push_back(n);
      if (onNotice) onNotice(n);
      return 0;
    });
  }

  HWND MakePicker(DWORD style = 0) {
    return CreateWindowEx(
        0, DATETIMEPICK_CLASS, u"", WS_CHILD | WS_VISIBLE | style, kPickerRect.left, kPickerRect.top,
        kPickerRect.right - kPickerRect.left, kPickerRect.bottom - kPickerRect.top, parent,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kPickerId)), TestInstance(), nullptr);
  }

  static SYSTEMTIME Get(HWND picker) {
    SYSTEMTIME t;
    EXPECT_EQ(SendMessage(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)), GDT_VALID);
    return t;
  }

  static bool Set(HWND picker, const SYSTEMTIME& t) {
    return SendMessage(picker, DTM_SETSYSTEMTIME, static_cast<WPARAM>(GDT_VALID),
                       reinterpret_cast<LPARAM>(&t)) != 0;
  }

  void ClickPicker(HWND picker) {
    inject::Click(Screen(picker, 20, 12));
    headless::Pump();
  }

  std::vector<UINT> Codes() const {
    std::vector<UINT> out;
    for (const Notice& n : notices) out.push_back(n.code);
    return out;
  }

  HWND parent = nullptr;
  std::vector<Notice> notices;
  std::function<void(const Notice&)> onNotice;
};

void ExpectDate(const SYSTEMTIME& t, int year, int month, int day) {
  EXPECT_EQ(t.wYear, year);
  EXPECT_EQ(t.wMonth, month);
  EXPECT_EQ(t.wDay, day);
}

TEST_F(DatePickerTest, StartsOnTodayAndTakesValidDatesKeepingTheTimeOfDay) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  HWND picker = MakePicker();
  ASSERT_NE(picker, nullptr);
  const SYSTEMTIME first = Get(picker);
  ExpectDate(first, now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(first.wDayOfWeek, now.wDayOfWeek);

  SYSTEMTIME leapDay = Date(2024, 2, 29);
  leapDay.wHour = 13;
  leapDay.wMinute = 45;
  leapDay.wDayOfWeek = 6;  // wrong on purpose: the field works it out
  ASSERT_TRUE(Set(picker, leapDay));
  const SYSTEMTIME got = Get(picker);
  ExpectDate(got, 2024, 2, 29);
  EXPECT_EQ(got.wDayOfWeek, 4);  // a Thursday
  EXPECT_EQ(got.wHour, 13);
  EXPECT_EQ(got.wMinute, 45);
  // Programs setting the date are not told about it.
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(SendMessage(picker, DTM_GETSYSTEMTIME, 0, 0), GDT_ERROR);
}

TEST_F(DatePickerTest, ClickDropsTheCalendarUnderTheFieldAndAPickIsReported) {
  HWND picker = MakePicker();
  ASSERT_TRUE(Set(picker, Date(2025, 3, 14)));
  ClickPicker(picker);
  EXPECT_EQ(GetFocus(), picker);
  const auto open = headless::OpenDateCalendar();
  ASSERT_TRUE(open.has_value());
  EXPECT_EQ(open->owner, parent);
  const RECT field = WindowRectOf(picker);
  EXPECT_EQ(open->anchor.left, field.left);
  EXPECT_EQ(open->anchor.bottom, field.bottom);
  ExpectDate(open->date, 2025, 3, 14);
  EXPECT_EQ(SendMessage(picker, DTM_GETMONTHCAL, 0, 0), reinterpret_cast<LRESULT>(picker));
  EXPECT_EQ(Codes(), std::vector<UINT>{DTN_DROPDOWN});
  EXPECT_EQ(notices[0].from, picker);
  EXPECT_EQ(notices[0].id, static_cast<UINT_PTR>(kPickerId));

  ASSERT_TRUE(headless::PickCalendarDate(Date(2026, 1, 31)));
  EXPECT_EQ(Codes(), (std::vector<UINT>{DTN_DROPDOWN, DTN_DATETIMECHANGE, DTN_CLOSEUP}));
  ExpectDate(*notices[1].date, 2026, 1, 31);
  ExpectDate(Get(picker), 2026, 1, 31);
  EXPECT_FALSE(headless::OpenDateCalendar().has_value());
  EXPECT_EQ(SendMessage(picker, DTM_GETMONTHCAL, 0, 0), 0);
}

TEST_F(DatePickerTest, EveryWayOfClosingWithoutAPickKeepsTheDate) {
  struct Way {
    const char* name;
    std::function<void(HWND)> close;
  };
  const std::vector<Way> ways{
      {"a click outside", [](HWND) { ASSERT_TRUE(headless::DismissDateCalendar()); }},
      {"Escape", [](HWND) { inject::KeyPress(VK_ESCAPE); }},
      {"F4", [](HWND) { inject::KeyPress(VK_F4); }},
      {"a second click on the field", [this](HWND p) { ClickPicker(p); }},
      {"losing the focus", [this](HWND) { SetFocus(parent); }},
      {"disabled", [](HWND p) { EnableWindow(p, FALSE); }},
      {"hidden", [](HWND p) { ShowWindow(p, SW_HIDE); }},
      {"DTM_CLOSEMONTHCAL", [](HWND p) { SendMessage(p, DTM_CLOSEMONTHCAL, 0, 0); }},
      {"picking the date it shows", [](HWND) { ASSERT_TRUE(headless::PickCalendarDate(Date(2025, 3, 14))); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    notices.clear();
    HWND picker = MakePicker();
    ASSERT_TRUE(Set(picker, Date(2025, 3, 14)));
    ClickPicker(picker);
    ASSERT_TRUE(headless::OpenDateCalendar().has_value());
    way.close(picker);
    headless::Pump();
    EXPECT_FALSE(headless::OpenDateCalendar().has_value());
    EXPECT_EQ(Codes(), (std::vector<UINT>{DTN_DROPDOWN, DTN_CLOSEUP}));
    ExpectDate(Get(picker), 2025, 3, 14);
    DestroyWindow(picker);
  }
}

TEST_F(DatePickerTest, KeysOpenTheCalendarAndStepTheDayWithinItsMonth) {
  HWND picker = MakePicker();
  ASSERT_TRUE(Set(picker, Date(2023, 4, 30)));
  SetFocus(picker);
  headless::Pump();
  inject::KeyPress(VK_UP);
  headless::Pump();
  ExpectDate(Get(picker), 2023, 4, 1);  // wraps inside April
  inject::KeyPress(VK_DOWN);
  headless::Pump();
  ExpectDate(Get(picker), 2023, 4, 30);
  ASSERT_EQ(Codes(), (std::vector<UINT>{DTN_DATETIMECHANGE, DTN_DATETIMECHANGE}));
  ExpectDate(*notices[0].date, 2023, 4, 1);

  for (UINT opener : {VK_F4, VK_DOWN}) {
    if (opener == VK_DOWN) inject::KeyDown(VK_MENU);
    inject::KeyPress(opener);
    if (opener == VK_DOWN) inject::KeyUp(VK_MENU);
    headless::Pump();
    EXPECT_TRUE(headless::OpenDateCalendar().has_value()) << opener;
    // Enter on the day it opened on only closes it.
    inject::KeyPress(VK_RETURN);
    headless::Pump();
    EXPECT_FALSE(headless::OpenDateCalendar().has_value()) << opener;
  }
  ExpectDate(Get(picker), 2023, 4, 30);
}

TEST_F(DatePickerTest, TheFieldsKeysMoveTheCalendarsSelectionAndEnterPicksIt) {
  HWND picker = MakePicker();
  ASSERT_TRUE(Set(picker, Date(2024, 1, 31)));
  SetFocus(picker);
  inject::KeyPress(VK_F4);
  headless::Pump();
  struct Step {
    UINT key;
    bool ctrl;
    SYSTEMTIME selected;
  };
  const Step steps[] = {
      {VK_NEXT, false, Date(2024, 2, 29)},  // a month on, the day kept where February has it
      {VK_PRIOR, true, Date(2023, 2, 28)},  // a year back
      {VK_RIGHT, false, Date(2023, 3, 1)},  // across the month's end
      {VK_LEFT, false, Date(2023, 2, 28)},  //
      {VK_DOWN, false, Date(2023, 3, 7)},   // a week
      {VK_UP, false, Date(2023, 2, 28)},    //
      {VK_HOME, false, Date(2023, 2, 1)},   // the month's first day
      {VK_END, false, Date(2023, 2, 28)},   // and its last
      {VK_NEXT, true, Date(2024, 2, 28)},   // a year on
      {VK_UP, false, Date(2024, 2, 21)},    //
  };
  for (const Step& step : steps) {
    if (step.ctrl) inject::KeyDown(VK_CONTROL);
    inject::KeyPress(step.key);
    if (step.ctrl) inject::KeyUp(VK_CONTROL);
    headless::Pump();
    const auto open = headless::OpenDateCalendar();
    ASSERT_TRUE(open.has_value()) << step.key;
    ExpectDate(open->date, step.selected.wYear, step.selected.wMonth, step.selected.wDay);
  }
  // Moving the selection is no change yet; Enter makes it one.
  ExpectDate(Get(picker), 2024, 1, 31);
  EXPECT_EQ(Codes(), std::vector<UINT>{DTN_DROPDOWN});
  inject::KeyPress(VK_RETURN);
  headless::Pump();
  EXPECT_EQ(Codes(), (std::vector<UINT>{DTN_DROPDOWN, DTN_DATETIMECHANGE, DTN_CLOSEUP}));
  ExpectDate(Get(picker), 2024, 2, 21);

  // The calendar's own arrows move the selection too; Space picks.
  inject::KeyPress(VK_F4);
  headless::Pump();
  ASSERT_TRUE(headless::BrowseDateCalendar(Date(2024, 5, 21)));
  inject::KeyPress(VK_RIGHT);
  inject::KeyPress(VK_SPACE);
  headless::Pump();
  ExpectDate(Get(picker), 2024, 5, 22);
  // At the end of the calendar the keys stop.
  ASSERT_TRUE(Set(picker, Date(kDateMaxYear, 12, 31)));
  inject::KeyPress(VK_F4);
  inject::KeyPress(VK_RIGHT);
  inject::KeyPress(VK_NEXT);
  headless::Pump();
  ExpectDate(headless::OpenDateCalendar()->date, kDateMaxYear, 12, 31);
}

TEST_F(DatePickerTest, DisabledFieldsDoNotOpen) {
  HWND picker = MakePicker(WS_DISABLED);
  ClickPicker(picker);
  SendMessage(picker, WM_KEYDOWN, VK_F4, 0);
  EXPECT_FALSE(headless::OpenDateCalendar().has_value());
  EXPECT_TRUE(notices.empty());
}

TEST_F(DatePickerTest, PaintsTheDateAndItsButton) {
  HWND picker = MakePicker();
  ASSERT_TRUE(Set(picker, Date(2025, 3, 14)));
  auto font = std::make_unique<Font>(u"Tahoma", 15);
  SendMessage(picker, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  EXPECT_EQ(SendMessage(picker, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font.get()));
  headless::Pump();
  int width = 0, height = 0;
  const auto rgba = headless::Appearance(parent, &width, &height);
  auto at = [&](int x, int y) {
    const auto i = (static_cast<std::size_t>(y) * width + x) * 4;
    return RGB(rgba[i], rgba[i + 1], rgba[i + 2]);
  };
  // Ink covers the text's span and no more than the text needs.
  const SIZE text = MeasureText(*font, u"2025-03-14");
  int inkLeft = width, inkRight = -1;
  for (int y = kPickerRect.top; y < kPickerRect.bottom; ++y) {
    for (int x = kPickerRect.left; x < kPickerRect.right - 16; ++x) {
      if (at(x, y) != GetSysColor(COLOR_WINDOW)) {
        inkLeft = std::min(inkLeft, x);
        inkRight = std::max(inkRight, x);
      }
    }
  }
  ASSERT_GE(inkRight, inkLeft);
  EXPECT_LE(inkRight - inkLeft + 1, text.cx);
  EXPECT_GE(inkRight - inkLeft + 1, text.cx * 3 / 4);
  // The button's face at the right end, with its arrow ink in the middle.
  EXPECT_EQ(at(kPickerRect.right - 3, kPickerRect.top + 3), GetSysColor(COLOR_BTNFACE));
  const int middleY = (kPickerRect.top + kPickerRect.bottom) / 2;
  EXPECT_EQ(at(kPickerRect.right - 8, middleY), GetSysColor(COLOR_WINDOWTEXT));

  // Another date paints other pixels.
  ASSERT_TRUE(Set(picker, Date(1999, 12, 31)));
  headless::Pump();
  int w2 = 0, h2 = 0;
  EXPECT_NE(headless::Appearance(parent, &w2, &h2), rgba);
}

TEST_F(DatePickerTest, BadDatesAndDestructionMidWayAreSurvived) {
  HWND picker = MakePicker();
  ASSERT_TRUE(Set(picker, Date(2025, 3, 14)));
  // Dates that are none: refused, the old one kept.
  for (const SYSTEMTIME& bad : {Date(2025, 13, 1), Date(2025, 0, 1), Date(2025, 3, 0), Date(2025, 4, 31),
                                Date(2023, 2, 29), Date(0, 1, 1), Date(30000, 1, 1), Date(1600, 12, 31)}) {
    EXPECT_FALSE(Set(picker, bad)) << bad.wYear << "-" << bad.wMonth << "-" << bad.wDay;
  }
  EXPECT_EQ(SendMessage(picker, DTM_SETSYSTEMTIME, static_cast<WPARAM>(GDT_NONE), 0), 0);
  EXPECT_EQ(SendMessage(picker, DTM_SETSYSTEMTIME, static_cast<WPARAM>(GDT_VALID), 0), 0);
  ExpectDate(Get(picker), 2025, 3, 14);
  // A calendar that hands back a day that does not exist changes nothing.
  ClickPicker(picker);
  ASSERT_TRUE(headless::PickCalendarDate(Date(2025, 2, 30)));
  ExpectDate(Get(picker), 2025, 3, 14);
  DestroyWindow(picker);

  // Destroyed while its calendar is open: the calendar goes with it. A
  // focused field loses the focus first, which closes it as usual; an
  // unfocused one (opened by a program's F4) says nothing.
  for (bool focused : {true, false}) {
    SCOPED_TRACE(focused);
    notices.clear();
    HWND doomed = MakePicker();
    if (focused) {
      ClickPicker(doomed);
    } else {
      SetFocus(parent);
      SendMessage(doomed, WM_KEYDOWN, VK_F4, 0);
    }
    ASSERT_TRUE(headless::OpenDateCalendar().has_value());
    DestroyWindow(doomed);
    EXPECT_FALSE(headless::OpenDateCalendar().has_value());
    EXPECT_FALSE(headless::PickCalendarDate(Date(2025, 5, 5)));
    if (focused) {
      EXPECT_EQ(Codes(), (std::vector<UINT>{DTN_DROPDOWN, DTN_CLOSEUP}));
    } else {
      EXPECT_EQ(Codes(), std::vector<UINT>{DTN_DROPDOWN});
    }
  }

  // Destroyed by the parent on the change, on the drop-down and on the
  // close-up: nothing after that reaches anyone.
  for (UINT fatal : {DTN_DATETIMECHANGE, DTN_DROPDOWN, DTN_CLOSEUP}) {
    SCOPED_TRACE(fatal);
    notices.clear();
    HWND doomed = MakePicker();
    onNotice = [fatal](const Notice& n) {
      if (n.code == fatal) DestroyWindow(n.from);
    };
    ClickPicker(doomed);
    headless::PickCalendarDate(Date(2030, 6, 1));
    headless::Pump();
    onNotice = nullptr;
    EXPECT_FALSE(IsWindow(doomed));
    EXPECT_FALSE(headless::OpenDateCalendar().has_value());
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().code, fatal);
  }
}

}  // namespace
}  // namespace wintest
