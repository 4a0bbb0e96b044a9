#include "platform/window/Icon.h"

#include <vector>

#include "platform/window/internal/IconFit.h"

namespace os {

struct HICON__ {
  ICONDETAILS details;
};

HANDLE LoadImage(HINSTANCE instance, const ResourceName& name, UINT type, int cx, int cy, UINT) {
  if (type != IMAGE_ICON || cx <= 0 || cy <= 0) return nullptr;
  const std::vector<IconImage> images = LoadIconGroup(instance, name);
  const IconImage* best = internal::BestIconFit(images, cx, cy);
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
