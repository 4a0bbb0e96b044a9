// Test helper: counting the pixels of one value in a rectangle of a bitmap,
// the way the painting tests check what was drawn where.
#pragma once

#include <cstdint>

#include "platform/gfx/Bitmap.h"

namespace testsupport {

inline int CountPixels(const os::Bitmap& b, const os::RECT& r, std::uint32_t argb) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += b.Pixel(x, y) == argb ? 1 : 0;
  }
  return n;
}

}  // namespace testsupport
