// The bitmap as a 32-bit top-down DIB section: GDI draws into the same
// memory the raw accessors read, once its batch is flushed.
#include "platform/gfx/Bitmap.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "platform/base/Unicode.h"

// After the platform headers.
#include "platform/base/win32/Win32.h"

namespace os {

namespace {

// The same limit as on Linux, so that a size is valid or not on both.
constexpr int kMaxSide = 32767;

::HBITMAP System(HBITMAP__* dib) { return win32::As<::HBITMAP>(dib); }

}  // namespace

Bitmap::Bitmap(int width, int height) : Bitmap(width, height, DeviceScale(1)) {}

Bitmap Bitmap::OverMemory(std::uint32_t*, int, int, void (*)(void*)) { return Bitmap(); }

Bitmap::Bitmap(int width, int height, DeviceScale scale) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return;
  scale = scale.FittingExtent(SIZE{width, height}, kMaxSide);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = scale.ToDevice(width);
  info.bmiHeader.biHeight = -scale.ToDevice(height);  // negative: top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ::HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) ::DeleteObject(dib);
    return;
  }
  dib_ = win32::As<HBITMAP__*>(dib);
  bits_ = static_cast<std::uint8_t*>(bits);
  width_ = width;
  height_ = height;
  scale_ = scale;
  // 32-bit rows need no padding; the system hands out zeroed memory, which
  // is already fully transparent.
  stride_ = scale.ToDevice(width) * 4;
}

Bitmap::~Bitmap() {
  if (dib_) ::DeleteObject(System(dib_));
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : dib_(std::exchange(other.dib_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      scale_(std::exchange(other.scale_, DeviceScale(1))) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    if (dib_) ::DeleteObject(System(dib_));
    dib_ = std::exchange(other.dib_, nullptr);
    bits_ = std::exchange(other.bits_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    scale_ = std::exchange(other.scale_, DeviceScale(1));
  }
  return *this;
}

// GDI may hold drawing calls back in a batch; the memory is only current
// once the batch has run.
void Bitmap::Flush() const {
  if (dib_) ::GdiFlush();
}

std::uint8_t* Bitmap::Data() {
  if (!dib_) return nullptr;
  Flush();
  return bits_;
}

const std::uint8_t* Bitmap::Data() const {
  if (!dib_) return nullptr;
  Flush();
  return bits_;
}

std::uint32_t* Bitmap::Row(int y) {
  if (!dib_ || y < 0 || y >= PixelHeight()) return nullptr;
  return reinterpret_cast<std::uint32_t*>(Data() + static_cast<std::size_t>(y) * stride_);
}

const std::uint32_t* Bitmap::Row(int y) const {
  if (!dib_ || y < 0 || y >= PixelHeight()) return nullptr;
  return reinterpret_cast<const std::uint32_t*>(Data() + static_cast<std::size_t>(y) * stride_);
}

// GDI reads the DIB's memory as it is: nothing derived needs dropping.
void Bitmap::MarkDirty() {}

std::uint32_t Bitmap::Pixel(int x, int y) const {
  if (x < 0 || x >= PixelWidth()) return 0;
  const std::uint32_t* row = Row(y);
  return row ? row[x] : 0;
}

void Bitmap::SetPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || x >= PixelWidth()) return;
  std::uint32_t* row = Row(y);
  if (row) row[x] = argb;
}

BitmapView Bitmap::View() const {
  BitmapView view;
  if (!dib_) return view;
  view.data = Data();
  view.width = PixelWidth();
  view.height = PixelHeight();
  view.stride = stride_;
  return view;
}

void Bitmap::Clear(std::uint32_t argb) {
  if (!dib_) return;
  for (int y = 0; y < PixelHeight(); ++y) {
    std::uint32_t* row = Row(y);
    std::fill(row, row + PixelWidth(), argb);
  }
}

bool Bitmap::WritePng(const std::string& path) const {
  if (!dib_) return false;
  const int w = PixelWidth(), h = PixelHeight();
  // PNG keeps straight alpha: each colour is divided by its pixel's alpha.
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* row = Row(y);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = row[x];
      const std::uint32_t a = p >> 24;
      auto straight = [a](std::uint32_t c) {
        return static_cast<std::uint8_t>(a == 0 ? 0 : std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
      };
      std::uint8_t* out = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
      out[0] = straight((p >> 16) & 0xFF);
      out[1] = straight((p >> 8) & 0xFF);
      out[2] = straight(p & 0xFF);
      out[3] = static_cast<std::uint8_t>(a);
    }
  }
  std::string encoded;
  auto append = [](void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(size));
  };
  if (!stbi_write_png_to_func(append, &encoded, w, h, 4, rgba.data(), w * 4)) return false;
  // The path is UTF-8; the wide call opens any name the system allows.
  const std::wstring wide = win32::WideString(Utf8ToUtf16(path));
  std::unique_ptr<FILE, int (*)(FILE*)> file(::_wfopen(wide.c_str(), L"wb"), &std::fclose);
  if (!file) return false;
  const bool written = std::fwrite(encoded.data(), 1, encoded.size(), file.get()) == encoded.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace os
