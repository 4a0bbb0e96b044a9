// The timer list on its own: deadline order, restarts, thread timer ids.
#include "platform/window/internal/Timers.h"

#include <gtest/gtest.h>

#include <set>

namespace os::internal {
namespace {

HWND H(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }
const auto kAny = [](HWND) { return true; };

TEST(TimersTest, EqualDeadlinesGoInTheOrderTheTimersWereSetAndATakenOneQueuesBehind) {
  Timers timers;
  timers.Set(H(8), 1, 100, nullptr, 0);
  timers.Set(H(4), 2, 100, nullptr, 0);
  timers.Set(H(4), 3, 50, nullptr, 50);  // due at 100 as well, set last
  std::vector<UINT_PTR> order;
  for (int i = 0; i < 3; ++i) order.push_back(timers.TakeDue(100, kAny, true)->id);
  EXPECT_EQ(order, (std::vector<UINT_PTR>{1, 2, 3}));
  // All three restarted at 100 in that order: the same order again at 150.
  EXPECT_EQ(timers.TakeDue(150, kAny, true)->id, 3u);  // 50 ms period
  EXPECT_FALSE(timers.TakeDue(199, kAny, true));
  EXPECT_EQ(timers.TakeDue(200, kAny, true)->id, 1u);
  EXPECT_EQ(timers.TakeDue(200, kAny, true)->id, 2u);
  EXPECT_EQ(timers.TakeDue(200, kAny, true)->id, 3u);
}

TEST(TimersTest, TakingRestartsFromNowWithoutMakingUpMissedPeriodsAndPeekingDoesNot) {
  Timers timers;
  timers.Set(H(4), 7, 100, nullptr, 0);
  ASSERT_TRUE(timers.TakeDue(1000, kAny, false));
  EXPECT_EQ(timers.NextDueAfter(0), 100u);  // a peek leaves the deadline
  ASSERT_TRUE(timers.TakeDue(1000, kAny, true));
  EXPECT_FALSE(timers.TakeDue(1099, kAny, true));  // not nine periods in a row
  EXPECT_EQ(timers.NextDueAfter(1000), 1100u);
}

TEST(TimersTest, TheFilterPassesOverTimersOfOtherWindows) {
  Timers timers;
  timers.Set(H(4), 1, 10, nullptr, 0);
  timers.Set(H(8), 2, 20, nullptr, 0);
  auto t = timers.TakeDue(
      50, [](HWND h) { return h == H(8); }, true);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->hwnd, H(8));
  EXPECT_EQ(t->id, 2u);
}

TEST(TimersTest, ThreadTimersGetIdsOfTheirOwnAndAKnownIdResetsItsTimer) {
  Timers timers;
  std::set<UINT_PTR> ids;
  for (int i = 0; i < 5; ++i) ids.insert(timers.Set(nullptr, 0, 100, nullptr, 0));
  EXPECT_EQ(ids.size(), 5u);
  EXPECT_EQ(ids.count(0), 0u);
  const UINT_PTR first = *ids.begin();
  // Setting a known thread timer again resets it under the same id.
  EXPECT_EQ(timers.Set(nullptr, first, 300, nullptr, 50), first);
  EXPECT_EQ(timers.EarliestDue(), 100u);
  ASSERT_TRUE(timers.Kill(nullptr, first));
  EXPECT_FALSE(timers.Kill(nullptr, first));
  // An id nobody uses is not taken as given: a thread timer gets a fresh one.
  const UINT_PTR fresh = timers.Set(nullptr, 9999, 100, nullptr, 0);
  EXPECT_NE(fresh, 9999u);
  EXPECT_EQ(ids.count(fresh), 0u);
}

TEST(TimersTest, ResettingAWindowTimerKeepsOneEntryWithTheNewPeriodAndProcedure) {
  Timers timers;
  auto proc = +[](HWND, UINT, UINT_PTR, DWORD) {};
  EXPECT_EQ(timers.Set(H(4), 5, 100, nullptr, 0), 5u);
  EXPECT_EQ(timers.Set(H(4), 5, 40, proc, 10), 5u);
  EXPECT_EQ(timers.Count(), 1u);
  EXPECT_TRUE(timers.HasProc(H(4), 5, proc));
  EXPECT_FALSE(timers.HasProc(H(4), 5, nullptr));
  EXPECT_EQ(timers.TakeDue(50, kAny, true)->elapse, 40u);
  EXPECT_TRUE(timers.Kill(H(4), 5));
  EXPECT_FALSE(timers.EarliestDue());
  // A window timer with id 0 exists under 0 but reports a non-zero id.
  EXPECT_EQ(timers.Set(H(4), 0, 100, nullptr, 0), 1u);
  EXPECT_TRUE(timers.Kill(H(4), 0));
}

TEST(TimersTest, PeriodsAreHeldToTheMinimumAndDeadlinesPastNowAreNoWaitTarget) {
  Timers timers;
  timers.Set(H(4), 1, 0, nullptr, 0);
  timers.Set(H(4), 2, 500, nullptr, 0);
  EXPECT_EQ(timers.EarliestDue(), USER_TIMER_MINIMUM);
  EXPECT_EQ(timers.NextDueAfter(USER_TIMER_MINIMUM), 500u);
  EXPECT_FALSE(timers.NextDueAfter(500));
  timers.RemoveOf(H(4));
  EXPECT_FALSE(timers.EarliestDue());
}

}  // namespace
}  // namespace os::internal
