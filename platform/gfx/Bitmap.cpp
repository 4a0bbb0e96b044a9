#include "platform/gfx/Bitmap.h"

#include <cairo.h>

#include <algorithm>
#include <utility>

namespace os {

namespace {
// cairo refuses image surfaces with a side above this.
constexpr int kMaxSide = 32767;
}  // namespace

Bitmap::Bitmap(int width, int height) : Bitmap(width, height, DeviceScale(1)) {}

Bitmap::Bitmap(int width, int height, DeviceScale scale) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return;
  scale = scale.FittingExtent(SIZE{width, height}, kMaxSide);
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, scale.ToDevice(width), scale.ToDevice(height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return;
  }
  cairo_surface_set_device_scale(surface, scale.Factor(), scale.Factor());
  surface_ = surface;
  width_ = width;
  height_ = height;
  scale_ = scale;
  stride_ = cairo_image_surface_get_stride(surface);
  // cairo hands out zeroed memory, which is already fully transparent.
}

Bitmap Bitmap::OverMemory(std::uint32_t* pixels, int width, int height, void (*release)(void*)) {
  Bitmap bitmap;
  if (pixels == nullptr || release == nullptr || width <= 0 || height <= 0 || width > kMaxSide ||
      height > kMaxSide || cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width) != width * 4) {
    return bitmap;
  }
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, width, height, width * 4);
  static const cairo_user_data_key_t kReleaseKey{};
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(surface, &kReleaseKey, pixels, release) != CAIRO_STATUS_SUCCESS) {
    // Nothing was attached: the memory is still the caller's.
    cairo_surface_destroy(surface);
    return bitmap;
  }
  bitmap.surface_ = surface;
  bitmap.width_ = width;
  bitmap.height_ = height;
  bitmap.stride_ = width * 4;
  return bitmap;
}

Bitmap Bitmap::Adopt(cairo_surface_t* image, int width, int height, DeviceScale scale) {
  Bitmap bitmap;
  if (image == nullptr) return bitmap;
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32 ||
      cairo_image_surface_get_width(image) != scale.ToDevice(width) ||
      cairo_image_surface_get_height(image) != scale.ToDevice(height) || width <= 0 || height <= 0) {
    cairo_surface_destroy(image);
    return bitmap;
  }
  cairo_surface_set_device_scale(image, scale.Factor(), scale.Factor());
  bitmap.surface_ = image;
  bitmap.width_ = width;
  bitmap.height_ = height;
  bitmap.scale_ = scale;
  bitmap.stride_ = cairo_image_surface_get_stride(image);
  // Memory reused from an earlier image still holds its pixels.
  bitmap.Clear();
  return bitmap;
}

Bitmap::~Bitmap() {
  if (surface_) cairo_surface_destroy(surface_);
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : surface_(std::exchange(other.surface_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      scale_(std::exchange(other.scale_, DeviceScale(1))) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = std::exchange(other.surface_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    scale_ = std::exchange(other.scale_, DeviceScale(1));
  }
  return *this;
}

void Bitmap::Flush() const {
  if (surface_) cairo_surface_flush(surface_);
}

std::uint8_t* Bitmap::Data() {
  if (!surface_) return nullptr;
  Flush();
  return cairo_image_surface_get_data(surface_);
}

const std::uint8_t* Bitmap::Data() const {
  if (!surface_) return nullptr;
  Flush();
  return cairo_image_surface_get_data(surface_);
}

std::uint32_t* Bitmap::Row(int y) {
  if (!surface_ || y < 0 || y >= PixelHeight()) return nullptr;
  return reinterpret_cast<std::uint32_t*>(Data() + static_cast<std::size_t>(y) * stride_);
}

const std::uint32_t* Bitmap::Row(int y) const {
  if (!surface_ || y < 0 || y >= PixelHeight()) return nullptr;
  return reinterpret_cast<const std::uint32_t*>(Data() + static_cast<std::size_t>(y) * stride_);
}

void Bitmap::MarkDirty() {
  if (surface_) cairo_surface_mark_dirty(surface_);
}

std::uint32_t Bitmap::Pixel(int x, int y) const {
  if (x < 0 || x >= PixelWidth()) return 0;
  const std::uint32_t* row = Row(y);
  return row ? row[x] : 0;
}

void Bitmap::SetPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || x >= PixelWidth()) return;
  std::uint32_t* row = Row(y);
  if (!row) return;
  row[x] = argb;
  cairo_surface_mark_dirty_rectangle(surface_, x, y, 1, 1);
}

BitmapView Bitmap::View() const {
  BitmapView view;
  if (!surface_) return view;
  view.data = Data();
  view.width = PixelWidth();
  view.height = PixelHeight();
  view.stride = stride_;
  return view;
}

void Bitmap::Clear(std::uint32_t argb) {
  if (!surface_) return;
  for (int y = 0; y < PixelHeight(); ++y) {
    std::uint32_t* row = Row(y);
    std::fill(row, row + PixelWidth(), argb);
  }
  MarkDirty();
}

bool Bitmap::WritePng(const std::string& path) const {
  if (!surface_) return false;
  Flush();
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace os
