// Timers under the virtual clock.
#include "WindowTestSupport.h"

namespace wintest {
namespace {

class TimerTest : public WindowTest {
 protected:
  // (timer id, milliseconds since the start) of every WM_TIMER of a window.
  std::vector<std::pair<UINT_PTR, std::uint64_t>> Fired(HWND w, std::uint64_t start) {
    std::vector<std::pair<UINT_PTR, std::uint64_t>> out;
    for (auto& [id, at] : fired_) {
      if (id.first == w) out.emplace_back(id.second, at - start);
    }
    return out;
  }
  void Record(HWND w) {
    On(w, [this](HWND h, UINT m, WPARAM id, LPARAM) -> std::optional<LRESULT> {
      if (m == WM_TIMER) fired_.push_back({{h, id}, headless::Now()});
      return std::nullopt;
    });
  }
  std::vector<std::pair<std::pair<HWND, UINT_PTR>, std::uint64_t>> fired_;
};

TEST_F(TimerTest, TimersFireInOrderAsTheClockAdvances) {
  HWND w = Popup({0, 0, 10, 10});
  Record(w);
  const auto start = headless::Now();
  EXPECT_EQ(SetTimer(w, 1, 100, nullptr), 1u);
  EXPECT_EQ(SetTimer(w, 2, 230, nullptr), 2u);
  headless::Advance(99);
  EXPECT_TRUE(Fired(w, start).empty());
  headless::Advance(501);
  using F = std::vector<std::pair<UINT_PTR, std::uint64_t>>;
  EXPECT_EQ(Fired(w, start),
            (F{{1, 100}, {1, 200}, {2, 230}, {1, 300}, {1, 400}, {2, 460}, {1, 500}, {1, 600}}));
  EXPECT_EQ(GetTickCount(), static_cast<DWORD>(start + 600));
}

TEST_F(TimerTest, KilledTimersStopAndARearmedOneStartsAfresh) {
  HWND w = Popup({0, 0, 10, 10});
  Record(w);
  const auto start = headless::Now();
  SetTimer(w, 17, 100, nullptr);
  headless::Advance(150);
  EXPECT_TRUE(KillTimer(w, 17));
  EXPECT_FALSE(KillTimer(w, 17));
  EXPECT_EQ(GetLastError(), ERROR_TIMER_NOT_FOUND);
  headless::Advance(200);
  using F = std::vector<std::pair<UINT_PTR, std::uint64_t>>;
  EXPECT_EQ(Fired(w, start), (F{{17, 100}}));
  // Re-armed at 350: the first tick is a full period later, not on the old phase.
  SetTimer(w, 17, 100, nullptr);
  headless::Advance(120);
  EXPECT_EQ(Fired(w, start), (F{{17, 100}, {17, 450}}));
  // Setting a running timer again replaces its period.
  SetTimer(w, 17, 30, nullptr);
  headless::Advance(65);
  EXPECT_EQ(Fired(w, start), (F{{17, 100}, {17, 450}, {17, 500}, {17, 530}}));
}

std::vector<std::pair<HWND, UINT_PTR>> gProcCalls;
void OS_STDCALL TimerCallback(HWND hwnd, UINT message, UINT_PTR id, DWORD) {
  EXPECT_EQ(message, static_cast<UINT>(WM_TIMER));
  gProcCalls.emplace_back(hwnd, id);
}

TEST_F(TimerTest, TimerProceduresAndThreadTimers) {
  gProcCalls.clear();
  HWND w = Popup({0, 0, 10, 10});
  Record(w);
  SetTimer(w, 3, 50, &TimerCallback);
  const UINT_PTR threadTimer = SetTimer(nullptr, 0, 70, &TimerCallback);
  EXPECT_NE(threadTimer, 0u);
  EXPECT_NE(SetTimer(nullptr, 0, 70, &TimerCallback), threadTimer);  // a new id each time
  headless::Advance(70);
  EXPECT_EQ(Count(w, WM_TIMER), 0);  // the procedure replaces the window's WM_TIMER
  ASSERT_GE(gProcCalls.size(), 2u);
  EXPECT_EQ(gProcCalls[0], (std::pair<HWND, UINT_PTR>{w, 3}));
  EXPECT_EQ(gProcCalls[1], (std::pair<HWND, UINT_PTR>{nullptr, threadTimer}));
}

TEST_F(TimerTest, DestroyingAWindowKillsItsTimersAndShortPeriodsAreRaised) {
  HWND w = Popup({0, 0, 10, 10});
  HWND other = Popup({0, 0, 10, 10});
  Record(other);
  const auto start = headless::Now();
  SetTimer(w, 1, 100, nullptr);
  SetTimer(other, 1, 1, nullptr);  // below USER_TIMER_MINIMUM
  DestroyWindow(w);
  EXPECT_FALSE(KillTimer(w, 1));
  headless::Advance(25);
  using F = std::vector<std::pair<UINT_PTR, std::uint64_t>>;
  EXPECT_EQ(Fired(other, start), (F{{1, 10}, {1, 20}}));
}

TEST_F(TimerTest, GetMessageJumpsTheVirtualClockToTheNextTimer) {
  HWND w = Popup({0, 0, 10, 10});
  headless::Pump();
  const auto start = GetTickCount();
  SetTimer(w, 9, 1000, nullptr);
  MSG m;
  ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(m.wParam, 9u);
  EXPECT_EQ(GetTickCount() - start, 1000u);
}

}  // namespace
}  // namespace wintest
