// Focus, activation, capture, hover/leave tracking, the cursor and the key
// state; turning device events into messages the way Windows does; caption
// drags and border resizes; and the input-injection API.
#include <algorithm>
#include <cstdlib>

#include "platform/base/DebugOutput.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

constexpr std::uintptr_t kCursorBase = 0x7F000000;

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

WPARAM MouseKeyFlags() { return Sys().input().Keys().MouseKeyFlags(); }

LPARAM PackPoint(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

POINT CursorPosition() { return Sys().queue().CursorPos(); }

void PostTrackMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  PostToQueue(MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(Now()), CursorPosition()});
}

// A pointer event routed to `hwnd` with hit code `hit`: what tracking makes
// of it.
void UpdatePointerWindow(HWND hwnd, int hit, POINT pt) {
  if (auto leave = Sys().input().PointerMoved(hwnd, hit, pt, Now()))
    PostTrackMessage(leave->hwnd, leave->message, 0, 0);
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
  InputState& input = Sys().input();
  HWND hwnd = input.Drag().hwnd;
  const bool native = input.Drag().native;
  input.EndDrag();
  if (!native && input.Capture() == hwnd) ReleaseCapture();
  if (auto w = Lookup(hwnd)) Send(w, WM_EXITSIZEMOVE, 0, 0);
}

void DragTo(POINT pt) {
  InputState& input = Sys().input();
  const DragState d = input.Drag();
  auto w = LookupOwn(d.hwnd);
  if (!w) {
    input.EndDrag();
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
  InputState& input = Sys().input();
  const PointerEvent& e = item.pointer;
  const POINT pt = e.screen;
  const DWORD time = item.time;

  if (e.kind == PointerEvent::Kind::Down || e.kind == PointerEvent::Kind::Up) {
    input.Keys().Set(ButtonKey(e.button), e.kind == PointerEvent::Kind::Down);
  }

  // A caption drag or border resize owns the pointer until its button goes up.
  if (input.Drag().active) {
    if (!input.Drag().native && e.kind == PointerEvent::Kind::Move) {
      DragTo(pt);
    } else if (e.kind == PointerEvent::Kind::Up && e.button == input.Drag().button) {
      EndDrag();
    }
    return false;
  }

  if (e.kind == PointerEvent::Kind::Leave) {
    if (!input.Capture()) UpdatePointerWindow(nullptr, HTNOWHERE, pt);
    return false;
  }

  if (e.kind == PointerEvent::Kind::Wheel || e.kind == PointerEvent::Kind::HorizontalWheel) {
    HWND target = input.KeyTarget();
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
  if (const HWND capture = input.Capture()) {
    target = LookupOwn(capture);
    if (!target) return false;
    auto under = DeepestWindowAt(pt, true);
    UpdatePointerWindow(under ? under->handle : nullptr,
                        under && under->handle == capture ? HTCLIENT : HTNOWHERE, pt);
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
    if (e.kind == PointerEvent::Kind::Down && root && input.Active() != root->handle &&
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
    message = input.Press(target->handle, message, time, pt, wantsDouble, e.button, e.native);
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
  HWND target = Sys().input().KeyTarget();
  item.msg = MakeKeyMessage(target, item.keyEvent, item.time);
  if (target && IsWindow(target)) return true;
  DebugOutput(DebugCategory::Input, "input: a keystroke found no focus or active window; dropped");
  return false;
}

HCURSOR CursorHandle(WORD id) { return reinterpret_cast<HCURSOR>(kCursorBase + id); }

}  // namespace

MSG MakeKeyMessage(HWND target, const KeyEvent& k, DWORD time) {
  InputState& input = Sys().input();
  KeyState& keys = input.Keys();
  const UINT vk = GenericKey(k.virtualKey & 0xFF);
  const bool wasDown = keys.IsDown(vk);
  keys.Set(k.virtualKey & 0xFF, k.down);
  const bool alt = keys.IsDown(VK_MENU);
  const bool ctrl = keys.IsDown(VK_CONTROL);
  // Without a focus window keystrokes reach the active window as system keys.
  const bool system = vk == VK_MENU || vk == VK_F10 || (alt && !ctrl) || !target || target != input.Focus();
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
  sys.queue().PushInput(std::move(item), static_cast<DWORD>(sys.backend().NowMs()));
}

bool CookInput(InputItem& item) { return item.key ? CookKey(item) : CookPointer(item); }

void HoverDue() {
  InputState& input = Sys().input();
  const auto hover = input.TakeHover(Now());
  if (!hover) return;
  POINT pt = CursorPosition();
  if (hover->message == WM_NCMOUSEHOVER) {
    PostTrackMessage(hover->hwnd, WM_NCMOUSEHOVER, static_cast<WPARAM>(input.PointerHit()), PackPoint(pt));
  } else {
    ScreenToClient(hover->hwnd, &pt);
    PostTrackMessage(hover->hwnd, WM_MOUSEHOVER, MouseKeyFlags(), PackPoint(pt));
  }
}

void StartSystemDrag(const WindowPtr& w, bool move, UINT edge) {
  WindowSystem& sys = Sys();
  InputState& input = sys.input();
  if (input.Drag().active || (w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
  if (!input.LastPressButtonDown()) return;  // the button is already up
  const POINT pt = sys.queue().LastMessagePos();
  MINMAXINFO mmi = QueryMinMaxInfo(w);
  if (w->destroyed) return;
  DragState d;
  d.active = true;
  d.move = move;
  d.edge = edge;
  d.hwnd = w->handle;
  d.button = input.LastPressButton();
  d.start = pt;
  d.startRect = w->rect;
  d.minTrack = {mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y};
  d.maxTrack = {mmi.ptMaxTrackSize.x, mmi.ptMaxTrackSize.y};
  if (input.LastPressNative() && w->surface) {
    const DWORD time = sys.queue().LastMessageTime();
    const bool handed =
        move ? sys.backend().BeginMoveDrag(w->surface, d.button, pt, time)
             : sys.backend().BeginResizeDrag(w->surface, edge, d.button, pt, time, d.minTrack, d.maxTrack);
    if (handed) {
      d.native = true;
      input.BeginDrag(d);
      Send(w, WM_ENTERSIZEMOVE, 0, 0);
      return;
    }
  }
  Send(w, WM_ENTERSIZEMOVE, 0, 0);
  if (w->destroyed) return;
  SetCapture(w->handle);
  input.BeginDrag(d);
}

void ActivateWindow(HWND hwnd, WORD how, bool fromBackend) {
  WindowSystem& sys = Sys();
  InputState& input = sys.input();
  const HWND old = input.Active();
  if (hwnd == old) return;
  WindowPtr next = hwnd ? LookupOwn(hwnd) : nullptr;
  if (hwnd && (!next || !IsTopLevel(*next))) return;
  if (auto prev = LookupOwn(old)) {
    Send(prev, WM_NCACTIVATE, FALSE, 0);
    Send(prev, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (prev->style & WS_MINIMIZE) ? 1 : 0),
         reinterpret_cast<LPARAM>(hwnd));
    if (input.Active() != old) return;  // a handler activated something else
  }
  if (next && next->destroyed) return;
  input.SetActive(hwnd);
  if (!old != !hwnd && !input.ModalBox()) {
    // The application as a whole became active or inactive.
    for (HWND h : std::vector<HWND>(sys.windows().TopLevel())) {
      if (auto t = LookupOwn(h)) Send(t, WM_ACTIVATEAPP, hwnd ? TRUE : FALSE, 0);
    }
  }
  if (next && !next->destroyed && input.Active() == hwnd) {
    ZOrderInsert(*next, HWND_TOP);
    if (next->surface && !fromBackend && !sys.ApplyingBackendChange())
      sys.backend().ActivateSurface(next->surface);
    Send(next, WM_NCACTIVATE, TRUE, 0);
    Send(next, WM_ACTIVATE, MAKEWPARAM(how, (next->style & WS_MINIMIZE) ? 1 : 0),
         reinterpret_cast<LPARAM>(old));
  }
  // The focus belongs inside the active window.
  if (input.Focus() && input.Active() == hwnd && !IsSelfOrDescendant(hwnd, input.Focus())) SetFocus(nullptr);
}

void ActivateOtherWindow(HWND leaving) {
  WindowSystem& sys = Sys();
  if (sys.input().Active() != leaving) return;
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
    for (HWND h : sys.windows().TopLevel()) {
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
  if (sys.input().Forget(hwnd)) sys.backend().SetCapture(0);
}

void ApplyCursorToBackend() {
  WindowSystem& sys = Sys();
  auto root = Lookup(RootOf(sys.input().CursorOwner()));
  if (root && root->surface) sys.backend().SetCursor(root->surface, CursorShapeOf(sys.input().Cursor()));
}

}  // namespace internal

using namespace internal;

// ---------------------------------------------------------------------------
// Focus and activation

HWND SetFocus(HWND hwnd) {
  InputState& input = Sys().input();
  const HWND old = input.Focus();
  if (!hwnd) {
    input.SetFocus(nullptr);
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
  if (root != input.Active()) {
    ActivateWindow(root, WA_ACTIVE, false);
    if (w->destroyed || input.Active() != root) return nullptr;
  }
  const HWND previous = input.Focus();
  if (previous == hwnd) return old;
  input.SetFocus(hwnd);
  if (auto p = LookupOwn(previous)) Send(p, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (input.Focus() == hwnd && !w->destroyed) Send(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return old;
}

HWND GetFocus() { return Sys().input().Focus(); }

HWND SetActiveWindow(HWND hwnd) {
  const HWND old = Sys().input().Active();
  auto w = LookupOwn(hwnd);
  if (hwnd && (!w || !IsTopLevel(*w))) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  ActivateWindow(hwnd, WA_ACTIVE, false);
  return old;
}

HWND GetActiveWindow() { return Sys().input().Active(); }
HWND GetForegroundWindow() { return Sys().input().Active(); }

BOOL SetForegroundWindow(HWND hwnd) {
  auto w = LookupOwn(RootOf(hwnd));
  if (!w) return FALSE;
  ActivateWindow(w->handle, WA_ACTIVE, false);
  return Sys().input().Active() == w->handle ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Capture

HWND SetCapture(HWND hwnd) {
  WindowSystem& sys = Sys();
  const HWND old = sys.input().Capture();
  auto w = LookupOwn(hwnd);
  if (!w) return old;
  if (old == hwnd) return old;
  sys.input().SetCapture(hwnd);
  if (auto o = LookupOwn(old)) Send(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  auto root = Lookup(RootOf(hwnd));
  if (root && root->surface) sys.backend().SetCapture(root->surface);
  return old;
}

BOOL ReleaseCapture() {
  WindowSystem& sys = Sys();
  InputState& input = sys.input();
  const HWND old = input.Capture();
  if (!old) return TRUE;
  input.SetCapture(nullptr);
  const DragState& drag = input.Drag();
  if (drag.active && !drag.native && drag.hwnd == old) {
    // Losing the capture ends a drag the shared layer carries out.
    input.EndDrag();
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
  item.pointer.screen = sys.queue().CursorPos();
  EnqueueInput(std::move(item));
  return TRUE;
}

HWND GetCapture() { return Sys().input().Capture(); }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  WindowSystem& sys = Sys();
  InputState& input = sys.input();
  if (!tme || tme->cbSize != sizeof(TRACKMOUSEEVENT)) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (tme->dwFlags & TME_QUERY) {
    const TrackState& t = input.Tracking();
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
    input.CancelTracking(w->handle, nonClient, wanted);
    return TRUE;
  }
  if (!input.PointerOver(w->handle, nonClient)) {
    // Not over the window at all: the leave is due at once.
    if (wanted & TME_LEAVE) PostTrackMessage(w->handle, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  input.Track(w->handle, nonClient, wanted, tme->dwHoverTime, sys.queue().CursorPos(), Now());
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
  const HCURSOR old = Sys().input().SetCursor(cursor);
  if (old != cursor) ApplyCursorToBackend();
  return old;
}

HCURSOR GetCursor() { return Sys().input().Cursor(); }

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = Sys().queue().CursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  inject::MouseMove(POINT{x, y});
  return TRUE;
}

short GetKeyState(int virtualKey) {
  const BYTE s = Sys().input().Keys().Raw(virtualKey);
  return static_cast<short>(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

short GetAsyncKeyState(int virtualKey) {
  return static_cast<short>(Sys().queue().AsyncKeyDown(virtualKey) ? 0x8000 : 0);
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
