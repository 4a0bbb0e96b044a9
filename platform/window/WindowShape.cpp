// The pixel rule of a window region, shared by hit testing, the backends'
// shape masks and snapshots, so that all of them agree to the pixel.
#include <algorithm>

#include "platform/window/Backend.h"

namespace os {

bool WindowShape::Contains(int x, int y) const {
  if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom) return false;
  if (ellipseWidth < 2 || ellipseHeight < 2) return true;
  // Rounded rectangle: test the pixel centre against the corner ellipse.
  const double rx = std::min(ellipseWidth, static_cast<int>(rect.right - rect.left)) / 2.0;
  const double ry = std::min(ellipseHeight, static_cast<int>(rect.bottom - rect.top)) / 2.0;
  const double px = x + 0.5, py = y + 0.5;
  double cx, cy;
  if (px < rect.left + rx) {
    cx = rect.left + rx;
  } else if (px > rect.right - rx) {
    cx = rect.right - rx;
  } else {
    return true;
  }
  if (py < rect.top + ry) {
    cy = rect.top + ry;
  } else if (py > rect.bottom - ry) {
    cy = rect.bottom - ry;
  } else {
    return true;
  }
  const double dx = (px - cx) / rx, dy = (py - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

}  // namespace os
