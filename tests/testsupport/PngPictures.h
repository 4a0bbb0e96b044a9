// Test helper: small PNG pictures made in memory, for the tests that load
// images the way skins do. Header only (it needs the PNG writer the UI
// library's tests are built with).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stb_image_write.h"

namespace testsupport {

// The PNG file of width × height straight RGBA pixels, row by row.
inline std::string EncodePng(int width, int height, const std::uint8_t* rgba) {
  std::string out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
      },
      &out, width, height, 4, rgba, width * 4);
  return out;
}

// The picture whose pixel (x, y) is opaque colour(x, y), given as 0xRRGGBB.
template <typename Colour>
std::string DrawPng(int width, int height, Colour colour) {
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgb = colour(x, y);
      pixels.insert(pixels.end(), {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                                   static_cast<std::uint8_t>(rgb), 255});
    }
  }
  return EncodePng(width, height, pixels.data());
}

// A picture of one opaque colour (0xRRGGBB).
inline std::string SolidPng(int width, int height, std::uint32_t rgb) {
  return DrawPng(width, height, [rgb](int, int) { return rgb; });
}

}  // namespace testsupport
