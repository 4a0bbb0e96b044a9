// The rules that turn a presented frame into the picture a snapshot shows,
// and the PNG file; shared by every desktop.
#include "platform/window/Snapshot.h"

#include <stb_image_write.h>

#include <algorithm>

namespace os {
namespace {

// Premultiplied to straight, with rounding.
std::uint8_t Straight(std::uint8_t channel, std::uint8_t alpha) {
  return static_cast<std::uint8_t>(std::min(255u, (channel * 255u + alpha / 2u) / alpha));
}

void AppearancePixel(const SurfaceFrame& frame, const std::uint8_t* bgra, std::uint8_t* out) {
  const std::uint8_t b = bgra[0], g = bgra[1], r = bgra[2], a = bgra[3];
  if (!frame.perPixelAlpha) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = frame.constantAlpha;
    return;
  }
  out[0] = a ? Straight(r, a) : 0;
  out[1] = a ? Straight(g, a) : 0;
  out[2] = a ? Straight(b, a) : 0;
  out[3] = static_cast<std::uint8_t>((a * unsigned{frame.constantAlpha} + 127) / 255);
}

}  // namespace

WindowPicture FrameAppearance(const SurfaceFrame& frame) {
  if (frame.width <= 0 || frame.height <= 0) return {};
  const std::size_t size = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height) * 4;
  if (frame.bgra.size() < size) return {};
  WindowPicture picture{frame.width, frame.height, std::vector<std::uint8_t>(size)};
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) + x) * 4;
      // Outside the region the picture keeps its transparent zeros.
      if (frame.shape && !frame.shape->Contains(x, y)) continue;
      AppearancePixel(frame, &frame.bgra[i], &picture.rgba[i]);
    }
  }
  return picture;
}

bool SnapshotWindow(HWND hwnd, const std::filesystem::path& png) {
  const WindowPicture picture = WindowAppearance(hwnd);
  if (picture.width <= 0 || picture.height <= 0) return false;
  return stbi_write_png(png.string().c_str(), picture.width, picture.height, 4, picture.rgba.data(),
                        picture.width * 4) != 0;
}

}  // namespace os
