// Premultiplication as both drawing back ends store it.
#include <cstdint>

#include "platform/gfx/Bitmap.h"

namespace os {

std::uint32_t PremultiplyArgb(std::uint32_t argb) {
  const std::uint32_t a = argb >> 24;
  if (a == 255) return argb;
  auto channel = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (channel((argb >> 16) & 0xFF) << 16) | (channel((argb >> 8) & 0xFF) << 8) |
         channel(argb & 0xFF);
}

}  // namespace os
