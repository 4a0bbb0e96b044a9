// The UI thread's timers. A timer is named by its window and id; thread
// timers (no window) get ids of their own, never one in use. A timer falls due
// `elapse` milliseconds after it was set or last taken; the earliest due one
// is taken first, and among equal deadlines the one set or restarted first.
// Taking a timer's message restarts it from that moment: missed periods are
// not made up. Elapse is held to USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/window/MessageQueue.h"

namespace os::internal {

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t due = 0;
  std::uint64_t order = 0;
};

class Timers {
 public:
  // Sets or resets a timer; returns the id it goes by (a new one for a
  // thread timer whose id is 0 or unknown), never 0.
  UINT_PTR Set(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc, std::uint64_t now);
  bool Kill(HWND hwnd, UINT_PTR id);
  void RemoveOf(HWND hwnd);
  // The earliest deadline strictly after `now`: passed ones have their
  // message waiting already and must not turn a wait into a busy loop.
  std::optional<std::uint64_t> NextDueAfter(std::uint64_t now) const;
  // The earliest deadline, passed ones included.
  std::optional<std::uint64_t> EarliestDue() const;
  // The timer due first among those `accept` lets through; restarted when
  // `remove` (its message is taken).
  std::optional<Timer> TakeDue(std::uint64_t now, const std::function<bool(HWND)>& accept, bool remove);
  // Whether a timer with this procedure still exists (its procedure may run).
  bool HasProc(HWND hwnd, UINT_PTR id, TIMERPROC proc) const;
  std::size_t Count() const { return timers_.size(); }

 private:
  bool ThreadTimerExists(UINT_PTR id) const;

  std::vector<Timer> timers_;
  std::uint64_t order_ = 0;
  UINT_PTR nextThreadId_ = 1;
};

}  // namespace os::internal
