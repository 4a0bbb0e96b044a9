// Geometry and show state: SetWindowPos with its WM_WINDOWPOSCHANGING /
// WM_NCCALCSIZE / WM_WINDOWPOSCHANGED sequence, minimise, maximise and
// restore, ShowWindow, the Z order, monitors, system metrics, window regions
// and rectangle helpers.
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

RECT MoveRectTo(const RECT& r, int x, int y) {
  return RECT{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool ContainsPoint(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Monitor index nearest to a screen rectangle (largest overlap, else closest).
std::size_t NearestMonitor(const std::vector<MonitorDesc>& monitors, const RECT& r, bool* overlapping) {
  std::size_t best = 0;
  long long bestArea = -1;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    RECT x;
    if (IntersectRect(&x, &monitors[i].monitor, &r)) {
      long long area = static_cast<long long>(Width(x)) * Height(x);
      if (area > bestArea) {
        bestArea = area;
        best = i;
      }
    }
  }
  if (overlapping) *overlapping = bestArea > 0;
  if (bestArea > 0) return best;
  long long bestDistance = LLONG_MAX;
  POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const RECT& m = monitors[i].monitor;
    long long dx = c.x < m.left ? m.left - c.x : (c.x >= m.right ? c.x - m.right + 1 : 0);
    long long dy = c.y < m.top ? m.top - c.y : (c.y >= m.bottom ? c.y - m.bottom + 1 : 0);
    long long d = dx * dx + dy * dy;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

std::size_t PrimaryMonitor(const std::vector<MonitorDesc>& monitors) {
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (monitors[i].primary) return i;
  }
  return 0;
}

HMONITOR MonitorHandle(std::size_t index) {
  return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
}

HMONITOR PickMonitor(const RECT& r, DWORD flags) {
  auto monitors = Monitors();
  bool overlapping = false;
  std::size_t index = NearestMonitor(monitors, r, &overlapping);
  if (!overlapping) {
    if (flags == MONITOR_DEFAULTTONULL) return nullptr;
    if (flags == MONITOR_DEFAULTTOPRIMARY) index = PrimaryMonitor(monitors);
  }
  return MonitorHandle(index);
}

// The monitor and work area a window maximises onto (parent client area for
// a child window).
void MaximizeArea(const Window& w, RECT* monitor, RECT* work) {
  if (!IsTopLevel(w)) {
    auto p = Lookup(w.parent);
    RECT c{0, 0, p ? Width(p->client) : 0, p ? Height(p->client) : 0};
    *monitor = *work = c;
    return;
  }
  auto monitors = Monitors();
  RECT basis = (w.style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w.normalRect : w.rect;
  const MonitorDesc& m = monitors[NearestMonitor(monitors, basis, nullptr)];
  *monitor = m.monitor;
  *work = m.work;
}

void InvalidateParentArea(const Window& w, const RECT& rectInParent) {
  auto p = Lookup(w.parent);
  if (!p || p->desktop) return;
  // Child rectangles are in the parent's client coordinates already.
  RECT r = rectInParent;
  InvalidateInternal(p, &r, true, false);
}

}  // namespace

int FrameThickness(DWORD style, DWORD exStyle) {
  int f = 0;
  if (style & WS_THICKFRAME) {
    f = kSizeFrame;
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    f = kFixedFrame;
  } else if (style & WS_BORDER) {
    f = kBorder;
  }
  if (exStyle & WS_EX_CLIENTEDGE) f += 2;
  if (exStyle & WS_EX_STATICEDGE) f += 1;
  return f;
}

RECT ComputeNonClient(const Window& w, const RECT& windowRect) {
  if (w.style & WS_MINIMIZE) return RECT{windowRect.left, windowRect.top, windowRect.left, windowRect.top};
  RECT c = windowRect;
  int f = FrameThickness(w.style, w.exStyle);
  c.left += f;
  c.right -= f;
  c.top += f;
  c.bottom -= f;
  if ((w.style & WS_CAPTION) == WS_CAPTION) c.top += kCaption;
  c.right = std::max(c.right, c.left);
  c.bottom = std::max(c.bottom, c.top);
  return c;
}

std::vector<MonitorDesc> Monitors() {
  auto monitors = Sys().backend().Monitors();
  if (monitors.empty()) {
    MonitorDesc m;
    m.monitor = m.work = RECT{0, 0, 1920, 1080};
    m.primary = true;
    monitors.push_back(m);
  }
  return monitors;
}

MINMAXINFO DefaultMinMaxInfo(const Window& w) {
  RECT monitor, work;
  MaximizeArea(w, &monitor, &work);
  int f = FrameThickness(w.style, w.exStyle);
  MINMAXINFO mmi{};
  mmi.ptMaxSize = {Width(monitor) + 2 * f, Height(monitor) + 2 * f};
  mmi.ptMaxPosition = {-f, -f};
  mmi.ptMinTrackSize = {kMinTrackWidth, kMinTrackHeight};
  mmi.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  return mmi;
}

MINMAXINFO QueryMinMaxInfo(const WindowPtr& w) {
  MINMAXINFO mmi = DefaultMinMaxInfo(*w);
  Send(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

void ZOrderInsert(Window& w, HWND after) { Sys().windows().PlaceInZOrder(w, after); }

// The descendants that appeared or vanished with w: each child visible by
// itself hears WM_SHOWWINDOW with SW_PARENTOPENING or SW_PARENTCLOSING, after
// the change, so IsWindowVisible already answers the new state. A child window
// that mirrors a native widget (a web view, a native edit field) hides or shows
// it at once; otherwise the widget stays on screen over whatever replaced its
// window and takes the clicks meant for it.
void TellDescendantsShown(const WindowPtr& w, bool shown) {
  // Copied: a handler may create, destroy or reparent children.
  const std::vector<HWND> children = w->children;
  for (HWND handle : children) {
    auto child = LookupOwn(handle);
    if (!child || child->destroyed || IsTopLevel(*child) || child->parent != w->handle ||
        !(child->style & WS_VISIBLE))
      continue;
    Send(child, WM_SHOWWINDOW, shown ? TRUE : FALSE, shown ? SW_PARENTOPENING : SW_PARENTCLOSING);
    if (w->destroyed) return;
    if (!child->destroyed) TellDescendantsShown(child, shown);
  }
}

BOOL SetWindowPosInternal(const WindowPtr& w, HWND after, int x, int y, int cx, int cy, UINT flags) {
  WindowSystem& sys = Sys();
  if (!w || w->destroyed || w->desktop || w->foreign) return FALSE;
  if (w->style & WS_VISIBLE) {
    flags &= ~SWP_SHOWWINDOW;
  } else {
    flags &= ~SWP_HIDEWINDOW;
  }
  if (after == w->handle) flags |= SWP_NOZORDER;
  cx = ClampWindowExtent(cx);
  cy = ClampWindowExtent(cy);
  x = ClampWindowCoordinate(x);
  y = ClampWindowCoordinate(y);
  if (flags & SWP_NOSIZE) {
    cx = Width(w->rect);
    cy = Height(w->rect);
  }
  if (flags & SWP_NOMOVE) {
    x = w->rect.left;
    y = w->rect.top;
  }
  if (cx == Width(w->rect) && cy == Height(w->rect)) flags |= SWP_NOSIZE;
  if (x == w->rect.left && y == w->rect.top) flags |= SWP_NOMOVE;

  WINDOWPOS wp{w->handle, after, x, y, cx, cy, flags};
  if (!(flags & SWP_NOSENDCHANGING)) {
    Send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (w->destroyed) return FALSE;
    flags = wp.flags;
    if (!(flags & SWP_NOSIZE)) {
      cx = ClampWindowExtent(wp.cx);
      cy = ClampWindowExtent(wp.cy);
    }
    if (!(flags & SWP_NOMOVE)) {
      x = ClampWindowCoordinate(wp.x);
      y = ClampWindowCoordinate(wp.y);
    }
    after = wp.hwndInsertAfter;
  }

  const RECT oldRect = w->rect;
  const RECT oldClient = w->client;
  RECT newRect{x, y, x + cx, y + cy};
  if (flags & SWP_NOMOVE) newRect = MoveRectTo(newRect, oldRect.left, oldRect.top);
  if (flags & SWP_NOSIZE)
    newRect = RECT{newRect.left, newRect.top, newRect.left + Width(oldRect), newRect.top + Height(oldRect)};

  const bool sized = Width(newRect) != Width(oldRect) || Height(newRect) != Height(oldRect);
  RECT newClient;
  if (w->style & WS_MINIMIZE) {
    newClient = RECT{newRect.left, newRect.top, newRect.left, newRect.top};
  } else if (sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params;
    params.rgrc[0] = newRect;
    params.rgrc[1] = oldRect;
    params.rgrc[2] = oldClient;
    WINDOWPOS copy{w->handle, after, newRect.left, newRect.top, Width(newRect), Height(newRect), flags};
    params.lppos = &copy;
    Send(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    if (w->destroyed) return FALSE;
    newClient = params.rgrc[0];
    newClient.right = std::max(newClient.right, newClient.left);
    newClient.bottom = std::max(newClient.bottom, newClient.top);
  } else {
    newClient = oldClient;
    OffsetRect(&newClient, newRect.left - oldRect.left, newRect.top - oldRect.top);
  }

  w->rect = newRect;
  w->client = newClient;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = newRect;
  if (!(flags & SWP_NOZORDER)) ZOrderInsert(*w, after);

  const bool showing = (flags & SWP_SHOWWINDOW) != 0;
  const bool hiding = (flags & SWP_HIDEWINDOW) != 0;
  if (showing) w->style |= WS_VISIBLE;
  if (hiding) w->style &= ~WS_VISIBLE;

  if (w->surface && !sys.ApplyingBackendChange()) {
    if (!EqualRect(&oldRect, &newRect)) sys.backend().MoveSurface(w->surface, newRect);
    if (!(flags & SWP_NOZORDER) && (after == HWND_TOP || after == HWND_TOPMOST)) {
      sys.backend().RaiseSurface(w->surface);
    }
  }
  if (w->surface && (showing || hiding)) {
    sys.backend().ShowSurface(w->surface, showing, showing && !(flags & SWP_NOACTIVATE));
  }

  // Keep the update region inside the client area and repaint what the new
  // geometry exposed.
  RECT clientArea{0, 0, Width(newClient), Height(newClient)};
  w->update.Clip(clientArea);
  if (showing) {
    InvalidateInternal(w, nullptr, true, true);
  } else if (!hiding && (w->style & WS_VISIBLE)) {
    const int ow = Width(oldClient), oh = Height(oldClient);
    const int nw = Width(newClient), nh = Height(newClient);
    const UINT classStyle = w->cls ? w->cls->style : 0;
    if ((flags & SWP_FRAMECHANGED) || (nw != ow && (classStyle & CS_HREDRAW)) ||
        (nh != oh && (classStyle & CS_VREDRAW))) {
      InvalidateInternal(w, nullptr, true, true);
    } else {
      if (nw > ow) {
        RECT r{ow, 0, nw, nh};
        InvalidateInternal(w, &r, true, true);
      }
      if (nh > oh) {
        RECT r{0, oh, nw, nh};
        InvalidateInternal(w, &r, true, true);
      }
    }
  }
  if (!IsTopLevel(*w) && !w->messageOnly &&
      (hiding || ((w->style & WS_VISIBLE) && !EqualRect(&oldRect, &newRect)))) {
    InvalidateParentArea(*w, oldRect);
    if (!hiding && !EqualRect(&oldRect, &newRect)) InvalidateInternal(w, nullptr, true, true);
  }

  if (IsTopLevel(*w) && !(flags & SWP_NOACTIVATE) && (w->style & WS_VISIBLE) && !hiding &&
      !(w->exStyle & WS_EX_NOACTIVATE) && !(w->style & WS_DISABLED)) {
    ActivateWindow(w->handle, WA_ACTIVE, false);
    if (w->destroyed) return TRUE;
  }

  if (Width(newClient) == Width(oldClient) && Height(newClient) == Height(oldClient))
    flags |= SWP_NOCLIENTSIZE;
  if (newClient.left == oldClient.left && newClient.top == oldClient.top) flags |= SWP_NOCLIENTMOVE;
  WINDOWPOS done{w->handle, after, newRect.left, newRect.top, Width(newRect), Height(newRect), flags};
  Send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  if ((showing || hiding) && !w->destroyed) {
    // Nothing changed on screen below a window whose own parent is hidden.
    auto parent = IsTopLevel(*w) ? nullptr : Lookup(w->parent);
    if (!parent || IsVisibleChain(*parent)) TellDescendantsShown(w, showing);
  }
  return TRUE;
}

void MinimizeWindow(const WindowPtr& w, UINT swpFlags) {
  WindowSystem& sys = Sys();
  if (w->style & WS_MINIMIZE) {
    SetWindowPosInternal(w, nullptr, 0, 0, 0, 0, swpFlags | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    return;
  }
  w->restoreToMaximized = (w->style & WS_MAXIMIZE) != 0;
  w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
  if (IsSelfOrDescendant(w->handle, sys.input().Focus())) SetFocus(nullptr);
  if (w->destroyed) return;
  if (w->surface && !sys.ApplyingBackendChange())
    sys.backend().SetSurfaceState(w->surface, SurfaceState::Minimized);
  SetWindowPosInternal(w, nullptr, kIconicPosition, kIconicPosition, kIconicWidth, kIconicHeight,
                       swpFlags | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_STATECHANGED);
}

void MaximizeWindow(const WindowPtr& w, UINT swpFlags) {
  WindowSystem& sys = Sys();
  MINMAXINFO mmi = QueryMinMaxInfo(w);
  if (w->destroyed) return;
  w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
  RECT monitor, work;
  MaximizeArea(*w, &monitor, &work);
  RECT r;
  if ((w->style & WS_CAPTION) == WS_CAPTION && mmi.ptMaxSize.x >= Width(monitor) &&
      mmi.ptMaxSize.y >= Height(monitor)) {
    // A captioned window that would cover the whole monitor stops at the work
    // area, as the taskbar stays visible on Windows.
    r.left = work.left + mmi.ptMaxPosition.x;
    r.top = work.top + mmi.ptMaxPosition.y;
    r.right = r.left + mmi.ptMaxSize.x - (Width(monitor) - Width(work));
    r.bottom = r.top + mmi.ptMaxSize.y - (Height(monitor) - Height(work));
  } else {
    r.left = monitor.left + mmi.ptMaxPosition.x;
    r.top = monitor.top + mmi.ptMaxPosition.y;
    r.right = r.left + mmi.ptMaxSize.x;
    r.bottom = r.top + mmi.ptMaxSize.y;
  }
  if (w->surface && !sys.ApplyingBackendChange())
    sys.backend().SetSurfaceState(w->surface, SurfaceState::Maximized);
  SetWindowPosInternal(w, nullptr, r.left, r.top, Width(r), Height(r),
                       swpFlags | SWP_FRAMECHANGED | SWP_STATECHANGED);
}

void RestoreWindow(const WindowPtr& w, UINT swpFlags) {
  WindowSystem& sys = Sys();
  const bool wasMinimized = (w->style & WS_MINIMIZE) != 0;
  if (wasMinimized) {
    if (!Send(w, WM_QUERYOPEN, 0, 0) || w->destroyed) return;
    if (w->restoreToMaximized) {
      w->restoreToMaximized = false;
      MaximizeWindow(w, swpFlags);
      return;
    }
  }
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
    SetWindowPosInternal(w, nullptr, 0, 0, 0, 0, swpFlags | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    return;
  }
  w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  RECT r = w->normalRect;
  if (w->surface && !sys.ApplyingBackendChange())
    sys.backend().SetSurfaceState(w->surface, SurfaceState::Normal);
  SetWindowPosInternal(w, nullptr, r.left, r.top, Width(r), Height(r),
                       swpFlags | SWP_FRAMECHANGED | SWP_STATECHANGED);
}

bool TopLevelContains(const Window& w, POINT pt) {
  if (w.foreign || !(w.style & WS_VISIBLE) || (w.style & WS_MINIMIZE)) return false;
  if ((w.exStyle & WS_EX_LAYERED) && (w.exStyle & WS_EX_TRANSPARENT)) return false;
  if (!ContainsPoint(w.rect, pt)) return false;
  const int wx = pt.x - w.rect.left, wy = pt.y - w.rect.top;
  if (w.shape && !w.shape->Contains(wx, wy)) return false;
  if (w.layeredFramePresented && !w.layeredAlpha.empty()) {
    if (wx >= w.layeredWidth || wy >= w.layeredHeight ||
        w.layeredAlpha[static_cast<std::size_t>(wy) * w.layeredWidth + wx] == 0) {
      return false;
    }
  }
  return true;
}

bool ChildContains(const Window& child, POINT pt) {
  if (!(child.style & WS_VISIBLE)) return false;
  auto parent = Lookup(child.parent);
  if (!parent) return false;
  POINT origin = ClientOrigin(*parent);
  RECT parentClient{origin.x, origin.y, origin.x + Width(parent->client), origin.y + Height(parent->client)};
  if (!ContainsPoint(parentClient, pt)) return false;
  POINT local{pt.x - origin.x, pt.y - origin.y};
  if (!ContainsPoint(child.rect, local)) return false;
  return !child.shape || child.shape->Contains(local.x - child.rect.left, local.y - child.rect.top);
}

WindowPtr DescendAt(const WindowPtr& window, POINT pt, bool enabledOnly) {
  WindowPtr cur = window;
  for (;;) {
    WindowPtr next;
    for (HWND c : cur->children) {
      auto child = Lookup(c);
      if (child && ChildContains(*child, pt)) {
        next = child;
        break;
      }
    }
    if (!next || (enabledOnly && (next->style & WS_DISABLED))) return cur;
    cur = next;
  }
}

WindowPtr DeepestWindowAt(POINT pt, bool enabledOnly) {
  for (HWND h : Sys().windows().TopLevel()) {
    auto w = Lookup(h);
    if (w && TopLevelContains(*w, pt)) return DescendAt(w, pt, enabledOnly);
  }
  return nullptr;
}

POINT ClientOrigin(const Window& w) {
  POINT p{w.client.left, w.client.top};
  WindowPtr cur = Lookup(w.parent);
  while (cur && !cur->desktop) {
    p.x += cur->client.left;
    p.y += cur->client.top;
    cur = Lookup(cur->parent);
  }
  return p;
}

RECT ScreenRect(const Window& w) {
  RECT r = w.rect;
  if (auto p = Lookup(w.parent); p && !p->desktop) {
    POINT o = ClientOrigin(*p);
    OffsetRect(&r, o.x, o.y);
  }
  return r;
}

}  // namespace internal

using namespace internal;

// ---------------------------------------------------------------------------
// Geometry

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (flags & SWP_ASYNCWINDOWPOS) flags &= ~SWP_ASYNCWINDOWPOS;
  const bool wasActive = Sys().input().Active() == hwnd;
  BOOL ok = SetWindowPosInternal(w, insertAfter, x, y, cx, cy, flags);
  if (ok && (flags & SWP_HIDEWINDOW) && wasActive && !w->destroyed) ActivateOtherWindow(hwnd);
  return ok;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  auto w = Lookup(hwnd);
  if (!w || !rect) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = ScreenRect(*w);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  auto w = Lookup(hwnd);
  if (!w || !rect) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  auto w = Lookup(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(*w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  auto w = Lookup(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(*w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from) {
    auto w = Lookup(from);
    if (!w) return 0;
    a = ClientOrigin(*w);
  }
  if (to) {
    auto w = Lookup(to);
    if (!w) return 0;
    b = ClientOrigin(*w);
  }
  const int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  int f = FrameThickness(style, exStyle);
  rect->left -= f;
  rect->right += f;
  rect->top -= f;
  rect->bottom += f;
  if ((style & WS_CAPTION) == WS_CAPTION) rect->top -= kCaption;
  if (menu) rect->top -= 20;
  return TRUE;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  auto w = LookupOwn(hwnd);
  if (!w || !placement) return FALSE;
  placement->flags = w->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
  placement->showCmd = (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
                       : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                                  : SW_SHOWNORMAL;
  placement->ptMinPosition = {-1, -1};
  placement->ptMaxPosition = {-1, -1};
  placement->rcNormalPosition = w->normalRect;
  return TRUE;
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

// ---------------------------------------------------------------------------
// Show state

BOOL ShowWindow(HWND hwnd, int command) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasVisible = (w->style & WS_VISIBLE) != 0;
  const bool wasMinimized = (w->style & WS_MINIMIZE) != 0;
  const bool wasActive = sys.input().Active() == hwnd;
  const bool top = IsTopLevel(*w);
  enum class Change { None, Minimize, Maximize, Restore } change = Change::None;
  bool show = true;
  bool activate = top;
  switch (command) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      show = false;
      activate = false;
      break;
    case SW_SHOWMINIMIZED:
      change = Change::Minimize;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      change = Change::Minimize;
      activate = false;
      break;
    case SW_SHOWMAXIMIZED:
      change = Change::Maximize;
      break;
    case SW_SHOWNA:
      activate = false;
      break;
    case SW_SHOWNOACTIVATE:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) change = Change::Restore;
      activate = false;
      break;
    case SW_SHOW:
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
    default:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) change = Change::Restore;
      break;
  }
  if (show != wasVisible) {
    Send(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (w->destroyed) return wasVisible;
  }
  UINT flags = (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | (activate ? 0 : SWP_NOACTIVATE);
  if (!top || !activate) flags |= SWP_NOZORDER;
  switch (change) {
    case Change::Minimize:
      MinimizeWindow(w, flags);
      break;
    case Change::Maximize:
      MaximizeWindow(w, flags);
      break;
    case Change::Restore:
      RestoreWindow(w, flags);
      break;
    case Change::None:
      SetWindowPosInternal(w, HWND_TOP, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE);
      break;
  }
  if (w->destroyed) return wasVisible;

  if (!show) {
    if (IsSelfOrDescendant(hwnd, sys.input().Focus())) {
      // Hiding the focus moves it to the parent (nowhere for a top-level window).
      HWND parent = top ? nullptr : w->parent;
      SetFocus(parent);
    }
    if (wasActive) ActivateOtherWindow(hwnd);
  } else if (change == Change::Minimize && command == SW_MINIMIZE && wasActive) {
    ActivateOtherWindow(hwnd);
  } else if (wasMinimized && !(w->style & WS_MINIMIZE) && (sys.input().Active() == hwnd || !top)) {
    // Leaving the minimised state gives the window the focus back.
    SetFocus(hwnd);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  auto w = Lookup(hwnd);
  return w && IsVisibleChain(*w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto w = Lookup(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    Send(w, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    Send(w, WM_CANCELMODE, 0, 0);
    if (w->destroyed) return FALSE;
    w->style |= WS_DISABLED;
    if (IsSelfOrDescendant(hwnd, sys.input().Focus())) SetFocus(nullptr);
    if (IsSelfOrDescendant(hwnd, sys.input().Capture())) ReleaseCapture();
    Send(w, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  auto w = Lookup(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  auto w = Lookup(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Monitors and system settings

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  auto w = Lookup(hwnd);
  if (!w) return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorHandle(PrimaryMonitor(Monitors()));
  auto root = Lookup(RootOf(hwnd));
  if (!root) root = w;
  RECT r = (root->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? root->normalRect : ScreenRect(*root);
  if (IsRectEmpty(&r)) r.right = r.left + 1, r.bottom = r.top + 1;
  return PickMonitor(r, flags);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
  RECT r{point.x, point.y, point.x + 1, point.y + 1};
  return PickMonitor(r, flags);
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!rect) return nullptr;
  RECT r = *rect;
  if (IsRectEmpty(&r)) r.right = r.left + 1, r.bottom = r.top + 1;
  return PickMonitor(r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  auto monitors = Monitors();
  auto index = reinterpret_cast<std::uintptr_t>(monitor);
  if (!info || index == 0 || index > monitors.size()) return FALSE;
  const MonitorDesc& m = monitors[index - 1];
  info->rcMonitor = m.monitor;
  info->rcWork = m.work;
  info->dwFlags = index - 1 == PrimaryMonitor(monitors) ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

BOOL SystemParametersInfo(UINT action, UINT, void* pvParam, UINT) {
  if (!pvParam) return FALSE;
  switch (action) {
    case SPI_GETWORKAREA: {
      auto monitors = Monitors();
      *static_cast<RECT*>(pvParam) = monitors[PrimaryMonitor(monitors)].work;
      return TRUE;
    }
    case SPI_GETMOUSEHOVERTIME:
      *static_cast<UINT*>(pvParam) = kHoverTime;
      return TRUE;
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
      *static_cast<UINT*>(pvParam) = kHoverRect;
      return TRUE;
    default:
      return FALSE;
  }
}

int GetSystemMetrics(int index) {
  auto monitors = Monitors();
  const MonitorDesc& primary = monitors[PrimaryMonitor(monitors)];
  RECT virtualScreen = primary.monitor;
  for (const auto& m : monitors) UnionRect(&virtualScreen, &virtualScreen, &m.monitor);
  switch (index) {
    case SM_CXSCREEN:
      return Width(primary.monitor);
    case SM_CYSCREEN:
      return Height(primary.monitor);
    case SM_XVIRTUALSCREEN:
      return virtualScreen.left;
    case SM_YVIRTUALSCREEN:
      return virtualScreen.top;
    case SM_CXVIRTUALSCREEN:
      return Width(virtualScreen);
    case SM_CYVIRTUALSCREEN:
      return Height(virtualScreen);
    case SM_CMONITORS:
      return static_cast<int>(monitors.size());
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 17;
    case SM_CYCAPTION:
      return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return kFixedFrame;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kSizeFrame / 2;
    case SM_CXPADDEDBORDER:
      return kSizeFrame / 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 36;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return kMinTrackWidth;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return kMinTrackHeight;
    case SM_CXMAXTRACK:
      return Width(virtualScreen) + 2 * kSizeFrame + 4;
    case SM_CYMAXTRACK:
      return Height(virtualScreen) + 2 * kSizeFrame + 4;
    case SM_CXMAXIMIZED:
      return Width(primary.work) + 2 * kSizeFrame;
    case SM_CYMAXIMIZED:
      return Height(primary.work) + 2 * kSizeFrame;
    case SM_CXFULLSCREEN:
      return Width(primary.work);
    case SM_CYFULLSCREEN:
      return Height(primary.work) - kCaption;
    case SM_CXMINIMIZED:
      return kIconicWidth;
    case SM_CYMINIMIZED:
      return kIconicHeight;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return kDoubleClickRect;
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------
// Regions

namespace {

HRGN AddRegion(const WindowShape& shape) { return Sys().regions().Add(shape); }

const WindowShape* FindRegion(HRGN region) { return Sys().regions().Find(region); }

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  WindowShape shape;
  shape.rect =
      RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  return AddRegion(shape);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  WindowShape shape;
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (ellipseWidth >= 2 && ellipseHeight >= 2) {
    // GDI leaves the right and bottom edge out of rounded regions.
    r.right = std::max(r.left, r.right - 1);
    r.bottom = std::max(r.top, r.bottom - 1);
  }
  shape.rect = r;
  shape.ellipseWidth = std::abs(ellipseWidth);
  shape.ellipseHeight = std::abs(ellipseHeight);
  return AddRegion(shape);
}

BOOL DeleteObject(HRGN region) { return Sys().regions().Remove(region) ? TRUE : FALSE; }

BOOL PtInRegion(HRGN region, int x, int y) {
  const WindowShape* shape = FindRegion(region);
  return shape && shape->Contains(x, y) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
  const WindowShape* shape = FindRegion(region);
  if (!shape || !box) return RGN_ERROR;
  *box = shape->rect;
  if (IsRectEmpty(box)) return NULLREGION;
  return shape->ellipseWidth >= 2 && shape->ellipseHeight >= 2 ? COMPLEXREGION : SIMPLEREGION;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (region) {
    auto shape = sys.regions().Take(region);  // the window owns it now
    if (!shape) {
      SetLastErrorCode(ERROR_INVALID_HANDLE);
      return 0;
    }
    w->shape = *shape;
  } else {
    w->shape.reset();
  }
  if (w->surface) sys.backend().SetSurfaceShape(w->surface, w->shape ? &*w->shape : nullptr);
  if (redraw && (w->style & WS_VISIBLE)) InvalidateInternal(w, nullptr, true, true);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  auto w = LookupOwn(hwnd);
  if (!w || !w->shape || !Sys().regions().Replace(region, *w->shape)) return RGN_ERROR;
  return w->shape->ellipseWidth >= 2 && w->shape->ellipseHeight >= 2 ? COMPLEXREGION : SIMPLEREGION;
}

// ---------------------------------------------------------------------------
// Rectangles

BOOL IsRectEmpty(const RECT* r) { return !r || r->left >= r->right || r->top >= r->bottom; }

BOOL PtInRect(const RECT* r, POINT p) { return r && ContainsPoint(*r, p) ? TRUE : FALSE; }

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (r.left >= r.right || r.top >= r.bottom) {
    *dst = RECT{};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    *dst = IsRectEmpty(b) ? RECT{} : *b;
  } else if (IsRectEmpty(b)) {
    *dst = *a;
  } else {
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
  }
  return IsRectEmpty(dst) ? FALSE : TRUE;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* r) {
  if (!r) return FALSE;
  *r = RECT{};
  return TRUE;
}

BOOL EqualRect(const RECT* a, const RECT* b) { return a && b && *a == *b ? TRUE : FALSE; }

}  // namespace os
