// Update regions, WM_PAINT, and presenting pixels: the BitBlt into a window
// and the layered-window frame.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

HDC DcOf(HWND hwnd) { return reinterpret_cast<HDC>(reinterpret_cast<std::uintptr_t>(hwnd) + 1); }

RECT ClientArea(const Window& w) {
  return RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top};
}

HWND FindPaintIn(const WindowPtr& w) {
  if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) return nullptr;
  if (!w->update.Empty()) return w->handle;
  for (HWND c : w->children) {
    if (HWND found = FindPaintIn(Lookup(c))) return found;
  }
  return nullptr;
}

void UpdateNow(const WindowPtr& w, bool children) {
  if (!w || w->destroyed) return;
  if (IsVisibleChain(*w) && !(w->style & WS_MINIMIZE) && !w->update.Empty()) Send(w, WM_PAINT, 0, 0);
  if (!children || w->destroyed) return;
  for (HWND c : std::vector<HWND>(w->children)) UpdateNow(Lookup(c), true);
}

}  // namespace

void InvalidateInternal(const WindowPtr& w, const RECT* clientRect, bool erase, bool children) {
  if (!w || w->destroyed || w->desktop || w->foreign) return;
  const RECT area = ClientArea(*w);
  RECT r = area;
  if (clientRect && !IntersectRect(&r, clientRect, &area)) return;
  if (IsRectEmpty(&r)) return;
  w->update.Add(r);
  if (erase) w->erasePending = true;
  if (!children || (w->style & WS_CLIPCHILDREN)) return;
  for (HWND c : w->children) {
    auto child = Lookup(c);
    if (!child) continue;
    RECT overlap;
    if (!IntersectRect(&overlap, &r, &child->rect)) continue;
    OffsetRect(&overlap, -child->client.left, -child->client.top);
    InvalidateInternal(child, &overlap, erase, true);
  }
}

void ValidateInternal(const WindowPtr& w, const RECT* clientRect) {
  if (!clientRect) {
    w->update.Clear();
  } else {
    w->update.Subtract(*clientRect);
  }
  if (w->update.Empty()) w->erasePending = false;
}

HWND FindWindowToPaint(HWND filter) {
  WindowSystem& sys = Sys();
  if (filter && filter != reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1))) {
    auto w = LookupOwn(filter);
    return w && IsVisibleChain(*w) ? FindPaintIn(w) : nullptr;
  }
  if (filter) return nullptr;
  for (HWND h : sys.windows().TopLevel()) {
    auto w = LookupOwn(h);
    if (HWND found = FindPaintIn(w)) return found;
  }
  return nullptr;
}

}  // namespace internal

using namespace internal;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  WindowSystem& sys = Sys();
  if (!hwnd) {
    for (HWND h : std::vector<HWND>(sys.windows().TopLevel()))
      InvalidateInternal(LookupOwn(h), nullptr, erase, true);
    return TRUE;
  }
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  InvalidateInternal(w, rect, erase != FALSE, true);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  ValidateInternal(w, rect);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  auto w = LookupOwn(hwnd);
  if (!w) {
    if (rect) *rect = RECT{};
    return FALSE;
  }
  const RECT bounds = w->update.Bounds();
  if (rect) *rect = bounds;
  if (w->update.Empty()) return FALSE;
  if (erase && w->erasePending) {
    w->erasePending = false;
    Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DcOf(hwnd)), 0);
  }
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  UpdateNow(w, true);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  WindowSystem& sys = Sys();
  std::vector<WindowPtr> targets;
  if (!hwnd) {
    for (HWND h : sys.windows().TopLevel()) {
      if (auto w = LookupOwn(h)) targets.push_back(w);
    }
  } else if (auto w = LookupOwn(hwnd)) {
    targets.push_back(w);
  } else {
    return FALSE;
  }
  RECT area{};
  const RECT* r = rect;
  if (!r && region && GetRgnBox(region, &area) != RGN_ERROR) r = &area;
  for (auto& w : targets) {
    const bool children =
        (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
    if (flags & RDW_INVALIDATE) InvalidateInternal(w, r, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_VALIDATE) ValidateInternal(w, r);
    if ((flags & RDW_ERASENOW) && w->erasePending && !w->destroyed) {
      w->erasePending = false;
      Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DcOf(w->handle)), 0);
    }
    if (flags & RDW_UPDATENOW) UpdateNow(w, (flags & RDW_ALLCHILDREN) != 0);
  }
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  auto w = LookupOwn(hwnd);
  if (!w || !paint) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  RECT area = ClientArea(*w);
  RECT bounds = w->update.Bounds();
  RECT paintRect{};
  IntersectRect(&paintRect, &bounds, &area);
  const bool erase = w->erasePending;
  w->update.Clear();
  w->erasePending = false;
  paint->hdc = DcOf(hwnd);
  paint->rcPaint = paintRect;
  paint->fErase = FALSE;
  paint->fRestore = FALSE;
  paint->fIncUpdate = FALSE;
  if (erase) {
    const LRESULT erased = Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0);
    paint->fErase = erased ? FALSE : TRUE;
  }
  return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT*) { return IsWindow(hwnd); }

HDC GetDC(HWND hwnd) {
  if (!hwnd) return DcOf(GetDesktopWindow());
  return IsWindow(hwnd) ? DcOf(hwnd) : nullptr;
}

int ReleaseDC(HWND hwnd, HDC dc) {
  return dc && WindowFromDC(dc) == (hwnd ? hwnd : GetDesktopWindow()) ? 1 : 0;
}

HWND WindowFromDC(HDC dc) {
  const auto value = reinterpret_cast<std::uintptr_t>(dc);
  if (!(value & 1)) return nullptr;
  auto w = LookupByHandleValue(value - 1);
  return w ? w->handle : nullptr;
}

BOOL BitBltToWindow(HWND hwnd, int x, int y, int width, int height, const PixelView& source, int xSrc,
                    int ySrc) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!source.pixels || source.width <= 0 || source.height <= 0 || source.stride < source.width * 4) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Clip the block to the source, then to the client area.
  if (xSrc < 0) x -= xSrc, width += xSrc, xSrc = 0;
  if (ySrc < 0) y -= ySrc, height += ySrc, ySrc = 0;
  width = std::min(width, source.LogicalWidth() - xSrc);
  height = std::min(height, source.LogicalHeight() - ySrc);
  RECT block{x, y, x + width, y + height};
  RECT area = ClientArea(*w);
  RECT dst;
  if (width <= 0 || height <= 0 || !IntersectRect(&dst, &block, &area)) return TRUE;
  xSrc += dst.left - x;
  ySrc += dst.top - y;

  auto root = Lookup(RootOf(hwnd));
  if (!root || !root->surface || root->layeredFramePresented) return TRUE;

  // Work in the root's window coordinates (the surface's).
  const POINT clientScreen = ClientOrigin(*w);
  const int ox = clientScreen.x - root->rect.left, oy = clientScreen.y - root->rect.top;
  RectList visible;
  RECT inSurface = dst;
  OffsetRect(&inSurface, ox, oy);
  visible.Add(inSurface);
  // Ancestors clip to their client areas; WS_CLIPCHILDREN keeps children's
  // pixels; WS_CLIPSIBLINGS keeps those of siblings above.
  auto clipChildren = [&](const WindowPtr& of) {
    POINT o = ClientOrigin(*of);
    for (HWND c : of->children) {
      auto child = Lookup(c);
      if (!child || !(child->style & WS_VISIBLE)) continue;
      RECT r = child->rect;
      OffsetRect(&r, o.x - root->rect.left, o.y - root->rect.top);
      visible.Subtract(r);
    }
  };
  if (w->style & WS_CLIPCHILDREN) clipChildren(w);
  for (auto cur = w; cur && cur != root;) {
    auto parent = Lookup(cur->parent);
    if (!parent || parent->desktop) break;
    POINT po = ClientOrigin(*parent);
    RECT pc{po.x - root->rect.left, po.y - root->rect.top, 0, 0};
    pc.right = pc.left + (parent->client.right - parent->client.left);
    pc.bottom = pc.top + (parent->client.bottom - parent->client.top);
    visible.Clip(pc);
    if (cur->style & WS_CLIPSIBLINGS) {
      for (HWND s : parent->children) {
        if (s == cur->handle) break;
        auto sibling = Lookup(s);
        if (!sibling || !(sibling->style & WS_VISIBLE)) continue;
        RECT r = sibling->rect;
        OffsetRect(&r, po.x - root->rect.left, po.y - root->rect.top);
        visible.Subtract(r);
      }
    }
    cur = parent;
  }
  for (const RECT& r : visible.Rects()) {
    POINT from{xSrc + (r.left - inSurface.left), ySrc + (r.top - inSurface.top)};
    sys.backend().Present(root->surface, source, from, r);
  }
  return TRUE;
}

Bitmap NewLayeredFrame(int width, int height, DeviceScale scale) {
  return Sys().backend().NewLayeredFrame(width, height, scale);
}

BOOL UpdateLayeredWindow(HWND hwnd, const POINT* screenPosition, const PixelView& frame, BYTE constantAlpha) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(w->exStyle & WS_EX_LAYERED) || w->attributesSet || !IsTopLevel(*w) || !frame.pixels ||
      frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 4) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int x = screenPosition ? screenPosition->x : w->rect.left;
  const int y = screenPosition ? screenPosition->y : w->rect.top;
  // The window takes the frame's logical size; hit testing reads the alpha
  // per logical unit.
  const int width = frame.LogicalWidth(), height = frame.LogicalHeight();
  if (x != w->rect.left || y != w->rect.top || width != w->rect.right - w->rect.left ||
      height != w->rect.bottom - w->rect.top) {
    SetWindowPosInternal(w, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (w->destroyed) return FALSE;
  }
  w->layeredFramePresented = true;
  if (w->surface) sys.backend().PresentLayered(w->surface, frame, constantAlpha);
  // Hit testing's map of the frame's alpha is made once the frame is on its
  // way to the screen: for a new window it is most of a megabyte of memory
  // never touched before, which the first frame would otherwise wait for.
  // Until then the previous map (none for a new window: all of it is hit)
  // stays, its size with it.
  if (w->destroyed) return TRUE;
  w->layeredAlpha.resize(static_cast<std::size_t>(width) * height);
  w->layeredWidth = width;
  w->layeredHeight = height;
  for (int row = 0; row < height; ++row) {
    std::uint8_t* dst = w->layeredAlpha.data() + static_cast<std::size_t>(row) * width;
    if (constantAlpha) {
      frame.CoverageRow(row, dst, width);
    } else {
      std::fill(dst, dst + width, 0);
    }
  }
  return TRUE;
}

DeviceScale GetWindowDeviceScale(HWND hwnd) {
  auto root = Lookup(RootOf(hwnd));
  if (!root || !root->surface) return DeviceScale(1);
  return Sys().backend().SurfaceScale(root->surface);
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED)) {
    SetLastErrorCode(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasFrame = w->layeredFramePresented;
  w->attributesSet = true;
  w->colorKey = colorKey;
  w->alpha = alpha;
  w->attributeFlags = flags;
  // From now on the window shows what it paints, at the constant alpha.
  w->layeredFramePresented = false;
  w->layeredAlpha.clear();
  if (w->surface) sys.backend().SetSurfaceOpacity(w->surface, (flags & LWA_ALPHA) ? alpha : 255);
  if (wasFrame) InvalidateInternal(w, nullptr, true, true);
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* colorKey, BYTE* alpha, DWORD* flags) {
  auto w = LookupOwn(hwnd);
  if (!w || !(w->exStyle & WS_EX_LAYERED) || !w->attributesSet) return FALSE;
  if (colorKey) *colorKey = w->colorKey;
  if (alpha) *alpha = w->alpha;
  if (flags) *flags = w->attributeFlags;
  return TRUE;
}

}  // namespace os
