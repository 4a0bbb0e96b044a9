#include "platform/window/Icon.h"

#include <cstdlib>
#include <vector>

namespace os {

struct HICON__ {
  ICONDETAILS details;
};

namespace {

// Closest in size first (the sum of both differences); among images of one
// size the deepest colour wins, as the system's own choice does.
const IconImage* BestFit(const std::vector<IconImage>& images, int cx, int cy) {
  const IconImage* best = nullptr;
  int bestDistance = 0;
  for (const IconImage& image : images) {
    const int distance = std::abs(image.width - cx) + std::abs(image.height - cy);
    if (best == nullptr || distance < bestDistance ||
        (distance == bestDistance && image.bitCount > best->bitCount)) {
      best = &image;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

HANDLE LoadImage(HINSTANCE instance, const ResourceName& name, UINT type, int cx, int cy, UINT) {
  if (type != IMAGE_ICON || cx <= 0 || cy <= 0) return nullptr;
  const std::vector<IconImage> images = LoadIconGroup(instance, name);
  const IconImage* best = BestFit(images, cx, cy);
  if (best == nullptr) return nullptr;
  auto* icon = new HICON__;
  icon->details.image = *best;
  icon->details.width = cx;
  icon->details.height = cy;
  return icon;
}

BOOL DestroyIcon(HICON icon) {
  if (icon == nullptr) return FALSE;
  delete icon;
  return TRUE;
}

bool GetIconDetails(HICON icon, ICONDETAILS* details) {
  if (icon == nullptr || details == nullptr) return false;
  *details = icon->details;
  return true;
}

}  // namespace os
