// The input state's own rules: double clicks, hover and leave tracking, and
// forgetting a window.
#include "platform/window/internal/InputState.h"

#include <cstdlib>

namespace os::internal {

UINT InputState::Press(HWND hwnd, UINT message, DWORD time, POINT pt, bool wantsDouble, MouseButton button,
                       bool native) {
  lastPressButton_ = button;
  lastPressNative_ = native;
  const ClickRecord& last = lastClick_;
  // Unsigned: a tick count that wrapped between the presses still measures.
  const bool isDouble = wantsDouble && last.valid && last.hwnd == hwnd && last.message == message &&
                        time - last.time <= kDoubleClickTime &&
                        std::abs(pt.x - last.pt.x) <= kDoubleClickRect / 2 &&
                        std::abs(pt.y - last.pt.y) <= kDoubleClickRect / 2;
  if (isDouble) {
    lastClick_ = ClickRecord{};
    return message + 2;
  }
  lastClick_ = ClickRecord{true, hwnd, message, time, pt};
  return message;
}

bool InputState::PointerOver(HWND hwnd, bool nonClient) const {
  if (pointerWindow_ != hwnd) return false;
  return nonClient ? pointerHit_ != HTCLIENT && pointerHit_ != HTNOWHERE : pointerHit_ == HTCLIENT;
}

std::optional<TrackMessage> InputState::PointerMoved(HWND hwnd, int hit, POINT pt, std::uint64_t now) {
  pointerWindow_ = hwnd;
  pointerHit_ = hit;
  TrackState& t = track_;
  if (!t.hwnd) return std::nullopt;
  if (!PointerOver(t.hwnd, t.nonClient)) {
    if (capture_ == t.hwnd) return std::nullopt;  // no leave while the tracked window holds the mouse
    std::optional<TrackMessage> leave;
    if (t.flags & TME_LEAVE) leave = TrackMessage{t.hwnd, t.nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE};
    t = TrackState{};
    return leave;
  }
  if (t.hoverArmed && (std::abs(pt.x - t.hoverOrigin.x) > kHoverRect / 2 ||
                       std::abs(pt.y - t.hoverOrigin.y) > kHoverRect / 2)) {
    t.hoverOrigin = pt;
    t.hoverDue = now + t.hoverTime;
  }
  return std::nullopt;
}

void InputState::Track(HWND hwnd, bool nonClient, DWORD flags, UINT hoverTime, POINT origin,
                       std::uint64_t now) {
  TrackState& t = track_;
  if (t.hwnd != hwnd || t.nonClient != nonClient) t = TrackState{};
  t.hwnd = hwnd;
  t.nonClient = nonClient;
  t.flags |= flags & (TME_HOVER | TME_LEAVE);
  if (flags & TME_HOVER) {
    t.hoverTime = hoverTime == HOVER_DEFAULT ? kHoverTime : hoverTime;
    t.hoverArmed = true;
    t.hoverOrigin = origin;
    t.hoverDue = now + t.hoverTime;
  }
}

void InputState::CancelTracking(HWND hwnd, bool nonClient, DWORD flags) {
  TrackState& t = track_;
  if (t.hwnd != hwnd || t.nonClient != nonClient) return;
  t.flags &= ~(flags & (TME_HOVER | TME_LEAVE));
  if (flags & TME_HOVER) t.hoverArmed = false;
  if (!t.flags) t = TrackState{};
}

std::optional<TrackMessage> InputState::TakeHover(std::uint64_t now) {
  TrackState& t = track_;
  if (!t.hwnd || !t.hoverArmed || now < t.hoverDue) return std::nullopt;
  TrackMessage hover{t.hwnd, t.nonClient ? WM_NCMOUSEHOVER : WM_MOUSEHOVER};
  t.hoverArmed = false;
  t.flags &= ~TME_HOVER;
  if (!t.flags) t = TrackState{};
  return hover;
}

std::optional<std::uint64_t> InputState::HoverDeadline() const {
  if (!track_.hwnd || !track_.hoverArmed) return std::nullopt;
  return track_.hoverDue;
}

bool InputState::Forget(HWND hwnd) {
  if (active_ == hwnd) active_ = nullptr;
  if (focus_ == hwnd) focus_ = nullptr;
  const bool heldCapture = capture_ == hwnd;
  if (heldCapture) capture_ = nullptr;
  if (track_.hwnd == hwnd) track_ = TrackState{};
  if (drag_.hwnd == hwnd) drag_ = DragState{};
  if (pointerWindow_ == hwnd) pointerWindow_ = nullptr;
  if (lastClick_.hwnd == hwnd) lastClick_ = ClickRecord{};
  return heldCapture;
}

}  // namespace os::internal
