// The UI thread's queue under its lock.
#include "platform/window/internal/ThreadQueue.h"

namespace os::internal {
namespace {

std::uintptr_t ValueOf(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

}  // namespace

void ThreadQueue::SetLive(HWND hwnd, bool live) {
  std::lock_guard lock(mutex_);
  if (live) {
    live_.insert(ValueOf(hwnd));
  } else {
    live_.erase(ValueOf(hwnd));
  }
}

void ThreadQueue::SetForeign(HWND hwnd, ForeignId id) {
  std::lock_guard lock(mutex_);
  if (id) {
    foreign_[ValueOf(hwnd)] = id;
  } else {
    foreign_.erase(ValueOf(hwnd));
  }
}

bool ThreadQueue::IsAddressable(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  return live_.count(ValueOf(hwnd)) || foreign_.count(ValueOf(hwnd));
}

void ThreadQueue::Post(const MSG& msg) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(msg);
  }
  wake_();
}

ThreadQueue::PostOutcome ThreadQueue::PostTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             DWORD time) {
  {
    std::lock_guard lock(mutex_);
    if (hwnd) {
      auto f = foreign_.find(ValueOf(hwnd));
      if (f != foreign_.end()) return PostOutcome{false, f->second};
      if (!live_.count(ValueOf(hwnd))) return PostOutcome{};
    }
    posted_.push_back(MSG{hwnd, message, wParam, lParam, time, cursorPos_});
  }
  wake_();
  return PostOutcome{true, 0};
}

void ThreadQueue::PostQuit(int exitCode) {
  {
    std::lock_guard lock(mutex_);
    quitPosted_ = true;
    quitCode_ = exitCode;
  }
  wake_();
}

std::optional<int> ThreadQueue::PendingQuit() const {
  std::lock_guard lock(mutex_);
  if (!quitPosted_) return std::nullopt;
  return quitCode_;
}

std::optional<int> ThreadQueue::TakeQuit(bool remove) {
  std::lock_guard lock(mutex_);
  if (!quitPosted_) return std::nullopt;
  if (remove) quitPosted_ = false;
  return quitCode_;
}

std::optional<MSG> ThreadQueue::TakePosted(const std::function<bool(const MSG&)>& accept, bool remove) {
  std::lock_guard lock(mutex_);
  for (auto it = posted_.begin(); it != posted_.end();) {
    if (it->hwnd && !live_.count(ValueOf(it->hwnd))) {
      it = posted_.erase(it);
      continue;
    }
    if (accept(*it)) {
      MSG msg = *it;
      if (remove) posted_.erase(it);
      return msg;
    }
    ++it;
  }
  return std::nullopt;
}

bool ThreadQueue::HasPosted() const {
  std::lock_guard lock(mutex_);
  return !posted_.empty();
}

InputItem* ThreadQueue::FrontInput() {
  std::lock_guard lock(mutex_);
  if (input_.empty() || input_.front().cooking) return nullptr;
  return &input_.front();
}

void ThreadQueue::PopInput() {
  std::lock_guard lock(mutex_);
  if (!input_.empty()) input_.pop_front();
}

void ThreadQueue::PushInput(InputItem item, DWORD now) {
  {
    std::lock_guard lock(mutex_);
    const std::optional<DWORD> given = item.key ? item.keyEvent.time : item.pointer.time;
    item.time = given ? *given : now;
    if (item.key) {
      asyncKeys_.Set(item.keyEvent.virtualKey & 0xFF, item.keyEvent.down);
    } else {
      PointerEvent& e = item.pointer;
      if (e.kind == PointerEvent::Kind::Move || (e.native && e.kind != PointerEvent::Kind::Leave)) {
        cursorPos_ = e.screen;
      } else if (e.kind != PointerEvent::Kind::Leave) {
        e.screen = cursorPos_;
      }
      if (e.kind == PointerEvent::Kind::Down || e.kind == PointerEvent::Kind::Up)
        asyncKeys_.Set(ButtonKey(e.button), e.kind == PointerEvent::Kind::Down);
    }
    input_.push_back(std::move(item));
  }
  wake_();
}

POINT ThreadQueue::CursorPos() const {
  std::lock_guard lock(mutex_);
  return cursorPos_;
}

void ThreadQueue::SetCursorPos(POINT pt) {
  std::lock_guard lock(mutex_);
  cursorPos_ = pt;
}

bool ThreadQueue::AsyncKeyDown(UINT virtualKey) const {
  std::lock_guard lock(mutex_);
  return asyncKeys_.IsDown(virtualKey);
}

bool ThreadQueue::SendAndWait(CrossThreadSend& send) {
  std::unique_lock lock(mutex_);
  if (!live_.count(ValueOf(send.hwnd)) && !foreign_.count(ValueOf(send.hwnd))) return false;
  crossSends_.push_back(&send);
  wake_();
  sendDone_.wait(lock, [&] { return send.done; });
  return true;
}

CrossThreadSend* ThreadQueue::TakeCrossSend() {
  std::lock_guard lock(mutex_);
  if (crossSends_.empty()) return nullptr;
  CrossThreadSend* send = crossSends_.front();
  crossSends_.pop_front();
  return send;
}

void ThreadQueue::Complete(CrossThreadSend* send, LRESULT result) {
  {
    std::lock_guard lock(mutex_);
    send->result = result;
    send->done = true;
  }
  sendDone_.notify_all();
}

}  // namespace os::internal
