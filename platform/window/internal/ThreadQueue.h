// The UI thread's queue and everything another thread may touch, under one
// lock: posted messages, device input waiting to be cooked into messages,
// sends from other threads waiting for their answer, WM_QUIT, which handles
// may be addressed, and the device's pointer position and key state.
//
// Posted messages of a window destroyed meanwhile are dropped when retrieval
// passes them. An input item stays at the front while it is being cooked
// (cooking may retrieve messages itself): nested retrievals do not see it. A
// cross-thread send waits until the UI thread has answered it; a send to a
// handle that is not live fails at once.
//
// The last retrieved message's time and position (GetMessageTime,
// GetMessagePos) are the UI thread's alone and need no lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/window/Backend.h"
#include "platform/window/internal/KeyState.h"

namespace os::internal {

// A device event waiting in the input queue; cooked into a message when the
// thread first looks at it.
struct InputItem {
  bool key = false;
  PointerEvent pointer;
  KeyEvent keyEvent;
  DWORD time = 0;
  bool cooked = false;
  bool cooking = false;  // nested retrievals leave it alone meanwhile
  MSG msg;
};

struct CrossThreadSend {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
};

class ThreadQueue {
 public:
  // `wake` interrupts the UI thread's wait (called with or without the lock).
  explicit ThreadQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

  // --- handles other threads may address ---
  void SetLive(HWND hwnd, bool live);
  void SetForeign(HWND hwnd, ForeignId id);  // 0: no longer addressable
  bool IsAddressable(HWND hwnd) const;

  // --- posting (any thread) ---
  void Post(const MSG& msg);
  struct PostOutcome {
    bool queued = false;    // a message for this process, now in the queue
    ForeignId foreign = 0;  // a window of another process: the caller delivers it
  };
  // Posts to a live own handle or the thread (hwnd null), stamped with `time`
  // and the pointer position; tells a foreign window apart; neither when the
  // handle is dead.
  PostOutcome PostTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
  void PostQuit(int exitCode);
  std::optional<int> PendingQuit() const;
  // WM_QUIT's exit code if one is pending; consumed when `remove`.
  std::optional<int> TakeQuit(bool remove);

  // --- retrieval (UI thread) ---
  // The first posted message `accept` takes; dropped ones of dead windows are
  // removed on the way.
  std::optional<MSG> TakePosted(const std::function<bool(const MSG&)>& accept, bool remove);
  bool HasPosted() const;
  // The front input item unless it is being cooked; stays valid until popped.
  InputItem* FrontInput();
  void PopInput();
  void RecordRetrieved(const MSG& msg) {
    lastTime_ = msg.time;
    lastPos_ = msg.pt;
  }
  DWORD LastMessageTime() const { return lastTime_; }
  POINT LastMessagePos() const { return lastPos_; }
  void SetLastMessagePos(POINT pt) { lastPos_ = pt; }

  // --- device input (any thread) ---
  // Stamps the item (its own time or `now`), applies it to the device state
  // and queues it. Injected presses, releases and wheel turns happen where the
  // pointer is; moves and native events carry their own position.
  void PushInput(InputItem item, DWORD now);
  POINT CursorPos() const;
  void SetCursorPos(POINT pt);
  bool AsyncKeyDown(UINT virtualKey) const;

  // --- sends from other threads ---
  // Blocks the calling thread until the UI thread answered; false (without
  // waiting) when the handle is not addressable.
  bool SendAndWait(CrossThreadSend& send);
  CrossThreadSend* TakeCrossSend();
  void Complete(CrossThreadSend* send, LRESULT result);
  // Whether the UI thread is answering a send from another thread; returns
  // the previous value.
  bool SetInCrossSend(bool inSend) { return std::exchange(inCrossSend_, inSend); }
  bool InCrossSend() const { return inCrossSend_; }

 private:
  std::function<void()> wake_;
  mutable std::mutex mutex_;
  std::condition_variable sendDone_;
  std::deque<MSG> posted_;
  std::deque<InputItem> input_;
  std::deque<CrossThreadSend*> crossSends_;
  std::unordered_set<std::uintptr_t> live_;
  std::unordered_map<std::uintptr_t, ForeignId> foreign_;
  bool quitPosted_ = false;
  int quitCode_ = 0;
  POINT cursorPos_;
  KeyState asyncKeys_;
  // UI thread only.
  DWORD lastTime_ = 0;
  POINT lastPos_;
  bool inCrossSend_ = false;
};

}  // namespace os::internal
