// The date control in a skinned headless window: its names and the text it
// shows a date as, the native picker it opens over itself on a click, the
// round trip of a date picked in the picker's calendar (through the headless
// backend's calendar, as a player's click), closing without a pick, disabled
// controls, what the window shows, and bad dates and untimely destruction.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SkinHarness.h"
#include "controls/Container.h"
#include "controls/DateTime.h"
#include "platform/syscontrols/DatePicker.h"
#include "platform/system/Kernel.h"
#include "platform/window/DeviceContext.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

constexpr char16_t kSkin[] =
    uR"(<Window size="300,300">
  <Container name="root" bkcolor="#FFFFFFFF">
    <DateTime name="date" float="true" pos="20,20,180,50" textcolor="#FF000000"/>
    <DateTime name="off" float="true" pos="20,70,180,100" enabled="false"/>
    <Button name="other" float="true" pos="200,20,260,50"/>
    <DateTime name="odd" float="true" pos="20,120,180,150" enabled="maybe" textpadding="x,y" font="99"
        textcolor="#zz" text=""/>
  </Container>
</Window>)";

constexpr RECT kDateRect{20, 20, 180, 50};

os::SYSTEMTIME Date(int year, int month, int day) {
  os::SYSTEMTIME t;
  t.wYear = static_cast<os::WORD>(year);
  t.wMonth = static_cast<os::WORD>(month);
  t.wDay = static_cast<os::WORD>(day);
  return t;
}

std::uint32_t ArgbOf(os::COLORREF c) {
  return 0xFF000000u | static_cast<std::uint32_t>(os::GetRValue(c)) << 16 |
         static_cast<std::uint32_t>(os::GetGValue(c)) << 8 | os::GetBValue(c);
}

void ExpectDate(const os::SYSTEMTIME& t, int year, int month, int day) {
  EXPECT_EQ(t.wYear, year);
  EXPECT_EQ(t.wMonth, month);
  EXPECT_EQ(t.wDay, day);
}

// Runs a callback on each notification of one type.
class OnNotify : public INotifyUI {
 public:
  OnNotify(std::u16string type, std::function<void(NotifyMsg&)> act)
      : type_(std::move(type)), act_(std::move(act)) {}
  void Notify(NotifyMsg& msg) override {
    if (msg.type == type_) act_(msg);
  }

 private:
  std::u16string type_;
  std::function<void(NotifyMsg&)> act_;
};

class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Load(kSkin));
    date = window.Find<CDateTimeUI>(u"date", u"DateTime");
    ASSERT_NE(date, nullptr);
  }

  // Opens the picker with a click in the middle of the control.
  void Open() {
    window.Click(100, 35);
    ASSERT_NE(date->GetPickerWindow(), nullptr);
    ASSERT_TRUE(os::headless::OpenDateCalendar().has_value());
  }

  int TextInk() const { return window.CountOther(RECT{22, 22, 150, 48}, 0xFFFFFFFF); }

  SkinWindow window;
  CDateTimeUI* date = nullptr;
};

TEST_F(DateTimeTest, NamesTodayAndTheTextFormat) {
  EXPECT_EQ(date->GetClass(), u"DateTimeUI");
  EXPECT_EQ(date->GetInterface(u"DateTime"), date);
  EXPECT_NE(date->GetInterface(u"Label"), nullptr);
  os::SYSTEMTIME now;
  os::GetLocalTime(&now);
  ExpectDate(date->GetTime(), now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(date->GetText(), CDateTimeUI::FormatDate(now));

  // Four columns for the year (padded, not zero-filled), two for month and day.
  EXPECT_EQ(CDateTimeUI::FormatDate(Date(2024, 2, 9)), u"2024-02-09");
  EXPECT_EQ(CDateTimeUI::FormatDate(Date(1999, 12, 31)), u"1999-12-31");
  EXPECT_EQ(CDateTimeUI::FormatDate(Date(987, 1, 1)), u" 987-01-01");

  ASSERT_TRUE(date->SetTime(Date(2024, 2, 29)));
  EXPECT_EQ(date->GetText(), u"2024-02-29");
  EXPECT_EQ(date->GetTime().wDayOfWeek, 4);
  // The program's own changes are not announced.
  EXPECT_EQ(window.Count(u"textchanged"), 0);
}

TEST_F(DateTimeTest, APickInThePickerBecomesTheControlsDateTextAndPicture) {
  ASSERT_TRUE(date->SetTime(Date(2025, 3, 14)));
  window.Pump();
  const int inkBefore = TextInk();
  EXPECT_GT(inkBefore, 0);
  const auto before = os::headless::LastFrame(window.hwnd);

  Open();
  const os::HWND picker = date->GetNativeWindow();
  EXPECT_EQ(os::GetClassName(picker), u"DateTimeWnd");
  EXPECT_EQ(os::GetFocus(), picker);
  RECT placed{};
  os::GetWindowRect(picker, &placed);
  EXPECT_EQ(placed.left, SkinWindow::Screen(kDateRect.left, 0).x);
  EXPECT_EQ(placed.top, SkinWindow::Screen(0, kDateRect.top).y);
  EXPECT_EQ(placed.right, SkinWindow::Screen(kDateRect.right, 0).x);
  ExpectDate(os::headless::OpenDateCalendar()->date, 2025, 3, 14);
  // The picker paints over the control: its button's face at the right end.
  window.Pump();
  EXPECT_EQ(window.Pixel(kDateRect.right - 3, kDateRect.top + 3), ArgbOf(os::GetSysColor(os::COLOR_BTNFACE)));

  ASSERT_TRUE(os::headless::PickCalendarDate(Date(2026, 1, 31)));
  ExpectDate(date->GetTime(), 2026, 1, 31);
  EXPECT_EQ(date->GetText(), u"2026-01-31");
  ASSERT_EQ(window.Count(u"textchanged"), 1);
  EXPECT_EQ(window.Last(u"textchanged")->sender, date);
  window.Pump();
  EXPECT_EQ(date->GetPickerWindow(), nullptr);
  EXPECT_FALSE(os::IsWindow(picker));
  EXPECT_FALSE(os::headless::OpenDateCalendar().has_value());
  // The window shows the new text where the old one was.
  const auto after = os::headless::LastFrame(window.hwnd);
  ASSERT_TRUE(before && after);
  EXPECT_NE(before->bgra, after->bgra);
  EXPECT_GT(TextInk(), 0);
  EXPECT_EQ(window.CountPixels(RECT{kDateRect.right - 16, kDateRect.top, kDateRect.right, kDateRect.bottom},
                               0xFFFFFFFF),
            16 * 30);

  // Opened again, the picker starts on the new date.
  Open();
  ExpectDate(os::headless::OpenDateCalendar()->date, 2026, 1, 31);
}

TEST_F(DateTimeTest, KeysGivenToTheOpenPickerPickADay) {
  // The automation driver's way on either backend: click, keys, Enter.
  ASSERT_TRUE(date->SetTime(Date(2025, 3, 14)));
  Open();
  window.Key(os::VK_NEXT);
  window.Key(os::VK_RIGHT);
  ExpectDate(date->GetTime(), 2025, 3, 14);
  window.Key(os::VK_RETURN);
  ExpectDate(date->GetTime(), 2025, 4, 15);
  EXPECT_EQ(date->GetText(), u"2025-04-15");
  EXPECT_EQ(window.Count(u"textchanged"), 1);
  EXPECT_EQ(date->GetPickerWindow(), nullptr);
}

TEST(DateTimeLayeredTest, OverALayeredWindowThePickerIsAPopupOnTheControl) {
  // A child of a per-pixel-alpha window would not be seen.
  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="300,300" bktrans="true"><Container bkcolor="#FFFFFFFF">
      <DateTime name="date" float="true" pos="20,20,180,50"/></Container></Window>)"));
  auto* date = window.Find<CDateTimeUI>(u"date", u"DateTime");
  ASSERT_NE(date, nullptr);
  ASSERT_TRUE(date->SetTime(Date(2025, 3, 14)));
  window.Click(100, 35);
  const os::HWND picker = date->GetNativeWindow();
  ASSERT_NE(picker, nullptr);
  EXPECT_NE(os::GetWindowLong(picker, os::GWL_STYLE) & static_cast<os::LONG>(os::WS_POPUP), 0);
  RECT placed{};
  os::GetWindowRect(picker, &placed);
  const os::POINT topLeft = SkinWindow::Screen(kDateRect.left, kDateRect.top);
  const os::POINT bottomRight = SkinWindow::Screen(kDateRect.right, kDateRect.bottom);
  EXPECT_EQ(placed.left, topLeft.x);
  EXPECT_EQ(placed.top, topLeft.y);
  EXPECT_EQ(placed.right, bottomRight.x);
  EXPECT_EQ(placed.bottom, bottomRight.y);
  ASSERT_TRUE(os::headless::PickCalendarDate(Date(2025, 3, 20)));
  window.Pump();
  EXPECT_EQ(date->GetText(), u"2025-03-20");
  EXPECT_EQ(date->GetPickerWindow(), nullptr);
  EXPECT_FALSE(os::IsWindow(picker));
}

TEST_F(DateTimeTest, ClosingWithoutAPickLeavesTheDate) {
  ASSERT_TRUE(date->SetTime(Date(2025, 3, 14)));
  const std::vector<std::pair<const char*, std::function<void()>>> ways{
      {"dismissed", [] { ASSERT_TRUE(os::headless::DismissDateCalendar()); }},
      {"Escape", [this] { window.Key(os::VK_ESCAPE); }},
      {"a click on another control", [this] { window.Click(230, 35); }},
      {"the same day picked", [] { ASSERT_TRUE(os::headless::PickCalendarDate(Date(2025, 3, 14))); }},
      {"disabled", [this] { date->SetEnabled(false); }},
      {"hidden", [this] { date->SetVisible(false); }},
  };
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    date->SetEnabled(true);
    date->SetVisible(true);
    window.Pump();
    Open();
    close();
    window.Pump();
    EXPECT_EQ(date->GetPickerWindow(), nullptr);
    EXPECT_FALSE(os::headless::OpenDateCalendar().has_value());
    ExpectDate(date->GetTime(), 2025, 3, 14);
    EXPECT_EQ(date->GetText(), u"2025-03-14");
  }
  EXPECT_EQ(window.Count(u"textchanged"), 0);
}

TEST_F(DateTimeTest, DisabledControlsOpenNoPicker) {
  auto* off = window.Find<CDateTimeUI>(u"off", u"DateTime");
  ASSERT_NE(off, nullptr);
  window.Click(100, 85);
  EXPECT_EQ(off->GetPickerWindow(), nullptr);
  EXPECT_FALSE(os::headless::OpenDateCalendar().has_value());
  // Enabled, the same click opens it.
  off->SetEnabled(true);
  window.Click(100, 85);
  EXPECT_NE(off->GetPickerWindow(), nullptr);
}

TEST_F(DateTimeTest, BadDatesAndUntimelyDestructionAreSurvived) {
  ASSERT_TRUE(date->SetTime(Date(2025, 3, 14)));
  for (const os::SYSTEMTIME& bad : {Date(2025, 13, 1), Date(2025, 0, 10), Date(2025, 3, 0), Date(2025, 6, 31),
                                    Date(2023, 2, 29), Date(0, 5, 5), Date(30000, 5, 5)}) {
    EXPECT_FALSE(date->SetTime(bad)) << bad.wYear << "-" << bad.wMonth << "-" << bad.wDay;
  }
  ExpectDate(date->GetTime(), 2025, 3, 14);
  EXPECT_EQ(date->GetText(), u"2025-03-14");

  // Nonsense attributes build a control all the same, which opens and picks.
  auto* odd = window.Find<CDateTimeUI>(u"odd", u"DateTime");
  ASSERT_NE(odd, nullptr);
  // A flag is true only for the exact "true": "maybe" disables it.
  EXPECT_FALSE(odd->IsEnabled());
  window.Click(100, 135);
  EXPECT_EQ(odd->GetPickerWindow(), nullptr);
  odd->SetEnabled(true);
  window.Click(100, 135);
  ASSERT_NE(odd->GetPickerWindow(), nullptr);
  ASSERT_TRUE(os::headless::PickCalendarDate(Date(2020, 2, 2)));
  EXPECT_EQ(odd->GetText(), u"2020-02-02");
  window.Pump();

  // The picker destroyed while open: the control forgets it, keeps its
  // date, and opens a fresh one on the next click.
  Open();
  os::DestroyWindow(date->GetNativeWindow());
  window.Pump();
  EXPECT_EQ(date->GetPickerWindow(), nullptr);
  EXPECT_FALSE(os::headless::OpenDateCalendar().has_value());
  ExpectDate(date->GetTime(), 2025, 3, 14);
  Open();
  ASSERT_TRUE(os::headless::PickCalendarDate(Date(2025, 3, 15)));
  EXPECT_EQ(date->GetText(), u"2025-03-15");
  window.Pump();

  // The control removed while its picker is open: the calendar closes and
  // the picker goes without reaching back.
  Open();
  const os::HWND picker = date->GetNativeWindow();
  auto* root = window.Find<CContainerUI>(u"root", u"Container");
  ASSERT_NE(root, nullptr);
  ASSERT_TRUE(root->Remove(date));  // deleted once the current message is over
  date = nullptr;
  window.Pump();
  EXPECT_FALSE(os::headless::OpenDateCalendar().has_value());
  EXPECT_FALSE(os::headless::PickCalendarDate(Date(2030, 1, 1)));
  window.Pump();
  EXPECT_FALSE(os::IsWindow(picker));

  // Removed by a handler of its own change, in the middle of the pick.
  auto* off = window.Find<CDateTimeUI>(u"off", u"DateTime");
  off->SetEnabled(true);
  OnNotify remover(u"textchanged", [&](NotifyMsg& msg) { root->Remove(msg.sender); });
  window.manager.AddNotifier(&remover);
  window.Click(100, 85);
  ASSERT_NE(off->GetPickerWindow(), nullptr);
  ASSERT_TRUE(os::headless::PickCalendarDate(Date(2031, 7, 7)));
  window.Pump();
  window.manager.RemoveNotifier(&remover);
  EXPECT_EQ(window.Find(u"off"), nullptr);
  EXPECT_FALSE(os::headless::OpenDateCalendar().has_value());
  EXPECT_EQ(window.Count(u"textchanged"), 3);
}

}  // namespace
}  // namespace Kesto
