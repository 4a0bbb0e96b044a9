// Frame-drawn notifications: who hears that a top-level window's pixels
// reached the desktop. The backends (or, on Windows, the end of a window's
// first paint) call NotifyFrameDrawn.
#include <utility>
#include <vector>

#include "platform/window/Paint.h"

namespace os {

namespace {

FrameDrawnObserver& Observer() {
  static FrameDrawnObserver observer;
  return observer;
}

struct FrameWaiter {
  HWND hwnd;
  std::function<void()> once;
};

std::vector<FrameWaiter>& FrameWaiters() {
  static std::vector<FrameWaiter> waiters;
  return waiters;
}

}  // namespace

void SetFrameDrawnObserver(FrameDrawnObserver observer) { Observer() = std::move(observer); }

void WhenFrameDrawn(HWND hwnd, std::function<void()> once) {
  if (hwnd == nullptr || !once || !IsWindow(hwnd)) return;
  FrameWaiters().push_back(FrameWaiter{hwnd, std::move(once)});
}

void NotifyFrameDrawn(HWND hwnd) {
  if (const FrameDrawnObserver& observer = Observer()) observer(hwnd);
  // Taken out before they run: one may wait for the next frame again. A
  // waiter whose window has gone (a handle may be reused) is dropped.
  std::vector<FrameWaiter> due;
  auto& waiters = FrameWaiters();
  for (auto it = waiters.begin(); it != waiters.end();) {
    if (it->hwnd == hwnd || !IsWindow(it->hwnd)) {
      if (it->hwnd == hwnd) due.push_back(std::move(*it));
      it = waiters.erase(it);
    } else {
      ++it;
    }
  }
  for (FrameWaiter& waiter : due) waiter.once();
}

}  // namespace os
