// Update regions, WM_PAINT and presenting pixels are the system's. Our
// pixels (premultiplied BGRA, top-down) are a 32-bit top-down DIB as GDI
// reads it, so a back buffer reaches a window DC through StretchDIBits
// without a copy, and a layered frame through a DIB section and
// UpdateLayeredWindow.
//
// Chosen here:
// - Device scale: the window's DPI / 96 as the system reports it
//   (GetDpiForWindow where the system has it, else the screen's LOGPIXELSX),
//   rounded down to a whole factor. A program that does not declare itself
//   DPI-aware sees 96 everywhere (the system scales it as a whole) and paints
//   at scale 1.
// - A source whose scale differs from 1 is placed by its logical size: its
//   device pixels are stretched onto the client units they cover.
// - A layered frame of another density is resampled to its logical size
//   (nearest device pixel), since the window takes the frame's logical size.
// - Snapshots: a layered window's appearance is the last frame it was given
//   (kept per window until the window goes or takes constant attributes);
//   any other window's is read back from its window DC, its region cutting
//   out what lies outside.
#include "platform/window/Paint.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/window/Backend.h"
#include "platform/window/Snapshot.h"
#include "platform/window/win32/PaintedFrames.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;

static_assert(sizeof(os::PAINTSTRUCT) == sizeof(::PAINTSTRUCT));
static_assert(offsetof(os::PAINTSTRUCT, rcPaint) == offsetof(::PAINTSTRUCT, rcPaint));
static_assert(offsetof(os::PAINTSTRUCT, rgbReserved) == offsetof(::PAINTSTRUCT, rgbReserved));

namespace {

::HWND H(HWND hwnd) { return As<::HWND>(hwnd); }
::HDC Dc(HDC dc) { return As<::HDC>(dc); }

// A 32-bit top-down DIB header for pixels `rowPixels` wide (the stride in
// pixels) and `height` rows.
::BITMAPINFO TopDownInfo(int rowPixels, int height) {
  ::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(::BITMAPINFOHEADER);
  info.bmiHeader.biWidth = rowPixels;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool Usable(const PixelView& view) {
  return view.pixels != nullptr && view.width > 0 && view.height > 0 && view.stride >= view.width * 4 &&
         view.stride % 4 == 0;
}

// ---------------------------------------------------------------------------
// Frames painted, and the last layered frame of each window

struct KeptFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;
  BYTE constantAlpha = 255;
};

struct PaintState {
  std::mutex mutex;
  std::vector<HWND> painted;
  std::map<HWND, KeptFrame> layered;
};

PaintState& State() {
  static PaintState state;
  return state;
}

// Frames kept for windows that are gone are dropped whenever one is added.
void DropGoneFrames(std::map<HWND, KeptFrame>& frames) {
  for (auto it = frames.begin(); it != frames.end();) {
    it = ::IsWindow(H(it->first)) ? std::next(it) : frames.erase(it);
  }
}

}  // namespace

namespace win32 {

void MarkFramePainted(HWND hwnd) {
  const HWND root = As<HWND>(::GetAncestor(H(hwnd), GA_ROOT));
  if (root == nullptr) return;
  std::lock_guard lock(State().mutex);
  auto& painted = State().painted;
  if (std::find(painted.begin(), painted.end(), root) == painted.end()) painted.push_back(root);
}

void NotifyPaintedFrames() {
  std::vector<HWND> due;
  {
    std::lock_guard lock(State().mutex);
    due.swap(State().painted);
  }
  // A window destroyed by its own paint handler has no frame to tell about.
  for (HWND hwnd : due) {
    if (::IsWindow(H(hwnd))) NotifyFrameDrawn(hwnd);
  }
}

}  // namespace win32

// ---------------------------------------------------------------------------
// Update regions and WM_PAINT

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return ::InvalidateRect(H(hwnd), As<const ::RECT*>(rect), erase);
}
BOOL ValidateRect(HWND hwnd, const RECT* rect) { return ::ValidateRect(H(hwnd), As<const ::RECT*>(rect)); }
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  return ::GetUpdateRect(H(hwnd), As<::RECT*>(rect), erase);
}
BOOL UpdateWindow(HWND hwnd) {
  const BOOL done = ::UpdateWindow(H(hwnd));
  win32::NotifyPaintedFrames();
  return done;
}
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  const BOOL done = ::RedrawWindow(H(hwnd), As<const ::RECT*>(rect), As<::HRGN>(region), flags);
  win32::NotifyPaintedFrames();
  return done;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  return As<HDC>(::BeginPaint(H(hwnd), As<::PAINTSTRUCT*>(paint)));
}
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  const BOOL done = ::EndPaint(H(hwnd), As<const ::PAINTSTRUCT*>(paint));
  if (done && ::IsWindowVisible(H(hwnd))) win32::MarkFramePainted(hwnd);
  return done;
}
HDC GetDC(HWND hwnd) { return As<HDC>(::GetDC(H(hwnd))); }
int ReleaseDC(HWND hwnd, HDC dc) { return ::ReleaseDC(H(hwnd), Dc(dc)); }
HWND WindowFromDC(HDC dc) { return As<HWND>(::WindowFromDC(Dc(dc))); }

// ---------------------------------------------------------------------------
// Presenting

BOOL BitBltToWindow(HWND hwnd, int x, int y, int width, int height, const PixelView& source, int xSrc,
                    int ySrc) {
  if (!::IsWindow(H(hwnd))) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!Usable(source) || width < 0 || height < 0) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The block, clipped to the source in logical units; the destination
  // moves with the parts cut off its top and left.
  // Sums in 64 bits: a huge width or offset must clip, not wrap around.
  const auto clamp = [](long long v, long long low, long long high) { return std::clamp(v, low, high); };
  const long long sourceWidth = source.LogicalWidth(), sourceHeight = source.LogicalHeight();
  const RECT block{static_cast<LONG>(clamp(xSrc, 0, sourceWidth)),
                   static_cast<LONG>(clamp(ySrc, 0, sourceHeight)),
                   static_cast<LONG>(clamp(static_cast<long long>(xSrc) + width, 0, sourceWidth)),
                   static_cast<LONG>(clamp(static_cast<long long>(ySrc) + height, 0, sourceHeight))};
  if (block.right <= block.left || block.bottom <= block.top) return TRUE;
  x = static_cast<int>(clamp(static_cast<long long>(x) + block.left - xSrc, INT_MIN, INT_MAX));
  y = static_cast<int>(clamp(static_cast<long long>(y) + block.top - ySrc, INT_MIN, INT_MAX));
  // In device pixels of the source, clamped to what it holds.
  RECT device = source.scale.ToDevice(block);
  device.right = std::min<LONG>(device.right, source.width);
  device.bottom = std::min<LONG>(device.bottom, source.height);
  ::HDC dc = ::GetDC(H(hwnd));
  if (dc == nullptr) return FALSE;
  // The DIB starts at the block's first row, so that its source origin is
  // row 0: GDI's functions disagree on where a top-down DIB's y counts from,
  // but not when the block spans the DIB's whole height.
  const int rows = device.bottom - device.top;
  const ::BITMAPINFO info = TopDownInfo(source.stride / 4, rows);
  const std::uint8_t* first = source.pixels + static_cast<std::size_t>(device.top) * source.stride;
  if (!source.scale.IsIdentity()) ::SetStretchBltMode(dc, HALFTONE);
  const int lines =
      ::StretchDIBits(dc, x, y, block.right - block.left, block.bottom - block.top, device.left, 0,
                      device.right - device.left, rows, first, &info, DIB_RGB_COLORS, SRCCOPY);
  ::ReleaseDC(H(hwnd), dc);
  return lines != 0 ? TRUE : FALSE;
}

DeviceScale GetWindowDeviceScale(HWND hwnd) {
  using DpiForWindow = UINT(WINAPI*)(::HWND);
  static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  UINT dpi = 0;
  if (dpiForWindow != nullptr && ::IsWindow(H(hwnd))) dpi = dpiForWindow(H(hwnd));
  if (dpi == 0) {
    ::HDC screen = ::GetDC(nullptr);
    dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX));
    ::ReleaseDC(nullptr, screen);
  }
  return DeviceScale(static_cast<int>(dpi / 96));
}

namespace {

// The frame at its logical size, each unit taking the device pixel at its
// top-left corner.
KeptFrame LogicalFrame(const PixelView& frame) {
  KeptFrame kept;
  kept.width = frame.LogicalWidth();
  kept.height = frame.LogicalHeight();
  kept.bgra.resize(static_cast<std::size_t>(kept.width) * kept.height * 4);
  const int factor = frame.scale.Factor();
  for (int row = 0; row < kept.height; ++row) {
    const std::uint8_t* line =
        frame.pixels + static_cast<std::size_t>(std::min(row * factor, frame.height - 1)) * frame.stride;
    std::uint8_t* out = kept.bgra.data() + static_cast<std::size_t>(row) * kept.width * 4;
    for (int col = 0; col < kept.width; ++col) {
      std::memcpy(out + static_cast<std::size_t>(col) * 4,
                  line + static_cast<std::size_t>(std::min(col * factor, frame.width - 1)) * 4, 4);
    }
  }
  return kept;
}

}  // namespace

Bitmap NewLayeredFrame(int width, int height, DeviceScale scale) { return Bitmap(width, height, scale); }

BOOL UpdateLayeredWindow(HWND hwnd, const POINT* screenPosition, const PixelView& frame, BYTE constantAlpha) {
  if (!::IsWindow(H(hwnd))) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!Usable(frame)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  KeptFrame kept = LogicalFrame(frame);
  kept.constantAlpha = constantAlpha;
  ::BITMAPINFO info = TopDownInfo(kept.width, kept.height);
  void* bits = nullptr;
  ::HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) return FALSE;
  std::memcpy(bits, kept.bgra.data(), kept.bgra.size());
  ::HDC memory = ::CreateCompatibleDC(nullptr);
  ::HGDIOBJ old = ::SelectObject(memory, dib);
  ::SIZE size{kept.width, kept.height};
  ::POINT origin{0, 0};
  ::POINT position{screenPosition ? screenPosition->x : 0, screenPosition ? screenPosition->y : 0};
  ::BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, AC_SRC_ALPHA};
  const BOOL done = ::UpdateLayeredWindow(H(hwnd), nullptr, screenPosition ? &position : nullptr, &size,
                                          memory, &origin, 0, &blend, ULW_ALPHA);
  const ::DWORD error = ::GetLastError();
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(dib);
  if (!done) {
    ::SetLastError(error);
    return FALSE;
  }
  {
    std::lock_guard lock(State().mutex);
    DropGoneFrames(State().layered);
    State().layered[hwnd] = std::move(kept);
  }
  NotifyFrameDrawn(hwnd);
  return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags) {
  if (!::SetLayeredWindowAttributes(H(hwnd), colorKey, alpha, flags)) return FALSE;
  // From now on the window shows what it paints.
  std::lock_guard lock(State().mutex);
  State().layered.erase(hwnd);
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* colorKey, BYTE* alpha, DWORD* flags) {
  ::COLORREF key = 0;
  ::BYTE opacity = 0;
  ::DWORD which = 0;
  if (!::GetLayeredWindowAttributes(H(hwnd), &key, &opacity, &which)) return FALSE;
  if (colorKey) *colorKey = key;
  if (alpha) *alpha = opacity;
  if (flags) *flags = which;
  return TRUE;
}

// ---------------------------------------------------------------------------
// Snapshots

namespace {

// The window's pixels as its window DC shows them, as an opaque frame.
std::optional<SurfaceFrame> ReadWindowDc(HWND hwnd) {
  ::RECT rect{};
  if (!::GetWindowRect(H(hwnd), &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
    return std::nullopt;
  SurfaceFrame frame;
  frame.width = rect.right - rect.left;
  frame.height = rect.bottom - rect.top;
  ::BITMAPINFO info = TopDownInfo(frame.width, frame.height);
  void* bits = nullptr;
  ::HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) return std::nullopt;
  ::HDC window = ::GetWindowDC(H(hwnd));
  ::HDC memory = ::CreateCompatibleDC(window);
  ::HGDIOBJ old = ::SelectObject(memory, dib);
  const BOOL copied = ::BitBlt(memory, 0, 0, frame.width, frame.height, window, 0, 0, SRCCOPY);
  ::GdiFlush();
  if (copied) {
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    frame.bgra.assign(pixels, pixels + static_cast<std::size_t>(frame.width) * frame.height * 4);
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(H(hwnd), window);
  ::DeleteObject(dib);
  if (!copied) return std::nullopt;
  BYTE alpha = 255;
  DWORD flags = 0;
  if (GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags) && (flags & LWA_ALPHA))
    frame.constantAlpha = alpha;
  return frame;
}

// Pixels outside the window's region become transparent.
void CutToRegion(HWND hwnd, WindowPicture& picture) {
  ::HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  if (::GetWindowRgn(H(hwnd), region) != ERROR) {
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        if (::PtInRegion(region, x, y)) continue;
        std::memset(&picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4], 0, 4);
      }
    }
  }
  ::DeleteObject(region);
}

}  // namespace

WindowPicture WindowAppearance(HWND hwnd) {
  if (!::IsWindow(H(hwnd)) || ::GetAncestor(H(hwnd), GA_ROOT) != H(hwnd)) return {};
  std::optional<SurfaceFrame> frame;
  {
    std::lock_guard lock(State().mutex);
    auto kept = State().layered.find(hwnd);
    if (kept != State().layered.end()) {
      frame = SurfaceFrame{kept->second.width,         kept->second.height, kept->second.bgra, true,
                           kept->second.constantAlpha, std::nullopt};
    }
  }
  if (!frame) frame = ReadWindowDc(hwnd);
  if (!frame) return {};
  WindowPicture picture = FrameAppearance(*frame);
  CutToRegion(hwnd, picture);
  return picture;
}

}  // namespace os
