// Focus, activation, capture, hover/leave tracking, the cursor and the key
// state; turning device events into messages the way Windows does; caption
// drags and border resizes; and the input-injection API.
#include <algorithm>
#include <cstdlib>

#include "platform/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

constexpr std::uintptr_t kCursorBase = 0x7F000000;

UINT ButtonKey(MouseButton b) {
  switch (b) {
    case MouseButton::Left:
      return VK_LBUTTON;
    case MouseButton::Right:
      return VK_RBUTTON;
    case MouseButton::Middle:
      return VK_MBUTTON;
    case MouseButton::X1:
      return VK_XBUTTON1;
    case MouseButton::X2:
      return VK_XBUTTON2;
  }
  return VK_LBUTTON;
}

// The client message for a pointer event; non-client ones are 0xA0 lower
// (WM_NCMOUSEMOVE is 0x00A0, WM_NCLBUTTONDOWN 0x00A1, ... WM_NCXBUTTONUP 0x00AC).
UINT ClientMessage(PointerEvent::Kind kind, MouseButton b) {
  if (kind == PointerEvent::Kind::Move) return WM_MOUSEMOVE;
  const bool down = kind == PointerEvent::Kind::Down;
  switch (b) {
    case MouseButton::Left:
      return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case MouseButton::Right:
      return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case MouseButton::Middle:
      return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    case MouseButton::X1:
    case MouseButton::X2:
      return down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
  }
  return WM_MOUSEMOVE;
}

UINT NonClientMessage(UINT clientMessage) {
  switch (clientMessage) {
    case WM_MOUSEMOVE:
      return WM_NCMOUSEMOVE;
    case WM_LBUTTONDOWN:
      return WM_NCLBUTTONDOWN;
    case WM_LBUTTONUP:
      return WM_NCLBUTTONUP;
    case WM_RBUTTONDOWN:
      return WM_NCRBUTTONDOWN;
    case WM_RBUTTONUP:
      return WM_NCRBUTTONUP;
    case WM_MBUTTONDOWN:
      return WM_NCMBUTTONDOWN;
    case WM_MBUTTONUP:
      return WM_NCMBUTTONUP;
    case WM_XBUTTONDOWN:
      return WM_NCXBUTTONDOWN;
    case WM_XBUTTONUP:
      return WM_NCXBUTTONUP;
    default:
      return clientMessage;
  }
}

// Button-down → double-click message (both client and non-client are +2).
UINT DoubleClickMessage(UINT down) { return down + 2; }

WPARAM MouseKeyFlags() {
  const BYTE* ks = Sys().keyState;
  WPARAM flags = 0;
  if (ks[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
  if (ks[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
  if (ks[VK_MBUTTON] & 0x80) flags |= MK_MBUTTON;
  if (ks[VK_XBUTTON1] & 0x80) flags |= MK_XBUTTON1;
  if (ks[VK_XBUTTON2] & 0x80) flags |= MK_XBUTTON2;
  if (ks[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
  if (ks[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
  return flags;
}

// Left/right modifier keys also move their generic key, and messages carry
// the generic one.
UINT GenericKey(UINT vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return vk;
  }
}

void SetKeyBit(BYTE* state, UINT vk, bool down) {
  vk &= 0xFF;
  const bool was = state[vk] & 0x80;
  if (down) {
    state[vk] |= 0x80;
    if (!was && (vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL)) state[vk] ^= 0x01;
  } else {
    state[vk] &= ~0x80;
  }
}

void UpdateKeyState(BYTE* state, UINT vk, bool down) {
  SetKeyBit(state, vk, down);
  const UINT generic = GenericKey(vk);
  if (generic != vk) {
    SetKeyBit(state, generic, down);
  } else if (vk == VK_SHIFT) {
    SetKeyBit(state, VK_LSHIFT, down);
  } else if (vk == VK_CONTROL) {
    SetKeyBit(state, VK_LCONTROL, down);
  } else if (vk == VK_MENU) {
    SetKeyBit(state, VK_LMENU, down);
  }
}

LPARAM PackPoint(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

POINT CursorPosition() {
  WindowSystem& sys = Sys();
  std::lock_guard lock(sys.queueMutex);
  return sys.cursorPos;
}

void PostTrackMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  PostToQueue(MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(Now()), CursorPosition()});
}

// A pointer event routed to `hwnd` with hit code `hit` (HTNOWHERE and nullptr
// when over no window of ours): WM_MOUSELEAVE for a tracked window the pointer
// left, and a restart of the hover time when it left the hover rectangle.
void UpdatePointerWindow(HWND hwnd, int hit, POINT pt) {
  WindowSystem& sys = Sys();
  sys.pointerWindow = hwnd;
  sys.pointerHit = hit;
  TrackState& t = sys.track;
  if (!t.hwnd) return;
  const bool inside = hwnd == t.hwnd && (t.nonClient ? hit != HTCLIENT && hit != HTNOWHERE : hit == HTCLIENT);
  if (!inside) {
    if (sys.capture == t.hwnd) return;  // no leave while the tracked window holds the mouse
    if (t.flags & TME_LEAVE) PostTrackMessage(t.hwnd, t.nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    t = TrackState{};
    return;
  }
  if (t.hoverArmed && (std::abs(pt.x - t.hoverOrigin.x) > kHoverRect / 2 ||
                       std::abs(pt.y - t.hoverOrigin.y) > kHoverRect / 2)) {
    t.hoverOrigin = pt;
    t.hoverDue = Now() + t.hoverTime;
  }
}

struct HitResult {
  WindowPtr window;
  int hit = HTNOWHERE;
};

// The window below `w` at the point: a lower sibling containing it (and its
// deepest child), else the parent.
WindowPtr WindowBelow(const WindowPtr& w, POINT pt) {
  auto parent = Lookup(w->parent);
  if (!parent) return nullptr;
  auto& list = parent->children;
  auto it = std::find(list.begin(), list.end(), w->handle);
  if (it != list.end()) {
    for (++it; it != list.end(); ++it) {
      auto s = Lookup(*it);
      if (!s) continue;
      const bool contains = parent->desktop ? TopLevelContains(*s, pt) : ChildContains(*s, pt);
      if (contains) return DescendAt(s, pt, true);
    }
  }
  return parent->desktop ? nullptr : parent;
}

// WM_NCHITTEST from the deepest window under the point up, skipping windows
// that answer HTTRANSPARENT.
HitResult HitTestPoint(POINT pt) {
  WindowPtr w = DeepestWindowAt(pt, true);
  for (int guard = 0; w && guard < 256; ++guard) {
    LRESULT hit = Send(w, WM_NCHITTEST, 0, PackPoint(pt));
    if (w->destroyed) return {};
    if (hit != HTTRANSPARENT) return {w, static_cast<int>(hit)};
    w = WindowBelow(w, pt);
  }
  return {};
}

void EndDrag() {
  WindowSystem& sys = Sys();
  HWND hwnd = sys.drag.hwnd;
  const bool native = sys.drag.native;
  sys.drag = DragState{};
  if (!native && sys.capture == hwnd) ReleaseCapture();
  if (auto w = Lookup(hwnd)) Send(w, WM_EXITSIZEMOVE, 0, 0);
}

void DragTo(POINT pt) {
  WindowSystem& sys = Sys();
  DragState& d = sys.drag;
  auto w = LookupOwn(d.hwnd);
  if (!w) {
    d = DragState{};
    return;
  }
  const int dx = pt.x - d.start.x, dy = pt.y - d.start.y;
  if (d.move) {
    SetWindowPosInternal(w, nullptr, d.startRect.left + dx, d.startRect.top + dy, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  // The dragged edges follow the pointer; the opposite edges stay put, and
  // the size keeps to the track sizes.
  RECT r = d.startRect;
  const UINT e = d.edge;
  const bool left = e == WMSZ_LEFT || e == WMSZ_TOPLEFT || e == WMSZ_BOTTOMLEFT;
  const bool right = e == WMSZ_RIGHT || e == WMSZ_TOPRIGHT || e == WMSZ_BOTTOMRIGHT;
  const bool top = e == WMSZ_TOP || e == WMSZ_TOPLEFT || e == WMSZ_TOPRIGHT;
  const bool bottom = e == WMSZ_BOTTOM || e == WMSZ_BOTTOMLEFT || e == WMSZ_BOTTOMRIGHT;
  auto clampW = [&](int width) { return std::max<int>(std::min<int>(width, d.maxTrack.cx), d.minTrack.cx); };
  auto clampH = [&](int height) {
    return std::max<int>(std::min<int>(height, d.maxTrack.cy), d.minTrack.cy);
  };
  if (left) r.left = r.right - clampW(d.startRect.right - (d.startRect.left + dx));
  if (right) r.right = r.left + clampW(d.startRect.right + dx - d.startRect.left);
  if (top) r.top = r.bottom - clampH(d.startRect.bottom - (d.startRect.top + dy));
  if (bottom) r.bottom = r.top + clampH(d.startRect.bottom + dy - d.startRect.top);
  SetWindowPosInternal(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CookPointer(InputItem& item) {
  WindowSystem& sys = Sys();
  const PointerEvent& e = item.pointer;
  const POINT pt = e.screen;
  const DWORD time = item.time;

  if (e.kind == PointerEvent::Kind::Down || e.kind == PointerEvent::Kind::Up) {
    UpdateKeyState(sys.keyState, ButtonKey(e.button), e.kind == PointerEvent::Kind::Down);
  }

  // A caption drag or border resize owns the pointer until its button goes up.
  if (sys.drag.active) {
    if (!sys.drag.native && e.kind == PointerEvent::Kind::Move) {
      DragTo(pt);
    } else if (e.kind == PointerEvent::Kind::Up && e.button == sys.drag.button) {
      EndDrag();
    }
    return false;
  }

  if (e.kind == PointerEvent::Kind::Leave) {
    if (!sys.capture) UpdatePointerWindow(nullptr, HTNOWHERE, pt);
    return false;
  }

  if (e.kind == PointerEvent::Kind::Wheel || e.kind == PointerEvent::Kind::HorizontalWheel) {
    HWND target = sys.focus ? sys.focus : sys.active;
    if (!target) {
      auto under = DeepestWindowAt(pt, true);
      target = under ? under->handle : nullptr;
    }
    if (!target || !IsWindowEnabled(RootOf(target))) return false;
    const UINT message = e.kind == PointerEvent::Kind::Wheel ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL;
    item.msg = MSG{
        target,        message, MAKEWPARAM(static_cast<WORD>(MouseKeyFlags()), static_cast<WORD>(e.delta)),
        PackPoint(pt), time,    pt};
    return true;
  }

  const UINT clientMessage = ClientMessage(e.kind, e.button);
  WindowPtr target;
  int hit = HTCLIENT;
  if (sys.capture) {
    target = LookupOwn(sys.capture);
    if (!target) return false;
    auto under = DeepestWindowAt(pt, true);
    UpdatePointerWindow(under ? under->handle : nullptr,
                        under && under->handle == sys.capture ? HTCLIENT : HTNOWHERE, pt);
  } else {
    HitResult r = HitTestPoint(pt);
    UpdatePointerWindow(r.window ? r.window->handle : nullptr, r.hit, pt);
    if (!r.window) return false;
    target = r.window;
    hit = r.hit;
    auto root = Lookup(RootOf(target->handle));
    const bool blocked = hit == HTERROR || (root && (root->style & WS_DISABLED));
    if (blocked) {
      // A window disabled behind a modal box only gets the error cursor.
      Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target->handle),
           MAKELPARAM(static_cast<WORD>(HTERROR), static_cast<WORD>(clientMessage)));
      return false;
    }
    if (e.kind == PointerEvent::Kind::Down && root && sys.active != root->handle &&
        !(root->exStyle & WS_EX_NOACTIVATE)) {
      const LRESULT answer = Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root->handle),
                                  MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(clientMessage)));
      if (target->destroyed) return false;
      if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT)
        ActivateWindow(root->handle, WA_CLICKACTIVE, false);
      if (target->destroyed) return false;
      if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) return false;
    }
    Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target->handle),
         MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(clientMessage)));
    if (target->destroyed) return false;
  }

  const bool client = hit == HTCLIENT;
  UINT message = client ? clientMessage : NonClientMessage(clientMessage);
  if (e.kind == PointerEvent::Kind::Down) {
    // Non-client double clicks come to every window; client ones only to
    // windows whose class asks for them.
    const bool wantsDouble = !client || (target->cls && (target->cls->style & CS_DBLCLKS));
    ClickRecord& last = sys.lastClick;
    if (wantsDouble && last.valid && last.hwnd == target->handle && last.message == message &&
        time - last.time <= GetDoubleClickTime() && std::abs(pt.x - last.pt.x) <= kDoubleClickRect / 2 &&
        std::abs(pt.y - last.pt.y) <= kDoubleClickRect / 2) {
      message = DoubleClickMessage(message);
      last = ClickRecord{};
    } else {
      last = ClickRecord{true, target->handle, message, time, pt};
    }
    sys.lastPressButton = e.button;
    sys.lastPressNative = e.native;
  }

  WPARAM wParam;
  LPARAM lParam;
  const WORD xButton = e.button == MouseButton::X1 ? XBUTTON1 : e.button == MouseButton::X2 ? XBUTTON2 : 0;
  const bool isX = (e.kind != PointerEvent::Kind::Move) && xButton;
  if (client) {
    POINT local = pt;
    ScreenToClient(target->handle, &local);
    wParam = MouseKeyFlags();
    if (isX) wParam = MAKEWPARAM(static_cast<WORD>(wParam), xButton);
    lParam = PackPoint(local);
  } else {
    wParam = isX ? MAKEWPARAM(static_cast<WORD>(hit), xButton) : static_cast<WPARAM>(static_cast<WORD>(hit));
    lParam = PackPoint(pt);
  }
  item.msg = MSG{target->handle, message, wParam, lParam, time, pt};
  return true;
}

bool CookKey(InputItem& item) {
  WindowSystem& sys = Sys();
  HWND target = sys.focus ? sys.focus : sys.active;
  item.msg = MakeKeyMessage(target, item.keyEvent, item.time);
  if (target && IsWindow(target)) return true;
  DebugOutput(DebugCategory::Input, "input: a keystroke found no focus or active window; dropped");
  return false;
}

HCURSOR CursorHandle(WORD id) { return reinterpret_cast<HCURSOR>(kCursorBase + id); }

}  // namespace

MSG MakeKeyMessage(HWND target, const KeyEvent& k, DWORD time) {
  WindowSystem& sys = Sys();
  const UINT vk = GenericKey(k.virtualKey & 0xFF);
  const bool wasDown = sys.keyState[vk] & 0x80;
  UpdateKeyState(sys.keyState, k.virtualKey & 0xFF, k.down);
  const bool alt = sys.keyState[VK_MENU] & 0x80;
  const bool ctrl = sys.keyState[VK_CONTROL] & 0x80;
  // Without a focus window keystrokes reach the active window as system keys.
  const bool system = vk == VK_MENU || vk == VK_F10 || (alt && !ctrl) || !target || target != sys.focus;
  const UINT message = k.down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  std::uintptr_t l = 1u;
  l |= static_cast<std::uintptr_t>(k.scanCode & 0xFF) << 16;
  if (k.extended) l |= 1u << 24;
  if (alt && system) l |= 1u << 29;
  if (k.down ? wasDown : true) l |= 1u << 30;
  if (!k.down) l |= 1u << 31;
  WPARAM wParam = vk;
  if (vk == VK_PACKET) wParam |= static_cast<WPARAM>(k.character) << 16;
  return MSG{target, message,         wParam, static_cast<LPARAM>(static_cast<std::uint32_t>(l)),
             time,   CursorPosition()};
}

void EnqueueInput(InputItem item) {
  WindowSystem& sys = Sys();
  {
    std::lock_guard lock(sys.queueMutex);
    const std::optional<DWORD> given = item.key ? item.keyEvent.time : item.pointer.time;
    item.time = given ? *given : static_cast<DWORD>(sys.backend().NowMs());
    if (item.key) {
      UpdateKeyState(sys.asyncKeyState, item.keyEvent.virtualKey & 0xFF, item.keyEvent.down);
    } else {
      PointerEvent& e = item.pointer;
      // Device events carry their position; injected presses, releases and
      // wheel turns happen where the pointer is.
      if (e.kind == PointerEvent::Kind::Move || (e.native && e.kind != PointerEvent::Kind::Leave)) {
        sys.cursorPos = e.screen;
      } else if (e.kind != PointerEvent::Kind::Leave) {
        e.screen = sys.cursorPos;
      }
      if (e.kind == PointerEvent::Kind::Down || e.kind == PointerEvent::Kind::Up) {
        UpdateKeyState(sys.asyncKeyState, ButtonKey(e.button), e.kind == PointerEvent::Kind::Down);
      }
    }
    sys.input.push_back(std::move(item));
  }
  sys.backend().Wake();
}

bool CookInput(InputItem& item) { return item.key ? CookKey(item) : CookPointer(item); }

void HoverDue() {
  WindowSystem& sys = Sys();
  TrackState& t = sys.track;
  if (!t.hwnd || !t.hoverArmed || Now() < t.hoverDue) return;
  t.hoverArmed = false;
  t.flags &= ~TME_HOVER;
  POINT pt = CursorPosition();
  if (t.nonClient) {
    PostTrackMessage(t.hwnd, WM_NCMOUSEHOVER, static_cast<WPARAM>(sys.pointerHit), PackPoint(pt));
  } else {
    ScreenToClient(t.hwnd, &pt);
    PostTrackMessage(t.hwnd, WM_MOUSEHOVER, MouseKeyFlags(), PackPoint(pt));
  }
  if (!t.flags) t = TrackState{};
}

void StartSystemDrag(const WindowPtr& w, bool move, UINT edge) {
  WindowSystem& sys = Sys();
  if (sys.drag.active || (w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
  if (!(sys.keyState[ButtonKey(sys.lastPressButton)] & 0x80)) return;  // the button is already up
  const POINT pt = sys.lastMessagePos;
  MINMAXINFO mmi = QueryMinMaxInfo(w);
  if (w->destroyed) return;
  DragState d;
  d.active = true;
  d.move = move;
  d.edge = edge;
  d.hwnd = w->handle;
  d.button = sys.lastPressButton;
  d.start = pt;
  d.startRect = w->rect;
  d.minTrack = {mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y};
  d.maxTrack = {mmi.ptMaxTrackSize.x, mmi.ptMaxTrackSize.y};
  if (sys.lastPressNative && w->surface) {
    const bool handed = move ? sys.backend().BeginMoveDrag(w->surface, d.button, pt, sys.lastMessageTime)
                             : sys.backend().BeginResizeDrag(w->surface, edge, d.button, pt,
                                                             sys.lastMessageTime, d.minTrack, d.maxTrack);
    if (handed) {
      d.native = true;
      sys.drag = d;
      Send(w, WM_ENTERSIZEMOVE, 0, 0);
      return;
    }
  }
  Send(w, WM_ENTERSIZEMOVE, 0, 0);
  if (w->destroyed) return;
  SetCapture(w->handle);
  sys.drag = d;
}

void ActivateWindow(HWND hwnd, WORD how, bool fromBackend) {
  WindowSystem& sys = Sys();
  const HWND old = sys.active;
  if (hwnd == old) return;
  WindowPtr next = hwnd ? LookupOwn(hwnd) : nullptr;
  if (hwnd && (!next || !IsTopLevel(*next))) return;
  if (auto prev = LookupOwn(old)) {
    Send(prev, WM_NCACTIVATE, FALSE, 0);
    Send(prev, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (prev->style & WS_MINIMIZE) ? 1 : 0),
         reinterpret_cast<LPARAM>(hwnd));
    if (sys.active != old) return;  // a handler activated something else
  }
  if (next && next->destroyed) return;
  sys.active = hwnd;
  if (!old != !hwnd && !sys.modalBox) {
    // The application as a whole became active or inactive.
    for (HWND h : std::vector<HWND>(sys.desktop->children)) {
      if (auto t = LookupOwn(h)) Send(t, WM_ACTIVATEAPP, hwnd ? TRUE : FALSE, 0);
    }
  }
  if (next && !next->destroyed && sys.active == hwnd) {
    ZOrderInsert(*next, HWND_TOP);
    if (next->surface && !fromBackend && !sys.fromBackend) sys.backend().ActivateSurface(next->surface);
    Send(next, WM_NCACTIVATE, TRUE, 0);
    Send(next, WM_ACTIVATE, MAKEWPARAM(how, (next->style & WS_MINIMIZE) ? 1 : 0),
         reinterpret_cast<LPARAM>(old));
  }
  // The focus belongs inside the active window.
  if (sys.focus && sys.active == hwnd && !IsSelfOrDescendant(hwnd, sys.focus)) SetFocus(nullptr);
}

void ActivateOtherWindow(HWND leaving) {
  WindowSystem& sys = Sys();
  if (sys.active != leaving) return;
  // Windows owned by the one leaving go with it (they are hidden or
  // destroyed next), so they are no candidates.
  auto ownedByLeaving = [&](const WindowPtr& w) {
    for (auto o = Lookup(w->owner); o; o = Lookup(o->owner)) {
      if (o->handle == leaving) return true;
    }
    return false;
  };
  auto usable = [&](const WindowPtr& w) {
    return w && w->handle != leaving && !w->destroying && IsTopLevel(*w) && (w->style & WS_VISIBLE) &&
           !(w->style & WS_DISABLED) && !(w->exStyle & WS_EX_NOACTIVATE) && !(w->cls && w->cls->noSurface) &&
           !ownedByLeaving(w);
  };

  WindowPtr candidate;
  if (auto l = Lookup(leaving)) {
    auto owner = LookupOwn(l->owner);
    if (usable(owner)) candidate = owner;
  }
  if (!candidate) {
    for (HWND h : sys.desktop->children) {
      auto w = LookupOwn(h);
      if (usable(w) && !(w->style & WS_MINIMIZE)) {
        candidate = w;
        break;
      }
    }
  }
  ActivateWindow(candidate ? candidate->handle : nullptr, WA_ACTIVE, false);
}

void ForgetWindowInput(HWND hwnd) {
  WindowSystem& sys = Sys();
  if (sys.active == hwnd) sys.active = nullptr;
  if (sys.focus == hwnd) sys.focus = nullptr;
  if (sys.capture == hwnd) {
    sys.capture = nullptr;
    sys.backend().SetCapture(0);
  }
  if (sys.track.hwnd == hwnd) sys.track = TrackState{};
  if (sys.drag.hwnd == hwnd) sys.drag = DragState{};
  if (sys.pointerWindow == hwnd) sys.pointerWindow = nullptr;
  if (sys.lastClick.hwnd == hwnd) sys.lastClick = ClickRecord{};
}

void ApplyCursorToBackend() {
  WindowSystem& sys = Sys();
  HWND over = sys.capture ? sys.capture : sys.pointerWindow;
  auto root = Lookup(RootOf(over));
  if (root && root->surface) sys.backend().SetCursor(root->surface, CursorShapeOf(sys.cursor));
}

}  // namespace internal

using namespace internal;

// ---------------------------------------------------------------------------
// Focus and activation

HWND SetFocus(HWND hwnd) {
  WindowSystem& sys = Sys();
  const HWND old = sys.focus;
  if (!hwnd) {
    sys.focus = nullptr;
    if (auto o = LookupOwn(old)) Send(o, WM_KILLFOCUS, 0, 0);
    return old;
  }
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (hwnd == old) return old;
  // A disabled or minimised window (or one inside such a window) takes no focus.
  for (auto cur = w; cur && !cur->desktop; cur = Lookup(cur->parent)) {
    if (cur->style & (WS_DISABLED | WS_MINIMIZE)) return nullptr;
    if (IsTopLevel(*cur) || cur->messageOnly) break;
  }
  HWND root = RootOf(hwnd);
  if (root != sys.active) {
    ActivateWindow(root, WA_ACTIVE, false);
    if (w->destroyed || sys.active != root) return nullptr;
  }
  const HWND previous = sys.focus;
  if (previous == hwnd) return old;
  sys.focus = hwnd;
  if (auto p = LookupOwn(previous)) Send(p, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (sys.focus == hwnd && !w->destroyed) Send(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return old;
}

HWND GetFocus() { return Sys().focus; }

HWND SetActiveWindow(HWND hwnd) {
  WindowSystem& sys = Sys();
  const HWND old = sys.active;
  auto w = LookupOwn(hwnd);
  if (hwnd && (!w || !IsTopLevel(*w))) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  ActivateWindow(hwnd, WA_ACTIVE, false);
  return old;
}

HWND GetActiveWindow() { return Sys().active; }
HWND GetForegroundWindow() { return Sys().active; }

BOOL SetForegroundWindow(HWND hwnd) {
  auto w = LookupOwn(RootOf(hwnd));
  if (!w) return FALSE;
  ActivateWindow(w->handle, WA_ACTIVE, false);
  return Sys().active == w->handle ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Capture

HWND SetCapture(HWND hwnd) {
  WindowSystem& sys = Sys();
  const HWND old = sys.capture;
  auto w = LookupOwn(hwnd);
  if (!w) return old;
  if (old == hwnd) return old;
  sys.capture = hwnd;
  if (auto o = LookupOwn(old)) Send(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  auto root = Lookup(RootOf(hwnd));
  if (root && root->surface) sys.backend().SetCapture(root->surface);
  return old;
}

BOOL ReleaseCapture() {
  WindowSystem& sys = Sys();
  const HWND old = sys.capture;
  if (!old) return TRUE;
  sys.capture = nullptr;
  if (sys.drag.active && !sys.drag.native && sys.drag.hwnd == old) {
    // Losing the capture ends a drag the shared layer carries out.
    sys.drag = DragState{};
    if (auto o = LookupOwn(old)) {
      Send(o, WM_CAPTURECHANGED, 0, 0);
      Send(o, WM_EXITSIZEMOVE, 0, 0);
    }
  } else if (auto o = LookupOwn(old)) {
    Send(o, WM_CAPTURECHANGED, 0, 0);
  }
  sys.backend().SetCapture(0);
  // As on Windows, a pointer move follows so that the window under the
  // pointer (and leave tracking) catch up.
  InputItem item;
  item.pointer.kind = PointerEvent::Kind::Move;
  {
    std::lock_guard lock(sys.queueMutex);
    item.pointer.screen = sys.cursorPos;
  }
  EnqueueInput(std::move(item));
  return TRUE;
}

HWND GetCapture() { return Sys().capture; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  WindowSystem& sys = Sys();
  if (!tme || tme->cbSize != sizeof(TRACKMOUSEEVENT)) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TrackState& t = sys.track;
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = t.hwnd ? (t.flags | (t.nonClient ? TME_NONCLIENT : 0)) : 0;
    tme->hwndTrack = t.hwnd;
    tme->dwHoverTime = t.hoverTime;
    return TRUE;
  }
  auto w = LookupOwn(tme->hwndTrack);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const DWORD wanted = tme->dwFlags & (TME_HOVER | TME_LEAVE);
  const bool nonClient = (tme->dwFlags & TME_NONCLIENT) != 0;
  if (tme->dwFlags & TME_CANCEL) {
    if (t.hwnd == w->handle && t.nonClient == nonClient) {
      t.flags &= ~wanted;
      if (wanted & TME_HOVER) t.hoverArmed = false;
      if (!t.flags) t = TrackState{};
    }
    return TRUE;
  }
  const bool over =
      sys.pointerWindow == w->handle &&
      (nonClient ? sys.pointerHit != HTCLIENT && sys.pointerHit != HTNOWHERE : sys.pointerHit == HTCLIENT);
  if (!over) {
    // Not over the window at all: the leave is due at once.
    if (wanted & TME_LEAVE) PostTrackMessage(w->handle, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  if (t.hwnd != w->handle || t.nonClient != nonClient) t = TrackState{};
  t.hwnd = w->handle;
  t.nonClient = nonClient;
  t.flags |= wanted;
  if (wanted & TME_HOVER) {
    t.hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? kHoverTime : tme->dwHoverTime;
    t.hoverArmed = true;
    {
      std::lock_guard lock(sys.queueMutex);
      t.hoverOrigin = sys.cursorPos;
    }
    t.hoverDue = Now() + t.hoverTime;
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Cursor

HCURSOR LoadCursor(HINSTANCE instance, LPCWSTR name) {
  const auto id = reinterpret_cast<std::uintptr_t>(name);
  if (instance || !IS_INTRESOURCE(id)) return nullptr;
  switch (id) {
    case 32512:
    case 32513:
    case 32514:
    case 32515:
    case 32516:
    case 32640:
    case 32641:
    case 32642:
    case 32643:
    case 32644:
    case 32645:
    case 32646:
    case 32648:
    case 32649:
    case 32650:
    case 32651:
      return CursorHandle(static_cast<WORD>(id));
    default:
      return nullptr;
  }
}

CursorShape CursorShapeOf(HCURSOR cursor) {
  if (!cursor) return CursorShape::None;
  switch (reinterpret_cast<std::uintptr_t>(cursor) - kCursorBase) {
    case 32512:
      return CursorShape::Arrow;
    case 32513:
      return CursorShape::IBeam;
    case 32514:
      return CursorShape::Wait;
    case 32515:
      return CursorShape::Cross;
    case 32516:
      return CursorShape::UpArrow;
    case 32640:
      return CursorShape::SizeAll;
    case 32641:
      return CursorShape::Arrow;
    case 32642:
      return CursorShape::SizeNWSE;
    case 32643:
      return CursorShape::SizeNESW;
    case 32644:
      return CursorShape::SizeWE;
    case 32645:
      return CursorShape::SizeNS;
    case 32646:
      return CursorShape::SizeAll;
    case 32648:
      return CursorShape::No;
    case 32649:
      return CursorShape::Hand;
    case 32650:
      return CursorShape::AppStarting;
    case 32651:
      return CursorShape::Help;
    default:
      return CursorShape::Arrow;
  }
}

HCURSOR SetCursor(HCURSOR cursor) {
  WindowSystem& sys = Sys();
  HCURSOR old = sys.cursor;
  sys.cursor = cursor;
  if (old != cursor) ApplyCursorToBackend();
  return old;
}

HCURSOR GetCursor() { return Sys().cursor; }

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  WindowSystem& sys = Sys();
  std::lock_guard lock(sys.queueMutex);
  *point = sys.cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  inject::MouseMove(POINT{x, y});
  return TRUE;
}

short GetKeyState(int virtualKey) {
  const BYTE s = Sys().keyState[virtualKey & 0xFF];
  return static_cast<short>(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

short GetAsyncKeyState(int virtualKey) {
  WindowSystem& sys = Sys();
  std::lock_guard lock(sys.queueMutex);
  return static_cast<short>((sys.asyncKeyState[virtualKey & 0xFF] & 0x80) ? 0x8000 : 0);
}

// ---------------------------------------------------------------------------
// Injection

namespace inject {
namespace {

void Pointer(PointerEvent::Kind kind, POINT screen, MouseButton button, int delta) {
  PointerEvent e;
  e.kind = kind;
  e.screen = screen;
  e.button = button;
  e.delta = delta;
  Sys().PointerInput(e);
}

void Key(UINT vk, bool down, char16_t character = 0) {
  KeyEvent k;
  k.down = down;
  k.virtualKey = vk;
  k.character = character;
  Sys().KeyInput(k);
}

}  // namespace

void MouseMove(POINT screen) { Pointer(PointerEvent::Kind::Move, screen, MouseButton::Left, 0); }
void MouseDown(MouseButton button) { Pointer(PointerEvent::Kind::Down, {}, button, 0); }
void MouseUp(MouseButton button) { Pointer(PointerEvent::Kind::Up, {}, button, 0); }

void Click(POINT screen, MouseButton button) {
  MouseMove(screen);
  MouseDown(button);
  MouseUp(button);
}

void DoubleClick(POINT screen, MouseButton button) {
  Click(screen, button);
  MouseDown(button);
  MouseUp(button);
}

void Drag(POINT from, POINT to, int steps, MouseButton button) {
  steps = std::max(steps, 1);
  MouseMove(from);
  MouseDown(button);
  for (int i = 1; i <= steps; ++i) {
    MouseMove(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
  }
  MouseUp(button);
}

void Wheel(int delta) { Pointer(PointerEvent::Kind::Wheel, {}, MouseButton::Left, delta); }
void HorizontalWheel(int delta) {
  Pointer(PointerEvent::Kind::HorizontalWheel, {}, MouseButton::Left, delta);
}

void PointerLeave() {
  POINT p;
  GetCursorPos(&p);
  Pointer(PointerEvent::Kind::Leave, p, MouseButton::Left, 0);
}

void KeyDown(UINT virtualKey) { Key(virtualKey, true); }
void KeyUp(UINT virtualKey) { Key(virtualKey, false); }

void KeyPress(UINT virtualKey) {
  KeyDown(virtualKey);
  KeyUp(virtualKey);
}

void Text(std::u16string_view text) {
  for (char16_t c : text) {
    Key(VK_PACKET, true, c);
    Key(VK_PACKET, false, c);
  }
}

}  // namespace inject

}  // namespace os
