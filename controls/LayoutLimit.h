// The size rule every layout applies to a child's min/max width or height.
#pragma once

#include "platform/base/Types.h"

#include <algorithm>

namespace Kesto {

// Every length a skin gives a layout (sizes, paddings, insets, offsets) is
// held to the 16-bit range window coordinates travel in: the layouts add
// them up in int, and a skin's 2147483647 must not overflow that sum.
inline constexpr int kMaxExtent = 32767;
inline int LimitExtent(int value) { return std::clamp(value, -kMaxExtent, kMaxExtent); }
inline RECT LimitExtent(RECT r) {
  return RECT{LimitExtent(r.left), LimitExtent(r.top), LimitExtent(r.right), LimitExtent(r.bottom)};
}
inline SIZE LimitExtent(SIZE s) { return SIZE{LimitExtent(s.cx), LimitExtent(s.cy)}; }

// The lower limit first, then the upper one: an upper limit below the lower
// one wins, as the layouts have always resolved that conflict.
inline int LimitSize(int value, int low, int high) {
  if (value < low) value = low;
  if (value > high) value = high;
  return value;
}

}  // namespace Kesto
