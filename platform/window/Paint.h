// Invalid regions, WM_PAINT and the ways a window's pixels reach the screen.
// On Linux there is no GDI: a window is painted by presenting a view of a 32-bit
// premultiplied BGRA buffer, either a rectangle of it into the client area (the
// BitBlt into the window's DC) or a whole per-pixel-alpha frame for a layered
// window (UpdateLayeredWindow).
//
// On Windows the system paints: the pixels go into the window DC
// (StretchDIBits) or a layered window's frame (UpdateLayeredWindow), and the
// device scale is the window's DPI / 96 rounded down (1 for a program that
// does not declare itself DPI-aware). A frame counts as drawn once a WM_PAINT
// of the top-level window (or of a window inside it) has been handled through
// BeginPaint/EndPaint, or once UpdateLayeredWindow has shown it.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/gfx/DeviceScale.h"
#include "platform/window/Window.h"

namespace os {

// A device context names the window it was obtained for; nothing draws
// through it, but BeginPaint/GetDC hand one out as Win32 code expects.
struct HDC__;
using HDC = HDC__*;

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // TRUE when WM_ERASEBKGND did not erase
  RECT rcPaint;         // client coordinates
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};

// Pixels handed to the window: premultiplied B, G, R, A bytes, top-down rows
// of `stride` bytes, width x height device pixels of which `scale` make one
// logical unit along each axis (a back buffer painted for a high-density
// screen). The view does not own the memory.
struct PixelView {
  PixelView() = default;
  PixelView(const std::uint8_t* pixels, int width, int height, int stride, DeviceScale scale = DeviceScale())
      : pixels(pixels), width(width), height(height), stride(stride), scale(scale) {}

  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  DeviceScale scale;

  int LogicalWidth() const { return scale.LengthToLogical(width); }
  int LogicalHeight() const { return scale.LengthToLogical(height); }
  // The coverage of the units 0 to count - 1 of logical row y, into
  // out[0 .. count - 1]: for each unit the highest alpha among its device
  // pixels, the part beyond the pixels counting as transparent. A unit is
  // visible, and takes clicks, when any of its pixels is. Read a row at a
  // time: a frame has hundreds of thousands of units.
  void CoverageRow(int y, std::uint8_t* out, int count) const;
};

class Bitmap;
// The whole of a bitmap as presentable pixels, its density included.
PixelView PixelsOf(const Bitmap& bitmap);

// Rectangles in client coordinates; nullptr means the whole client area.
// Children are invalidated with their parent unless it has WS_CLIPCHILDREN.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// Bounding rectangle of the update region; FALSE when it is empty.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
// Sends WM_PAINT at once when the window (or a child) has something invalid.
BOOL UpdateWindow(HWND hwnd);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

// Sends WM_ERASEBKGND when an erase is pending, validates the update region
// and reports its bounds in rcPaint.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);

// The BitBlt(SRCCOPY) of a back buffer into the window: copies the
// width x height block at (xSrc, ySrc) of `source` to (x, y) of the client area,
// clipped to the client area and the source. Has no visible effect on a window
// that shows its frames through UpdateLayeredWindow.
BOOL BitBltToWindow(HWND hwnd, int x, int y, int width, int height, const PixelView& source, int xSrc,
                    int ySrc);

// Device pixels per logical unit of the window's top-level surface (1 for a
// window without one, and on screens of ordinary density). A window paints
// its back buffer at this density to look sharp; presenting pixels of another
// density still works, resampled.
DeviceScale GetWindowDeviceScale(HWND hwnd);

// UpdateLayeredWindow with per-pixel alpha (ULW_ALPHA, AC_SRC_OVER,
// AC_SRC_ALPHA): the frame becomes the whole window, blended with
// `constantAlpha`; the window moves to *screenPosition when given and takes the
// frame's size. Fails for a window without WS_EX_LAYERED, and — as on Windows —
// for one whose attributes were set with SetLayeredWindowAttributes since the
// style was last added.
BOOL UpdateLayeredWindow(HWND hwnd, const POINT* screenPosition, const PixelView& frame, BYTE constantAlpha);
// A transparent bitmap of width x height logical units at `scale` for the
// frames a layered window presents through UpdateLayeredWindow. On a display
// that shares memory with its programs (X11's MIT-SHM) its pixels live in
// that memory, and presenting them copies nothing on the program's side: a
// frame the size of the window, painted anew, would otherwise be copied into
// fresh memory again before the display could read it. Elsewhere (and on
// Windows, where the frame is a DIB section) it is an ordinary bitmap.
Bitmap NewLayeredFrame(int width, int height, DeviceScale scale);
// LWA_ALPHA sets a constant opacity for a layered window painted the usual way.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* colorKey, BYTE* alpha, DWORD* flags);

// Diagnostics: told each time the desktop has drawn pixels a top-level
// window presented (the gtk backend: at the end of the window's draw, once
// something was presented; the headless backend: at each present), with the
// window. One observer per process; an empty one removes it. The launcher's
// automation driver times its first frame with it.
using FrameDrawnObserver = std::function<void(HWND)>;
void SetFrameDrawnObserver(FrameDrawnObserver observer);
// Runs once, the next time a frame of the top-level window hwnd has been
// drawn (after the observer), for work that is to wait until the player sees
// the window. It runs inside the backend's draw: anything longer belongs in
// a message it posts. Dropped unrun when the window is destroyed first.
void WhenFrameDrawn(HWND hwnd, std::function<void()> once);
// Called by the backends.
void NotifyFrameDrawn(HWND hwnd);

}  // namespace os
