// The update region's rectangle arithmetic.
#include "platform/window/internal/RectList.h"

#include <algorithm>

namespace os::internal {

void RectList::Add(const RECT& rect) {
  if (rect.left >= rect.right || rect.top >= rect.bottom) return;
  Subtract(rect);
  rects_.push_back(rect);
  // A long list only costs time; an over-large update region only costs paint.
  if (rects_.size() > 48) {
    RECT bounds = Bounds();
    rects_.assign(1, bounds);
  }
}

void RectList::Subtract(const RECT& r) {
  if (r.left >= r.right || r.top >= r.bottom) return;
  std::vector<RECT> out;
  out.reserve(rects_.size() + 4);
  for (const RECT& a : rects_) {
    if (r.right <= a.left || r.left >= a.right || r.bottom <= a.top || r.top >= a.bottom) {
      out.push_back(a);
      continue;
    }
    if (r.top > a.top) out.push_back({a.left, a.top, a.right, r.top});
    if (r.bottom < a.bottom) out.push_back({a.left, r.bottom, a.right, a.bottom});
    LONG top = std::max(a.top, r.top);
    LONG bottom = std::min(a.bottom, r.bottom);
    if (r.left > a.left) out.push_back({a.left, top, r.left, bottom});
    if (r.right < a.right) out.push_back({r.right, top, a.right, bottom});
  }
  rects_ = std::move(out);
}

void RectList::Clip(const RECT& b) {
  std::vector<RECT> out;
  for (const RECT& a : rects_) {
    RECT c{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (c.left < c.right && c.top < c.bottom) out.push_back(c);
  }
  rects_ = std::move(out);
}

void RectList::Offset(int dx, int dy) {
  for (RECT& a : rects_) {
    a.left += dx;
    a.right += dx;
    a.top += dy;
    a.bottom += dy;
  }
}

RECT RectList::Bounds() const {
  if (rects_.empty()) return {};
  RECT b = rects_.front();
  for (const RECT& a : rects_) {
    b.left = std::min(b.left, a.left);
    b.top = std::min(b.top, a.top);
    b.right = std::max(b.right, a.right);
    b.bottom = std::max(b.bottom, a.bottom);
  }
  return b;
}

}  // namespace os::internal
