// The size rule every layout applies to a child's min/max width or height.
#pragma once

namespace Kesto {

// The lower limit first, then the upper one: an upper limit below the lower
// one wins, as the layouts have always resolved that conflict.
inline int LimitSize(int value, int low, int high) {
  if (value < low) value = low;
  if (value > high) value = high;
  return value;
}

}  // namespace Kesto
