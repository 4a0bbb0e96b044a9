// A set of disjoint rectangles: the update region of a window. Adding a
// rectangle keeps the set disjoint; past 48 rectangles it collapses into
// their bounds (a long list only costs time, an over-large region only paint).
#pragma once

#include <vector>

#include "platform/base/Types.h"

namespace os::internal {

class RectList {
 public:
  void Add(const RECT& rect);
  void Subtract(const RECT& rect);
  void Clip(const RECT& bounds);
  void Offset(int dx, int dy);
  RECT Bounds() const;
  bool Empty() const { return rects_.empty(); }
  void Clear() { rects_.clear(); }
  const std::vector<RECT>& Rects() const { return rects_; }

 private:
  std::vector<RECT> rects_;
};

}  // namespace os::internal
