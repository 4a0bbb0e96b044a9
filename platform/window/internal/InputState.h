// The UI thread's input state and the rules that need nothing but it: which
// window is active, has the focus or holds the capture; the cursor; the key
// state as messages have seen it; the last press (double clicks); the window
// the pointer was last routed to; hover and leave tracking; a caption drag or
// border resize under way. The messages a change sends are the business of
// the callers (SetFocus, ActivateWindow, SetCapture, ...): this type only
// keeps the state consistent, and forgets a window everywhere at once.
//
// Double clicks: a press makes its double-click message when the last press
// was the same message to the same window, within the double-click time and
// the double-click rectangle (centred on the first press); the pair is then
// used up, so a third press starts over.
//
// Tracking: one window (client or non-client area) at a time. Leaving it
// fires TME_LEAVE once and ends the tracking, except while the tracked window
// holds the capture; moving outside the hover rectangle restarts the hover
// time; the hover fires once and ends TME_HOVER.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/window/Input.h"
#include "platform/window/internal/KeyState.h"

namespace os::internal {

constexpr UINT kDoubleClickTime = 500;
constexpr UINT kHoverTime = 400;
constexpr int kHoverRect = 4;        // SM_CXMOUSEHOVER / SM_CYMOUSEHOVER
constexpr int kDoubleClickRect = 4;  // SM_CXDOUBLECLK / SM_CYDOUBLECLK

struct DragState {
  bool active = false;
  bool native = false;  // the backend carries it out
  bool move = true;
  UINT edge = 0;  // WMSZ_* for a resize
  HWND hwnd = nullptr;
  MouseButton button = MouseButton::Left;
  POINT start;
  RECT startRect;  // parent client coordinates
  SIZE minTrack;
  SIZE maxTrack;
};

struct TrackState {
  HWND hwnd = nullptr;
  DWORD flags = 0;  // TME_HOVER | TME_LEAVE
  bool nonClient = false;
  UINT hoverTime = kHoverTime;
  bool hoverArmed = false;
  std::uint64_t hoverDue = 0;
  POINT hoverOrigin;
};

// A message tracking wants posted: WM_MOUSELEAVE, WM_NCMOUSEHOVER, ...
struct TrackMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
};

class InputState {
 public:
  HWND Active() const { return active_; }
  void SetActive(HWND hwnd) { active_ = hwnd; }
  HWND Focus() const { return focus_; }
  void SetFocus(HWND hwnd) { focus_ = hwnd; }
  HWND Capture() const { return capture_; }
  void SetCapture(HWND hwnd) { capture_ = hwnd; }
  HCURSOR Cursor() const { return cursor_; }
  HCURSOR SetCursor(HCURSOR cursor) { return std::exchange(cursor_, cursor); }
  // The window whose surface shows the cursor: the capture, else the window
  // under the pointer.
  HWND CursorOwner() const { return capture_ ? capture_ : pointerWindow_; }
  // Where keystrokes and wheel turns go: the focus, else the active window.
  HWND KeyTarget() const { return focus_ ? focus_ : active_; }

  KeyState& Keys() { return keys_; }
  const KeyState& Keys() const { return keys_; }

  // The message a press makes: `message` or its double-click message
  // (client and non-client ones are both +2) when `wantsDouble`.
  UINT Press(HWND hwnd, UINT message, DWORD time, POINT pt, bool wantsDouble, MouseButton button,
             bool native);
  MouseButton LastPressButton() const { return lastPressButton_; }
  bool LastPressNative() const { return lastPressNative_; }
  bool LastPressButtonDown() const { return keys_.IsDown(ButtonKey(lastPressButton_)); }

  // --- pointer and tracking ---
  HWND PointerWindow() const { return pointerWindow_; }
  int PointerHit() const { return pointerHit_; }
  bool PointerOver(HWND hwnd, bool nonClient) const;
  // The pointer was routed to `hwnd` with hit code `hit` (null and HTNOWHERE
  // over no window of ours): the leave message due when it left the tracked
  // window, and a restart of the hover time when it left the hover rectangle.
  std::optional<TrackMessage> PointerMoved(HWND hwnd, int hit, POINT pt, std::uint64_t now);
  // TME_HOVER and/or TME_LEAVE for a window the pointer is over.
  void Track(HWND hwnd, bool nonClient, DWORD flags, UINT hoverTime, POINT origin, std::uint64_t now);
  void CancelTracking(HWND hwnd, bool nonClient, DWORD flags);
  const TrackState& Tracking() const { return track_; }
  // The hover message once its time has come (then TME_HOVER is used up).
  std::optional<TrackMessage> TakeHover(std::uint64_t now);
  // The armed hover's deadline, passed or not.
  std::optional<std::uint64_t> HoverDeadline() const;

  // --- caption drag or border resize ---
  const DragState& Drag() const { return drag_; }
  void BeginDrag(const DragState& drag) { drag_ = drag; }
  void EndDrag() { drag_ = DragState{}; }

  // While a message box is up the application stays active although none of
  // its windows is: no WM_ACTIVATEAPP for the round trip. Returns the old value.
  bool SetModalBox(bool up) { return std::exchange(modalBox_, up); }
  bool ModalBox() const { return modalBox_; }

  // Drops every reference to a window going away; true when it held the
  // capture (the backend's grab goes with it).
  bool Forget(HWND hwnd);

 private:
  HWND active_ = nullptr;
  HWND focus_ = nullptr;
  HWND capture_ = nullptr;
  HCURSOR cursor_ = nullptr;
  KeyState keys_;
  struct ClickRecord {
    bool valid = false;
    HWND hwnd = nullptr;
    UINT message = 0;  // the button-down message it produced
    DWORD time = 0;
    POINT pt;
  } lastClick_;
  MouseButton lastPressButton_ = MouseButton::Left;
  bool lastPressNative_ = false;
  HWND pointerWindow_ = nullptr;
  int pointerHit_ = HTNOWHERE;
  TrackState track_;
  DragState drag_;
  bool modalBox_ = false;
};

}  // namespace os::internal
