// The timer list: setting, killing and taking due timers in deadline order.
#include "platform/window/internal/Timers.h"

#include <algorithm>

namespace os::internal {

bool Timers::ThreadTimerExists(UINT_PTR id) const {
  return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return !t.hwnd && t.id == id; });
}

UINT_PTR Timers::Set(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc, std::uint64_t now) {
  elapse = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  if (!hwnd && !(id && ThreadTimerExists(id))) {
    do {
      id = nextThreadId_++;
    } while (!id || ThreadTimerExists(id));
  }
  const std::uint64_t due = now + elapse;
  for (Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapse;
      t.proc = proc;
      t.due = due;
      t.order = ++order_;
      return id ? id : 1;
    }
  }
  timers_.push_back(Timer{hwnd, id, elapse, proc, due, ++order_});
  return id ? id : 1;
}

bool Timers::Kill(HWND hwnd, UINT_PTR id) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

void Timers::RemoveOf(HWND hwnd) {
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

std::optional<std::uint64_t> Timers::NextDueAfter(std::uint64_t now) const {
  std::optional<std::uint64_t> next;
  for (const Timer& t : timers_) {
    if (t.due > now && (!next || t.due < *next)) next = t.due;
  }
  return next;
}

std::optional<std::uint64_t> Timers::EarliestDue() const {
  std::optional<std::uint64_t> next;
  for (const Timer& t : timers_) {
    if (!next || t.due < *next) next = t.due;
  }
  return next;
}

std::optional<Timer> Timers::TakeDue(std::uint64_t now, const std::function<bool(HWND)>& accept,
                                     bool remove) {
  Timer* best = nullptr;
  for (Timer& t : timers_) {
    if (t.due > now || !accept(t.hwnd)) continue;
    if (!best || t.due < best->due || (t.due == best->due && t.order < best->order)) best = &t;
  }
  if (!best) return std::nullopt;
  Timer taken = *best;
  if (remove) {
    best->due = now + best->elapse;
    best->order = ++order_;
  }
  return taken;
}

bool Timers::HasProc(HWND hwnd, UINT_PTR id, TIMERPROC proc) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& t) { return t.hwnd == hwnd && t.id == id && t.proc == proc; });
}

}  // namespace os::internal
